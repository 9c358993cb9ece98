// The picture commands that go through BMP files: DRAWBMP, DRAWSIZEDBMP and
// SAVEBMP. The files are read and written here; the host puts checked
// pictures on its surfaces and reads rectangles back.
#include "core/runtime.h"
#include "values/arguments.h"
#include "window/bmp.h"
#include "window/drawing.h"
#include "window/main_window.h"

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

std::int32_t scaled(const Runtime& rt, std::int32_t v)
{
    return rt.draw.print_job_open ? static_cast<std::int32_t>(static_cast<std::uint32_t>(v) * 10u) : v;
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
        host.draw_picture(drawing_slots(rt, PrintOnce::Yes), *picture, scaled(rt, *x), scaled(rt, *y),
                          scaled(rt, width), scaled(rt, height), true, CopyMode::Copy);
        return;
    }
    rt.draw.last_bmp_colors =
        picture->bits >= 31 ? 0 : static_cast<std::int32_t>(std::uint32_t{1} << picture->bits);
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
    const char separators[] = ",-, ";
    for (int i = 0; i < 4; ++i) {
        auto v = arg_integer(rt, separators[i]);
        if (!v)
            return;
        a[i] = *v;
    }
    if (rt.draw.print_job_open) {
        rt.fatal(Msg::ForbiddenWhilePrinting, "SAVEBMP");
        return;
    }
    if (!window_required(rt))
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

constexpr CommandEntry commands[] = {
    {Tok::Drawsizedbmp, cmd_drawsizedbmp},
    {Tok::Drawbmp, cmd_drawbmp},
    {Tok::Savebmp, cmd_savebmp},
};

} // namespace

std::span<const CommandEntry> bitmap_commands() { return commands; }

} // namespace talven
