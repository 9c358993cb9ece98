// The argument fetch alone: arbitrary argument text taken apart argument by
// argument with the separators and expected types the statements use.
//
// Input: one control byte, then 1..8 selector bytes, then the argument text.
//   control bits 0-1: error mode (1, 0, -1, 2)
//   control bits 2-4: number of selector bytes minus 1
//   selector bits 0-2: separator (blank, print mode, ",", ")", "=", ":", ";", "]")
//   selector bits 3-4: expected type (any, string, numeric, raw string)
// The selectors are used one per fetch, over again from the first when all
// are used. The text (at most 253 bytes) is the argument text of a program
// line, because the fetch remembers what it learns about texts in the
// program; the lines before it declare a few variables of every kind, so
// that names find something.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/loader.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "core/tokens.h"
#include "fuzz_host.h"
#include "values/fetch.h"

namespace {

using namespace talven;

constexpr char separators[8] = {rest_of_text, print_mode, ',', ')', '=', ':', ';', ']'};
constexpr Expect expects[4] = {Expect::Any, Expect::String, Expect::Numeric, Expect::RawString};
constexpr std::int32_t error_modes[4] = {1, 0, -1, 2};

// Declarations and values the fuzz text can refer to.
const std::vector<std::string>& setup_lines()
{
    static const std::vector<std::string> lines = [] {
        auto line = [](Tok token, std::string_view text) {
            return std::string(1, static_cast<char>(token)) + std::string(text);
        };
        return std::vector<std::string>{
            line(Tok::Declare, "A%,B&,C!,D$,E#,F%[3],G&[2,2],H![3],I$[3]"),
            line(Tok::Let, "A%=7"),
            line(Tok::Let, "B&=-123456"),
            line(Tok::Let, "C!=2.5"),
            line(Tok::Let, "D$=\"Text\""),
            line(Tok::Let, "I$[1]=\"eins\""),
            line(Tok::End, ""),
        };
    }();
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return -1;
    std::uint8_t control = data[0];
    std::size_t selector_count = 1 + ((control >> 2) & 7);
    if (size < 1 + selector_count)
        return -1;
    const std::uint8_t* selectors = data + 1;
    std::string_view text(reinterpret_cast<const char*>(data + 1 + selector_count), size - 1 - selector_count);
    if (text.size() > 253)
        text = text.substr(0, 253);

    std::string file = fuzzing::plain_header();
    for (const std::string& line : setup_lines()) {
        file.push_back(static_cast<char>(line.size()));
        file += line;
    }
    file.push_back(static_cast<char>(text.size() + 1));
    file.push_back(static_cast<char>(Tok::Print));
    file += text;

    fuzzing::FuzzHost host(std::move(file));
    {
        auto rt = std::make_unique<Runtime>(host);
        // Where the machine stack starts, as the runtime's entry records it,
        // so that evaluation keeps within its stack budget here too.
        char stack_marker = 0;
        rt->stack_base = reinterpret_cast<std::uintptr_t>(&stack_marker);
        try {
            load_program(*rt);
            run_loop(*rt);
        } catch (const ProgramEnd&) {
            fuzzing::host_fault("the set-up lines of the fetch target did not run");
        }
        std::int32_t last = rt->program.line_count();
        if (rt->loop.current_line != last - 1)
            fuzzing::host_fault("the set-up lines of the fetch target did not end at END");

        LoopState& loop = rt->loop;
        loop.current_line = last;
        loop.line = rt->program.line(last);
        loop.token = static_cast<std::uint8_t>(loop.line[0]);
        loop.args = ArgText(loop.line.substr(1));
        loop.stop = false;
        rt->errors.mode = error_modes[control & 3];
        rt->fetch = FetchState{};
        try {
            for (std::size_t n = 0; !loop.args.empty(); ++n) {
                std::uint8_t selector = selectors[n % selector_count];
                char separator = separators[selector & 7];
                const char* before = loop.args.begin();
                fetch(*rt, separator, expects[(selector >> 3) & 3]);
                // Print mode leaves the last argument in place and says so.
                if (separator == print_mode && rt->fetch.last_argument)
                    break;
                if (loop.args.begin() == before && !loop.args.empty()) {
                    // Every other separator takes at least the argument off.
                    fuzzing::host_fault("fetch took nothing off the argument text");
                }
                rt->fetch.last_argument = false;
            }
        } catch (const ProgramEnd& end) {
            fuzzing::check_exit_code(end.exit_code);
        }
        end_of_program_cleanup(*rt);
    }
    return 0;
}
