// ODBC32.DLL for the Win32 host, loaded when a program connects.
#pragma once

#include "host/odbc_library.h"

namespace talven {

class Win32OdbcLibrary final : public OdbcLibrary {
public:
    Win32OdbcLibrary() = default;
    ~Win32OdbcLibrary() override { unload(); }
    Win32OdbcLibrary(const Win32OdbcLibrary&) = delete;
    Win32OdbcLibrary& operator=(const Win32OdbcLibrary&) = delete;

    bool load() override;
    void* symbol(const char* name) override;
    void unload() override;

private:
    void* m_module = nullptr;
};

} // namespace talven
