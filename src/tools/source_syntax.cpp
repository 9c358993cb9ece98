// Small helpers shared by the compiler and the lister.
#include "tools/source_syntax.h"

namespace talven::tools {

std::string upper_1252(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(upper_1252(static_cast<std::uint8_t>(c)));
    return out;
}

std::string byte_escape(std::uint8_t b)
{
    constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "\\{";
    out += digits[b >> 4];
    out += digits[b & 15];
    out += '}';
    return out;
}

} // namespace talven::tools
