// The interpreter state: the one record that holds everything the running
// program has. Each subsystem keeps its part in a member of its own.
#pragma once

#include <array>
#include <cstdint>
#include <vector>
#include <string_view>

#include "core/arg_text.h"
#include "core/control_flow.h"
#include "core/messages.h"
#include "core/program.h"
#include "core/short_string.h"
#include "data/file_state.h"
#include "devices/device_state.h"
#include "data/odbc.h"
#include "dialogs/dialog_state.h"
#include "data/table.h"
#include "host/host.h"
#include "system/dll_calls.h"
#include "values/compiled_arguments.h"
#include "values/value.h"
#include "values/variables.h"
#include "window/drawing_state.h"
#include "window/events.h"
#include "window/main_window.h"
#include "window/text_screen.h"

namespace talven {

// The end of the program, thrown by the ending path and caught only by the
// runtime's entry, which then runs the clean-up and returns the exit code.
struct ProgramEnd {
    int exit_code;
};

namespace exit_code {
constexpr int normal = 0;
constexpr int malformed_program = 1;
constexpr int error = 2;
constexpr int window_closed = 255;
} // namespace exit_code

struct LoaderState {
    ShortString file_name;
    std::uint32_t program_start = 0;
    std::uint8_t line_key = 0;
    bool program_loaded = false;
};

struct LoopState {
    std::int32_t current_line = 0;
    std::string_view line;     // the current line, token byte included
    std::uint8_t token = 0;
    ArgText args;
    bool handled = false;
    bool stop = false;
    std::uint8_t pump_counter = 0;
};

struct ErrorState {
    std::int32_t mode = 1;
    std::int32_t level = 0;
    std::int32_t last_number = 0;
    // Counts every fatal error reported, so that a statement can tell in
    // error mode -1 that one of its steps failed.
    std::uint32_t fatal_count = 0;
};

// Separator that ended the last fetched argument: " " when it was the last.
struct FetchState {
    char separator = ' ';
    bool last_argument = false;
};

struct FormatSettings {
    std::int32_t decimals = 6;
    std::int32_t number_width = 0;
    std::int32_t string_width = 0;
};

struct WindowSettings {
    ShortString title{"ZUK-TALVEN\xB2 RUNTIME 6.0-32"};
};

// The settings the runtime reads from the user's locale once at start-up.
struct LocaleSettings {
    char decimal_point = ',';
    char thousands_separator = '.';
    ShortString date_separator{"."};
    ShortString short_date{"dd.MM.yyyy"};
};

// The state of the random generator of @RND; RANDOMIZE reseeds it.
struct RandomState {
    std::uint32_t seed = 0x2545F491u;
};

// The pattern of @SCRAMBLE$: empty, or 255 characters set by SCRAMBLEKEY.
struct ScrambleState {
    ShortString pattern;
};

// One parameter slot: the four views of an evaluated argument. A slot is a
// value, so a number's text is made only when the slot's text is read.
using ParameterSlot = Value;

constexpr int parameter_slot_count = 16;
constexpr int while_capacity = 10;
constexpr int return_capacity = 150;

struct ReturnEntry {
    std::int32_t line = 0;
    FrameMarks marks;
};

struct ControlFlowState {
    std::array<std::int32_t, while_capacity + 1> while_stack{};
    std::int32_t while_depth = 0;
    std::array<ReturnEntry, return_capacity + 1> return_stack{};
    std::int32_t return_depth = 0;
    std::array<ParameterSlot, parameter_slot_count> slots{};
    std::int32_t parameter_count = 0;
    // Calls of declared functions being evaluated, one inside the other.
    std::int32_t declared_depth = 0;
    bool declared_unwinding = false;
};

// The list of strings shared by list statements, dialogs and directory
// listings: up to 32768 entries.
struct ElementList {
    static constexpr int capacity = 32768;
    std::vector<ShortString> entries;
    std::int32_t highest() const { return static_cast<std::int32_t>(entries.size()) - 1; }
};

// The last values INPUT stored, one per type.
struct InputState {
    std::int32_t integer = 0;
    std::int32_t long_integer = 0;
    double real = 0.0;
    ShortString text;
};

// Escapement and orientation of fonts created for drawing.
struct FontSettings {
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
};

struct Runtime {
    explicit Runtime(Host& host_) : host(host_) {}
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    Host& host;
    Program program;
    LoaderState loader;
    LoopState loop;
    ErrorState errors;
    Value value;
    FetchState fetch;
    FormatSettings format;
    EventState events;
    WindowSettings window;
    MainWindowState main_window;
    DrawSettings draw;
    LocaleSettings locale;
    RandomState random;
    ScrambleState scramble;
    VariableStore variables;
    ControlFlowState flow;
    ElementList elements;
    DialogState dialogs;
    DllState dll;
    InputState input;
    FontSettings fonts;
    FileState files;
    Tables tables;
    OdbcState odbc;
    DeviceState devices;
    TextScreen screen;
    // Whether what a line's text says is remembered from its first run
    // (see run_runtime); off, every run reads the text again.
    bool compiled = true;
    FlowCache flow_cache;
    CompiledArguments compiled_args;
    // Evaluation nests on the machine stack (function calls in arguments,
    // declared functions calling themselves). The entry records where the
    // stack starts; a call that would use more than the budget is refused.
    std::uintptr_t stack_base = 0;
    std::size_t stack_budget = std::size_t{6} << 20;

    // The token of the function or system variable being evaluated.
    std::uint8_t current_function = 0;
    std::uint8_t current_sysvar = 0;

    // Reports message n with extra text as a fatal error. Returns only in
    // error mode -1; the caller must then leave everything consistent.
    void fatal(Msg msg, std::string_view extra = {});
    // Reports a warning; may end the program (error mode 2, or Cancel).
    void warning(Msg msg, std::string_view extra = {});
    [[noreturn]] void end_program(int code) { throw ProgramEnd{code}; }
};

} // namespace talven
