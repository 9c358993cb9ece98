// The line table of the loaded program. Lines live in one block for the
// whole run and never change, so views into them stay valid.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace talven {

constexpr std::int32_t max_program_lines = 32767;

class Program {
public:
    void clear()
    {
        m_bytes.clear();
        m_starts.assign(1, 0);
    }
    void reserve(std::size_t bytes) { m_bytes.reserve(bytes); }

    // Adds the next line (already unscrambled); numbering starts at 1.
    void add_line(std::string_view line)
    {
        m_bytes.insert(m_bytes.end(), line.begin(), line.end());
        m_starts.push_back(static_cast<std::uint32_t>(m_bytes.size()));
    }

    std::int32_t line_count() const { return static_cast<std::int32_t>(m_starts.size()) - 1; }

    // Line n, 1..line_count; the caller checks the range.
    std::string_view line(std::int32_t n) const
    {
        std::uint32_t begin = m_starts[static_cast<std::size_t>(n) - 1];
        std::uint32_t end = m_starts[static_cast<std::size_t>(n)];
        return {m_bytes.data() + begin, end - begin};
    }

    const char* bytes() const { return m_bytes.data(); }
    std::size_t byte_count() const { return m_bytes.size(); }

    bool has_line(std::int32_t n) const { return n >= 1 && n <= line_count(); }

private:
    std::vector<char> m_bytes;
    std::vector<std::uint32_t> m_starts{0};
};

} // namespace talven
