// Drawing as the core decides it: the colour rule, the two slots every
// drawing goes to, and the commands and function that draw through the
// host's drawing operations.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/dispatch.h"
#include "host/drawing_host.h"

namespace talven {

struct Runtime;
struct DrawSettings;

// A colour argument as the platform takes it. Off: a 15-bit colour number,
// each 5-bit component times 8, plus 7 when above 0. On: used unchanged.
WinColor color_rule(std::int32_t value, bool true_color);
// A platform colour as a colour number: each component div 8.
std::int32_t reverse_color_rule(WinColor color);

// A coordinate or size as the drawing operations take it: during a print
// job the logical page has ten units to the window's one.
std::int32_t print_scale(const Runtime& rt, std::int32_t v);

// Fetches integers, each ending at its own separator (a blank: the rest of
// the text); false after a report. separators holds one per integer.
bool fetch_integers(Runtime& rt, std::span<std::int32_t> out, std::string_view separators);

// The slots drawing goes to now; none while neither a window nor a
// redirection exists. With once set, a print job gets one slot only.
enum class PrintOnce : bool { No, Yes };
DrawSlots drawing_slots(Runtime& rt, PrintOnce once = PrintOnce::No);

// CLS on the drawing surface: a colour replaces the current brush with a
// solid one, none selects the white stock brush; then both slots are filled.
void clear_drawing(Runtime& rt, std::optional<std::int32_t> color);

} // namespace talven
