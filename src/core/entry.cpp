// The one place where the end of the program is caught: a fatal error, a
// closed window or Ctrl+C unwind to here, and the clean-up runs once.
#include "core/entry.h"

#include <cstdlib>
#include <memory>
#include <string_view>

#include "core/loader.h"
#include "core/loop.h"
#include "core/runtime.h"

namespace talven {

namespace {

// The user's locale, read once before the program runs: the number
// separators of @FORMAT$ and the date format of the date functions.
void read_locale_settings(Runtime& rt)
{
    NumberSeparators numbers = rt.host.number_separators();
    rt.locale.decimal_point = numbers.decimal_point;
    rt.locale.thousands_separator = numbers.thousands_separator;
    if (auto separator = rt.host.profile_string("intl", "sDate"); separator && !separator->empty())
        rt.locale.date_separator = ShortString(separator->view().substr(0, 1));
    if (auto picture = rt.host.profile_string("intl", "sShortDate"); picture && !picture->empty())
        rt.locale.short_date = *picture;
}

} // namespace

int run_runtime(Host& host, std::size_t stack_budget, Compilation compilation)
{
    auto rt = std::make_unique<Runtime>(host);
    if (compilation == Compilation::FromEnvironment) {
        const char* setting = std::getenv("TALVEN_COMPILED");
        rt->compiled = !(setting && std::string_view(setting) == "0");
    } else {
        rt->compiled = compilation == Compilation::On;
    }
    char stack_marker = 0;
    rt->stack_base = reinterpret_cast<std::uintptr_t>(&stack_marker);
    rt->stack_budget = stack_budget;
    int code = exit_code::normal;
    host.bind_events(&rt->events);
    try {
        read_locale_settings(*rt);
        load_program(*rt);
        run_loop(*rt);
    } catch (const ProgramEnd& end) {
        code = end.exit_code;
    }
    if (rt->loader.program_loaded)
        end_of_program_cleanup(*rt);
    host.bind_events(nullptr);
    return code;
}

} // namespace talven
