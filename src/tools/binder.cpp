// Locating the locator word in ELF and PE runtimes, and binding.
#include "tools/binder.h"

#include "tools/pe_layout.h"
#include "tools/tvc_format.h"

#include <limits>

namespace talven::tools {
namespace {

constexpr std::string_view locator_section = ".tvc_locator";
constexpr std::uint32_t sht_nobits = 8;
constexpr std::uint16_t shn_xindex = 0xFFFF;

std::uint64_t read_le(std::string_view b, std::size_t at, int size)
{
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(b[at + i]);
    return value;
}

bool fits(std::string_view file, std::uint64_t offset, std::uint64_t size)
{
    return offset <= file.size() && size <= file.size() - offset;
}

struct ElfLayout {
    bool wide; // ELFCLASS64
    std::size_t word() const { return wide ? 8 : 4; }
    // Offsets of fields in a section header.
    std::size_t type() const { return 4; }
    std::size_t offset() const { return wide ? 24 : 16; }
    std::size_t size() const { return wide ? 32 : 20; }
    std::size_t link() const { return wide ? 40 : 24; }
    std::size_t entry_size() const { return wide ? 64 : 40; }
};

std::optional<Locator> find_elf_locator(std::string_view f, std::string& error)
{
    if (f.size() < 52 || (f[4] != 1 && f[4] != 2)) {
        error = "ELF header is truncated or of an unknown class";
        return std::nullopt;
    }
    if (f[5] != 1) {
        error = "only little-endian ELF executables are supported";
        return std::nullopt;
    }
    ElfLayout e{f[4] == 2};
    if (e.wide && f.size() < 64) {
        error = "ELF header is truncated";
        return std::nullopt;
    }
    std::uint64_t shoff = read_le(f, e.wide ? 0x28 : 0x20, static_cast<int>(e.word()));
    std::size_t tail = e.wide ? 0x3A : 0x2E;
    std::uint64_t shentsize = read_le(f, tail, 2);
    std::uint64_t shnum = read_le(f, tail + 2, 2);
    std::uint64_t shstrndx = read_le(f, tail + 4, 2);
    if (shoff == 0 || shentsize < e.entry_size() || !fits(f, shoff, shentsize)) {
        error = "the executable has no section headers";
        return std::nullopt;
    }
    // Counts too large for the ELF header live in section header 0.
    if (shnum == 0)
        shnum = read_le(f, shoff + e.size(), static_cast<int>(e.word()));
    if (shstrndx == shn_xindex)
        shstrndx = read_le(f, shoff + e.link(), 4);
    if (shnum > (f.size() - shoff) / shentsize || shstrndx >= shnum) {
        error = "ELF section headers are truncated";
        return std::nullopt;
    }
    auto header = [&](std::uint64_t i) { return static_cast<std::size_t>(shoff + i * shentsize); };
    std::size_t strings = header(shstrndx);
    std::uint64_t names_at = read_le(f, strings + e.offset(), static_cast<int>(e.word()));
    std::uint64_t names_size = read_le(f, strings + e.size(), static_cast<int>(e.word()));
    if (!fits(f, names_at, names_size)) {
        error = "ELF section name table is truncated";
        return std::nullopt;
    }
    std::string_view names = f.substr(static_cast<std::size_t>(names_at), static_cast<std::size_t>(names_size));
    for (std::uint64_t i = 0; i < shnum; ++i) {
        std::size_t h = header(i);
        std::uint32_t name = static_cast<std::uint32_t>(read_le(f, h, 4));
        if (name >= names.size())
            continue;
        std::string_view rest = names.substr(name);
        if (rest.substr(0, rest.find('\0')) != locator_section)
            continue;
        std::uint64_t at = read_le(f, h + e.offset(), static_cast<int>(e.word()));
        std::uint64_t size = read_le(f, h + e.size(), static_cast<int>(e.word()));
        if (read_le(f, h + e.type(), 4) == sht_nobits || size < 4 || !fits(f, at, 4)) {
            error = "the section .tvc_locator holds no 4-byte word in the file";
            return std::nullopt;
        }
        return Locator{ExecutableKind::Elf, static_cast<std::size_t>(at)};
    }
    error = "the executable has no .tvc_locator section (is it the TALVEN\xC2\xB2 runtime?)";
    return std::nullopt;
}

std::optional<Locator> find_pe_locator(std::string_view f, std::string& error)
{
    auto headers = parse_pe_headers(f, error);
    if (!headers)
        return std::nullopt;
    if (headers->signature_offset < pe_locator_offset + 4) {
        error = "the PE headers cover offset 128, where the locator word belongs "
                "(the runtime was not processed with pe_move_headers)";
        return std::nullopt;
    }
    return Locator{ExecutableKind::Pe, pe_locator_offset};
}

} // namespace

std::optional<Locator> find_locator(std::string_view executable, std::string& error)
{
    if (executable.substr(0, 4) == "\x7F" "ELF")
        return find_elf_locator(executable, error);
    if (executable.substr(0, 2) == "MZ")
        return find_pe_locator(executable, error);
    error = "the runtime is neither an ELF nor a PE executable";
    return std::nullopt;
}

std::optional<std::string> bind_program(std::string_view runtime, std::string_view program, std::string& error)
{
    std::string program_error;
    if (!read_tvc(program, program_error)) {
        error = "the program is not a valid compiled program: " + program_error;
        return std::nullopt;
    }
    auto locator = find_locator(runtime, error);
    if (!locator)
        return std::nullopt;
    if (read_le32(runtime, locator->offset) != 0) {
        error = "the runtime is already bound to a program (its locator word is not 0)";
        return std::nullopt;
    }
    if (runtime.size() > std::numeric_limits<std::uint32_t>::max()) {
        error = "the runtime is too large for a 32-bit locator";
        return std::nullopt;
    }
    std::string bound(runtime);
    write_le32(bound, locator->offset, static_cast<std::uint32_t>(runtime.size()));
    bound += program;
    return bound;
}

} // namespace talven::tools
