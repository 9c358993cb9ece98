// MAKEINDEX, @DBINDEX and @DBSEEK below their handlers, on tables and index
// files of the console file system: what they leave in the table and in the
// dB error state.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/db_error.h"
#include "data/index_commands.h"
#include "data/table.h"
#include "host/console/console_files.h"
#include "temp_directory.h"

namespace talven {
namespace {

using testing::TempDirectory;

constexpr std::uint8_t read_write = 2;

std::string le16(unsigned v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }
std::string le32(unsigned v) { return le16(v & 0xFFFF) + le16(v >> 16); }

// A table of NAME C(6) and NUM N(4); each record is its 10 bytes.
void write_table(const std::string& file, const std::vector<std::string>& records)
{
    std::string out = "\x03\x7C\x01\x02" + le32(static_cast<unsigned>(records.size())) + le16(97) + le16(11) +
                      std::string(20, '\0');
    for (auto [name, type, length] : {std::tuple{"NAME", 'C', 6}, std::tuple{"NUM", 'N', 4}}) {
        std::string d(32, '\0');
        std::memcpy(d.data(), name, std::strlen(name));
        d[11] = type;
        d[16] = static_cast<char>(length);
        out += d;
    }
    out += '\r';
    for (const std::string& r : records)
        out += " " + r;
    out += '\x1A';
    std::ofstream(file, std::ios::binary) << out;
}

class NdxCommandsTest : public TempDirectory {
protected:
    ConsoleFiles fs;
    DbError error;
    std::unique_ptr<Table> table;

    void open(const std::vector<std::string>& records)
    {
        write_table("t.dbf", records);
        reopen();
    }
    void reopen()
    {
        table.reset();
        table = std::make_unique<Table>();
        ASSERT_TRUE(open_table(*table, fs, read_write, "T.DBF", error)) << error.extra.view();
    }
    std::vector<std::uint32_t> walk()
    {
        std::vector<std::uint32_t> out;
        go_to(*table, Move::First, 0, error);
        while (!table->at_end && out.size() < 100) {
            out.push_back(table->current);
            go_to(*table, Move::Next, 0, error);
        }
        return out;
    }
};

TEST_F(NdxCommandsTest, MakeIndexFilesEveryRecordAndStandsOnTheFirst)
{
    open({"Zorn     1", "Adam     2", "Berg     3", "Adam    -4"});
    make_index(*table, fs, read_write, "name", "namen", error);
    EXPECT_FALSE(error.is_set()) << error.extra.view();
    EXPECT_TRUE(table->indexes_active);
    EXPECT_EQ(table->index_count, 1);
    EXPECT_EQ(table->current, 2u);
    EXPECT_EQ(walk(), (std::vector<std::uint32_t>{2, 4, 3, 1}));
    EXPECT_TRUE(std::filesystem::exists("namen.NDX"));

    EXPECT_EQ(seek_index(*table, "Berg", NdxMatch::Exact, error), 3);
    EXPECT_TRUE(table->found);
    EXPECT_EQ(seek_index(*table, "Ber", NdxMatch::Exact, error), 0);
    EXPECT_FALSE(table->found);
    EXPECT_EQ(table->current, 3u);  // a failed seek keeps the record

    make_index(*table, fs, read_write, "NUM", "zahlen", error);
    EXPECT_EQ(walk(), (std::vector<std::uint32_t>{4, 1, 2, 3}));
    EXPECT_EQ(seek_index(*table, "-4", NdxMatch::Exact, error), 4);

    // An empty expression only takes the indexes away.
    make_index(*table, fs, read_write, "  ", "leer", error);
    EXPECT_FALSE(table->indexes_active);
    EXPECT_FALSE(std::filesystem::exists("leer.NDX"));
    EXPECT_EQ(seek_index(*table, "Zorn", NdxMatch::Prefix, error), 0);
}

TEST_F(NdxCommandsTest, ARecordWhoseKeyIsNoNumberStaysOutOfTheIndex)
{
    open({"a        1", "b     12  ", "c        3", "d     x   "});
    make_index(*table, fs, read_write, "NUM", "zahlen", error);
    EXPECT_EQ(error.message, 608);
    EXPECT_EQ(error.extra.view(), ": 12  ");  // the first failure wins
    error.clear();
    EXPECT_EQ(walk(), (std::vector<std::uint32_t>{1, 3}));
}

TEST_F(NdxCommandsTest, AttachKeepsWhatItCouldAttach)
{
    open({"Zorn     1", "Adam     2"});
    make_index(*table, fs, read_write, "NAME", "namen", error);
    std::string good = read_file("namen.NDX");
    std::string bad = good;
    bad.replace(12, 2, le16(7));  // a key length the expression does not give
    std::ofstream("bad.NDX", std::ios::binary) << bad;

    attach_indexes(*table, fs, read_write, "bad,namen fehlt", error);
    EXPECT_EQ(error.message, 605);
    EXPECT_EQ(error.extra.view(), ": bad.NDX");
    EXPECT_EQ(table->index_count, 1);
    EXPECT_TRUE(table->indexes_active);
    EXPECT_EQ(table->indexes[0]->file_name(), "namen.NDX");
    error.clear();

    attach_indexes(*table, fs, read_write, "fehlt", error);
    EXPECT_EQ(error.message, 601);
    EXPECT_EQ(error.extra.view(), ": fehlt.NDX");
    EXPECT_FALSE(table->indexes_active);
    EXPECT_EQ(walk(), (std::vector<std::uint32_t>{1, 2}));
    error.clear();

    // Sixteen are attached; the seventeenth name is reported.
    std::string list;
    for (int i = 0; i < 17; ++i) {
        std::filesystem::copy_file("namen.NDX", "i" + std::to_string(i) + ".NDX");
        list += " i" + std::to_string(i);
    }
    attach_indexes(*table, fs, read_write, list, error);
    EXPECT_EQ(error.message, 605);
    EXPECT_EQ(error.extra.view(), ": i16.NDX");
    EXPECT_EQ(table->index_count, 16);
    EXPECT_EQ(walk(), (std::vector<std::uint32_t>{2, 1}));
}

TEST_F(NdxCommandsTest, ASeekBeyondTheRecordsIsNoRecord)
{
    open({"Zorn     1", "Adam     2", "Berg     3"});
    make_index(*table, fs, read_write, "NAME", "namen", error);
    // The table loses its last record behind the index's back.
    open({"Zorn     1", "Adam     2"});
    attach_indexes(*table, fs, read_write, "namen", error);
    ASSERT_FALSE(error.is_set());
    EXPECT_EQ(seek_index(*table, "Berg", NdxMatch::Exact, error), 0);
    EXPECT_FALSE(table->found);
    EXPECT_EQ(error.message, 608);
    EXPECT_EQ(error.extra.view(), ": Datensatz 3 nicht in der gefunden.");
}

} // namespace
} // namespace talven
