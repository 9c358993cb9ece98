// The file system of the console host: program file names (Windows names)
// mapped onto a POSIX tree, the sharing modes carried by advisory locks, and
// the system's errors given in the numbering programs know.
#pragma once

#include <string>
#include <string_view>

#include "host/host_files.h"

namespace talven {

class ConsoleFiles final : public HostFileSystem {
public:
    OpenResult open(std::string_view name, FileAccess access, FileSharing sharing, FileCreation creation) override;
    FsCode remove(std::string_view name) override;
    FsCode rename(std::string_view from, std::string_view to) override;
    FsCode change_directory(std::string_view name) override;
    FsCode make_directory(std::string_view name) override;
    FsCode remove_directory(std::string_view name) override;
    FsResult<FileInfo> info(std::string_view name) override;
    FsCode set_attributes(std::string_view name, std::uint32_t attributes) override;
    FsResult<std::vector<DirectoryEntry>> list(std::string_view pattern) override;
    std::optional<DiskSpace> disk_space(char drive) override;
    std::optional<ShortString> full_path(std::string_view name) override;
    std::optional<ShortString> short_path(std::string_view name) override;

private:
    FsCode on_directory(std::string_view name, FsCode (*operation)(const std::string& path));
};

// The POSIX path of a program's file name: a drive ("C:") is dropped, "\"
// separates like "/", trailing dots and blanks of each part are dropped, and
// each part that exists under another case is taken as it is on disk. A
// part that exists in no case is kept as written.
std::string resolve_native_path(std::string_view ansi_name);

// Whether a name matches a directory search mask: "*" any run of
// characters, "?" one character other than "." (or none at a "." or the
// end), ".*" at the end also matches a name without a dot, and a mask that
// ends in "." matches names without a dot. Case is ignored.
bool wildcard_matches(std::string_view mask, std::string_view name);

// The error code programs know for a POSIX errno value.
FsCode windows_code(int errno_value);

} // namespace talven
