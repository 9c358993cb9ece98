// Calls into libraries. A declared function of a 32-bit library is loaded,
// called with the long views of its parameter slots and released again; one
// of a 16-bit library goes to the bridge program TALV16 through a parameter
// file, whose layout, name and marker file are the bridge's interface and
// stay as they are. Port I/O is refused by every platform we run on: the
// port commands do nothing and the port functions give 0.
#include "system/dll_calls.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <memory>
#include <string>
#include <vector>

#include "core/dispatch.h"
#include "core/little_endian.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/function_results.h"

namespace talven {
namespace {

LibraryHost& libraries(Runtime& rt) { return rt.host.libraries(); }

// The next item of a definition line; a damaged line that ends early
// names nothing, and the call fails as one of an empty name.
Arg<ShortString> definition_item(Runtime& rt)
{
    if (!arguments_left(rt))
        return {ShortString(), true};
    return arg_text(rt, ',', Expect::String);
}

std::uint32_t library_call(Runtime& rt, std::int32_t count)
{
    LibraryHost& host = libraries(rt);
    auto library_name = definition_item(rt);
    if (!library_name)
        return 0;
    std::uint32_t library = library_name->empty() ? 0 : host.load_library(library_name->view());
    if (library == 0) {
        rt.fatal(Msg::DllLoadFailed, library_name->view());
        return 0;
    }
    auto function_name = definition_item(rt);
    void* function = function_name && !function_name->empty() ? host.find_function(library, function_name->view())
                                                               : nullptr;
    if (!function) {
        // Released first: in error mode -1 the report returns, and the
        // library must not stay loaded behind the program's back.
        host.free_library(library);
        if (function_name)
            rt.fatal(Msg::DllFunctionMissing, function_name->view());
        return 0;
    }
    std::array<std::uint32_t, 12> arguments{};
    for (std::int32_t i = 1; i <= count; ++i)
        arguments[static_cast<std::size_t>(i - 1)] =
            static_cast<std::uint32_t>(rt.flow.slots[static_cast<std::size_t>(i)].long_integer);
    std::uint32_t result = host.call_function(function, arguments.data(), count);
    host.free_library(library);
    return result;
}

} // namespace

void call_library_function(Runtime& rt, std::int32_t count)
{
    std::uint32_t result = library_call(rt, count);
    result_long(rt, static_cast<std::int32_t>(result));
}

// --- the bridge for 16-bit libraries ---------------------------------------------

namespace {

// What the system reports when a file to be created new exists already.
constexpr FsCode file_exists = 80;
// Numbers tried before the current directory counts as full of others' files.
constexpr int parameter_file_attempts = 1000;

// "P", the number's decimal text (its last 7 digits when longer), ".$".
std::string parameter_file_name(std::uint32_t number)
{
    std::string digits = std::to_string(number);
    if (digits.size() > 7)
        digits.erase(0, digits.size() - 7);
    return "P" + digits + ".$";
}

struct ParameterFile {
    std::string name;  // full path
    std::unique_ptr<HostFileHandle> file;
};

// A parameter file of a number greater than the last one used, created new
// in the current directory so that another runtime's file is never taken
// over; nothing after error 301.
std::optional<ParameterFile> create_parameter_file(Runtime& rt)
{
    HostFileSystem& files = rt.host.files();
    std::uint32_t number = rt.host.tick_count();
    std::string name;
    for (int attempt = 0; attempt < parameter_file_attempts; ++attempt) {
        if (number <= rt.dll.last_parameter_file)
            number = rt.dll.last_parameter_file + 1;
        rt.dll.last_parameter_file = number;
        name = parameter_file_name(number);
        auto full = files.full_path(name);
        if (!full)
            break;
        name = std::string(full->view());
        OpenResult opened = files.open(name, FileAccess::Write, FileSharing::DenyNone, FileCreation::CreateNew);
        if (opened.file)
            return ParameterFile{name, std::move(opened.file)};
        if (opened.code != file_exists && opened.code != fs_code::already_exists)
            break;
    }
    rt.fatal(Msg::FileNotCreatable, name);
    return std::nullopt;
}

// A memory area handed over: where its block stands in the file, and the
// area's address and size when it was written (no area: nothing comes back).
struct AreaBlockAt {
    std::uint64_t position = 0;
    std::int32_t address = 0;
    std::uint32_t size = 0;
    bool found = false;
};

// The bridge's files and process, gone on every way out of the call (the
// pump may end the program while the bridge runs).
class BridgeRun {
public:
    explicit BridgeRun(Runtime& rt) : m_rt(rt) {}
    ~BridgeRun()
    {
        if (m_process)
            libraries(m_rt).release_process(m_process);
        if (!m_marker.empty() && libraries(m_rt).file_exists(m_marker))
            m_rt.host.files().remove(m_marker);
        if (!m_parameters.empty())
            m_rt.host.files().remove(m_parameters);
    }
    BridgeRun(const BridgeRun&) = delete;
    BridgeRun& operator=(const BridgeRun&) = delete;

