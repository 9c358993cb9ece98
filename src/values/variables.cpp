// The variable store's operations: declaration, reading and writing by name,
// array elements and area blocks, each with the errors the language gives.
#include "values/variables.h"

#include "core/runtime.h"
#include "values/compiled_arguments.h"
#include "values/conversions.h"
#include "values/arguments.h"

namespace talven {

ShortString upper_trimmed(std::string_view text)
{
    ShortString out(trim_blanks(text));
    upper_ansi(out);
    return out;
}

namespace {

// Evaluates up to three comma-separated numbers (long integer views) from
// text in stable storage. Missing ones are 0; a fourth is error 254.
bool evaluate_bounds(Runtime& rt, std::string_view text, std::int32_t (&out)[3])
{
    out[0] = out[1] = out[2] = 0;
    text = trim_blanks(text);
    if (text.empty())
        return true;
    ArgText saved = rt.loop.args;
    rt.loop.args = ArgText(text);
    bool ok = true;
    for (int i = 0; !rt.loop.args.empty(); ++i) {
        if (i == 3) {
            rt.fatal(Msg::TooManyDimensions);
            ok = false;
            break;
        }
        auto index = arg_long(rt, ',');
        out[i] = *index;
        if (!index) {
            ok = false;
            break;
        }
    }
    rt.loop.args = saved;
    return ok;
}

template <class T>
T* table_slot(ElementTable<T>& table, std::int32_t slot)
{
    return &table.slots[static_cast<std::size_t>(slot)];
}

void report_pool_exhausted(Runtime& rt, char suffix)
{
    switch (suffix) {
    case '%': rt.fatal(Msg::IntegerPoolExhausted); break;
    case '&': rt.fatal(Msg::LongPoolExhausted); break;
    case '$': rt.fatal(Msg::StringPoolExhausted); break;
    case '!': rt.fatal(Msg::FloatPoolExhausted); break;
    default: rt.fatal(Msg::AreaPoolExhausted); break;
    }
}

template <class T>
bool append_entry(Runtime& rt, Pool<T>& pool, char suffix, std::string_view name, const T& value)
{
    if (pool.count >= pool_capacity) {
        report_pool_exhausted(rt, suffix);
        return false;
    }
    ++rt.variables.epoch;
    auto& entry = pool.entries[static_cast<std::size_t>(pool.count++)];
    entry.name.set(name);
    entry.value = value;
    return true;
}

template <class T>
void grow_elements(ElementTable<T>& table, std::int32_t count)
{
    table.slots.resize(static_cast<std::size_t>(table.highest + 1 + count));
    for (std::int32_t i = table.highest + 1; i <= table.highest + count; ++i)
        table.slots[static_cast<std::size_t>(i)] = T{};
    table.highest += count;
}

std::int32_t highest_of(VariableStore& store, char suffix)
{
    switch (suffix) {
    case '%': return store.integer_elements.highest;
    case '&': return store.long_elements.highest;
    case '!': return store.float_elements.highest;
    default: return store.string_elements.highest;
    }
}

void declare_array(Runtime& rt, std::string_view name, std::string_view raw_bounds)
{
    VariableStore& store = rt.variables;
    if (store.array_count >= array_capacity) {
        rt.fatal(Msg::ArrayPoolExhausted);
        return;
    }
    std::int32_t bounds[3];
    if (!evaluate_bounds(rt, raw_bounds, bounds))
        return;
    char suffix = name.back();
    // The product in 64 bits: a wrapped count must not pass the check, and a
    // bound below -1 must not shrink the table under earlier arrays.
    std::int64_t count = 1;
    for (std::int32_t bound : bounds) {
        if (bound < -1) {
            rt.fatal(Msg::TooManyElements);
            return;
        }
        count *= static_cast<std::int64_t>(bound) + 1;
    }
    if (count + highest_of(store, suffix) > element_table_slots - 1) {
        rt.fatal(Msg::TooManyElements);
        return;
    }
    ArrayDescriptor& a = store.arrays[static_cast<std::size_t>(store.array_count++)];
    a.suffix = suffix;
    a.name.set(name);
    a.d1 = bounds[0];
    a.d2 = bounds[1];
    a.d3 = bounds[2];
    a.count = static_cast<std::int32_t>(count);
    a.base = highest_of(store, suffix) + 1;
    switch (suffix) {
    case '%': grow_elements(store.integer_elements, a.count); break;
    case '&': grow_elements(store.long_elements, a.count); break;
    case '!': grow_elements(store.float_elements, a.count); break;
    default: grow_elements(store.string_elements, a.count); break;
    }
}


bool is_type_suffix(char c) { return c == '!' || c == '#' || c == '$' || c == '%' || c == '&'; }

} // namespace

void declare_scalar(Runtime& rt, std::string_view name, int parameter_slot)
{
    VariableStore& store = rt.variables;
    char suffix = name.back();
    const ParameterSlot* slot = nullptr;
    if (parameter_slot > 0 && parameter_slot < parameter_slot_count)
        slot = &rt.flow.slots[static_cast<std::size_t>(parameter_slot)];
    switch (suffix) {
    case '%': append_entry(rt, store.integers, suffix, name, slot ? slot->integer : 0); break;
    case '&': append_entry(rt, store.longs, suffix, name, slot ? slot->long_integer : 0); break;
    case '!': append_entry(rt, store.floats, suffix, name, slot ? slot->real : 0.0); break;
    case '$': append_entry(rt, store.strings, suffix, name, slot ? slot->text() : ShortString()); break;
    default: append_entry(rt, store.areas, suffix, name, AreaBlock{}); break;
    }
}

void load_integer_views(Runtime& rt, std::int32_t value)
{
    Value& v = rt.value;
    v.integer = v.long_integer = value;
    v.real = value;
    v.defer_long_text(value, rt.format.number_width);
}

void load_float_views(Runtime& rt, double value)
{
    Value& v = rt.value;
    v.real = value;
    v.integer = v.long_integer = truncate_to_long(value);
    v.defer_float_text(value, rt.format.decimals, rt.format.number_width);
}

void load_string_views(Runtime& rt, const ShortString& value)
{
    Value& v = rt.value;
    v.set_text(value);
    v.integer = v.long_integer = long_from_text(value.view());
    v.real = float_prefix_of_text(value.view());
}

ArrayDescriptor* VariableStore::find_array(std::string_view name)
{
    for (int i = array_count - 1; i >= 0; --i)
        if (arrays[static_cast<std::size_t>(i)].name.equals(name))
            return &arrays[static_cast<std::size_t>(i)];
    return nullptr;
}

AreaBlock* VariableStore::find_area_by_address(std::int32_t address)
{
    for (int i = areas.count - 1; i >= 0; --i) {
        AreaBlock& area = areas.entries[static_cast<std::size_t>(i)].value;
        if (area.block && static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(area.block)) == address)
            return &area;
    }
    return nullptr;
}

