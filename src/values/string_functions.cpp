// The string, date and time, code page and command-line functions of the
// language: thin handlers that fetch their arguments, call the plain text
// and date functions, and leave the result in the value registers.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/conversions.h"
#include "values/date_text.h"
#include "values/arguments.h"
#include "values/function_results.h"
#include "values/string_text.h"

namespace talven {
namespace {

// A part whose position was below one is error 204; should the error mode
// let the program go on, the result is the empty text.
void set_indexed_part(Runtime& rt, const std::optional<ShortString>& part)
{
    result_text(rt, part ? part->view() : std::string_view());
    if (!part)
        rt.fatal(Msg::StringIndexBelowOne);
}

DateOrder locale_order(const Runtime& rt) { return date_order(rt.locale.date_separator, rt.locale.short_date); }

void fn_left_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    std::int32_t n = *arg_long(rt, ')');
    result_text(rt, left_part(s, n));
}

void fn_right_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    std::int32_t n = *arg_long(rt, ')');
    set_indexed_part(rt, right_part(s, n));
}

void fn_mid_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    std::int32_t p = *arg_long(rt, ',');
    std::int32_t n = *arg_long(rt, ')');
    set_indexed_part(rt, middle_part(s, p, n));
}

void fn_mkstr_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    std::int32_t n = *arg_long(rt, ')');
    result_text(rt, repeat_text(s, n));
}

void fn_space_str(Runtime& rt)
{
    std::int32_t n = *arg_long(rt, ')');
    result_text(rt, blanks(n));
}

void fn_add_str(Runtime& rt)
{
    ShortString a = *arg_text(rt, ',');
    ShortString b = *arg_text(rt, ')');
    result_text(rt, join_text(a, b));
}

void fn_del_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    std::int32_t p = *arg_long(rt, ',');
    std::int32_t n = *arg_long(rt, ')');
    set_indexed_part(rt, delete_part(s, p, n));
}

void fn_ins_str(Runtime& rt)
{
    ShortString t = *arg_text(rt, ',');
    ShortString s = *arg_text(rt, ',');
    std::int32_t p = *arg_long(rt, ')');
    set_indexed_part(rt, insert_text(t, s, p));
}

void fn_instr(Runtime& rt)
{
    ShortString t = *arg_text(rt, ',');
    ShortString s = *arg_text(rt, ')');
    result_integer(rt, find_text(t, s));
}

void fn_len(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_integer(rt, static_cast<std::int32_t>(s.size()));
}

void fn_ord(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_integer(rt, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

void fn_chr_str(Runtime& rt)
{
    char c = static_cast<char>(*arg_integer(rt, ')') & 0xFF);
    result_text(rt, std::string_view(&c, 1));
}

void fn_trim_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_text(rt, trim_text(s));
}

void fn_upper_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_text(rt, upper_text(s));
}

void fn_lower_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_text(rt, lower_text(s));
}

void fn_replace_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    ShortString f = *arg_text(rt, ',');
    ShortString r = *arg_text(rt, ')');
    result_text(rt, replace_text(s, f, r));
}

void fn_substr_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ',');
    std::int32_t n = *arg_long(rt, ',');
    ShortString d = *arg_text(rt, ')');
    auto field = field_of(s, n, d);
    result_text(rt, field ? field->view() : std::string_view());
    if (!field)
        rt.fatal(Msg::SubstringBelowOne);
}

void fn_ansitooem_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_text(rt, rt.host.ansi_to_oem(s));
}

void fn_oemtoansi_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    result_text(rt, rt.host.oem_to_ansi(s));
}

// Scrambling is meant for texts only; a number is refused with error 216.
void fn_scramble_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')', Expect::String);
    result_text(rt, scramble_text(s, rt.scramble.pattern));
}

