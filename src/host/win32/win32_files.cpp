// The Win32 file system. Every call reports GetLastError unchanged: the
// system's codes are the ones programs know.
#include "host/win32/win32_files.h"

#include <windows.h>

#include <string>

namespace talven {
namespace {

// A name as a zero-terminated string; names longer than a path can be are
// cut, and the system then reports them as not found.
std::string z(std::string_view name) { return std::string(name.substr(0, MAX_PATH * 2)); }

FsCode last_error()
{
    DWORD code = GetLastError();
    return code == 0 ? fs_code::access_denied : static_cast<FsCode>(code);
}

FileDate local_date(const FILETIME& written)
{
    FILETIME local{};
    SYSTEMTIME st{};
    FileDate date;
    if (FileTimeToLocalFileTime(&written, &local) && FileTimeToSystemTime(&local, &st)) {
        date.year = st.wYear;
        date.month = st.wMonth;
        date.day = st.wDay;
    }
    return date;
}

class Win32File : public HostFileHandle {
public:
    explicit Win32File(HANDLE handle) : m_handle(handle)
    {
        BY_HANDLE_FILE_INFORMATION info{};
        if (GetFileInformationByHandle(m_handle, &info)) {
            m_id.volume = info.dwVolumeSerialNumber;
            m_id.index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        }
    }
    ~Win32File() override
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    Transfer read(void* buffer, std::size_t size) override
    {
        Transfer t;
        auto* p = static_cast<char*>(buffer);
        while (t.bytes < size) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - t.bytes, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(m_handle, p + t.bytes, chunk, &got, nullptr)) {
                t.code = last_error();
                break;
            }
            if (got == 0)
                break;
            t.bytes += got;
        }
        return t;
    }

    Transfer write(const void* buffer, std::size_t size) override
    {
        Transfer t;
        auto* p = static_cast<const char*>(buffer);
        while (t.bytes < size) {
            DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - t.bytes, 1u << 30));
            DWORD put = 0;
            if (!WriteFile(m_handle, p + t.bytes, chunk, &put, nullptr)) {
                t.code = last_error();
                break;
            }
            if (put == 0) {
                t.code = ERROR_DISK_FULL;
                break;
            }
            t.bytes += put;
        }
        return t;
    }

    FsCode seek(std::int64_t offset) override
    {
        if (offset < 0)
            return fs_code::negative_seek;
        LARGE_INTEGER to;
        to.QuadPart = offset;
        return SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) ? fs_code::ok : last_error();
    }

    FsResult<std::uint64_t> position() override
    {
        LARGE_INTEGER zero{}, at{};
        if (!SetFilePointerEx(m_handle, zero, &at, FILE_CURRENT))
            return {0, last_error()};
        return {static_cast<std::uint64_t>(at.QuadPart), fs_code::ok};
    }

    FsResult<std::uint64_t> size() override
    {
        LARGE_INTEGER n{};
        if (!GetFileSizeEx(m_handle, &n))
            return {0, last_error()};
        return {static_cast<std::uint64_t>(n.QuadPart), fs_code::ok};
    }

    // A table shrinks when it is packed: the file ends where it stands.
    FsCode set_end() override { return SetEndOfFile(m_handle) ? fs_code::ok : last_error(); }

    FileId id() const override { return m_id; }

    FsCode close() override
    {
        HANDLE h = m_handle;
        m_handle = INVALID_HANDLE_VALUE;
        return CloseHandle(h) ? fs_code::ok : last_error();
    }

private:
    HANDLE m_handle;
    FileId m_id;
};

} // namespace

