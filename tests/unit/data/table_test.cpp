// Tables below the handlers: the block cache, header checks, navigation,
// record writes, memos, packing and DBCREATE, on the console file system.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "data/block_file.h"
#include "data/db_error.h"
#include "data/table.h"
#include "data/table_create.h"
#include "data/table_memo.h"
#include "host/console/console_files.h"
#include "host/faulty_files.h"
#include "temp_directory.h"

namespace talven {
namespace {

using testing::TempDirectory;

constexpr std::uint8_t read_write = 2;
const LocalTime today{2024, 3, 9};

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(unsigned v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A DBF image: fields as (name, type, length), records as their bytes
// after the deletion flag.
std::string dbf_image(const std::vector<std::tuple<std::string, char, int>>& fields,
                      const std::vector<std::string>& records, int claimed = -1, bool memo = false)
{
    unsigned record_length = 1;
    for (auto& f : fields)
        record_length += static_cast<unsigned>(std::get<2>(f));
    unsigned header_length = 32 * static_cast<unsigned>(fields.size()) + 33;
    std::string out;
    out += static_cast<char>(memo ? 0x83 : 0x03);
    out += std::string("\x7C\x01\x02", 3);
    out += le32(claimed < 0 ? static_cast<unsigned>(records.size()) : static_cast<unsigned>(claimed));
    out += le16(header_length) + le16(record_length) + std::string(20, '\0');
    for (auto& [name, type, length] : fields) {
        std::string d(32, '\0');
        std::memcpy(d.data(), name.data(), name.size());
        d[11] = type;
        d[16] = static_cast<char>(length);
        out += d;
    }
    out += '\r';
    for (auto& r : records) {
        std::string rec = " " + r;
        rec.resize(record_length, ' ');
        out += rec;
    }
    out += '\x1A';
    return out;
}

class TableTest : public TempDirectory {
protected:
    ConsoleFiles fs;
    DbError error;
    Table table;

    bool open(const std::string& name) { return open_table(table, fs, read_write, name, error); }
    std::string field(const char* name)
    {
        auto index = find_field(table, name);
        return index ? std::string(field_bytes(table, table.fields[*index])) : "<none>";
    }
    void put(const char* name, const std::string& text)
    {
        auto& f = table.fields[*find_field(table, name)];
        std::memset(table.record.data() + f.offset, ' ', f.length);
        std::memcpy(table.record.data() + f.offset, text.data(), std::min<std::size_t>(text.size(), f.length));
    }
};

TEST(DbErrorTest, CodesTranslateToTheirMessagesAndFirstFailureWins)
{
    const std::tuple<std::uint32_t, const char*, int, const char*> cases[] = {
        {2, "KUNDEN.DBF", 601, ": KUNDEN.DBF"},
        {3, "", 601, "!"},
        {100, "Datensatz 0 nicht in der gefunden.", 608, ": Datensatz 0 nicht in der gefunden."},
        {501, "12 ", 608, ": 12 "},
        {601, "X", 611, ": X"},
        {602, "NAME", 612, ": NAME"},
        {603, "7", 613, ": 7"},
        {604, "NAME", 614, ": NAME"},
        {605, "9", 615, ": 9"},
        {800, "F.TXT", 601, ": F.TXT"},
        {801, "A", 602, ": A"},
        {802, "A", 603, ": A"},
        {803, "A", 604, ": A"},
        {901, "I.NDX", 605, ": I.NDX"},
        {902, "X", 606, ": X"},
        {157, "Keine dBase III-Datei", 600, "157 : Keine dBase III-Datei"},
        {5, "", 600, "5 !"},
    };
    for (auto& [code, detail, message, extra] : cases) {
        DbError e;
        e.fail(code, detail);
        EXPECT_EQ(e.message, message) << code;
        EXPECT_EQ(e.extra.view(), extra) << code;
        e.fail(602, "LATER");
        EXPECT_EQ(e.message, message) << "a later failure must not replace " << code;
    }
    DbError none;
    none.fail(0, "x");
    EXPECT_FALSE(none.is_set());
}

TEST_F(TableTest, CachedReadsDoNotTouchTheFileAndWritesKeepTheCacheInStep)
{
    write_file("block.bin", std::string(10000, 'a'));
    BlockFile file(cache_size::table, 1);
    file.bind("block.bin");
    ASSERT_EQ(file.open(fs, read_write, FileCreation::OpenExisting, error), 0u);
    char bytes[100];
    EXPECT_EQ(file.read(100, 50, bytes, error), 50u);
    EXPECT_EQ(file.read(4000, 96, bytes, error), 96u);  // still inside the 4096 cached bytes
    EXPECT_EQ(file.file_reads(), 1u);
    EXPECT_EQ(file.write(200, 3, "xyz", error), true);
    EXPECT_EQ(file.read(199, 5, bytes, error), 5u);
    EXPECT_EQ(std::string(bytes, 5), "axyza");
    EXPECT_EQ(file.file_reads(), 1u);
    // A write across the cache's end must not leave its first part stale.
    EXPECT_TRUE(file.write(4090, 10, "0123456789", error));
    EXPECT_EQ(file.read(4088, 8, bytes, error), 8u);
    EXPECT_EQ(std::string(bytes, 8), "aa012345");
    // A request larger than the cache is read whole.
    std::vector<char> big(9000);
    EXPECT_EQ(file.read(0, big.size(), big.data(), error), big.size());
    EXPECT_EQ(std::string(big.data() + 4090, 10), "0123456789");
    EXPECT_EQ(file.read(9990, 50, bytes, error), 10u);  // the end of the file
    EXPECT_FALSE(error.is_set());
    file.close();
    EXPECT_EQ(read_file("block.bin").substr(4090, 10), "0123456789");
}

TEST_F(TableTest, DamagedHeadersAreRefusedBeforeAnythingIsReadByThem)
{
    std::string good = dbf_image({{"NAME", 'C', 10}}, {"Meier"});
    auto with = [&](std::size_t at, std::string bytes) {
        std::string image = good;
        image.replace(at, bytes.size(), bytes);
        return image;
    };
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"short header", good.substr(0, 20)},
        {"version 0x30", with(0, "\x30")},
        {"header length 20", with(8, le16(20))},
        {"header length 65535", with(8, le16(65535))},
        {"field overruns the record", with(10, le16(5))},
        {"field of length 0", with(48, std::string(1, '\0'))},
    };
    for (auto& [what, image] : cases) {
        write_file("bad.dbf", image);
        DbError e;
        Table t;
        EXPECT_FALSE(open_table(t, fs, read_write, "bad.dbf", e)) << what;
        EXPECT_EQ(e.message, 600) << what;
        EXPECT_EQ(e.extra.view(), "157 : Keine dBase III-Datei") << what;
        EXPECT_EQ(t.status, TableStatus::Closed) << what;
    }
    write_file("good.dbf", good);
    EXPECT_TRUE(open_table(table, fs, read_write, "good.dbf", error));
    EXPECT_EQ(field("name"), "Meier     ");
}

TEST_F(TableTest, MissingFileIsFileNotFound)
{
    EXPECT_FALSE(open("nowhere.dbf"));
    EXPECT_EQ(error.message, 601);
    EXPECT_EQ(error.extra.view(), ": nowhere.dbf");
}

TEST_F(TableTest, ACountBeyondTheFileGivesNoRecordsAndNoWritesPastTheEnd)
{
    std::string image = dbf_image({{"NAME", 'C', 4}}, {"AAAA", "BBBB"}, 1000000000);
    write_file("cut.dbf", image);
    ASSERT_TRUE(open("cut.dbf"));
    EXPECT_EQ(field("NAME"), "AAAA");
    go_to(table, Move::Record, 3, error);
    EXPECT_EQ(error.message, 608);
    EXPECT_EQ(table.current, 1u);
    error.clear();
    EXPECT_FALSE(write_record(table, 0, error));  // an append would land a gigabyte away
    EXPECT_EQ(error.message, 608);
    error.clear();
    put("NAME", "CCCC");
    EXPECT_TRUE(write_record(table, 2, error));   // a record the file holds may change
    close_table(table, today, error);
    std::string after = read_file("cut.dbf");
    ASSERT_EQ(after.size(), image.size());        // and no end mark far out
    EXPECT_EQ(after.substr(4, 4), le32(1000000000));
    EXPECT_EQ(after.substr(after.size() - 6), " CCCC\x1A");
}

TEST_F(TableTest, NavigationStopsAtTheEndsAndLeavesThemAgain)
{
    write_file("t.dbf", dbf_image({{"N", 'C', 1}}, {"a", "b", "c"}));
    ASSERT_TRUE(open("t.dbf"));
    EXPECT_EQ(table.current, 1u);
    go_to(table, Move::Previous, 0, error);
    EXPECT_EQ(table.current, 1u);
    go_to(table, Move::Last, 0, error);
    go_to(table, Move::Next, 0, error);
    EXPECT_TRUE(table.at_end);
    EXPECT_EQ(table.current, 3u);
    EXPECT_EQ(field("N"), "c");
    go_to(table, Move::First, 0, error);
    EXPECT_FALSE(table.at_end);
    EXPECT_EQ(field("N"), "a");
    go_to(table, Move::Record, 0, error);
    EXPECT_EQ(error.extra.view(), ": Datensatz 0 nicht in der gefunden.");
    EXPECT_EQ(table.current, 1u);
}

TEST_F(TableTest, AScanReadsTheFileOncePerCacheFill)
{
    std::vector<std::string> records;
    for (int i = 0; i < 1000; ++i)
        records.push_back("record " + std::to_string(i));
    write_file("t.dbf", dbf_image({{"N", 'C', 19}}, records));  // 20-byte records, 20000 bytes
    ASSERT_TRUE(open("t.dbf"));
    std::uint64_t at_open = table.dbf.file_reads();
    int seen = 1;
    for (go_to(table, Move::Next, 0, error); !table.at_end; go_to(table, Move::Next, 0, error))
        ++seen;
    EXPECT_EQ(seen, 1000);
    EXPECT_EQ(field("N"), "record 999" + std::string(9, ' '));
    // 4096-byte fills: a record already cached never touches the file.
    EXPECT_LE(table.dbf.file_reads() - at_open, 20000u / 4096 + 1);
    EXPECT_FALSE(error.is_set());
}

TEST_F(TableTest, WritesAppendAndTheHeaderIsWrittenAtClose)
{
    write_file("t.dbf", dbf_image({{"N", 'C', 2}}, {"aa"}));
    ASSERT_TRUE(open("t.dbf"));
    put("N", "bb");
    EXPECT_TRUE(write_record(table, 0, error));
    EXPECT_EQ(table.current, 2u);
    EXPECT_EQ(table.record_count, 2u);
    put("N", "zz");
    EXPECT_TRUE(write_record(table, 1, error));
    EXPECT_EQ(table.record_count, 2u);
    close_table(table, today, error);
    std::string after = read_file("t.dbf");
    EXPECT_EQ(after.substr(0, 8), std::string("\x03\x7C\x03\x09", 4) + le32(2));
    EXPECT_EQ(after.substr(65), " zz bb\x1A");
    EXPECT_FALSE(error.is_set());
}

TEST_F(TableTest, AFailedAppendLeavesCountAndFileAlone)
{
    std::string image = dbf_image({{"N", 'C', 2}}, {"aa"});
    write_file("t.dbf", image);
    ASSERT_TRUE(open_table(table, fs, 0, "t.dbf", error));  // read only
    EXPECT_FALSE(write_record(table, 0, error));
    EXPECT_TRUE(error.is_set());
    EXPECT_EQ(table.record_count, 1u);
    EXPECT_EQ(table.status, TableStatus::Open);
    close_table(table, today, error);
    EXPECT_EQ(read_file("t.dbf"), image);
}

TEST_F(TableTest, DateTextKeepsTheLastTwoDigitsOfTheYear)
{
    std::array<std::uint8_t, 32> header{};
    const std::tuple<int, int, int, const char*> cases[] = {
        {124, 3, 9, "09.03.24"}, {112, 12, 31, "31.12.12"}, {99, 1, 1, "01.01.99"}, {100, 7, 4, "04.07.00"}};
    for (auto& [year, month, day, text] : cases) {
        header[1] = static_cast<std::uint8_t>(year);
        header[2] = static_cast<std::uint8_t>(month);
        header[3] = static_cast<std::uint8_t>(day);
        EXPECT_EQ(header_date_text(header).view(), text);
    }
}

class MemoTest : public TableTest {
protected:
    void SetUp() override
    {
        TableTest::SetUp();
        write_file("felder.txt", "NAME,C,10,0\nNOTIZ,M\n");
        ASSERT_TRUE(create_table(fs, read_write, "felder.txt", "memo.dbf", today, error));
        ASSERT_TRUE(open("memo.dbf"));
        memo = *find_field(table, "NOTIZ");
    }
    std::vector<ShortString> read_back()
    {
        std::vector<ShortString> lines;
        read_memo(table, table.fields[memo], lines, 32768, error);
        return lines;
    }
    std::size_t memo = 0;
};

TEST_F(MemoTest, LinesWrapAt80AndSoftBreaksBecomeBlanks)
{
    std::string dbt = read_file("memo.DBT");
    ASSERT_EQ(dbt.size(), 513u);
    std::string text = std::string(100, 'x') + "\r\n" + "ab\x8D" + "cd-\x8D" + "ef \x8D" + "gh\r\n" +
                       std::string(70, 'w') + " " + std::string(20, 'v') + "\x1A";
    std::string block = text + std::string(512 - text.size() % 512, '\0');
    write_file("memo.DBT", le32(1 + static_cast<unsigned>(block.size() / 512)) + std::string(508, '\0') + block);
    put("NOTIZ", "         1");
    auto lines = read_back();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].view(), std::string(80, 'x'));
    EXPECT_EQ(lines[1].view(), std::string(20, 'x'));
    EXPECT_EQ(lines[2].view(), "ab cd-ef gh");
    EXPECT_EQ(lines[3].view(), std::string(70, 'w') + " ");
    EXPECT_EQ(lines[4].view(), std::string(20, 'v'));
    EXPECT_FALSE(error.is_set());
}

