// The NDX B-tree against memory: keys, search, navigation, insertion with
// splits and new roots, deletion, the page cache, and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <random>

#include "data/ndx_index.h"
#include "data/ndx_key.h"
#include "ndx_memory.h"

namespace talven {
namespace {

using testing::MemoryFile;
using testing::MemoryStorage;
using testing::TreeEntry;
using testing::TreeWalker;

// A record: deletion flag, NAME C(10), CODE C(4), NUM N(8), DAY D(8).
const NdxField table_fields[] = {
    {"NAME", 'C', 1, 10},
    {"CODE", 'C', 11, 4},
    {"NUM", 'N', 15, 8},
    {"DAY", 'D', 23, 8},
};
constexpr std::size_t record_length = 31;

struct Record {
    std::array<std::uint8_t, record_length> bytes;
    Record() { bytes.fill(' '); }
    Record& set(std::size_t offset, std::size_t length, std::string_view text)
    {
        std::memset(bytes.data() + offset, ' ', length);
        std::memcpy(bytes.data() + offset, text.data(), std::min(length, text.size()));
        return *this;
    }
    Record& name(std::string_view t) { return set(1, 10, t); }
    Record& code(std::string_view t) { return set(11, 4, t); }
    Record& num(std::string_view t) { return set(15, 8, t); }
    std::span<const std::uint8_t> view() const { return bytes; }
};

std::string right(std::string_view text, std::size_t width)
{
    return std::string(width - std::min(width, text.size()), ' ') + std::string(text);
}

class NdxTest : public ::testing::Test {
protected:
    MemoryFile file;
    NdxIndex index;

