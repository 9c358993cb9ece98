// Builds program lines from tokens and argument text, and runs them on a
// FakeHost, for tests that need the interpreter without the compiler.
#pragma once

#include <string>
#include <vector>

#include "core/entry.h"
#include "core/tokens.h"
#include "support/fake_host.h"

namespace talven::testing {

inline std::string line(Tok token, std::string_view args = {})
{
    std::string text(1, static_cast<char>(token));
    text += args;
    return text;
}

// "@" + the function token, for argument texts.
inline std::string call(Fn token)
{
    return std::string("@") + static_cast<char>(token);
}

// "%", "&", "!" or "$" + the system variable token.
inline std::string sysvar(char prefix, SysVar token)
{
    return std::string(1, prefix) + static_cast<char>(token);
}

// A procedure call line to the PROC on line n.
inline std::string call_line(int proc_line, std::string_view args = {})
{
    std::string text(1, '\x28');
    text.push_back(static_cast<char>(proc_line & 0xFF));
    text.push_back(static_cast<char>(proc_line >> 8));
    text += args;
    return text;
}

struct RunResult {
    int exit_code;
    std::string output;
    std::vector<RecordedBox> boxes;
    std::string first_caption() const { return boxes.empty() ? std::string() : boxes[0].caption; }
};

inline RunResult run_lines(const std::vector<std::string>& lines, FakeHost host = {})
{
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = plain_program(lines);
    int code = run_runtime(host);
    return {code, host.output, host.boxes};
}

} // namespace talven::testing
