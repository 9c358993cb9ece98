// The variable store: four scalar pools, the arrays declared with bounds,
// the area variables, and the global arrays of the DIM statements. Every
// lookup keeps the newest-wins rule: the latest declaration of a name is
// the one read and written.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "core/short_string.h"

namespace talven {

struct Runtime;

constexpr int pool_capacity = 499;
constexpr int array_capacity = 499;
constexpr int element_table_slots = 32768;
constexpr std::size_t max_name_length = 32;

// A variable name as stored: upper-cased, suffix included, at most 32 bytes.
struct VarName {
    std::uint8_t length = 0;
    char bytes[max_name_length];

    void set(std::string_view name)
    {
        length = static_cast<std::uint8_t>(name.size());
        std::memcpy(bytes, name.data(), name.size());
    }
    // Names are short: a loop of their few bytes is cheaper than a call.
    bool equals(std::string_view name) const
    {
        if (name.size() != length)
            return false;
        for (std::size_t i = 0; i < length; ++i)
            if (bytes[i] != name[i])
                return false;
        return true;
    }
    std::string_view view() const { return {bytes, length}; }
};

template <class T>
struct Pool {
    struct Entry {
        VarName name;
        T value{};
    };
    std::array<Entry, pool_capacity> entries;
    int count = 0;

    // Newest first; null when the name is not declared.
    T* find(std::string_view name)
    {
        for (int i = count - 1; i >= 0; --i)
            if (entries[i].name.equals(name))
                return &entries[i].value;
        return nullptr;
    }
};

struct AreaBlock {
    std::uint8_t* block = nullptr;
    std::int32_t size = 0;
};

struct ArrayDescriptor {
    char suffix = '%';
    VarName name;
    std::int32_t d1 = 0, d2 = 0, d3 = 0;
    std::int32_t count = 0;
    std::int32_t base = 0;
};

// Elements of one type: slots 0..highest, grown as arrays are declared.
template <class T>
struct ElementTable {
    std::vector<T> slots;
    std::int32_t highest = -1;
};

// The local-frame marks: the four scalar counts a call saves and a return
// restores, so that variables declared since the call cease to exist.
struct FrameMarks {
    int integers = 0, longs = 0, strings = 0, floats = 0;
};

struct VariableStore {
    // Changes whenever a scalar is declared or a call's scalars cease to
    // exist, so a remembered variable slot can be checked cheaply.
    std::uint64_t epoch = 1;

    Pool<std::int32_t> integers;
    Pool<std::int32_t> longs;
    Pool<ShortString> strings;
    Pool<double> floats;
    Pool<AreaBlock> areas;

    std::array<ArrayDescriptor, array_capacity> arrays;
    int array_count = 0;
    ElementTable<std::int32_t> integer_elements;
    ElementTable<std::int32_t> long_elements;
    ElementTable<double> float_elements;
    ElementTable<ShortString> string_elements;

    // The global arrays of DIM%, DIM&, DIM! and DIM$.
    ElementTable<std::int32_t> global_integers;
    ElementTable<std::int32_t> global_longs;
    ElementTable<double> global_floats;
    ElementTable<ShortString> global_strings;

    FrameMarks marks() const { return {integers.count, longs.count, strings.count, floats.count}; }
    void restore(const FrameMarks& m)
    {
        ++epoch;
        integers.count = m.integers;
        longs.count = m.longs;
        strings.count = m.strings;
        floats.count = m.floats;
    }

    ArrayDescriptor* find_array(std::string_view name);
    // The area block whose address is the given long integer, or null.
    AreaBlock* find_area_by_address(std::int32_t address);
};

// The views of a value loaded from a variable of each kind.
void load_integer_views(Runtime& rt, std::int32_t value);
void load_float_views(Runtime& rt, double value);
void load_string_views(Runtime& rt, const ShortString& value);

// The value of the newest scalar of that name in the pool of the suffix
// ("%", "&", "!", "$"), or null; and loading from and storing into it.
void* find_scalar_slot(VariableStore& store, char suffix, std::string_view upper_name);
void load_from_scalar_slot(Runtime& rt, char suffix, const void* slot);
void store_into_scalar_slot(Runtime& rt, char suffix, void* slot, const ShortString& string_value);

// Loads the scalar of the pool named by suffix ("%", "&", "!", "$") into the
// value registers with all its views. False when no such name is declared.
bool load_scalar(Runtime& rt, char suffix, std::string_view upper_name);

// Loads an array element ("NAME[i,j,k]"). False when no such array exists.
bool load_array_element(Runtime& rt, std::string_view upper_reference);

// Loads the block address of an area variable. False when undeclared.
bool load_area_address(Runtime& rt, std::string_view upper_name);

// Stores the view of the current value that matches the suffix into the
// newest scalar of that name. False when no such name is declared.
bool store_scalar(Runtime& rt, std::string_view upper_name, const ShortString& string_value);

// Resolves "NAME[i,j,k]" to an element slot, reporting 122, 254 and 233.
// The type is the array's suffix; -1 when it failed or no array matched
// (missing_array tells which).
struct ElementRef {
    char suffix = 0;
    std::int32_t slot = -1;
    bool missing_array = false;
};
ElementRef resolve_element(Runtime& rt, std::string_view upper_reference);

// Loads slot of the table of suffix into the value registers.
void load_element(Runtime& rt, char suffix, std::int32_t slot);
// Stores the matching view into slot of the table of suffix.
void store_element(Runtime& rt, char suffix, std::int32_t slot, const ShortString& string_value);

// Declares a scalar (or area) of a checked name; with a parameter slot
// 1..15 it takes the slot's value, otherwise its initial value.
void declare_scalar(Runtime& rt, std::string_view name, int parameter_slot);

// The checks of the declaration statements on one list item, and the
// declarations themselves. Each reports its own errors.
void declare_item(Runtime& rt, std::string_view item, int parameter_slot);

// Dimension and release the block of an area variable.
void dimension_area(Runtime& rt, std::string_view upper_name, std::int32_t size);
void release_area(Runtime& rt, std::string_view upper_name);

// The area named (suffix "#", newest first) and a check that bytes
// [offset, offset + length) lie in its block. Null after a report.
AreaBlock* area_for_access(Runtime& rt, std::string_view upper_name, std::int64_t offset, std::int64_t length);

// Trims characters below 33 at both ends and upper-cases by the case rule.
ShortString upper_trimmed(std::string_view text);

} // namespace talven