void* find_scalar_slot(VariableStore& store, char suffix, std::string_view upper_name)
{
    switch (suffix) {
    case '%': return store.integers.find(upper_name);
    case '&': return store.longs.find(upper_name);
    case '!': return store.floats.find(upper_name);
    case '$': return store.strings.find(upper_name);
    default: return nullptr;
    }
}

void load_from_scalar_slot(Runtime& rt, char suffix, const void* slot)
{
    switch (suffix) {
    case '%':
    case '&': load_integer_views(rt, *static_cast<const std::int32_t*>(slot)); break;
    case '!': load_float_views(rt, *static_cast<const double*>(slot)); break;
    default: load_string_views(rt, *static_cast<const ShortString*>(slot)); break;
    }
}

void store_into_scalar_slot(Runtime& rt, char suffix, void* slot, const ShortString& string_value)
{
    switch (suffix) {
    case '%': *static_cast<std::int32_t*>(slot) = rt.value.integer; break;
    case '&': *static_cast<std::int32_t*>(slot) = rt.value.long_integer; break;
    case '!': *static_cast<double*>(slot) = rt.value.real; break;
    default: *static_cast<ShortString*>(slot) = string_value; break;
    }
}

bool load_scalar(Runtime& rt, char suffix, std::string_view upper_name)
{
    void* slot = find_scalar_slot(rt.variables, suffix, upper_name);
    if (!slot)
        return false;
    load_from_scalar_slot(rt, suffix, slot);
    return true;
}

