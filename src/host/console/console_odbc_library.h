// unixODBC's driver manager for the console host, opened with dlopen when a
// program connects. Its drivers speak UTF-8.
#pragma once

#include "host/odbc_library.h"

namespace talven {

class ConsoleOdbcLibrary final : public OdbcLibrary {
public:
    ConsoleOdbcLibrary() = default;
    ~ConsoleOdbcLibrary() override { unload(); }
    ConsoleOdbcLibrary(const ConsoleOdbcLibrary&) = delete;
    ConsoleOdbcLibrary& operator=(const ConsoleOdbcLibrary&) = delete;

    bool load() override;
    void* symbol(const char* name) override;
    void unload() override;
    std::string to_driver(std::string_view ansi) override;
    std::string from_driver(std::string_view text) override;

private:
    void* m_handle = nullptr;
};

} // namespace talven
