// Integers in the byte order of the file formats the runtime reads and
// writes (program files, tables, indexes, pictures): least significant first.
#pragma once

#include <cstdint>

namespace talven {

inline std::uint16_t read_le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

inline std::uint32_t read_le32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

inline void write_le16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void write_le32(std::uint8_t* p, std::uint32_t v)
{
    write_le16(p, v);
    write_le16(p + 2, v >> 16);
}

} // namespace talven
