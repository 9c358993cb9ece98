// ODBC access: @SQLINIT connects through the platform's driver manager,
// SQLEXEC runs one statement and delivers its result set as text lines to
// the main window, the element list or the file SQL.DAT, SQLDONE
// disconnects. The driver manager is reached through its ODBC 2.x entry
// points, declared here by hand so that no ODBC headers are needed.
#include "data/odbc.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/conversions.h"
#include "values/function_results.h"
#include "window/main_window.h"

namespace talven {

namespace sql {

#if defined(_WIN32) && !defined(_WIN64)
#define TALVEN_ODBC_CALL __stdcall
#else
#define TALVEN_ODBC_CALL
#endif

using Handle = void*;
using Return = std::int16_t;
using SmallInt = std::int16_t;
using USmallInt = std::uint16_t;
using Integer = std::int32_t;
// Pointer-sized on 64-bit Windows and with unixODBC on 64-bit Linux.
using Len = std::intptr_t;
using ULen = std::uintptr_t;

constexpr Return success = 0;
constexpr Return success_with_info = 1;
constexpr Return no_data = 100;
constexpr Integer nts = -3;
constexpr SmallInt c_char = 1;
constexpr Len null_data = -1;
constexpr USmallInt commit = 0;
constexpr USmallInt drop = 1;
constexpr USmallInt driver_complete = 1;
constexpr USmallInt driver_prompt = 2;

bool ok(Return r) { return r == success || r == success_with_info; }

using AllocEnv = Return(TALVEN_ODBC_CALL*)(Handle*);
using AllocConnect = Return(TALVEN_ODBC_CALL*)(Handle, Handle*);
using AllocStmt = Return(TALVEN_ODBC_CALL*)(Handle, Handle*);
using DriverConnect = Return(TALVEN_ODBC_CALL*)(Handle, Handle, const char*, SmallInt, char*, SmallInt, SmallInt*,
                                                USmallInt);
using ExecDirect = Return(TALVEN_ODBC_CALL*)(Handle, const char*, Integer);
using NumResultCols = Return(TALVEN_ODBC_CALL*)(Handle, SmallInt*);
using DescribeCol = Return(TALVEN_ODBC_CALL*)(Handle, USmallInt, char*, SmallInt, SmallInt*, SmallInt*, ULen*,
                                              SmallInt*, SmallInt*);
using BindCol = Return(TALVEN_ODBC_CALL*)(Handle, USmallInt, SmallInt, void*, Len, Len*);
using Fetch = Return(TALVEN_ODBC_CALL*)(Handle);
using RowCount = Return(TALVEN_ODBC_CALL*)(Handle, Len*);
using Transact = Return(TALVEN_ODBC_CALL*)(Handle, Handle, USmallInt);
using FreeStmt = Return(TALVEN_ODBC_CALL*)(Handle, USmallInt);
using Disconnect = Return(TALVEN_ODBC_CALL*)(Handle);
using FreeConnect = Return(TALVEN_ODBC_CALL*)(Handle);
using FreeEnv = Return(TALVEN_ODBC_CALL*)(Handle);
using Error = Return(TALVEN_ODBC_CALL*)(Handle, Handle, Handle, char*, Integer*, char*, SmallInt, SmallInt*);

// The sixteen entry points the runtime binds.
struct EntryPoints {
    RowCount row_count = nullptr;
    AllocEnv alloc_env = nullptr;
    Error error = nullptr;
    DescribeCol describe_col = nullptr;
    BindCol bind_col = nullptr;
    FreeEnv free_env = nullptr;
    AllocConnect alloc_connect = nullptr;
    AllocStmt alloc_stmt = nullptr;
    FreeConnect free_connect = nullptr;
    ExecDirect exec_direct = nullptr;
    Fetch fetch = nullptr;
    Disconnect disconnect = nullptr;
    Transact transact = nullptr;
    FreeStmt free_stmt = nullptr;
    NumResultCols num_result_cols = nullptr;
    DriverConnect driver_connect = nullptr;
};

} // namespace sql

struct OdbcSession {
    explicit OdbcSession(OdbcLibrary& library_) : library(library_) {}
    ~OdbcSession()
    {
        if (connected)
            api.disconnect(connection);
        if (connection)
            api.free_connect(connection);
        if (environment)
            api.free_env(environment);
        library.unload();
    }
    OdbcSession(const OdbcSession&) = delete;
    OdbcSession& operator=(const OdbcSession&) = delete;

