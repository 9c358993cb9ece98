// The dB error state shared by the tables and the indexes: a message number
// (0 when nothing went wrong) and its extra text. Failures below the
// handlers set it through one translation from an internal code; the
// handlers report it afterwards.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/messages.h"
#include "core/short_string.h"

namespace talven {

struct Runtime;

// The internal codes of the table and index code. Operating-system codes
// (2, 3, 5, ...) travel through the same translation.
namespace db_code {
constexpr std::uint32_t none = 0;
constexpr std::uint32_t record_range = 100;
constexpr std::uint32_t not_dbase = 157;
constexpr std::uint32_t key_field = 501;
constexpr std::uint32_t bad_formula = 601;
constexpr std::uint32_t read_field = 602;
constexpr std::uint32_t read_field_number = 603;
constexpr std::uint32_t write_field = 604;
constexpr std::uint32_t write_field_number = 605;
constexpr std::uint32_t not_numeric = 620;
constexpr std::uint32_t field_number_too_big = 627;
constexpr std::uint32_t description_missing = 800;
constexpr std::uint32_t duplicate_field = 801;
constexpr std::uint32_t bad_field_length = 802;
constexpr std::uint32_t bad_decimals = 803;
constexpr std::uint32_t index_broken = 901;
constexpr std::uint32_t index_field = 902;
} // namespace db_code

struct DbError {
    std::int32_t message = 0;  // 0, or one of 600..616
    ShortString extra;

    bool is_set() const { return message != 0; }
    void clear()
    {
        message = 0;
        extra.clear();
    }
    // Translates a failure into the state. The first failure wins: while
    // the state is set, later ones leave it as it is.
    void fail(std::uint32_t code, std::string_view detail = {});
    // Takes over another state's failure unless one is set already. Work
    // that must know whether it failed itself keeps a state of its own.
    void absorb(const DbError& other)
    {
        if (!is_set() && other.is_set())
            *this = other;
    }
};

// The message a code translates to (0 for code 0).
std::int32_t db_message_of(std::uint32_t code);

// Reports a set state: as a warning (the program may go on) or as a
// runtime error. Nothing happens while the state is clear.
void report_db_warning(Runtime& rt);
void report_db_fatal(Runtime& rt);

} // namespace talven
