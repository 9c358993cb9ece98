// The console host's file system. Program file names are Windows names:
// they are mapped onto the POSIX tree (drive dropped, "\" as "/", each part
// found regardless of case), and the sharing modes of opened files are
// carried by advisory locks, so that two runtimes on one file keep to them.
#include "host/console/console_files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "host/console/codepage.h"

namespace talven {

// --- error codes -------------------------------------------------------------

namespace {

// The one table from POSIX errors to the codes programs know.
struct ErrnoCode {
    int error;
    FsCode code;
};
constexpr ErrnoCode errno_codes[] = {
    {ENOENT, 2},         // file not found (3 when a directory on the way is missing)
    {ENOTDIR, 3},        // path not found
    {EMFILE, 4},         // too many open files
    {ENFILE, 4},
    {EACCES, 5},         // access denied
    {EPERM, 5},
    {EISDIR, 5},
    {EBADF, 6},          // invalid handle
    {ENOMEM, 8},         // not enough memory
    {EXDEV, 17},         // not the same device
    {EROFS, 19},         // write protected
    {ENXIO, 21},         // device not ready
    {ENODEV, 21},
    {EBUSY, 32},         // sharing violation
    {ETXTBSY, 32},
    {EAGAIN, 33},        // lock violation
    {EINVAL, 87},        // invalid parameter
    {ENOSPC, 112},       // disk full
    {EDQUOT, 112},
    {ENOTEMPTY, 145},    // directory not empty
    {EEXIST, 183},       // already exists
    {ENAMETOOLONG, 206}, // file name too long
    {EFBIG, 223},        // file too large
    {EIO, 1117},         // device error
    {ELOOP, 1921},       // name cannot be resolved
};
constexpr FsCode general_failure = 31;
constexpr FsCode invalid_name = 123;

} // namespace

FsCode windows_code(int errno_value)
{
    for (const auto& entry : errno_codes)
        if (entry.error == errno_value)
            return entry.code;
    return general_failure;
}

namespace {

// --- names ---------------------------------------------------------------------

// The runtime's case rule on Windows-1252.
char upper(char c)
{
    auto u = static_cast<unsigned char>(c);
    if ((u >= 0x61 && u <= 0x7A) || (u >= 0xE0 && u <= 0xF6) || (u >= 0xF8 && u <= 0xFE))
        return static_cast<char>(u - 0x20);
    return c;
}

std::string upper(std::string_view text)
{
    std::string out(text);
    for (auto& c : out)
        c = upper(c);
    return out;
}

bool is_separator(char c) { return c == '\\' || c == '/'; }

bool is_drive(std::string_view name)
{
    return name.size() >= 2 && name[1] == ':' && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
}

// Characters no Windows name may hold: such a name names no file there, so
// none is made of it here either.
bool has_forbidden_characters(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 32 || std::string_view("\"*:<>?|").find(c) != std::string_view::npos)
            return true;
    return false;
}

bool is_windows_name(std::string_view name)
{
    if (is_drive(name))
        name.remove_prefix(2);
    return !has_forbidden_characters(name);
}

bool all_dots(std::string_view part) { return !part.empty() && part.find_first_not_of('.') == std::string_view::npos; }

// Windows drops trailing dots and blanks of a name part: "BRIEF." is "BRIEF".
std::string_view windows_part(std::string_view part)
{
    if (all_dots(part))
        return part.size() <= 2 ? part : std::string_view(".");
    while (!part.empty() && (part.back() == '.' || part.back() == ' '))
        part.remove_suffix(1);
    return part;
}

struct SplitName {
    bool absolute = false;
    bool drive_only = false;       // "C:" and nothing else: the current directory
    bool trailing_separator = false;
    std::vector<std::string> parts; // Windows-1252, each as windows_part leaves it
};

SplitName split_name(std::string_view name)
{
    SplitName split;
    if (is_drive(name)) {
        name.remove_prefix(2);
        split.drive_only = name.empty();
    }
    split.absolute = !name.empty() && is_separator(name.front());
    split.trailing_separator = !name.empty() && is_separator(name.back());
    std::size_t i = 0;
    while (i < name.size()) {
        std::size_t j = i;
        while (j < name.size() && !is_separator(name[j]))
            ++j;
        std::string_view part = windows_part(name.substr(i, j - i));
        if (!part.empty())
            split.parts.emplace_back(part);
        i = j + 1;
    }
    return split;
}

std::string join(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

bool is_directory(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entry of dir whose name equals the Windows-1252 part regardless of
// case. Of several, the one first in byte order, so the choice is stable.
std::optional<std::string> find_any_case(const std::string& dir, std::string_view ansi_part)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return std::nullopt;
    std::string wanted = upper(ansi_part);
    std::optional<std::string> found;
    while (dirent* entry = ::readdir(d)) {
        std::string_view name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (upper(utf8_to_ansi(name)) == wanted && (!found || name < *found))
            found = std::string(name);
    }
    ::closedir(d);
    return found;
}

struct ResolvedName {
    std::string parent;       // the directory, ending in "/" unless empty
    std::string last;         // the last part as found on disk, or as written
    std::string last_written; // the last part as written
    bool last_found = false;
};

ResolvedName resolve_name(std::string_view ansi_name)
{
    SplitName split = split_name(ansi_name);
    ResolvedName resolved;
    std::string path = split.absolute ? "/" : "";
    if (split.parts.empty()) {
        resolved.parent = path;
        if (path.empty() && split.drive_only)
            resolved.last = resolved.last_written = ".";
        resolved.last_found = true;
        return resolved;
    }
    bool searching = true;
    for (std::size_t i = 0; i < split.parts.size(); ++i) {
        const std::string& part = split.parts[i];
        std::string written = ansi_to_utf8(part);
        std::string chosen = written;
        bool found = true;
        if (part != "." && part != ".." && searching) {
            if (!exists(join(path, written))) {
                if (auto other = find_any_case(path, part))
                    chosen = *other;
                else
                    found = searching = false;
            }
        }
        if (i + 1 == split.parts.size()) {
            resolved.parent = path.empty() || path.back() == '/' ? path : path + "/";
            resolved.last = chosen;
            resolved.last_written = written;
            resolved.last_found = found && searching;
        } else {
            path = join(path, chosen);
        }
    }
    if (split.trailing_separator) {
        resolved.last += '/';
        resolved.last_written += '/';
    }
    return resolved;
}

// ENOENT means "path not found" when the directory of the name is missing.
FsCode code_for(int error, const std::string& path)
{
    if (error == ENOENT) {
        std::string p = path;
        while (p.size() > 1 && p.back() == '/')
            p.pop_back();
        std::size_t slash = p.rfind('/');
        std::string parent = slash == std::string::npos ? "." : (slash == 0 ? "/" : p.substr(0, slash));
        if (!is_directory(parent))
            return fs_code::path_not_found;
    }
    return windows_code(error);
}

std::uint32_t attributes_of(const struct stat& st, std::string_view name)
{
    std::uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= file_attribute::directory;
    else
        attributes |= file_attribute::archive;
    if (!S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR))
        attributes |= file_attribute::read_only;
    if (name.size() > 1 && name.front() == '.' && name != "..")
        attributes |= file_attribute::hidden;
    return attributes;
}

std::string_view last_part(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// --- sharing ----------------------------------------------------------------
//
// Each handle announces what it does and what it denies by read locks on
// bytes far beyond any data: open, reads, writes, denies reading, denies
// writing. A new handle announces itself first and then looks for the locks
// of other handles that rule it out, so of two handles that open at the same
// moment neither can miss the other (both may fail; neither is wrongly let
// in). The locks belong to the open file, not the process, so they hold
// between two slots of one program as between two programs.

enum Marker : off_t { Opened, Reads, Writes, DeniesRead, DeniesWrite };
constexpr off_t marker_base = static_cast<off_t>(0x7FFFFFFF) << 32;

bool held_elsewhere(int fd, Marker marker)
{
#ifdef F_OFD_GETLK
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = marker_base + marker;
    lock.l_len = 1;
    if (::fcntl(fd, F_OFD_GETLK, &lock) != 0)
        return false;
    return lock.l_type != F_UNLCK;
#else
    (void)fd, (void)marker;
    return false;
#endif
}

void announce(int fd, Marker marker)
{
#ifdef F_OFD_SETLK
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = marker_base + marker;
    lock.l_len = 1;
    ::fcntl(fd, F_OFD_SETLK, &lock);
#else
    (void)fd, (void)marker;
#endif
}

// False when another handle's sharing rules this one out, or this one's
// rules out another handle.
bool take_part_in_sharing(int fd, FileAccess access, FileSharing sharing, bool can_announce)
{
    bool reads = access != FileAccess::Write;
    bool writes = access != FileAccess::Read;
    bool denies_read = sharing == FileSharing::DenyAll || sharing == FileSharing::DenyRead;
    bool denies_write = sharing == FileSharing::DenyAll || sharing == FileSharing::DenyWrite;
    if (can_announce) {
        announce(fd, Opened);
        if (reads)
            announce(fd, Reads);
        if (writes)
            announce(fd, Writes);
        if (denies_read)
            announce(fd, DeniesRead);
        if (denies_write)
            announce(fd, DeniesWrite);
    }
    if (reads && held_elsewhere(fd, DeniesRead))
        return false;
    if (writes && held_elsewhere(fd, DeniesWrite))
        return false;
    if (denies_read && held_elsewhere(fd, Reads))
        return false;
    if (denies_write && held_elsewhere(fd, Writes))
        return false;
    return true;
}

// Whether any handle has the file open; deleting or renaming it then fails.
bool open_elsewhere(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return false;
    bool held = held_elsewhere(fd, Opened);
    ::close(fd);
    return held;
}

// --- open files -------------------------------------------------------------

class ConsoleFileHandle final : public HostFileHandle {
public:
    ConsoleFileHandle(int fd, FileAccess access, FileId id) : m_fd(fd), m_access(access), m_id(id) {}
    ~ConsoleFileHandle() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    Transfer read(void* buffer, std::size_t size) override
    {
        Transfer done;
        if (m_access == FileAccess::Write)
            return {0, fs_code::access_denied};
        auto* bytes = static_cast<char*>(buffer);
        while (done.bytes < size) {
            ssize_t n = ::read(m_fd, bytes + done.bytes, size - done.bytes);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                done.code = windows_code(errno);
                break;
            }
            if (n == 0)
                break;
            done.bytes += static_cast<std::size_t>(n);
        }
        return done;
    }

    Transfer write(const void* buffer, std::size_t size) override
    {
        Transfer done;
        if (m_access == FileAccess::Read)
            return {0, fs_code::access_denied};
        const auto* bytes = static_cast<const char*>(buffer);
        while (done.bytes < size) {
            ssize_t n = ::write(m_fd, bytes + done.bytes, size - done.bytes);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                done.code = n < 0 ? windows_code(errno) : windows_code(EIO);
                break;
            }
            done.bytes += static_cast<std::size_t>(n);
        }
        return done;
    }

