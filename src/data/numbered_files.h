// The operations on the numbered file slots. Each returns the code of its
// failure (0 on success) and leaves the decision to report it, or keep it
// pending, to the caller.
#pragma once

#include <cstdint>
#include <string_view>

#include "data/file_state.h"

namespace talven {

// Codes of the runtime's own on top of the system's.
namespace file_code {
constexpr FsCode read_short = 100;           // a read that was to fill a fixed count ended early
constexpr FsCode write_short = 101;          // a write wrote fewer bytes than asked
// A slot that was never given a name has no channel open either: programs
// test for 103 in both cases.
constexpr FsCode not_open = 103;
constexpr FsCode not_open_for_input = 104;
constexpr FsCode not_open_for_output = 105;
constexpr std::uint32_t search_ended = 18;   // no (more) directory entry
} // namespace file_code

// The access and sharing of a file-open mode: bits 0..1 the access, bits
// 4..6 the sharing with other handles.
FileAccess access_of_mode(std::uint8_t mode);
FileSharing sharing_of_mode(std::uint8_t mode);

// The I/O result programs read: the pending code or-ed with the search
// status. Reading clears both.
std::int32_t take_io_result(FileState& files);

// Binds both channels to the name; channels still open are closed first.
void assign_file(FileSlot& slot, std::string_view name);

enum class TextOpen { Reset, Rewrite, Append };
FsCode open_text(FileSlot& slot, HostFileSystem& fs, TextOpen how);
FsCode close_text(FileSlot& slot);
FsCode write_text(FileSlot& slot, std::string_view bytes);
TextLine read_text_line(FileSlot& slot, std::size_t limit);
EndTest text_at_end(FileSlot& slot);

// Deletes or renames the file the text channel names; a rename replaces
// the slot name when it succeeds.
FsCode erase_file(FileSlot& slot, HostFileSystem& fs);
FsCode rename_file(FileSlot& slot, HostFileSystem& fs, std::string_view new_name);

// Opens the existing file with the mode's access and sharing; only a file
// that does not exist is created instead, so that a file that merely could
// not be opened (shared, denied) is never emptied.
FsCode open_binary(FileSlot& slot, HostFileSystem& fs, std::uint8_t mode);
FsCode close_binary(FileSlot& slot);
FsCode put_byte(FileSlot& slot, std::uint8_t byte);
// The next byte; 0 with code 100 at the end of the file.
FsResult<std::uint8_t> get_byte(FileSlot& slot);
FsCode seek_binary(FileSlot& slot, std::int64_t position);
FsResult<std::uint64_t> binary_position(FileSlot& slot);
FsResult<std::uint64_t> binary_size(FileSlot& slot);
FsCode write_block(FileSlot& slot, const std::uint8_t* bytes, std::size_t count);
Transfer read_block(FileSlot& slot, std::uint8_t* bytes, std::size_t count);

} // namespace talven
