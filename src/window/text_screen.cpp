// The text screen model and its writer. Row r of the logical size lies in
// buffer row (r + ring start) mod logical rows, at byte offset
// buffer row * capacity columns.
#include "window/text_screen.h"

#include <algorithm>
#include <string>

#include "host/host.h"

namespace talven {
namespace {

std::int32_t clamped(std::int64_t value, std::int32_t low, std::int32_t high)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, low, high));
}

} // namespace

TextScreen::TextScreen(std::int32_t capacity_columns, std::int32_t capacity_rows)
    : m_capacity_columns(std::max(capacity_columns, 1)),
      m_capacity_rows(std::max(capacity_rows, 1)),
      m_columns(std::min(console_columns, m_capacity_columns)),
      m_rows(std::min(console_rows, m_capacity_rows)),
      m_cells(static_cast<std::size_t>(m_capacity_columns) * static_cast<std::size_t>(m_capacity_rows), ' ')
{
}

char* TextScreen::row_cells(std::int32_t row)
{
    std::int32_t buffer_row = (row + m_ring_start) % m_rows;
    return m_cells.data() + static_cast<std::size_t>(buffer_row) * static_cast<std::size_t>(m_capacity_columns);
}

const char* TextScreen::row_cells(std::int32_t row) const
{
    std::int32_t buffer_row = (row + m_ring_start) % m_rows;
    return m_cells.data() + static_cast<std::size_t>(buffer_row) * static_cast<std::size_t>(m_capacity_columns);
}

char TextScreen::cell(std::int32_t column, std::int32_t row) const
{
    if (column < 0 || column >= m_columns || row < 0 || row >= m_rows)
        return ' ';
    return row_cells(row)[column];
}

std::string_view TextScreen::row_text(std::int32_t row) const
{
    if (row < 0 || row >= m_rows)
        return {};
    return {row_cells(row), static_cast<std::size_t>(m_columns)};
}

void TextScreen::put(std::int32_t column, std::int32_t row, char c)
{
    if (column >= 0 && column < m_columns && row >= 0 && row < m_rows)
        row_cells(row)[column] = c;
}

void TextScreen::set_logical_size(std::int64_t columns, std::int64_t rows)
{
    // The ring wraps at the logical row count: lay the shown rows out from
    // buffer row 0 before that count changes.
    std::vector<char> shown(m_cells.size(), ' ');
    for (std::int32_t r = 0; r < m_rows; ++r)
        std::copy_n(row_cells(r), m_capacity_columns,
                    shown.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(m_capacity_columns));
    m_cells.swap(shown);
    m_ring_start = 0;
    m_columns = clamped(columns, 1, m_capacity_columns);
    m_rows = clamped(rows, 1, m_capacity_rows);
    m_cursor.column = std::min(m_cursor.column, m_columns - 1);
    m_cursor.row = std::min(m_cursor.row, m_rows - 1);
}

void TextScreen::show(Host& host, std::int32_t row, std::int32_t left, std::int32_t right, std::int32_t in_font)
{
    left = std::max(left, 0);
    right = std::min(right, m_columns);
    if (left < right)
        host.show_cells(row, left, std::string_view(row_cells(row) + left, static_cast<std::size_t>(right - left)),
                        attribute, in_font);
}

void TextScreen::new_line(Host& host)
{
    m_cursor.column = 0;
    if (m_cursor.row + 1 < m_rows) {
        ++m_cursor.row;
        return;
    }
    m_cursor.row = m_rows - 1;
    m_ring_start = (m_ring_start + 1) % m_rows;
    char* last = row_cells(m_rows - 1);
    std::fill_n(last, m_columns, ' ');
    host.scroll_rows(m_rows);
    show(host, m_rows - 1, 0, m_columns, font);
}

