// Control flow: the statements that the loop handles itself. Partner lines
// are found by scanning the line table; since lines never change while a
// program runs, the result of a structural scan is remembered per line.
#include "core/control_flow.h"

#include <cstring>

#include "core/dispatch.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "system/dll_calls.h"
#include "values/conversions.h"
#include "values/arguments.h"

namespace talven {
namespace {

std::uint8_t token_at(const Runtime& rt, std::int32_t line)
{
    std::string_view text = rt.program.line(line);
    return text.empty() ? 0 : static_cast<std::uint8_t>(text[0]);
}

constexpr std::uint8_t t(Tok token) { return static_cast<std::uint8_t>(token); }

// Scans forward from the line after `from` for the closing token at nesting
// level 0; openers raise the level. The partner line, or 0 when the last
// line was passed.
std::int32_t scan_forward(const Runtime& rt, std::int32_t from, std::uint8_t open1, std::uint8_t open2,
                          std::uint8_t close)
{
    std::int32_t level = 0;
    for (std::int32_t line = from + 1; line <= rt.program.line_count(); ++line) {
        std::uint8_t token = token_at(rt, line);
        if (token == open1 || token == open2) {
            ++level;
        } else if (token == close) {
            if (level == 0)
                return line;
            --level;
        }
    }
    return 0;
}

std::int32_t cached_partner(Runtime& rt, std::int32_t from, std::uint8_t open1, std::uint8_t open2,
                            std::uint8_t close)
{
    auto& cache = rt.flow_cache.partner;
    if (cache.size() != static_cast<std::size_t>(rt.program.line_count()) + 1)
        cache.assign(static_cast<std::size_t>(rt.program.line_count()) + 1, -1);
    std::int32_t& partner = cache[static_cast<std::size_t>(from)];
    if (partner < 0)
        partner = scan_forward(rt, from, open1, open2, close);
    return partner;
}

// A failed search leaves the current line at the last line.
void search_failed(Runtime& rt, Msg msg)
{
    rt.loop.current_line = rt.program.line_count();
    rt.fatal(msg);
}

// Fetches the condition: the whole rest of the argument text.
bool condition_holds(Runtime& rt)
{
    return *arg_integer(rt, rest_of_text) != 0;
}

// The same-level lines an IF's search can stop at: each ELSEIF, then the
// first ELSE or the matching ENDIF (0 at the end when there is none).
const std::vector<std::int32_t>& if_stops(Runtime& rt, std::int32_t from)
{
    auto& cache = rt.flow_cache.if_stops;
    if (cache.size() != static_cast<std::size_t>(rt.program.line_count()) + 1)
        cache.assign(static_cast<std::size_t>(rt.program.line_count()) + 1, {});
    std::vector<std::int32_t>& stops = cache[static_cast<std::size_t>(from)];
    if (!stops.empty())
        return stops;
    std::int32_t level = 0;
    std::int32_t line = from + 1;
    for (; line <= rt.program.line_count(); ++line) {
        std::uint8_t token = token_at(rt, line);
        if (token == t(Tok::If) || token == t(Tok::Ifnot)) {
            ++level;
        } else if (token == t(Tok::Endif)) {
            if (level == 0)
                break;
            --level;
        } else if (level == 0 && token == t(Tok::Elseif)) {
            stops.push_back(line);
        } else if (level == 0 && token == t(Tok::Else)) {
            break;
        }
    }
    stops.push_back(line <= rt.program.line_count() ? line : 0);
    return stops;
}

void skip_to_else(Runtime& rt, Msg not_found)
{
    const auto& stops = if_stops(rt, rt.loop.current_line);
    for (std::size_t i = 0; i + 1 < stops.size(); ++i) {
        std::int32_t line = stops[i];
        rt.loop.current_line = line;
        rt.loop.args = ArgText(rt.program.line(line).substr(1));
        if (condition_holds(rt))
            return;
    }
    if (stops.back() == 0) {
        search_failed(rt, not_found);
        return;
    }
    rt.loop.current_line = stops.back();
}

void loop_if(Runtime& rt)
{
    if (!condition_holds(rt))
        skip_to_else(rt, Msg::EndifOrElseMissing);
}

void loop_ifnot(Runtime& rt)
{
    if (condition_holds(rt))
        skip_to_else(rt, Msg::EndifMissing);
}

// ELSE or ELSEIF reached after the branch before it ran.
void loop_else(Runtime& rt)
{
    std::int32_t partner = cached_partner(rt, rt.loop.current_line, t(Tok::If), t(Tok::Ifnot), t(Tok::Endif));
    if (partner == 0)
        search_failed(rt, Msg::EndifMissing);
    else
        rt.loop.current_line = partner;
}

void start_while(Runtime& rt, bool run_when_nonzero)
{
    ControlFlowState& flow = rt.flow;
    bool holds = condition_holds(rt);
    // The capacity is tested before the push, so an overflow in error mode
    // -1 leaves the stack as it was.
    if (flow.while_depth >= while_capacity) {
        rt.fatal(Msg::WhileTooDeep);
        return;
    }
    flow.while_stack[static_cast<std::size_t>(++flow.while_depth)] = rt.loop.current_line;
    if (holds == run_when_nonzero)
        return;
    std::int32_t partner =
        cached_partner(rt, rt.loop.current_line, t(Tok::While), t(Tok::Whilenot), t(Tok::Wend));
    if (partner == 0) {
        search_failed(rt, Msg::WendMissing);
        return;
    }
    --flow.while_depth;
    rt.loop.current_line = partner;
}

void loop_while(Runtime& rt) { start_while(rt, true); }
void loop_whilenot(Runtime& rt) { start_while(rt, false); }

void loop_wend(Runtime& rt)
{
    ControlFlowState& flow = rt.flow;
    if (flow.while_depth == 0) {
        rt.fatal(Msg::WhileMissing);
        return;
    }
    rt.loop.current_line = flow.while_stack[static_cast<std::size_t>(flow.while_depth--)] - 1;
}

// The label name followed by ":" in upper case; the first line from the top
// whose text after the token begins with it.
void jump_to_label(Runtime& rt, const ShortString& name)
{
    ShortString key = name;
    key.push_back(':');
    upper_ansi(key);
    auto& cache = rt.flow_cache.labels;
    auto found = cache.find(key.view());
    std::int32_t target = 0;
    if (found != cache.end()) {
        target = found->second;
    } else {
        for (std::int32_t line = 1; line <= rt.program.line_count(); ++line) {
            std::string_view text = rt.program.line(line);
            if (text.size() < 1 + key.size())
                continue;
            if (is_upper_ansi_equal(text.substr(1, key.size()), key.view())) {
                target = line;
                break;
            }
        }
        cache.emplace(std::string(key.view()), target);
    }
    if (target == 0) {
        rt.loop.current_line = rt.program.line_count();
        rt.fatal(Msg::LabelNotFound, key.view());
        return;
    }
    rt.loop.current_line = target;
}

// The name: one argument of any string expression.
bool fetch_label_name(Runtime& rt, ShortString& name)
{
    auto label = arg_text(rt, rest_of_text, Expect::String);
    name = *label;
    return label.ok;
}

// A label written as a plain string literal always names the same line, so
// the jump of such a line is remembered.
bool is_plain_literal(std::string_view text)
{
    return text.size() >= 2 && text.front() == '"' && text.back() == '"' &&
           text.find('"', 1) == text.size() - 1 && text.find('\\') == std::string_view::npos;
}

bool push_return(Runtime& rt);

// The line this GOTO or GOSUB line jumped to the last time, when its label
// is a plain literal; 0 when there is none yet.
std::int32_t remembered_jump(Runtime& rt)
{
    auto& targets = rt.flow_cache.jump_targets;
    std::size_t line = static_cast<std::size_t>(rt.loop.current_line);
    const char* args = rt.loop.args.begin();
    return line < targets.size() && targets[line].args == args && args ? targets[line].target : 0;
}

// Fetches the label and jumps to it; remembers the jump of a plain literal.
// GOSUB pushes its return between the fetch and the jump.
void jump(Runtime& rt, bool subroutine)
{
    std::size_t line = static_cast<std::size_t>(rt.loop.current_line);
    const char* args = rt.loop.args.begin();
    bool literal = is_plain_literal(rt.loop.args.view());
    ShortString name;
    if (!fetch_label_name(rt, name) || (subroutine && !push_return(rt)))
        return;
    FatalWatch watch(rt);
    jump_to_label(rt, name);
    if (literal && rt.compiled && !watch.reported()) {
        auto& targets = rt.flow_cache.jump_targets;
        if (targets.size() != static_cast<std::size_t>(rt.program.line_count()) + 1)
            targets.assign(static_cast<std::size_t>(rt.program.line_count()) + 1, JumpTarget{});
        targets[line] = {args, rt.loop.current_line};
    }
}

void loop_goto(Runtime& rt)
{
    if (std::int32_t target = remembered_jump(rt))
        rt.loop.current_line = target;
    else
        jump(rt, false);
}

bool push_return(Runtime& rt)
{
    ControlFlowState& flow = rt.flow;
    if (flow.return_depth >= return_capacity) {
        rt.fatal(Msg::GosubTooDeep);
        return false;
    }
    flow.return_stack[static_cast<std::size_t>(++flow.return_depth)] = {rt.loop.current_line, rt.variables.marks()};
    return true;
}

void loop_gosub(Runtime& rt)
{
    std::int32_t target = remembered_jump(rt);
    if (!target)
        jump(rt, true);
    else if (push_return(rt))
        rt.loop.current_line = target;
}

// PROC reached by running into it: skip the whole procedure.
void loop_proc(Runtime& rt)
{
    std::int32_t partner = cached_partner(rt, rt.loop.current_line, t(Tok::Proc), t(Tok::Proc), t(Tok::Endproc));
    if (partner == 0)
        search_failed(rt, Msg::EndprocMissing);
    else
        rt.loop.current_line = partner;
}

// An empty text or a single blank means no value: the text must compare
// greater than " " byte by byte.
bool greater_than_blank(std::string_view text)
{
    return text.compare(" ") > 0;
}

void return_from_call(Runtime& rt, Msg empty_stack)
{
    ControlFlowState& flow = rt.flow;
    if (flow.return_depth == 0) {
        rt.fatal(empty_stack);
        return;
    }
    const ReturnEntry& entry = flow.return_stack[static_cast<std::size_t>(flow.return_depth--)];
    rt.loop.current_line = entry.line;
    rt.variables.restore(entry.marks);
}

void store_slot(ParameterSlot& slot, const Value& value)
{
    slot = value;
}

void loop_return(Runtime& rt)
{
    if (greater_than_blank(rt.loop.args.view())) {
        if (arg_value(rt, rest_of_text))
            store_slot(rt.flow.slots[0], rt.value);
    }
    return_from_call(rt, Msg::GosubOrProcMissing);
}

void loop_endproc(Runtime& rt)
{
    return_from_call(rt, Msg::ProcMissing);
}

void loop_nothing(Runtime&) {}

// A function call as a statement: evaluate and discard.
void loop_function_statement(Runtime& rt)
{
    arg_value(rt, rest_of_text);
}

void cmd_end(Runtime& rt)
{
    rt.loop.stop = true;
}

constexpr CommandEntry commands[] = {
    {Tok::Rem, loop_nothing},
    {Tok::FunctionStatement, loop_function_statement},
    {Tok::When, loop_nothing},
    {Tok::Unless, loop_nothing},
    {Tok::Definition, loop_nothing},
    {Tok::Endif, loop_nothing},
    {Tok::If, loop_if},
    {Tok::Else, loop_else},
    {Tok::Ifnot, loop_ifnot},
    {Tok::While, loop_while},
    {Tok::Whilenot, loop_whilenot},
    {Tok::Wend, loop_wend},
    {Tok::Return, loop_return},
    {Tok::Endproc, loop_endproc},
    {Tok::Goto, loop_goto},
    {Tok::Gosub, loop_gosub},
    {Tok::Proc, loop_proc},
    {Tok::End, cmd_end},
    {Tok::Elseif, loop_else},
    {Tok::Nop, loop_nothing},
};

} // namespace

std::span<const CommandEntry> control_flow_commands() { return commands; }

bool evaluation_may_touch_slots(std::string_view text)
{
    return std::memchr(text.data(), '@', text.size()) != nullptr;
}

// One argument, with the parameter slots as they were before it; false
// after a fatal error.
bool fetch_keeping_slots(Runtime& rt, char separator)
{
    if (!evaluation_may_touch_slots(rt.loop.args.view()))
        return arg_value(rt, separator);
    auto saved = rt.flow.slots;
    bool ok = arg_value(rt, separator);
    rt.flow.slots = saved;
    return ok;
}

void call_procedure(Runtime& rt)
{
    LoopState& loop = rt.loop;
    ControlFlowState& flow = rt.flow;
    flow.parameter_count = 0;
    // A call needs the two bytes of a line number that names a line.
    std::int32_t target = 0;
    if (loop.args.size() >= 2)
        target = static_cast<std::uint8_t>(loop.args[0]) + 256 * static_cast<std::uint8_t>(loop.args[1]);
    if (!rt.program.has_line(target)) {
        rt.fatal(Msg::ProcMissing);
        return;
    }
    if (!push_return(rt))
        return;
    loop.current_line = target;
    loop.args.drop_front(2);
    rt.fetch.last_argument = !greater_than_blank(loop.args.view());
    int i = 1;
    while (i < parameter_slot_count && !rt.fetch.last_argument) {
        bool ok = fetch_keeping_slots(rt, print_mode);
        store_slot(flow.slots[static_cast<std::size_t>(i)], rt.value);
        ++i;
        if (!ok)
            break;
    }
    flow.parameter_count = i - 1;
}

// Declared functions may call themselves; the machine stack would not
// survive without end, so the nesting is bounded like the return stack.
constexpr int declared_call_capacity = return_capacity;

void evaluate_declared_function(Runtime& rt);

void call_declared_function(Runtime& rt, std::uint8_t)
{
    ControlFlowState& flow = rt.flow;
    // Once the nesting was refused (error mode -1 lets the program go on),
    // every call still pending inside is passed over until the outermost
    // returns: a body that calls itself twice would otherwise branch out
    // without end.
    if (flow.declared_depth >= declared_call_capacity || flow.declared_unwinding) {
        if (!flow.declared_unwinding)
            rt.fatal(Msg::GosubTooDeep);
        flow.declared_unwinding = true;
        rt.value.type = ValueType::None;
        // The call's arguments are passed over unevaluated.
        ArgText& args = rt.loop.args;
        args.drop_front(2);
        std::size_t close = find_at_depth_zero(args.view(), ')');
        args.drop_front(close == std::string_view::npos ? args.size() : close);
        return;
    }
    ++flow.declared_depth;
    evaluate_declared_function(rt);
    if (--flow.declared_depth == 0)
        flow.declared_unwinding = false;
}

void evaluate_declared_function(Runtime& rt)
{
    ArgText& args = rt.loop.args;
    std::int32_t line = 0;
    if (args.size() >= 2)
        line = static_cast<std::uint8_t>(args[0]) + 256 * static_cast<std::uint8_t>(args[1]);
    args.drop_front(2);
    std::string_view definition = rt.program.has_line(line) ? rt.program.line(line) : std::string_view();
    if (definition.empty() || static_cast<std::uint8_t>(definition[0]) != t(Tok::Definition)) {
        rt.fatal(Msg::FunctionUnknown);
        rt.value.type = ValueType::None;
        return;
    }
    // The parameter count stands from the sixth character on, ended by ")";
    // a line without one holds no count at all.
    std::string_view text = definition.size() > 5 ? definition.substr(5) : std::string_view();
    if (find_at_depth_zero(text, ')') == std::string_view::npos) {
        rt.fatal(Msg::ParameterCountRange);
        rt.value.type = ValueType::None;
        return;
    }
    ArgText call_args = args;
    args = ArgText(text);
    auto count = arg_integer(rt, ')');
    ArgText body = args;
    args = call_args;
    if (!count)
        return;
    if (*count < 0 || *count > 12) {
        rt.fatal(Msg::ParameterCountRange);
        return;
    }
    for (std::int32_t i = 1; i <= *count; ++i) {
        bool ok = fetch_keeping_slots(rt, i < *count ? ',' : ')');
        store_slot(rt.flow.slots[static_cast<std::size_t>(i)], rt.value);
        if (!ok)
            return;
    }
    call_args = args;
    args = body;
    // "!" names a function of a 32-bit library, "*" one of a 16-bit library
    // that the bridge program calls.
    if (!body.empty() && (body.front() == '!' || body.front() == '*')) {
        bool bridge = body.front() == '*';
        args.drop_front(1);
        if (bridge)
            call_through_bridge(rt, *count);
        else
            call_library_function(rt, *count);
        args = call_args;
        return;
    }
    arg_value(rt, rest_of_text);
    args = call_args;
}

} // namespace talven
