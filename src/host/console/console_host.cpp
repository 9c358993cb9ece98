// The console host's operations. Texts arrive in Windows-1252 and leave as
// UTF-8; file names written with "\" are found with "/".
#include "host/console/console_host.h"

#include <csignal>
#include <ctime>
#include <sys/mman.h>
#include <unistd.h>
#include <cstdlib>

#include "host/box_lines.h"
#include "host/console/codepage.h"
#include "host/console/console_files.h"
#include "host/console/console_profile.h"
#include "window/text_stream.h"

// The locator of a program appended to this executable. It lives in a
// section of its own so that the binder can find it through the section
// headers and write the program's offset there; 0 means nothing is appended.
extern "C" __attribute__((section(".tvc_locator"), used)) volatile const std::uint32_t talven_program_locator = 0;

namespace talven {
namespace {

volatile std::sig_atomic_t break_requested = 0;

extern "C" void on_interrupt(int) { break_requested = 1; }

bool break_was_requested() { return break_requested != 0; }

class StdioFile : public HostFile {
public:
    explicit StdioFile(std::FILE* file) : m_file(file) {}
    ~StdioFile() override { std::fclose(m_file); }
    std::size_t read(void* buffer, std::size_t size) override { return std::fread(buffer, 1, size, m_file); }
    bool seek(std::uint64_t offset) override
    {
        return fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) == 0;
    }

private:
    std::FILE* m_file;
};


// The upper half of code page 437 (the OEM font of the text screen) in UTF-8.
constexpr const char* cp437_upper[128] = {
    "\xC3\x87", "\xC3\xBC", "\xC3\xA9", "\xC3\xA2", "\xC3\xA4", "\xC3\xA0", "\xC3\xA5", "\xC3\xA7",
    "\xC3\xAA", "\xC3\xAB", "\xC3\xA8", "\xC3\xAF", "\xC3\xAE", "\xC3\xAC", "\xC3\x84", "\xC3\x85",
    "\xC3\x89", "\xC3\xA6", "\xC3\x86", "\xC3\xB4", "\xC3\xB6", "\xC3\xB2", "\xC3\xBB", "\xC3\xB9",
    "\xC3\xBF", "\xC3\x96", "\xC3\x9C", "\xC2\xA2", "\xC2\xA3", "\xC2\xA5", "\xE2\x82\xA7", "\xC6\x92",
    "\xC3\xA1", "\xC3\xAD", "\xC3\xB3", "\xC3\xBA", "\xC3\xB1", "\xC3\x91", "\xC2\xAA", "\xC2\xBA",
    "\xC2\xBF", "\xE2\x8C\x90", "\xC2\xAC", "\xC2\xBD", "\xC2\xBC", "\xC2\xA1", "\xC2\xAB", "\xC2\xBB",
    "\xE2\x96\x91", "\xE2\x96\x92", "\xE2\x96\x93", "\xE2\x94\x82", "\xE2\x94\xA4", "\xE2\x95\xA1", "\xE2\x95\xA2", "\xE2\x95\x96",
    "\xE2\x95\x95", "\xE2\x95\xA3", "\xE2\x95\x91", "\xE2\x95\x97", "\xE2\x95\x9D", "\xE2\x95\x9C", "\xE2\x95\x9B", "\xE2\x94\x90",
    "\xE2\x94\x94", "\xE2\x94\xB4", "\xE2\x94\xAC", "\xE2\x94\x9C", "\xE2\x94\x80", "\xE2\x94\xBC", "\xE2\x95\x9E", "\xE2\x95\x9F",
    "\xE2\x95\x9A", "\xE2\x95\x94", "\xE2\x95\xA9", "\xE2\x95\xA6", "\xE2\x95\xA0", "\xE2\x95\x90", "\xE2\x95\xAC", "\xE2\x95\xA7",
    "\xE2\x95\xA8", "\xE2\x95\xA4", "\xE2\x95\xA5", "\xE2\x95\x99", "\xE2\x95\x98", "\xE2\x95\x92", "\xE2\x95\x93", "\xE2\x95\xAB",
    "\xE2\x95\xAA", "\xE2\x94\x98", "\xE2\x94\x8C", "\xE2\x96\x88", "\xE2\x96\x84", "\xE2\x96\x8C", "\xE2\x96\x90", "\xE2\x96\x80",
    "\xCE\xB1", "\xC3\x9F", "\xCE\x93", "\xCF\x80", "\xCE\xA3", "\xCF\x83", "\xC2\xB5", "\xCF\x84",
    "\xCE\xA6", "\xCE\x98", "\xCE\xA9", "\xCE\xB4", "\xE2\x88\x9E", "\xCF\x86", "\xCE\xB5", "\xE2\x88\xA9",
    "\xE2\x89\xA1", "\xC2\xB1", "\xE2\x89\xA5", "\xE2\x89\xA4", "\xE2\x8C\xA0", "\xE2\x8C\xA1", "\xC3\xB7", "\xE2\x89\x88",
    "\xC2\xB0", "\xE2\x88\x99", "\xC2\xB7", "\xE2\x88\x9A", "\xE2\x81\xBF", "\xC2\xB2", "\xE2\x96\xA0", "\xC2\xA0",
};

std::string oem_to_utf8(std::string_view oem)
{
    std::string out;
    for (char c : oem) {
        auto b = static_cast<unsigned char>(c);
        if (b < 128)
            out.push_back(b < 32 ? ' ' : c);
        else
            out += cp437_upper[b - 128];
    }
    return out;
}

// The text palette, index: red, green, blue.
constexpr unsigned char text_palette[16][3] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0x88}, {0x00, 0x88, 0x00}, {0x88, 0x00, 0x88},
    {0x88, 0x00, 0x00}, {0x00, 0x88, 0x88}, {0x88, 0x88, 0x00}, {0xCC, 0xCC, 0xCC},
    {0x44, 0x44, 0x44}, {0x00, 0x00, 0xFF}, {0x00, 0xFF, 0x00}, {0xFF, 0x00, 0xFF},
    {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0xFF, 0xFF},
};