void TextScreen::write(Host& host, std::string_view bytes)
{
    host.write_text(bytes);
    std::int32_t left = m_cursor.column;
    std::int32_t right = m_cursor.column;
    for (char c : bytes) {
        switch (static_cast<unsigned char>(c)) {
        case 7:
            host.beep();
            break;
        case 8:
            if (m_cursor.column > 0) {
                --m_cursor.column;
                put(m_cursor.column, m_cursor.row, ' ');
                left = std::min(left, m_cursor.column);
            }
            break;
        case 10:
            show(host, m_cursor.row, left, right, font);
            new_line(host);
            left = right = 0;
            break;
        case 13:
            break;
        default:
            put(m_cursor.column, m_cursor.row, c);
            ++m_cursor.column;
            right = std::max(right, m_cursor.column);
            if (m_cursor.column >= m_columns) {
                // The row is full: show it and go on at the start of the
                // next one, scrolling from the last row.
                show(host, m_cursor.row, left, right, font);
                new_line(host);
                left = right = 0;
            }
            break;
        }
    }
    show(host, m_cursor.row, left, right, font);
    set_cursor(host, m_cursor.column, m_cursor.row);
}

void TextScreen::set_cursor(Host& host, std::int64_t column, std::int64_t row)
{
    m_cursor.column = clamped(column, 0, m_columns - 1);
    m_cursor.row = clamped(row, 0, m_rows - 1);
    host.show_cells(m_cursor.row, m_cursor.column, {}, attribute, font);
}

void TextScreen::clear(Host& host)
{
    std::fill(m_cells.begin(), m_cells.end(), ' ');
    m_ring_start = 0;
    // The surface is filled white; the cells show on it in the current
    // foreground colour.
    std::uint8_t blank = static_cast<std::uint8_t>(0xF0 | (attribute & 0x0F));
    std::string blanks(static_cast<std::size_t>(m_columns), ' ');
    for (std::int32_t r = 0; r < m_rows; ++r)
        host.show_cells(r, 0, blanks, blank, font);
    set_cursor(host, 0, 0);
}

BoxCharacters box_characters(std::int32_t style)
{
    switch (style) {
    case 1: return {201, 187, 200, 188, 205, 186};
    case 2: return {213, 184, 212, 190, 205, 179};
    case 3: return {32, 32, 32, 32, 32, 32};
    default: return {218, 191, 192, 217, 196, 179};
    }
}

bool TextScreen::box(Host& host, std::int32_t row1, std::int32_t column1, std::int32_t row2, std::int32_t column2,
                     std::int32_t style)
{
    if (row1 < 0 || column1 < 0 || row2 > m_rows || column2 > m_columns)
        return false;
    BoxCharacters ch = box_characters(style);
    // 1-based in, 0-based cells; cells outside the logical size are passed
    // over (row 0 or column 0 lies just above or left of the screen).
    std::int32_t top = row1 - 1, bottom = row2 - 1, first = column1 - 1, last = column2 - 1;
    auto c = [](unsigned char b) { return static_cast<char>(b); };
    for (std::int32_t r = top + 1; r < bottom; ++r)
        for (std::int32_t col = first + 1; col < last; ++col)
            put(col, r, ' ');
    for (std::int32_t col = first + 1; col < last; ++col) {
        put(col, top, c(ch.horizontal));
        put(col, bottom, c(ch.horizontal));
    }
    for (std::int32_t r = top + 1; r < bottom; ++r) {
        put(first, r, c(ch.vertical));
        put(last, r, c(ch.vertical));
    }
    put(first, top, c(ch.top_left));
    put(last, top, c(ch.top_right));
    put(first, bottom, c(ch.bottom_left));
    put(last, bottom, c(ch.bottom_right));

    std::int32_t low = std::max(std::min(top, bottom), 0);
    std::int32_t high = std::min(std::max(top, bottom), m_rows - 1);
    std::int32_t left = std::min(first, last);
    std::int32_t right = std::max(first, last) + 1;
    for (std::int32_t r = low; r <= high; ++r)
        show(host, r, left, right, box_font);
    set_cursor(host, column1, row1);
    return true;
}

} // namespace talven
