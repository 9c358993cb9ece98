// The runtime on Windows. The executable is linked with a large stack
// reserve: evaluation nests on it, and the runtime refuses nesting beyond a
// budget well inside that stack.
#include <windows.h>

#include "core/entry.h"
#include "host/win32/win32_host.h"

namespace {

constexpr std::size_t evaluation_budget = std::size_t{48} << 20;

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    int code = 0;
    {
        talven::Win32Host host(instance);
        code = talven::run_runtime(host, evaluation_budget);
        // Every end of the program takes the window with it.
        host.destroy_main_window();
    }
    return code;
}