    void create(std::string_view expression)
    {
        NdxDefinition def;
        ASSERT_TRUE(define_index(expression, table_fields, def).ok()) << expression;
        ASSERT_TRUE(index.create("T.NDX", std::make_unique<MemoryStorage>(file), def, table_fields).ok());
    }
    NdxStatus reopen()
    {
        EXPECT_TRUE(index.close().ok());
        return index.open("T.NDX", std::make_unique<MemoryStorage>(file), table_fields);
    }
    void add(const Record& r, std::int32_t n, NdxUpdate how = NdxUpdate::BuildOnly)
    {
        NdxStatus s = index.update(r.view(), n, 0, how);
        ASSERT_TRUE(s.ok()) << s.code << s.detail.view();
    }
    std::int32_t seek(std::string_view text, NdxMatch match)
    {
        NdxKey key;
        EXPECT_TRUE(index.search_key(text, match, key).ok());
        std::int32_t found = -1;
        EXPECT_TRUE(index.search(key, match, found).ok());
        return found;
    }
    std::vector<std::int32_t> forward()
    {
        std::vector<std::int32_t> out;
        EXPECT_TRUE(index.first().ok());
        while (!index.at_end()) {
            out.push_back(index.record());
            EXPECT_TRUE(index.next().ok());
        }
        return out;
    }
    std::vector<std::int32_t> backward()
    {
        std::vector<std::int32_t> out;
        EXPECT_TRUE(index.last().ok());
        while (!index.at_start() && !index.at_end()) {
            out.push_back(index.record());
            EXPECT_TRUE(index.previous().ok());
        }
        std::reverse(out.begin(), out.end());
        return out;
    }
    // The file as another reader sees it, after the cached pages are out.
    std::vector<TreeEntry> on_disk(int* pages = nullptr)
    {
        EXPECT_TRUE(reopen().ok());
        TreeWalker w(file.bytes);
        auto entries = w.walk();
        EXPECT_TRUE(w.problems.empty()) << w.problems.front();
        if (pages)
            *pages = w.pages_seen;
        return entries;
    }
};

TEST(NdxKeyTest, NumericTextsConvertToTheNearestDouble)
{
    struct Case {
        std::string_view text;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"12", 12.0},          {"   12.5", 12.5},   {"-3", -3.0},         {"+4", 4.0},
        {"1E3", 1000.0},       {"2.5e-2", 0.025},  {"1e+2", 100.0},      {".5", 0.5},
        {"7.", 7.0},           {"0.1", 0.1},       {"19991231", 19991231.0},
        {"", 0.0},             {"        ", 0.0},  {"1E999", INFINITY},  {"-1E999", -INFINITY},
        {"1E-999", 0.0},       {"0.000000000000000000000000000001e-400", 0.0},
        {"12 ", std::nullopt}, // a trailing blank: no number (the stored format is right-aligned)
        {"1 2", std::nullopt}, {"1.2.3", std::nullopt}, {"abc", std::nullopt}, {"-", std::nullopt},
        {".", std::nullopt},   {"1E", std::nullopt},  {"E5", std::nullopt}, {"--1", std::nullopt},
        {"0x10", std::nullopt}, {"inf", std::nullopt}, {"nan", std::nullopt}, {"1,5", std::nullopt},
    };
    for (const auto& c : cases) {
        auto v = ndx_number(c.text);
        ASSERT_EQ(v.has_value(), c.value.has_value()) << c.text;
        if (v) {
            EXPECT_EQ(*v, *c.value) << c.text;
        }
    }
    // Correct rounding far from the easy cases.
    EXPECT_EQ(*ndx_number("9007199254740993"), 9007199254740992.0);
    EXPECT_EQ(*ndx_number("1.7976931348623157E308"), 1.7976931348623157e308);
}

TEST(NdxKeyTest, NumericKeysOrderBySignThenMagnitude)
{
    const double ordered[] = {-INFINITY, -1e300, -2.5, -1.0, -1e-300, -0.0, 0.0, 1e-300, 1.0, 2.5, 1e300, INFINITY};
    for (double a : ordered)
        for (double b : ordered) {
            std::uint8_t ka[8], kb[8];
            store_numeric_key(a, ka);
            store_numeric_key(b, kb);
            int expected = a < b ? -1 : a > b ? 1 : std::signbit(a) != std::signbit(b) ? (std::signbit(a) ? -1 : 1) : 0;
            EXPECT_EQ(compare_numeric_key(ka, kb), expected) << a << " " << b;
        }
}

TEST(NdxKeyTest, CharacterKeysCompareUnsignedWithThePrefixRule)
{
    auto cmp = [](std::string_view page, std::string_view search) {
        return compare_character_key(reinterpret_cast<const std::uint8_t*>(page.data()), page.size(),
                                     {reinterpret_cast<const std::uint8_t*>(search.data()), search.size()});
    };
    EXPECT_EQ(cmp("MEIER     ", "MEI"), 0);          // the page key is cut to the search key
    EXPECT_EQ(cmp("MEIER     ", "MEIER     "), 0);
    EXPECT_EQ(cmp("MEIER     ", "MEIERX"), -1);
    EXPECT_EQ(cmp("MEIER     ", "MEIER     X"), -1); // a longer search key is greater
    EXPECT_EQ(cmp("MEIER     ", "MA"), 1);
    EXPECT_EQ(cmp("\xE4PFEL     ", "ZEBRA"), 1);     // bytes are unsigned
    EXPECT_EQ(cmp("ABC", ""), 0);
}

TEST(NdxKeyTest, ExpressionsJoinFieldsAndQuotedTexts)
{
    NdxExpression e;
    resolve_expression("  name + \"xy\"+code ", table_fields, e);
    ASSERT_TRUE(e.failure.ok());
    EXPECT_EQ(e.text.view(), "name + \"xy\"+code");
    EXPECT_EQ(e.text_length, 16u);
    Record r;
    r.name("Anna").code("K1");
    std::uint8_t out[64];
    std::size_t n = 0;
    ASSERT_TRUE(expression_text(e, r.view(), out, sizeof out, n));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), n), "Anna      XYK1  ");  // quoted texts are upper-cased too

    resolve_expression("NAME+\"open", table_fields, e);  // no closing quote: the rest is the text
    EXPECT_TRUE(e.failure.ok());
    EXPECT_EQ(e.literals.view(), "OPEN");

    const std::pair<std::string_view, std::string_view> wrong[] = {
        {"NAME+STREET", "NAME+STREET (STREET)"},
        {"NAME+", "NAME+ ()"},
        {"", " ()"},
        {"UPPER(NAME)", "UPPER(NAME) (UPPER(NAME))"},
    };
    for (auto [text, detail] : wrong) {
        resolve_expression(text, table_fields, e);
        EXPECT_EQ(e.failure.code, ndx_code::bad_expression) << text;
        EXPECT_EQ(e.failure.detail.view(), detail);
    }
}

