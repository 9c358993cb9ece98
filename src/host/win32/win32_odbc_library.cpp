// The driver manager is ODBC32.DLL; TALVEN_ODBC_LIBRARY names another
// library instead, so that tests can make it go missing. Texts pass in the
// ANSI code page, as the ANSI entry points take them.
#include "host/win32/win32_odbc_library.h"

#include <windows.h>

#include <cstdlib>

namespace talven {

bool Win32OdbcLibrary::load()
{
    if (m_module)
        return true;
    const char* name = std::getenv("TALVEN_ODBC_LIBRARY");
    m_module = LoadLibraryA(name && *name ? name : "ODBC32.DLL");
    return m_module != nullptr;
}

void* Win32OdbcLibrary::symbol(const char* name)
{
    if (!m_module)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_module), name));
}

void Win32OdbcLibrary::unload()
{
    if (m_module)
        FreeLibrary(static_cast<HMODULE>(m_module));
    m_module = nullptr;
}

} // namespace talven
