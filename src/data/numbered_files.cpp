// The fifteen file slots: a text channel read and written line by line, and
// a binary channel read and written byte by byte, both on the slot's name.
// Text written is handed to the system at once, so a failure later loses
// nothing that was written before it.
#include "data/numbered_files.h"

namespace talven {

namespace {

constexpr std::size_t read_ahead = 4096;

// The check every channel operation starts with.
FsCode usable(const FileSlot& slot, const HostFileHandle* channel)
{
    if (!slot.assigned)
        return file_code::not_open;
    if (!channel)
        return file_code::not_open;
    return fs_code::ok;
}

void drop_text_channel(FileSlot& slot)
{
    slot.text.file.reset();
    slot.text.direction = TextDirection::Closed;
    slot.text.reader.reset();
}

} // namespace

FsCode LineReader::fill(HostFileHandle& file)
{
    m_buffer.resize(read_ahead);
    Transfer got = file.read(m_buffer.data(), m_buffer.size());
    m_next = 0;
    m_end = got.bytes;
    return got.code;
}

TextLine LineReader::read_line(HostFileHandle& file, std::size_t limit)
{
    TextLine line;
    std::size_t length = 0;
    bool last_was_cr = false;
    for (;;) {
        if (m_next == m_end) {
            // A failed read ends the line with what came before it.
            if (line.code != fs_code::ok)
                break;
            line.code = fill(file);
            if (m_end == 0)
                break;
        }
        char c = m_buffer[m_next++];
        if (c == '\n')
            break;
        last_was_cr = c == '\r';
        if (line.text.size() < limit)
            line.text.push_back(c);
        ++length;
    }
    if (last_was_cr && line.text.size() == length)
        line.text.pop_back();
    return line;
}

EndTest LineReader::at_end(HostFileHandle& file)
{
    if (m_next < m_end)
        return {false, fs_code::ok};
    FsCode code = fill(file);
    return {m_end == 0, code};
}

FileAccess access_of_mode(std::uint8_t mode)
{
    switch (mode & 0x03) {
    case 0: return FileAccess::Read;
    case 1: return FileAccess::Write;
    default: return FileAccess::ReadWrite;
    }
}

FileSharing sharing_of_mode(std::uint8_t mode)
{
    switch (mode & 0x70) {
    case 0x10: return FileSharing::DenyAll;
    case 0x20: return FileSharing::DenyWrite;
    case 0x30: return FileSharing::DenyRead;
    default: return FileSharing::DenyNone; // 0x00 and 0x40, and the values no system defines
    }
}

std::int32_t take_io_result(FileState& files)
{
    auto result = static_cast<std::int32_t>(files.pending | files.search_status);
    files.pending = fs_code::ok;
    files.search_status = 0;
    return result;
}

void assign_file(FileSlot& slot, std::string_view name)
{
    // Written text is on disk already, so closing loses nothing; the old
    // handles would otherwise stay open, out of the program's reach.
    if (slot.text.file)
        slot.text.file->close();
    drop_text_channel(slot);
    if (slot.binary)
        slot.binary->close();
    slot.binary.reset();
    slot.assigned = true;
    slot.name = name;
    slot.binary_name = name;
}

FsCode open_text(FileSlot& slot, HostFileSystem& fs, TextOpen how)
{
    if (!slot.assigned)
        return file_code::not_open;
    // Opening an open channel again closes it first.
    if (slot.text.file)
        slot.text.file->close();
    drop_text_channel(slot);
    OpenResult opened;
    switch (how) {
    case TextOpen::Reset:
        opened = fs.open(slot.name.view(), FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
        break;
    case TextOpen::Rewrite:
        opened = fs.open(slot.name.view(), FileAccess::Write, FileSharing::DenyNone, FileCreation::CreateAlways);
        break;
    case TextOpen::Append:
        opened = fs.open(slot.name.view(), FileAccess::Write, FileSharing::DenyNone, FileCreation::OpenExisting);
        if (opened.file) {
            auto size = opened.file->size();
            FsCode code = size.ok() ? opened.file->seek(static_cast<std::int64_t>(size.value)) : size.code;
            if (code != fs_code::ok)
                return code;
        }
        break;
    }
    if (!opened.file)
        return opened.code;
    slot.text.file = std::move(opened.file);
    slot.text.direction = how == TextOpen::Reset ? TextDirection::Input : TextDirection::Output;
    return fs_code::ok;
}

FsCode close_text(FileSlot& slot)
{
    if (FsCode code = usable(slot, slot.text.file.get()))
        return code;
    FsCode code = slot.text.file->close();
    drop_text_channel(slot);
    return code;
}

FsCode write_text(FileSlot& slot, std::string_view bytes)
{
    if (FsCode code = usable(slot, slot.text.file.get()))
        return code;
    if (slot.text.direction != TextDirection::Output)
        return file_code::not_open_for_output;
    Transfer done = slot.text.file->write(bytes.data(), bytes.size());
    if (done.code != fs_code::ok)
        return done.code;
    return done.bytes < bytes.size() ? file_code::write_short : fs_code::ok;
}

TextLine read_text_line(FileSlot& slot, std::size_t limit)
{
    if (FsCode code = usable(slot, slot.text.file.get()))
        return {{}, code};
    if (slot.text.direction != TextDirection::Input)
        return {{}, file_code::not_open_for_input};
    return slot.text.reader.read_line(*slot.text.file, limit);
}

EndTest text_at_end(FileSlot& slot)
{
    if (FsCode code = usable(slot, slot.text.file.get()))
        return {true, code};
    if (slot.text.direction != TextDirection::Input)
        return {true, file_code::not_open_for_input};
    return slot.text.reader.at_end(*slot.text.file);
}

FsCode erase_file(FileSlot& slot, HostFileSystem& fs)
{
    if (!slot.assigned)
        return file_code::not_open;
    return fs.remove(slot.name.view());
}

FsCode rename_file(FileSlot& slot, HostFileSystem& fs, std::string_view new_name)
{
    if (!slot.assigned)
        return file_code::not_open;
    FsCode code = fs.rename(slot.name.view(), new_name);
    // Only a rename that happened changes the name: the slot must keep
    // naming the file that exists.
    if (code == fs_code::ok)
        slot.name = new_name;
    return code;
}

FsCode open_binary(FileSlot& slot, HostFileSystem& fs, std::uint8_t mode)
{
    if (!slot.assigned)
        return file_code::not_open;
    if (slot.binary)
        slot.binary->close();
    slot.binary.reset();
    OpenResult opened =
        fs.open(slot.binary_name.view(), access_of_mode(mode), sharing_of_mode(mode), FileCreation::OpenExisting);
    // Created files are read and written and share with everyone; a file
    // that appeared meanwhile is opened as it is, never emptied.
    if (!opened.file && opened.code == fs_code::file_not_found)
        opened = fs.open(slot.binary_name.view(), FileAccess::ReadWrite, FileSharing::DenyNone,
                         FileCreation::OpenOrCreate);
    if (!opened.file)
        return opened.code;
    slot.binary = std::move(opened.file);
    return fs_code::ok;
}

FsCode close_binary(FileSlot& slot)
{
    if (FsCode code = usable(slot, slot.binary.get()))
        return code;
    FsCode code = slot.binary->close();
    slot.binary.reset();
    return code;
}

FsCode put_byte(FileSlot& slot, std::uint8_t byte)
{
    return write_block(slot, &byte, 1);
}

FsResult<std::uint8_t> get_byte(FileSlot& slot)
{
    std::uint8_t byte = 0;
    Transfer got = read_block(slot, &byte, 1);
    if (got.code != fs_code::ok)
        return {0, got.code};
    if (got.bytes == 0)
        return {0, file_code::read_short};
    return {byte, fs_code::ok};
}

FsCode seek_binary(FileSlot& slot, std::int64_t position)
{
    if (FsCode code = usable(slot, slot.binary.get()))
        return code;
    return slot.binary->seek(position);
}

FsResult<std::uint64_t> binary_position(FileSlot& slot)
{
    if (FsCode code = usable(slot, slot.binary.get()))
        return {0, code};
    return slot.binary->position();
}

FsResult<std::uint64_t> binary_size(FileSlot& slot)
{
    if (FsCode code = usable(slot, slot.binary.get()))
        return {0, code};
    return slot.binary->size();
}

FsCode write_block(FileSlot& slot, const std::uint8_t* bytes, std::size_t count)
{
    if (FsCode code = usable(slot, slot.binary.get()))
        return code;
    if (count == 0)
        return fs_code::ok;
    Transfer done = slot.binary->write(bytes, count);
    if (done.code != fs_code::ok)
        return done.code;
    return done.bytes < count ? file_code::write_short : fs_code::ok;
}

Transfer read_block(FileSlot& slot, std::uint8_t* bytes, std::size_t count)
{
    if (FsCode code = usable(slot, slot.binary.get()))
        return {0, code};
    if (count == 0)
        return {};
    return slot.binary->read(bytes, count);
}

} // namespace talven
