// The text operations behind the string functions: parts, repeats, search
// and replace, fields and the scrambling of a text. Positions count from 1;
// every result is a short string and so is cut at 255 characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"

namespace talven {

// The first n characters; n below 1 gives the empty text.
ShortString left_part(std::string_view s, std::int32_t n);

// The last n characters; nothing when n is below 1 or beyond the length.
std::optional<ShortString> right_part(std::string_view s, std::int32_t n);

// n characters from position p; nothing when p is below 1. A count below 1
// or a position past the end gives the empty text.
std::optional<ShortString> middle_part(std::string_view s, std::int32_t p, std::int32_t n);

// s appended n times, each copy only while the result plus s stays below
// 255 characters.
ShortString repeat_text(std::string_view s, std::int32_t n);

// n blanks, each only while the result is shorter than 254 characters.
ShortString blanks(std::int32_t n);

ShortString join_text(std::string_view a, std::string_view b);

// s without n characters from position p; nothing when p is below 1. A
// count below 1 deletes nothing.
std::optional<ShortString> delete_part(std::string_view s, std::int32_t p, std::int32_t n);

// t inserted into s before position p (after the end when p is beyond it);
// nothing when p is below 1.
std::optional<ShortString> insert_text(std::string_view t, std::string_view s, std::int32_t p);

// Position of the first occurrence of t in s, 0 when there is none. The
// empty text is found nowhere.
std::int32_t find_text(std::string_view t, std::string_view s);

// The text without the characters below code 33 at both ends.
std::string_view trim_text(std::string_view s);

ShortString upper_text(std::string_view s);
ShortString lower_text(std::string_view s);

// Every occurrence of f replaced by r, left to right, without searching the
// inserted text again. An empty f changes nothing.
ShortString replace_text(std::string_view s, std::string_view f, std::string_view r);

// Field n of s divided at every occurrence of d (a missing field is empty);
// nothing when n is below 1. With an empty d the whole text is field 1.
std::optional<ShortString> field_of(std::string_view s, std::int32_t n, std::string_view d);

// Flips the two high bits of each character where the pattern, read from
// its end backwards, has them set. Only a full 255-character pattern
// scrambles; with any other the text comes back unchanged.
ShortString scramble_text(std::string_view s, std::string_view pattern);

} // namespace talven