std::string colour_sequence(std::uint8_t attribute)
{
    const unsigned char* fg = text_palette[attribute & 15];
    const unsigned char* bg = text_palette[attribute >> 4];
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "\x1b[38;2;%d;%d;%dm\x1b[48;2;%d;%d;%dm", fg[0], fg[1], fg[2], bg[0], bg[1],
                  bg[2]);
    return buffer;
}


std::optional<BoxAnswer> parse_answer(std::string word)
{
    while (!word.empty() && word.back() == ' ')
        word.pop_back();
    for (auto& c : word)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    if (word == "OK") return BoxAnswer::Ok;
    if (word == "CANCEL") return BoxAnswer::Cancel;
    if (word == "YES") return BoxAnswer::Yes;
    if (word == "NO") return BoxAnswer::No;
    if (word == "ABORT") return BoxAnswer::Abort;
    if (word == "RETRY") return BoxAnswer::Retry;
    if (word == "IGNORE") return BoxAnswer::Ignore;
    return std::nullopt;
}


} // namespace

std::string native_path(std::string_view ansi_name)
{
    std::string path = ansi_to_utf8(ansi_name);
    for (auto& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

ConsoleHost::ConsoleHost(int argc, char** argv) : m_dialogs(m_input, m_answers, m_files, break_was_requested)
{
    for (int i = 0; i < argc; ++i)
        m_command_line.emplace_back(utf8_to_ansi(argv[i]));
    if (const char* answers = std::getenv("TALVEN_ANSWERS"))
        m_answers = AnswerFile::read(answers);
    if (const char* fixed = std::getenv("TALVEN_FIXED_TIME"))
        m_fixed_time = parse_fixed_time(fixed);
    if (const char* faults = std::getenv("TALVEN_FILE_FAULTS"); faults && *faults)
        m_faulty_files = std::make_unique<FaultyFiles>(m_files, faults);
    std::signal(SIGINT, on_interrupt);
    m_terminal = isatty(STDOUT_FILENO) == 1;
    m_windows_directory = console_windows_directory();
}

ConsoleHost::~ConsoleHost()
{
    // Leave the terminal in its own colours, below the text screen.
    if (m_screen_shown) {
        std::fputs("\x1b[0m\x1b[r\x1b[33;1H\n", stdout);
        std::fflush(stdout);
    }
}

std::uint32_t ConsoleHost::appended_program_offset() { return talven_program_locator; }

std::optional<ShortString> ConsoleHost::choose_program_file(std::string_view, std::string_view)
{
    // No dialog on a console: the same as a cancelled one.
    return std::nullopt;
}

std::unique_ptr<HostFile> ConsoleHost::open_for_reading(std::string_view name)
{
    // The program file is found like every file a program names: "\" as a
    // separator, and an existing file whatever the case of its name.
    std::FILE* file = std::fopen(resolve_native_path(name).c_str(), "rb");
    if (!file)
        return nullptr;
    return std::make_unique<StdioFile>(file);
}

BoxAnswer ConsoleHost::message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons)
{
    return answer_box(text, caption, icon, default_answer(BoxType{icon, buttons, 0}));
}

// The program's own boxes are answered by their default button.
std::int32_t ConsoleHost::program_box(std::string_view text, std::string_view caption, std::uint32_t type)
{
    BoxType t = decode_box_type(type);
    return static_cast<std::int32_t>(answer_box(text, caption, t.icon, default_answer(t)));
}

BoxAnswer ConsoleHost::answer_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxAnswer fallback)
{
    std::fflush(stdout);
    std::string line = ansi_to_utf8(box_line(icon, caption, text));
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    BoxAnswer answer = fallback;
    if (const std::string* entry = m_answers.take())
        if (auto given = parse_answer(*entry))
            answer = *given;
    return answer;
}

