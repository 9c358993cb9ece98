// Copying, loading text into areas, directory searches and listings, disk
// space: the file commands that work on names instead of slots.
#include "data/file_management.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/numbered_files.h"
#include "values/conversions.h"

namespace talven {

namespace {

constexpr std::size_t copy_buffer_size = 32768;

bool is_drive(std::string_view name)
{
    char c = upper_ansi(name.empty() ? '\0' : name[0]);
    return name.size() >= 2 && name[1] == ':' && c >= 'A' && c <= 'Z';
}

bool is_absolute(std::string_view name)
{
    return is_drive(name) || (!name.empty() && (name.front() == '\\' || name.front() == '/'));
}

// A name seen from the directory prefix (program form, ending in "\").
std::string inside(const std::string& prefix, std::string_view name)
{
    if (is_absolute(name))
        return std::string(name);
    return prefix + std::string(name);
}

bool is_dot_entry(const DirectoryEntry& entry) { return entry.name.view() == "." || entry.name.view() == ".."; }

void walk(HostFileSystem& fs, std::vector<ShortString>& list, std::size_t capacity, std::string_view pattern,
          const std::string& prefix)
{
    if (list.size() >= capacity)
        return;
    std::string here = inside(prefix, pattern);
    if (here.size() > ShortString::capacity)
        return;
    auto found = fs.list(here);
    if (found.ok()) {
        std::string directory = inside(prefix, directory_part(pattern));
        for (const auto& entry : found.value) {
            if (entry.attributes & file_attribute::directory)
                continue;
            if (list.size() >= capacity)
                return;
            std::string name = directory + std::string(entry.name.view());
            // A path that does not fit in a name could not be used anyway.
            if (name.size() > ShortString::capacity)
                continue;
            if (auto full = fs.full_path(name))
                list.push_back(*full);
        }
    }
    auto subdirectories = fs.list(prefix + "*.*");
    if (!subdirectories.ok())
        return;
    std::size_t taken = 0;
    for (const auto& entry : subdirectories.value) {
        if (!(entry.attributes & file_attribute::directory) || is_dot_entry(entry) || entry.redirected)
            continue;
        if (++taken > subdirectory_limit)
            break;
        std::string next = prefix + std::string(entry.name.view()) + "\\";
        if (next.size() < ShortString::capacity)
            walk(fs, list, capacity, pattern, next);
    }
}

} // namespace

CopyOutcome copy_file(HostFileSystem& fs, std::string_view source, std::string_view target, std::uint8_t mode)
{
    OpenResult in = fs.open(source, access_of_mode(mode), sharing_of_mode(mode), FileCreation::OpenExisting);
    if (!in.file)
        return CopyOutcome::SourceNotReadable;
    // Creating the target would empty the source if both are one file.
    auto existing = fs.info(target);
    if (existing.ok() && existing.value.id == in.file->id()) {
        in.file->close();
        return CopyOutcome::TargetNotCreatable;
    }
    OpenResult out = fs.open(target, FileAccess::ReadWrite, FileSharing::DenyNone, FileCreation::CreateAlways);
    if (!out.file) {
        in.file->close();
        return CopyOutcome::TargetNotCreatable;
    }
    std::vector<char> buffer(copy_buffer_size);
    CopyOutcome outcome = CopyOutcome::Copied;
    for (;;) {
        Transfer got = in.file->read(buffer.data(), buffer.size());
        if (got.code != fs_code::ok) {
            outcome = CopyOutcome::ReadFailed;
            break;
        }
        if (got.bytes == 0)
            break;
        Transfer put = out.file->write(buffer.data(), got.bytes);
        if (put.code != fs_code::ok) {
            outcome = CopyOutcome::WriteFailed;
            break;
        }
        if (put.bytes < got.bytes) {
            outcome = CopyOutcome::WriteShort;
            break;
        }
    }
    in.file->close();
    // A write the system delays can fail only now.
    if (out.file->close() != fs_code::ok && outcome == CopyOutcome::Copied)
        outcome = CopyOutcome::WriteFailed;
    return outcome;
}

LoadOutcome load_text(HostFileSystem& fs, std::string_view name, std::uint8_t* area, std::int32_t size)
{
    OpenResult in = fs.open(name, FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
    if (!in.file)
        return LoadOutcome::NotReadable;
    LineReader reader;
    const std::int64_t capacity = static_cast<std::int64_t>(size) - 3;
    std::int64_t length = 0;
    LoadOutcome outcome = LoadOutcome::Loaded;
    for (;;) {
        EndTest end = reader.at_end(*in.file);
        if (end.code != fs_code::ok) {
            outcome = LoadOutcome::ReadFailed;
            break;
        }
        if (end.at_end)
            break;
        // A line as long as the room left can no longer fit, so reading
        // further into it would only cost memory.
        std::size_t limit = capacity > 0 ? static_cast<std::size_t>(capacity) : 0;
        TextLine line = reader.read_line(*in.file, limit);
        if (line.code != fs_code::ok) {
            outcome = LoadOutcome::ReadFailed;
            break;
        }
        auto n = static_cast<std::int64_t>(line.text.size());
        if (length + n >= capacity) {
            outcome = LoadOutcome::DoesNotFit;
            break;
        }
        std::memcpy(area + length, line.text.data(), line.text.size());
        length += n;
        area[length++] = '\r';
        area[length++] = '\n';
    }
    area[length] = 0;
    in.file->close();
    return outcome;
}

ShortString entry_text(const DirectoryEntry& entry)
{
    if (!(entry.attributes & file_attribute::directory))
        return entry.name;
    ShortString text("[");
    text.append(entry.name.view());
    text.append("]");
    return text;
}

std::string_view directory_part(std::string_view name)
{
    std::size_t cut = name.find_last_of("\\/");
    if (cut == std::string_view::npos)
        return is_drive(name) ? name.substr(0, 2) : std::string_view();
    return name.substr(0, cut + 1);
}

std::optional<ShortString> find_first(DirectorySearch& search, HostFileSystem& fs, std::string_view pattern)
{
    search = DirectorySearch{};
    auto found = fs.list(pattern);
    if (!found.ok())
        return std::nullopt;
    search.entries = std::move(found.value);
    search.directory = directory_part(pattern);
    return find_next(search, fs);
}

std::optional<ShortString> find_next(DirectorySearch& search, HostFileSystem& fs)
{
    while (search.next < search.entries.size()) {
        const DirectoryEntry& entry = search.entries[search.next++];
        std::string path(search.directory.view());
        path += entry.name.view();
        if (fs.info(path).ok())
            return entry_text(entry);
    }
    return std::nullopt;
}

AddOutcome add_entries(HostFileSystem& fs, std::vector<ShortString>& list, std::size_t capacity,
                       std::string_view pattern)
{
    auto found = fs.list(pattern);
    if (!found.ok())
        return AddOutcome::Added;
    for (const auto& entry : found.value) {
        if (list.size() >= capacity)
            return AddOutcome::ListFull;
        list.push_back(entry_text(entry));
    }
    return AddOutcome::Added;
}

void add_entries_recursively(HostFileSystem& fs, std::vector<ShortString>& list, std::size_t capacity,
                             std::string_view pattern)
{
    walk(fs, list, capacity, pattern, std::string());
}

std::optional<std::uint64_t> file_length(HostFileSystem& fs, std::string_view name, std::uint8_t mode)
{
    OpenResult in = fs.open(name, access_of_mode(mode), sharing_of_mode(mode), FileCreation::OpenExisting);
    if (!in.file)
        return std::nullopt;
    auto size = in.file->size();
    in.file->close();
    if (!size.ok())
        return std::nullopt;
    return size.value;
}

std::int32_t disk_figure(HostFileSystem& fs, std::string_view drive, DiskFigure which)
{
    char letter = '\0';
    if (!drive.empty()) {
        letter = upper_ansi(drive[0]);
        if (letter < 'A' || letter > 'Z')
            return -1;
    }
    auto space = fs.disk_space(letter);
    if (!space)
        return -1;
    std::uint64_t figure = which == DiskFigure::Free ? space->free : space->total;
    return figure > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(figure);
}

std::string_view directory_argument(std::string_view text)
{
    if (text.size() > 3 && text.back() == '\\')
        text.remove_suffix(1);
    return text;
}

ShortString date_digits(const FileDate& date)
{
    char digits[24];
    std::snprintf(digits, sizeof digits, "%08ld",
                  static_cast<long>(date.year) * 10000 + static_cast<long>(date.month) * 100 + date.day);
    return ShortString(digits);
}

} // namespace talven