    OdbcLibrary& library;
    sql::EntryPoints api;
    sql::Handle environment = nullptr;
    sql::Handle connection = nullptr;
    bool connected = false;
};

OdbcState::OdbcState() = default;
OdbcState::~OdbcState() = default;

namespace {

// The most a column's text buffer holds: a driver may report a size of 2^31
// for text without a bound, and the display width cuts longer values anyway.
constexpr std::uint64_t widest_column = 65535;
// The runtime has room for this many result columns.
constexpr int column_capacity = 129;
// A column name up to 129 bytes, and its terminating zero.
constexpr sql::SmallInt name_buffer_size = 130;
constexpr std::string_view result_file = "SQL.DAT";
constexpr std::string_view newline = "\r\n";
// SQL.DAT is written in pieces of about this size.
constexpr std::size_t file_chunk = 1 << 16;

template <class F>
bool bind(OdbcLibrary& library, const char* name, F& entry)
{
    entry = reinterpret_cast<F>(library.symbol(name));
    return entry != nullptr;
}

bool bind_all(OdbcLibrary& library, sql::EntryPoints& api)
{
    // Every entry point is bound, so that a missing one cannot be called.
    bool all = bind(library, "SQLRowCount", api.row_count);
    all &= bind(library, "SQLAllocEnv", api.alloc_env);
    all &= bind(library, "SQLError", api.error);
    all &= bind(library, "SQLDescribeCol", api.describe_col);
    all &= bind(library, "SQLBindCol", api.bind_col);
    all &= bind(library, "SQLFreeEnv", api.free_env);
    all &= bind(library, "SQLAllocConnect", api.alloc_connect);
    all &= bind(library, "SQLAllocStmt", api.alloc_stmt);
    all &= bind(library, "SQLFreeConnect", api.free_connect);
    all &= bind(library, "SQLExecDirect", api.exec_direct);
    all &= bind(library, "SQLFetch", api.fetch);
    all &= bind(library, "SQLDisconnect", api.disconnect);
    all &= bind(library, "SQLTransact", api.transact);
    all &= bind(library, "SQLFreeStmt", api.free_stmt);
    all &= bind(library, "SQLNumResultCols", api.num_result_cols);
    all &= bind(library, "SQLDriverConnect", api.driver_connect);
    return all;
}

enum class Connect { Connected, Refused, NoLibrary };

// Loads the driver manager and connects. On anything but success nothing
// stays allocated and the library is unloaded again.
Connect connect(Runtime& rt, std::string_view connection_string)
{
    OdbcLibrary& library = rt.host.odbc_library();
    if (!library.load())
        return Connect::NoLibrary;
    auto session = std::make_unique<OdbcSession>(library);
    if (!bind_all(library, session->api))
        return Connect::NoLibrary;
    sql::EntryPoints& api = session->api;
    if (!sql::ok(api.alloc_env(&session->environment))) {
        session->environment = nullptr;
        return Connect::Refused;
    }
    if (!sql::ok(api.alloc_connect(session->environment, &session->connection))) {
        session->connection = nullptr;
        return Connect::Refused;
    }
    std::string text = library.to_driver(connection_string);
    char out[256] = {};
    sql::SmallInt out_length = 0;
    auto length = static_cast<sql::SmallInt>(std::min<std::size_t>(text.size(), 0x7FFF));
    sql::Return r = api.driver_connect(session->connection, nullptr, text.c_str(), length, out, sizeof out,
                                       &out_length, text.empty() ? sql::driver_prompt : sql::driver_complete);
    if (!sql::ok(r))
        return Connect::Refused;
    session->connected = true;
    rt.odbc.session = std::move(session);
    return Connect::Connected;
}

void fn_sqlinit(Runtime& rt)
{
    ShortString connection_string = *arg_text(rt, ')');
    // A second connection first ends the one before.
    rt.odbc.session.reset();
    Connect outcome = connect(rt, connection_string.view());
    if (outcome == Connect::NoLibrary)
        rt.fatal(Msg::OdbcInitFailed);
    result_integer(rt, outcome == Connect::Connected ? 1 : 0);
}

// The driver's message without the bracketed names of the components it
// passed through, in a box of its own.
void show_odbc_error(Runtime& rt, OdbcSession& session, sql::Handle statement)
{
    char state[6] = {};
    sql::Integer native = 0;
    char message[241] = {};
    sql::SmallInt length = 0;
    std::string text;
    if (sql::ok(session.api.error(session.environment, session.connection, statement, state, &native, message,
                                  sizeof message, &length))) {
        std::string_view shown(message, strnlen(message, sizeof message - 1));
        if (auto bracket = shown.rfind(']'); bracket != std::string_view::npos)
            shown.remove_prefix(bracket + 1);
        text = session.library.from_driver(shown);
    }
    rt.host.message_box(text, message_text(Msg::OdbcError), BoxIcon::Error, BoxButtons::Ok);
}

struct Column {
    std::int32_t width = 0;
    std::vector<char> buffer;
    sql::Len indicator = 0;
};

// Where the lines of a result go.
class ResultLines {
public:
    ResultLines(Runtime& rt, std::int32_t mode) : m_rt(rt), m_mode(mode) {}
    ResultLines(const ResultLines&) = delete;
    ResultLines& operator=(const ResultLines&) = delete;
    ~ResultLines() { close(); }

