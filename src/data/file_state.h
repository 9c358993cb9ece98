// The numbered files as program state: fifteen slots, each with a text and
// a binary channel on its name, the file-open mode, the shared directory
// search, and the I/O error code left pending for %IORESULT.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/short_string.h"
#include "host/host_files.h"

namespace talven {

constexpr int file_slot_count = 15;

struct TextLine {
    std::string text;
    FsCode code = fs_code::ok;
};

struct EndTest {
    bool at_end = true;
    FsCode code = fs_code::ok;
};

// Reads lines through a buffer of its own. A line ends at a line feed or at
// the end of the file; a carriage return that ends a line is not part of
// it, one anywhere else is (so that a value written with a character 13
// inside reads back whole).
class LineReader {
public:
    // At most limit characters of the next line; the rest of it is skipped.
    TextLine read_line(HostFileHandle& file, std::size_t limit);
    EndTest at_end(HostFileHandle& file);
    void reset() { m_next = m_end = 0; }

private:
    FsCode fill(HostFileHandle& file);

    std::vector<char> m_buffer;
    std::size_t m_next = 0;
    std::size_t m_end = 0;
};

enum class TextDirection { Closed, Input, Output };

struct TextChannel {
    std::unique_ptr<HostFileHandle> file;
    TextDirection direction = TextDirection::Closed;
    LineReader reader;
};

struct FileSlot {
    bool assigned = false;
    // The slot name: the one ASSIGN gave, replaced by RENAME. The text
    // channel and the attribute and date functions use it.
    ShortString name;
    // The binary channel keeps the name ASSIGN bound it to, also after a
    // RENAME through the text channel.
    ShortString binary_name;
    TextChannel text;
    std::unique_ptr<HostFileHandle> binary;
};

// The one search record of @FINDFIRST$, @FINDNEXT$ and ADDFILES.
struct DirectorySearch {
    std::vector<DirectoryEntry> entries;
    std::size_t next = 0;
    // The directory part of the pattern, so that an entry can be checked
    // to exist still when @FINDNEXT$ reaches it.
    ShortString directory;
};

struct FileState {
    // Slot 0 exists but is never reachable: file numbers are 1..15.
    std::array<FileSlot, file_slot_count + 1> slots;
    // The code of the most recent failing file operation; a later success
    // leaves it as it is.
    FsCode pending = fs_code::ok;
    // 18 after a directory search found no (more) entry, 0 after a hit.
    std::uint32_t search_status = 0;
    // FILEMODE: the access and sharing of existing files opened for bytes.
    std::uint8_t mode = 2;
    DirectorySearch search;

    void note(FsCode code)
    {
        if (code != fs_code::ok)
            pending = code;
    }
};

} // namespace talven