TEST_F(MemoTest, ATextFillingItsBlockPutsTheMarkIntoTheNextBlock)
{
    // 5 lines of 100 characters and one of 0: 5 * 102 + 2 = 512 bytes.
    std::vector<ShortString> lines(5, ShortString(std::string(100, 'm')));
    lines.emplace_back("");
    ASSERT_TRUE(write_memo(table, memo, lines, error));
    EXPECT_EQ(field("NOTIZ"), "         1");
    std::string dbt = read_file("memo.DBT");
    ASSERT_EQ(dbt.size(), 3u * 512);
    EXPECT_EQ(dbt.substr(0, 4), le32(3));
    EXPECT_EQ(dbt.substr(512 + 510, 2), "\r\n");
    EXPECT_EQ(dbt.substr(1024, 2), "\x1A\x1A");  // the pair other dBase III readers look for
    EXPECT_EQ(dbt.substr(1026), std::string(510, '\0'));
    // Read back wrapped at 80, the empty last line included.
    auto back = read_back();
    ASSERT_EQ(back.size(), 11u);
    EXPECT_EQ(back[1].view(), std::string(20, 'm'));
    EXPECT_TRUE(back[10].empty());
}

TEST_F(MemoTest, AMemoIsRewrittenInPlaceOnlyWhenItFits)
{
    std::vector<ShortString> lines{ShortString("eins"), ShortString("zwei")};
    ASSERT_TRUE(write_memo(table, memo, lines, error));
    ASSERT_EQ(read_back().size(), 2u);
    lines[0] = "EINS";
    ASSERT_TRUE(write_memo(table, memo, lines, error));
    EXPECT_EQ(field("NOTIZ"), "         1");
    lines.assign(20, ShortString(std::string(60, 'L')));  // two blocks now
    ASSERT_TRUE(write_memo(table, memo, lines, error));
    EXPECT_EQ(field("NOTIZ"), "         2");
    EXPECT_EQ(read_file("memo.DBT").substr(0, 4), le32(5));
    EXPECT_EQ(read_back().size(), 20u);
}

