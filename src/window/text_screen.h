// The text screen: the main window as a character terminal. A grid of cells
// (one byte each) with a cursor, the current attribute and the text font.
// The grid is a ring of rows: scrolling moves the ring start instead of the
// cells. The host shows the cells; the model never draws itself.
//
// On the console host there is no display to measure. Its capacity is that
// of a 640 x 480 screen, 80 columns by 32 rows (640 / 8, 480 / 15), which is
// also the start-up logical size.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace talven {

class Host;

struct TextCursor {
    std::int32_t column = 0;
    std::int32_t row = 0;
};

class TextScreen {
public:
    static constexpr std::int32_t console_columns = 80;
    static constexpr std::int32_t console_rows = 32;
    static constexpr std::uint8_t default_attribute = 0xF0;   // black on white
    static constexpr std::int32_t default_font = 2;
    // Box characters are shown with the OEM font, whatever the text font.
    static constexpr std::int32_t box_font = 1;

    TextScreen() : TextScreen(console_columns, console_rows) {}
    TextScreen(std::int32_t capacity_columns, std::int32_t capacity_rows);

    std::int32_t capacity_columns() const { return m_capacity_columns; }
    std::int32_t capacity_rows() const { return m_capacity_rows; }
    std::int32_t columns() const { return m_columns; }
    std::int32_t rows() const { return m_rows; }
    std::int32_t ring_start() const { return m_ring_start; }
    TextCursor cursor() const { return m_cursor; }

    // The logical size, each direction clamped to 1..capacity. The shown
    // rows keep their contents; the cursor is clamped into the new size.
    void set_logical_size(std::int64_t columns, std::int64_t rows);

    // The cell at a 0-based column and row of the logical size.
    char cell(std::int32_t column, std::int32_t row) const;
    // One shown row, logical width long.
    std::string_view row_text(std::int32_t row) const;

    // The text writer: stores bytes at the cursor with the current attribute.
    // 7 beeps, 8 steps back over one cell and blanks it, 10 starts a new
    // line, 13 is ignored. Text reaching the logical width continues in
    // column 0 of the next row; a new line below the last row scrolls.
    // The host receives the bytes as the program's output stream and the
    // changed cells to show.
    void write(Host& host, std::string_view bytes);

    // Sets the cursor to a 0-based column and row, each clamped to the
    // logical size, and shows it.
    void set_cursor(Host& host, std::int64_t column, std::int64_t row);

    // Blanks every cell, cursor to the top left corner, ring start 0.
    void clear(Host& host);

    // A frame of box characters from (row1, column1) to (row2, column2),
    // 1-based, inside blanked, cursor to the first inner cell. False (and
    // nothing changed) when the box does not fit the logical size.
    bool box(Host& host, std::int32_t row1, std::int32_t column1, std::int32_t row2, std::int32_t column2,
             std::int32_t style);

    std::uint8_t attribute = default_attribute;
    std::int32_t font = default_font;

    void set_foreground(std::int32_t colour) { attribute = static_cast<std::uint8_t>((attribute & 0xF0) | (colour & 15)); }
    void set_background(std::int32_t colour) { attribute = static_cast<std::uint8_t>((attribute & 0x0F) | ((colour & 15) << 4)); }
    // Below 4: the font index is n AND 3 (negative values included); 4 and
    // above change nothing.
    void set_font(std::int32_t n)
    {
        if (n < 4)
            font = n & 3;
    }

private:
    char* row_cells(std::int32_t row);
    const char* row_cells(std::int32_t row) const;
    void put(std::int32_t column, std::int32_t row, char c);
    void new_line(Host& host);
    void show(Host& host, std::int32_t row, std::int32_t left, std::int32_t right, std::int32_t in_font);

    std::int32_t m_capacity_columns;
    std::int32_t m_capacity_rows;
    std::int32_t m_columns;
    std::int32_t m_rows;
    std::int32_t m_ring_start = 0;
    TextCursor m_cursor;
    std::vector<char> m_cells;
};

// Box characters (code page 437) of a TBOX style: top-left, top-right,
// bottom-left, bottom-right, horizontal, vertical.
struct BoxCharacters {
    unsigned char top_left, top_right, bottom_left, bottom_right, horizontal, vertical;
};
BoxCharacters box_characters(std::int32_t style);

} // namespace talven
