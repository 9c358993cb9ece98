// The console host's file system: Windows names on a POSIX tree, the error
// codes programs see, the sharing modes between handles and processes,
// and directory listings.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "host/console/console_files.h"
#include "temp_directory.h"

namespace talven {
namespace {

using testing::TempDirectory;

class ConsoleFilesTest : public TempDirectory {
protected:
    ConsoleFiles fs;
};

TEST_F(ConsoleFilesTest, ProgramNamesFindExistingFilesInAnyCase)
{
    std::filesystem::create_directory("Daten");
    write_file("Daten/Kunden.dbf", "k");
    write_file("prog.tvc", "p");
    write_file("Brief", "b");
    write_file("\xC3\xA4pfel.txt", "a"); // "äpfel.txt" in UTF-8
    const std::pair<std::string, std::string> cases[] = {
        {"DATEN\\KUNDEN.DBF", "Daten/Kunden.dbf"},
        {"daten/kunden.dbf", "Daten/Kunden.dbf"},
        {"C:daten\\kunden.dbf", "Daten/Kunden.dbf"},
        {"DATEN\\Neu.txt", "Daten/Neu.txt"},      // new files keep the name as written
        {"NEU\\X.TXT", "NEU/X.TXT"},
        {"BRIEF.", "Brief"},                      // trailing dots and blanks are no part of a name
        {"brief .", "Brief"},
        {"PROG.TVC", "prog.tvc"},
        {".\\PROG.TVC", "./prog.tvc"},
        {"Daten\\..\\PROG.TVC", "Daten/../prog.tvc"},
        {"\xC4PFEL.TXT", "\xC3\xA4pfel.txt"},     // "ÄPFEL.TXT" in Windows-1252
        {"", ""},
        {"C:", "."},
        {"C:\\", "/"},
        {"SUB\\", "SUB/"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(resolve_native_path(name), expected) << name;
}

TEST_F(ConsoleFilesTest, ExactSpellingWinsOverOtherCases)
{
    write_file("a.txt", "lower");
    write_file("A.TXT", "upper");
    EXPECT_EQ(resolve_native_path("a.txt"), "a.txt");
    EXPECT_EQ(resolve_native_path("A.TXT"), "A.TXT");
    EXPECT_EQ(resolve_native_path("A.txt"), "A.TXT"); // of several, the first in byte order
}

TEST(WildcardMatches, DirectorySearchMasks)
{
    struct Case {
        const char* mask;
        const char* name;
        bool matches;
    };
    const Case cases[] = {
        {"*.*", "README", true},       {"*.*", "a.b.c", true},        {"*.*", ".", true},
        {"*", "..", true},             {"*.TXT", "brief.txt", true},  {"*.TXT", "brief.txt.bak", false},
        {"*.txt", "BRIEF.TXT", true},  {"*.TXT", ".", false},         {"A?.TXT", "A.TXT", true},
        {"A?.TXT", "AB.TXT", true},    {"A?.TXT", "ABC.TXT", false},  {"A?C", "A.C", false},
        {"FOO.*", "FOO", true},        {"FOO.*", "FOO.BAR", true},    {"FOO.*", "FOOBAR", false},
        {"*.", "README", true},        {"*.", "A.TXT", false},        {"K*N.DBF", "kunden.dbf", true},
        {"\xE4*", "\xC4pfel", true},   {"", "a", false},              {"FOO", "FOO", true},
        {"FOO", "FOOD", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wildcard_matches(c.mask, c.name), c.matches) << c.mask << " / " << c.name;
}

TEST(WindowsCodes, ErrnoValuesMapToTheCodesProgramsKnow)
{
    const std::pair<int, FsCode> cases[] = {
        {ENOENT, 2},   {ENOTDIR, 3},    {EACCES, 5},  {EPERM, 5},   {EISDIR, 5},
        {EBUSY, 32},   {ENOSPC, 112},   {ENOTEMPTY, 145}, {EEXIST, 183}, {ENAMETOOLONG, 206},
        {EOWNERDEAD, 31},
    };
    for (const auto& [error, code] : cases)
        EXPECT_EQ(windows_code(error), code) << error;
}

TEST_F(ConsoleFilesTest, FailuresGiveTheirCodes)
{
    std::filesystem::create_directory("full");
    write_file("full/x", "x");
    write_file("a.txt", "a");
    write_file("b.txt", "b");
    auto open_code = [&](const char* name, FileCreation how) {
        return fs.open(name, FileAccess::ReadWrite, FileSharing::DenyNone, how).code;
    };
    EXPECT_EQ(open_code("missing.txt", FileCreation::OpenExisting), fs_code::file_not_found);
    EXPECT_EQ(open_code("nodir\\missing.txt", FileCreation::OpenExisting), fs_code::path_not_found);
    EXPECT_EQ(open_code("nodir\\new.txt", FileCreation::CreateAlways), fs_code::path_not_found);
    EXPECT_EQ(open_code("full", FileCreation::OpenExisting), fs_code::access_denied);
    EXPECT_EQ(open_code(std::string(200, '\xE4').c_str(), FileCreation::CreateAlways), 206u);
    for (const char* name : {"a?b.txt", "a*b", "x<y", "x>y", "a|b", "a\"b", "C:x:y", "tab\t"})
        EXPECT_EQ(open_code(name, FileCreation::CreateAlways), 123u) << name;
    EXPECT_EQ(fs.rename("a.txt", "b?.txt"), 123u);
    EXPECT_EQ(fs.make_directory("neu*"), 123u);
    EXPECT_EQ(fs.remove_directory("FULL"), 145u);
    EXPECT_EQ(fs.make_directory("Full"), fs_code::already_exists);
    EXPECT_EQ(fs.change_directory("nodir"), fs_code::path_not_found);
    EXPECT_EQ(fs.remove("missing.txt"), fs_code::file_not_found);
    EXPECT_EQ(fs.remove("full"), fs_code::access_denied);
    EXPECT_EQ(fs.rename("A.TXT", "b.txt"), fs_code::already_exists);
    EXPECT_EQ(read_file("b.txt"), "b");
    EXPECT_EQ(fs.info("missing.txt").code, fs_code::file_not_found);
}

TEST_F(ConsoleFilesTest, RenameChangesOnlyTheCaseOfTheSameFile)
{
    write_file("kunden.dbf", "k");
    EXPECT_EQ(fs.rename("KUNDEN.DBF", "Kunden.DBF"), fs_code::ok);
    EXPECT_TRUE(exists("Kunden.DBF"));
    EXPECT_FALSE(exists("kunden.dbf"));
}

TEST_F(ConsoleFilesTest, OpenFilesCanBeNeitherDeletedNorRenamed)
{
    write_file("open.txt", "data");
    auto held = fs.open("open.txt", FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
    ASSERT_TRUE(held.file);
    EXPECT_EQ(fs.remove("OPEN.TXT"), fs_code::sharing_violation);
    EXPECT_EQ(fs.rename("open.txt", "other.txt"), fs_code::sharing_violation);
    held.file->close();
    EXPECT_EQ(fs.rename("open.txt", "other.txt"), fs_code::ok);
    EXPECT_EQ(fs.remove("other.txt"), fs_code::ok);
}

struct Opening {
    FileAccess access;
    FileSharing sharing;
};

TEST_F(ConsoleFilesTest, SharingBetweenTwoHandlesFollowsTheSharingModes)
{
    using A = FileAccess;
    using S = FileSharing;
    struct Case {
        Opening first, second;
        bool second_opens;
    };
    const Case cases[] = {
        {{A::ReadWrite, S::DenyNone}, {A::ReadWrite, S::DenyNone}, true},
        {{A::Read, S::DenyWrite}, {A::Read, S::DenyNone}, true},
        {{A::Read, S::DenyWrite}, {A::Write, S::DenyNone}, false},
        {{A::Read, S::DenyWrite}, {A::ReadWrite, S::DenyNone}, false},
        {{A::ReadWrite, S::DenyNone}, {A::Read, S::DenyWrite}, false}, // the first one writes
        {{A::Read, S::DenyNone}, {A::Read, S::DenyWrite}, true},
        {{A::Write, S::DenyRead}, {A::Read, S::DenyNone}, false},
        {{A::Write, S::DenyRead}, {A::Write, S::DenyNone}, true},
        {{A::Read, S::DenyNone}, {A::Write, S::DenyRead}, false},      // the first one reads
        {{A::Read, S::DenyAll}, {A::Read, S::DenyNone}, false},
        {{A::ReadWrite, S::DenyNone}, {A::Read, S::DenyAll}, false},
    };
    write_file("shared.dat", "1234");
    for (const auto& c : cases) {
        auto first = fs.open("shared.dat", c.first.access, c.first.sharing, FileCreation::OpenExisting);
        ASSERT_TRUE(first.file);
        auto second = fs.open("SHARED.DAT", c.second.access, c.second.sharing, FileCreation::OpenExisting);
        EXPECT_EQ(second.file != nullptr, c.second_opens) << &c - cases;
        EXPECT_EQ(second.code, c.second_opens ? fs_code::ok : fs_code::sharing_violation) << &c - cases;
        first.file->close();
        second = fs.open("SHARED.DAT", c.second.access, c.second.sharing, FileCreation::OpenExisting);
        EXPECT_TRUE(second.file) << "after the first closed: " << &c - cases;
    }
}

TEST_F(ConsoleFilesTest, AFileThatMayNotBeWrittenIsNotEmptiedByACreation)
{
    write_file("keep.dat", "precious");
    auto held = fs.open("keep.dat", FileAccess::Read, FileSharing::DenyWrite, FileCreation::OpenExisting);
    ASSERT_TRUE(held.file);
    auto again = fs.open("keep.dat", FileAccess::ReadWrite, FileSharing::DenyNone, FileCreation::CreateAlways);
    EXPECT_EQ(again.code, fs_code::sharing_violation);
    EXPECT_EQ(read_file("keep.dat"), "precious");
}

TEST_F(ConsoleFilesTest, SharingHoldsBetweenTwoProcesses)
{
    write_file("shared.dat", "1234");
    int to_child[2], to_parent[2];
    ASSERT_EQ(pipe(to_child), 0);
    ASSERT_EQ(pipe(to_parent), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ConsoleFiles own;
        auto held = own.open("SHARED.DAT", FileAccess::ReadWrite, FileSharing::DenyAll, FileCreation::OpenExisting);
        char answer = held.file ? 'y' : 'n';
        char go;
        if (write(to_parent[1], &answer, 1) != 1 || read(to_child[0], &go, 1) != 1)
            _exit(2);
        _exit(0); // the system closes the file, and with it its locks
    }
    char answer = 'n';
    ASSERT_EQ(read(to_parent[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    EXPECT_EQ(fs.open("shared.dat", FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting).code,
              fs_code::sharing_violation);
    EXPECT_EQ(fs.open("shared.dat", FileAccess::Write, FileSharing::DenyNone, FileCreation::CreateAlways).code,
              fs_code::sharing_violation);
    EXPECT_EQ(fs.remove("shared.dat"), fs_code::sharing_violation);
    EXPECT_EQ(read_file("shared.dat"), "1234");
    ASSERT_EQ(write(to_child[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs.open("shared.dat", FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting).file);
    for (int fd : {to_child[0], to_child[1], to_parent[0], to_parent[1]})
        close(fd);
}

TEST_F(ConsoleFilesTest, HandlesReadWriteSeekAndRefuseWhatTheirAccessForbids)
{
    auto file = fs.open("data.bin", FileAccess::ReadWrite, FileSharing::DenyNone, FileCreation::CreateAlways).file;
    ASSERT_TRUE(file);
    EXPECT_EQ(file->write("abcdef", 6).bytes, 6u);
    EXPECT_EQ(file->seek(-1), fs_code::negative_seek);
    EXPECT_EQ(file->seek(10), fs_code::ok);
    EXPECT_EQ(file->write("z", 1).bytes, 1u);
    EXPECT_EQ(file->size().value, 11u);
    EXPECT_EQ(file->seek(2), fs_code::ok);
    char buffer[16] = {};
    EXPECT_EQ(file->read(buffer, sizeof buffer).bytes, 9u);
    EXPECT_EQ(std::string(buffer, 4), std::string("cdef"));
    EXPECT_EQ(file->position().value, 11u);
    file->close();
    auto reader = fs.open("data.bin", FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting).file;
    EXPECT_EQ(reader->write("x", 1).code, fs_code::access_denied);
    auto writer = fs.open("data.bin", FileAccess::Write, FileSharing::DenyNone, FileCreation::OpenExisting).file;
    EXPECT_EQ(writer->read(buffer, 1).code, fs_code::access_denied);
}

TEST_F(ConsoleFilesTest, ListingsAreSortedAndCarryAttributes)
{
    std::filesystem::create_directory("liste");
    std::filesystem::create_directory("liste/Sub");
    write_file("liste/b.TXT", "b");
    write_file("liste/A.txt", "a");
    write_file("liste/.verborgen", "h");
    write_file("liste/nur.lesen", "r");
    chmod("liste/nur.lesen", 0444);
    symlink("Sub", "liste/verweis");
    symlink("nirgends", "liste/tot");
    write_file("liste/a:b", "x");
    write_file("liste/\xE4\xB8\xAD.txt", "x"); // a name outside Windows-1252
    auto listed = fs.list("LISTE\\*.*");
    ASSERT_TRUE(listed.ok());
    std::vector<std::pair<std::string, std::uint32_t>> seen;
    for (const auto& entry : listed.value)
        seen.emplace_back(std::string(entry.name.view()), entry.attributes);
    const std::vector<std::pair<std::string, std::uint32_t>> expected = {
        {".", 0x10},       {"..", 0x10},      {".verborgen", 0x22}, {"A.txt", 0x20},
        {"b.TXT", 0x20},   {"nur.lesen", 0x21}, {"Sub", 0x10},      {"verweis", 0x10},
    };
    EXPECT_EQ(seen, expected);
    EXPECT_TRUE(listed.value.back().redirected);
    auto texts = fs.list("liste\\*.txt");
    ASSERT_EQ(texts.value.size(), 2u);
    EXPECT_EQ(fs.list("missing\\*.*").code, fs_code::path_not_found);
}

TEST_F(ConsoleFilesTest, AttributesReadOnlyIsTheWritePermission)
{
    write_file("f.txt", "x");
    EXPECT_EQ(fs.info("F.TXT").value.attributes, file_attribute::archive);
    EXPECT_EQ(fs.set_attributes("f.txt", file_attribute::read_only | file_attribute::hidden), fs_code::ok);
    EXPECT_EQ(fs.info("f.txt").value.attributes, file_attribute::archive | file_attribute::read_only);
    EXPECT_EQ(fs.set_attributes("f.txt", 0), fs_code::ok);
    EXPECT_EQ(fs.info("f.txt").value.attributes, file_attribute::archive);
}

TEST_F(ConsoleFilesTest, FullPathsAreWorkedOutFromTheNameAlone)
{
    std::string cwd = std::filesystem::current_path().string();
    EXPECT_EQ(fs.full_path("a\\..\\b.txt")->view(), cwd + "/b.txt");
    EXPECT_EQ(fs.full_path("C:\\x\\.\\y")->view(), "/x/y");
    EXPECT_EQ(fs.full_path("sub\\")->view(), cwd + "/sub/");
    EXPECT_FALSE(fs.full_path(""));
    EXPECT_FALSE(fs.full_path(std::string(250, 'x')));
    write_file("kurz.txt", "k");
    EXPECT_EQ(fs.short_path("KURZ.TXT")->view(), "KURZ.TXT");
    EXPECT_FALSE(fs.short_path("fehlt.txt"));
    auto space = fs.disk_space('\0');
    ASSERT_TRUE(space);
    EXPECT_GE(space->total, space->free);
}

} // namespace
} // namespace talven
