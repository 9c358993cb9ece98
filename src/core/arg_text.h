// The argument text of the current line: a window onto bytes that never
// change while the program runs (a program line), consumed from the front
// by the argument fetch. Taking an argument off the front moves a pointer;
// nothing is copied.
#pragma once

#include <cstddef>
#include <string_view>

namespace talven {

class ArgText {
public:
    ArgText() = default;
    explicit ArgText(std::string_view text) : m_begin(text.data()), m_end(text.data() + text.size()) {}

    bool empty() const { return m_begin == m_end; }
    std::size_t size() const { return static_cast<std::size_t>(m_end - m_begin); }
    char front() const { return *m_begin; }
    char operator[](std::size_t i) const { return m_begin[i]; }
    const char* begin() const { return m_begin; }
    const char* end() const { return m_end; }
    std::string_view view() const { return {m_begin, size()}; }

    void drop_front(std::size_t n) { m_begin += n < size() ? n : size(); }
    void drop_back(std::size_t n) { m_end -= n < size() ? n : size(); }
    // For a count known to lie within the text: what a compiled argument
    // took from this very text before.
    void skip(std::size_t n) { m_begin += n; }

private:
    const char* m_begin = nullptr;
    const char* m_end = nullptr;
};

} // namespace talven
