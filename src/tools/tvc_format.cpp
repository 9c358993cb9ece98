// Header, key and line records of .TVC files.
#include "tools/tvc_format.h"

namespace talven::tools {
namespace {

constexpr std::uint8_t blank = 0x20;

// Header byte 19 + x for a key-index byte x; offsets beyond 30 read as 0.
std::uint8_t indexed(const TvcHeader& h, std::uint8_t x)
{
    unsigned offset = 19u + x;
    return offset <= 30 ? h[offset] : 0;
}

std::uint32_t fnv1a(const std::vector<std::string>& lines)
{
    std::uint32_t hash = 2166136261u;
    auto mix = [&](std::uint8_t b) {
        hash ^= b;
        hash *= 16777619u;
    };
    for (const auto& line : lines) {
        mix(static_cast<std::uint8_t>(line.size()));
        for (char c : line)
            mix(static_cast<std::uint8_t>(c));
    }
    return hash;
}

// xorshift: small, deterministic, good enough to vary header bytes.
std::uint32_t next_random(std::uint32_t& state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

} // namespace

std::uint8_t tvc_line_key(const TvcHeader& h)
{
    if (h[20] == blank && h[21] == blank)
        return 0;
    if (h[11] == '5') {
        std::uint8_t left = indexed(h, h[27]) | indexed(h, h[29]);
        std::uint8_t right = indexed(h, h[26]) | indexed(h, h[28]);
        return left & right;
    }
    return h[20] | h[21];
}

TvcHeader make_tvc_header(KeyMode mode, std::uint32_t seed)
{
    TvcHeader h;
    h.fill(blank);
    for (std::size_t i = 0; i < tvc_magic.size(); ++i)
        h[1 + i] = static_cast<std::uint8_t>(tvc_magic[i]);
    h[11] = '5';
    if (mode == KeyMode::Plain)
        return h;

    std::uint32_t state = seed | 1u; // xorshift must not start at 0
    for (;;) {
        // Byte 20 is never a blank, so the older plain rule cannot apply.
        h[20] = static_cast<std::uint8_t>(0x41 + next_random(state) % 26);
        for (std::size_t i : {21u, 22u, 23u, 24u, 25u, 30u})
            h[i] = static_cast<std::uint8_t>(0x21 + next_random(state) % 0xDE);
        // Index values 1..11 address offsets 20..30, never the free bytes.
        for (std::size_t i = 26; i <= 29; ++i)
            h[i] = static_cast<std::uint8_t>(1 + next_random(state) % 11);
        if (tvc_line_key(h) != 0)
            return h;
    }
}

std::string write_tvc(const std::vector<std::string>& lines, KeyMode mode)
{
    TvcHeader header = make_tvc_header(mode, fnv1a(lines));
    std::uint8_t key = tvc_line_key(header);
    std::string out(header.begin(), header.end());
    for (const auto& line : lines) {
        out += static_cast<char>(line.size());
        for (char c : line)
            out += static_cast<char>(static_cast<std::uint8_t>(c) ^ key);
    }
    return out;
}

std::optional<TvcFile> read_tvc(std::string_view bytes, std::string& error)
{
    if (bytes.size() < tvc_header_size) {
        error = "not a compiled program: the 32-byte header is incomplete";
        return std::nullopt;
    }
    if (bytes.substr(1, tvc_magic.size()) != tvc_magic) {
        error = "not a compiled program: the magic \"ZUK-TALVEN\" is missing";
        return std::nullopt;
    }
    TvcFile file;
    for (std::size_t i = 0; i < tvc_header_size; ++i)
        file.header[i] = static_cast<std::uint8_t>(bytes[i]);
    file.key = tvc_line_key(file.header);

    std::size_t pos = tvc_header_size;
    while (pos < bytes.size()) {
        if (file.lines.size() == tvc_max_lines) {
            error = "more than 32767 lines";
            return std::nullopt;
        }
        std::size_t length = static_cast<std::uint8_t>(bytes[pos]);
        std::size_t line_no = file.lines.size() + 1;
        if (pos + 1 + length > bytes.size()) {
            error = "line " + std::to_string(line_no) + " is truncated";
            return std::nullopt;
        }
        if (length == 255) {
            error = "line " + std::to_string(line_no) + " has length 255 (at most 254)";
            return std::nullopt;
        }
        std::string line(bytes.substr(pos + 1, length));
        for (char& c : line)
            c = static_cast<char>(static_cast<std::uint8_t>(c) ^ file.key);
        file.lines.push_back(std::move(line));
        pos += 1 + length;
    }
    return file;
}

} // namespace talven::tools