    bool to_window() const { return m_mode == 0; }
    bool to_list() const { return m_mode == 1; }
    bool to_file() const { return m_mode == 2; }

    bool create_file()
    {
        OpenResult opened =
            m_rt.host.files().open(result_file, FileAccess::Write, FileSharing::DenyNone, FileCreation::CreateAlways);
        m_file = std::move(opened.file);
        return opened.code == fs_code::ok && m_file;
    }

    void deliver(std::string_view line)
    {
        if (to_window()) {
            ensure_window(m_rt);
            m_rt.screen.write(m_rt.host, line);
            m_rt.screen.write(m_rt.host, newline);
        } else if (to_list()) {
            auto& entries = m_rt.elements.entries;
            if (static_cast<std::int32_t>(entries.size()) < ElementList::capacity) {
                entries.emplace_back(line);
            } else if (!m_list_full) {
                m_list_full = true;
                m_rt.warning(Msg::ResultTooLarge);
            }
        } else if (to_file() && m_file) {
            m_pending.append(line);
            m_pending.append(newline);
            if (m_pending.size() >= file_chunk)
                flush();
        }
    }

    void close()
    {
        if (!m_file)
            return;
        flush();
        m_file->close();
        m_file.reset();
    }

private:
    void flush()
    {
        if (!m_pending.empty())
            m_file->write(m_pending.data(), m_pending.size());
        m_pending.clear();
    }

