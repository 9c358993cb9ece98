// The picture operations a host offers besides plain drawing: the memory
// bitmap and the copies between it and the drawing surface, bitmaps of
// modules, the clipboard's picture, icons, the mouse cursor and the window
// icon. Like the drawing operations they take evaluated arguments and the
// slots the core names; which command may run when, and its reports, are
// the core's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"
#include "host/dialog_host.h"
#include "host/drawing_host.h"
#include "window/bmp.h"

namespace talven {

struct Area {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
};

struct PictureSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Where a copy takes its pixels: the memory bitmap, or each slot's own
// surface (the transparent copy and the stretch read the second slot and
// the first slot respectively, as a copy within one surface must).
enum class CopyFrom : bool { Memory, Itself };

enum class IconFrom : std::uint8_t { Runtime, Module, File, Standard };

// An icon: a resource of the runtime or of a module, icon number index of
// a file, or the system icon of an id.
struct IconSource {
    IconFrom from = IconFrom::Runtime;
    std::uint32_t module = 0;
    ResourceName name;
    ShortString file;
    std::int32_t index = 0;
    bool sound_icon_file = false;  // the file is an icon file the runtime checked
    std::uint32_t system_id = 0;
};

class PictureHost {
public:
    virtual ~PictureHost() = default;

    // The memory bitmap. The old one goes first either way; a new white one
    // of w x h, or the picture, becomes the memory bitmap. False when none
    // could be made: there is then no memory bitmap.
    virtual bool new_memory_bitmap(std::int32_t width, std::int32_t height)
    {
        return (void)width, (void)height, true;
    }
    virtual bool load_memory_bitmap(const Dib& picture) { return (void)picture, true; }
    virtual void drop_memory_bitmap() {}

    // A rectangle onto the slots: plain to both slots, stretched or
    // transparent to the first and then copied to the second. Nothing while
    // the source does not exist.
    virtual void copy_area(const DrawSlots& slots, CopyFrom from, const Area& source, const Area& target,
                           bool stretch, CopyMode mode)
    {
        (void)slots, (void)from, (void)source, (void)target, (void)stretch, (void)mode;
    }
    // A rectangle of the first slot into the memory bitmap at x, y.
    virtual void copy_to_memory(const DrawSlots& slots, const Area& source, std::int32_t x, std::int32_t y)
    {
        (void)slots, (void)source, (void)x, (void)y;
    }

    // A bitmap of a module (0: the runtime) drawn as a file's picture is
    // drawn; width and height -1 stand for its own. Its size, or nothing
    // when it cannot be loaded.
    virtual std::optional<PictureSize> draw_module_bitmap(const DrawSlots& slots, std::uint32_t module,
                                                          const ResourceName& name, std::int32_t x, std::int32_t y,
                                                          std::int32_t width, std::int32_t height, bool stretch,
                                                          CopyMode mode)
    {
        (void)slots, (void)module, (void)name, (void)x, (void)y, (void)width, (void)height, (void)stretch, (void)mode;
        return std::nullopt;
    }

    // A rectangle of the first slot becomes the clipboard's only content;
    // its size, or nothing when no bitmap could be made.
    virtual std::optional<PictureSize> picture_to_clipboard(const DrawSlots& slots, const Area& source)
    {
        (void)slots, (void)source;
        return std::nullopt;
    }
    // The clipboard's picture drawn at x, y; its size, or nothing when the
    // clipboard holds none.
    virtual std::optional<PictureSize> picture_from_clipboard(const DrawSlots& slots, std::int32_t x, std::int32_t y,
                                                              CopyMode mode)
    {
        (void)slots, (void)x, (void)y, (void)mode;
        return std::nullopt;
    }

    // An icon at x, y on both slots; false when it did not reach the first.
    virtual bool draw_icon(const DrawSlots& slots, const IconSource& icon, std::int32_t x, std::int32_t y)
    {
        (void)slots, (void)icon, (void)x, (void)y;
        return false;
    }
    // The number of icons a file holds; 0 for none or no such file.
    virtual std::int32_t icon_count(std::string_view file) { return (void)file, 0; }
    // The runtime's named icon becomes the main window's; false when it
    // has none of that name.
    virtual bool set_window_icon(const ResourceName& name) { return (void)name, false; }

    // The mouse cursor, set at once and kept for the main window: a cursor
    // resource of a module (0: the runtime), or the system cursor of an id.
    // A cursor that cannot be loaded changes nothing.
    virtual void set_module_cursor(std::uint32_t module, const ResourceName& name) { (void)module, (void)name; }
    virtual void set_system_cursor(std::uint32_t id) { (void)id; }
    virtual void show_pointer(bool visible) { (void)visible; }
};

inline PictureHost& no_pictures()
{
    static PictureHost none;
    return none;
}

} // namespace talven
