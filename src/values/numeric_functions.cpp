// The numeric functions: arithmetic, logic, comparisons, the conditional,
// conversions between numbers and text, mathematics and colour numbers.
// Each handler fetches its arguments, calls the arithmetic of
// numeric_ops.h or the picture formatter, and stores the result.
#include "values/numeric_functions.h"

#include <cmath>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/conversions.h"
#include "values/arguments.h"
#include "values/numeric_ops.h"
#include "values/picture_format.h"
#include "values/real48.h"

namespace talven {
namespace {

constexpr char next_argument = ',';
constexpr char last_argument = ')';

// Results. The dispatcher completes the integer view from the long integer
// view, and the float view too unless the tag is float.
void store_float(Runtime& rt, double real, std::int32_t long_integer)
{
    Value& v = rt.value;
    v.type = ValueType::Float;
    v.real = real;
    v.long_integer = long_integer;
}

void store_long(Runtime& rt, ValueType type, std::int32_t long_integer)
{
    Value& v = rt.value;
    v.type = type;
    v.long_integer = long_integer;
}

void store_text(Runtime& rt, std::string_view text)
{
    rt.value.type = ValueType::String;
    rt.value.set_text(text);
}

// A float result with the integer views truncated from it.
void store_real(Runtime& rt, double real) { store_float(rt, real, truncate_to_long(real)); }

// Reports an invalid function value. In error mode -1 the program goes on
// with 0 as the result.
void invalid_value(Runtime& rt)
{
    rt.fatal(Msg::InvalidFunctionValue);
    store_float(rt, 0.0, 0);
}

void division_by_zero(Runtime& rt, ValueType type)
{
    rt.fatal(Msg::DivisionByZero);
    store_float(rt, 0.0, 0);
    rt.value.type = type;
}

// Arithmetic starts from the float views rounded to the 6-byte real. An
// operand beyond that format's range is an invalid function value.
bool real_operands(Runtime& rt, const Number& a, const Number& b, double& ra, double& rb)
{
    auto x = round_to_real48(a.real);
    auto y = round_to_real48(b.real);
    if (!x || !y) {
        invalid_value(rt);
        return false;
    }
    ra = *x;
    rb = *y;
    return true;
}

// ---- Arithmetic -------------------------------------------------------

using LongOperation = std::int32_t (*)(std::int32_t, std::int32_t);
using RealOperation = double (*)(double, double);

// The functions of two numbers are a kernel each, run by one handler that
// fetches both numbers; a compiled call whose arguments are numbers and
// variables runs the same kernel with the numbers loaded from its nodes.
template <NumericKernel kernel>
void binary_handler(Runtime& rt)
{
    Number a = *arg_number(rt, next_argument);
    Number b = *arg_number(rt, last_argument);
    kernel(rt, a, b);
}

inline void arithmetic(Runtime& rt, const Number& a, const Number& b, LongOperation long_operation,
                       RealOperation real_operation)
{
    double ra, rb;
    if (real_operands(rt, a, b, ra, rb))
        store_float(rt, real_operation(ra, rb), long_operation(a.long_integer, b.long_integer));
}

void add(Runtime& rt, const Number& a, const Number& b)
{
    arithmetic(rt, a, b, wrap_add, [](double x, double y) { return x + y; });
}

void subtract(Runtime& rt, const Number& a, const Number& b)
{
    arithmetic(rt, a, b, wrap_sub, [](double x, double y) { return x - y; });
}

void multiply(Runtime& rt, const Number& a, const Number& b)
{
    arithmetic(rt, a, b, wrap_mul, [](double x, double y) { return x * y; });
}

void divide(Runtime& rt, const Number& a, const Number& b)
{
    double ra, rb;
    if (!real_operands(rt, a, b, ra, rb))
        return;
    // A divisor that the 6-byte real turns into 0 counts as 0 too.
    if (rb == 0.0)
        return division_by_zero(rt, ValueType::Float);
    // A float divisor below 1 has the long integer view 0: the integer
    // quotient then stays 0.
    std::int32_t quotient = b.long_integer != 0 ? wrap_div(a.long_integer, b.long_integer) : 0;
    store_float(rt, ra / rb, quotient);
}

void divide_integers(Runtime& rt, const Number& a, const Number& b)
{
    if (b.long_integer == 0)
        return division_by_zero(rt, ValueType::Long);
    store_long(rt, ValueType::Long, wrap_div(a.long_integer, b.long_integer));
}

void remainder_of(Runtime& rt, const Number& a, const Number& b)
{
    if (b.integer == 0)
        return division_by_zero(rt, ValueType::Float);
    std::int32_t remainder = wrap_mod(a.long_integer, b.integer);
    store_float(rt, remainder, remainder);
}

// ---- Logic --------------------------------------------------------------

void bits_and(Runtime& rt, const Number& a, const Number& b)
{
    store_long(rt, ValueType::Long, a.long_integer & b.long_integer);
}

// Or and exclusive or are tagged float, so they fill the float view
// themselves.
void bits_or(Runtime& rt, const Number& a, const Number& b)
{
    std::int32_t r = a.long_integer | b.long_integer;
    store_float(rt, r, r);
}

void bits_xor(Runtime& rt, const Number& a, const Number& b)
{
    std::int32_t r = a.long_integer ^ b.long_integer;
    store_float(rt, r, r);
}

void fn_not(Runtime& rt)
{
    Number a = *arg_number(rt, last_argument);
    store_long(rt, ValueType::Long, a.long_integer == 0 ? 1 : 0);
}

void fn_testbit(Runtime& rt)
{
    Number a = *arg_number(rt, next_argument);
    Number bit = *arg_number(rt, last_argument);
    store_long(rt, ValueType::Integer, test_bit(a.long_integer, bit.long_integer) ? 1 : 0);
}

void fn_setbit(Runtime& rt)
{
    Number a = *arg_number(rt, next_argument);
    Number bit = *arg_number(rt, next_argument);
    Number on = *arg_number(rt, last_argument);
    store_long(rt, ValueType::Integer, set_bit(a.long_integer, bit.long_integer, on.long_integer >= 1));
}

// ---- Comparisons --------------------------------------------------------

using RealTest = bool (*)(int sign);

inline void compare_numbers(Runtime& rt, const Number& a, const Number& b, RealTest test)
{
    double ra, rb;
    if (!real_operands(rt, a, b, ra, rb)) {
        rt.value.type = ValueType::Integer;
        return;
    }
    store_long(rt, ValueType::Integer, test(compare_reals(ra, rb)) ? 1 : 0);
}

void unequal(Runtime& rt, const Number& a, const Number& b)
{
    compare_numbers(rt, a, b, [](int sign) { return sign != 0; });
}

void equal(Runtime& rt, const Number& a, const Number& b)
{
    compare_numbers(rt, a, b, [](int sign) { return sign == 0; });
}

void greater(Runtime& rt, const Number& a, const Number& b)
{
    compare_numbers(rt, a, b, [](int sign) { return sign > 0; });
}

void less(Runtime& rt, const Number& a, const Number& b)
{
    compare_numbers(rt, a, b, [](int sign) { return sign < 0; });
}

// Both arguments must be strings: a number has no text of its own to
// compare (a function result carries none).
void compare_texts(Runtime& rt, RealTest test)
{
    arg_value(rt, next_argument, Expect::String);
    ShortString a = rt.value.text();
    arg_value(rt, last_argument, Expect::String);
    store_long(rt, ValueType::Integer, test(compare_bytes(a.view(), rt.value.text().view())) ? 1 : 0);
}

void fn_equ_str(Runtime& rt)
{
    compare_texts(rt, [](int sign) { return sign == 0; });
}

void fn_nequ_str(Runtime& rt)
{
    compare_texts(rt, [](int sign) { return sign != 0; });
}

void fn_lt_str(Runtime& rt)
{
    compare_texts(rt, [](int sign) { return sign < 0; });
}

void fn_gt_str(Runtime& rt)
{
    compare_texts(rt, [](int sign) { return sign > 0; });
}

// ---- The conditional ----------------------------------------------------

// A branch of @IF becomes the result's text. A function result carries no
// text of its own, so a numeric one is given the text of its number;
// literals and variables already bring theirs.
void fetch_branch(Runtime& rt, char separator)
{
    bool call = !rt.loop.args.empty() && rt.loop.args.front() == '@';
    arg_value(rt, separator);
    if (call && rt.value.type != ValueType::String && rt.value.type != ValueType::None)
        format_numeric_text(rt);
}

// Both branches are evaluated, always in order, so their side effects
// happen whatever the condition says.
void fn_if(Runtime& rt)
{
    Number condition = *arg_number(rt, next_argument);
    fetch_branch(rt, next_argument);
    std::int32_t first_long = rt.value.long_integer;
    ShortString first_text;
    if (condition.integer != 0)
        first_text = rt.value.text();
    fetch_branch(rt, last_argument);
    Value& v = rt.value;
    if (condition.integer != 0) {
        v.integer = v.long_integer = first_long;
        v.set_text(first_text);
    }
    v.type = ValueType::String;
}

// ---- Numbers and text ---------------------------------------------------

void fn_str_str(Runtime& rt)
{
    arg_value(rt, last_argument);
    Value& v = rt.value;
    if (v.type == ValueType::Float)
        v.set_text(float_to_text(v.real, rt.format.decimals, rt.format.number_width));
    else
        v.set_text(long_to_text(v.long_integer, rt.format.number_width));
    v.type = ValueType::String;
}

void fn_val(Runtime& rt)
{
    arg_value(rt, last_argument, Expect::String);
    Value& v = rt.value;
    ShortString value_text = v.text();
    std::string_view text = trim_blanks(value_text.view());
    TextNumber n = number_from_text(text);
    v.type = n.type;
    v.integer = v.long_integer = n.long_integer;
    v.real = n.real;
    // The text view is the number's, made by the dispatcher.
}

void digits_function(Runtime& rt, Base base)
{
    Number a = *arg_number(rt, last_argument);
    store_text(rt, digits_in_base(a.long_integer, base).view());
}

void fn_hex_str(Runtime& rt) { digits_function(rt, Base::Hexadecimal); }
void fn_oct_str(Runtime& rt) { digits_function(rt, Base::Octal); }
void fn_bin_str(Runtime& rt) { digits_function(rt, Base::Binary); }

void fn_format_str(Runtime& rt)
{
    arg_value(rt, next_argument, Expect::String);
    ShortString picture = rt.value.text();
    Number x = *arg_number(rt, last_argument);
    PictureSymbols symbols{rt.locale.decimal_point, rt.locale.thousands_separator};
    auto text = format_picture(x.real, picture.view(), symbols);
    if (!text) {
        invalid_value(rt);
        store_text(rt, {});
        return;
    }
    store_text(rt, text->view());
}

// ---- Mathematics --------------------------------------------------------

using RealFunction = std::optional<double> (*)(double);

void real_function(Runtime& rt, RealFunction function)
{
    Number x = *arg_number(rt, last_argument);
    if (auto r = function(x.real))
        store_real(rt, *r);
    else
        invalid_value(rt);
}

// The float view is the magnitude; the long integer view is the magnitude
// of the argument's own long integer view, not the truncated result.
void fn_abs(Runtime& rt)
{
    Number x = *arg_number(rt, last_argument);
    store_float(rt, std::fabs(x.real), wrap_abs(x.long_integer));
}

void fn_cos(Runtime& rt) { real_function(rt, cosine); }
void fn_sin(Runtime& rt) { real_function(rt, sine); }
void fn_tan(Runtime& rt) { real_function(rt, tangent); }
void fn_cot(Runtime& rt) { real_function(rt, cotangent); }
void fn_arctan(Runtime& rt) { real_function(rt, arc_tangent); }
void fn_exp(Runtime& rt) { real_function(rt, exponential); }
void fn_ln(Runtime& rt) { real_function(rt, natural_log); }
void fn_log(Runtime& rt) { real_function(rt, decimal_log); }
void fn_sqr(Runtime& rt) { real_function(rt, square); }
void fn_sqrt(Runtime& rt) { real_function(rt, square_root); }

void fn_pow(Runtime& rt)
{
    Number x = *arg_number(rt, next_argument);
    Number y = *arg_number(rt, last_argument);
    auto base = round_to_real48(x.real);
    if (!base)
        return invalid_value(rt);
    if (auto r = power(*base, y.real))
        store_real(rt, *r);
    else
        invalid_value(rt);
}

void fn_pi(Runtime& rt) { store_real(rt, 3.141592653589793); }

void fn_int(Runtime& rt)
{
    Number x = *arg_number(rt, last_argument);
    store_long(rt, ValueType::Long, truncate_to_long(x.real));
}

// A rounded value that does not fit in 32 bits is an invalid function
// value: it cannot be formed, and a wrong number must not pass silently.
void fn_round(Runtime& rt)
{
    Number x = *arg_number(rt, next_argument);
    Number places = *arg_number(rt, last_argument);
    auto rx = round_to_real48(x.real);
    if (!rx)
        return invalid_value(rt);
    if (auto r = round_to_decimals(*rx, places.real))
        store_real(rt, *r);
    else
        invalid_value(rt);
}

// The float view holds the number itself, so that a float-typed result
// reads the same in every view.
void fn_rnd(Runtime& rt)
{
    Number n = *arg_number(rt, last_argument);
    std::int32_t r = random_below(rt.random.seed, n.long_integer);
    store_float(rt, r, r);
}

// ---- Colours ------------------------------------------------------------

ColorDepth color_depth(const Runtime& rt) { return rt.draw.true_color ? ColorDepth::TrueColor : ColorDepth::Bits15; }

void fn_rgb(Runtime& rt)
{
    Number r = *arg_number(rt, next_argument);
    Number g = *arg_number(rt, next_argument);
    Number b = *arg_number(rt, last_argument);
    store_long(rt, ValueType::Integer, color_value(r.long_integer, g.long_integer, b.long_integer, color_depth(rt)));
}

using Component = std::int32_t (*)(std::int32_t, ColorDepth);

void component_function(Runtime& rt, Component component)
{
    Number v = *arg_number(rt, last_argument);
    store_long(rt, ValueType::Integer, component(v.long_integer, color_depth(rt)));
}

void fn_getred(Runtime& rt) { component_function(rt, red_component); }
void fn_getcolor2(Runtime& rt) { component_function(rt, color2_component); }
void fn_getcolor3(Runtime& rt) { component_function(rt, color3_component); }

constexpr FunctionEntry functions[] = {
    {Fn::HexStr, fn_hex_str},
    {Fn::OctStr, fn_oct_str},
    {Fn::BinStr, fn_bin_str},
    {Fn::Testbit, fn_testbit},
    {Fn::Setbit, fn_setbit},
    {Fn::FormatStr, fn_format_str},
    {Fn::Xor, binary_handler<bits_xor>},
    {Fn::Getred, fn_getred},
    {Fn::Getcolor2, fn_getcolor2},
    {Fn::Getcolor3, fn_getcolor3},
    {Fn::Round, fn_round},
    {Fn::Add, binary_handler<add>},
    {Fn::Sub, binary_handler<subtract>},
    {Fn::Mul, binary_handler<multiply>},
    {Fn::Div, binary_handler<divide>},
    {Fn::Idiv, binary_handler<divide_integers>},
    {Fn::Mod, binary_handler<remainder_of>},
    {Fn::And, binary_handler<bits_and>},
    {Fn::Or, binary_handler<bits_or>},
    {Fn::Nequ, binary_handler<unequal>},
    {Fn::Equ, binary_handler<equal>},
    {Fn::Gt, binary_handler<greater>},
    {Fn::Lt, binary_handler<less>},
    {Fn::EquStr, fn_equ_str},
    {Fn::NequStr, fn_nequ_str},
    {Fn::LtStr, fn_lt_str},
    {Fn::GtStr, fn_gt_str},
    {Fn::StrStr, fn_str_str},
    {Fn::Not, fn_not},
    {Fn::Abs, fn_abs},
    {Fn::Cos, fn_cos},
    {Fn::Sin, fn_sin},
    {Fn::Exp, fn_exp},
    {Fn::Ln, fn_ln},
    {Fn::Sqr, fn_sqr},
    {Fn::Sqrt, fn_sqrt},
    {Fn::Arctan, fn_arctan},
    {Fn::Pi, fn_pi},
    {Fn::Int, fn_int},
    {Fn::Rnd, fn_rnd},
    {Fn::Rgb, fn_rgb},
    {Fn::Val, fn_val},
    {Fn::If, fn_if},
    {Fn::Log, fn_log},
    {Fn::Tan, fn_tan},
    {Fn::Cot, fn_cot},
    {Fn::Pow, fn_pow},
};

constexpr struct {
    Fn token;
    NumericKernel kernel;
} kernels[] = {
    {Fn::Add, add},
    {Fn::Sub, subtract},
    {Fn::Mul, multiply},
    {Fn::Div, divide},
    {Fn::Idiv, divide_integers},
    {Fn::Mod, remainder_of},
    {Fn::And, bits_and},
    {Fn::Or, bits_or},
    {Fn::Xor, bits_xor},
    {Fn::Nequ, unequal},
    {Fn::Equ, equal},
    {Fn::Gt, greater},
    {Fn::Lt, less},
};

} // namespace

static_assert(RandomState{}.seed == random_start_seed, "the runtime starts @RND from the documented seed");

void reseed_random(Runtime& rt, std::uint32_t seed) { rt.random.seed = seed; }

std::span<const FunctionEntry> numeric_functions() { return functions; }

NumericKernel numeric_kernel(std::uint8_t token)
{
    for (const auto& row : kernels)
        if (static_cast<std::uint8_t>(row.token) == token)
            return row.kernel;
    return nullptr;
}

} // namespace talven
