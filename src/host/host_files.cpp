// The file system that refuses every operation, for hosts without one.
#include "host/host_files.h"

namespace talven {
namespace {

class NoFileSystem final : public HostFileSystem {
public:
    OpenResult open(std::string_view, FileAccess, FileSharing, FileCreation) override
    {
        return {nullptr, fs_code::access_denied};
    }
    FsCode remove(std::string_view) override { return fs_code::access_denied; }
    FsCode rename(std::string_view, std::string_view) override { return fs_code::access_denied; }
    FsCode change_directory(std::string_view) override { return fs_code::access_denied; }
    FsCode make_directory(std::string_view) override { return fs_code::access_denied; }
    FsCode remove_directory(std::string_view) override { return fs_code::access_denied; }
    FsResult<FileInfo> info(std::string_view) override { return {{}, fs_code::access_denied}; }
    FsCode set_attributes(std::string_view, std::uint32_t) override { return fs_code::access_denied; }
    FsResult<std::vector<DirectoryEntry>> list(std::string_view) override { return {{}, fs_code::access_denied}; }
    std::optional<DiskSpace> disk_space(char) override { return std::nullopt; }
    std::optional<ShortString> full_path(std::string_view) override { return std::nullopt; }
    std::optional<ShortString> short_path(std::string_view) override { return std::nullopt; }
};

} // namespace

HostFileSystem& no_file_system()
{
    static NoFileSystem none;
    return none;
}

} // namespace talven