    FsCode seek(std::int64_t offset) override
    {
        if (offset < 0)
            return fs_code::negative_seek;
        if (::lseek(m_fd, static_cast<off_t>(offset), SEEK_SET) < 0)
            return windows_code(errno);
        return fs_code::ok;
    }

    FsResult<std::uint64_t> position() override
    {
        off_t at = ::lseek(m_fd, 0, SEEK_CUR);
        if (at < 0)
            return {0, windows_code(errno)};
        return {static_cast<std::uint64_t>(at), fs_code::ok};
    }

    FsResult<std::uint64_t> size() override
    {
        struct stat st;
        if (::fstat(m_fd, &st) != 0)
            return {0, windows_code(errno)};
        return {static_cast<std::uint64_t>(st.st_size), fs_code::ok};
    }

    FsCode set_end() override
    {
        if (m_access == FileAccess::Read)
            return fs_code::access_denied;
        off_t at = ::lseek(m_fd, 0, SEEK_CUR);
        if (at < 0 || ::ftruncate(m_fd, at) != 0)
            return windows_code(errno);
        return fs_code::ok;
    }

    FileId id() const override { return m_id; }

    FsCode close() override
    {
        if (m_fd < 0)
            return fs_code::ok;
        int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0)
            return windows_code(errno);
        return fs_code::ok;
    }

