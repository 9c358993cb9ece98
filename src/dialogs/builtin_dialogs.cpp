// The built-in dialogs: the program's message boxes, the element list read
// by index, and the system variables that report what the last dialog left.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/function_results.h"
#include "window/main_window.h"

namespace talven {
namespace {

// Entry n, counted from 0. An index outside the list is error 206; should
// the error mode let the program go on, the result is the empty text.
void fn_element(Runtime& rt)
{
    std::int32_t n = *arg_integer(rt, ')');
    bool present = n >= 0 && n <= rt.elements.highest();
    result_text(rt, present ? rt.elements.entries[static_cast<std::size_t>(n)].view() : std::string_view());
    if (!present)
        rt.fatal(Msg::NotThatManyElements);
}

// Text, caption and the platform's box type, shown with the main window as
// owner (none before it exists); the pressed button's id is the dialog
// result.
std::int32_t show_program_box(Runtime& rt, char last_separator)
{
    ShortString text = *arg_text(rt, ',');
    ShortString caption = *arg_text(rt, ',');
    auto type = static_cast<std::uint32_t>(*arg_long(rt, last_separator));
    rt.dialogs.result = rt.host.program_box(text.view(), caption.view(), type);
    return rt.dialogs.result;
}

void fn_messagebox(Runtime& rt)
{
    std::int32_t button = show_program_box(rt, ')');
    if (window_exists(rt))
        rt.host.repaint_main_window();
    result_integer(rt, button);
}

// The command leaves the window alone while STARTPAINT draws elsewhere.
void cmd_messagebox(Runtime& rt)
{
    show_program_box(rt, rest_of_text);
    if (window_exists(rt) && !rt.draw.paint_active)
        rt.host.repaint_main_window();
}

void sys_dlgresult(Runtime& rt) { rt.value.integer = rt.dialogs.result; }
void sys_dlgtext1(Runtime& rt) { rt.value.set_text(rt.dialogs.last_input); }
void sys_dlgtext2(Runtime& rt) { rt.value.set_text(rt.dialogs.last_selected); }
void sys_listindex(Runtime& rt) { rt.value.integer = rt.dialogs.last_list_index; }

constexpr CommandEntry commands[] = {
    {Tok::Messagebox, cmd_messagebox},
};

constexpr FunctionEntry functions[] = {
    {Fn::Messagebox, fn_messagebox},
    {Fn::Element, fn_element},
};

constexpr SysVarEntry sysvars[] = {
    {SysVar::Dlgresult, sys_dlgresult},
    {SysVar::Dlgtext1, sys_dlgtext1},
    {SysVar::Dlgtext2, sys_dlgtext2},
    {SysVar::Listindex, sys_listindex},
};

} // namespace

std::span<const CommandEntry> builtin_dialogs_commands() { return commands; }
std::span<const FunctionEntry> builtin_dialogs_functions() { return functions; }
std::span<const SysVarEntry> builtin_dialogs_sysvars() { return sysvars; }

} // namespace talven