LocalTime ConsoleHost::local_time()
{
    if (m_fixed_time)
        return *m_fixed_time;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm parts{};
    localtime_r(&now.tv_sec, &parts);
    LocalTime t;
    t.year = parts.tm_year + 1900;
    t.month = parts.tm_mon + 1;
    t.day = parts.tm_mday;
    t.weekday = parts.tm_wday;
    t.hour = parts.tm_hour;
    t.minute = parts.tm_min;
    t.second = parts.tm_sec;
    t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
    return t;
}

std::uint32_t ConsoleHost::tick_count()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

ShortString ConsoleHost::ansi_to_oem(std::string_view text) { return ShortString(ansi_to_cp850(text)); }
ShortString ConsoleHost::oem_to_ansi(std::string_view text) { return ShortString(cp850_to_ansi(text)); }

std::optional<ShortString> ConsoleHost::current_directory(char)
{
    // One file tree without drives: every drive letter names it.
    char buffer[4096];
    if (!getcwd(buffer, sizeof buffer))
        return std::nullopt;
    return ShortString(utf8_to_ansi(buffer));
}

void ConsoleHost::write_text(std::string_view text)
{
    if (m_terminal)
        return;
    std::string out = ansi_to_utf8(stream_text(text));
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void ConsoleHost::show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                             std::int32_t font)
{
    if (!m_terminal)
        return;
    std::string out;
    if (!m_screen_shown) {
        // The window starts white.
        out += colour_sequence(0xF0);
        out += "\x1b[H\x1b[2J";
        m_screen_shown = true;
    }
    char position[32];
    std::snprintf(position, sizeof position, "\x1b[%d;%dH", row + 1, column + 1);
    out += position;
    if (!text.empty()) {
        out += colour_sequence(attribute);
        std::string shown;
        for (char c : text)
            shown.push_back(static_cast<unsigned char>(c) < 32 ? ' ' : c);
        out += font == 1 ? oem_to_utf8(shown) : ansi_to_utf8(shown);
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
}

void ConsoleHost::scroll_rows(std::int32_t rows)
{
    if (!m_terminal || rows < 1)
        return;
    std::fprintf(stdout, "\x1b[1;%dr\x1b[%d;1H\x1b[S\x1b[r", rows, rows);
}

bool ConsoleHost::wait_message()
{
    std::fflush(stdout);
    return m_input.wait();
}

// No window and no display: the virtual main window of a 640 x 480 screen,
// handles 0, no Windows version.
PlatformFacts ConsoleHost::platform_facts()
{
    PlatformFacts facts;
    facts.windows_directory = ShortString(utf8_to_ansi(m_windows_directory));
    facts.system_directory = "/usr/lib";
    return facts;
}

std::optional<ShortString> ConsoleHost::profile_string(std::string_view section, std::string_view key)
{
    auto value = profile_entry(m_windows_directory, section, key);
    if (!value)
        return std::nullopt;
    return ShortString(*value);
}

// WIN.INI's [intl] entries first, then the POSIX locale for numbers, else
// the runtime's home: decimal comma and thousands point.
NumberSeparators ConsoleHost::number_separators()
{
    NumberSeparators separators;
    auto posix = posix_number_separators();
    if (posix) {
        std::string decimal = utf8_to_ansi(posix->first);
        std::string thousands = utf8_to_ansi(posix->second);
        if (!decimal.empty())
            separators.decimal_point = decimal[0];
        if (!thousands.empty())
            separators.thousands_separator = thousands[0];
    }
    if (auto decimal = profile_entry(m_windows_directory, "intl", "sDecimal"); decimal && !decimal->empty())
        separators.decimal_point = (*decimal)[0];
    if (auto thousands = profile_entry(m_windows_directory, "intl", "sThousand"); thousands && !thousands->empty())
        separators.thousands_separator = (*thousands)[0];
    return separators;
}

void* ConsoleHost::allocate_area(std::size_t size)
{
    int flags = MAP_PRIVATE | MAP_ANONYMOUS;
#ifdef MAP_32BIT
    flags |= MAP_32BIT;
#endif
    void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, flags, -1, 0);
    return block == MAP_FAILED ? nullptr : block;
}

void ConsoleHost::free_area(void* block, std::size_t size) { munmap(block, size); }

PumpResult ConsoleHost::pump_messages()
{
    if (break_requested)
        return PumpResult::Break;
    m_input.pump();
    return PumpResult::Continue;
}

} // namespace talven