private:
    int m_fd;
    FileAccess m_access;
    FileId m_id;
};

FileId id_of(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

// The current directory as a program sees it, in Windows-1252.
std::optional<std::string> current_directory()
{
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer))
        return std::nullopt;
    return utf8_to_ansi(buffer);
}

// Sorting puts "." and ".." first, then the names as a Windows file system
// sorts them: case ignored.
bool listed_before(const DirectoryEntry& a, const DirectoryEntry& b)
{
    auto rank = [](const ShortString& name) { return name.view() == "." ? 0 : name.view() == ".." ? 1 : 2; };
    int ra = rank(a.name), rb = rank(b.name);
    if (ra != rb)
        return ra < rb;
    std::string ua = upper(a.name.view()), ub = upper(b.name.view());
    if (ua != ub)
        return ua < ub;
    return a.name.view() < b.name.view();
}

} // namespace

std::string resolve_native_path(std::string_view ansi_name)
{
    ResolvedName resolved = resolve_name(ansi_name);
    return resolved.parent + resolved.last;
}

bool wildcard_matches(std::string_view mask, std::string_view name)
{
    // A mask that ends in "." asks for names without an extension.
    if (!mask.empty() && mask.back() == '.' && !all_dots(mask)) {
        if (name.find('.') != std::string_view::npos)
            return false;
        mask.remove_suffix(1);
    }
    std::size_t m = mask.size(), n = name.size();
    // A "." followed only by wildcards matches a "." or the end of the name.
    std::vector<bool> dot_or_end(m, false);
    for (std::size_t i = 0; i < m; ++i)
        if (mask[i] == '.' && i + 1 < m && mask.find_first_not_of("*?", i + 1) == std::string_view::npos)
            dot_or_end[i] = true;
    // matches[i][j]: mask[i..] matches name[j..].
    std::vector<std::vector<bool>> matches(m + 1, std::vector<bool>(n + 1, false));
    matches[m][n] = true;
    for (std::size_t i = m; i-- > 0;) {
        for (std::size_t j = n + 1; j-- > 0;) {
            bool at_end = j == n;
            char c = mask[i];
            bool ok = false;
            if (c == '*') {
                ok = matches[i + 1][j] || (!at_end && matches[i][j + 1]);
            } else if (c == '?') {
                ok = (!at_end && name[j] != '.' && matches[i + 1][j + 1]) || ((at_end || name[j] == '.') && matches[i + 1][j]);
            } else if (dot_or_end[i]) {
                ok = (!at_end && name[j] == '.' && matches[i + 1][j + 1]) || (at_end && matches[i + 1][j]);
            } else {
                ok = !at_end && upper(c) == upper(name[j]) && matches[i + 1][j + 1];
            }
            matches[i][j] = ok;
        }
    }
    return matches[0][0];
}

