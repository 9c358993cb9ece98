// The file system as the numbered files, the file commands and the
// directory functions see it. Names arrive as the program wrote them
// (Windows-1252, "\" or "/" as separators); each host maps them to its own.
// Failures are reported as the operating system's error code, in the
// numbering programs know (2 file not found, 3 path not found, 5 access
// denied, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/short_string.h"

namespace talven {

// 0 is success; anything else is an operating system error code.
using FsCode = std::uint32_t;

// The error codes the runtime itself needs to name.
namespace fs_code {
constexpr FsCode ok = 0;
constexpr FsCode file_not_found = 2;
constexpr FsCode path_not_found = 3;
constexpr FsCode access_denied = 5;
constexpr FsCode sharing_violation = 32;
constexpr FsCode negative_seek = 131;
constexpr FsCode already_exists = 183;
} // namespace fs_code

// File attributes in the numbering programs know.
namespace file_attribute {
constexpr std::uint32_t read_only = 0x01;
constexpr std::uint32_t hidden = 0x02;
constexpr std::uint32_t system = 0x04;
constexpr std::uint32_t directory = 0x10;
constexpr std::uint32_t archive = 0x20;
} // namespace file_attribute

enum class FileAccess { Read, Write, ReadWrite };

// What other handles on the same file may do while this one is open.
enum class FileSharing { DenyNone, DenyAll, DenyWrite, DenyRead };

enum class FileCreation {
    OpenExisting,  // fails when the file does not exist
    CreateAlways,  // creates the file, or empties an existing one
    OpenOrCreate,  // opens an existing file as it is, or creates a missing one
    CreateNew,     // creates the file; fails when it exists (183, or 80 on Windows)
};

// Which file a name leads to, for telling two names of one file apart.
struct FileId {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

struct FileDate {
    int year = 1980;
    int month = 1;
    int day = 1;
};

struct FileInfo {
    std::uint64_t size = 0;
    std::uint32_t attributes = 0;
    FileDate modified;  // local time
    FileId id;
};

struct DirectoryEntry {
    ShortString name;
    std::uint32_t attributes = 0;
    // A symbolic link or another redirection: a recursive walk does not
    // follow it, so that no walk runs in a circle.
    bool redirected = false;
};

struct DiskSpace {
    std::uint64_t free = 0;
    std::uint64_t total = 0;
};

// A result with its code; the value is meaningful only when the code is 0.
template <class T>
struct FsResult {
    T value{};
    FsCode code = fs_code::ok;
    bool ok() const { return code == fs_code::ok; }
};

// How much of a read or write went through, and why it stopped early.
struct Transfer {
    std::size_t bytes = 0;
    FsCode code = fs_code::ok;
};

// An open file. Reads and writes go straight to the system: nothing is held
// back in a buffer of the handle.
class HostFileHandle {
public:
    virtual ~HostFileHandle() = default;
    // Reads up to size bytes at the current position; fewer at the end.
    virtual Transfer read(void* buffer, std::size_t size) = 0;
    // Writes size bytes at the current position.
    virtual Transfer write(const void* buffer, std::size_t size) = 0;
    // Sets the position, counted in bytes from 0; a position beyond the end
    // is allowed (a write there fills the gap with zero bytes).
    virtual FsCode seek(std::int64_t offset) = 0;
    virtual FsResult<std::uint64_t> position() = 0;
    virtual FsResult<std::uint64_t> size() = 0;
    // Cuts the file at the current position (tables shrink when packed).
    // A host that cannot refuses.
    virtual FsCode set_end() { return fs_code::access_denied; }
    virtual FileId id() const = 0;
    // Closes the file and reports a failure the system reports only then.
    virtual FsCode close() = 0;
};

struct OpenResult {
    std::unique_ptr<HostFileHandle> file;
    FsCode code = fs_code::ok;
};

class HostFileSystem {
public:
    virtual ~HostFileSystem() = default;

    virtual OpenResult open(std::string_view name, FileAccess access, FileSharing sharing,
                            FileCreation creation) = 0;
    // Deleting or renaming a file that is open somewhere fails with 32, as
    // on the system the programs were written for.
    virtual FsCode remove(std::string_view name) = 0;
    // Fails with 183 when the new name exists (unless it names the same file).
    virtual FsCode rename(std::string_view from, std::string_view to) = 0;

    virtual FsCode change_directory(std::string_view name) = 0;
    virtual FsCode make_directory(std::string_view name) = 0;
    virtual FsCode remove_directory(std::string_view name) = 0;

    virtual FsResult<FileInfo> info(std::string_view name) = 0;
    // Sets what the host can keep of the attributes (see the host's notes).
    virtual FsCode set_attributes(std::string_view name, std::uint32_t attributes) = 0;

    // The entries of the directory that the pattern names, whose names match
    // its last part ("*" and "?" as wildcards), in the order a directory
    // search yields them; "." and ".." where the system lists them.
    virtual FsResult<std::vector<DirectoryEntry>> list(std::string_view pattern) = 0;

    // Free and total bytes of a drive ("A" to "Z"; 0 is the current drive).
    virtual std::optional<DiskSpace> disk_space(char drive) = 0;

    // The full path of a name, worked out from the name alone; nothing when
    // it would not fit in 255 characters.
    virtual std::optional<ShortString> full_path(std::string_view name) = 0;
    // The short form of an existing file's path; nothing when it does not
    // exist or the form would not fit.
    virtual std::optional<ShortString> short_path(std::string_view name) = 0;
};

// The file system of a host that offers none: every operation fails with
// "access denied", every query finds nothing.
HostFileSystem& no_file_system();

} // namespace talven