// The form is taken modulo 16 with the two's complement bits, so -13 is
// form 3 like 3 and 19.
void fn_date_str(Runtime& rt)
{
    std::int32_t n = *arg_long(rt, ')');
    auto form = static_cast<std::int32_t>(static_cast<std::uint32_t>(n) & 15u);
    result_text(rt, date_text(form, rt.host.local_time(), locale_order(rt)));
}

void fn_time_str(Runtime& rt)
{
    std::int32_t n = *arg_long(rt, ')');
    result_text(rt, time_text(n, rt.host.local_time()));
}

// A text of the wrong length is reported (202) and gives the empty text,
// like a date that does not exist.
void fn_dtoc_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    auto date = parse_stored_date(s);
    result_text(rt, date ? short_date_text(*date, locale_order(rt)) : ShortString());
    if (s.size() != 8)
        rt.warning(Msg::WrongTypeDtoc);
}

// The stored form as text, and as its number in the long integer view.
void fn_ctod_str(Runtime& rt)
{
    ShortString s = *arg_text(rt, ')');
    std::string_view trimmed = trim_text(s);
    auto date = parse_short_date(trimmed, locale_order(rt));
    result_text(rt, date ? stored_date_text(*date) : ShortString());
    if (trimmed.size() != 10)
        rt.warning(Msg::WrongTypeCtod);
}

// Parameter 0 is the runtime (or the stand-alone program) as the host
// names it; the program's own parameters follow from 1.
void fn_parstr_str(Runtime& rt)
{
    std::int32_t n = *arg_long(rt, ')');
    const auto& parameters = rt.host.command_line();
    bool present = n >= 0 && static_cast<std::size_t>(n) < parameters.size();
    result_text(rt, present ? parameters[static_cast<std::size_t>(n)].view() : std::string_view());
    if (!present)
        rt.fatal(Msg::CommandLineParameterMissing);
}

// The drive is the first character upper-cased: "A" is drive 1, and "@"
// (drive 0) or an empty text is the current drive, asked for with the
// character 0. Any other character names no drive. A drive that is missing
// gives the empty text; programs test for it rather than stop.
void fn_getdir_str(Runtime& rt)
{
    ShortString d = *arg_text(rt, ')');
    char drive = d.empty() ? '@' : upper_ansi(d[0]);
    std::optional<ShortString> directory;
    if (drive == '@')
        directory = rt.host.current_directory('\0');
    else if (drive >= 'A' && drive <= 'Z')
        directory = rt.host.current_directory(drive);
    result_text(rt, directory ? directory->view() : std::string_view());
}

constexpr FunctionEntry functions[] = {
    {Fn::LeftStr, fn_left_str},
    {Fn::RightStr, fn_right_str},
    {Fn::MkstrStr, fn_mkstr_str},
    {Fn::SpaceStr, fn_space_str},
    {Fn::ReplaceStr, fn_replace_str},
    {Fn::ScrambleStr, fn_scramble_str},
    {Fn::SubstrStr, fn_substr_str},
    {Fn::LowerStr, fn_lower_str},
    {Fn::ChrStr, fn_chr_str},
    {Fn::AddStr, fn_add_str},
    {Fn::MidStr, fn_mid_str},
    {Fn::DelStr, fn_del_str},
    {Fn::InsStr, fn_ins_str},
    {Fn::Len, fn_len},
    {Fn::Instr, fn_instr},
    {Fn::Ord, fn_ord},
    {Fn::TrimStr, fn_trim_str},
    {Fn::UpperStr, fn_upper_str},
    {Fn::ParstrStr, fn_parstr_str},
    {Fn::AnsitooemStr, fn_ansitooem_str},
    {Fn::OemtoansiStr, fn_oemtoansi_str},
    {Fn::GetdirStr, fn_getdir_str},
    {Fn::TimeStr, fn_time_str},
    {Fn::DateStr, fn_date_str},
    {Fn::DtocStr, fn_dtoc_str},
    {Fn::CtodStr, fn_ctod_str},
};

} // namespace

std::span<const FunctionEntry> string_functions() { return functions; }

} // namespace talven
