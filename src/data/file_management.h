// The file commands that take names rather than slots: copying, loading a
// text into a memory area, directory searches and listings into the
// element list, disk space. Each returns what happened; the caller reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/short_string.h"
#include "data/file_state.h"
#include "host/host_files.h"

namespace talven {

enum class CopyOutcome {
    Copied,
    SourceNotReadable,
    TargetNotCreatable, // also when the target is the source under another name
    ReadFailed,
    WriteFailed,
    WriteShort,         // the system took fewer bytes than it was given
};

// Copies byte for byte. The source is opened with the file-open mode; the
// target is created. Both files are closed before this returns, whatever
// the outcome.
CopyOutcome copy_file(HostFileSystem& fs, std::string_view source, std::string_view target, std::uint8_t mode);

enum class LoadOutcome { Loaded, NotReadable, ReadFailed, DoesNotFit };

// Loads the lines of a text file, each followed by CR LF, into the bytes
// of an area of the given size (size + 1 bytes are there), and ends the
// text with a zero byte. A line is taken only when the text so far and the
// line stay below size - 3 characters; the first that doesn't ends the
// loading with DoesNotFit. Lines are taken whole, however long.
LoadOutcome load_text(HostFileSystem& fs, std::string_view name, std::uint8_t* area, std::int32_t size);

// The text a directory search gives for an entry: a directory's name in
// square brackets.
ShortString entry_text(const DirectoryEntry& entry);

// The part of a name up to and including its last "\" or "/" (or its drive).
std::string_view directory_part(std::string_view name);

// @FINDFIRST$ starts the shared search, @FINDNEXT$ goes on with it. An
// entry that has disappeared since the search began is passed over.
// Nothing when no (more) entry is there.
std::optional<ShortString> find_first(DirectorySearch& search, HostFileSystem& fs, std::string_view pattern);
std::optional<ShortString> find_next(DirectorySearch& search, HostFileSystem& fs);

// ADDFILES: appends each entry matching the pattern, by name, directories
// in square brackets. ListFull when an entry found the list full.
enum class AddOutcome { Added, ListFull };
AddOutcome add_entries(HostFileSystem& fs, std::vector<ShortString>& list, std::size_t capacity,
                       std::string_view pattern);

// ADDFILES with "*": the full path of every matching file in the current
// directory and, depth first, in its subdirectories (at most 511 a
// directory). Links are not followed, a directory that cannot be read is
// passed over, and the current directory is never changed. Names that
// find the list full are dropped.
constexpr std::size_t subdirectory_limit = 511;
void add_entries_recursively(HostFileSystem& fs, std::vector<ShortString>& list, std::size_t capacity,
                             std::string_view pattern);

// @FILELENGTH: the size of the named file, opened with the file-open mode;
// nothing when it can't be opened.
std::optional<std::uint64_t> file_length(HostFileSystem& fs, std::string_view name, std::uint8_t mode);

// @DISKFREE and @DISKSIZE: the first character names the drive, an empty
// text the current one. -1 when the drive can't be asked (or the character
// is no drive letter); figures above 2147483647 read as 2147483647.
enum class DiskFigure { Free, Total };
std::int32_t disk_figure(HostFileSystem& fs, std::string_view drive, DiskFigure which);

// The directory argument of CHDIR, MKDIR and RMDIR: a trailing backslash
// goes when the text is longer than 3 characters, so "C:\" keeps it.
std::string_view directory_argument(std::string_view text);

// The modification date as @FILEDATE$ gives it: year, month and day as
// eight digits.
ShortString date_digits(const FileDate& date);

} // namespace talven
