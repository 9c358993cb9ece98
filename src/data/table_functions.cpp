// The table functions, DBCREATE and the table system variables: each
// fetches its arguments, calls the table layer and reports a set dB error
// state as a warning afterwards.
#include "data/table_functions.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "data/table.h"
#include "data/table_create.h"
#include "data/table_memo.h"
#include "values/arguments.h"
#include "values/conversions.h"
#include "values/function_results.h"

namespace talven {

namespace {

constexpr std::int32_t oem_font = 1;

std::int32_t as_int(std::uint32_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(n); }

void forget_field(Table& table)
{
    table.last_field = LastField{};
}

void remember_field(Table& table, std::size_t index)
{
    const FieldDescriptor& f = table.fields[index];
    table.last_field.type = f.type;
    table.last_field.decimals = f.decimals;
    table.last_field.length = f.length;
    table.last_field.name = f.name;
    table.last_field.number = static_cast<std::int32_t>(index + 1);
}

// Field access by name or number; every access records the field, a miss
// clears the record and sets the given code.
std::optional<std::size_t> field_by_name(Table& table, std::string_view name, std::uint32_t code, DbError& error)
{
    ShortString key(trim_blanks(name));
    if (auto index = find_field(table, key.view())) {
        remember_field(table, *index);
        return index;
    }
    forget_field(table);
    upper_ansi(key);
    error.fail(code, key.view());
    return std::nullopt;
}

std::optional<std::size_t> field_by_number(Table& table, std::int32_t n, std::uint32_t code, DbError& error)
{
    if (n >= 1 && n <= static_cast<std::int32_t>(table.fields.size())) {
        remember_field(table, static_cast<std::size_t>(n - 1));
        return static_cast<std::size_t>(n - 1);
    }
    forget_field(table);
    char number[16];
    std::snprintf(number, sizeof number, "%d", static_cast<int>(n));
    error.fail(code, number);
    return std::nullopt;
}

void put_field(Table& table, std::size_t index, std::string_view text)
{
    const FieldDescriptor& f = table.fields[index];
    std::uint8_t* at = table.record.data() + f.offset;
    std::memset(at, ' ', f.length);
    std::memcpy(at, text.data(), std::min<std::size_t>(text.size(), f.length));
}

Tables& tables(Runtime& rt) { return rt.tables; }

LocalTime today(Runtime& rt) { return rt.host.local_time(); }

// The name of a table file: ".DBF" added when the name has no extension.
ShortString table_file_name(std::string_view name)
{
    ShortString file(trim_blanks(name));
    std::string_view view = file.view();
    std::size_t dot = view.find_last_of('.');
    std::size_t separator = view.find_last_of("\\/:");
    if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator))
        file.append(".DBF");
    return file;
}

void finish_integer(Runtime& rt, std::int32_t value)
{
    result_integer(rt, value);
    report_db_warning(rt);
}

void fn_dbopen(Runtime& rt)
{
    std::int32_t count = 0;
    auto n = fetch_table_number(rt, ',');
    auto name = n ? arg_text(rt, ')') : Arg<ShortString>{};
    if (!name) {
        result_integer(rt, 0);
        return;
    }
    Tables& t = tables(rt);
    auto& slot = t.slots[static_cast<std::size_t>(*n)];
    // A table still open under the number is closed first, so that its
    // header is written rather than forgotten.
    if (slot && !t.error.is_set()) {
        close_table(*slot, today(rt), t.error);
        slot.reset();
    }
    if (t.error.is_set()) {
        result_integer(rt, 0);
        report_db_fatal(rt);
        return;
    }
    auto table = std::make_unique<Table>();
    ShortString file = table_file_name(name->view());
    if (open_table(*table, rt.host.files(), rt.files.mode, file.view(), t.error)) {
        count = as_int(table->record_count);
        slot = std::move(table);
        t.current = *n;
    }
    result_integer(rt, count);
    if (t.error.is_set())
        report_db_fatal(rt);
}

void fn_dbselect(Runtime& rt)
{
    std::int32_t count = 0;
    if (auto n = fetch_table_number(rt, ')')) {
        Table* table = tables(rt).slots[static_cast<std::size_t>(*n)].get();
        if (!table) {
            result_integer(rt, 0);
            rt.fatal(Msg::TableNumberUnassigned);
            return;
        }
        tables(rt).current = *n;
        count = as_int(table->record_count);
    }
    finish_integer(rt, count);
}