TEST_F(MemoTest, AnInPlaceRewriteNeverReachesTheNextMemo)
{
    // 509 bytes of text and its line end: the first mark ends block 1, the
    // second would be the first byte of block 2.
    std::vector<ShortString> one{ShortString(std::string(60, 'a'))};
    ASSERT_TRUE(write_memo(table, memo, one, error));          // block 1
    std::string first_field = field("NOTIZ");
    std::vector<ShortString> next{ShortString("nachbar")};
    ASSERT_TRUE(write_memo(table, memo, next, error));         // block 2
    std::string neighbour = read_file("memo.DBT").substr(1024, 512);
    put("NOTIZ", first_field);
    ASSERT_EQ(read_back().size(), 1u);
    std::vector<ShortString> longer(7, ShortString(std::string(70, 'b')));
    longer.emplace_back(std::string(5, 'c'));                  // 7 * 72 + 7 = 511 bytes
    ASSERT_TRUE(write_memo(table, memo, longer, error));
    EXPECT_EQ(field("NOTIZ"), "         3");                  // moved to the end, not over block 2
    EXPECT_EQ(read_file("memo.DBT").substr(1024, 512), neighbour);
}

TEST_F(MemoTest, DamagedChainsAndBlockZeroStayBounded)
{
    // No end mark anywhere, block 0 claims next free 0.
    write_file("memo.DBT", std::string(512, '\0') + std::string(1024, 'q'));
    put("NOTIZ", "         1");
    auto lines = read_back();
    EXPECT_EQ(lines.size(), 13u);  // 1024 characters in lines of 80
    put("NOTIZ", "   1000000");
    EXPECT_TRUE(read_back().empty());
    EXPECT_EQ(error.message, 608);
    error.clear();
    std::vector<ShortString> text{ShortString("neu")};
    put("NOTIZ", "          ");
    ASSERT_TRUE(write_memo(table, memo, text, error));
    EXPECT_EQ(field("NOTIZ"), "         3");  // after the file's blocks, never over block 0
    EXPECT_EQ(read_file("memo.DBT").substr(0, 4), le32(4));
    // Block 0 naming a block far beyond the file: the memo still goes to the end.
    write_file("memo.DBT", le32(0x7FFFFFFF) + std::string(508, '\0') + std::string(512, 'q'));
    put("NOTIZ", "          ");
    ASSERT_TRUE(write_memo(table, memo, text, error));
    EXPECT_EQ(field("NOTIZ"), "         2");
    EXPECT_EQ(read_file("memo.DBT").size(), 3u * 512);
}

