// The argument interface of the handlers: each command and function handler
// takes its arguments through these fetches, one at a time from the front of
// the argument text, and picks the view it needs.
//
// A fetch returns the view together with whether it went through. A fatal
// error while fetching returns only in error mode -1; the view then holds
// whatever the value registers held. A handler that stops after a failed
// fetch tests the result; one that goes on (the language lets most of them)
// just takes the view.
#pragma once

#include <cstdint>

#include "core/short_string.h"
#include "values/fetch.h"
#include "values/value.h"

namespace talven {

struct Runtime;

template <class T>
struct Arg {
    T value;
    bool ok;

    explicit operator bool() const { return ok; }
    const T& operator*() const { return value; }
    const T* operator->() const { return &value; }
};

// The numeric views of a fetched argument, kept while the next argument is
// fetched into the same registers.
struct Number {
    ValueType type;
    std::int32_t integer;
    std::int32_t long_integer;
    double real;
};

// Any value, left in the value registers; true unless a fatal error was
// reported.
bool arg_value(Runtime& rt, char separator, Expect expect = Expect::Any);

// A text: a string as it is, a number as the text it has as a value. A
// function's numeric result carries no text, so it is formatted as PRINT
// writes it: @ADD$("Zeile ", @LEN(A$)) needs no conversion.
Arg<ShortString> arg_text(Runtime& rt, char separator, Expect expect = Expect::Any);

// The integer, long integer and float views; a text gives its leading
// number, so a hexadecimal literal ($0D, typed string) is a number too.
Arg<std::int32_t> arg_integer(Runtime& rt, char separator, Expect expect = Expect::Any);
Arg<std::int32_t> arg_long(Runtime& rt, char separator, Expect expect = Expect::Any);
Arg<double> arg_float(Runtime& rt, char separator, Expect expect = Expect::Any);
Arg<Number> arg_number(Runtime& rt, char separator, Expect expect = Expect::Any);

enum class HashMark { Required, Optional };

// "#n": the "#" (error 104 where it is required and missing), the blanks
// around n, then n, which must lie in 1..15 (error 210). Not ok after a
// report, and then nothing else of the argument is fetched.
Arg<int> arg_file_number(Runtime& rt, HashMark hash, char separator);

// "NAME#," at the front of the argument text: an area variable's name up to
// the comma, upper-cased and trimmed, not evaluated.
ShortString arg_area_name(Runtime& rt);

// Whether a fatal error was reported since the watch began: for a step
// that is more than one fetch (an array element resolved and a value
// fetched, a value list).
class FatalWatch {
public:
    explicit FatalWatch(const Runtime& rt);
    bool reported() const;

private:
    const Runtime& m_rt;
    std::uint32_t m_fatals;
};

// Whether any argument text is left: the optional last arguments.
bool arguments_left(const Runtime& rt);

} // namespace talven