OpenResult ConsoleFiles::open(std::string_view name, FileAccess access, FileSharing sharing, FileCreation creation)
{
    if (!is_windows_name(name))
        return {nullptr, invalid_name};
    std::string path = resolve_native_path(name);
    int flags = O_CLOEXEC | O_NOCTTY;
    // A handle that only writes still reads its own file descriptor when it
    // may: the read locks that announce its sharing need that.
    flags |= access == FileAccess::Read ? O_RDONLY : O_RDWR;
    if (creation != FileCreation::OpenExisting)
        flags |= O_CREAT;
    if (creation == FileCreation::CreateNew)
        flags |= O_EXCL;
    bool can_announce = true;
    int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0 && errno == EACCES && access == FileAccess::Write) {
        fd = ::open(path.c_str(), (flags & ~O_RDWR) | O_WRONLY, 0666);
        can_announce = false;
    }
    if (fd < 0)
        return {nullptr, code_for(errno, path)};
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        FsCode code = windows_code(errno);
        ::close(fd);
        return {nullptr, code};
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return {nullptr, fs_code::access_denied};
    }
    if (!take_part_in_sharing(fd, access, sharing, can_announce)) {
        ::close(fd);
        return {nullptr, fs_code::sharing_violation};
    }
    // Emptied only now, once no other handle's sharing forbids it.
    if (creation == FileCreation::CreateAlways && S_ISREG(st.st_mode) && st.st_size > 0 && ::ftruncate(fd, 0) != 0) {
        FsCode code = windows_code(errno);
        ::close(fd);
        return {nullptr, code};
    }
    return {std::make_unique<ConsoleFileHandle>(fd, access, id_of(st)), fs_code::ok};
}

