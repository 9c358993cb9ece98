// The compiler of talvenc: UTF-8 source text to the program lines of a
// .TVC file (token byte plus argument text in Windows-1252).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talven::tools {

struct Diagnostic {
    int line = 0;   // source line, from 1
    int column = 0; // code point in that line, from 1
    std::string message;
};

struct CompileResult {
    // One entry per program line; empty where that line has an error. A
    // source line that is not blank always makes exactly one program line,
    // so the numbering holds even when some lines fail.
    std::vector<std::optional<std::string>> lines;
    std::vector<int> source_lines; // source line of each program line
    std::vector<Diagnostic> diagnostics;

    bool ok() const { return diagnostics.empty(); }
    // The lines of a successful compile.
    std::vector<std::string> program() const;
};

CompileResult compile_source(std::string_view utf8_source);

// "file:line:column: message"
std::string format_diagnostic(std::string_view file, const Diagnostic& d);

} // namespace talven::tools