OpenResult Win32Files::open(std::string_view name, FileAccess access, FileSharing sharing, FileCreation creation)
{
    DWORD desired = access == FileAccess::Read    ? GENERIC_READ
                    : access == FileAccess::Write ? GENERIC_WRITE
                                                  : GENERIC_READ | GENERIC_WRITE;
    DWORD share = 0;
    switch (sharing) {
    case FileSharing::DenyNone: share = FILE_SHARE_READ | FILE_SHARE_WRITE; break;
    case FileSharing::DenyAll: share = 0; break;
    case FileSharing::DenyWrite: share = FILE_SHARE_READ; break;
    case FileSharing::DenyRead: share = FILE_SHARE_WRITE; break;
    }
    DWORD disposition = creation == FileCreation::OpenExisting   ? OPEN_EXISTING
                        : creation == FileCreation::CreateAlways ? CREATE_ALWAYS
                        : creation == FileCreation::CreateNew    ? CREATE_NEW
                                                                 : OPEN_ALWAYS;
    HANDLE h = CreateFileA(z(name).c_str(), desired, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {nullptr, last_error()};
    return {std::make_unique<Win32File>(h), fs_code::ok};
}

FsCode Win32Files::remove(std::string_view name)
{
    return DeleteFileA(z(name).c_str()) ? fs_code::ok : last_error();
}

FsCode Win32Files::rename(std::string_view from, std::string_view to)
{
    return MoveFileA(z(from).c_str(), z(to).c_str()) ? fs_code::ok : last_error();
}

FsCode Win32Files::change_directory(std::string_view name)
{
    return SetCurrentDirectoryA(z(name).c_str()) ? fs_code::ok : last_error();
}

FsCode Win32Files::make_directory(std::string_view name)
{
    return CreateDirectoryA(z(name).c_str(), nullptr) ? fs_code::ok : last_error();
}

FsCode Win32Files::remove_directory(std::string_view name)
{
    return RemoveDirectoryA(z(name).c_str()) ? fs_code::ok : last_error();
}

FsResult<FileInfo> Win32Files::info(std::string_view name)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(z(name).c_str(), GetFileExInfoStandard, &data))
        return {{}, last_error()};
    FileInfo info;
    info.size = (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    info.attributes = data.dwFileAttributes & 0x3F;
    info.modified = local_date(data.ftLastWriteTime);
    HANDLE h = CreateFileA(z(name).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION by{};
        if (GetFileInformationByHandle(h, &by)) {
            info.id.volume = by.dwVolumeSerialNumber;
            info.id.index = (std::uint64_t{by.nFileIndexHigh} << 32) | by.nFileIndexLow;
        }
        CloseHandle(h);
    }
    return {info, fs_code::ok};
}

FsCode Win32Files::set_attributes(std::string_view name, std::uint32_t attributes)
{
    DWORD a = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                            FILE_ATTRIBUTE_ARCHIVE);
    return SetFileAttributesA(z(name).c_str(), a == 0 ? FILE_ATTRIBUTE_NORMAL : a) ? fs_code::ok : last_error();
}

FsResult<std::vector<DirectoryEntry>> Win32Files::list(std::string_view pattern)
{
    std::vector<DirectoryEntry> entries;
    WIN32_FIND_DATAA found{};
    HANDLE h = FindFirstFileA(z(pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD code = GetLastError();
        // An empty match is a list, not a failure.
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES)
            return {std::move(entries), fs_code::ok};
        return {{}, code == 0 ? fs_code::path_not_found : static_cast<FsCode>(code)};
    }
    do {
        DirectoryEntry e;
        e.name = ShortString(found.cFileName);
        e.attributes = found.dwFileAttributes & 0x3F;
        e.redirected = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        entries.push_back(e);
    } while (FindNextFileA(h, &found));
    FindClose(h);
    return {std::move(entries), fs_code::ok};
}

std::optional<DiskSpace> Win32Files::disk_space(char drive)
{
    char root[4] = {drive, ':', '\\', 0};
    ULARGE_INTEGER free_bytes{}, total{};
    if (!GetDiskFreeSpaceExA(drive == 0 ? nullptr : root, &free_bytes, &total, nullptr))
        return std::nullopt;
    return DiskSpace{free_bytes.QuadPart, total.QuadPart};
}

std::optional<ShortString> Win32Files::full_path(std::string_view name)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetFullPathNameA(z(name).c_str(), sizeof buffer, buffer, nullptr);
    if (n == 0 || n > ShortString::capacity)
        return std::nullopt;
    return ShortString(std::string_view(buffer, n));
}

std::optional<ShortString> Win32Files::short_path(std::string_view name)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetShortPathNameA(z(name).c_str(), buffer, sizeof buffer);
    if (n == 0 || n > ShortString::capacity)
        return std::nullopt;
    return ShortString(std::string_view(buffer, n));
}

} // namespace talven
