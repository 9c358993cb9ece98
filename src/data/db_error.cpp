// The translation of internal codes into the messages 600..616 and the two
// ways a handler reports the state.
#include "data/db_error.h"

#include <cstdio>

#include "core/runtime.h"

namespace talven {

std::int32_t db_message_of(std::uint32_t code)
{
    switch (code) {
    case db_code::none: return 0;
    case 2:
    case 3:
    case db_code::description_missing: return static_cast<std::int32_t>(Msg::DbFileNotFound);
    case db_code::record_range:
    case db_code::key_field: return static_cast<std::int32_t>(Msg::DbBadKeyField);
    case db_code::bad_formula: return static_cast<std::int32_t>(Msg::DbBadFormula);
    case db_code::read_field: return static_cast<std::int32_t>(Msg::DbReadFieldNotFound);
    case db_code::read_field_number: return static_cast<std::int32_t>(Msg::DbReadFieldNumberNotFound);
    case db_code::write_field: return static_cast<std::int32_t>(Msg::DbWriteFieldNotFound);
    case db_code::write_field_number: return static_cast<std::int32_t>(Msg::DbWriteFieldNumberNotFound);
    case db_code::duplicate_field: return static_cast<std::int32_t>(Msg::DbDuplicateFieldName);
    case db_code::bad_field_length: return static_cast<std::int32_t>(Msg::DbBadFieldLength);
    case db_code::bad_decimals: return static_cast<std::int32_t>(Msg::DbBadDecimals);
    case db_code::index_broken: return static_cast<std::int32_t>(Msg::DbIndexFileBroken);
    case db_code::index_field: return static_cast<std::int32_t>(Msg::DbFieldNotFound);
    default: return static_cast<std::int32_t>(Msg::DbError);
    }
}

void DbError::fail(std::uint32_t code, std::string_view detail)
{
    if (is_set() || code == db_code::none)
        return;
    ShortString text;
    if (detail.empty()) {
        text = "!";
    } else {
        text = ": ";
        text.append(detail);
    }
    message = db_message_of(code);
    if (message == static_cast<std::int32_t>(Msg::DbError)) {
        char number[16];
        std::snprintf(number, sizeof number, "%u ", static_cast<unsigned>(code));
        extra = number;
        extra.append(text.view());
    } else {
        extra = text;
    }
}

void report_db_warning(Runtime& rt)
{
    DbError& error = rt.tables.error;
    if (error.is_set())
        rt.warning(static_cast<Msg>(error.message), error.extra.view());
}

void report_db_fatal(Runtime& rt)
{
    DbError& error = rt.tables.error;
    if (error.is_set())
        rt.fatal(static_cast<Msg>(error.message), error.extra.view());
}

} // namespace talven
