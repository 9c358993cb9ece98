// Handles cross between the core and the platform as the 32-bit numbers
// programs see. Back to a handle a number is sign-extended, as the platform
// does when it hands a 32-bit process's handle to a 64-bit one.
#pragma once

#include <cstdint>

namespace talven {

template <class H>
H handle_of(std::uint32_t number)
{
    return reinterpret_cast<H>(static_cast<std::intptr_t>(static_cast<std::int32_t>(number)));
}

template <class H>
std::uint32_t number_of(H handle)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace talven
