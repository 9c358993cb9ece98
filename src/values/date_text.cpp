// Calendar rules and the date and time texts. Names and layouts are the
// runtime's own and are produced byte for byte (Windows-1252).
#include "values/date_text.h"

namespace talven {

namespace {

constexpr int first_year = 1900;
constexpr int last_year = 2078;

// The names as stored in their 9-character slots: "Februar " and "März "
// keep a trailing blank, which programs see in the long date.
constexpr std::string_view month_names[12] = {
    "Januar", "Februar ", "M\xE4rz ", "April",   "Mai",      "Juni",
    "Juli",   "August",   "September", "Oktober", "November", "Dezember",
};

constexpr std::string_view weekday_names[7] = {
    "Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag",
};

constexpr std::string_view default_separator = ".";
constexpr std::string_view default_picture = "dd.MM.yyyy";

int field_width(DateField field) { return field == DateField::Year ? 4 : 2; }

void append_number(ShortString& out, int value, int width)
{
    if (value < 0)
        value = 0; // the host's clock never gives one; a digit must not go wrong
    char digits[4];
    for (int i = width - 1; i >= 0; --i) {
        digits[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    out.append(std::string_view(digits, static_cast<std::size_t>(width)));
}

// A number without leading zeros; the day of the long date.
void append_decimal(ShortString& out, int value) { append_number(out, value, value >= 10 ? 2 : 1); }

// Digits only, at least one.
std::optional<int> digits_value(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::optional<DateField> field_of_letter(char c)
{
    switch (c) {
    case 'd': case 'D': return DateField::Day;
    case 'm': case 'M': return DateField::Month;
    case 'y': case 'Y': return DateField::Year;
    default: return std::nullopt;
    }
}

int field_value(CivilDate date, DateField field)
{
    switch (field) {
    case DateField::Day: return date.day;
    case DateField::Month: return date.month;
    default: return date.year;
    }
}

} // namespace

bool is_leap_year(int year)
{
    if (year % 4000 == 0)
        return false;
    if (year % 100 == 0)
        return year % 400 == 0;
    return year % 4 == 0;
}

int days_in_month(int year, int month)
{
    constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return month == 2 && is_leap_year(year) ? 29 : lengths[month - 1];
}

std::optional<CivilDate> valid_date(int year, int month, int day)
{
    if (year >= 0 && year < 100)
        year += first_year;
    if (year < first_year || year > last_year || day < 1 || day > days_in_month(year, month))
        return std::nullopt;
    return CivilDate{year, month, day};
}

int weekday_of(CivilDate date)
{
    // Counting from 1 March keeps the leap day at the end of the year.
    constexpr int offsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    int y = date.month < 3 ? date.year - 1 : date.year;
    return (y + y / 4 - y / 100 + y / 400 + offsets[date.month - 1] + date.day) % 7;
}

DateOrder date_order(std::string_view separator, std::string_view picture)
{
    if (separator.empty())
        separator = default_separator;
    if (picture.empty())
        picture = default_picture;
    DateOrder order;
    order.separator = separator.front();
    order.letters = {};
    order.letters[0] = picture.front();
    order.letter_count = 1;
    for (char c : picture.substr(1)) {
        if (order.letter_count == 3)
            break;
        if (c != order.letters[order.letter_count - 1] && c != order.separator)
            order.letters[order.letter_count++] = c;
    }
    // The fields follow the letters when they name each field once; a
    // picture that doesn't is read year first, the unambiguous order.
    order.fields = {DateField::Year, DateField::Month, DateField::Day};
    if (order.letter_count == 3) {
        std::array<DateField, 3> fields{};
        bool seen[3] = {};
        bool complete = true;
        for (int i = 0; i < 3; ++i) {
            auto field = field_of_letter(order.letters[static_cast<std::size_t>(i)]);
            if (!field || seen[static_cast<int>(*field)]) {
                complete = false;
                break;
            }
            seen[static_cast<int>(*field)] = true;
            fields[static_cast<std::size_t>(i)] = *field;
        }
        if (complete)
            order.fields = fields;
    }
    return order;
}

ShortString order_text(const DateOrder& order)
{
    ShortString out;
    out.push_back(order.separator);
    out.append(std::string_view(order.letters.data(), order.letter_count));
    return out;
}

ShortString long_date_text(CivilDate date)
{
    ShortString out;
    append_decimal(out, date.day);
    out.append(". ");
    out.append(month_names[date.month - 1]);
    out.push_back(' ');
    append_number(out, date.year, 4);
    return out;
}

ShortString weekday_date_text(CivilDate date)
{
    ShortString out(weekday_names[weekday_of(date)]);
    out.append(", der ");
    out.append(long_date_text(date));
    return out;
}

ShortString stored_date_text(CivilDate date)
{
    ShortString out;
    append_number(out, date.year, 4);
    append_number(out, date.month, 2);
    append_number(out, date.day, 2);
    return out;
}

ShortString short_date_text(CivilDate date, const DateOrder& order)
{
    ShortString out;
    for (std::size_t i = 0; i < order.fields.size(); ++i) {
        if (i > 0)
            out.push_back(order.separator);
        append_number(out, field_value(date, order.fields[i]), field_width(order.fields[i]));
    }
    return out;
}

ShortString date_text(std::int32_t form, const LocalTime& today, const DateOrder& order)
{
    if (form == 4)
        return order_text(order);
    auto date = valid_date(today.year, today.month, today.day);
    if (!date)
        return {};
    switch (form) {
    case 1: return long_date_text(*date);
    case 2: return weekday_date_text(*date);
    case 3: return stored_date_text(*date);
    default: return short_date_text(*date, order);
    }
}

std::optional<CivilDate> parse_stored_date(std::string_view text)
{
    if (text.size() != 8)
        return std::nullopt;
    auto year = digits_value(text.substr(0, 4));
    auto month = digits_value(text.substr(4, 2));
    auto day = digits_value(text.substr(6, 2));
    if (!year || !month || !day)
        return std::nullopt;
    return valid_date(*year, *month, *day);
}

std::optional<CivilDate> parse_short_date(std::string_view text, const DateOrder& order)
{
    if (text.size() != 10)
        return std::nullopt;
    int values[3] = {};
    std::size_t at = 0;
    for (DateField field : order.fields) {
        auto width = static_cast<std::size_t>(field_width(field));
        auto value = digits_value(text.substr(at, width));
        if (!value)
            return std::nullopt;
        values[static_cast<int>(field)] = *value;
        at += width + 1; // the separator's position is not examined
    }
    return valid_date(values[static_cast<int>(DateField::Year)], values[static_cast<int>(DateField::Month)],
                      values[static_cast<int>(DateField::Day)]);
}

ShortString time_text(std::int32_t form, const LocalTime& now)
{
    ShortString out;
    if (form % 2 == 0) {
        append_number(out, now.hour, 2);
        out.push_back(':');
        append_number(out, now.minute, 2);
    } else {
        append_number(out, now.second, 2);
        out.push_back('.');
        append_number(out, now.millisecond / 10, 2);
    }
    return out;
}

} // namespace talven
