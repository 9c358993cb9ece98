// The ODBC driver manager as the platform provides it: a library that is
// loaded only when a program connects, so that the runtime starts and runs
// without it. The host loads it and finds its entry points by name; what is
// called, and when, belongs to the core.
#pragma once

#include <string>
#include <string_view>

namespace talven {

class OdbcLibrary {
public:
    virtual ~OdbcLibrary() = default;

    // Loads the driver manager; false when it is not there. Loading a
    // loaded library again is harmless.
    virtual bool load() { return false; }
    // The entry point of that name, or null.
    virtual void* symbol(const char* name) { return (void)name, nullptr; }
    virtual void unload() {}

    // Texts to and from the driver manager: the host's conversion between
    // the runtime's ANSI code page and what its drivers speak.
    virtual std::string to_driver(std::string_view ansi) { return std::string(ansi); }
    virtual std::string from_driver(std::string_view text) { return std::string(text); }
};

// A host without one: loading always fails.
inline OdbcLibrary& no_odbc_library()
{
    static OdbcLibrary none;
    return none;
}

} // namespace talven
