#include "host/box_lines.h"

#include <cstdio>
#include <span>

#include "values/date_text.h"

namespace talven {

const char* box_kind_word(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error: return "error";
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Information: return "info";
    case BoxIcon::Question: return "question";
    case BoxIcon::None: return "message";
    }
    return "info";
}

std::string box_line(BoxIcon icon, std::string_view caption, std::string_view text)
{
    std::string line = "[";
    line += box_kind_word(icon);
    line += "] ";
    line += box_line_text(caption);
    line += " | ";
    line += box_line_text(text);
    line += '\n';
    return line;
}

BoxType decode_box_type(std::uint32_t type)
{
    BoxType t{BoxIcon::None, BoxButtons::Ok, static_cast<int>((type >> 8) & 0xF)};
    switch (type & 0xF) {
    case 1: t.buttons = BoxButtons::OkCancel; break;
    case 2: t.buttons = BoxButtons::AbortRetryIgnore; break;
    case 3: t.buttons = BoxButtons::YesNoCancel; break;
    case 4: t.buttons = BoxButtons::YesNo; break;
    case 5: t.buttons = BoxButtons::RetryCancel; break;
    default: break;
    }
    switch ((type >> 4) & 0xF) {
    case 1: t.icon = BoxIcon::Error; break;
    case 2: t.icon = BoxIcon::Question; break;
    case 3: t.icon = BoxIcon::Warning; break;
    case 4: t.icon = BoxIcon::Information; break;
    default: break;
    }
    return t;
}

BoxAnswer default_answer(const BoxType& type)
{
    static constexpr BoxAnswer ok[] = {BoxAnswer::Ok};
    static constexpr BoxAnswer ok_cancel[] = {BoxAnswer::Ok, BoxAnswer::Cancel};
    static constexpr BoxAnswer abort_retry_ignore[] = {BoxAnswer::Abort, BoxAnswer::Retry, BoxAnswer::Ignore};
    static constexpr BoxAnswer yes_no_cancel[] = {BoxAnswer::Yes, BoxAnswer::No, BoxAnswer::Cancel};
    static constexpr BoxAnswer yes_no[] = {BoxAnswer::Yes, BoxAnswer::No};
    static constexpr BoxAnswer retry_cancel[] = {BoxAnswer::Retry, BoxAnswer::Cancel};
    std::span<const BoxAnswer> buttons = ok;
    switch (type.buttons) {
    case BoxButtons::Ok: break;
    case BoxButtons::OkCancel: buttons = ok_cancel; break;
    case BoxButtons::AbortRetryIgnore: buttons = abort_retry_ignore; break;
    case BoxButtons::YesNoCancel: buttons = yes_no_cancel; break;
    case BoxButtons::YesNo: buttons = yes_no; break;
    case BoxButtons::RetryCancel: buttons = retry_cancel; break;
    }
    // A default beyond the set falls back to the first button, as the
    // platform's box does.
    std::size_t index = static_cast<std::size_t>(type.default_button);
    return index < buttons.size() ? buttons[index] : buttons[0];
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

std::int32_t Host::program_box(std::string_view text, std::string_view caption, std::uint32_t type)
{
    BoxType t = decode_box_type(type);
    return static_cast<std::int32_t>(message_box(text, caption, t.icon, t.buttons));
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
