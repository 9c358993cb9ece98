// The binder on synthetic ELF and PE files, on a real ELF that declares the
// locator section like the runtime, and on a real mingw executable when a
// cross compiler is installed.
#include "tools/binder.h"
#include "tools/file_io.h"
#include "tools/pe_layout.h"
#include "tools/tvc_format.h"
#include "tool_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace talven::tools;
using namespace talven::tools::test;
namespace fs = std::filesystem;

namespace {

void put(std::string& b, std::size_t at, std::uint64_t value, int size)
{
    if (b.size() < at + size)
        b.resize(at + size, '\0');
    for (int i = 0; i < size; ++i)
        b[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

struct ElfOptions {
    bool wide = true;
    std::uint32_t locator = 0;
    std::uint32_t section_type = 1; // PROGBITS
    std::uint64_t section_size = 4;
    std::uint64_t section_offset = 0x40 + 12; // after the largest ELF header
    const char* name = ".tvc_locator";
};

// Header, the locator word, a name table and three section headers
// (null, .tvc_locator, .shstrtab).
std::string make_elf(const ElfOptions& o)
{
    std::string f = "\x7F" "ELF";
    f += static_cast<char>(o.wide ? 2 : 1);
    f += '\x01'; // little-endian
    f += '\x01';
    std::size_t word = o.wide ? 8 : 4;
    std::size_t entry = o.wide ? 64 : 40;
    std::size_t strings_at = 0x60;
    std::string names = std::string("\0", 1) + o.name + std::string("\0.shstrtab\0", 11);
    std::size_t shoff = 0x100;
    put(f, o.wide ? 0x28 : 0x20, shoff, static_cast<int>(word));
    std::size_t tail = o.wide ? 0x3A : 0x2E;
    put(f, tail, entry, 2);
    put(f, tail + 2, 3, 2);
    put(f, tail + 4, 2, 2);
    put(f, 0x40 + 12, o.locator, 4);
    f.resize(strings_at, '\0');
    f += names;
    auto section = [&](int index, std::uint32_t name, std::uint32_t type, std::uint64_t offset, std::uint64_t size) {
        std::size_t h = shoff + index * entry;
        put(f, h, name, 4);
        put(f, h + 4, type, 4);
        put(f, h + (o.wide ? 24 : 16), offset, static_cast<int>(word));
        put(f, h + (o.wide ? 32 : 20), size, static_cast<int>(word));
    };
    section(0, 0, 0, 0, 0);
    section(1, 1, o.section_type, o.section_offset, o.section_size);
    section(2, static_cast<std::uint32_t>(1 + std::string(o.name).size() + 1), 3, strings_at, names.size());
    f.resize(shoff + 3 * entry, '\0');
    return f;
}

std::string program() { return write_tvc({std::string(1, '\xBF')}, KeyMode::Scrambled); }

TEST(Binder, BindsElfOfBothClasses)
{
    for (bool wide : {true, false}) {
        std::string runtime = make_elf({.wide = wide});
        std::string error;
        auto bound = bind_program(runtime, program(), error);
        ASSERT_TRUE(bound) << error;
        EXPECT_EQ(read_le32(*bound, 0x40 + 12), runtime.size());
        EXPECT_EQ(bound->substr(runtime.size()), program());
        EXPECT_EQ(bound->substr(0, 0x40 + 12), runtime.substr(0, 0x40 + 12));

        // Bound once is bound for good.
        EXPECT_FALSE(bind_program(*bound, program(), error));
        EXPECT_NE(error.find("already bound"), std::string::npos) << error;
    }
}

TEST(Binder, RefusesWhatItCannotBind)
{
    struct Case {
        const char* what;
        std::string runtime;
        std::string program;
        const char* message;
    };
    std::string elf = make_elf({});
    std::string big_endian = elf;
    big_endian[5] = 2;
    std::string headers_beyond_end = elf;
    put(headers_beyond_end, 0x28, 0x10000, 8);
    std::string bad_string_index = elf;
    put(bad_string_index, 0x3E, 7, 2);
    const Case cases[] = {
        {"program is no .TVC", elf, "not a program", "not a valid compiled program"},
        {"program cut inside a record", elf, program().substr(0, 33), "truncated"},
        {"no locator section", make_elf({.name = ".tvc_other"}), program(), "no .tvc_locator section"},
        {"locator without file bytes", make_elf({.section_type = 8}), program(), "no 4-byte word"},
        {"locator too small", make_elf({.section_size = 2}), program(), "no 4-byte word"},
        {"locator beyond the file", make_elf({.section_offset = 0x100000}), program(), "no 4-byte word"},
        {"big-endian", big_endian, program(), "little-endian"},
        {"section headers beyond the file", headers_beyond_end, program(), "no section headers"},
        {"name table index out of range", bad_string_index, program(), "truncated"},
        {"truncated ELF header", elf.substr(0, 30), program(), "truncated"},
        {"neither ELF nor PE", "#!/bin/sh\n", program(), "neither"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(bind_program(c.runtime, c.program, error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(Binder, RefusesAnExecutableWithoutLocatorSection)
{
    std::string error;
    auto plain = read_file("/bin/true", error);
    if (!plain)
        GTEST_SKIP() << "no /bin/true";
    EXPECT_FALSE(bind_program(*plain, program(), error));
    EXPECT_NE(error.find(".tvc_locator"), std::string::npos) << error;
}

std::string run_and_capture(const fs::path& exe)
{
    std::string out;
    if (std::FILE* pipe = popen(('"' + exe.string() + '"').c_str(), "r")) {
        char buffer[256];
        while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// The probe declares the locator exactly as the runtime does, so this shows
// the section comes out of the compiler as the binder expects and that a
// bound executable finds its program through it.
TEST(Binder, BoundElfFindsItsProgram)
{
    fs::path probe = TALVEN_LOCATOR_PROBE;
    std::string error;
    auto runtime = read_file(probe, error);
    ASSERT_TRUE(runtime) << error;
    EXPECT_EQ(run_and_capture(probe), "locator=0\n");

    auto bound = bind_program(*runtime, program(), error);
    ASSERT_TRUE(bound) << error;
    fs::path out = scratch_dir("bind") / "bound";
    ASSERT_TRUE(write_file(out, *bound, error, &probe)) << error;
    EXPECT_NE(fs::status(out).permissions() & fs::perms::owner_exec, fs::perms::none);
    EXPECT_EQ(run_and_capture(out), "locator=" + std::to_string(runtime->size()) + "\nmagic=ZUK-TALVEN\n");
}

struct PeOptions {
    std::uint32_t signature_at = 0x80;
    std::uint32_t size_of_headers = 0x200;
    std::uint32_t first_raw = 0x200;
    std::uint16_t sections = 1;
};

constexpr std::size_t optional_size = 0xF0;

// MZ header with a stub, signature, file header, PE32+ optional header and
// a section table, then the sections' raw data.
std::string make_pe(const PeOptions& o)
{
    std::string f(o.first_raw + 0x200 * o.sections, '\0');
    f[0] = 'M';
    f[1] = 'Z';
    for (std::size_t i = 0x40; i < 0x80; ++i)
        f[i] = 'S';
    put(f, 0x3C, o.signature_at, 4);
    std::size_t s = o.signature_at;
    f.replace(s, 4, std::string("PE\0\0", 4));
    put(f, s + 4, 0x8664, 2);
    put(f, s + 6, o.sections, 2);
    put(f, s + 20, optional_size, 2);
    std::size_t opt = s + 24;
    put(f, opt, 0x20B, 2);
    put(f, opt + 60, o.size_of_headers, 4);
    put(f, opt + 64, 0x12345678, 4); // checksum
    for (std::size_t i = 0; i < o.sections; ++i) {
        std::size_t h = opt + optional_size + 40 * i;
        f.replace(h, 5, ".text");
        put(f, h + 16, 0x200, 4);
        put(f, h + 20, o.first_raw + 0x200 * i, 4);
    }
    return f;
}

TEST(PeHeaders, MoveThenBind)
{
    std::string original = make_pe({});
    std::string error;
    EXPECT_FALSE(bind_program(original, program(), error));
    EXPECT_NE(error.find("pe_move_headers"), std::string::npos) << error;

    std::string file = original;
    ASSERT_EQ(move_pe_headers(file, error), PeMove::Moved) << error;
    EXPECT_EQ(read_le32(file, 0x3C), 0x88u);
    EXPECT_EQ(file.substr(0x80, 8), std::string(8, '\0'));
    EXPECT_EQ(file.substr(0x40, 0x40), std::string(0x40, 'S'));
    std::size_t length = 24 + optional_size + 40;
    std::string moved = file.substr(0x88, length);
    std::string expected = original.substr(0x80, length);
    put(expected, 24 + 64, 0, 4); // the checksum is cleared
    EXPECT_EQ(hex(moved), hex(expected));
    EXPECT_EQ(file.size(), original.size());

    std::string again = file;
    EXPECT_EQ(move_pe_headers(again, error), PeMove::AlreadyFree);
    EXPECT_EQ(again, file);

    auto bound = bind_program(file, program(), error);
    ASSERT_TRUE(bound) << error;
    EXPECT_EQ(read_le32(*bound, 128), file.size());
    EXPECT_EQ(bound->substr(file.size()), program());
    ASSERT_TRUE(parse_pe_headers(*bound, error)) << error;

    EXPECT_FALSE(move_pe_headers(*bound, error));
    EXPECT_NE(error.find("already bound"), std::string::npos) << error;
}

TEST(PeHeaders, RefusesToMoveWithoutRoomOrHeaders)
{
    std::size_t headers_end = 0x80 + 24 + optional_size + 40;
    struct Case {
        const char* what;
        std::string file;
        const char* message;
    };
    std::string no_signature = make_pe({});
    no_signature[0x80] = 'X';
    std::string far_signature = make_pe({});
    put(far_signature, 0x3C, 0x7FFFFFF0, 4);
    const Case cases[] = {
        {"headers fill SizeOfHeaders", make_pe({.size_of_headers = static_cast<std::uint32_t>(headers_end)}), "no room"},
        {"section data right after the headers",
            make_pe({.size_of_headers = 0x400, .first_raw = static_cast<std::uint32_t>(headers_end + 4)}), "no room"},
        {"no PE signature", no_signature, "no PE signature"},
        {"e_lfanew beyond the file", far_signature, "no PE signature"},
        {"section table beyond the file", make_pe({.sections = 60}).substr(0, 0x400), "truncated"},
        {"not MZ", "ELF", "no MZ"},
    };
    for (const auto& c : cases) {
        std::string file = c.file;
        std::string error;
        EXPECT_FALSE(move_pe_headers(file, error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
        EXPECT_EQ(file, c.file) << c.what;
    }
}

TEST(PeHeaders, PostLinkToolRewritesInPlace)
{
    fs::path dir = scratch_dir("pe-tool");
    fs::path exe = dir / "runtime.exe";
    std::string error;
    ASSERT_TRUE(write_file(exe, make_pe({}), error)) << error;
    std::string tool = std::string("\"") + TALVEN_PE_MOVE_HEADERS + "\" ";
    EXPECT_EQ(std::system((tool + exe.string()).c_str()), 0);
    EXPECT_EQ(read_le32(*read_file(exe, error), 0x3C), 0x88u);
    EXPECT_EQ(std::system((tool + exe.string()).c_str()), 0);
    EXPECT_EQ(read_le32(*read_file(exe, error), 0x3C), 0x88u);

    ASSERT_TRUE(write_file(exe, "not an executable", error));
    EXPECT_NE(std::system((tool + exe.string() + " 2>/dev/null").c_str()), 0);
}

TEST(PeHeaders, RealMingwExecutable)
{
    if (std::system("command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "x86_64-w64-mingw32-g++ is not installed";
    fs::path dir = scratch_dir("mingw");
    std::string error;
    ASSERT_TRUE(write_file(dir / "hello.cpp", "int main() { return 0; }\n", error));
    std::string build = "x86_64-w64-mingw32-g++ -o \"" + (dir / "hello.exe").string() + "\" \"" + (dir / "hello.cpp").string() + "\"";
    ASSERT_EQ(std::system(build.c_str()), 0);
    auto exe = read_file(dir / "hello.exe", error);
    ASSERT_TRUE(exe) << error;
    std::string file = *exe;
    auto moved = move_pe_headers(file, error);
    ASSERT_TRUE(moved) << error;
    auto headers = parse_pe_headers(file, error);
    ASSERT_TRUE(headers) << error;
    EXPECT_GT(headers->signature_offset, 131u);
    EXPECT_LE(headers->headers_end, headers->size_of_headers);
    auto bound = bind_program(file, program(), error);
    ASSERT_TRUE(bound) << error;
    EXPECT_EQ(read_le32(*bound, 128), file.size());
}

} // namespace