TEST(NdxKeyTest, DefinitionsTakeTypeAndLengthFromTheFields)
{
    NdxDefinition d;
    ASSERT_TRUE(define_index("num", table_fields, d).ok());
    EXPECT_EQ(d.type, NdxKeyType::Numeric);
    EXPECT_EQ(d.key_length, 8);
    ASSERT_TRUE(define_index("DAY", table_fields, d).ok());
    EXPECT_EQ(d.type, NdxKeyType::Numeric);
    ASSERT_TRUE(define_index("NAME+NUM", table_fields, d).ok());
    EXPECT_EQ(d.type, NdxKeyType::Character);
    EXPECT_EQ(d.key_length, 18);

    NdxStatus s = define_index("NAME+\"X\"", table_fields, d);  // quoted texts: not here
    EXPECT_EQ(s.code, ndx_code::bad_expression);
    EXPECT_EQ(s.detail.view(), "NAME+\"X\"");
    EXPECT_EQ(define_index("NAME+NOPE", table_fields, d).code, ndx_code::bad_expression);

    // The limits of what an index can hold: 127 characters, 244 key bytes.
    std::string long_expr = "NAME";
    while (long_expr.size() + 5 <= 127)
        long_expr += "+CODE";
    long_expr.insert(0, 127 - long_expr.size(), ' ');
    long_expr += "   ";
    EXPECT_TRUE(define_index(long_expr, table_fields, d).ok());
    EXPECT_EQ(define_index("X" + long_expr, table_fields, d).code, ndx_code::bad_expression);

    const NdxField wide[] = {{"A", 'C', 1, 200}, {"B", 'C', 201, 44}, {"C", 'C', 245, 1}};
    ASSERT_TRUE(define_index("A+B", wide, d).ok());
    EXPECT_EQ(d.key_length, 244);
    EXPECT_EQ(define_index("A+B+C", wide, d).code, ndx_code::bad_expression);
}

