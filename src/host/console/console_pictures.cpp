// The console host's pictures: log lines, the memory bitmap's size and the
// clipboard's picture.
#include "host/console/console_pictures.h"

#include <algorithm>
#include <iterator>

#include "host/console/codepage.h"
#include "values/conversions.h"

namespace talven {
namespace {

// The icons and cursors of the runtime, as its Win32 resources name them.
constexpr std::string_view runtime_icons[] = {
    "A",      "BAUM",   "COMPUTER", "DOS",  "DRUCKER", "EDITOR", "EIMER", "EIS",  "FILEICON", "GESICHT", "KNOPF1",
    "KNOPF2", "MUELL",  "MUENZE",   "TALVEN", "SAND",  "STEIN",  "TEXT",  "WASSER", "WEG",    "WINDOWS",
};
constexpr std::string_view runtime_cursors[] = {"DRUCKER", "SCHIEBEN", "GROESSE"};
// The system icons the console knows: application, hand, question,
// exclamation, asterisk.
constexpr std::uint32_t first_system_icon = 32512, last_system_icon = 32516;

// Resource names are found without regard to case; the runtime has no
// numbered icons or cursors.
template <std::size_t N>
bool runtime_has(const std::string_view (&names)[N], std::uint32_t module, const ResourceName& name)
{
    if (module != 0 || name.number != 0)
        return false;
    return std::any_of(std::begin(names), std::end(names),
                       [&](std::string_view n) { return is_upper_ansi_equal(n, name.name.view()); });
}

std::string utf8(std::string_view ansi) { return ansi_to_utf8(ansi); }

} // namespace

bool ConsolePictures::new_memory_bitmap(std::int32_t width, std::int32_t height)
{
    m_memory = PictureSize{width, height};
    m_drawing.log({}, "memory white %d,%d", width, height);
    return true;
}

bool ConsolePictures::load_memory_bitmap(const Dib& picture)
{
    m_memory = PictureSize{picture.width, picture.height < 0 ? -picture.height : picture.height};
    m_drawing.log({}, "memory picture %dx%dx%d", picture.width, picture.height, picture.bits);
    return true;
}

bool ConsolePictures::reaches(const Surface& surface) const
{
    return surface.kind != SurfaceKind::None && (surface.kind != SurfaceKind::Memory || m_memory);
}

void ConsolePictures::copy_area(const DrawSlots& slots, CopyFrom from, const Area& s, const Area& t, bool stretch,
                                CopyMode mode)
{
    if ((from == CopyFrom::Memory && !m_memory) || !reaches(slots.primary))
        return;
    m_drawing.log(slots, "copy %s %d,%d size %d,%d to %d,%d size %d,%d %s %s",
                  from == CopyFrom::Memory ? "memory" : "within", s.x, s.y, s.width, s.height, t.x, t.y, t.width,
                  t.height, stretch ? "stretch" : "plain", copy_mode_name(mode));
}

void ConsolePictures::copy_to_memory(const DrawSlots& slots, const Area& s, std::int32_t x, std::int32_t y)
{
    if (!m_memory || !reaches(slots.primary))
        return;
    m_drawing.log(slots, "tomemory %d,%d size %d,%d at %d,%d", s.x, s.y, s.width, s.height, x, y);
}

// The clipboard is emptied and gets the rectangle as the console reads
// every surface: white.
std::optional<PictureSize> ConsolePictures::picture_to_clipboard(const DrawSlots& slots, const Area& s)
{
    std::optional<Dib> picture = m_drawing.capture(slots.primary, s.x, s.y, s.width, s.height);
    if (!picture)
        return std::nullopt;
    m_system.set_clipboard_picture(std::move(*picture));
    return PictureSize{s.width, s.height};
}

std::optional<PictureSize> ConsolePictures::picture_from_clipboard(const DrawSlots& slots, std::int32_t x,
                                                                   std::int32_t y, CopyMode mode)
{
    const std::optional<Dib>& picture = m_system.clipboard_picture();
    if (!picture)
        return std::nullopt;
    const std::int32_t height = picture->height < 0 ? -picture->height : picture->height;
    if (reaches(slots.primary))
        m_drawing.draw_picture(slots, *picture, x, y, picture->width, height, false, mode);
    return PictureSize{picture->width, height};
}

// An icon reaches nothing without a surface, as a platform's DrawIcon on
// no device context fails.
bool ConsolePictures::draw_icon(const DrawSlots& slots, const IconSource& icon, std::int32_t x, std::int32_t y)
{
    if (!reaches(slots.primary))
        return false;
    switch (icon.from) {
    case IconFrom::Runtime:
    case IconFrom::Module:
        if (!runtime_has(runtime_icons, icon.module, icon.name))
            return false;
        m_drawing.log(slots, "icon %s at %d,%d", utf8(icon.name.name.view()).c_str(), x, y);
        return true;
    case IconFrom::File:
        // Of files the console knows icon files only, each with one icon.
        if (!icon.sound_icon_file || icon.index != 0)
            return false;
        m_drawing.log(slots, "icon file %s at %d,%d", utf8(icon.file.view()).c_str(), x, y);
        return true;
    case IconFrom::Standard:
        if (icon.system_id < first_system_icon || icon.system_id > last_system_icon)
            return false;
        m_drawing.log(slots, "icon system %u at %d,%d", icon.system_id, x, y);
        return true;
    }
    return false;
}

bool ConsolePictures::set_window_icon(const ResourceName& name)
{
    if (!runtime_has(runtime_icons, 0, name))
        return false;
    m_drawing.log({}, "windowicon %s", utf8(name.name.view()).c_str());
    return true;
}

void ConsolePictures::set_module_cursor(std::uint32_t module, const ResourceName& name)
{
    if (runtime_has(runtime_cursors, module, name))
        m_drawing.log({}, "cursor %s", utf8(name.name.view()).c_str());
}

void ConsolePictures::set_system_cursor(std::uint32_t id) { m_drawing.log({}, "cursor system %u", id); }

void ConsolePictures::show_pointer(bool visible) { m_drawing.log({}, "showmouse %d", visible ? 1 : 0); }

} // namespace talven
