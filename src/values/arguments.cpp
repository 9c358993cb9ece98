// The fetches of the argument interface: each one snapshot of the fatal-error
// count around one fetch, so that no handler keeps its own.
#include "values/arguments.h"

#include "core/runtime.h"
#include "values/variables.h"

namespace talven {
namespace {

// Fetches one argument; true unless a fatal error was reported meanwhile.
bool fetched(Runtime& rt, char separator, Expect expect)
{
    FatalWatch watch(rt);
    fetch(rt, separator, expect);
    return !watch.reported();
}

} // namespace

FatalWatch::FatalWatch(const Runtime& rt) : m_rt(rt), m_fatals(rt.errors.fatal_count) {}

bool FatalWatch::reported() const { return m_rt.errors.fatal_count != m_fatals; }

bool arg_value(Runtime& rt, char separator, Expect expect) { return fetched(rt, separator, expect); }

Arg<ShortString> arg_text(Runtime& rt, char separator, Expect expect)
{
    bool call = !rt.loop.args.empty() && rt.loop.args.front() == '@';
    bool ok = fetched(rt, separator, expect);
    if (call && rt.value.type != ValueType::String)
        format_numeric_text(rt);
    return {rt.value.text(), ok};
}

Arg<std::int32_t> arg_integer(Runtime& rt, char separator, Expect expect)
{
    bool ok = fetched(rt, separator, expect);
    return {rt.value.integer, ok};
}

Arg<std::int32_t> arg_long(Runtime& rt, char separator, Expect expect)
{
    bool ok = fetched(rt, separator, expect);
    return {rt.value.long_integer, ok};
}

Arg<double> arg_float(Runtime& rt, char separator, Expect expect)
{
    bool ok = fetched(rt, separator, expect);
    return {rt.value.real, ok};
}

Arg<Number> arg_number(Runtime& rt, char separator, Expect expect)
{
    bool ok = fetched(rt, separator, expect);
    const Value& v = rt.value;
    return {{v.type, v.integer, v.long_integer, v.real}, ok};
}

Arg<int> arg_file_number(Runtime& rt, HashMark hash, char separator)
{
    ArgText& args = rt.loop.args;
    if (!args.empty() && args.front() == '#') {
        args.drop_front(1);
        while (!args.empty() && static_cast<unsigned char>(args.front()) < 33)
            args.drop_front(1);
        while (!args.empty() && static_cast<unsigned char>(args[args.size() - 1]) < 33)
            args.drop_back(1);
    } else if (hash == HashMark::Required) {
        rt.fatal(Msg::FileNumberExpected);
        return {0, false};
    }
    auto n = arg_integer(rt, separator);
    if (!n)
        return {0, false};
    if (*n < 1 || *n > file_slot_count) {
        rt.fatal(Msg::FileNumberOutOfRange);
        return {0, false};
    }
    return {*n, true};
}

ShortString arg_area_name(Runtime& rt)
{
    std::string_view text = rt.loop.args.view();
    std::size_t comma = text.find(',');
    ShortString name = upper_trimmed(text.substr(0, comma));
    rt.loop.args.drop_front(comma == std::string_view::npos ? text.size() : comma + 1);
    return name;
}

bool arguments_left(const Runtime& rt) { return !rt.loop.args.empty(); }

} // namespace talven