TEST_F(NdxTest, ANewIndexHasTheHeaderOfTheFormat)
{
    create("name+code");
    ASSERT_TRUE(index.close().ok());
    ASSERT_EQ(file.bytes.size(), 1024u);
    EXPECT_EQ(testing::le32(file.bytes, 0), 1u);   // root
    EXPECT_EQ(testing::le32(file.bytes, 4), 2u);   // next free page
    EXPECT_EQ(testing::le16(file.bytes, 12), 14);  // key length
    EXPECT_EQ(testing::le16(file.bytes, 14), 21);  // 504 div 24
    EXPECT_EQ(testing::le16(file.bytes, 16), 0);
    EXPECT_EQ(testing::le16(file.bytes, 18), 24);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(file.bytes.data() + 24)), "name+code");
    EXPECT_TRUE(std::all_of(file.bytes.begin() + 512, file.bytes.end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(file.closed);

    file = {};
    create("NUM");
    ASSERT_TRUE(index.close().ok());
    EXPECT_EQ(testing::le16(file.bytes, 12), 8);
    EXPECT_EQ(testing::le16(file.bytes, 14), 31);
    EXPECT_EQ(testing::le16(file.bytes, 16), 1);
    EXPECT_EQ(testing::le16(file.bytes, 18), 16);
}

TEST(NdxHandleTest, AHandleWithoutAFileRefusesEveryOperation)
{
    NdxIndex index;
    NdxKey key;
    std::int32_t record = 5;
    bool found = true;
    const std::uint8_t bytes[31] = {};
    EXPECT_EQ(index.compute_key(bytes, key).code, ndx_code::bad_file);
    EXPECT_EQ(index.search_key("x", NdxMatch::Exact, key).code, ndx_code::bad_file);
    EXPECT_EQ(index.search(key, NdxMatch::Exact, record).code, ndx_code::bad_file);
    EXPECT_EQ(record, 0);
    EXPECT_EQ(index.first().code, ndx_code::bad_file);
    EXPECT_EQ(index.next().code, ndx_code::bad_file);
    EXPECT_EQ(index.go_to_record(1, found).code, ndx_code::bad_file);
    EXPECT_FALSE(found);
    EXPECT_EQ(index.update(bytes, 1, 0, NdxUpdate::Reposition).code, ndx_code::bad_file);
    EXPECT_TRUE(index.close().ok());
    EXPECT_TRUE(index.at_end());
}

TEST_F(NdxTest, AnEmptyIndexFindsNothingAndEndsAtOnce)
{
    create("NAME");
    EXPECT_EQ(seek("A", NdxMatch::Prefix), 0);
    ASSERT_TRUE(index.first().ok());
    EXPECT_TRUE(index.at_end());
    ASSERT_TRUE(index.last().ok());
    EXPECT_TRUE(index.at_end());
    ASSERT_TRUE(index.next().ok());
    EXPECT_TRUE(index.at_end());
    bool found = true;
    ASSERT_TRUE(index.go_to_record(1, found).ok());
    EXPECT_FALSE(found);
}

TEST_F(NdxTest, PrefixAndExactSearch)
{
    create("NAME");
    add(Record().name("MEIER"), 1);
    add(Record().name("MEI"), 2);
    add(Record().name("ALT"), 3);
    add(Record().name("ZANDER"), 4);
    EXPECT_EQ(seek("MEI", NdxMatch::Prefix), 2);  // the first key that begins with it
    EXPECT_EQ(seek("MEIE", NdxMatch::Prefix), 1);
    EXPECT_EQ(seek("MEI", NdxMatch::Exact), 2);   // only the key whose rest is blank
    EXPECT_EQ(seek("MEIE", NdxMatch::Exact), 0);
    EXPECT_EQ(seek("MEIER", NdxMatch::Exact), 1);
    EXPECT_EQ(seek("B", NdxMatch::Prefix), 0);
    EXPECT_EQ(seek("ZZ", NdxMatch::Prefix), 0);
    EXPECT_EQ(seek("", NdxMatch::Prefix), 3);     // an empty text matches the first key
    EXPECT_EQ(seek("MEIERXXXXXXX", NdxMatch::Prefix), 0);
    // The index stands on the entry found; navigation goes on from there.
    EXPECT_EQ(seek("MEIER", NdxMatch::Exact), 1);
    ASSERT_TRUE(index.next().ok());
    EXPECT_EQ(index.record(), 4);
    ASSERT_TRUE(index.previous().ok());
    ASSERT_TRUE(index.previous().ok());
    EXPECT_EQ(index.record(), 2);
}

TEST_F(NdxTest, NumericKeysOrderAndSeekAsNumbers)
{
    create("NUM");
    const char* values[] = {"10", "-2.5", "3", "1E2", "0", "-100", "2.5"};
    for (int i = 0; i < 7; ++i)
        add(Record().num(right(values[i], 8)), i + 1);
    EXPECT_EQ(forward(), (std::vector<std::int32_t>{6, 2, 5, 7, 3, 1, 4}));
    EXPECT_EQ(seek("100", NdxMatch::Exact), 4);
    EXPECT_EQ(seek("  -2.50", NdxMatch::Prefix), 2);
    EXPECT_EQ(seek("2", NdxMatch::Exact), 0);
    NdxKey key;
    NdxStatus s = index.search_key("12x", NdxMatch::Exact, key);
    EXPECT_EQ(s.code, ndx_code::not_a_number);
    EXPECT_EQ(s.detail.view(), "12x");

    // A left-aligned number keeps its trailing blanks and is no number.
    s = index.update(Record().num("12").view(), 8, 0, NdxUpdate::Reposition);
    EXPECT_EQ(s.code, ndx_code::not_a_number);
    EXPECT_EQ(s.detail.view(), "12      ");
    EXPECT_EQ(forward().size(), 7u);
    // A record rewritten with such a value leaves the index rather than
    // staying filed under its old value.
    s = index.update(Record().num("100 ").view(), 4, 4, NdxUpdate::Reposition);
    EXPECT_EQ(s.code, ndx_code::not_a_number);
    EXPECT_EQ(forward(), (std::vector<std::int32_t>{6, 2, 5, 7, 3, 1}));
    EXPECT_EQ(seek("100", NdxMatch::Exact), 0);
}

TEST_F(NdxTest, NavigationStopsAtBothEndsAndStays)
{
    create("CODE");
    for (int i = 1; i <= 5; ++i)
        add(Record().code(std::to_string(i)), i);
    ASSERT_TRUE(index.last().ok());
    EXPECT_EQ(index.record(), 5);
    ASSERT_TRUE(index.next().ok());
    EXPECT_TRUE(index.at_end());
    EXPECT_EQ(index.record(), 5);
    ASSERT_TRUE(index.previous().ok());
    EXPECT_FALSE(index.at_end());
    EXPECT_EQ(index.record(), 4);
    ASSERT_TRUE(index.first().ok());
    ASSERT_TRUE(index.previous().ok());
    EXPECT_TRUE(index.at_start());
    EXPECT_EQ(index.record(), 1);
    ASSERT_TRUE(index.next().ok());
    EXPECT_EQ(index.record(), 2);
}

// Key length 4 makes 12-byte entries: 42 of them fill 504 bytes exactly, so
// a full inner page ends with the key-less entry's left page number in the
// page's last four bytes.
TEST_F(NdxTest, SplitsAtTheExactMaximumAndMakesNewRoots)
{
    create("CODE");
    constexpr int m = 42;
    for (int i = 1; i <= m; ++i)
        add(Record().code(right(std::to_string(i), 4)), i);
    ASSERT_TRUE(index.close().ok());
    EXPECT_EQ(testing::le32(file.bytes, 4), 2u);  // still one page
    EXPECT_EQ(testing::le32(file.bytes, 512), 42u);

    ASSERT_TRUE(reopen().ok());
    add(Record().code(right("43", 4)), m + 1);
    ASSERT_TRUE(index.close().ok());
    // The first 21 keys went to the new page 2; page 1 kept 22; the new
    // root 3 has one key and the key-less entry.
    EXPECT_EQ(testing::le32(file.bytes, 0), 3u);
    EXPECT_EQ(testing::le32(file.bytes, 4), 4u);
    EXPECT_EQ(testing::le32(file.bytes, 2 * 512), 21u);
    EXPECT_EQ(testing::le32(file.bytes, 1 * 512), 22u);
    const std::size_t root = 3 * 512;
    EXPECT_EQ(testing::le32(file.bytes, root), 1u);
    EXPECT_EQ(testing::le32(file.bytes, root + 4), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(file.bytes.data() + root + 12), 4), "  21");
    EXPECT_EQ(testing::le32(file.bytes, root + 16), 1u);

    // Fill until the root itself is a full inner page, then split it too.
    ASSERT_TRUE(reopen().ok());
    int n = m + 1;
    bool saw_full_root = false;
    while (true) {
        ++n;
        add(Record().code(right(std::to_string(n), 4)), n);
        ASSERT_TRUE(index.close().ok());
        ASSERT_TRUE(reopen().ok());
        if (testing::le32(file.bytes, 0) != 3)
            break;
        if (testing::le32(file.bytes, root) == m) {
            saw_full_root = true;
            EXPECT_NE(testing::le32(file.bytes, root + 508), 0u);  // the key-less entry: 4 bytes, at the end
        }
        ASSERT_LT(n, 2000);
    }
    EXPECT_TRUE(saw_full_root);
    auto entries = on_disk();
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(entries[i].record, i + 1);
    // The old root split into 21 keys on a new page and 21 on its own, each
    // with its key-less entry; the new root points to both.
    std::size_t new_root = std::size_t{testing::le32(file.bytes, 0)} * 512;
    std::uint32_t left_half = testing::le32(file.bytes, new_root + 4);
    EXPECT_EQ(testing::le32(file.bytes, new_root), 1u);
    EXPECT_EQ(testing::le32(file.bytes, new_root + 16), 3u);
    EXPECT_EQ(testing::le32(file.bytes, left_half * 512), 21u);
    EXPECT_EQ(testing::le32(file.bytes, root), 21u);
}

