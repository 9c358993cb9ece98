// The registration tables: each token claimed once, in range, under its
// own name; and the loop's treatment of unclaimed tokens and prefixes.
#include <gtest/gtest.h>

#include <set>

#include "core/dispatch.h"
#include "core/entry.h"
#include "support/fake_host.h"

namespace talven {
namespace {

using testing::FakeHost;
using testing::plain_program;

TEST(Registries, EachCommandTokenOnceInRange)
{
    std::set<int> seen;
    for (auto registry : command_registries()) {
        for (const auto& entry : registry) {
            int token = static_cast<int>(entry.token);
            EXPECT_TRUE(token >= first_command_token && token <= last_command_token) << token;
            EXPECT_TRUE(seen.insert(token).second) << "claimed twice: " << token;
            EXPECT_NE(entry.handler, nullptr);
        }
    }
}

TEST(Registries, EachFunctionAndSystemVariableOnce)
{
    std::set<int> functions;
    for (auto registry : function_registries())
        for (const auto& entry : registry) {
            auto token = static_cast<std::uint8_t>(entry.token);
            EXPECT_TRUE(functions.insert(token).second) << "claimed twice: " << int(token);
            // A handler on a token without a name would take the calls of declared functions.
            EXPECT_FALSE(is_declared_function_token(token)) << int(token);
            EXPECT_NE(entry.handler, nullptr);
        }
    std::set<int> sysvars;
    for (auto registry : sysvar_registries())
        for (const auto& entry : registry) {
            int token = static_cast<int>(entry.token);
            EXPECT_TRUE(token >= first_sysvar_token && token <= last_sysvar_token) << token;
            EXPECT_TRUE(sysvars.insert(token).second) << "claimed twice: " << token;
            EXPECT_FALSE(sysvar_name(static_cast<std::uint8_t>(token)).empty()) << token;
            EXPECT_NE(entry.handler, nullptr);
        }
}

TEST(Registries, TheCommandTableIsComplete)
{
    const auto& table = command_table();
    for (int token = 0; token < 256; ++token) {
        bool unclaimed = token < first_command_token || token == 0xFF || (token >= 0x28 && token <= 0x3F) ||
                         token == 0x41;
        EXPECT_EQ(table[token] == nullptr, unclaimed) << token;
    }
}

int run(FakeHost& host, const std::vector<std::string>& lines)
{
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = plain_program(lines);
    return run_runtime(host);
}

TEST(Loop, UnclaimedTokensAreProcedureCallsWithoutATarget)
{
    for (std::string line : {std::string("\x28", 1), std::string("\x00\x01", 2), std::string("\xFF\x05\x00", 3),
                             std::string("\x41\x09\x09", 3), std::string("\x3F\x01", 2)}) {
        FakeHost host;
        EXPECT_EQ(run(host, {line}), 2);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].caption, "PROC fehlt!");
    }
}

TEST(Loop, EndStopsAfterItsLine)
{
    FakeHost host;
    EXPECT_EQ(run(host, {"\x27", "\xBF", "\x42"}), 0);
    EXPECT_TRUE(host.boxes.empty());
}

TEST(Loop, PrefixesRunTheRestOnlyWhenTheirConditionsHold)
{
    struct Case {
        std::string line;
        bool runs;
    };
    const Case cases[] = {
        {"\x81" "1:\x42", true},
        {"\x81" "0:\x42", false},
        {"\x82" "0:\x42", true},
        {"\x82" "1:\x42", false},
        {"\x81" "1:\x82" "0:\x42", true},
        {"\x81" "1:\x82" "1:\x42", false},
        // A skipped line's text is never evaluated.
        {"\x81" "0:\x42@@@", false},
        // A condition that holds with nothing after it does nothing.
        {"\x81" "1:", false},
        // Prefixes in either order and repeated: every condition must hold.
        {"\x82" "0:\x81" "1:\x42", true},
        {"\x81" "1:\x81" "0:\x42", false},
    };
    for (const auto& c : cases) {
        FakeHost host;
        EXPECT_EQ(run(host, {c.line}), c.runs ? 2 : 0) << c.line;
    }
}

TEST(Loop, PumpsAfterEvery21stLine)
{
    FakeHost host;
    EXPECT_EQ(run(host, std::vector<std::string>(63, "\x27")), 0);
    EXPECT_EQ(host.pumps, 3);
    FakeHost closing;
    closing.pump_result = PumpResult::Quit;
    EXPECT_EQ(run(closing, std::vector<std::string>(30, "\x27")), 255);
    EXPECT_EQ(closing.pumps, 1);
}

} // namespace
} // namespace talven