ElementRef resolve_element(Runtime& rt, std::string_view reference)
{
    ElementRef ref;
    // What the reference's text says is remembered per position; the
    // indices are evaluated every time.
    ArgNode* node = rt.compiled_args.node_at(reference.data());
    ElementShape* remembered = node ? &node->element : nullptr;
    if (remembered && remembered->reference_end != reference.data() + reference.size())
        remembered->reference_end = nullptr;
    std::string_view index_text;
    ShortString name;
    if (remembered && remembered->reference_end) {
        index_text = reference.substr(remembered->index_begin, remembered->index_length);
    } else {
        std::size_t open = reference.find('[');
        std::size_t close = reference.rfind(']');
        if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
            rt.fatal(Msg::BadVariableName, upper_trimmed(reference).view());
            return ref;
        }
        name = upper_trimmed(reference.substr(0, open));
        if (name.size() > max_name_length) {
            rt.fatal(Msg::VariableNameTooLong, name.view());
            return ref;
        }
        // The indices are evaluated from the text as written: upper-casing
        // it would change string literals and function tokens inside.
        index_text = reference.substr(open + 1, close - open - 1);
        if (remembered) {
            remembered->reference_end = reference.data() + reference.size();
            remembered->index_begin = static_cast<std::uint16_t>(open + 1);
            remembered->index_length = static_cast<std::uint16_t>(close - open - 1);
            remembered->array_name.set(name.view());
            remembered->array_count = -1;
        }
    }
    std::int32_t index[3];
    if (!evaluate_bounds(rt, index_text, index))
        return ref;
    ArrayDescriptor* array;
    VariableStore& store = rt.variables;
    if (remembered && remembered->reference_end) {
        // Arrays are only ever added, so the newest match stays the newest
        // until the directory grows.
        if (remembered->array_count != store.array_count) {
            remembered->array = store.find_array(remembered->array_name.view());
            remembered->array_count = store.array_count;
        }
        array = remembered->array;
    } else {
        array = store.find_array(name.view());
    }
    if (!array) {
        ref.missing_array = true;
        return ref;
    }
    ref.suffix = array->suffix;
    if (index[0] < 0 || index[1] < 0 || index[2] < 0 || index[0] > array->d1 || index[1] > array->d2 ||
        index[2] > array->d3) {
        rt.fatal(Msg::NoSuchElement);
        return ref;
    }
    std::int64_t width1 = static_cast<std::int64_t>(array->d1) + 1;
    std::int64_t width2 = width1 * (static_cast<std::int64_t>(array->d2) + 1);
    ref.slot = static_cast<std::int32_t>(array->base + index[0] + width1 * index[1] + width2 * index[2]);
    return ref;
}

void load_element(Runtime& rt, char suffix, std::int32_t slot)
{
    VariableStore& store = rt.variables;
    switch (suffix) {
    case '%':
        rt.value.type = ValueType::Integer;
        load_integer_views(rt, *table_slot(store.integer_elements, slot));
        break;
    case '&':
        rt.value.type = ValueType::Long;
        load_integer_views(rt, *table_slot(store.long_elements, slot));
        break;
    case '!':
        rt.value.type = ValueType::Float;
        load_float_views(rt, *table_slot(store.float_elements, slot));
        break;
    default:
        rt.value.type = ValueType::String;
        load_string_views(rt, *table_slot(store.string_elements, slot));
        break;
    }
}

void store_element(Runtime& rt, char suffix, std::int32_t slot, const ShortString& string_value)
{
    VariableStore& store = rt.variables;
    switch (suffix) {
    case '%': *table_slot(store.integer_elements, slot) = rt.value.integer; break;
    case '&': *table_slot(store.long_elements, slot) = rt.value.long_integer; break;
    case '!': *table_slot(store.float_elements, slot) = rt.value.real; break;
    default: *table_slot(store.string_elements, slot) = string_value; break;
    }
}

bool load_array_element(Runtime& rt, std::string_view reference)
{
    ElementRef ref = resolve_element(rt, reference);
    if (ref.missing_array)
        return false;
    if (ref.slot >= 0)
        load_element(rt, ref.suffix, ref.slot);
    return true;
}

bool load_area_address(Runtime& rt, std::string_view upper_name)
{
    AreaBlock* area = rt.variables.areas.find(upper_name);
    if (!area)
        return false;
    rt.value.type = ValueType::Long;
    if (!area->block) {
        rt.fatal(Msg::AreaNotDimensioned);
        return true;
    }
    load_integer_views(rt, static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(area->block)));
    return true;
}

