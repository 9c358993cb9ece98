// The built-in dialogs' side of the program: the element list read by
// index, and the system variables that report what the last dialog left.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/function_results.h"

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

void sys_dlgresult(Runtime& rt) { rt.value.integer = rt.dialogs.result; }
void sys_dlgtext1(Runtime& rt) { rt.value.set_text(rt.dialogs.last_input); }
void sys_dlgtext2(Runtime& rt) { rt.value.set_text(rt.dialogs.last_selected); }
void sys_listindex(Runtime& rt) { rt.value.integer = rt.dialogs.last_list_index; }

constexpr FunctionEntry functions[] = {
    {Fn::Element, fn_element},
};

constexpr SysVarEntry sysvars[] = {
    {SysVar::Dlgresult, sys_dlgresult},
    {SysVar::Dlgtext1, sys_dlgtext1},
    {SysVar::Dlgtext2, sys_dlgtext2},
    {SysVar::Listindex, sys_listindex},
};

} // namespace

std::span<const FunctionEntry> builtin_dialogs_functions() { return functions; }
std::span<const SysVarEntry> builtin_dialogs_sysvars() { return sysvars; }

} // namespace talven
