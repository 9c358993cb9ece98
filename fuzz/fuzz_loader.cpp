// Arbitrary bytes as a compiled program file: the loader reads them and, if
// they make a program, the interpreter runs it on the fuzz host until it
// ends or the host breaks it off.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/entry.h"
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talven;
    fuzzing::FuzzHost host(std::string(reinterpret_cast<const char*>(data), size));
    int code = run_runtime(host);
    fuzzing::check_exit_code(code);
    return 0;
}