TEST_F(MemoTest, PackKeepsTheMemosOfTheKeptRecords)
{
    for (int i = 1; i <= 4; ++i) {
        put("NAME", "R" + std::to_string(i));
        std::vector<ShortString> text{ShortString("memo " + std::to_string(i))};
        ASSERT_TRUE(write_memo(table, memo, text, error));
        ASSERT_TRUE(write_record(table, 0, error));
        std::fill(table.record.begin(), table.record.end(), ' ');
    }
    for (int deleted : {1, 3}) {
        go_to(table, Move::Record, deleted, error);
        table.record[0] = '*';
        ASSERT_TRUE(write_record(table, deleted, error));
    }
    ASSERT_TRUE(pack_table(table, fs, read_write, error)) << error.extra.view();
    EXPECT_EQ(table.record_count, 2u);
    for (int n : {1, 2}) {
        go_to(table, Move::Record, n, error);
        auto lines = read_back();
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].view(), "memo " + std::to_string(n * 2));
        EXPECT_EQ(field("NAME"), "R" + std::to_string(n * 2) + std::string(8, ' '));
    }
    close_table(table, today, error);
    EXPECT_EQ(read_file("memo.DBT").size(), 3u * 512);
    EXPECT_EQ(read_file("memo.dbf").size(), 33u + 64 + 2 * 21 + 1);
    for (auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find('$'), std::string::npos) << entry.path();
}

