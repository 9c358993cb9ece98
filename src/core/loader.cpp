// The loader. Every byte of the program file is untrusted: each record is
// checked against what was really read, and a malformed file ends with its
// message and exit code, never with a read past the data.
#include "core/loader.h"

#include <cstring>
#include <vector>

#include "core/runtime.h"
#include "values/conversions.h"

namespace talven {
namespace {

constexpr std::string_view magic = "ZUK-TALVEN";
constexpr std::string_view loader_caption = "T A L V E N \xB2";
constexpr std::string_view program_filter = "Talven-Code (*.tvc)|*.TVC|All (*.*)|*.*";

[[noreturn]] void fail(Runtime& rt, std::string_view text, int code)
{
    rt.host.message_box(text, loader_caption, BoxIcon::Error, BoxButtons::Ok);
    rt.end_program(code);
}

[[noreturn]] void fail(Runtime& rt, Msg msg, int code)
{
    fail(rt, message_text(msg), code);
}

// Where the program is and under which name it is read.
void locate(Runtime& rt)
{
    const auto& params = rt.host.command_line();
    bool has_parameter = params.size() >= 2;
    LoaderState& loader = rt.loader;
    if (!(has_parameter && is_compiled_program(rt, params[1].view()))) {
        std::uint32_t appended = rt.host.appended_program_offset();
        if (appended != 0) {
            loader.file_name = params.empty() ? ShortString() : params[0];
            loader.program_start = appended;
            return;
        }
        if (!has_parameter) {
            ShortString caption("TALVEN\xB2-");
            caption.append(message_text(Msg::LoadFile));
            auto chosen = rt.host.choose_program_file(program_filter, caption.view());
            if (!chosen)
                fail(rt, Msg::Usage, exit_code::error);
            loader.file_name = trim_blanks(chosen->view());
            loader.program_start = 0;
            return;
        }
    }
    loader.file_name = params[1];
    if (loader.file_name.view().find('.') == std::string_view::npos)
        loader.file_name.append(".TVC");
    loader.program_start = 0;
}

std::vector<std::uint8_t> read_rest(HostFile& file)
{
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    while (std::size_t n = file.read(chunk, sizeof chunk))
        bytes.insert(bytes.end(), chunk, chunk + n);
    return bytes;
}

void read_lines(Runtime& rt, const std::vector<std::uint8_t>& records)
{
    std::uint8_t key = rt.loader.line_key;
    char line[256];
    std::size_t pos = 0;
    rt.program.clear();
    rt.program.reserve(records.size());
    while (pos < records.size()) {
        if (rt.program.line_count() >= max_program_lines)
            fail(rt, Msg::TooManyLines, exit_code::malformed_program);
        std::size_t length = records[pos++];
        if (records.size() - pos < length)
            fail(rt, Msg::ProgramFileBroken, exit_code::malformed_program);
        if (length == 255)
            fail(rt, Msg::LineTooLong, exit_code::malformed_program);
        for (std::size_t j = 0; j < length; ++j)
            line[j] = static_cast<char>(records[pos + j] ^ key);
        pos += length;
        rt.program.add_line(std::string_view(line, length));
    }
}

// The plain stores that make up the state before the first line.
void reset_state(Runtime& rt)
{
    rt.loader.program_loaded = true;
    if (rt.compiled)
        rt.compiled_args.reset(rt.program.bytes(), rt.program.byte_count());
    rt.loop.pump_counter = 0;
    rt.errors = ErrorState{};
    rt.loop.current_line = 0;
    rt.format.decimals = 6;
}

} // namespace

std::uint8_t line_key_of_header(const std::uint8_t (&h)[32])
{
    if (h[20] == ' ' && h[21] == ' ')
        return 0;
    if (std::memcmp(h + 1, "ZUK-TALVEN5", 11) == 0) {
        // Offsets beyond the header's last addressable byte count as 0.
        auto at = [&h](std::uint8_t index) -> std::uint8_t {
            unsigned offset = 19u + index;
            return offset <= 30 ? h[offset] : 0;
        };
        return static_cast<std::uint8_t>((at(h[27]) | at(h[29])) & (at(h[26]) | at(h[28])));
    }
    return static_cast<std::uint8_t>(h[20] | h[21]);
}

bool is_compiled_program(Runtime& rt, std::string_view file_name)
{
    if (file_name.empty())
        return false;
    auto file = rt.host.open_for_reading(file_name);
    if (!file)
        return false;
    char head[11];
    std::size_t got = 0;
    while (got < sizeof head) {
        std::size_t n = file->read(head + got, sizeof head - got);
        if (n == 0)
            break;
        got += n;
    }
    return got == sizeof head && head[0] == ' ' && std::string_view(head + 1, 10) == magic;
}

void load_program(Runtime& rt)
{
    locate(rt);
    rt.loop.stop = false;
    auto file = rt.host.open_for_reading(rt.loader.file_name.view());
    if (!file) {
        ShortString text(message_text(Msg::FileNotFound));
        text.append(rt.loader.file_name.view());
        fail(rt, text.view(), exit_code::error);
    }
    std::vector<std::uint8_t> bytes;
    if (file->seek(rt.loader.program_start))
        bytes = read_rest(*file);
    file.reset();

    std::uint8_t header[32] = {};
    if (bytes.size() < sizeof header || std::memcmp(bytes.data() + 1, magic.data(), magic.size()) != 0)
        fail(rt, Msg::NotAProgram, exit_code::malformed_program);
    std::memcpy(header, bytes.data(), sizeof header);
    rt.loader.line_key = line_key_of_header(header);
    bytes.erase(bytes.begin(), bytes.begin() + sizeof header);
    read_lines(rt, bytes);
    reset_state(rt);
}

} // namespace talven
