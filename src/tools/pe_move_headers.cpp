// pe_move_headers EXE: the post-link step of the Windows runtime. It moves
// the PE headers behind offset 128 so that the binder can store the
// locator word there. Running it twice changes nothing the second time.
#include "tools/pe_layout.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: pe_move_headers EXECUTABLE\n");
        return 2;
    }
    std::string file;
    {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "pe_move_headers: cannot open %s\n", argv[1]);
            return 1;
        }
        file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string error;
    auto result = talven::tools::move_pe_headers(file, error);
    if (!result) {
        std::fprintf(stderr, "pe_move_headers: %s: %s\n", argv[1], error.c_str());
        return 1;
    }
    if (*result == talven::tools::PeMove::AlreadyFree)
        return 0;
    // Rewritten in place: the size does not change, and the linker's output
    // is ours to modify.
    std::fstream out(argv[1], std::ios::binary | std::ios::in | std::ios::out);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "pe_move_headers: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