TEST_F(TableTest, PackOfATableWithAnotherExtensionKeepsItsMemoFile)
{
    write_file("felder.txt", "NAME,C,4,0\nNOTIZ,M,10,0\n");
    ASSERT_TRUE(create_table(fs, read_write, "felder.txt", "KUNDEN.TAB", today, error));
    ASSERT_TRUE(open("KUNDEN.TAB"));
    std::vector<ShortString> text{ShortString("bleibt")};
    ASSERT_TRUE(write_memo(table, 1, text, error));
    ASSERT_TRUE(write_record(table, 0, error));
    ASSERT_TRUE(pack_table(table, fs, read_write, error));
    close_table(table, today, error);
    EXPECT_FALSE(std::filesystem::exists("KUNDEN.TAT"));
    EXPECT_NE(read_file("KUNDEN.DBT").find("bleibt\r\n\x1A"), std::string::npos);
}

TEST_F(TableTest, PackKeepsTheMemoFileNameAsItIsStored)
{
    // Another program wrote the memo file in lower case; on a case-sensitive
    // system it must keep that name, or that program no longer finds it.
    write_file("felder.txt", "NAME,C,4,0\nNOTIZ,M\n");
    ASSERT_TRUE(create_table(fs, read_write, "felder.txt", "low.dbf", today, error));
    std::filesystem::rename("low.DBT", "low.dbt");
    ASSERT_TRUE(open("low.dbf"));
    std::vector<ShortString> text{ShortString("klein")};
    ASSERT_TRUE(write_memo(table, 1, text, error));
    ASSERT_TRUE(write_record(table, 0, error));
    ASSERT_TRUE(pack_table(table, fs, read_write, error)) << error.extra.view();
    close_table(table, today, error);
    EXPECT_TRUE(std::filesystem::exists("low.dbt"));
    EXPECT_FALSE(std::filesystem::exists("low.DBT"));
    EXPECT_NE(read_file("low.dbt").find("klein\r\n\x1A"), std::string::npos);
}

