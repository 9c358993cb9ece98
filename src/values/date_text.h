// Calendar rules and the date and time texts of the runtime: which dates
// exist, the German names, the order of the locale's short date, and the
// fixed layouts that programs store and read back.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"
#include "host/host.h"

namespace talven {

struct CivilDate {
    int year = 1900;
    int month = 1;
    int day = 1;
};

// Every fourth year, but not the full centuries except every fourth one,
// and never a year divisible by 4000.
bool is_leap_year(int year);
// The days of a month, 0 for a month outside 1..12.
int days_in_month(int year, int month);

// The date when it exists within 1900..2078; a year below 100 counts from
// 1900 (97 is 1997).
std::optional<CivilDate> valid_date(int year, int month, int day);

// 0 for Sunday up to 6 for Saturday.
int weekday_of(CivilDate date);

enum class DateField : std::uint8_t { Day, Month, Year };

// The short date of the user's locale: its separator, the order letters as
// found in the picture, and the order of the fields that follows from them.
struct DateOrder {
    char separator = '.';
    std::array<char, 3> letters{'d', 'M', 'y'};
    std::uint8_t letter_count = 3;
    std::array<DateField, 3> fields{DateField::Day, DateField::Month, DateField::Year};
};

// The order letters are the picture's first character and the next two
// that differ from the letter before and from the separator. Only the first
// character of the separator counts. An empty setting takes the default
// ("." and "dd.MM.yyyy"). When the letters do not name day, month and year
// once each, the fields are ordered year, month, day.
DateOrder date_order(std::string_view separator, std::string_view picture);

// The separator followed by the order letters, as ".dMy".
ShortString order_text(const DateOrder& order);

// "5. März  1997": the month names keep the blanks they are stored with.
ShortString long_date_text(CivilDate date);
// "Mittwoch, der 5. März  1997".
ShortString weekday_date_text(CivilDate date);
// "19970305", the form tables and programs store.
ShortString stored_date_text(CivilDate date);
// "05.03.1997": two-digit day and month, four-digit year in locale order.
ShortString short_date_text(CivilDate date, const DateOrder& order);

// The forms of the date text of today: 1 long, 2 with the weekday, 3 the
// stored form, 4 the locale order text, any other the locale short date.
// A day outside the valid range gives the empty text (form 4 excepted).
ShortString date_text(std::int32_t form, const LocalTime& today, const DateOrder& order);

// "YYYYMMDD", eight digits naming a valid date.
std::optional<CivilDate> parse_stored_date(std::string_view text);
// Ten characters with the fields at the fixed positions of the locale
// order (two digits each for day and month, four for the year, one
// character between them), naming a valid date.
std::optional<CivilDate> parse_short_date(std::string_view text, const DateOrder& order);

// Even forms give hours ":" minutes, odd forms seconds "." hundredths.
ShortString time_text(std::int32_t form, const LocalTime& now);

} // namespace talven
