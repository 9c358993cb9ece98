// The fault plan over a real file system: which call of a kind fails, with
// which code, and what a failed call still does.
#include <gtest/gtest.h>

#include "data/temp_directory.h"
#include "host/console/console_files.h"
#include "host/faulty_files.h"

namespace talven {
namespace {

using testing::TempDirectory;

class FaultyFilesTest : public TempDirectory {
protected:
    ConsoleFiles real;

    OpenResult open(HostFileSystem& fs, FileAccess access)
    {
        return fs.open("f.txt", access, FileSharing::DenyNone, FileCreation::OpenOrCreate);
    }
};

TEST_F(FaultyFilesTest, TheNamedCallOfAKindFailsAndUnreadableItemsAreLeftOut)
{
    FaultyFiles fs(real, "open:2:EACCES,bogus:1:EIO,open:x:ENOENT,open:3,open:4:EWHAT,list:1:EIO,"
                         "directory:2:ENOTEMPTY,remove:1:EBUSY,rename:1:EEXIST");
    EXPECT_TRUE(open(fs, FileAccess::ReadWrite).file);
    EXPECT_EQ(open(fs, FileAccess::ReadWrite).code, fs_code::access_denied);
    EXPECT_TRUE(open(fs, FileAccess::ReadWrite).file);
    EXPECT_TRUE(open(fs, FileAccess::ReadWrite).file);
    EXPECT_EQ(fs.list("*.*").code, 1117u);
    EXPECT_TRUE(fs.list("*.*").ok());
    // The three directory commands count together.
    EXPECT_EQ(fs.make_directory("d"), fs_code::ok);
    EXPECT_EQ(fs.remove_directory("d"), 145u);
    EXPECT_EQ(fs.remove_directory("d"), fs_code::ok);
    EXPECT_EQ(fs.remove("f.txt"), fs_code::sharing_violation);
    EXPECT_EQ(fs.rename("f.txt", "g.txt"), fs_code::already_exists);
    EXPECT_EQ(fs.rename("f.txt", "g.txt"), fs_code::ok);
    EXPECT_TRUE(exists("g.txt"));
}

TEST_F(FaultyFilesTest, HandlesCountTogetherAndOnlyCallsTheirAccessAllows)
{
    FaultyFiles fs(real, "write:1:ENOSPC,write:3:EFBIG,read:1:EIO");
    auto writer = open(fs, FileAccess::Write);
    auto reader = open(fs, FileAccess::Read);
    ASSERT_TRUE(writer.file && reader.file);
    // Refused for the access, and not counted.
    EXPECT_EQ(reader.file->write("x", 1).code, fs_code::access_denied);
    char byte = 0;
    EXPECT_EQ(writer.file->read(&byte, 1).code, fs_code::access_denied);

    EXPECT_EQ(writer.file->write("x", 1).code, 112u);
    EXPECT_EQ(writer.file->write("x", 1).bytes, 1u);
    EXPECT_EQ(writer.file->set_end(), 223u);
    EXPECT_EQ(reader.file->read(&byte, 1).code, 1117u);
    EXPECT_EQ(reader.file->read(&byte, 1).bytes, 1u);
    EXPECT_EQ(byte, 'x');
}

TEST_F(FaultyFilesTest, AFailedCloseStillClosesTheFile)
{
    FaultyFiles fs(real, "close:1:EIO,close:2:EROFS");
    auto first = open(fs, FileAccess::ReadWrite);
    ASSERT_TRUE(first.file);
    EXPECT_EQ(first.file->close(), 1117u);
    // Closing it again is no call: the second close is the next handle's.
    EXPECT_EQ(first.file->close(), fs_code::ok);
    EXPECT_EQ(fs.remove("f.txt"), fs_code::ok);
    auto second = open(fs, FileAccess::ReadWrite);
    ASSERT_TRUE(second.file);
    EXPECT_EQ(second.file->close(), 19u);
}

} // namespace
} // namespace talven
