// The ANSI code page of compiled programs (Windows-1252) and the UTF-8 that
// source files, terminals and listings use: conversion both ways.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talven::tools {

// The 1252 byte of a code point, or nothing when the code page cannot hold
// it. The five unassigned bytes 0x81, 0x8D, 0x8F, 0x90, 0x9D have no code
// point, so no character converts to them.
std::optional<std::uint8_t> cp1252_from_unicode(char32_t cp);

// The code point of a 1252 byte, or nothing for the five unassigned bytes.
std::optional<char32_t> cp1252_to_unicode(std::uint8_t byte);

void append_utf8(std::string& out, char32_t cp);

// Decodes one code point at `pos` (strict: no overlong forms, surrogates or
// values beyond U+10FFFF). Advances `pos`; nothing on malformed input.
std::optional<char32_t> next_utf8(std::string_view text, std::size_t& pos);

} // namespace talven::tools