void fn_dbclose(Runtime& rt)
{
    std::int32_t count = 0;
    if (auto n = fetch_table_number(rt, ')')) {
        Tables& t = tables(rt);
        t.current = *n;
        auto& slot = t.slots[static_cast<std::size_t>(*n)];
        if (!slot) {
            result_integer(rt, 0);
            rt.fatal(Msg::TableNumberUnassigned);
            return;
        }
        count = as_int(slot->record_count);
        close_table(*slot, today(rt), t.error);
        slot.reset();
    }
    finish_integer(rt, count);
}

std::optional<Move> move_of_word(std::string_view word)
{
    ShortString w(trim_blanks(word));
    upper_ansi(w);
    std::string_view v = w.view();
    if (v == "TOP" || v == "|<")
        return Move::First;
    if (v == "BOTTOM" || v == ">|")
        return Move::Last;
    if (v == "NEXT" || v == ">")
        return Move::Next;
    if (v == "PREV" || v == "<")
        return Move::Previous;
    return std::nullopt;
}

// The current table once the arguments are fetched: an argument may have
// closed or replaced it (a nested @DBOPEN), so it is looked up again and
// never used through the one that was freed.
Table* table_after_arguments(Runtime& rt) { return current_table_or_error(rt); }

void fn_dbgo(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    if (!arg_value(rt, ')')) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    std::optional<Move> move;
    std::int64_t number = rt.value.long_integer;
    if (rt.value.type == ValueType::String) {
        move = move_of_word(rt.value.text().view());
        number = long_from_text(rt.value.text().view());
    }
    if (move)
        go_to(*table, *move, 0, rt.tables.error);
    else
        go_to(*table, Move::Record, number, rt.tables.error);
    finish_integer(rt, as_int(table->current));
}

void field_text_result(Runtime& rt, Table& table, std::optional<std::size_t> index)
{
    if (index) {
        ShortString text = text_from_table(rt, field_bytes(table, table.fields[*index]));
        result_text(rt, text.view());
    } else {
        result_text(rt, {});
    }
    report_db_warning(rt);
}

void fn_dbget_str(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto name = table ? arg_text(rt, ')') : Arg<ShortString>{};
    if (!name) {
        result_text(rt, {});
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_text(rt, {});
        return;
    }
    field_text_result(rt, *table, field_by_name(*table, name->view(), db_code::read_field, rt.tables.error));
}

void fn_dbgetn_str(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto n = table ? arg_integer(rt, ')') : Arg<std::int32_t>{};
    if (!n) {
        result_text(rt, {});
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_text(rt, {});
        return;
    }
    field_text_result(rt, *table, field_by_number(*table, *n, db_code::read_field_number, rt.tables.error));
}

// Memo fields are written only through their memo.
std::int32_t store_value(Runtime& rt, Table& table, std::optional<std::size_t> index, std::string_view value)
{
    if (!index || table.fields[*index].type == 'M')
        return 0;
    put_field(table, *index, text_to_table(rt, value).view());
    return 1;
}

void fn_dbput(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto name = table ? arg_text(rt, ',') : Arg<ShortString>{};
    auto value = name ? arg_text(rt, ')') : Arg<ShortString>{};
    if (!value) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    auto index = field_by_name(*table, name->view(), db_code::write_field, rt.tables.error);
    finish_integer(rt, store_value(rt, *table, index, value->view()));
}

void fn_dbputn(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto n = table ? arg_integer(rt, ',') : Arg<std::int32_t>{};
    auto value = n ? arg_text(rt, ')') : Arg<ShortString>{};
    if (!value) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    auto index = field_by_number(*table, *n, db_code::read_field_number, rt.tables.error);
    finish_integer(rt, store_value(rt, *table, index, value->view()));
}

void fn_dbwrite(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto n = table ? arg_long(rt, ')') : Arg<std::int32_t>{};
    if (!n) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    std::int64_t target = *n == 0 ? static_cast<std::int64_t>(table->current) : *n;
    write_record(*table, target, rt.tables.error);
    finish_integer(rt, as_int(table->current));
}

// The failure of an append is reported like that of any other write: the
// program must learn that its record is not in the table.
void fn_dbappend(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    if (write_record(*table, 0, rt.tables.error))
        std::fill(table->record.begin(), table->record.end(), static_cast<std::uint8_t>(' '));
    finish_integer(rt, as_int(table->current));
}

