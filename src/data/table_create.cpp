// DBCREATE: reads the description, checks every line, and only then writes
// the empty table and, with memo fields, its memo file.
#include "data/table_create.h"

#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "data/block_file.h"
#include "data/table.h"
#include "values/conversions.h"

namespace talven {

namespace {

struct NewField {
    ShortString name;
    char type = 'C';
    std::uint8_t length = 0;
    std::uint8_t decimals = 0;
};

std::optional<long> number_of(std::string_view text)
{
    long value = 0;
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

bool read_description(HostFileSystem& fs, std::uint8_t mode, std::string_view name, std::string& text, DbError& error)
{
    BlockFile file(cache_size::table, 1);
    file.bind(name);
    DbError open_error;
    if (file.open(fs, mode, FileCreation::OpenExisting, open_error) != fs_code::ok) {
        error.fail(db_code::description_missing, name);
        return false;
    }
    char chunk[4096];
    std::int64_t at = 0;
    while (std::size_t got = file.read(at, sizeof chunk, chunk, error)) {
        text.append(chunk, got);
        at += static_cast<std::int64_t>(got);
        if (got < sizeof chunk)
            break;
    }
    return !error.is_set();
}

// One description line; false with the dB error state set when it fails.
bool parse_line(std::string_view line, std::vector<NewField>& fields, DbError& error)
{
    std::string_view parts[4];
    for (int i = 0; i < 4; ++i) {
        std::size_t comma = line.find(',');
        parts[i] = trim_blanks(line.substr(0, comma));
        line = comma == std::string_view::npos ? std::string_view() : line.substr(comma + 1);
    }
    NewField f;
    f.name = parts[0].substr(0, 10);
    upper_ansi(f.name);
    for (const NewField& earlier : fields) {
        if (earlier.name.view() == f.name.view()) {
            error.fail(db_code::duplicate_field, f.name.view());
            return false;
        }
    }
    char type = parts[1].empty() ? 'C' : upper_ansi(parts[1].front());
    f.type = std::string_view("CDLMN").find(type) == std::string_view::npos ? 'C' : type;
    switch (f.type) {
    case 'D': f.length = 8; break;
    case 'L': f.length = 1; break;
    case 'M': f.length = 10; break;
    default: {
        // A length that does not fit in the descriptor's byte is refused,
        // not cut to its low byte.
        auto length = number_of(parts[2]);
        if (!length || *length < 1 || *length > 255) {
            error.fail(db_code::bad_field_length, f.name.view());
            return false;
        }
        f.length = static_cast<std::uint8_t>(*length);
    }
    }
    if (f.type == 'N') {
        auto decimals = number_of(parts[3]);
        if (!decimals || *decimals < 0 || *decimals > f.length) {
            error.fail(db_code::bad_decimals, f.name.view());
            return false;
        }
        f.decimals = static_cast<std::uint8_t>(*decimals);
    }
    fields.push_back(f);
    return true;
}

ShortString memo_file_of(std::string_view table_name)
{
    std::size_t cut = table_name.size();
    std::size_t dot = table_name.find_last_of('.');
    std::size_t separator = table_name.find_last_of("\\/:");
    if (dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator))
        cut = dot;
    ShortString name(table_name.substr(0, cut));
    name.append(".DBT");
    return name;
}

} // namespace

namespace {

bool create(HostFileSystem& fs, std::uint8_t mode, std::string_view description, std::string_view table_name,
            const LocalTime& today, DbError& error)
{
    std::string text;
    if (!read_description(fs, mode, description, text, error))
        return false;
    std::vector<NewField> fields;
    std::string_view rest(text);
    while (!rest.empty()) {
        std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        // Blank lines (a trailing line end, a gap) describe nothing.
        if (trim_blanks(line).empty())
            continue;
        if (fields.size() == static_cast<std::size_t>(field_capacity)) {
            error.fail(db_code::bad_field_length, trim_blanks(line).substr(0, 10));
            return false;
        }
        if (!parse_line(line, fields, error))
            return false;
    }
    bool with_memo = false;
    std::uint32_t record_length = 1;
    for (const NewField& f : fields) {
        with_memo |= f.type == 'M';
        record_length += f.length;
    }
    std::uint32_t header_length = 32u * static_cast<std::uint32_t>(fields.size()) + 33u;
    std::vector<std::uint8_t> bytes(header_length + 1, 0);
    bytes[0] = with_memo ? dbf_version_memo : dbf_version;
    bytes[1] = static_cast<std::uint8_t>(today.year - 1900);
    bytes[2] = static_cast<std::uint8_t>(today.month);
    bytes[3] = static_cast<std::uint8_t>(today.day);
    bytes[8] = static_cast<std::uint8_t>(header_length);
    bytes[9] = static_cast<std::uint8_t>(header_length >> 8);
    bytes[10] = static_cast<std::uint8_t>(record_length);
    bytes[11] = static_cast<std::uint8_t>(record_length >> 8);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        std::uint8_t* d = bytes.data() + 32 + 32 * i;
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = static_cast<std::uint8_t>(fields[i].type);
        d[16] = fields[i].length;
        d[17] = fields[i].decimals;
    }
    bytes[header_length - 1] = descriptors_end;
    bytes[header_length] = end_of_file_mark;

    BlockFile table(cache_size::table, 1);
    table.bind(table_name);
    if (table.create(fs, mode, error) != fs_code::ok)
        return false;
    table.write(0, bytes.size(), bytes.data(), error);
    if (FsCode code = table.close())
        error.fail(code, table_name);
    if (error.is_set() || !with_memo)
        return !error.is_set();
    std::vector<std::uint8_t> memo(memo_block_size + 1, 0);
    memo[0] = 1;
    memo[memo_block_size] = end_of_file_mark;
    BlockFile dbt(cache_size::memo, 1);
    dbt.bind(memo_file_of(table_name).view());
    if (dbt.create(fs, mode, error) != fs_code::ok)
        return false;
    dbt.write(0, memo.size(), memo.data(), error);
    if (FsCode code = dbt.close())
        error.fail(code, dbt.name().view());
    return !error.is_set();
}

} // namespace

bool create_table(HostFileSystem& fs, std::uint8_t mode, std::string_view description, std::string_view table_name,
                  const LocalTime& today, DbError& error)
{
    DbError mine;
    bool created = create(fs, mode, description, table_name, today, mine);
    error.absorb(mine);
    return created;
}

} // namespace talven
