// The file slots on the console host's file system: line reading, the codes
// of channels in the wrong state, the binary channel and the file-open
// mode, and the I/O result.
#include <gtest/gtest.h>

#include "data/numbered_files.h"
#include "host/console/console_files.h"
#include "host/faulty_files.h"
#include "temp_directory.h"

namespace talven {
namespace {

using testing::TempDirectory;

class NumberedFilesTest : public TempDirectory {
protected:
    ConsoleFiles fs;
    FileSlot slot;
};

TEST_F(NumberedFilesTest, LinesEndAtLineFeedsAndAreCutAtTheLimit)
{
    struct Case {
        std::string contents;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\r\n", {""}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb", {"a", "b"}},
        {"a\rb\r\n", {"a\rb"}},        // a value with character 13 inside reads back whole
        {"x\r", {"x"}},                 // the end of the file ends the line too
        {std::string(300, 'x') + "\r\ny", {std::string(255, 'x'), "y"}},
        {std::string(255, 'x') + "\r\n", {std::string(255, 'x')}},
        {std::string(5000, 'x') + "\nz\n", {std::string(255, 'x'), "z"}},
    };
    for (const auto& c : cases) {
        write_file("t.txt", c.contents);
        assign_file(slot, "T.TXT");
        ASSERT_EQ(open_text(slot, fs, TextOpen::Reset), fs_code::ok);
        std::vector<std::string> lines;
        while (!text_at_end(slot).at_end && lines.size() < 10)
            lines.push_back(read_text_line(slot, 255).text);
        EXPECT_EQ(lines, c.lines) << c.contents.substr(0, 20);
        // Reading on at the end gives empty lines and no error.
        TextLine after = read_text_line(slot, 255);
        EXPECT_EQ(after.text, "");
        EXPECT_EQ(after.code, fs_code::ok);
        EXPECT_EQ(close_text(slot), fs_code::ok);
    }
}

TEST_F(NumberedFilesTest, ChannelsInTheWrongStateGiveTheirCodes)
{
    FileSlot fresh;
    EXPECT_EQ(open_text(fresh, fs, TextOpen::Reset), file_code::not_open);
    EXPECT_EQ(close_text(fresh), file_code::not_open);
    EXPECT_EQ(open_binary(fresh, fs, 2), file_code::not_open);
    EXPECT_EQ(get_byte(fresh).code, file_code::not_open);

    assign_file(slot, "w.txt");
    EXPECT_EQ(close_text(slot), file_code::not_open);
    EXPECT_EQ(write_text(slot, "x"), file_code::not_open);
    EXPECT_EQ(text_at_end(slot).code, file_code::not_open);
    EXPECT_TRUE(text_at_end(slot).at_end);
    EXPECT_EQ(close_binary(slot), file_code::not_open);
    EXPECT_EQ(put_byte(slot, 1), file_code::not_open);
    EXPECT_EQ(seek_binary(slot, 0), file_code::not_open);
    EXPECT_EQ(binary_size(slot).code, file_code::not_open);

    ASSERT_EQ(open_text(slot, fs, TextOpen::Rewrite), fs_code::ok);
    EXPECT_EQ(read_text_line(slot, 255).code, file_code::not_open_for_input);
    ASSERT_EQ(open_text(slot, fs, TextOpen::Reset), fs_code::ok);
    EXPECT_EQ(write_text(slot, "x"), file_code::not_open_for_output);
    EXPECT_EQ(open_text(slot, fs, TextOpen::Append), fs_code::ok);
    assign_file(slot, "missing.txt");
    EXPECT_EQ(open_text(slot, fs, TextOpen::Append), fs_code::file_not_found);
    EXPECT_EQ(open_text(slot, fs, TextOpen::Reset), fs_code::file_not_found);
}

TEST_F(NumberedFilesTest, TextIsOnDiskAfterEveryWrite)
{
    assign_file(slot, "log.txt");
    ASSERT_EQ(open_text(slot, fs, TextOpen::Rewrite), fs_code::ok);
    ASSERT_EQ(write_text(slot, "eins\r\n"), fs_code::ok);
    EXPECT_EQ(read_file("log.txt"), "eins\r\n");
    ASSERT_EQ(open_text(slot, fs, TextOpen::Append), fs_code::ok);
    ASSERT_EQ(write_text(slot, "zwei"), fs_code::ok);
    EXPECT_EQ(read_file("log.txt"), "eins\r\nzwei");
    ASSERT_EQ(open_text(slot, fs, TextOpen::Rewrite), fs_code::ok);
    EXPECT_EQ(read_file("log.txt"), "");
}

TEST_F(NumberedFilesTest, RenameMovesTheSlotNameButNotTheBinaryChannelsName)
{
    write_file("alt.txt", "a");
    write_file("da.txt", "d");
    assign_file(slot, "alt.txt");
    EXPECT_EQ(rename_file(slot, fs, "da.txt"), fs_code::already_exists);
    EXPECT_EQ(slot.name.view(), "alt.txt");
    EXPECT_EQ(rename_file(slot, fs, "neu.txt"), fs_code::ok);
    EXPECT_EQ(slot.name.view(), "neu.txt");
    EXPECT_EQ(slot.binary_name.view(), "alt.txt");
    // The binary channel creates the old name again.
    EXPECT_EQ(open_binary(slot, fs, 2), fs_code::ok);
    EXPECT_TRUE(exists("alt.txt"));
    EXPECT_EQ(erase_file(slot, fs), fs_code::ok);
    EXPECT_FALSE(exists("neu.txt"));
}

TEST_F(NumberedFilesTest, BinaryChannelReadsAndWritesBytes)
{
    assign_file(slot, "b.bin");
    ASSERT_EQ(open_binary(slot, fs, 2), fs_code::ok);
    EXPECT_EQ(binary_size(slot).value, 0u);
    EXPECT_EQ(put_byte(slot, 44), fs_code::ok);
    const std::uint8_t block[] = {1, 2, 3};
    EXPECT_EQ(write_block(slot, block, 3), fs_code::ok);
    EXPECT_EQ(binary_position(slot).value, 4u);
    EXPECT_EQ(seek_binary(slot, 1), fs_code::ok);
    EXPECT_EQ(get_byte(slot).value, 1);
    std::uint8_t into[8];
    std::fill(std::begin(into), std::end(into), 0xEE);
    Transfer got = read_block(slot, into, 8);
    EXPECT_EQ(got.bytes, 2u);
    EXPECT_EQ(got.code, fs_code::ok);
    EXPECT_EQ(into[1], 3);
    EXPECT_EQ(into[2], 0xEE);
    auto end = get_byte(slot);
    EXPECT_EQ(end.value, 0);
    EXPECT_EQ(end.code, file_code::read_short);
    EXPECT_EQ(seek_binary(slot, -1), fs_code::negative_seek);
    EXPECT_EQ(close_binary(slot), fs_code::ok);
    EXPECT_EQ(read_file("b.bin"), std::string("\x2c\x01\x02\x03", 4));
}

TEST_F(NumberedFilesTest, OpenBinaryCreatesOnlyAFileThatIsMissing)
{
    write_file("held.dat", "0123456789");
    FileSlot other;
    assign_file(other, "held.dat");
    ASSERT_EQ(open_binary(other, fs, 0x02), fs_code::ok);
    assign_file(slot, "HELD.DAT");
    EXPECT_EQ(open_binary(slot, fs, 0x12), fs_code::sharing_violation);
    EXPECT_EQ(read_file("held.dat"), "0123456789");
    close_binary(other);

    FaultyFiles denying(fs, "open:1:EACCES");
    EXPECT_EQ(open_binary(slot, denying, 0x02), fs_code::access_denied);
    EXPECT_EQ(read_file("held.dat"), "0123456789");

    assign_file(slot, "nodir\\x.dat");
    EXPECT_EQ(open_binary(slot, fs, 0x02), fs_code::path_not_found);
}

TEST(FileMode, AccessAndSharingBits)
{
    struct Case {
        std::uint8_t mode;
        FileAccess access;
        FileSharing sharing;
    };
    const Case cases[] = {
        {0x00, FileAccess::Read, FileSharing::DenyNone},      {0x01, FileAccess::Write, FileSharing::DenyNone},
        {0x02, FileAccess::ReadWrite, FileSharing::DenyNone}, {0x03, FileAccess::ReadWrite, FileSharing::DenyNone},
        {0x10, FileAccess::Read, FileSharing::DenyAll},       {0x22, FileAccess::ReadWrite, FileSharing::DenyWrite},
        {0x31, FileAccess::Write, FileSharing::DenyRead},     {0x42, FileAccess::ReadWrite, FileSharing::DenyNone},
        {0x72, FileAccess::ReadWrite, FileSharing::DenyNone}, {0x92, FileAccess::ReadWrite, FileSharing::DenyAll},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(access_of_mode(c.mode), c.access) << int(c.mode);
        EXPECT_EQ(sharing_of_mode(c.mode), c.sharing) << int(c.mode);
    }
}

TEST(IoResult, OrsThePendingCodeWithTheSearchStatusAndClearsBoth)
{
    FileState files;
    files.note(2);
    files.note(fs_code::ok); // a success leaves the code pending
    files.search_status = file_code::search_ended;
    EXPECT_EQ(take_io_result(files), 2 | 18);
    EXPECT_EQ(take_io_result(files), 0);
}

} // namespace
} // namespace talven
