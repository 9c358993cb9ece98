// The statements of the interpreter core that are neither control flow nor
// any other subsystem's: assignment and the integer updates, the global
// arrays, the area stores, the element list and a few settings.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/conversions.h"
#include "values/arguments.h"
#include "values/numeric_functions.h"
#include "values/variables.h"

namespace talven {
namespace {

// The value list of a string assignment: print-mode arguments joined, one
// blank after each that a "," ended, cut at 255 characters.
ShortString fetch_value_list(Runtime& rt)
{
    ShortString result;
    rt.fetch.last_argument = false;
    while (!rt.fetch.last_argument) {
        bool ok = arg_value(rt, print_mode);
        result.append(rt.value.text().view());
        if (rt.fetch.separator == ',')
            result.push_back(' ');
        if (!ok)
            break;
    }
    return result;
}

// The compiled target of this line's assignment, or null.
AssignmentShape* remembered_assignment(Runtime& rt)
{
    ArgNode* node = rt.compiled_args.find(rt.loop.args.begin());
    return node && node->assignment_end == rt.loop.args.end() ? &node->assignment : nullptr;
}

void remember_assignment(Runtime& rt, ArgText args, std::string_view value, std::string_view name,
                         std::string_view element = {})
{
    if (name.empty() || name.size() > max_name_length)
        return;
    char suffix = name.back();
    if (suffix != '%' && suffix != '&' && suffix != '!' && suffix != '$' && element.empty())
        return;
    ArgNode* node = rt.compiled_args.node_at(args.begin());
    if (!node)
        return;
    AssignmentShape& target = node->assignment;
    target.value_begin = value.data();
    target.value_end = value.data() + value.size();
    target.target = ScalarRef{};
    target.target.suffix = suffix;
    target.target.name.set(name);
    target.element_begin = element.empty() ? nullptr : element.data();
    target.element_length = element.size();
    node->assignment_end = args.end();
}

// The same assignment as below, from what its text said the last time.
void assign_remembered(Runtime& rt, AssignmentShape& target)
{
    rt.loop.args = ArgText(std::string_view(target.value_begin, static_cast<std::size_t>(target.value_end - target.value_begin)));
    FatalWatch watch(rt);
    if (target.element_begin) {
        std::string_view reference(target.element_begin, target.element_length);
        ElementRef element = resolve_element(rt, reference);
        if (watch.reported())
            return;
        ShortString string_value;
        if (target.target.suffix == '$')
            string_value = fetch_value_list(rt);
        else
            arg_value(rt, rest_of_text);
        if (watch.reported())
            return;
        if (element.missing_array)
            rt.fatal(Msg::VariableNotDeclared, upper_trimmed(reference).view());
        else if (element.slot >= 0)
            store_element(rt, element.suffix, element.slot, string_value);
        return;
    }
    ShortString string_value;
    ScalarRef& scalar = target.target;
    if (scalar.suffix == '$')
        string_value = fetch_value_list(rt);
    else
        arg_value(rt, rest_of_text);
    if (watch.reported())
        return;
    void* slot = scalar.find(rt.variables);
    if (!slot) {
        rt.fatal(Msg::VariableNotDeclared, scalar.name.view());
        return;
    }
    store_into_scalar_slot(rt, scalar.suffix, slot, string_value);
}

void cmd_let(Runtime& rt)
{
    if (AssignmentShape* target = remembered_assignment(rt)) {
        assign_remembered(rt, *target);
        return;
    }
    ArgText args = rt.loop.args;
    std::string_view text = rt.loop.args.view();
    std::size_t equals = text.find('=');
    std::string_view target = trim_blanks(text.substr(0, equals));
    std::string_view value_text = equals == std::string_view::npos ? std::string_view() : trim_blanks(text.substr(equals + 1));
    rt.loop.args = ArgText(value_text);
    ShortString name = upper_trimmed(target);

    ElementRef element;
    bool is_element = !name.empty() && name[name.size() - 1] == ']';
    std::string_view bare = name.view();
    FatalWatch watch(rt);
    if (is_element) {
        element = resolve_element(rt, target);
        bare = bare.substr(0, bare.find('['));
        bare = trim_blanks(bare);
        // The same steps from what the text said, the next time round; the
        // suffix decides between a value list and a single value.
        if (!bare.empty())
            remember_assignment(rt, args, value_text, bare, target);
        if (watch.reported())
            return;
    }
    ShortString string_value;
    if (!bare.empty() && bare.back() == '$')
        string_value = fetch_value_list(rt);
    else
        arg_value(rt, rest_of_text);
    if (watch.reported())
        return;

    if (is_element && !element.missing_array) {
        if (element.slot >= 0)
            store_element(rt, element.suffix, element.slot, string_value);
        return;
    }
    if (!is_element)
        remember_assignment(rt, args, value_text, name.view());
    if (!is_element && store_scalar(rt, name.view(), string_value))
        return;
    rt.fatal(Msg::VariableNotDeclared, name.view());
}

// INC, DEC, ADD and SUB change the newest integer variable of the name.
void update_integer(Runtime& rt, bool with_operand, std::int32_t sign)
{
    std::string_view text = rt.loop.args.view();
    std::size_t comma = with_operand ? text.find(',') : std::string_view::npos;
    ShortString name = upper_trimmed(text.substr(0, comma));
    std::uint32_t delta = 1;
    if (with_operand) {
        rt.loop.args = ArgText(comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1));
        auto operand = arg_integer(rt, rest_of_text);
        if (!operand)
            return;
        delta = static_cast<std::uint32_t>(*operand);
    }
    if (name.empty() || name[name.size() - 1] != '%') {
        rt.fatal(Msg::IntegerVariableExpected);
        return;
    }
    std::int32_t* value = rt.variables.integers.find(name.view());
    if (!value) {
        rt.fatal(Msg::VariableNotDeclared, name.view());
        return;
    }
    std::uint32_t bits = static_cast<std::uint32_t>(*value);
    bits = sign > 0 ? bits + delta : bits - delta;
    *value = static_cast<std::int32_t>(bits);
}

void cmd_inc(Runtime& rt) { update_integer(rt, false, 1); }
void cmd_dec(Runtime& rt) { update_integer(rt, false, -1); }
void cmd_add(Runtime& rt) { update_integer(rt, true, 1); }
void cmd_sub(Runtime& rt) { update_integer(rt, true, -1); }

template <class T>
void dimension_global(Runtime& rt, ElementTable<T>& table, Msg twice)
{
    if (table.highest != -1) {
        rt.fatal(twice);
        return;
    }
    auto count = arg_integer(rt, rest_of_text);
    if (!count)
        return;
    std::int32_t n = *count;
    if (n < 0 || n >= element_table_slots) {
        rt.fatal(Msg::ElementCountRange);
        return;
    }
    table.slots.assign(static_cast<std::size_t>(n) + 1, T{});
    table.highest = n;
}

void cmd_dim_int(Runtime& rt) { dimension_global(rt, rt.variables.global_integers, Msg::DimIntTwice); }
void cmd_dim_long(Runtime& rt) { dimension_global(rt, rt.variables.global_longs, Msg::DimLongTwice); }
void cmd_dim_float(Runtime& rt) { dimension_global(rt, rt.variables.global_floats, Msg::DimFloatTwice); }
void cmd_dim_str(Runtime& rt) { dimension_global(rt, rt.variables.global_strings, Msg::DimStrTwice); }

// Fetches "index = value"; the element index, or -1 after a report.
template <class T>
std::int32_t fetch_global_index(Runtime& rt, ElementTable<T>& table)
{
    auto index = arg_integer(rt, '=');
    if (!index)
        return -1;
    if (*index < 0 || *index > table.highest) {
        rt.fatal(Msg::BoundExceeded);
        return -1;
    }
    if (!arg_value(rt, rest_of_text))
        return -1;
    return *index;
}

void cmd_setdim_int(Runtime& rt)
{
    auto& table = rt.variables.global_integers;
    if (std::int32_t i = fetch_global_index(rt, table); i >= 0)
        table.slots[static_cast<std::size_t>(i)] = rt.value.integer;
}

void cmd_setdim_long(Runtime& rt)
{
    auto& table = rt.variables.global_longs;
    if (std::int32_t i = fetch_global_index(rt, table); i >= 0)
        table.slots[static_cast<std::size_t>(i)] = rt.value.long_integer;
}

void cmd_setdim_float(Runtime& rt)
{
    auto& table = rt.variables.global_floats;
    if (std::int32_t i = fetch_global_index(rt, table); i >= 0)
        table.slots[static_cast<std::size_t>(i)] = rt.value.real;
}

void cmd_setdim_str(Runtime& rt)
{
    auto& table = rt.variables.global_strings;
    if (std::int32_t i = fetch_global_index(rt, table); i >= 0)
        table.slots[static_cast<std::size_t>(i)] = rt.value.text();
}

// "name, offset = value": the name, then the offset and the value fetched.
struct AreaStore {
    ShortString name;
    std::int64_t offset = 0;
    bool ok = false;
};

AreaStore fetch_area_store(Runtime& rt)
{
    AreaStore store;
    std::string_view text = rt.loop.args.view();
    std::size_t comma = text.find(',');
    store.name = upper_trimmed(text.substr(0, comma));
    rt.loop.args = ArgText(comma == std::string_view::npos ? std::string_view() : trim_blanks(text.substr(comma + 1)));
    auto offset = arg_long(rt, '=');
    store.offset = *offset;
    store.ok = offset && arg_value(rt, rest_of_text);
    return store;
}

void write_area_bytes(Runtime& rt, int bytes, std::uint32_t (*view)(const Value&))
{
    AreaStore store = fetch_area_store(rt);
    if (!store.ok)
        return;
    AreaBlock* area = area_for_access(rt, store.name.view(), store.offset, bytes);
    if (!area)
        return;
    std::uint32_t value = view(rt.value);
    for (int i = 0; i < bytes; ++i)
        area->block[store.offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void cmd_areabyte(Runtime& rt)
{
    write_area_bytes(rt, 1, [](const Value& v) { return static_cast<std::uint32_t>(v.integer); });
}

void cmd_areaword(Runtime& rt)
{
    write_area_bytes(rt, 2, [](const Value& v) { return static_cast<std::uint32_t>(v.long_integer); });
}

void cmd_arealong(Runtime& rt)
{
    write_area_bytes(rt, 4, [](const Value& v) { return static_cast<std::uint32_t>(v.long_integer); });
}

// Strings stop before the last byte of the block; the terminated form then
// writes its 0 byte, at the declared size at most.
void write_area_string(Runtime& rt, bool terminated)
{
    AreaStore store = fetch_area_store(rt);
    if (!store.ok)
        return;
    AreaBlock* area = area_for_access(rt, store.name.view(), store.offset, 1);
    if (!area)
        return;
    std::int64_t position = store.offset;
    for (char c : rt.value.text().view()) {
        if (position >= area->size)
            break;
        area->block[position++] = static_cast<std::uint8_t>(c);
    }
    if (terminated)
        area->block[position] = 0;
}

void cmd_areastrz(Runtime& rt) { write_area_string(rt, true); }
void cmd_areastr(Runtime& rt) { write_area_string(rt, false); }

// "name, size"
void cmd_areadim(Runtime& rt)
{
    std::string_view text = rt.loop.args.view();
    std::size_t comma = text.find(',');
    ShortString name = upper_trimmed(text.substr(0, comma));
    rt.loop.args = ArgText(comma == std::string_view::npos ? std::string_view() : trim_blanks(text.substr(comma + 1)));
    if (auto size = arg_long(rt, rest_of_text))
        dimension_area(rt, name.view(), *size);
}

void cmd_areafree(Runtime& rt)
{
    release_area(rt, upper_trimmed(rt.loop.args.view()).view());
}

void cmd_clearlist(Runtime& rt)
{
    rt.elements.entries.clear();
}

void cmd_addstring(Runtime& rt)
{
    if (!arg_value(rt, rest_of_text))
        return;
    if (rt.elements.highest() + 1 >= ElementList::capacity) {
        rt.fatal(Msg::TooManyElements);
        return;
    }
    rt.elements.entries.push_back(rt.value.text());
}

void cmd_setstring(Runtime& rt)
{
    auto index = arg_integer(rt, '=');
    if (!index || !arg_value(rt, rest_of_text))
        return;
    if (*index < 0 || *index > rt.elements.highest()) {
        rt.fatal(Msg::NoSuchElement);
        return;
    }
    rt.elements.entries[static_cast<std::size_t>(*index)] = rt.value.text();
}

void cmd_textangle(Runtime& rt)
{
    rt.fonts.escapement = rt.fonts.orientation = *arg_integer(rt, rest_of_text);
}

// Only a string changes the title; the window takes the title either way.
void cmd_windowtitle(Runtime& rt)
{
    arg_value(rt, rest_of_text);
    if (rt.value.type == ValueType::String)
        rt.window.title = rt.value.text();
}

void cmd_scramblekey(Runtime& rt)
{
    ShortString key = *arg_text(rt, rest_of_text, Expect::RawString);
    ShortString& pattern = rt.scramble.pattern;
    pattern.clear();
    if (key.empty())
        return;
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] = static_cast<char>((static_cast<unsigned char>(key[i]) % 4) * 64);
    while (pattern.size() < ShortString::capacity)
        pattern.append(key.view());
}

void cmd_randomize(Runtime& rt)
{
    LocalTime now = rt.host.local_time();
    std::uint32_t seed = rt.host.tick_count() ^ static_cast<std::uint32_t>(now.millisecond * 1000003 + now.second * 7919 +
                                                                          now.minute * 104729);
    reseed_random(rt, seed);
}

void cmd_beep(Runtime& rt)
{
    rt.host.beep();
}

void cmd_waitmessage(Runtime& rt)
{
    if (!rt.host.wait_one_message())
        rt.end_program(exit_code::window_closed);
}

// No range check: every value other than -1, 1 and 2 silences warnings.
void cmd_errormode(Runtime& rt)
{
    rt.errors.mode = *arg_integer(rt, rest_of_text);
}

// Token 0x5A evaluates one argument and does nothing else.
void cmd_fetch_one(Runtime& rt)
{
    arg_value(rt, ',');
}

constexpr CommandEntry commands[] = {
    {Tok::Waitmessage, cmd_waitmessage},
    {Tok::Arealong, cmd_arealong},
    {Tok::Areastrz, cmd_areastrz},
    {Tok::FetchOne, cmd_fetch_one},
    {Tok::Areaword, cmd_areaword},
    {Tok::Areabyte, cmd_areabyte},
    {Tok::Areastr, cmd_areastr},
    {Tok::Areafree, cmd_areafree},
    {Tok::Areadim, cmd_areadim},
    {Tok::Scramblekey, cmd_scramblekey},
    {Tok::Windowtitle, cmd_windowtitle},
    {Tok::Randomize, cmd_randomize},
    {Tok::Beep, cmd_beep},
    {Tok::SetdimInt, cmd_setdim_int},
    {Tok::SetdimLong, cmd_setdim_long},
    {Tok::SetdimFloat, cmd_setdim_float},
    {Tok::SetdimStr, cmd_setdim_str},
    {Tok::DimInt, cmd_dim_int},
    {Tok::DimLong, cmd_dim_long},
    {Tok::DimFloat, cmd_dim_float},
    {Tok::DimStr, cmd_dim_str},
    {Tok::Let, cmd_let},
    {Tok::Inc, cmd_inc},
    {Tok::Dec, cmd_dec},
    {Tok::Add, cmd_add},
    {Tok::Sub, cmd_sub},
    {Tok::Clearlist, cmd_clearlist},
    {Tok::Addstring, cmd_addstring},
    {Tok::Errormode, cmd_errormode},
    {Tok::Textangle, cmd_textangle},
    {Tok::Setstring, cmd_setstring},
};

} // namespace

std::span<const CommandEntry> core_statements_commands() { return commands; }

} // namespace talven
