// The input of the interpreter target, run twice on recording hosts: once
// with lines compiled on their first run, once with every argument read from
// its text each time. Both runs must end with the same exit code, show the
// same text, screen cells, boxes and library calls in the same order, pump
// as often, and leave the same files; any difference aborts with both sides.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/entry.h"
#include "fuzz_host.h"
#include "line_format.h"

namespace {

using talven::fuzzing::FuzzHost;

struct Run {
    int code = 0;
    int pumps = 0;
    std::vector<std::string> transcript;
    std::size_t dropped = 0;
    std::map<std::string, std::string> files; // name, attributes and bytes
};

Run run(const std::string& file, talven::Compilation compilation)
{
    FuzzHost host(file, FuzzHost::default_pump_limit, FuzzHost::Recording::On);
    Run r;
    r.code = talven::run_runtime(host, std::size_t{6} << 20, compilation);
    talven::fuzzing::check_exit_code(r.code);
    r.pumps = host.pumps;
    r.transcript = host.transcript().entries();
    r.dropped = host.transcript().dropped();
    for (const auto& [name, f] : host.memory_files().all())
        r.files[name] = std::to_string(f->attributes) + ' ' + f->bytes;
    return r;
}

// An entry readable on one line: bytes outside printable ASCII escaped, cut
// after 400 characters.
std::string shown(const std::string& entry)
{
    std::string out;
    for (unsigned char c : entry) {
        if (out.size() >= 400) {
            out += "...";
            break;
        }
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        }
    }
    return out;
}

[[noreturn]] void differ(const char* what, const std::string& compiled, const std::string& uncompiled)
{
    std::fprintf(stderr,
                 "fuzz_differential: the runs differ in %s\n"
                 "  compiled:   %s\n"
                 "  uncompiled: %s\n",
                 what, shown(compiled).c_str(), shown(uncompiled).c_str());
    std::fflush(stderr);
    std::abort();
}

void compare(const Run& a, const Run& b)
{
    if (a.code != b.code)
        differ("the exit code", std::to_string(a.code), std::to_string(b.code));
    std::size_t n = std::min(a.transcript.size(), b.transcript.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (a.transcript[i] != b.transcript[i]) {
            std::string what = "entry " + std::to_string(i) + " of what they showed (T text, C cells, S scroll, "
                                                              "B box, ! beep, L library call)";
            differ(what.c_str(), a.transcript[i], b.transcript[i]);
        }
    }
    if (a.transcript.size() != b.transcript.size()) {
        const Run& longer = a.transcript.size() > b.transcript.size() ? a : b;
        std::string more = "+ " + longer.transcript[n];
        bool compiled_longer = &longer == &a;
        differ("the number of entries of what they showed", compiled_longer ? more : "(ends here)",
               compiled_longer ? "(ends here)" : more);
    }
    if (a.dropped != b.dropped)
        differ("the output beyond the recorded part", std::to_string(a.dropped), std::to_string(b.dropped));
    if (a.pumps != b.pumps)
        differ("the number of pump calls", std::to_string(a.pumps), std::to_string(b.pumps));
    for (const auto& [name, content] : a.files) {
        auto it = b.files.find(name);
        if (it == b.files.end())
            differ(("the file " + name).c_str(), content, "(missing)");
        if (it->second != content)
            differ(("the file " + name + " (attributes, bytes)").c_str(), content, it->second);
    }
    for (const auto& [name, content] : b.files)
        if (!a.files.count(name))
            differ(("the file " + name).c_str(), "(missing)", content);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talven;
    std::string file = fuzzing::plain_header();
    if (!fuzzing::append_line_records(file, data, size))
        return -1; // more lines than a program may have: not worth running
    // One after the other: the second run's areas land where the first's did.
    Run compiled = run(file, Compilation::On);
    Run uncompiled = run(file, Compilation::Off);
    compare(compiled, uncompiled);
    return 0;
}