TEST_F(TableTest, PackWhoseRenameFailsKeepsTheOldMemos)
{
    write_file("felder.txt", "NAME,C,4,0\nNOTIZ,M\n");
    ASSERT_TRUE(create_table(fs, read_write, "felder.txt", "k.dbf", today, error));
    FaultyFiles failing{fs, "rename:1:EACCES"};
    ASSERT_TRUE(open_table(table, failing, read_write, "k.dbf", error));
    std::vector<ShortString> text{ShortString("alt")};
    ASSERT_TRUE(write_memo(table, 1, text, error));
    ASSERT_TRUE(write_record(table, 0, error));
    std::string memos = read_file("k.DBT");
    EXPECT_FALSE(pack_table(table, failing, read_write, error));
    EXPECT_TRUE(error.is_set());
    EXPECT_EQ(read_file("k.DBT"), memos);
    EXPECT_TRUE(table.dbt.is_open());
    for (auto& entry : std::filesystem::directory_iterator("."))
        EXPECT_EQ(entry.path().filename().string().find('$'), std::string::npos) << entry.path();
}

TEST_F(TableTest, PackWithoutDeletedRecordsKeepsCountAndSize)
{
    std::string image = dbf_image({{"N", 'C', 2}}, {"aa", "bb"});
    write_file("t.dbf", image);
    ASSERT_TRUE(open("t.dbf"));
    ASSERT_TRUE(pack_table(table, fs, read_write, error));
    EXPECT_EQ(table.record_count, 2u);
    EXPECT_EQ(read_file("t.dbf").size(), image.size());
}

