// The driver manager is libodbc.so.2; TALVEN_ODBC_LIBRARY names another
// library instead, so that tests can make it go missing.
#include "host/console/console_odbc_library.h"

#include <dlfcn.h>

#include <cstdlib>

#include "host/console/codepage.h"

namespace talven {

bool ConsoleOdbcLibrary::load()
{
    if (m_handle)
        return true;
    const char* name = std::getenv("TALVEN_ODBC_LIBRARY");
    // Unloading leaves the library mapped: unixODBC keeps caches that it
    // never frees, and would allocate them anew after every reload.
    m_handle = dlopen(name && *name ? name : "libodbc.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    return m_handle != nullptr;
}

void* ConsoleOdbcLibrary::symbol(const char* name) { return m_handle ? dlsym(m_handle, name) : nullptr; }

void ConsoleOdbcLibrary::unload()
{
    if (m_handle)
        dlclose(m_handle);
    m_handle = nullptr;
}

std::string ConsoleOdbcLibrary::to_driver(std::string_view ansi) { return ansi_to_utf8(ansi); }
std::string ConsoleOdbcLibrary::from_driver(std::string_view text) { return utf8_to_ansi(text); }

} // namespace talven
