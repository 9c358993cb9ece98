// The file system as the numbered files, the file commands and the
// directory functions see it. Names arrive as the program wrote them
// (Windows-1252, "\" or "/" as separators); each host maps them to its own.
// Failures are reported as the operating system's error code, in the
// numbering programs know (2 file not found, 3 path not found, 5 access
// denied, ...).
#pragma once

namespace talven {

class HostFileSystem {
public:
    virtual ~HostFileSystem() = default;
};

// The file system of a host that offers none: every operation fails.
HostFileSystem& no_file_system();

} // namespace talven
