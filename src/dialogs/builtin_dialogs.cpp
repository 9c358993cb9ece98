// The built-in dialogs: the input box, the list selection boxes, the editor
// of the element list, file and folder selection, the program's message
// boxes, the element list read by index, and the system variables that
// report what the last dialog left.
#include <string>

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

DialogHost& ui(Runtime& rt) { return rt.host.dialogs(); }

// After a modal dialog the main window shows itself anew.
void dialog_closed(Runtime& rt)
{
    if (window_exists(rt))
        rt.host.repaint_main_window();
}

// OK: the text is the result; Cancel: the empty text. The dialog result
// says which.
void text_result(Runtime& rt, const std::optional<ShortString>& answer)
{
    rt.dialogs.result = answer ? 1 : 2;
    result_text(rt, answer ? answer->view() : std::string_view());
    dialog_closed(rt);
}

// Prompt, title, default text. The confirmed text is the result in every
// view: "12" is 12 when assigned to a number.
void fn_inputbox(Runtime& rt)
{
    ShortString prompt = *arg_text(rt, ',');
    ShortString title = *arg_text(rt, ',');
    ShortString given = *arg_text(rt, ')');
    std::optional<ShortString> answer = ui(rt).input_box(prompt.view(), title.view(), given.view());
    if (answer)
        rt.dialogs.last_input = *answer;
    text_result(rt, answer);
}

// Title, template number 1..8 (any other: the small sorted box 7).
void fn_selectbox(Runtime& rt)
{
    ShortString title = *arg_text(rt, ',');
    std::int32_t n = *arg_integer(rt, ')');
    if (n < 1 || n > 8)
        n = 7;
    SelectionAnswer answer = ui(rt).select_box(n, title.view(), rt.elements.entries);
    if (answer.index)
        rt.dialogs.last_list_index = *answer.index;
    std::optional<ShortString> chosen;
    if (answer.confirmed) {
        chosen = answer.text;
        rt.dialogs.last_selected = answer.text;
    }
    text_result(rt, chosen);
}

// Every entry goes into the editor, however long the list: what the
// editor did not show, OK would delete.
std::string joined_elements(const ElementList& elements)
{
    std::string text;
    for (std::size_t i = 0; i < elements.entries.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += elements.entries[i].view();
    }
    return text;
}

// The editor's lines replace the list; a line longer than an entry holds
// goes on in the entries after it rather than being cut.
void replace_elements(ElementList& elements, const std::vector<std::string>& lines)
{
    constexpr std::size_t max_lines = 32767;
    elements.entries.clear();
    std::size_t count = std::min(lines.size(), max_lines);
    for (std::size_t i = 0; i < count; ++i) {
        std::string_view line = lines[i];
        do {
            if (elements.entries.size() >= static_cast<std::size_t>(ElementList::capacity))
                return;
            std::string_view piece = line.substr(0, ShortString::capacity);
            elements.entries.emplace_back(piece);
            line.remove_prefix(piece.size());
        } while (!line.empty());
    }
}

// Title, template number (2: the editor in a fixed font). Cancel leaves the
// element list as it was.
void fn_editbox(Runtime& rt)
{
    ShortString title = *arg_text(rt, ',');
    std::int32_t n = *arg_integer(rt, ')');
    auto lines = ui(rt).edit_box(n == 2 ? 2 : 1, title.view(), joined_elements(rt.elements));
    if (lines)
        replace_elements(rt.elements, *lines);
    rt.dialogs.result = lines ? 1 : 2;
    result_integer(rt, lines ? 1 : 0);
    dialog_closed(rt);
}

constexpr std::uint32_t open_flags = 0x81804;  // explorer, file and path must exist, no read-only box
constexpr std::uint32_t save_flags = 0x80006;  // explorer, ask before overwriting, no read-only box

// Title, then a filter of description|pattern pairs, or a file name to
// start with.
void fn_fileopen(Runtime& rt)
{
    ShortString title = *arg_text(rt, ',');
    ShortString second = *arg_text(rt, ')');
    bool is_filter = second.view().find('|') != std::string_view::npos;
    FileDialogRequest request;
    request.title = title.view();
    request.filter = second.view();
    request.initial_name = is_filter ? std::string_view() : second.view();
    request.flags = open_flags;
    std::optional<ShortString> path = ui(rt).file_dialog(request);
    if (path)
        rt.dialogs.last_selected = *path;
    text_result(rt, path);
}

// Title and the name to start with; its extension makes the one filter
// and the extension a typed name gets.
void fn_filesave(Runtime& rt)
{
    ShortString title = *arg_text(rt, ',');
    ShortString name = *arg_text(rt, ')');
    std::string_view n = name.view();
    std::size_t base = n.find_last_of("\\/:");
    std::size_t dot = n.rfind('.');
    bool has_extension = dot != std::string_view::npos && (base == std::string_view::npos || dot > base);
    std::string_view extension = has_extension ? n.substr(dot + 1) : std::string_view();
    std::string pattern = "*";
    if (has_extension)
        pattern += n.substr(dot);
    std::string filter = pattern + "|" + pattern;
    FileDialogRequest request;
    request.save = true;
    request.title = title.view();
    request.filter = filter;
    request.initial_name = n;
    request.default_extension = extension;
    request.flags = save_flags;
    text_result(rt, ui(rt).file_dialog(request));
}

// The chosen folder has become the current directory; the result ends in
// a backslash.
void fn_folder(Runtime& rt)
{
    ShortString title = *arg_text(rt, ')');
    std::optional<ShortString> folder = ui(rt).folder_dialog(title.view());
    if (folder && (folder->empty() || folder->view().back() != '\\'))
        folder->append("\\");
    text_result(rt, folder);
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
    {Fn::Inputbox, fn_inputbox},
    {Fn::Selectbox, fn_selectbox},
    {Fn::Editbox, fn_editbox},
    {Fn::Fileopen, fn_fileopen},
    {Fn::Filesave, fn_filesave},
    {Fn::Folder, fn_folder},
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
