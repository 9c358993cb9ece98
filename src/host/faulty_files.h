// Failures on demand, for tests of the error paths: a file system that
// passes every call to another one, except the calls a plan names, which
// fail with the plan's error instead. Both hosts put it over their own file
// system when TALVEN_FILE_FAULTS holds a plan.
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "host/host_files.h"

namespace talven {

struct FaultPlan;

// A plan is a list such as "open:2:EACCES,write:1:ENOSPC": the second open
// and the first write fail with those errors. The errors are POSIX names,
// given as the code the console host reports for each (EACCES 5, ENOSPC
// 112, EIO 1117, ...), so that a plan means the same on both hosts. The kinds are open, read,
// write (set_end counts as a write), close, remove, rename, list and
// directory (the three directory commands together). Calls are counted per
// kind over the whole run; a call its handle refuses anyway (a read on a
// file opened for writing only) is not counted. A failed close still closes
// the file. Items that cannot be read are left out.
class FaultyFiles final : public HostFileSystem {
public:
    FaultyFiles(HostFileSystem& inner, std::string_view plan);
    ~FaultyFiles() override;
    FaultyFiles(const FaultyFiles&) = delete;
    FaultyFiles& operator=(const FaultyFiles&) = delete;

    OpenResult open(std::string_view name, FileAccess access, FileSharing sharing, FileCreation creation) override;
    FsCode remove(std::string_view name) override;
    FsCode rename(std::string_view from, std::string_view to) override;
    FsCode change_directory(std::string_view name) override;
    FsCode make_directory(std::string_view name) override;
    FsCode remove_directory(std::string_view name) override;
    FsResult<FileInfo> info(std::string_view name) override { return m_inner.info(name); }
    FsCode set_attributes(std::string_view name, std::uint32_t attributes) override
    {
        return m_inner.set_attributes(name, attributes);
    }
    FsResult<std::vector<DirectoryEntry>> list(std::string_view pattern) override;
    std::optional<DiskSpace> disk_space(char drive) override { return m_inner.disk_space(drive); }
    std::optional<ShortString> full_path(std::string_view name) override { return m_inner.full_path(name); }
    std::optional<ShortString> short_path(std::string_view name) override { return m_inner.short_path(name); }

private:
    HostFileSystem& m_inner;
    // Shared with the open handles, which count their own calls.
    std::shared_ptr<FaultPlan> m_plan;
};

} // namespace talven