    Runtime& m_rt;
    std::int32_t m_mode;
    std::unique_ptr<HostFileHandle> m_file;
    std::string m_pending;
    bool m_list_full = false;
};

// The text cut or padded with blanks to the width, then the separator.
void append_cell(std::string& line, std::string_view text, std::int32_t width, std::string_view separator)
{
    auto w = static_cast<std::size_t>(width);
    text = text.substr(0, w);
    line.append(text);
    line.append(w - text.size(), ' ');
    line.append(separator);
}

void append_quoted(std::string& line, std::string_view text, const OdbcState& state)
{
    line.append(state.quote.view());
    line.append(text);
    line.append(state.quote.view());
    line.append(state.separator.view());
}

// A statement handle, dropped however the statement ends (a warning's
// Cancel ends the program from inside it).
class Statement {
public:
    explicit Statement(sql::EntryPoints& api) : m_api(api) {}
    ~Statement() { drop(); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sql::Handle* out() { return &m_handle; }
    sql::Handle get() const { return m_handle; }
    void drop()
    {
        if (m_handle)
            m_api.free_stmt(m_handle, sql::drop);
        m_handle = nullptr;
    }

private:
    sql::EntryPoints& m_api;
    sql::Handle m_handle = nullptr;
};

// The result set of a statement that ran, delivered line by line; false
// when it was refused and nothing was delivered.
bool deliver_result(Runtime& rt, OdbcSession& session, sql::Handle statement, sql::SmallInt count,
                    std::int32_t mode)
{
    OdbcState& state = rt.odbc;
    if (count > column_capacity) {
        state.row_count = -1;
        rt.warning(Msg::ResultTooLarge);
        return false;
    }
    ResultLines out(rt, mode);
    if (out.to_file() && !out.create_file()) {
        rt.fatal(Msg::ResultFileNotOpened);
        return false;
    }
    std::vector<Column> columns(static_cast<std::size_t>(count));
    std::string line;
    for (sql::SmallInt i = 0; i < count; ++i) {
        Column& column = columns[static_cast<std::size_t>(i)];
        char name[name_buffer_size] = {};
        sql::SmallInt name_length = 0;
        sql::SmallInt type = 0;
        sql::ULen size = 0;
        sql::SmallInt decimals = 0;
        sql::SmallInt nullable = 0;
        auto number = static_cast<sql::USmallInt>(i + 1);
        session.api.describe_col(statement, number, name, name_buffer_size, &name_length, &type, &size, &decimals,
                                 &nullable);
        std::string shown = session.library.from_driver(std::string_view(name, strnlen(name, sizeof name - 1)));
        column.width = odbc_display_width(type, size, shown.size());
        if (out.to_file())
            append_quoted(line, shown, state);
        else
            append_cell(line, shown, column.width, state.separator.view());
        // Room for the terminating zero too: a value as wide as its column
        // keeps its last character.
        column.buffer.assign(static_cast<std::size_t>(column.width) + 1, '\0');
        session.api.bind_col(statement, number, sql::c_char, column.buffer.data(),
                             static_cast<sql::Len>(column.buffer.size()), &column.indicator);
    }
    out.deliver(line);
    if (!out.to_file()) {
        line.clear();
        for (const Column& column : columns)
            line.append(static_cast<std::size_t>(column.width) + 1, '-');
        out.deliver(line);
    }
    while (sql::ok(session.api.fetch(statement))) {
        line.clear();
        for (const Column& column : columns) {
            std::string value;
            std::string_view text = state.null_text.view();
            if (column.indicator != sql::null_data) {
                value = session.library.from_driver(
                    std::string_view(column.buffer.data(), strnlen(column.buffer.data(), column.buffer.size() - 1)));
                text = value;
            }
            if (out.to_file())
                append_quoted(line, text, state);
            else
                append_cell(line, text, column.width, state.separator.view());
        }
        out.deliver(line);
        ++state.row_count;
    }
    return true;
}

// SQL statement, output mode: 0 the main window, 1 the element list, 2 the
// file SQL.DAT.
void cmd_sqlexec(Runtime& rt)
{
    auto statement_text = arg_text(rt, ',');
    if (!statement_text)
        return;
    auto mode = arg_integer(rt, rest_of_text);
    if (!mode)
        return;
    OdbcState& state = rt.odbc;
    if (!state.session) {
        rt.fatal(Msg::OdbcNotInitialised);
        return;
    }
    state.row_count = 0;
    OdbcSession& session = *state.session;
    sql::EntryPoints& api = session.api;
    Statement statement(api);
    if (!sql::ok(api.alloc_stmt(session.connection, statement.out()))) {
        *statement.out() = nullptr;
        state.row_count = -1;
        show_odbc_error(rt, session, nullptr);
        return;
    }
    std::string text = session.library.to_driver(statement_text->view());
    sql::Return r = api.exec_direct(statement.get(), text.c_str(), sql::nts);
    // No data: a statement that changed no rows.
    if (!sql::ok(r) && r != sql::no_data) {
        state.row_count = -1;
        show_odbc_error(rt, session, statement.get());
        return;
    }
    sql::SmallInt count = 0;
    api.num_result_cols(statement.get(), &count);
    if (count > 0) {
        if (!deliver_result(rt, session, statement.get(), count, *mode))
            return;
    } else {
        sql::Len changed = 0;
        api.row_count(statement.get(), &changed);
        // Committed in either case: on a connection without auto-commit the
        // changes would otherwise be lost at the disconnect.
        api.transact(session.environment, session.connection, sql::commit);
        if (changed < 1) {
            state.row_count = 0;
            if (*mode == 0) {
                ensure_window(rt);
                rt.screen.write(rt.host, message_text(Msg::OperationSucceeded));
                rt.screen.write(rt.host, newline);
            }
        } else {
            state.row_count = static_cast<std::int32_t>(std::min<sql::Len>(changed, 0x7FFFFFFF));
            if (*mode == 0) {
                ensure_window(rt);
                rt.screen.write(rt.host, std::to_string(state.row_count));
                rt.screen.write(rt.host, message_text(Msg::RecordsProcessed));
                rt.screen.write(rt.host, newline);
            }
        }
    }
    statement.drop();
    if (*mode == 0) {
        ensure_window(rt);
        rt.screen.write(rt.host, newline);
    }
}

void cmd_sqldone(Runtime& rt)
{
    if (!rt.odbc.session) {
        rt.fatal(Msg::OdbcNotInitialised);
        return;
    }
    rt.odbc.session.reset();
}

void cmd_sqlseparators(Runtime& rt)
{
    auto text = arg_text(rt, rest_of_text);
    if (!text)
        return;
    std::string_view t = text->view();
    rt.odbc.separator = t.substr(0, std::min<std::size_t>(t.size(), 1));
    rt.odbc.quote = t.size() > 1 ? t.substr(1, 1) : std::string_view();
}

void cmd_sqlnulltext(Runtime& rt)
{
    auto text = arg_text(rt, rest_of_text);
    if (text)
        rt.odbc.null_text = *text;
}

void sys_sqlcount(Runtime& rt) { rt.value.long_integer = rt.odbc.row_count; }

constexpr CommandEntry commands[] = {
    {Tok::Sqlnulltext, cmd_sqlnulltext},
    {Tok::Sqlseparators, cmd_sqlseparators},
    {Tok::Sqlexec, cmd_sqlexec},
    {Tok::Sqldone, cmd_sqldone},
};

constexpr FunctionEntry functions[] = {
    {Fn::Sqlinit, fn_sqlinit},
};

constexpr SysVarEntry sysvars[] = {
    {SysVar::Sqlcount, sys_sqlcount},
};

} // namespace

std::int32_t odbc_display_width(std::int16_t sql_type, std::uint64_t size, std::size_t name_length)
{
    std::uint64_t s = std::min(size, widest_column);
    std::uint64_t width = 0;
    switch (sql_type) {
    case 2:   // NUMERIC
    case 3:   // DECIMAL
        width = s + 2;
        break;
    case 4:   // INTEGER
    case 9:   // DATE
        width = 11;
        break;
    case 5:   // SMALLINT
        width = 6;
        break;
    case 6:   // FLOAT
    case 8:   // DOUBLE
        width = 22;
        break;
    case 7:   // REAL
        width = 13;
        break;
    case 10:  // TIME
        width = 8;
        break;
    case 11:  // TIMESTAMP
        width = 23;
        break;
    case -7:  // BIT
        width = 1;
        break;
    case -6:  // TINYINT
        width = 4;
        break;
    case -5:  // BIGINT
        width = 20;
        break;
    case -2:  // BINARY
    case -3:  // VARBINARY
        width = 2 * s;
        break;
    case -1:  // LONGVARCHAR
        width = 50;
        break;
    default:  // CHAR, VARCHAR and the rest
        width = s + 1;
        break;
    }
    width = std::max<std::uint64_t>(width, name_length);
    return static_cast<std::int32_t>(std::min(width, widest_column));
}

std::span<const CommandEntry> odbc_commands() { return commands; }
std::span<const FunctionEntry> odbc_functions() { return functions; }
std::span<const SysVarEntry> odbc_sysvars() { return sysvars; }

} // namespace talven
