// Reading variables for the argument fetch. The store itself keeps the
// newest-wins rule: the latest declaration of a name is the one read.
#pragma once

#include <string_view>

namespace talven {

struct Runtime;

// Loads the scalar of the pool named by suffix ("%", "&", "!", "$") into the
// value registers with all its views. False when no such name is declared.
bool load_scalar(Runtime& rt, char suffix, std::string_view upper_name);

// Loads an array element ("NAME[i,j,k]"). False when no such array exists.
bool load_array_element(Runtime& rt, std::string_view upper_reference);

// Loads the block address of an area variable. False when undeclared.
bool load_area_address(Runtime& rt, std::string_view upper_name);

} // namespace talven