void mark_and_write(Runtime& rt, char mark)
{
    Table* table = current_table_or_error(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    table->record[0] = static_cast<std::uint8_t>(mark);
    table->deleted = mark == '*';
    write_record(*table, table->current, rt.tables.error);
    finish_integer(rt, as_int(table->current));
}

void fn_dbdelete(Runtime& rt) { mark_and_write(rt, '*'); }
void fn_dbrecall(Runtime& rt) { mark_and_write(rt, ' '); }

void fn_dbpack(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    pack_table(*table, rt.host.files(), rt.files.mode, rt.tables.error);
    finish_integer(rt, as_int(table->record_count));
}

bool field_matches(std::string_view field, std::string_view text, std::int32_t mode)
{
    switch (mode) {
    case 0: return field.find(text) != std::string_view::npos;
    case 1: return field.substr(0, text.size()) == text;
    case 2: return trim_blanks(field) == trim_blanks(text);
    default: return false;
    }
}

// Searches forward from the current record; the dB error state is left
// for the next table function to report.
void fn_dbfind(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto name = table ? arg_text(rt, ',') : Arg<ShortString>{};
    if (!name) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    // The mode is optional: another argument follows when a comma comes
    // before the closing parenthesis.
    std::string_view rest = rt.loop.args.view();
    bool with_mode = find_at_depth_zero(rest, ',') < find_at_depth_zero(rest, ')');
    auto t = arg_text(rt, with_mode ? ',' : ')');
    auto m = t && with_mode ? arg_integer(rt, ')') : Arg<std::int32_t>{0, true};
    if (!t || !m) {
        result_integer(rt, 0);
        return;
    }
    std::int32_t mode = *m;
    ShortString text = *t;
    text = text_to_table(rt, text.view());
    upper_ansi(text);
    std::int32_t hit = 0;
    auto index = field_by_name(*table, name->view(), db_code::read_field, rt.tables.error);
    ShortString field;
    while (index && !table->at_end) {
        field = field_bytes(*table, table->fields[*index]);
        upper_ansi(field);
        if (field_matches(field.view(), text.view(), mode)) {
            hit = as_int(table->current);
            break;
        }
        std::uint32_t before = table->current;
        go_to(*table, Move::Next, 0, rt.tables.error);
        // A record that could not be read must not hold the search in place.
        if (!table->at_end && table->current == before)
            break;
    }
    result_integer(rt, hit);
}

void fn_dbmemo(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto name = table ? arg_text(rt, ')') : Arg<ShortString>{};
    if (!name) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    std::int32_t result = -1;
    auto index = field_by_name(*table, name->view(), db_code::read_field, rt.tables.error);
    if (index && table->fields[*index].type == 'M') {
        rt.elements.entries.clear();
        MemoLines read =
            read_memo(*table, table->fields[*index], rt.elements.entries, ElementList::capacity, rt.tables.error);
        result = read.result;
        if (read.list_full) {
            result_integer(rt, result);
            rt.fatal(Msg::TooManyElements);
            return;
        }
    }
    finish_integer(rt, result);
}

void fn_dbmemoput(Runtime& rt)
{
    Table* table = current_table_or_error(rt);
    auto name = table ? arg_text(rt, ')') : Arg<ShortString>{};
    if (!name) {
        result_integer(rt, 0);
        return;
    }
    table = table_after_arguments(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    std::int32_t result = 0;
    auto index = field_by_name(*table, name->view(), db_code::read_field, rt.tables.error);
    if (index && table->fields[*index].type == 'M')
        result = write_memo(*table, *index, rt.elements.entries, rt.tables.error) && !rt.tables.error.is_set();
    finish_integer(rt, result);
}

void cmd_dbcreate(Runtime& rt)
{
    auto description = arg_text(rt, '>');
    auto name = description ? arg_text(rt, rest_of_text) : Arg<ShortString>{};
    if (!name)
        return;
    ShortString file = table_file_name(name->view());
    create_table(rt.host.files(), rt.files.mode, trim_blanks(description->view()), file.view(), today(rt),
                 rt.tables.error);
    report_db_warning(rt);
}

// The system variables of the current table read 0 or the empty text when
// there is none: system variables report nothing.
Table* current(Runtime& rt) { return rt.tables.current_table(); }

void sys_reccount(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.long_integer = as_int(t->record_count);
}
void sys_headersize(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->header_length;
}
void sys_recsize(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->record_length;
}
void sys_recno(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.long_integer = as_int(t->current);
}
void sys_fieldcount(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->field_count;
}
void sys_tabledate(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.set_text(t->date_text.view());
}
void sys_fieldtype(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.set_text(std::string_view(&t->last_field.type, 1));
}
void sys_fielddec(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->last_field.decimals;
}
void sys_fieldlen(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->last_field.length;
}
void sys_fieldnum(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->last_field.number;
}
void sys_fieldname(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.set_text(t->last_field.name.view());
}
void sys_deleted(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->deleted ? 1 : 0;
}
void sys_eot(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.integer = t->at_end ? 1 : 0;
}
void sys_hasmemo(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.long_integer = t->header[0] != 3 ? 1 : 0;
}
void sys_tableversion(Runtime& rt)
{
    if (Table* t = current(rt))
        rt.value.long_integer = t->header[0] & 3;
}

constexpr FunctionEntry functions[] = {
    {Fn::Dbopen, fn_dbopen},
    {Fn::Dbselect, fn_dbselect},
    {Fn::Dbgo, fn_dbgo},
    {Fn::Dbclose, fn_dbclose},
    {Fn::DbgetStr, fn_dbget_str},
    {Fn::DbgetnStr, fn_dbgetn_str},
    {Fn::Dbfind, fn_dbfind},
    {Fn::Dbput, fn_dbput},
    {Fn::Dbputn, fn_dbputn},
    {Fn::Dbwrite, fn_dbwrite},
    {Fn::Dbdelete, fn_dbdelete},
    {Fn::Dbrecall, fn_dbrecall},
    {Fn::Dbpack, fn_dbpack},
    {Fn::Dbappend, fn_dbappend},
    {Fn::Dbmemo, fn_dbmemo},
    {Fn::Dbmemoput, fn_dbmemoput},
};

constexpr CommandEntry commands[] = {
    {Tok::Dbcreate, cmd_dbcreate},
};

constexpr SysVarEntry sysvars[] = {
    {SysVar::Reccount, sys_reccount},
    {SysVar::Headersize, sys_headersize},
    {SysVar::Recsize, sys_recsize},
    {SysVar::Recno, sys_recno},
    {SysVar::Fieldcount, sys_fieldcount},
    {SysVar::Tabledate, sys_tabledate},
    {SysVar::Fieldtype, sys_fieldtype},
    {SysVar::Fielddec, sys_fielddec},
    {SysVar::Fieldlen, sys_fieldlen},
    {SysVar::Fieldnum, sys_fieldnum},
    {SysVar::Fieldname, sys_fieldname},
    {SysVar::Deleted, sys_deleted},
    {SysVar::Eot, sys_eot},
    {SysVar::Hasmemo, sys_hasmemo},
    {SysVar::Tableversion, sys_tableversion},
};

} // namespace

Arg<int> fetch_table_number(Runtime& rt, char separator)
{
    ArgText& args = rt.loop.args;
    if (args.empty() || args.front() != '#') {
        rt.fatal(Msg::TableNumberExpected);
        return {0, false};
    }
    args.drop_front(1);
    auto n = arg_integer(rt, separator);
    if (!n)
        return {0, false};
    if (*n < 1 || *n > table_count) {
        rt.fatal(Msg::TableNumberOutOfRange);
        return {0, false};
    }
    return {*n, true};
}

Table* current_table_or_error(Runtime& rt)
{
    if (Table* table = rt.tables.current_table())
        return table;
    rt.fatal(Msg::TableNumberUnassigned);
    return nullptr;
}

ShortString text_to_table(Runtime& rt, std::string_view text)
{
    return rt.screen.font == oem_font ? rt.host.ansi_to_oem(text) : ShortString(text);
}

ShortString text_from_table(Runtime& rt, std::string_view text)
{
    return rt.screen.font == oem_font ? rt.host.oem_to_ansi(text) : ShortString(text);
}

void close_all_tables(Runtime& rt)
{
    LocalTime now = rt.host.local_time();
    for (auto& slot : rt.tables.slots) {
        if (slot)
            close_table(*slot, now, rt.tables.error);
        slot.reset();
    }
}

std::span<const FunctionEntry> table_functions() { return functions; }
std::span<const CommandEntry> table_functions_commands() { return commands; }
std::span<const SysVarEntry> table_functions_sysvars() { return sysvars; }

} // namespace talven