FsCode ConsoleFiles::remove(std::string_view name)
{
    if (!is_windows_name(name))
        return invalid_name;
    std::string path = resolve_native_path(name);
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return code_for(errno, path);
    if (S_ISDIR(st.st_mode))
        return fs_code::access_denied;
    if (open_elsewhere(path))
        return fs_code::sharing_violation;
    if (::unlink(path.c_str()) != 0)
        return code_for(errno, path);
    return fs_code::ok;
}

FsCode ConsoleFiles::rename(std::string_view from, std::string_view to)
{
    if (!is_windows_name(from) || !is_windows_name(to))
        return invalid_name;
    std::string source = resolve_native_path(from);
    struct stat source_stat;
    if (::lstat(source.c_str(), &source_stat) != 0)
        return code_for(errno, source);
    ResolvedName target = resolve_name(to);
    std::string target_path = target.parent + target.last;
    if (target.last_found) {
        struct stat target_stat;
        // Another spelling of the same file: only its case changes.
        if (::lstat(target_path.c_str(), &target_stat) == 0 && id_of(target_stat) == id_of(source_stat))
            target_path = target.parent + target.last_written;
        else
            return fs_code::already_exists;
    }
    if (!S_ISDIR(source_stat.st_mode) && open_elsewhere(source))
        return fs_code::sharing_violation;
    if (source == target_path)
        return fs_code::ok;
    if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target_path.c_str(), RENAME_NOREPLACE) == 0)
        return fs_code::ok;
    // File systems without the no-replace form: the check above stands in.
    if ((errno == EINVAL || errno == ENOSYS) && !exists(target_path) && ::rename(source.c_str(), target_path.c_str()) == 0)
        return fs_code::ok;
    return code_for(errno, target_path);
}

// The three directory commands share their checks: a name Windows would
// refuse, a path that cannot be resolved.
FsCode ConsoleFiles::on_directory(std::string_view name, FsCode (*operation)(const std::string& path))
{
    if (!is_windows_name(name))
        return invalid_name;
    std::string path = resolve_native_path(name);
    if (path.empty())
        return fs_code::path_not_found;
    return operation(path);
}

FsCode ConsoleFiles::change_directory(std::string_view name)
{
    return on_directory(name, [](const std::string& path) {
        if (::chdir(path.c_str()) != 0)
            return errno == ENOENT ? fs_code::path_not_found : windows_code(errno);
        return fs_code::ok;
    });
}

FsCode ConsoleFiles::make_directory(std::string_view name)
{
    return on_directory(name, [](const std::string& path) {
        if (::mkdir(path.c_str(), 0777) != 0)
            return errno == ENOENT ? fs_code::path_not_found : windows_code(errno);
        return fs_code::ok;
    });
}

FsCode ConsoleFiles::remove_directory(std::string_view name)
{
    return on_directory(name, [](const std::string& path) {
        if (::rmdir(path.c_str()) != 0)
            return code_for(errno, path);
        return fs_code::ok;
    });
}

FsResult<FileInfo> ConsoleFiles::info(std::string_view name)
{
    if (!is_windows_name(name))
        return {{}, invalid_name};
    std::string path = resolve_native_path(name);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return {{}, path.empty() ? fs_code::file_not_found : code_for(errno, path)};
    FileInfo info;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.attributes = attributes_of(st, last_part(path));
    std::tm parts{};
    time_t modified = st.st_mtime;
    localtime_r(&modified, &parts);
    info.modified = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday};
    info.id = id_of(st);
    return {info, fs_code::ok};
}

