// Copying, loading text into areas, directory searches, the recursive
// listing and disk figures, on the console host's file system (through a
// wrapper where a failure must be made to happen).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "data/file_management.h"
#include "host/console/console_files.h"
#include "host/faulty_files.h"
#include "temp_directory.h"

namespace talven {
namespace {

using testing::TempDirectory;

// The console file system with knobs: writes that take only half of what
// they are given, and a disk of a chosen size.
class TestFiles : public HostFileSystem {
public:
    explicit TestFiles(std::string_view faults = "") : m_inner(m_files, faults) {}
    bool short_writes = false;
    std::optional<DiskSpace> space;
    std::string drives_asked;

    OpenResult open(std::string_view name, FileAccess access, FileSharing sharing, FileCreation creation) override
    {
        OpenResult opened = m_inner.open(name, access, sharing, creation);
        if (opened.file && short_writes)
            opened.file = std::make_unique<HalfWriter>(std::move(opened.file));
        return opened;
    }
    FsCode remove(std::string_view name) override { return m_inner.remove(name); }
    FsCode rename(std::string_view from, std::string_view to) override { return m_inner.rename(from, to); }
    FsCode change_directory(std::string_view name) override { return m_inner.change_directory(name); }
    FsCode make_directory(std::string_view name) override { return m_inner.make_directory(name); }
    FsCode remove_directory(std::string_view name) override { return m_inner.remove_directory(name); }
    FsResult<FileInfo> info(std::string_view name) override { return m_inner.info(name); }
    FsCode set_attributes(std::string_view name, std::uint32_t a) override { return m_inner.set_attributes(name, a); }
    FsResult<std::vector<DirectoryEntry>> list(std::string_view pattern) override { return m_inner.list(pattern); }
    std::optional<DiskSpace> disk_space(char drive) override
    {
        drives_asked.push_back(drive ? drive : '0');
        return space;
    }
    std::optional<ShortString> full_path(std::string_view name) override { return m_inner.full_path(name); }
    std::optional<ShortString> short_path(std::string_view name) override { return m_inner.short_path(name); }

private:
    class HalfWriter : public HostFileHandle {
    public:
        explicit HalfWriter(std::unique_ptr<HostFileHandle> file) : m_file(std::move(file)) {}
        Transfer read(void* b, std::size_t n) override { return m_file->read(b, n); }
        Transfer write(const void* b, std::size_t n) override { return m_file->write(b, n / 2); }
        FsCode seek(std::int64_t o) override { return m_file->seek(o); }
        FsResult<std::uint64_t> position() override { return m_file->position(); }
        FsResult<std::uint64_t> size() override { return m_file->size(); }
        FileId id() const override { return m_file->id(); }
        FsCode close() override { return m_file->close(); }

