// Arbitrary bytes as the lines of a program: the input is split at newline
// bytes, each piece (cut to 254 bytes) becomes one line record after a plain
// header, and the program runs on the fuzz host with its step limit. The
// first byte of a line is its command token.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/entry.h"
#include "fuzz_host.h"
#include "line_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talven;
    std::string file = fuzzing::plain_header();
    if (!fuzzing::append_line_records(file, data, size))
        return -1; // more lines than a program may have: not worth running
    fuzzing::FuzzHost host(std::move(file));
    int code = run_runtime(host);
    fuzzing::check_exit_code(code);
    return 0;
}
