// The loader's key rules, its failure table and where it finds the program.
#include <gtest/gtest.h>

#include "core/entry.h"
#include "core/loader.h"
#include "support/fake_host.h"

namespace talven {
namespace {

using testing::FakeHost;
using testing::plain_program;

std::string header(std::string_view version, std::uint8_t key20, std::uint8_t key21,
                   std::array<std::uint8_t, 4> indices = {0, 0, 0, 0}, std::string_view tail = "")
{
    std::string h = " ZUK-TALVEN";
    h += version;
    h.resize(32, 'x');
    h[20] = static_cast<char>(key20);
    h[21] = static_cast<char>(key21);
    for (int i = 0; i < 4; ++i)
        h[26 + i] = static_cast<char>(indices[i]);
    for (std::size_t i = 0; i < tail.size() && 30 + i < 32; ++i)
        h[30 + i] = tail[i];
    return h;
}

std::uint8_t key_of(const std::string& h)
{
    std::uint8_t bytes[32];
    std::memcpy(bytes, h.data(), 32);
    return line_key_of_header(bytes);
}

TEST(LineKey, FollowsTheHeaderRules)
{
    // Two blanks at 20 and 21 mean plain lines, whatever the version.
    EXPECT_EQ(key_of(header("5", ' ', ' ')), 0);
    EXPECT_EQ(key_of(header("4", ' ', ' ')), 0);
    // The older rule ORs the two key bytes.
    EXPECT_EQ(key_of(header("4", 0x12, 0x41)), 0x53);
    // Version 5: (h[19+i27] | h[19+i29]) & (h[19+i26] | h[19+i28]).
    std::string h = header("5", 0xF0, 0x0F, {1, 2, 3, 4});
    h[22] = 0x33; // h[19+3]
    h[23] = 0x5A; // h[19+4]
    // (h[21] | h[23]) & (h[20] | h[22]) = (0x0F|0x5A) & (0xF0|0x33) = 0x5F & 0xF3
    EXPECT_EQ(key_of(h), 0x5F & 0xF3);
    // Indices that point beyond offset 30 count as 0.
    std::string far = header("5", 0xFF, 0xFF, {12, 200, 1, 2});
    // (h[219]→0 | h[21]) & (h[31]→0 | h[20]) = 0xFF & 0xFF
    EXPECT_EQ(key_of(far), 0xFF);
    std::string all_far = header("5", 0xFF, 0xFF, {12, 12, 12, 12});
    EXPECT_EQ(key_of(all_far), 0);
    // Index 11 addresses offset 30, the last byte the rule may read.
    std::string edge = header("5", 0xFF, 0xFF, {11, 11, 11, 11}, "\x5A");
    EXPECT_EQ(key_of(edge), 0x5A);
}

struct LoadCase {
    const char* name;
    std::string file;
    int exit_code;
    const char* box_text; // nullptr: no box
};

std::string records(int count)
{
    std::string s;
    for (int i = 0; i < count; ++i)
        s += std::string("\x01\x27", 2);
    return s;
}

TEST(Loader, FailureTable)
{
    std::string plain = header("5", ' ', ' ');
    const LoadCase cases[] = {
        {"header only", plain, 0, nullptr},
        {"short header", plain.substr(0, 31), 1, "Keine TALVEN\xB2 Datei!"},
        {"wrong magic", " ZUK-TALVEM5" + plain.substr(12), 1, "Keine TALVEN\xB2 Datei!"},
        {"truncated record", plain + std::string("\x05\x27\x27", 3), 1, "Programmdatei fehlerhaft!"},
        {"length byte alone", plain + std::string("\x02", 1), 1, "Programmdatei fehlerhaft!"},
        {"length 255", plain + std::string("\xFF", 1) + std::string(255, '\x27'), 1,
         "Zeile zu lang (max. 254 Zeichen)!"},
        {"32767 lines", plain + records(32767), 0, nullptr},
        {"32768 lines", plain + records(32768), 1, "Nur 9999 Zeilen sind erlaubt!"},
        {"zero-length line", plain + std::string("\x00", 1), 0, nullptr},
    };
    for (const auto& c : cases) {
        FakeHost host;
        host.arguments.push_back(ShortString("P.TVC"));
        host.files["P.TVC"] = c.file;
        EXPECT_EQ(run_runtime(host), c.exit_code) << c.name;
        if (c.box_text) {
            ASSERT_EQ(host.boxes.size(), 1u) << c.name;
            EXPECT_EQ(host.boxes[0].text, c.box_text) << c.name;
            EXPECT_EQ(host.boxes[0].caption, "T A L V E N \xB2") << c.name;
            EXPECT_EQ(host.boxes[0].icon, BoxIcon::Error);
        } else {
            EXPECT_TRUE(host.boxes.empty()) << c.name;
        }
    }
}

TEST(Loader, UnscramblesWithTheLineKey)
{
    // Key 0x53 by the older rule: REM then a scrambled SCREEN line, which
    // must come out as SCREEN, which without a window reports itself.
    std::string file = header("4", 0x12, 0x41);
    file += std::string("\x01", 1) + static_cast<char>(0x27 ^ 0x53);
    file += std::string("\x01", 1) + static_cast<char>(0x42 ^ 0x53);
    FakeHost host;
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = file;
    EXPECT_EQ(run_runtime(host), 2);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Der Befehl setzt ein Fenster vorraus!");
    EXPECT_EQ(host.boxes[0].text, "Zeile      2!");
}

TEST(Loader, FindsTheProgram)
{
    std::string program = plain_program({"\xBF"});
    {
        // No "." in the name: ".TVC" is appended.
        FakeHost host;
        host.arguments.push_back(ShortString("PROG"));
        host.files["PROG.TVC"] = program;
        EXPECT_EQ(run_runtime(host), 0);
    }
    {
        // A "." anywhere keeps the name as it is.
        FakeHost host;
        host.arguments.push_back(ShortString("DIR.D\\PROG"));
        host.files["DIR.D\\PROG.TVC"] = program;
        EXPECT_EQ(run_runtime(host), 2);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, "Datei nicht gefunden: DIR.D\\PROG");
    }
    {
        // No parameter and no dialog answer: message 803, exit code 2.
        FakeHost host;
        EXPECT_EQ(run_runtime(host), 2);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text, "Aufruf mit: \r\nZADAZOD [<Dateiname>]");
    }
}

TEST(Loader, AppendedProgramWinsUnlessParameterOneIsAProgram)
{
    std::string appended = "EXECUTABLE BYTES" + plain_program({"\x42"}); // SCREEN: reports (no window)
    std::string separate = plain_program({"\xBF"});
    {
        FakeHost host;
        host.arguments[0] = ShortString("talven");
        host.arguments.push_back(ShortString("data.txt"));
        host.files["talven"] = appended;
        host.files["data.txt"] = "just text";
        host.appended_offset = 16;
        EXPECT_EQ(run_runtime(host), 2);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].caption, "Der Befehl setzt ein Fenster vorraus!");
    }
    {
        FakeHost host;
        host.arguments[0] = ShortString("talven");
        host.arguments.push_back(ShortString("other.tvc"));
        host.files["talven"] = appended;
        host.files["other.tvc"] = separate;
        host.appended_offset = 16;
        EXPECT_EQ(run_runtime(host), 0);
        EXPECT_TRUE(host.boxes.empty());
    }
}

} // namespace
} // namespace talven
