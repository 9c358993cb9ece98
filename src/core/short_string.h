// The short string of the runtime: at most 255 bytes of the ANSI code page,
// held inline so that values, names and argument text never allocate.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace talven {

class ShortString {
public:
    static constexpr std::size_t capacity = 255;

    ShortString() = default;
    // Copies move only the bytes in use: values are copied on every
    // evaluation, and most are short.
    ShortString(const ShortString& other) : m_length(other.m_length)
    {
        std::memcpy(m_bytes.data(), other.m_bytes.data(), m_length);
    }
    ShortString& operator=(const ShortString& other)
    {
        m_length = other.m_length;
        std::memmove(m_bytes.data(), other.m_bytes.data(), m_length);
        return *this;
    }
    ShortString(std::string_view text) { assign(text); }
    ShortString(const char* text) { assign(text); }
    ShortString& operator=(std::string_view text)
    {
        assign(text);
        return *this;
    }
    ShortString& operator=(const char* text)
    {
        assign(text);
        return *this;
    }

    void assign(std::string_view text)
    {
        m_length = static_cast<std::uint8_t>(std::min(text.size(), capacity));
        if (m_length)
            std::memmove(m_bytes.data(), text.data(), m_length);
    }

    // Appends as much as fits; the rest is cut, as everywhere in the runtime.
    void append(std::string_view text)
    {
        std::size_t room = capacity - m_length;
        std::size_t n = std::min(text.size(), room);
        if (n)
            std::memmove(m_bytes.data() + m_length, text.data(), n);
        m_length = static_cast<std::uint8_t>(m_length + n);
    }

    void push_back(char c)
    {
        if (m_length < capacity)
            m_bytes[m_length++] = c;
    }

    void clear() { m_length = 0; }
    // For writers that fill the bytes themselves: n is at most capacity.
    void set_size(std::size_t n) { m_length = static_cast<std::uint8_t>(n); }
    void resize(std::size_t n) { m_length = static_cast<std::uint8_t>(std::min(n, std::size_t{m_length})); }

    std::size_t size() const { return m_length; }
    bool empty() const { return m_length == 0; }
    const char* data() const { return m_bytes.data(); }
    char* data() { return m_bytes.data(); }
    char operator[](std::size_t i) const { return m_bytes[i]; }
    char& operator[](std::size_t i) { return m_bytes[i]; }

    std::string_view view() const { return {m_bytes.data(), m_length}; }
    operator std::string_view() const { return view(); }

    friend bool operator==(const ShortString& a, const ShortString& b) { return a.view() == b.view(); }
    friend bool operator==(const ShortString& a, std::string_view b) { return a.view() == b; }

private:
    std::uint8_t m_length = 0;
    std::array<char, capacity> m_bytes;
};

} // namespace talven
