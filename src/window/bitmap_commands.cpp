// The picture commands: BMP files drawn and saved, bitmaps of modules, the
// memory bitmap and the copies between it, the drawing surface and the
// clipboard. Files are read and written here; the host puts checked
// pictures on its surfaces, copies rectangles and reads them back.
#include <span>
#include <string_view>

#include "core/runtime.h"
#include "dialogs/resource_argument.h"
#include "values/arguments.h"
#include "window/bmp.h"
#include "window/drawing.h"
#include "window/main_window.h"
#include "window/printing.h"

namespace talven {
namespace {

// The copy mode argument of the picture commands; values not listed copy.
CopyMode copy_mode(std::int32_t mode, bool transparent_allowed)
{
    switch (mode) {
    case 1: return CopyMode::And;
    case 2: return CopyMode::Paint;
    case 3: return CopyMode::Invert;
    case 4: return CopyMode::DestInvert;
    case -1: return transparent_allowed ? CopyMode::Transparent : CopyMode::Copy;
    default: return CopyMode::Copy;
    }
}

void remember_size(Runtime& rt, PictureSize size)
{
    rt.draw.last_bitmap_width = size.width;
    rt.draw.last_bitmap_height = size.height;
}

std::int32_t colors_of(const Dib& picture)
{
    return picture.bits >= 31 ? 0 : static_cast<std::int32_t>(std::uint32_t{1} << picture.bits);
}

enum class Sized : bool { No, Yes };

// DRAWBMP file, x, y; mode and DRAWSIZEDBMP file, x, y - w, h; mode.
void draw_bmp(Runtime& rt, Sized sized)
{
    if (!window_required(rt))
        return;
    auto name = arg_text(rt, ',');
    if (!name)
        return;
    auto x = arg_integer(rt, ',');
    if (!x)
        return;
    auto y = arg_integer(rt, sized == Sized::Yes ? '-' : ';');
    if (!y)
        return;
    std::int32_t width = -1, height = -1;
    if (sized == Sized::Yes) {
        auto w = arg_integer(rt, ',');
        if (!w)
            return;
        auto h = arg_integer(rt, ';');
        if (!h)
            return;
        width = *w;
        height = *h;
    }
    auto mode = arg_integer(rt, rest_of_text);
    if (!mode)
        return;

    std::optional<Dib> picture = read_bmp(rt.host.files(), name->view());
    if (!picture) {
        rt.warning(Msg::BitmapNotLoadable, name->view());
        return;
    }
    const std::int32_t own_height = picture->height < 0 ? -picture->height : picture->height;
    rt.draw.last_bitmap_width = picture->width;
    rt.draw.last_bitmap_height = own_height;
    DrawingHost& host = rt.host.drawing();
    if (rt.draw.print_job_open) {
        // The printer gets the picture once, stretched to its size in tenths.
        if (width == -1)
            width = picture->width;
        if (height == -1)
            height = own_height;
        host.draw_picture(drawing_slots(rt, PrintOnce::Yes), *picture, print_scale(rt, *x), print_scale(rt, *y),
                          print_scale(rt, width), print_scale(rt, height), true, CopyMode::Copy);
        return;
    }
    rt.draw.last_bmp_colors = colors_of(*picture);
    DrawSlots slots = drawing_slots(rt);
    bool drawn = true;
    if (sized == Sized::Yes)
        drawn = host.draw_picture(slots, *picture, *x, *y, width, height, true, copy_mode(*mode, false));
    else
        drawn = host.draw_picture(slots, *picture, *x, *y, picture->width, own_height, false, copy_mode(*mode, true));
    if (!drawn)
        rt.warning(Msg::BitmapNotLoadable, name->view());
}

void cmd_drawbmp(Runtime& rt) { draw_bmp(rt, Sized::No); }
void cmd_drawsizedbmp(Runtime& rt) { draw_bmp(rt, Sized::Yes); }

// SAVEBMP file, x, y - w, h: a rectangle of the backing bitmap, so covered
// parts of the window are saved too.
void cmd_savebmp(Runtime& rt)
{
    auto name = arg_text(rt, ',');
    if (!name)
        return;
    std::int32_t a[4];
    if (!fetch_integers(rt, a, ",-, "))
        return;
    if (refused_while_printing(rt, "SAVEBMP") || !window_required(rt))
        return;
    auto [x, y, width, height] = a;
    std::optional<Dib> picture;
    // A rectangle the platform could not hold as one bitmap is refused
    // before it is asked for one.
    if (width > 0 && height > 0 && std::int64_t{width} * height <= bmp::max_pixels)
        picture = rt.host.drawing().capture(drawing_slots(rt).secondary, x, y, width, height);
    if (picture) {
        rt.draw.last_bitmap_width = picture->width;
        rt.draw.last_bitmap_height = picture->height < 0 ? -picture->height : picture->height;
    }
    if (!picture || !write_bmp(rt.host.files(), name->view(), *picture))
        rt.warning(Msg::BitmapNotSaved, name->view());
}

// DRAWEXTBMP instance, resource, x, y; mode and DRAWSIZEDEXTBMP instance,
// resource, x, y - w, h; mode: a bitmap of a module, drawn as a file's.
void draw_module_bmp(Runtime& rt, Sized sized, std::string_view command)
{
    auto instance = arg_long(rt, ',');
    if (!instance)
        return;
    FatalWatch watch(rt);
    ResourceName name = arg_resource_name(rt, ',');
    if (watch.reported())
        return;
    // x, y, then w, h when sized, then the mode; -1 is the picture's own size.
    std::int32_t a[5] = {0, 0, -1, -1, 0};
    bool fetched = sized == Sized::Yes ? fetch_integers(rt, a, ",-,; ")
                                       : fetch_integers(rt, std::span(a).first(2), ",;") &&
                                             fetch_integers(rt, std::span(a).last(1), " ");
    if (!fetched)
        return;
    const std::int32_t mode = a[4];
    if (refused_while_printing(rt, command) || !window_required(rt))
        return;
    bool stretch = sized == Sized::Yes;
    auto size = rt.host.pictures().draw_module_bitmap(drawing_slots(rt), static_cast<std::uint32_t>(*instance),
                                                      name, a[0], a[1], a[2], a[3], stretch,
                                                      copy_mode(mode, !stretch));
    if (!size) {
        rt.warning(Msg::BitmapNotLoadable, name.name.view());
        return;
    }
    remember_size(rt, *size);
}

void cmd_drawextbmp(Runtime& rt) { draw_module_bmp(rt, Sized::No, "DRAWEXTBMP"); }
void cmd_drawsizedextbmp(Runtime& rt) { draw_module_bmp(rt, Sized::Yes, "DRAWSIZEDEXTBMP"); }

// MCLS w, h: a new white memory bitmap.
void cmd_mcls(Runtime& rt)
{
    std::int32_t a[2];
    if (!fetch_integers(rt, a, ", "))
        return;
    if (refused_while_printing(rt, "MCLS") || !window_required(rt))
        return;
    // A size the platform could not hold as one bitmap is refused before
    // it is asked for one.
    bool made = false;
    if (a[0] > 0 && a[1] > 0 && std::int64_t{a[0]} * a[1] <= bmp::max_pixels)
        made = rt.host.pictures().new_memory_bitmap(a[0], a[1]);
    else
        rt.host.pictures().drop_memory_bitmap();
    if (!made)
        rt.warning(Msg::BitmapNotLoadable, "Memory Bitmap");
}

// MLOADBMP file: the picture becomes the memory bitmap. The old one is gone
// even when the file is no picture.
void cmd_mloadbmp(Runtime& rt)
{
    auto name = arg_text(rt, rest_of_text);
    if (!name)
        return;
    if (refused_while_printing(rt, "MLOADBMP") || !window_required(rt))
        return;
    PictureHost& host = rt.host.pictures();
    host.drop_memory_bitmap();
    std::optional<Dib> picture = read_bmp(rt.host.files(), name->view());
    if (picture)
        rt.draw.last_bmp_colors = colors_of(*picture);
    if (!picture || !host.load_memory_bitmap(*picture)) {
        rt.warning(Msg::BitmapNotLoadable, name->view());
        return;
    }
    remember_size(rt, {picture->width, picture->height < 0 ? -picture->height : picture->height});
}

// MCOPYBMP and COPYDBMP x1, y1 - w, h > x2, y2; mode, and their stretched
// forms MCOPYSIZEDBMP and COPYSIZEDBMP x1, y1 - w1, h1 > x2, y2 - w2, h2;
// mode. A stretch takes the mode's raster operation; -1 then copies.
void copy_command(Runtime& rt, CopyFrom from, Sized sized, std::string_view command)
{
    std::int32_t a[9];
    Area source, target;
    std::int32_t mode;
    if (sized == Sized::Yes) {
        if (!fetch_integers(rt, a, ",-,>,-,; "))
            return;
        source = {a[0], a[1], a[2], a[3]};
        target = {a[4], a[5], a[6], a[7]};
        mode = a[8];
    } else {
        if (!fetch_integers(rt, std::span(a).first(7), ",-,>,; "))
            return;
        source = {a[0], a[1], a[2], a[3]};
        target = {a[4], a[5], a[2], a[3]};
        mode = a[6];
    }
    if (refused_while_printing(rt, command) || !window_required(rt))
        return;
    bool stretch = sized == Sized::Yes;
    rt.host.pictures().copy_area(drawing_slots(rt), from, source, target, stretch, copy_mode(mode, !stretch));
}

void cmd_mcopybmp(Runtime& rt) { copy_command(rt, CopyFrom::Memory, Sized::No, "MCOPYBMP"); }
void cmd_mcopysizedbmp(Runtime& rt) { copy_command(rt, CopyFrom::Memory, Sized::Yes, "MCOPYSIZEDBMP"); }
void cmd_copydbmp(Runtime& rt) { copy_command(rt, CopyFrom::Itself, Sized::No, "COPYDBMP"); }
void cmd_copysizedbmp(Runtime& rt) { copy_command(rt, CopyFrom::Itself, Sized::Yes, "COPYSIZEDBMP"); }

// COPYBMPTOMEM x1, y1 - w, h > x2, y2: a rectangle of the window into the
// memory bitmap.
void cmd_copybmptomem(Runtime& rt)
{
    std::int32_t a[6];
    if (!fetch_integers(rt, a, ",-,>, "))
        return;
    if (refused_while_printing(rt, "COPYBMPTOMEM") || !window_required(rt))
        return;
    rt.host.pictures().copy_to_memory(drawing_slots(rt), {a[0], a[1], a[2], a[3]}, a[4], a[5]);
}

// SAVEBMPTOCLIP x, y - w, h: a rectangle of the window becomes the
// clipboard's content.
void cmd_savebmptoclip(Runtime& rt)
{
    std::int32_t a[4];
    if (!fetch_integers(rt, a, ",-, "))
        return;
    if (!window_required(rt) || refused_while_printing(rt, "SAVEBMPTOCLIP"))
        return;
    if (a[2] <= 0 || a[3] <= 0 || std::int64_t{a[2]} * a[3] > bmp::max_pixels)
        return;
    if (auto size = rt.host.pictures().picture_to_clipboard(drawing_slots(rt), {a[0], a[1], a[2], a[3]}))
        remember_size(rt, *size);
}

// CLIPLOADBMP x, y; mode: the clipboard's picture, when it holds one.
void cmd_cliploadbmp(Runtime& rt)
{
    std::int32_t a[3];
    if (!fetch_integers(rt, a, ",; "))
        return;
    if (refused_while_printing(rt, "CLIPLOADBMP"))
        return;
    if (auto size = rt.host.pictures().picture_from_clipboard(drawing_slots(rt), a[0], a[1], copy_mode(a[2], true)))
        remember_size(rt, *size);
}

constexpr CommandEntry commands[] = {
    {Tok::Drawsizedbmp, cmd_drawsizedbmp},
    {Tok::Drawbmp, cmd_drawbmp},
    {Tok::Savebmp, cmd_savebmp},
    {Tok::Drawextbmp, cmd_drawextbmp},
    {Tok::Drawsizedextbmp, cmd_drawsizedextbmp},
    {Tok::Mcls, cmd_mcls},
    {Tok::Mloadbmp, cmd_mloadbmp},
    {Tok::Mcopybmp, cmd_mcopybmp},
    {Tok::Mcopysizedbmp, cmd_mcopysizedbmp},
    {Tok::Copydbmp, cmd_copydbmp},
    {Tok::Copysizedbmp, cmd_copysizedbmp},
    {Tok::Copybmptomem, cmd_copybmptomem},
    {Tok::Savebmptoclip, cmd_savebmptoclip},
    {Tok::Cliploadbmp, cmd_cliploadbmp},
};

} // namespace

std::span<const CommandEntry> bitmap_commands() { return commands; }

} // namespace talven