    private:
        std::unique_ptr<HostFileHandle> m_file;
    };
    ConsoleFiles m_files;
    FaultyFiles m_inner;
};

class FileManagementTest : public TempDirectory {
protected:
    TestFiles fs;
};

TEST_F(FileManagementTest, CopyOutcomes)
{
    write_file("A.TXT", "Inhalt");
    write_file("leer", "");
    std::filesystem::create_directory("ordner");
    struct Case {
        const char* source;
        const char* target;
        std::uint8_t mode;
        CopyOutcome outcome;
    };
    const Case cases[] = {
        {"a.txt", "kopie.txt", 2, CopyOutcome::Copied},
        {"LEER", "leer2", 2, CopyOutcome::Copied},
        {"fehlt.txt", "x.txt", 2, CopyOutcome::SourceNotReadable},
        {"A.TXT", ".\\a.txt", 2, CopyOutcome::TargetNotCreatable},  // the same file: it would be emptied
        {"A.TXT", "ORDNER\\..\\A.TXT", 2, CopyOutcome::TargetNotCreatable},
        {"A.TXT", "ordner", 2, CopyOutcome::TargetNotCreatable},
        {"A.TXT", "nodir\\x.txt", 2, CopyOutcome::TargetNotCreatable},
        {"A.TXT", "y.txt", 1, CopyOutcome::ReadFailed},              // FILEMODE 1 opens the source write-only
        {"A.TXT", "/dev/full", 2, CopyOutcome::WriteFailed},
    };
    for (const auto& c : cases)
        EXPECT_EQ(copy_file(fs, c.source, c.target, c.mode), c.outcome) << c.source << " > " << c.target;
    EXPECT_EQ(read_file("A.TXT"), "Inhalt");
    EXPECT_EQ(read_file("kopie.txt"), "Inhalt");
    EXPECT_TRUE(exists("leer2"));
    EXPECT_EQ(read_file("leer2"), "");
    // Every outcome closed both files: the source can go.
    EXPECT_EQ(fs.remove("A.TXT"), fs_code::ok);
}

TEST_F(FileManagementTest, ShortWriteIsReportedAndClosesBothFiles)
{
    write_file("quelle", std::string(1000, 'q'));
    fs.short_writes = true;
    EXPECT_EQ(copy_file(fs, "quelle", "ziel", 2), CopyOutcome::WriteShort);
    EXPECT_EQ(fs.remove("quelle"), fs_code::ok);
    EXPECT_EQ(fs.remove("ziel"), fs_code::ok);
}

TEST_F(FileManagementTest, LoadTextFillsTheAreaLineByLine)
{
    struct Case {
        std::string contents;
        std::int32_t size;
        LoadOutcome outcome;
        std::string text; // up to and including the zero byte
    };
    const std::string long_line(300, 'L');
    const Case cases[] = {
        {"ab\r\ncd\r\n", 20, LoadOutcome::Loaded, std::string("ab\r\ncd\r\n\0", 9)},
        {"ab\ncd", 20, LoadOutcome::Loaded, std::string("ab\r\ncd\r\n\0", 9)},
        {long_line + "\r\n", 1000, LoadOutcome::Loaded, long_line + std::string("\r\n\0", 3)},
        {"12345\r\n12345\r\n", 12, LoadOutcome::DoesNotFit, std::string("12345\r\n\0", 8)},
        {"123456\r\n", 10, LoadOutcome::Loaded, std::string("123456\r\n\0", 9)},
        {"1234567\r\n", 10, LoadOutcome::DoesNotFit, std::string("\0", 1)},
        {long_line, 200, LoadOutcome::DoesNotFit, std::string("\0", 1)},
        {"", 0, LoadOutcome::Loaded, std::string("\0", 1)},
        {"\r\n", 2, LoadOutcome::DoesNotFit, std::string("\0", 1)},
    };
    for (const auto& c : cases) {
        write_file("t.txt", c.contents);
        std::vector<std::uint8_t> area(static_cast<std::size_t>(c.size) + 1, 0xEE);
        EXPECT_EQ(load_text(fs, "T.TXT", area.data(), c.size), c.outcome) << c.contents.substr(0, 12);
        std::string text(area.begin(), area.begin() + static_cast<std::ptrdiff_t>(c.text.size()));
        EXPECT_EQ(text, c.text) << c.contents.substr(0, 12);
        for (std::size_t i = c.text.size(); i < area.size(); ++i)
            ASSERT_EQ(area[i], 0xEE) << "byte " << i << " of " << c.contents.substr(0, 12);
    }
    std::uint8_t byte = 0xEE;
    EXPECT_EQ(load_text(fs, "fehlt.txt", &byte, 0), LoadOutcome::NotReadable);
    EXPECT_EQ(byte, 0xEE);
}

TEST_F(FileManagementTest, SearchPassesOverEntriesThatVanished)
{
    std::filesystem::create_directory("s");
    std::filesystem::create_directory("s/Unter");
    for (const char* name : {"s/a.txt", "s/b.txt", "s/c.txt"})
        write_file(name, "x");
    DirectorySearch search;
    EXPECT_EQ(find_first(search, fs, "S\\*.*")->view(), "[.]");
    EXPECT_EQ(find_next(search, fs)->view(), "[..]");
    EXPECT_EQ(find_next(search, fs)->view(), "a.txt");
    std::filesystem::remove("s/b.txt");
    EXPECT_EQ(find_next(search, fs)->view(), "c.txt");
    EXPECT_EQ(find_next(search, fs)->view(), "[Unter]");
    EXPECT_FALSE(find_next(search, fs));
    EXPECT_FALSE(find_next(search, fs));
    EXPECT_FALSE(find_first(search, fs, "s\\*.xyz"));
    EXPECT_FALSE(find_first(search, fs, "fehlt\\*.*"));
    EXPECT_FALSE(find_next(search, fs));
}

TEST_F(FileManagementTest, ListingStopsAtAFullList)
{
    for (const char* name : {"a.txt", "b.txt", "c.txt"})
        write_file(name, "x");
    std::vector<ShortString> list;
    EXPECT_EQ(add_entries(fs, list, 10, "*.TXT"), AddOutcome::Added);
    EXPECT_EQ(list.size(), 3u);
    list.clear();
    EXPECT_EQ(add_entries(fs, list, 2, "*.txt"), AddOutcome::ListFull);
    EXPECT_EQ(list.size(), 2u);
}

class RecursiveListingTest : public FileManagementTest {
protected:
    void SetUp() override
    {
        FileManagementTest::SetUp();
        for (const char* dir : {"sub1", "sub1/deep", "sub2"})
            std::filesystem::create_directory(dir);
        for (const char* name : {"a.txt", "b.dat", "sub1/c.txt", "sub1/deep/d.TXT", "sub2/e.txt"})
            write_file(name, "x");
        symlink(".", "loop");       // a walk that followed it would never end
        symlink("sub1", "zlink");
        cwd = std::filesystem::current_path().string();
    }
    std::vector<std::string> listed(TestFiles& files, std::size_t capacity = 100)
    {
        std::vector<ShortString> list;
        add_entries_recursively(files, list, capacity, "*.TXT");
        std::vector<std::string> names;
        for (const auto& entry : list)
            names.emplace_back(entry.view());
        return names;
    }
    std::string cwd;
};

TEST_F(RecursiveListingTest, FullPathsDepthFirstWithoutFollowingLinks)
{
    std::vector<std::string> expected = {cwd + "/a.txt", cwd + "/sub1/c.txt", cwd + "/sub1/deep/d.TXT",
                                         cwd + "/sub2/e.txt"};
    EXPECT_EQ(listed(fs), expected);
    EXPECT_EQ(std::filesystem::current_path().string(), cwd);
    expected.resize(2);
    EXPECT_EQ(listed(fs, 2), expected);
}

TEST_F(RecursiveListingTest, UnreadableDirectoriesArePassedOver)
{
    // The third and fourth listings are those of sub1 (its files, then its
    // subdirectories).
    TestFiles failing("list:3:EACCES,list:4:EACCES");
    EXPECT_EQ(listed(failing), (std::vector<std::string>{cwd + "/a.txt", cwd + "/sub2/e.txt"}));
    EXPECT_EQ(std::filesystem::current_path().string(), cwd);
}

TEST_F(FileManagementTest, DiskFiguresSaturateAndNameDrives)
{
    struct Case {
        const char* drive;
        std::optional<DiskSpace> space;
        std::int32_t free;
        const char* asked;
    };
    const Case cases[] = {
        {"", DiskSpace{1000, 5000}, 1000, "0"},
        {"c", DiskSpace{1000, 5000}, 1000, "C"},
        {"D:\\", DiskSpace{5'000'000'000, 9'000'000'000}, 2147483647, "D"},
        {"1", DiskSpace{1000, 5000}, -1, ""},
        {"@", DiskSpace{1000, 5000}, -1, ""},
        {"C", std::nullopt, -1, "C"},
    };
    for (const auto& c : cases) {
        fs.space = c.space;
        fs.drives_asked.clear();
        EXPECT_EQ(disk_figure(fs, c.drive, DiskFigure::Free), c.free) << c.drive;
        EXPECT_EQ(fs.drives_asked, c.asked) << c.drive;
    }
    fs.space = DiskSpace{1, 3'000'000'000};
    EXPECT_EQ(disk_figure(fs, "", DiskFigure::Total), 2147483647);
}

TEST(FileManagementText, DirectoryArgumentsPartsAndDates)
{
    const std::pair<const char*, const char*> directories[] = {
        {"C:\\", "C:\\"}, {"C:\\DATEN\\", "C:\\DATEN"}, {"AB\\", "AB\\"}, {"ABC\\", "ABC"}, {"", ""},
    };
    for (const auto& [text, expected] : directories)
        EXPECT_EQ(directory_argument(text), expected) << text;
    const std::pair<const char*, const char*> parts[] = {
        {"*.*", ""}, {"SUB\\*.TXT", "SUB\\"}, {"a/b/c", "a/b/"}, {"C:*.TXT", "C:"}, {"C:\\*.*", "C:\\"},
    };
    for (const auto& [name, expected] : parts)
        EXPECT_EQ(directory_part(name), expected) << name;
    EXPECT_EQ(date_digits({2024, 2, 29}).view(), "20240229");
    EXPECT_EQ(date_digits({1999, 12, 1}).view(), "19991201");
    EXPECT_EQ(entry_text({ShortString("SUB"), file_attribute::directory, false}).view(), "[SUB]");
    EXPECT_EQ(entry_text({ShortString("a.txt"), file_attribute::archive, false}).view(), "a.txt");
}

} // namespace
} // namespace talven