bool store_scalar(Runtime& rt, std::string_view upper_name, const ShortString& string_value)
{
    if (upper_name.empty())
        return false;
    char suffix = upper_name.back();
    void* slot = find_scalar_slot(rt.variables, suffix, upper_name);
    if (!slot)
        return false;
    store_into_scalar_slot(rt, suffix, slot, string_value);
    return true;
}

void declare_item(Runtime& rt, std::string_view item, int parameter_slot)
{
    ShortString upper = upper_trimmed(item);
    std::string_view text = upper.view();
    std::string_view name = text;
    std::string_view raw_bounds;
    bool has_bounds = !text.empty() && text.back() == ']';
    if (has_bounds) {
        std::size_t open = text.find('[');
        if (open == std::string_view::npos) {
            rt.fatal(Msg::BadVariableName, text);
            return;
        }
        name = trim_blanks(text.substr(0, open));
        // The bounds are evaluated from the text as written.
        std::string_view raw = trim_blanks(item);
        std::size_t raw_open = raw.find('[');
        raw_bounds = raw.substr(raw_open + 1, raw.size() - raw_open - 2);
    }
    if (name.empty() || !is_type_suffix(name.back())) {
        rt.fatal(Msg::BadVariableName, name);
        return;
    }
    if ((has_bounds && name.back() == '#') || name.find(' ') != std::string_view::npos) {
        rt.fatal(Msg::BadVariableName, has_bounds ? text : name);
        return;
    }
    if (name.size() > max_name_length) {
        rt.fatal(Msg::VariableNameTooLong, name);
        return;
    }
    if (parameter_slot > 0) {
        // Parameters bind scalars only; areas and arrays are passed over.
        if (has_bounds || name.back() == '#')
            return;
        declare_scalar(rt, name, parameter_slot);
    } else if (has_bounds) {
        declare_array(rt, name, raw_bounds);
    } else {
        declare_scalar(rt, name, 0);
    }
}

void dimension_area(Runtime& rt, std::string_view upper_name, std::int32_t size)
{
    if (upper_name.empty() || upper_name.back() != '#') {
        rt.fatal(Msg::AreaVariableExpected);
        return;
    }
    AreaBlock* area = rt.variables.areas.find(upper_name);
    if (!area) {
        rt.fatal(Msg::VariableNotDeclared, upper_name);
        return;
    }
    if (area->block) {
        rt.fatal(Msg::AreaAlreadyDimensioned);
        return;
    }
    void* block = size >= 0 ? rt.host.allocate_area(static_cast<std::size_t>(size) + 1) : nullptr;
    if (!block) {
        rt.fatal(Msg::AreaMemoryShort);
        return;
    }
    area->block = static_cast<std::uint8_t*>(block);
    area->size = size;
}

void release_area(Runtime& rt, std::string_view upper_name)
{
    if (upper_name.empty() || upper_name.back() != '#') {
        rt.fatal(Msg::AreaVariableExpected);
        return;
    }
    AreaBlock* area = rt.variables.areas.find(upper_name);
    if (!area) {
        rt.fatal(Msg::VariableNotDeclared, upper_name);
        return;
    }
    if (area->block) {
        rt.host.free_area(area->block, static_cast<std::size_t>(area->size) + 1);
        area->block = nullptr;
        area->size = 0;
    }
}

AreaBlock* area_for_access(Runtime& rt, std::string_view upper_name, std::int64_t offset, std::int64_t length)
{
    if (upper_name.empty() || upper_name.back() != '#') {
        rt.fatal(Msg::AreaVariableExpected);
        return nullptr;
    }
    AreaBlock* area = rt.variables.areas.find(upper_name);
    if (!area) {
        rt.fatal(Msg::VariableNotDeclared, upper_name);
        return nullptr;
    }
    if (!area->block) {
        rt.fatal(Msg::AreaNotDimensioned);
        return nullptr;
    }
    // Offsets 0..size are addressable; the value must fit entirely.
    if (offset < 0 || offset > area->size || offset + (length > 0 ? length - 1 : 0) > area->size) {
        rt.fatal(Msg::BoundExceeded);
        return nullptr;
    }
    return area;
}

} // namespace talven
