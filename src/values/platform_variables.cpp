// The system variables that report the display, the main window's place
// and the platform, as the host describes them.
#include <cstdio>

#include "core/dispatch.h"
#include "core/runtime.h"

namespace talven {
namespace {

std::int32_t as_signed(std::uint32_t word) { return static_cast<std::int32_t>(word); }

void sys_hwnd(Runtime& rt) { rt.value.integer = as_signed(rt.host.platform_facts().main_window); }
void sys_desktop(Runtime& rt) { rt.value.integer = as_signed(rt.host.platform_facts().desktop); }
void sys_screenwidth(Runtime& rt) { rt.value.integer = rt.host.platform_facts().screen_width; }
void sys_screenheight(Runtime& rt) { rt.value.integer = rt.host.platform_facts().screen_height; }
void sys_colordepth(Runtime& rt) { rt.value.integer = rt.host.platform_facts().color_depth; }
// The main window's rectangle on the screen. Without a window of the
// host's (none yet, or a host without a display) it is the one WINDOW
// asked for.
PlatformFacts window_facts(Runtime& rt)
{
    PlatformFacts facts = rt.host.platform_facts();
    if (facts.main_window == 0) {
        const MainWindowState& window = rt.main_window;
        facts.window_left = window.x;
        facts.window_top = window.y;
        facts.window_right = static_cast<std::int32_t>(static_cast<std::uint32_t>(window.x) +
                                                       static_cast<std::uint32_t>(window.width));
        facts.window_bottom = static_cast<std::int32_t>(static_cast<std::uint32_t>(window.y) +
                                                        static_cast<std::uint32_t>(window.height));
    }
    return facts;
}

void sys_wintop(Runtime& rt) { rt.value.integer = window_facts(rt).window_top; }
void sys_winbottom(Runtime& rt) { rt.value.integer = window_facts(rt).window_bottom; }
void sys_winleft(Runtime& rt) { rt.value.integer = window_facts(rt).window_left; }
void sys_winright(Runtime& rt) { rt.value.integer = window_facts(rt).window_right; }

// The low byte of the module handle, sign-extended.
void sys_instance(Runtime& rt)
{
    rt.value.integer = static_cast<std::int8_t>(rt.host.platform_facts().instance & 0xFF);
}

// Directories are cut to 150 characters, as the buffers that hold them.
void set_directory(Runtime& rt, const ShortString& directory)
{
    rt.value.set_text(directory.view().substr(0, 150));
}

void sys_windir(Runtime& rt) { set_directory(rt, rt.host.platform_facts().windows_directory); }
void sys_sysdir(Runtime& rt) { set_directory(rt, rt.host.platform_facts().system_directory); }

void set_version(Runtime& rt, unsigned major, unsigned minor)
{
    char text[16];
    int n = std::snprintf(text, sizeof text, "%u.%u", major, minor);
    rt.value.set_text(std::string_view(text, static_cast<std::size_t>(n)));
}

void sys_dosversion(Runtime& rt)
{
    std::uint32_t version = rt.host.platform_facts().version;
    set_version(rt, (version >> 24) & 0xFF, (version >> 16) & 0xFF);
}

void sys_winversion(Runtime& rt)
{
    std::uint32_t version = rt.host.platform_facts().version;
    set_version(rt, version & 0xFF, (version >> 8) & 0xFF);
}

// The drive letter and colon of the current directory. A file tree without
// drives (the console host's) counts as drive C:, since every drive letter
// in a file name names that tree.
void sys_drive(Runtime& rt)
{
    auto directory = rt.host.current_directory('\0');
    std::string_view text = directory ? directory->view() : std::string_view();
    bool has_drive = text.size() >= 2 && text[1] == ':';
    rt.value.set_text(has_drive || text.empty() ? text.substr(0, 2) : std::string_view("C:"));
}

constexpr SysVarEntry sysvars[] = {
    {SysVar::Hwnd, sys_hwnd},
    {SysVar::Drive, sys_drive},
    {SysVar::Windir, sys_windir},
    {SysVar::Sysdir, sys_sysdir},
    {SysVar::Dosversion, sys_dosversion},
    {SysVar::Winversion, sys_winversion},
    {SysVar::Wintop, sys_wintop},
    {SysVar::Winbottom, sys_winbottom},
    {SysVar::Winleft, sys_winleft},
    {SysVar::Winright, sys_winright},
    {SysVar::Screenwidth, sys_screenwidth},
    {SysVar::Screenheight, sys_screenheight},
    {SysVar::Desktop, sys_desktop},
    {SysVar::Colordepth, sys_colordepth},
    {SysVar::Instance, sys_instance},
};

} // namespace

std::span<const SysVarEntry> platform_variables() { return sysvars; }

} // namespace talven