    void parameter_file(std::string name)
    {
        m_parameters = std::move(name);
        m_marker = m_parameters + "!";
    }
    const std::string& parameters() const { return m_parameters; }
    const std::string& marker() const { return m_marker; }
    void process(std::uint32_t process) { m_process = process; }

    // Until the marker file exists, with the window's messages processed; false
    // when the bridge ended without making it.
    bool wait_for_marker()
    {
        LibraryHost& host = libraries(m_rt);
        for (;;) {
            if (host.file_exists(m_marker))
                return true;
            if (host.process_ended(m_process, 10))
                return host.file_exists(m_marker);
            pump(m_rt);
        }
    }

private:
    Runtime& m_rt;
    std::string m_parameters;
    std::string m_marker;
    std::uint32_t m_process = 0;
};

void put_le32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::size_t at = out.size();
    out.resize(at + 4);
    write_le32(out.data() + at, value);
}

bool read_exactly(HostFileHandle& file, void* buffer, std::size_t size)
{
    return file.read(buffer, size).bytes == size;
}

// The areas' blocks and the result as the bridge left them. A block comes
// back into its area only whole and at most as long as it went out; a file
// the bridge cut short changes nothing of what is missing.
std::uint32_t read_back(Runtime& rt, HostFileHandle& file, const std::vector<AreaBlockAt>& blocks,
                        std::uint64_t result_position)
{
    std::vector<std::uint8_t> bytes;
    for (const AreaBlockAt& block : blocks) {
        if (!block.found || file.seek(static_cast<std::int64_t>(block.position)) != fs_code::ok)
            continue;
        std::uint8_t size[4];
        if (!read_exactly(file, size, sizeof size))
            continue;
        std::uint32_t length = std::min(read_le32(size), block.size);
        bytes.resize(length);
        if (!read_exactly(file, bytes.data(), length))
            continue;
        AreaBlock* area = rt.variables.find_area_by_address(block.address);
        if (area && area->size >= 0 && length <= static_cast<std::uint32_t>(area->size))
            std::memcpy(area->block, bytes.data(), length);
    }
    std::uint8_t result[4];
    if (file.seek(static_cast<std::int64_t>(result_position)) != fs_code::ok || !read_exactly(file, result, 4))
        return 0;
    return read_le32(result);
}

std::uint32_t bridge_call(Runtime& rt, std::int32_t count)
{
    auto library_name = definition_item(rt);
    if (!library_name)
        return 0;
    auto function_name = definition_item(rt);
    if (!function_name)
        return 0;
    auto description = definition_item(rt);
    if (!description)
        return 0;
    if (static_cast<std::int32_t>(description->size()) != count) {
        rt.fatal(Msg::ParameterDescriptionCount);
        return 0;
    }
    for (char type : description->view()) {
        if (type != '%' && type != '&' && type != '#') {
            rt.fatal(Msg::ParameterDescriptionType);
            return 0;
        }
    }
    auto result_type = definition_item(rt);
    if (!result_type)
        return 0;

    // The parameters in the order of the description, then the result slot.
    std::vector<std::uint8_t> out;
    std::vector<AreaBlockAt> blocks;
    for (std::int32_t i = 1; i <= count; ++i) {
        const ParameterSlot& slot = rt.flow.slots[static_cast<std::size_t>(i)];
        switch ((*description)[static_cast<std::size_t>(i - 1)]) {
        case '%':
            out.push_back(static_cast<std::uint8_t>(slot.integer));
            out.push_back(static_cast<std::uint8_t>(slot.integer >> 8));
            break;
        case '&':
            put_le32(out, static_cast<std::uint32_t>(slot.long_integer));
            break;
        default: {
            AreaBlockAt block;
            block.position = out.size();
            block.address = slot.long_integer;
            const AreaBlock* area = rt.variables.find_area_by_address(slot.long_integer);
            block.found = area != nullptr;
            block.size = area && area->size > 0 ? static_cast<std::uint32_t>(area->size) : 0;
            put_le32(out, block.size);
            if (block.size)
                out.insert(out.end(), area->block, area->block + block.size);
            blocks.push_back(block);
            break;
        }
        }
    }
    std::uint64_t result_position = out.size();
    put_le32(out, 0);

    BridgeRun run(rt);
    auto created = create_parameter_file(rt);
    if (!created)
        return 0;
    run.parameter_file(created->name);
    Transfer written = created->file->write(out.data(), out.size());
    FsCode closed = created->file->close();
    created->file.reset();
    if (written.bytes != out.size() || closed != fs_code::ok) {
        rt.fatal(Msg::WriteError, run.parameters());
        return 0;
    }

    auto short_name = rt.host.files().short_path(run.parameters());
    std::string command = "TALV16 ";
    command.append(library_name->view()).append("|").append(function_name->view());
    command.append("|").append(description->view()).append("|").append(result_type->view());
    command.append(" ").append(short_name ? short_name->view() : std::string_view());
    std::uint32_t process = libraries(rt).start_process(command);
    if (!process) {
        rt.fatal(Msg::BridgeMissing);
        return 0;
    }
    run.process(process);
    if (!run.wait_for_marker()) {
        rt.fatal(Msg::BridgeMissing);
        return 0;
    }
    rt.host.files().remove(run.marker());

    OpenResult opened =
        rt.host.files().open(run.parameters(), FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
    if (!opened.file) {
        rt.fatal(Msg::ReadError, run.parameters());
        return 0;
    }
    std::uint32_t result = read_back(rt, *opened.file, blocks, result_position);
    opened.file->close();
    bool has_result = result_type->view() == "%" || result_type->view() == "&";
    return has_result ? result : 0;
}

} // namespace

void call_through_bridge(Runtime& rt, std::int32_t count)
{
    std::uint32_t result = bridge_call(rt, count);
    result_long(rt, static_cast<std::int32_t>(result));
}

// --- the built-ins -----------------------------------------------------------------

namespace {

// The library stays loaded until FREEDLL. No platform of ours loads 16-bit
// libraries, so a name the 32-bit loader refuses gives the handle 0.
void fn_loaddll(Runtime& rt)
{
    ShortString name = *arg_text(rt, ')', Expect::String);
    if (!name.empty())
        rt.dll.last_loaded = libraries(rt).load_library(name.view());
    result_long(rt, static_cast<std::int32_t>(rt.dll.last_loaded));
}

void cmd_freedll(Runtime& rt)
{
    auto handle = arg_integer(rt, rest_of_text);
    if (handle)
        libraries(rt).free_library(static_cast<std::uint32_t>(*handle));
}

// The usage count of a 16-bit module: there are none here.
void fn_moduleusage(Runtime& rt)
{
    arg_integer(rt, ')');
    result_integer(rt, 0);
}

// Port number: the platform refuses port input, so nothing is read.
void fn_inp(Runtime& rt)
{
    arg_integer(rt, ')');
    result_integer(rt, 0);
}

// Port number, value: the platform refuses port output.
void cmd_out(Runtime& rt)
{
    if (arg_integer(rt, ','))
        arg_integer(rt, rest_of_text);
}

constexpr CommandEntry commands[] = {
    {Tok::Freedll, cmd_freedll},
    {Tok::Out, cmd_out},
    {Tok::Outw, cmd_out},
};

constexpr FunctionEntry functions[] = {
    {Fn::Loaddll, fn_loaddll},
    {Fn::Moduleusage, fn_moduleusage},
    {Fn::Inp, fn_inp},
    {Fn::Inpw, fn_inp},
};

} // namespace

std::span<const CommandEntry> dll_calls_commands() { return commands; }
std::span<const FunctionEntry> dll_calls_functions() { return functions; }

} // namespace talven
