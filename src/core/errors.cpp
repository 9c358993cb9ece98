// The two reporting operations on top of the message catalogue: the fatal
// error, which shows an error box and ends the program, and the warning,
// whose fate the error mode decides.
#include "core/errors.h"

#include <cstdio>

#include "core/runtime.h"

namespace talven {

ShortString error_box_text(const Runtime& rt)
{
    if (!rt.loader.program_loaded)
        return ShortString(rt.loop.line);
    char number[16];
    std::snprintf(number, sizeof number, "%6d!", static_cast<int>(rt.loop.current_line));
    ShortString text(message_text(Msg::LinePrefix));
    text.append(number);
    return text;
}

ShortString message_with_extra(Msg msg, std::string_view extra)
{
    ShortString text(message_text(msg));
    text.append(extra);
    return text;
}

namespace {

// Returns only in error mode -1.
void report_fatal_text(Runtime& rt, std::string_view caption)
{
    rt.errors.level = 2;
    ++rt.errors.fatal_count;
    if (rt.errors.mode == -1)
        return;
    rt.host.message_box(error_box_text(rt).view(), caption, BoxIcon::Error, BoxButtons::Ok);
    rt.end_program(exit_code::error);
}

} // namespace

void Runtime::fatal(Msg msg, std::string_view extra)
{
    report_fatal_text(*this, message_with_extra(msg, extra).view());
    errors.last_number = static_cast<std::int32_t>(msg);
}

void Runtime::warning(Msg msg, std::string_view extra)
{
    ShortString caption = message_with_extra(msg, extra);
    errors.level = 1;
    if (errors.mode == 2) {
        report_fatal_text(*this, caption.view());
    } else if (errors.mode == 1) {
        BoxAnswer answer = host.message_box(error_box_text(*this).view(), caption.view(), BoxIcon::Warning,
                                            BoxButtons::OkCancel);
        if (answer == BoxAnswer::Cancel)
            fatal(Msg::ProgramAborted);
    }
    errors.last_number = static_cast<std::int32_t>(msg);
}

} // namespace talven