TEST_F(TableTest, DescriptionLinesAreCheckedBeforeAnythingIsCreated)
{
    const std::tuple<const char*, int, const char*> cases[] = {
        {"NAME,C,300,0\n", 603, ": NAME"},
        {"NAME,C,0,0\n", 603, ": NAME"},
        {"NAME,C,zehn,0\n", 603, ": NAME"},
        {"BETRAG,N,10,12\n", 604, ": BETRAG"},
        {"BETRAG,N,10,-1\n", 604, ": BETRAG"},
        {"A,C,1,0\na,C,2,0\n", 602, ": A"},
    };
    for (auto& [text, message, extra] : cases) {
        write_file("d.txt", text);
        DbError e;
        EXPECT_FALSE(create_table(fs, read_write, "d.txt", "x.dbf", today, e)) << text;
        EXPECT_EQ(e.message, message) << text;
        EXPECT_EQ(e.extra.view(), extra) << text;
        EXPECT_FALSE(std::filesystem::exists("x.dbf")) << text;
    }
    std::string many;
    for (int i = 1; i <= 129; ++i)
        many += "F" + std::to_string(i) + ",C,1,0\n";
    write_file("d.txt", many);
    DbError e;
    EXPECT_FALSE(create_table(fs, read_write, "d.txt", "x.dbf", today, e));
    EXPECT_EQ(e.message, 603);
    EXPECT_FALSE(std::filesystem::exists("x.dbf"));
    DbError missing;
    EXPECT_FALSE(create_table(fs, read_write, "fehlt.txt", "x.dbf", today, missing));
    EXPECT_EQ(missing.extra.view(), ": fehlt.txt");
}

TEST_F(TableTest, CreatedTableHasTheDescribedLayout)
{
    write_file("d.txt", "  name , c , 12 , 3 \n\nbetrag,n,8,2\r\nwann,D\nja,L,5\nnotiz,m\nart,X,4,0\n\n");
    ASSERT_TRUE(create_table(fs, read_write, "d.txt", "neu.dbf", today, error));
    std::string dbf = read_file("neu.dbf");
    ASSERT_EQ(dbf.size(), 32u * 6 + 33 + 1);
    EXPECT_EQ(dbf.substr(0, 12), std::string("\x83\x7C\x03\x09", 4) + le32(0) + le16(225) + le16(1 + 12 + 8 + 8 + 1 + 10 + 4));
    EXPECT_EQ(dbf.substr(32, 18), std::string("NAME\0\0\0\0\0\0\0C\0\0\0\0\x0C\0", 18));  // decimals only for N
    EXPECT_EQ(dbf.substr(64, 18), std::string("BETRAG\0\0\0\0\0N\0\0\0\0\x08\x02", 18));
    EXPECT_EQ(dbf[32 * 6 + 11], 'C');  // an unknown type letter makes a character field
    EXPECT_EQ(dbf.substr(dbf.size() - 2), "\r\x1A");
    std::string dbt = read_file("neu.DBT");
    EXPECT_EQ(dbt, le32(1) + std::string(508, '\0') + "\x1A");
}

} // namespace
} // namespace talven
