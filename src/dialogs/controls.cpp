// Controls and dialog windows: creation with the running control id and the
// font switch, and the queries and settings programs apply to the handles
// they keep. All state of a control lives in the host.
#include <algorithm>
#include <string>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "host/window_messages.h"
#include "dialogs/resource_argument.h"
#include "values/arguments.h"
#include "values/function_results.h"

namespace talven {
namespace {

DialogHost& ui(Runtime& rt) { return rt.host.dialogs(); }

std::uint32_t arg_handle(Runtime& rt, char separator) { return static_cast<std::uint32_t>(*arg_long(rt, separator)); }

void result_handle(Runtime& rt, std::uint32_t handle) { result_long(rt, static_cast<std::int32_t>(handle)); }

// --- creation ----------------------------------------------------------------

enum class IdUse : std::uint8_t { None, Next };
enum class HeightRule : std::uint8_t { Plain, Password, Wrap };

struct ControlKind {
    const char* class_name;
    std::uint32_t style;
    IdUse id;
    bool font;
    HeightRule height_rule = HeightRule::Plain;
    // Scroll bars range over 0..100 and keep the system font.
    bool scroll_bar = false;
};

// Parent, text, x, y, width, height; a negative height counts as its size.
std::uint32_t create_control(Runtime& rt, const ControlKind& kind)
{
    WindowSpec spec;
    spec.class_name = kind.class_name;
    spec.parent = arg_handle(rt, ',');
    ShortString text = *arg_text(rt, ',');
    spec.text = text.view();
    spec.x = *arg_integer(rt, ',');
    spec.y = *arg_integer(rt, ',');
    spec.width = *arg_integer(rt, ',');
    std::int32_t height = *arg_integer(rt, ')');
    spec.style = kind.style;
    if (height <= 0) {
        if (kind.height_rule == HeightRule::Password)
            spec.style |= 0x20;  // ES_PASSWORD
        else if (kind.height_rule == HeightRule::Wrap)
            spec.style &= ~0x00100000u;  // no WS_HSCROLL: lines wrap
    }
    spec.height = height == INT32_MIN ? INT32_MAX : std::abs(height);
    if (kind.id == IdUse::Next)
        spec.id = static_cast<std::uint32_t>(rt.dialogs.next_control_id++);
    std::uint32_t handle = ui(rt).create_window(spec);
    if (handle != 0 && kind.scroll_bar)
        ui(rt).set_scroll_range(handle, 0, 100, false);
    if (handle != 0 && kind.font && rt.dialogs.control_font)
        ui(rt).use_current_font(handle);
    return handle;
}

template <const ControlKind& kind>
void fn_create(Runtime& rt)
{
    result_handle(rt, create_control(rt, kind));
}

constexpr ControlKind button{"BUTTON", 0x50010000, IdUse::Next, true};
constexpr ControlKind default_button{"BUTTON", 0x50010001, IdUse::Next, true};
constexpr ControlKind check_box{"BUTTON", 0x50010003, IdUse::Next, true};
constexpr ControlKind radio_button{"BUTTON", 0x50010009, IdUse::Next, true};
constexpr ControlKind group_box{"BUTTON", 0x50030007, IdUse::Next, true};
constexpr ControlKind static_text{"STATIC", 0x50000000, IdUse::None, true};
constexpr ControlKind edit{"EDIT", 0x50810080, IdUse::Next, true, HeightRule::Password};
constexpr ControlKind text_edit{"EDIT", 0x50B11144, IdUse::Next, true, HeightRule::Wrap};
constexpr ControlKind list_box{"LISTBOX", 0x50B101C1, IdUse::Next, true};
constexpr ControlKind sorted_list_box{"LISTBOX", 0x50B101C3, IdUse::Next, true};
constexpr ControlKind combo_box{"COMBOBOX", 0x50B10303, IdUse::Next, true};
constexpr ControlKind horizontal_scroll{"SCROLLBAR", 0x50810000, IdUse::Next, false, HeightRule::Plain, true};
constexpr ControlKind vertical_scroll{"SCROLLBAR", 0x50010001, IdUse::Next, false, HeightRule::Plain, true};

void fn_createiconctrl(Runtime& rt)
{
    std::uint32_t parent = arg_handle(rt, ',');
    ShortString icon = *arg_text(rt, ',');
    std::int32_t x = *arg_integer(rt, ',');
    std::int32_t y = *arg_integer(rt, ')');
    result_handle(rt, ui(rt).create_icon_control(parent, icon.view(), x, y));
}

void fn_createwindow(Runtime& rt)
{
    WindowSpec spec;
    ShortString class_name = *arg_text(rt, ',');
    ShortString text = *arg_text(rt, ',');
    spec.class_name = class_name.view();
    spec.text = text.view();
    spec.style = static_cast<std::uint32_t>(*arg_long(rt, ','));
    spec.x = *arg_integer(rt, ',');
    spec.y = *arg_integer(rt, ',');
    spec.width = *arg_integer(rt, ',');
    spec.height = *arg_integer(rt, ',');
    spec.parent = arg_handle(rt, ',');
    spec.id = arg_handle(rt, ',');
    spec.instance = arg_handle(rt, ')');
    std::uint32_t handle = ui(rt).create_window(spec);
    if (handle != 0 && rt.dialogs.control_font)
        ui(rt).use_current_font(handle);
    result_handle(rt, handle);
}

struct DialogPlacement {
    std::uint32_t parent;
    ShortString title;
    std::int32_t x, y, width, height;
};

DialogPlacement arg_dialog_placement(Runtime& rt)
{
    DialogPlacement p;
    p.parent = arg_handle(rt, ',');
    p.title = *arg_text(rt, ',');
    p.x = *arg_integer(rt, ',');
    p.y = *arg_integer(rt, ',');
    p.width = *arg_integer(rt, ',');
    p.height = *arg_integer(rt, ')');
    return p;
}

void fn_createdialog(Runtime& rt)
{
    DialogPlacement p = arg_dialog_placement(rt);
    std::uint32_t dialog = ui(rt).create_template_dialog(p.parent, p.title.view(), p.x, p.y, p.width, p.height);
    if (dialog != 0 && rt.dialogs.control_font)
        ui(rt).use_current_font(dialog);
    result_handle(rt, dialog);
}

void fn_createdialogwindow(Runtime& rt)
{
    DialogPlacement p = arg_dialog_placement(rt);
    result_handle(rt, ui(rt).create_dialog_window(p.parent, p.title.view(), rt.main_window.style, p.x, p.y,
                                                  p.width, p.height));
}

void fn_loaddialog(Runtime& rt)
{
    std::uint32_t instance = arg_handle(rt, ',');
    std::uint32_t parent = arg_handle(rt, ',');
    ResourceName name = arg_resource_name(rt, ')');
    result_handle(rt, ui(rt).load_dialog(instance, parent, name));
}

// --- queries -----------------------------------------------------------------

void fn_activewindow(Runtime& rt) { result_handle(rt, ui(rt).active_window()); }
void fn_activate(Runtime& rt) { result_handle(rt, ui(rt).activate(arg_handle(rt, ')'))); }

// Modes beyond the platform's 0..9 hide the window.
void fn_showwin(Runtime& rt)
{
    std::uint32_t window = arg_handle(rt, ',');
    std::int32_t mode = *arg_integer(rt, ')');
    if (mode < 0 || mode > 9)
        mode = 0;
    result_integer(rt, ui(rt).show_window(window, mode) ? 1 : 0);
}

void fn_setfocusto(Runtime& rt) { result_handle(rt, ui(rt).set_focus(arg_handle(rt, ')'))); }

// While the help key is marked, the focus counts negated: @HASFOCUS(-h)
// says F1 was pressed while h had the focus.
void fn_hasfocus(Runtime& rt)
{
    auto window = static_cast<std::int32_t>(arg_handle(rt, ')'));
    auto focus = static_cast<std::int32_t>(ui(rt).focus_window());
    if (rt.events.help_key)
        focus = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(focus));
    result_integer(rt, focus == window ? 1 : 0);
}

void fn_destroywin(Runtime& rt) { result_integer(rt, ui(rt).destroy_window(arg_handle(rt, ')')) ? 1 : 0); }

void fn_gettext(Runtime& rt)
{
    result_text(rt, ui(rt).control_text(arg_handle(rt, ')'), ControlText::Window, 0).view());
}

std::int32_t send(Runtime& rt, std::uint32_t window, std::uint32_t message, std::uint32_t wparam = 0)
{
    return ui(rt).send_message(window, message, wparam, 0);
}

void fn_getcheck(Runtime& rt) { result_integer(rt, send(rt, arg_handle(rt, ')'), winmsg::button_get_check)); }
void fn_clientheight(Runtime& rt) { result_integer(rt, ui(rt).client_height(arg_handle(rt, ')'))); }
void fn_clientwidth(Runtime& rt) { result_integer(rt, ui(rt).client_width(arg_handle(rt, ')'))); }

void fn_dlgitem(Runtime& rt)
{
    std::uint32_t window = arg_handle(rt, ',');
    std::int32_t id = *arg_integer(rt, ')');
    result_handle(rt, ui(rt).dialog_item(window, id));
}

void fn_loadstr(Runtime& rt)
{
    std::uint32_t instance = arg_handle(rt, ',');
    auto id = static_cast<std::uint32_t>(*arg_long(rt, ')'));
    result_text(rt, ui(rt).load_string(instance, id).view());
}

void fn_scrollpos(Runtime& rt) { result_integer(rt, ui(rt).scroll_position(arg_handle(rt, ')'))); }

struct MessageArgs {
    std::uint32_t window, message, wparam, lparam;
};

MessageArgs arg_message(Runtime& rt)
{
    MessageArgs m;
    m.window = arg_handle(rt, ',');
    m.message = static_cast<std::uint32_t>(*arg_long(rt, ','));
    m.wparam = static_cast<std::uint32_t>(*arg_long(rt, ','));
    m.lparam = static_cast<std::uint32_t>(*arg_long(rt, ')'));
    return m;
}

void fn_sendmsg(Runtime& rt)
{
    MessageArgs m = arg_message(rt);
    result_long(rt, ui(rt).send_message(m.window, m.message, m.wparam, m.lparam));
}

void fn_postmsg(Runtime& rt)
{
    MessageArgs m = arg_message(rt);
    result_integer(rt, ui(rt).post_message(m.window, m.message, m.wparam, m.lparam) ? 1 : 0);
}

void fn_findwindow(Runtime& rt) { result_handle(rt, ui(rt).find_window(arg_text(rt, ')')->view())); }

// --- lists, combo boxes and edits ----------------------------------------------

// A control and one text: LB_ADDSTRING and CB_ADDSTRING.
template <std::uint32_t message>
void fn_add_text(Runtime& rt)
{
    std::uint32_t control = arg_handle(rt, ',');
    ShortString text = *arg_text(rt, ')');
    result_integer(rt, ui(rt).send_text(control, message, 0, text.view()));
}

// A control and an index or start index, then a text.
template <std::uint32_t message>
void fn_indexed_text(Runtime& rt)
{
    std::uint32_t control = arg_handle(rt, ',');
    auto index = static_cast<std::uint32_t>(*arg_integer(rt, ','));
    ShortString text = *arg_text(rt, ')');
    result_integer(rt, ui(rt).send_text(control, message, index, text.view()));
}

// A control and an index: LB_DELETESTRING and CB_DELETESTRING.
template <std::uint32_t message>
void fn_delete_item(Runtime& rt)
{
    std::uint32_t control = arg_handle(rt, ',');
    auto index = static_cast<std::uint32_t>(*arg_integer(rt, ')'));
    result_integer(rt, send(rt, control, message, index));
}

// A control alone: LB_GETCOUNT, LB_GETCURSEL, EM_GETLINECOUNT.
template <std::uint32_t message>
void fn_control_query(Runtime& rt)
{
    result_integer(rt, send(rt, arg_handle(rt, ')'), message));
}

template <ControlText which>
void fn_indexed_item(Runtime& rt)
{
    std::uint32_t control = arg_handle(rt, ',');
    std::int32_t index = *arg_integer(rt, ')');
    result_text(rt, ui(rt).control_text(control, which, index).view());
}

// Every entry of the element list, in order; the last result.
template <std::uint32_t message>
void fn_from_elements(Runtime& rt)
{
    std::uint32_t control = arg_handle(rt, ')');
    std::int32_t last = 0;
    for (const ShortString& entry : rt.elements.entries)
        last = ui(rt).send_text(control, message, 0, entry.view());
    result_integer(rt, last);
}

// The entries each followed by CR LF. An entry that would take the text
// beyond 63,998 characters is left out, and a shorter later one can
// still follow; 1 when every entry fitted.
void fn_editfromelements(Runtime& rt)
{
    constexpr std::size_t limit = 63998;
    std::uint32_t edit = arg_handle(rt, ')');
    std::string text;
    bool all = true;
    for (const ShortString& entry : rt.elements.entries) {
        if (text.size() + entry.size() > limit) {
            all = false;
            continue;
        }
        text += entry.view();
        text += "\r\n";
    }
    ui(rt).set_window_text(edit, text);
    result_integer(rt, all ? 1 : 0);
}

// --- commands ----------------------------------------------------------------

void cmd_settext(Runtime& rt)
{
    std::uint32_t window = arg_handle(rt, ',');
    ShortString text = *arg_text(rt, rest_of_text);
    ui(rt).set_window_text(window, text.view());
}

void cmd_setcheck(Runtime& rt)
{
    std::uint32_t button = arg_handle(rt, ',');
    std::int32_t n = *arg_integer(rt, rest_of_text);
    send(rt, button, winmsg::button_set_check, n != 0 ? 1 : 0);
}

void cmd_enable(Runtime& rt)
{
    std::uint32_t window = arg_handle(rt, ',');
    std::int32_t n = *arg_integer(rt, rest_of_text);
    ui(rt).enable_window(window, n != 0);
}

void cmd_setscrollpos(Runtime& rt)
{
    std::uint32_t bar = arg_handle(rt, ',');
    std::int32_t position = *arg_integer(rt, rest_of_text);
    ui(rt).set_scroll_position(bar, position, true);
}

void cmd_setscrollrange(Runtime& rt)
{
    std::uint32_t bar = arg_handle(rt, ',');
    std::int32_t low = *arg_integer(rt, ',');
    std::int32_t high = *arg_integer(rt, rest_of_text);
    ui(rt).set_scroll_range(bar, low, high, true);
}

void cmd_controlfont(Runtime& rt) { rt.dialogs.control_font = *arg_integer(rt, rest_of_text) != 0; }

constexpr CommandEntry commands[] = {
    {Tok::Settext, cmd_settext},
    {Tok::Setcheck, cmd_setcheck},
    {Tok::Enable, cmd_enable},
    {Tok::Setscrollpos, cmd_setscrollpos},
    {Tok::Setscrollrange, cmd_setscrollrange},
    {Tok::Controlfont, cmd_controlfont},
};

constexpr FunctionEntry functions[] = {
    {Fn::Createbutton, fn_create<button>},
    {Fn::Createdefbutton, fn_create<default_button>},
    {Fn::Createcheckbox, fn_create<check_box>},
    {Fn::Createradiobutton, fn_create<radio_button>},
    {Fn::Creategroupbox, fn_create<group_box>},
    {Fn::Createtext, fn_create<static_text>},
    {Fn::Createedit, fn_create<edit>},
    {Fn::Createtextedit, fn_create<text_edit>},
    {Fn::Createlistbox, fn_create<list_box>},
    {Fn::Createsortedlistbox, fn_create<sorted_list_box>},
    {Fn::Createcombobox, fn_create<combo_box>},
    {Fn::Createhscroll, fn_create<horizontal_scroll>},
    {Fn::Createvscroll, fn_create<vertical_scroll>},
    {Fn::Createiconctrl, fn_createiconctrl},
    {Fn::Createwindow, fn_createwindow},
    {Fn::Createdialog, fn_createdialog},
    {Fn::Createdialogwindow, fn_createdialogwindow},
    {Fn::Loaddialog, fn_loaddialog},
    {Fn::Activewindow, fn_activewindow},
    {Fn::Activate, fn_activate},
    {Fn::Showwin, fn_showwin},
    {Fn::Setfocusto, fn_setfocusto},
    {Fn::Hasfocus, fn_hasfocus},
    {Fn::Destroywin, fn_destroywin},
    {Fn::Gettext, fn_gettext},
    {Fn::Getcheck, fn_getcheck},
    {Fn::Clientheight, fn_clientheight},
    {Fn::Clientwidth, fn_clientwidth},
    {Fn::Dlgitem, fn_dlgitem},
    {Fn::Loadstr, fn_loadstr},
    {Fn::Scrollpos, fn_scrollpos},
    {Fn::Sendmsg, fn_sendmsg},
    {Fn::Postmsg, fn_postmsg},
    {Fn::Findwindow, fn_findwindow},
    {Fn::Listadd, fn_add_text<winmsg::list_add_string>},
    {Fn::Listinsert, fn_indexed_text<winmsg::list_insert_string>},
    {Fn::Listdelete, fn_delete_item<winmsg::list_delete_string>},
    {Fn::Listcount, fn_control_query<winmsg::list_get_count>},
    {Fn::Listselected, fn_control_query<winmsg::list_get_cur_sel>},
    {Fn::Listitem, fn_indexed_item<ControlText::ListItem>},
    {Fn::Listselect, fn_indexed_text<winmsg::list_select_string>},
    {Fn::Listfromelements, fn_from_elements<winmsg::list_add_string>},
    {Fn::Comboadd, fn_add_text<winmsg::combo_add_string>},
    {Fn::Combodelete, fn_delete_item<winmsg::combo_delete_string>},
    {Fn::Combofromelements, fn_from_elements<winmsg::combo_add_string>},
    {Fn::Editlinecount, fn_control_query<winmsg::edit_get_line_count>},
    {Fn::Editline, fn_indexed_item<ControlText::EditLine>},
    {Fn::Editfromelements, fn_editfromelements},
};

} // namespace

std::span<const CommandEntry> controls_commands() { return commands; }
std::span<const FunctionEntry> controls_functions() { return functions; }

} // namespace talven
