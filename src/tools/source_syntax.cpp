// Small helpers shared by the compiler and the lister.
#include "tools/source_syntax.h"

#include "core/tokens.h"

namespace talven::tools {

std::string upper_1252(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(upper_1252(static_cast<std::uint8_t>(c)));
    return out;
}

bool is_reserved_word(std::string_view upper)
{
    return upper == "DEFFN" || upper == "DEFDLL" || upper == "DEFDLL16" || upper == "ENDWHILE"
        || command_token_of(upper).has_value();
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