FsCode ConsoleFiles::set_attributes(std::string_view name, std::uint32_t attributes)
{
    if (!is_windows_name(name))
        return invalid_name;
    std::string path = resolve_native_path(name);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return path.empty() ? fs_code::file_not_found : code_for(errno, path);
    // Only read-only has a POSIX counterpart (the write permissions);
    // hidden follows from a leading dot, archive and system are not kept.
    if (S_ISDIR(st.st_mode))
        return fs_code::ok;
    mode_t mode = st.st_mode & 07777;
    if (attributes & file_attribute::read_only)
        mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
    else if (!(mode & S_IWUSR))
        mode |= S_IWUSR;
    if (mode != (st.st_mode & 07777) && ::chmod(path.c_str(), mode) != 0)
        return windows_code(errno);
    return fs_code::ok;
}

FsResult<std::vector<DirectoryEntry>> ConsoleFiles::list(std::string_view pattern)
{
    std::size_t cut = pattern.find_last_of("\\/");
    if (cut == std::string_view::npos && is_drive(pattern))
        cut = 1;
    std::string_view directory = cut == std::string_view::npos ? std::string_view() : pattern.substr(0, cut + 1);
    std::string_view mask = cut == std::string_view::npos ? pattern : pattern.substr(cut + 1);
    std::string dir = directory.empty() ? std::string(".") : resolve_native_path(directory);
    if (dir.empty())
        dir = ".";
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return {{}, errno == ENOENT ? fs_code::path_not_found : windows_code(errno)};
    // The root of a drive lists neither "." nor "..".
    char real[PATH_MAX];
    bool root = ::realpath(dir.c_str(), real) && std::string_view(real) == "/";
    std::vector<DirectoryEntry> entries;
    while (dirent* e = ::readdir(d)) {
        std::string_view native = e->d_name;
        if (root && (native == "." || native == ".."))
            continue;
        std::string ansi = utf8_to_ansi(native);
        // A name the program could not spell (a character outside
        // Windows-1252 reads as "?") is not listed.
        if (ansi.size() > ShortString::capacity || has_forbidden_characters(ansi) || !wildcard_matches(mask, ansi))
            continue;
        std::string path = join(dir, std::string(native));
        struct stat link_stat, st;
        if (::lstat(path.c_str(), &link_stat) != 0)
            continue; // gone since the directory was read
        bool link = S_ISLNK(link_stat.st_mode);
        if (!link)
            st = link_stat;
        else if (::stat(path.c_str(), &st) != 0)
            continue; // a link that leads nowhere names no file
        DirectoryEntry entry;
        entry.name = ShortString(ansi);
        entry.attributes = attributes_of(st, ansi);
        entry.redirected = link;
        entries.push_back(entry);
    }
    ::closedir(d);
    std::sort(entries.begin(), entries.end(), listed_before);
    return {std::move(entries), fs_code::ok};
}

std::optional<DiskSpace> ConsoleFiles::disk_space(char)
{
    // One tree without drives: every drive is the file system of the
    // current directory.
    struct statvfs fs;
    if (::statvfs(".", &fs) != 0)
        return std::nullopt;
    DiskSpace space;
    space.free = static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize;
    space.total = static_cast<std::uint64_t>(fs.f_blocks) * fs.f_frsize;
    return space;
}

std::optional<ShortString> ConsoleFiles::full_path(std::string_view name)
{
    if (name.empty())
        return std::nullopt;
    SplitName split = split_name(name);
    std::vector<std::string> parts;
    if (!split.absolute) {
        auto cwd = current_directory();
        if (!cwd)
            return std::nullopt;
        SplitName base = split_name(*cwd);
        parts = base.parts;
    }
    for (const auto& part : split.parts) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string path;
    for (const auto& part : parts)
        path += "/" + part;
    if (path.empty() || (split.trailing_separator && !split.parts.empty()))
        path += "/";
    if (path.size() > ShortString::capacity)
        return std::nullopt;
    return ShortString(path);
}

std::optional<ShortString> ConsoleFiles::short_path(std::string_view name)
{
    // POSIX file systems keep no short names: an existing file's short
    // form is the name itself.
    std::string path = resolve_native_path(name);
    if (!is_windows_name(name) || path.empty() || !exists(path))
        return std::nullopt;
    return ShortString(name);
}

} // namespace talven
