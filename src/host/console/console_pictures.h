// Pictures on the console host: nothing is drawn, and each operation that
// would reach a surface is a line of the drawing log. The memory bitmap is
// its size alone; the clipboard's picture is the white picture the console
// reads from any surface, kept beside the clipboard's text.
#pragma once

#include <optional>

#include "host/console/console_drawing.h"
#include "host/console/console_system.h"
#include "host/picture_host.h"

namespace talven {

class ConsolePictures : public PictureHost {
public:
    ConsolePictures(ConsoleDrawing& drawing, ConsoleSystem& system) : m_drawing(drawing), m_system(system) {}

    bool new_memory_bitmap(std::int32_t width, std::int32_t height) override;
    bool load_memory_bitmap(const Dib& picture) override;
    void drop_memory_bitmap() override { m_memory.reset(); }
    void copy_area(const DrawSlots& slots, CopyFrom from, const Area& source, const Area& target, bool stretch,
                   CopyMode mode) override;
    void copy_to_memory(const DrawSlots& slots, const Area& source, std::int32_t x, std::int32_t y) override;
    std::optional<PictureSize> picture_to_clipboard(const DrawSlots& slots, const Area& source) override;
    std::optional<PictureSize> picture_from_clipboard(const DrawSlots& slots, std::int32_t x, std::int32_t y,
                                                      CopyMode mode) override;
    bool draw_icon(const DrawSlots& slots, const IconSource& icon, std::int32_t x, std::int32_t y) override;
    bool set_window_icon(const ResourceName& name) override;
    void set_module_cursor(std::uint32_t module, const ResourceName& name) override;
    void set_system_cursor(std::uint32_t id) override;
    void show_pointer(bool visible) override;

private:
    // Whether a surface is there to be drawn on: the memory bitmap only
    // once it was made.
    bool reaches(const Surface& surface) const;

    ConsoleDrawing& m_drawing;
    ConsoleSystem& m_system;
    std::optional<PictureSize> m_memory;
};

} // namespace talven
