// The serial port functions. They report the platform's failures through
// their results (-1, 0 bytes, the empty text) and raise no errors. The port
// opened last is the one @COMSETUP sets up.
#include <algorithm>
#include <array>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/function_results.h"

namespace talven {
namespace {

DeviceHost& dev(Runtime& rt) { return rt.host.devices(); }

constexpr std::int32_t failed = -1;

// Port name, input queue size, output queue size: the handle, -1 on failure.
void fn_comopen(Runtime& rt)
{
    ShortString name = *arg_text(rt, ',');
    std::int32_t input = *arg_long(rt, ',');
    std::int32_t output = *arg_long(rt, ')');
    std::int32_t handle =
        dev(rt).serial_open(name.view(), static_cast<std::uint32_t>(input), static_cast<std::uint32_t>(output));
    if (handle != failed)
        rt.devices.last_port = handle;
    result_long(rt, handle);
}

// A mode text for the port opened last.
void fn_comsetup(Runtime& rt)
{
    ShortString definition = *arg_text(rt, ')');
    std::int32_t port = rt.devices.last_port;
    bool done = port != failed && dev(rt).serial_setup(port, definition.view());
    result_integer(rt, done ? 0 : failed);
}

// Handle, three numbers that change nothing, the flags word (-1 keeps it),
// the XON and XOFF limits (65535 keeps them).
void fn_comstate(Runtime& rt)
{
    std::int32_t handle = *arg_long(rt, ',');
    for (int unused = 0; unused < 3; ++unused)
        arg_long(rt, ',');
    std::int32_t flags = *arg_long(rt, ',');
    std::int32_t xon = *arg_long(rt, ',');
    std::int32_t xoff = *arg_long(rt, ')');
    bool done = dev(rt).serial_set_state(handle, flags, static_cast<std::uint32_t>(xon) & 0xFFFF,
                                         static_cast<std::uint32_t>(xoff) & 0xFFFF);
    result_integer(rt, done ? 0 : failed);
}

void fn_comwrite(Runtime& rt)
{
    std::int32_t handle = *arg_long(rt, ',');
    ShortString text = *arg_text(rt, ')');
    result_integer(rt, static_cast<std::int32_t>(dev(rt).serial_write(handle, text.view())));
}

// What is waiting, up to the maximum and never more than a text holds, so
// that no byte is taken from the port that the result can't return. The
// result ends at the first zero byte.
void fn_comread_str(Runtime& rt)
{
    std::int32_t handle = *arg_long(rt, ',');
    std::int32_t maximum = *arg_long(rt, ')');
    std::array<char, ShortString::capacity> buffer{};
    std::int32_t waiting = maximum > 0 ? dev(rt).serial_waiting(handle) : 0;
    std::size_t count = 0;
    if (waiting > 0) {
        auto wanted = static_cast<std::size_t>(std::min({maximum, waiting, static_cast<std::int32_t>(buffer.size())}));
        count = dev(rt).serial_read(handle, buffer.data(), wanted);
    }
    std::string_view bytes(buffer.data(), std::min(count, buffer.size()));
    result_text(rt, bytes.substr(0, bytes.find('\0')));
}

void fn_comclose(Runtime& rt)
{
    std::int32_t handle = *arg_long(rt, ')');
    bool done = dev(rt).serial_close(handle);
    // The handle may be given to another file from now on.
    if (handle == rt.devices.last_port)
        rt.devices.last_port = failed;
    result_integer(rt, done ? 0 : failed);
}

void fn_comerror(Runtime& rt)
{
    std::int32_t handle = *arg_long(rt, ')');
    result_integer(rt, static_cast<std::int32_t>(dev(rt).serial_errors(handle)));
}

constexpr FunctionEntry functions[] = {
    {Fn::Comopen, fn_comopen},
    {Fn::Comsetup, fn_comsetup},
    {Fn::Comstate, fn_comstate},
    {Fn::Comwrite, fn_comwrite},
    {Fn::ComreadStr, fn_comread_str},
    {Fn::Comclose, fn_comclose},
    {Fn::Comerror, fn_comerror},
};

} // namespace

std::span<const FunctionEntry> serial_port_functions() { return functions; }

} // namespace talven
