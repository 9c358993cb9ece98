// The text operations behind the string functions. They work on views and
// build short strings, so nothing here allocates.
#include "values/string_text.h"

#include <algorithm>

#include "values/conversions.h"

namespace talven {

namespace {

// Positions arrive as 32-bit numbers from the program; above the length of
// a short string they all mean "past the end".
std::size_t clamp_count(std::int32_t n) { return n <= 0 ? 0 : static_cast<std::size_t>(n); }

} // namespace

ShortString left_part(std::string_view s, std::int32_t n) { return ShortString(s.substr(0, clamp_count(n))); }

std::optional<ShortString> right_part(std::string_view s, std::int32_t n)
{
    if (n < 1 || static_cast<std::size_t>(n) > s.size())
        return std::nullopt;
    return ShortString(s.substr(s.size() - static_cast<std::size_t>(n)));
}

std::optional<ShortString> middle_part(std::string_view s, std::int32_t p, std::int32_t n)
{
    if (p < 1)
        return std::nullopt;
    std::size_t start = static_cast<std::size_t>(p) - 1;
    if (start >= s.size())
        return ShortString();
    return ShortString(s.substr(start, clamp_count(n)));
}

ShortString repeat_text(std::string_view s, std::int32_t n)
{
    ShortString out;
    if (s.empty())
        return out; // an empty text would only spin the loop
    for (std::int32_t i = 0; i < n && out.size() + s.size() < 255; ++i)
        out.append(s);
    return out;
}

ShortString blanks(std::int32_t n)
{
    ShortString out;
    for (std::int32_t i = 0; i < n && out.size() < 254; ++i)
        out.push_back(' ');
    return out;
}

ShortString join_text(std::string_view a, std::string_view b)
{
    ShortString out(a);
    out.append(b);
    return out;
}

std::optional<ShortString> delete_part(std::string_view s, std::int32_t p, std::int32_t n)
{
    if (p < 1)
        return std::nullopt;
    std::size_t start = static_cast<std::size_t>(p) - 1;
    if (n < 1 || start >= s.size())
        return ShortString(s);
    ShortString out(s.substr(0, start));
    std::size_t count = clamp_count(n);
    if (count < s.size() - start)
        out.append(s.substr(start + count));
    return out;
}

std::optional<ShortString> insert_text(std::string_view t, std::string_view s, std::int32_t p)
{
    if (p < 1)
        return std::nullopt;
    std::size_t at = std::min(static_cast<std::size_t>(p) - 1, s.size());
    ShortString out(s.substr(0, at));
    out.append(t);
    out.append(s.substr(at));
    return out;
}

std::int32_t find_text(std::string_view t, std::string_view s)
{
    if (t.empty())
        return 0;
    std::size_t at = s.find(t);
    return at == std::string_view::npos ? 0 : static_cast<std::int32_t>(at + 1);
}

std::string_view trim_text(std::string_view s)
{
    return trim_blanks(s);
}

ShortString upper_text(std::string_view s)
{
    ShortString out(s);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = upper_ansi(out[i]);
    return out;
}

ShortString lower_text(std::string_view s)
{
    ShortString out(s);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = lower_ansi(out[i]);
    return out;
}

ShortString replace_text(std::string_view s, std::string_view f, std::string_view r)
{
    if (f.empty())
        return ShortString(s);
    ShortString out;
    std::size_t from = 0;
    while (out.size() < ShortString::capacity) {
        std::size_t at = s.find(f, from);
        if (at == std::string_view::npos) {
            out.append(s.substr(from));
            break;
        }
        out.append(s.substr(from, at - from));
        out.append(r);
        from = at + f.size();
    }
    return out;
}

std::optional<ShortString> field_of(std::string_view s, std::int32_t n, std::string_view d)
{
    if (n < 1)
        return std::nullopt;
    if (d.empty())
        return n == 1 ? ShortString(s) : ShortString();
    std::size_t start = 0;
    // Each step passes one separator; the loop ends with the text, so a
    // huge n costs no more than the separators there are.
    for (std::int32_t field = 1; field < n; ++field) {
        std::size_t at = s.find(d, start);
        if (at == std::string_view::npos)
            return ShortString();
        start = at + d.size();
    }
    std::size_t end = s.find(d, start);
    return ShortString(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

ShortString scramble_text(std::string_view s, std::string_view pattern)
{
    ShortString out(s);
    if (pattern.size() != ShortString::capacity)
        return out;
    for (std::size_t k = 1; k <= out.size(); ++k) {
        auto c = static_cast<unsigned char>(out[k - 1]);
        auto key = static_cast<unsigned char>(pattern[ShortString::capacity - k]);
        out[k - 1] = static_cast<char>((c & 0x3F) | ((c ^ key) & 0xC0));
    }
    return out;
}

} // namespace talven
