// Keys of NDX indexes: the key expression resolved against a table's
// fields, the numeric key text converted to a double, and the comparison
// under which the B-tree orders its entries.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "data/ndx_index.h"

namespace talven {

// Most elements an expression can resolve to: a 127-character expression
// has at most 64 elements ("A+A+..."), but each field needs a name.
constexpr std::size_t ndx_max_elements = 64;

struct NdxElement {
    std::uint16_t offset = 0;   // field offset in the record, or start in the literal text
    std::uint16_t length = 0;
    bool literal = false;       // text between quotes instead of a field
    char type = 'C';
};

// A key expression split at "+", each element a field or a quoted text.
// A wrong element is kept as the 601 failure that every key build reports.
struct NdxExpression {
    ShortString text;            // leading and trailing blanks removed
    std::array<NdxElement, ndx_max_elements> elements{};
    std::size_t count = 0;
    ShortString literals;        // the quoted texts, one after the other
    std::size_t text_length = 0; // sum of the element lengths
    bool has_literal = false;
    NdxStatus failure;           // code 601 when an element names nothing
};

void resolve_expression(std::string_view text, std::span<const NdxField> fields, NdxExpression& out);

// The expression's text built from a record buffer (no padding). The
// result is cut at capacity; false when the buffer lacks a field's bytes.
bool expression_text(const NdxExpression& expr, std::span<const std::uint8_t> record,
                     std::uint8_t* out, std::size_t capacity, std::size_t& length);

// A numeric key text as a double: leading blanks, an optional sign, digits
// with an optional decimal point, an optional exponent. Blanks only are 0;
// anything else, a trailing blank included, is no number.
std::optional<double> ndx_number(std::string_view text);

// Stores a double as the 8 key bytes (little-endian IEEE 754).
void store_numeric_key(double value, std::uint8_t* out);

// The order of keys in a page. Character keys: the page key is cut to the
// search key's length, then bytes compare unsigned and a shorter text is
// smaller. Numeric keys: the sign bits decide; otherwise the bytes from the
// most significant down, reversed for negative values.
int compare_character_key(const std::uint8_t* page_key, std::size_t key_length,
                          std::span<const std::uint8_t> search);
int compare_numeric_key(const std::uint8_t* page_key, const std::uint8_t* search);

} // namespace talven
