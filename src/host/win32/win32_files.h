// The Win32 file system of the numbered files and the file commands: the
// system's own calls, names in the ANSI code page, sharing modes as the
// system keeps them.
#pragma once

#include "host/host_files.h"

namespace talven {

class Win32Files : public HostFileSystem {
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
};

} // namespace talven
