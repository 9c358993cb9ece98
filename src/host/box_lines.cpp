#include "host/box_lines.h"

#include <cstdio>

#include "values/date_text.h"

namespace talven {

const char* box_kind_word(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error: return "error";
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Information: return "info";
    case BoxIcon::Question: return "question";
    }
    return "info";
}

std::string box_line_text(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            out.push_back(' ');
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::optional<LocalTime> parse_fixed_time(const char* text)
{
    LocalTime t;
    int consumed = 0;
    int count = std::sscanf(text, "%d-%d-%d %d:%d:%d%n", &t.year, &t.month, &t.day, &t.hour, &t.minute, &t.second,
                            &consumed);
    if (count < 3 || t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31)
        return std::nullopt;
    // The fraction of a second: ".78" is 780 milliseconds.
    if (count == 6 && text[consumed] == '.') {
        int scale = 100;
        for (const char* p = text + consumed + 1; *p >= '0' && *p <= '9' && scale > 0; ++p, scale /= 10)
            t.millisecond += (*p - '0') * scale;
    }
    t.weekday = weekday_of(CivilDate{t.year, t.month, t.day});
    return t;
}

} // namespace talven