TEST_F(NdxTest, EqualKeysComeBackInTheOrderOfInsertion)
{
    create("CODE");
    std::mt19937 rng(7);
    std::vector<std::pair<std::string, int>> reference;
    for (int n = 1; n <= 3000; ++n) {
        std::string code = std::to_string(rng() % 5);
        add(Record().code(code), n);
        reference.push_back({code, n});
    }
    std::stable_sort(reference.begin(), reference.end(),
                     [](auto& a, auto& b) { return a.first < b.first; });
    std::vector<std::int32_t> expected;
    for (auto& r : reference)
        expected.push_back(r.second);
    EXPECT_EQ(forward(), expected);
    EXPECT_EQ(backward(), expected);
    // A seek finds the first of the equal keys.
    EXPECT_EQ(seek("3", NdxMatch::Exact), std::find_if(reference.begin(), reference.end(),
                                                     [](auto& r) { return r.first == "3"; })->second);
    EXPECT_EQ(on_disk().size(), 3000u);
}

// Random inserts, key changes and deletions against a sorted reference.
TEST_F(NdxTest, RandomUpdatesMatchASortedReference)
{
    for (std::string_view expression : {"NAME", "NUM", "NAME+CODE"}) {
        file = {};
        create(expression);
        std::mt19937 rng(11);
        std::map<std::int32_t, Record> records;
        std::vector<std::int32_t> insertion;  // record numbers by time of their key
        auto random_record = [&] {
            Record r;
            r.name(std::string(1 + rng() % 3, static_cast<char>('A' + rng() % 6)));
            r.code(std::to_string(rng() % 100));
            r.num(right(std::to_string(static_cast<int>(rng() % 200) - 100), 8));
            return r;
        };
        auto key_of = [&](const Record& r) {
            NdxKey k;
            EXPECT_TRUE(index.compute_key(r.view(), k).ok());
            return std::vector<std::uint8_t>(k.bytes.begin(), k.bytes.begin() + k.size);
        };
        int next_number = 1;
        for (int step = 0; step < 4000; ++step) {
            int what = rng() % 10;
            if (what < 6 || records.empty()) {
                Record r = random_record();
                ASSERT_TRUE(index.update(r.view(), next_number, 0, NdxUpdate::Reposition).ok());
                EXPECT_EQ(index.record(), next_number);
                records[next_number] = r;
                insertion.push_back(next_number++);
            } else {
                auto it = records.begin();
                std::advance(it, rng() % records.size());
                std::int32_t n = it->first;
                Record r = what < 9 ? random_record() : it->second;  // sometimes the same key
                bool changed = key_of(r) != key_of(it->second);
                // Every other write names the bytes it replaces.
                std::span<const std::uint8_t> replaced;
                if (step % 2)
                    replaced = it->second.view();
                ASSERT_TRUE(index.update(r.view(), n, n, NdxUpdate::Reposition, replaced).ok());
                EXPECT_EQ(index.record(), n);
                it->second = r;
                if (changed) {
                    insertion.erase(std::find(insertion.begin(), insertion.end(), n));
                    insertion.push_back(n);
                }
            }
        }
        // Equal keys in the order their keys were given.
        std::vector<std::int32_t> expected = insertion;
        std::stable_sort(expected.begin(), expected.end(), [&](std::int32_t a, std::int32_t b) {
            NdxKey ka, kb;
            EXPECT_TRUE(index.compute_key(records[a].view(), ka).ok());
            EXPECT_TRUE(index.compute_key(records[b].view(), kb).ok());
            if (index.key_type() == NdxKeyType::Numeric)
                return compare_numeric_key(ka.bytes.data(), kb.bytes.data()) < 0;
            return compare_character_key(ka.bytes.data(), ka.size, kb.view()) < 0;
        });
        EXPECT_EQ(forward(), expected) << expression;
        EXPECT_EQ(backward(), expected) << expression;
        auto entries = on_disk();
        ASSERT_EQ(entries.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ(entries[i].record, expected[i]);
    }
}

// Keys that change to the greatest and smallest values empty whole leaves,
// which leave the tree, and move the separators above them.
TEST_F(NdxTest, DeletionRemovesEmptyLeavesAndKeepsSeparatorsExact)
{
    create("CODE");
    const int count = 400;
    for (int n = 1; n <= count; ++n)
        add(Record().code(right(std::to_string(n), 4)), n);
    for (int n = 100; n <= 300; ++n)
        ASSERT_TRUE(index.update(Record().code("X").view(), n, n, NdxUpdate::Reposition).ok());
    for (int n = count; n > 350; --n)
        ASSERT_TRUE(index.update(Record().code(" ").view(), n, n, NdxUpdate::Reposition).ok());
    std::vector<std::int32_t> expected;
    for (int n = count; n > 350; --n)
        expected.push_back(n);  // equal blank keys: in the order given
    for (int n = 1; n < 100; ++n)
        expected.push_back(n);
    for (int n = 301; n <= 350; ++n)
        expected.push_back(n);
    for (int n = 100; n <= 300; ++n)
        expected.push_back(n);
    EXPECT_EQ(forward(), expected);
    auto entries = on_disk();
    ASSERT_EQ(entries.size(), expected.size());
    bool found = false;
    ASSERT_TRUE(index.go_to_record(200, found).ok());
    EXPECT_TRUE(found);
    EXPECT_EQ(index.record(), 200);
    EXPECT_EQ(seek(right("150", 4), NdxMatch::Exact), 0);
}

TEST_F(NdxTest, TheStoredKeyFindsARecordWithoutAWalk)
{
    create("CODE");
    std::vector<Record> records(2001);
    for (int n = 1; n <= 2000; ++n) {
        records[n].code(std::to_string(n % 50));  // forty records per key
        add(records[n], n);
    }
    ASSERT_TRUE(reopen().ok());
    bool found = false;
    int reads = file.reads;
    ASSERT_TRUE(index.go_to_record(1999, found, records[1999].view()).ok());
    EXPECT_TRUE(found);
    EXPECT_EQ(index.record(), 1999);
    EXPECT_LT(file.reads - reads, 10);
    ASSERT_TRUE(index.next().ok());
    EXPECT_EQ(index.record(), 5);  // "49" is followed by "5"

    // A record filed under another key than its bytes give: the walk finds it.
    ASSERT_TRUE(reopen().ok());
    reads = file.reads;
    ASSERT_TRUE(index.go_to_record(1999, found, Record().code("7").view()).ok());
    EXPECT_TRUE(found);
    EXPECT_EQ(index.record(), 1999);
    EXPECT_GT(file.reads - reads, 10);
    ASSERT_TRUE(index.go_to_record(2001, found, records[1].view()).ok());
    EXPECT_FALSE(found);

    // Updates that name the replaced bytes move the key as the walk does.
    std::vector<std::int32_t> expected;
    for (int n = 1; n <= 2000; n += 97) {
        Record changed = Record().code("A");
        ASSERT_TRUE(index.update(changed.view(), n, n, NdxUpdate::Reposition, records[n].view()).ok());
        EXPECT_EQ(index.record(), n);
        records[n] = changed;
        expected.push_back(n);
    }
    std::vector<std::int32_t> walk = forward();
    ASSERT_EQ(walk.size(), 2000u);
    EXPECT_EQ(std::vector<std::int32_t>(walk.end() - static_cast<std::ptrdiff_t>(expected.size()), walk.end()), expected);
}

TEST_F(NdxTest, AnUnchangedKeyWritesNothing)
{
    create("NAME");
    for (int n = 1; n <= 100; ++n)
        add(Record().name("N" + std::to_string(n)), n);
    ASSERT_TRUE(index.close().ok());
    ASSERT_TRUE(reopen().ok());
    int writes = file.writes;
    ASSERT_TRUE(index.update(Record().name("N50").code("other").view(), 50, 50, NdxUpdate::Reposition).ok());
    EXPECT_EQ(index.record(), 50);
    ASSERT_TRUE(index.close().ok());
    EXPECT_EQ(file.writes, writes);
}

TEST_F(NdxTest, TheCacheKeepsThirtyTwoPagesAndWritesThemBack)
{
    create("NAME+CODE");  // 21 keys per page
    for (int n = 1; n <= 2000; ++n)
        add(Record().name(std::to_string(n * 7919 % 2000)).code("x"), n);
    int pages = 0;
    EXPECT_EQ(on_disk(&pages).size(), 2000u);
    EXPECT_GT(pages, 100);

    // Reading the whole index again through a full cache: each page once
    // from the file while it stays cached.
    ASSERT_TRUE(reopen().ok());
    int reads = file.reads;
    ASSERT_TRUE(index.first().ok());
    int reads_after_first = file.reads;
    ASSERT_TRUE(index.first().ok());
    EXPECT_EQ(file.reads, reads_after_first);  // a repeated descent touches memory only
    EXPECT_GT(reads_after_first, reads);
}

TEST_F(NdxTest, ShortReadsAndWritesNameTheOperation)
{
    create("NAME+CODE");
    for (int n = 1; n <= 300; ++n)
        add(Record().name(std::to_string(n)), n);
    ASSERT_TRUE(index.close().ok());

    ASSERT_TRUE(reopen().ok());
    file.fail_reads_after = 0;
    NdxStatus s = index.first();
    EXPECT_EQ(s.code, ndx_code::page_short);
    EXPECT_EQ(s.detail.view(), "Ndx_Get");
    file.fail_reads_after = -1;

    // A page not in the cache (a new one from a split) is written at once.
    ASSERT_TRUE(reopen().ok());
    file.fail_writes_after = 0;
    s = {};
    for (int n = 301; s.ok() && n < 400; ++n)
        s = index.update(Record().name("z" + std::to_string(n)).view(), n, 0, NdxUpdate::Reposition);
    EXPECT_EQ(s.code, ndx_code::page_short);
    EXPECT_EQ(s.detail.view(), "Ndx_Put/New");

    // Pages cached and changed reach the file at close.
    file.fail_writes_after = -1;
    ASSERT_TRUE(reopen().ok());
    for (int n = 302; n < 310; ++n)
        ASSERT_TRUE(index.update(Record().name("a" + std::to_string(n)).view(), n, 0, NdxUpdate::Reposition).ok());
    file.fail_writes_after = 0;
    s = index.close();
    EXPECT_EQ(s.code, ndx_code::page_short);
    EXPECT_EQ(s.detail.view(), "Ndx_Get/Put");
    EXPECT_TRUE(file.closed);
    EXPECT_FALSE(index.is_open());
}

// Header and page values that a damaged or hostile file may hold.
TEST_F(NdxTest, DamagedFilesAreRefusedWithCode901)
{
    create("NAME+CODE");
    for (int n = 1; n <= 300; ++n)
        add(Record().name(std::to_string(n)), n);
    ASSERT_TRUE(index.close().ok());
    const std::vector<std::uint8_t> good = file.bytes;
    std::uint32_t root = testing::le32(good, 0);

    struct Patch {
        const char* what;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
        bool at_open;
    };
    auto u16 = [](std::uint32_t v) { return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8)}; };
    auto u32 = [](std::uint32_t v) {
        return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    };
    const Patch patches[] = {
        {"root 0", 0, u32(0), true},
        {"root beyond next free", 0, u32(10000), true},
        {"next free beyond the file", 4, u32(10000), true},
        {"key length 0", 12, u16(0), true},
        {"key length 245", 12, u16(245), true},
        {"key length unlike the expression", 12, u16(13), true},
        {"entry size 0", 18, u16(0), true},
        {"max keys too high", 14, u16(22), true},
        {"key type 2", 16, u16(2), true},
        {"numeric with key length 14", 16, u16(1), true},
        {"key count 60000 in the root", root * 512, u16(60000), false},
        {"key count one above the maximum", root * 512, u16(22), false},
        {"root points to itself", root * 512 + 4, u32(root), false},
        {"child beyond the file", root * 512 + 4, u32(5000), false},
        {"child is the header", root * 512 + 4 + 24, u32(0), false},
    };
    for (const Patch& p : patches) {
        file.bytes = good;
        std::copy(p.bytes.begin(), p.bytes.end(), file.bytes.begin() + p.at);
        NdxStatus s = index.open("T.NDX", std::make_unique<MemoryStorage>(file), table_fields);
        if (p.at_open) {
            EXPECT_EQ(s.code, ndx_code::bad_file) << p.what;
            EXPECT_EQ(s.detail.view(), "T.NDX");
            EXPECT_FALSE(index.is_open());
            continue;
        }
        ASSERT_TRUE(s.ok()) << p.what;
        std::vector<std::int32_t> seen;
        NdxStatus walk = index.first();
        for (int i = 0; walk.ok() && !index.at_end() && i < 1000; ++i)
            walk = index.next();
        NdxKey key;
        ASSERT_TRUE(index.search_key("1", NdxMatch::Prefix, key).ok());
        std::int32_t found = 0;
        NdxStatus sought = index.search(key, NdxMatch::Prefix, found);
        NdxStatus updated = index.update(Record().name("new").view(), 400, 0, NdxUpdate::Reposition);
        EXPECT_TRUE(walk.code == ndx_code::bad_file || sought.code == ndx_code::bad_file ||
                    updated.code == ndx_code::bad_file) << p.what;
        index.close();
    }

    // An expression without its zero byte, and a file shorter than a page.
    file.bytes = good;
    std::fill(file.bytes.begin() + 24, file.bytes.begin() + 512, 'A');
    EXPECT_EQ(index.open("T.NDX", std::make_unique<MemoryStorage>(file), table_fields).code, ndx_code::bad_file);
    file.bytes.assign(good.begin(), good.begin() + 300);
    EXPECT_EQ(index.open("T.NDX", std::make_unique<MemoryStorage>(file), table_fields).code, ndx_code::bad_file);
}

TEST_F(NdxTest, AForeignExpressionFailsWhenAKeyIsBuilt)
{
    create("NAME");
    ASSERT_TRUE(index.close().ok());
    std::memcpy(file.bytes.data() + 24, "SURNAME\0", 8);
    ASSERT_TRUE(index.open("T.NDX", std::make_unique<MemoryStorage>(file), table_fields).ok());
    NdxStatus s = index.update(Record().name("x").view(), 1, 0, NdxUpdate::Reposition);
    EXPECT_EQ(s.code, ndx_code::bad_expression);
    EXPECT_EQ(s.detail.view(), "SURNAME (SURNAME)");
    EXPECT_EQ(index.expression(), "SURNAME");
}

} // namespace
} // namespace talven
