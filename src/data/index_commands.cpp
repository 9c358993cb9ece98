// @DBINDEX, @DBSEEK and MAKEINDEX: attaching NDX files to the current
// table, seeking a key through the first index, and building an index over
// all records.
#include "data/index_commands.h"

#include <cstdio>
#include <memory>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "data/db_error.h"
#include "data/table.h"
#include "data/table_functions.h"
#include "data/table_index.h"
#include "values/arguments.h"
#include "values/conversions.h"
#include "values/function_results.h"

namespace talven {

namespace {

constexpr std::size_t index_name_limit = 64;

void note(DbError& error, const NdxStatus& status)
{
    if (!status.ok())
        error.fail(static_cast<std::uint32_t>(status.code), status.detail.view());
}

ShortString index_file_name(std::string_view name)
{
    ShortString file(name);
    file.append(".NDX");
    return file;
}

// Opens one index file; null after the failure went into the error state.
std::unique_ptr<NdxIndex> open_index(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view file,
                                     DbError& error)
{
    if (FsResult<FileInfo> info = fs.info(file); !info.ok()) {
        error.fail(info.code, file);
        return nullptr;
    }
    FsCode code = fs_code::ok;
    auto storage = open_index_storage(fs, mode, file, FileCreation::OpenExisting, code);
    if (!storage) {
        error.fail(code, file);
        return nullptr;
    }
    auto index = std::make_unique<NdxIndex>();
    std::vector<NdxField> fields = index_fields(table);
    NdxStatus status = index->open(file, std::move(storage), fields);
    if (!status.ok()) {
        note(error, status);
        return nullptr;
    }
    return index;
}

} // namespace

bool is_index_file_name(std::string_view name)
{
    return name.find_first_of(" ,") == std::string_view::npos;
}

void attach_indexes(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view list, DbError& error)
{
    go_to(table, Move::First, 0, error);
    drop_indexes(table, error);
    std::size_t i = 0;
    while (i < list.size()) {
        std::size_t start = list.find_first_not_of(" ,", i);
        if (start == std::string_view::npos)
            break;
        std::size_t end = list.find_first_of(" ,", start);
        if (end == std::string_view::npos)
            end = list.size();
        i = end;
        std::string_view name = list.substr(start, std::min(end - start, index_name_limit));
        ShortString file = index_file_name(name);
        // The table holds sixteen indexes; a longer list attaches the first
        // sixteen and reports the rest.
        if (table.index_count == index_capacity) {
            error.fail(db_code::index_broken, file.view());
            continue;
        }
        // Two handles on one file would each insert every key into it,
        // and their caches would overwrite each other's pages.
        bool twice = false;
        for (int k = 0; k < table.index_count; ++k)
            twice = twice || is_upper_ansi_equal(table.indexes[static_cast<std::size_t>(k)]->file_name(), file.view());
        if (twice) {
            error.fail(db_code::index_broken, file.view());
            continue;
        }
        if (auto index = open_index(table, fs, mode, file.view(), error))
            table.indexes[static_cast<std::size_t>(table.index_count++)] = std::move(index);
    }
    // Only an attached index makes them active: a list whose files all
    // failed leaves the table in its physical order.
    table.indexes_active = table.index_count > 0;
}

std::int32_t seek_index(Table& table, std::string_view text, NdxMatch match, DbError& error)
{
    table.found = false;
    if (!table.indexes_active || table.index_count == 0)
        return 0;
    NdxIndex& index = *table.indexes[0];
    NdxKey key;
    NdxStatus status = index.search_key(text, match, key);
    std::int32_t record = 0;
    if (status.ok())
        status = index.search(key, match, record);
    note(error, status);
    if (!status.ok() || record < 1)
        return 0;
    if (static_cast<std::uint32_t>(record) > table.record_count) {
        char detail[64];
        std::snprintf(detail, sizeof detail, "Datensatz %d nicht in der gefunden.", static_cast<int>(record));
        error.fail(db_code::record_range, detail);
        return 0;
    }
    if (!read_record(table, static_cast<std::uint32_t>(record), error))
        return 0;
    table.found = true;
    return static_cast<std::int32_t>(table.current);
}

void make_index(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view expression,
                std::string_view name, DbError& error)
{
    drop_indexes(table, error);
    if (trim_blanks(expression).empty())
        return;
    std::vector<NdxField> fields = index_fields(table);
    NdxDefinition definition;
    // A definition the index cannot hold ends here, before any file is
    // created: an index built from it would hold wrong keys.
    if (NdxStatus status = define_index(expression, fields, definition); !status.ok()) {
        note(error, status);
        return;
    }
    error.clear();
    ShortString file = index_file_name(name);
    FsCode code = fs_code::ok;
    auto storage = open_index_storage(fs, mode, file.view(), FileCreation::CreateAlways, code);
    if (!storage) {
        error.fail(code, file.view());
        return;
    }
    auto index = std::make_unique<NdxIndex>();
    NdxStatus status = index->create(file.view(), std::move(storage), definition, fields);
    if (!status.ok()) {
        note(error, status);
        return;
    }
    NdxIndex& built = *index;
    table.indexes[0] = std::move(index);
    table.index_count = 1;
    for (std::uint32_t n = 1; n <= table.record_count; ++n) {
        if (!read_record(table, n, error))
            break;
        status = built.update(table.record, static_cast<std::int32_t>(n), 0, NdxUpdate::BuildOnly);
        note(error, status);
        // A record whose key is no number stays out; a broken file ends it.
        if (!status.ok() && status.code != ndx_code::not_a_number)
            break;
    }
    table.indexes_active = true;
    go_to(table, Move::First, 0, error);
}

namespace {

void fn_dbindex(Runtime& rt)
{
    auto list = arg_text(rt, ')');
    if (!list) {
        result_integer(rt, 0);
        return;
    }
    Table* table = current_table_or_error(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    DbError& error = rt.tables.error;
    error.clear();
    attach_indexes(*table, rt.host.files(), rt.files.mode, list->view(), error);
    result_integer(rt, error.is_set() ? 0 : 1);
    error.clear();
}

void fn_dbseek(Runtime& rt)
{
    auto text = arg_text(rt, ',');
    auto exact = text ? arg_integer(rt, ')') : Arg<std::int32_t>{};
    if (!exact) {
        result_integer(rt, 0);
        return;
    }
    Table* table = current_table_or_error(rt);
    if (!table) {
        result_integer(rt, 0);
        return;
    }
    ShortString key = text_to_table(rt, text->view());
    NdxMatch match = *exact == 0 ? NdxMatch::Prefix : NdxMatch::Exact;
    // @DBSEEK leaves a failure in the dB error state for the next table
    // function to report.
    result_integer(rt, seek_index(*table, key.view(), match, rt.tables.error));
}

void cmd_makeindex(Runtime& rt)
{
    auto expression = arg_text(rt, '>');
    auto name = expression ? arg_text(rt, rest_of_text) : Arg<ShortString>{};
    if (!name)
        return;
    std::string_view file = name->view();
    if (!is_index_file_name(file)) {
        rt.fatal(Msg::DbBadIndexFileName, file);
        return;
    }
    Table* table = current_table_or_error(rt);
    if (!table)
        return;
    DbError& error = rt.tables.error;
    error.clear();
    make_index(*table, rt.host.files(), rt.files.mode, expression->view(), file, error);
    if (trim_blanks(expression->view()).empty())
        return;
    report_db_warning(rt);
    error.clear();
    go_to(*table, Move::First, 0, error);
    report_db_warning(rt);
}

constexpr FunctionEntry functions[] = {
    {Fn::Dbindex, fn_dbindex},
    {Fn::Dbseek, fn_dbseek},
};

constexpr CommandEntry commands[] = {
    {Tok::Makeindex, cmd_makeindex},
};

} // namespace

std::span<const FunctionEntry> index_commands_functions() { return functions; }
std::span<const CommandEntry> index_commands() { return commands; }

} // namespace talven
