#include "host/console/console_devices.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "host/console/console_host.h"

namespace talven {
namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i]))
            return false;
    return true;
}

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::optional<std::uint32_t> decimal(std::string_view s)
{
    if (s.empty() || s.size() > 9)
        return std::nullopt;
    std::uint32_t n = 0;
    for (char c : s) {
        if (c < '0' || c > '9')
            return std::nullopt;
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return n;
}

// "COMn" with an optional "\\.\" before and ":" after: n.
std::optional<std::uint32_t> com_number(std::string_view name)
{
    if (name.substr(0, 4) == "\\\\.\\")
        name.remove_prefix(4);
    if (!name.empty() && name.back() == ':')
        name.remove_suffix(1);
    if (name.size() < 4 || !equal_ignoring_case(name.substr(0, 3), "COM"))
        return std::nullopt;
    auto n = decimal(name.substr(3));
    if (!n || *n == 0)
        return std::nullopt;
    return n;
}

std::optional<char> parity_letter(std::string_view s)
{
    if (s.size() != 1)
        return std::nullopt;
    char c = upper(s[0]);
    if (c == 'N' || c == 'O' || c == 'E' || c == 'M' || c == 'S')
        return c;
    return std::nullopt;
}

std::optional<int> stop_halves(std::string_view s)
{
    if (s == "1")
        return 2;
    if (s == "1.5")
        return 3;
    if (s == "2")
        return 4;
    return std::nullopt;
}

std::optional<int> data_bits(std::string_view s)
{
    auto n = decimal(s);
    if (!n || *n < 5 || *n > 8)
        return std::nullopt;
    return static_cast<int>(*n);
}

std::optional<bool> on_off(std::string_view s)
{
    if (equal_ignoring_case(s, "on"))
        return true;
    if (equal_ignoring_case(s, "off"))
        return false;
    return std::nullopt;
}

// The old form's two-digit baud rates.
std::uint32_t full_baud(std::uint32_t n)
{
    switch (n) {
    case 11: return 110;
    case 15: return 150;
    case 30: return 300;
    case 60: return 600;
    case 12: return 1200;
    case 24: return 2400;
    case 48: return 4800;
    case 96: return 9600;
    case 19: return 19200;
    default: return n;
    }
}

std::optional<SerialMode> parse_new_form(std::string_view text)
{
    SerialMode mode;
    while (!(text = trim(text)).empty()) {
        std::size_t end = text.find_first_of(" \t");
        std::string_view item = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
        std::size_t eq = item.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        if (equal_ignoring_case(key, "baud")) {
            auto n = decimal(value);
            if (!n || *n == 0)
                return std::nullopt;
            mode.baud = full_baud(*n);
        } else if (equal_ignoring_case(key, "parity")) {
            if (!(mode.parity = parity_letter(value)))
                return std::nullopt;
        } else if (equal_ignoring_case(key, "data")) {
            if (!(mode.data_bits = data_bits(value)))
                return std::nullopt;
        } else if (equal_ignoring_case(key, "stop")) {
            if (!(mode.stop_halves = stop_halves(value)))
                return std::nullopt;
        } else if (equal_ignoring_case(key, "xon")) {
            if (!(mode.xon_xoff = on_off(value)))
                return std::nullopt;
        } else if (equal_ignoring_case(key, "octs")) {
            if (!(mode.hardware_flow = on_off(value)))
                return std::nullopt;
        } else if (equal_ignoring_case(key, "rts")) {
            if (equal_ignoring_case(value, "hs"))
                mode.hardware_flow = true;
            else if (!on_off(value) && !equal_ignoring_case(value, "tg"))
                return std::nullopt;
        } else if (equal_ignoring_case(key, "to") || equal_ignoring_case(key, "odsr") ||
                   equal_ignoring_case(key, "idsr") || equal_ignoring_case(key, "dtr")) {
            // The line has no such signals to steer here.
            if (!on_off(value) && !equal_ignoring_case(value, "hs"))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    return mode;
}

std::optional<SerialMode> parse_old_form(std::string_view text)
{
    SerialMode mode;
    std::vector<std::string_view> fields;
    while (true) {
        std::size_t comma = text.find(',');
        fields.push_back(trim(text.substr(0, comma)));
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    if (fields.size() > 5 || fields[0].empty())
        return std::nullopt;
    auto baud = decimal(fields[0]);
    if (!baud || *baud == 0)
        return std::nullopt;
    mode.baud = full_baud(*baud);
    if (fields.size() > 1 && !fields[1].empty() && !(mode.parity = parity_letter(fields[1])))
        return std::nullopt;
    if (fields.size() > 2 && !fields[2].empty() && !(mode.data_bits = data_bits(fields[2])))
        return std::nullopt;
    if (fields.size() > 3 && !fields[3].empty() && !(mode.stop_halves = stop_halves(fields[3])))
        return std::nullopt;
    if (fields.size() > 4 && !fields[4].empty()) {
        char retry = fields[4].size() == 1 ? upper(fields[4][0]) : '?';
        if (retry == 'X')
            mode.xon_xoff = true;
        else if (retry == 'P')
            mode.hardware_flow = true;
        else
            return std::nullopt;
    }
    return mode;
}

struct Speed {
    std::uint32_t baud;
    speed_t code;
};

constexpr Speed speeds[] = {
    {50, B50},       {75, B75},       {110, B110},     {134, B134},     {150, B150},       {200, B200},
    {300, B300},     {600, B600},     {1200, B1200},   {1800, B1800},   {2400, B2400},     {4800, B4800},
    {9600, B9600},   {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

std::optional<speed_t> speed_code(std::uint32_t baud)
{
    for (const Speed& s : speeds)
        if (s.baud == baud)
            return s.code;
    return std::nullopt;
}

// The device-control block's flag bits that the line discipline knows.
namespace dcb {
constexpr std::int32_t parity_check = 0x2;
constexpr std::int32_t cts_output_flow = 0x4;
constexpr std::int32_t xon_output = 0x100;
constexpr std::int32_t xon_input = 0x200;
constexpr std::int32_t rts_control = 0x3000;
constexpr std::int32_t rts_handshake = 0x2000;
} // namespace dcb

// The platform's CE_ error bits.
namespace comm_error {
constexpr std::uint32_t rx_over = 0x1;
constexpr std::uint32_t overrun = 0x2;
constexpr std::uint32_t rx_parity = 0x4;
constexpr std::uint32_t frame = 0x8;
constexpr std::uint32_t brk = 0x10;
} // namespace comm_error

// A write that the port holds back for this long without taking a byte
// gives up: a port nobody reads must not hang the program for ever.
constexpr int write_stall_ms = 5000;

} // namespace

// ALSA's sequencer, bound by name at run time so that the runtime needs no
// sound library. The event record is the library's fixed-length layout.
class AlsaSequencer {
public:
    static std::unique_ptr<AlsaSequencer> open();
    ~AlsaSequencer();
    AlsaSequencer(const AlsaSequencer&) = delete;
    AlsaSequencer& operator=(const AlsaSequencer&) = delete;
    void send(std::uint32_t message);

private:
    AlsaSequencer() = default;
    bool bind();
    bool connect();

    struct Address {
        unsigned char client, port;
    };
    struct Event {
        unsigned char type, flags, tag, queue;
        unsigned int time[2];
        Address source, destination;
        union {
            struct {
                unsigned char channel, note, velocity, off_velocity;
                unsigned int duration;
            } note;
            struct {
                unsigned char channel, unused[3];
                unsigned int parameter;
                int value;
            } control;
        } data;
    };
    static_assert(sizeof(Event) == 28);

    void* m_library = nullptr;
    void* m_sequencer = nullptr;
    int m_port = -1;
    int (*m_open)(void**, const char*, int, int) = nullptr;
    int (*m_close)(void*) = nullptr;
    int (*m_set_client_name)(void*, const char*) = nullptr;
    int (*m_create_simple_port)(void*, const char*, unsigned, unsigned) = nullptr;
    int (*m_parse_address)(void*, Address*, const char*) = nullptr;
    int (*m_connect_to)(void*, int, int, int) = nullptr;
    int (*m_output_direct)(void*, Event*) = nullptr;
    int (*m_client_id)(void*) = nullptr;
    // Walking the clients and ports for a synthesizer.
    int (*m_client_info_malloc)(void**) = nullptr;
    void (*m_client_info_free)(void*) = nullptr;
    void (*m_client_info_set_client)(void*, int) = nullptr;
    int (*m_client_info_get_client)(const void*) = nullptr;
    int (*m_query_next_client)(void*, void*) = nullptr;
    int (*m_port_info_malloc)(void**) = nullptr;
    void (*m_port_info_free)(void*) = nullptr;
    void (*m_port_info_set_client)(void*, int) = nullptr;
    void (*m_port_info_set_port)(void*, int) = nullptr;
    int (*m_port_info_get_port)(const void*) = nullptr;
    unsigned (*m_port_info_get_capability)(const void*) = nullptr;
    unsigned (*m_port_info_get_type)(const void*) = nullptr;
    int (*m_query_next_port)(void*, void*) = nullptr;
};

namespace alsa {
constexpr int open_output = 1;
constexpr unsigned cap_read = 1u << 0;
constexpr unsigned cap_write = 1u << 1;
constexpr unsigned cap_subs_read = 1u << 5;
constexpr unsigned cap_subs_write = 1u << 6;
constexpr unsigned type_midi_generic = 1u << 1;
constexpr unsigned type_synthesizer = 1u << 18;
constexpr unsigned type_application = 1u << 20;
constexpr unsigned char event_note_on = 6;
constexpr unsigned char event_note_off = 7;
constexpr unsigned char event_program_change = 11;
constexpr unsigned char queue_direct = 253;
constexpr unsigned char address_subscribers = 254;
constexpr unsigned char address_unknown = 253;
} // namespace alsa

// The library's own complaints (no sequencer device) are no concern of
// the program's error stream.
extern "C" void quiet_alsa(const char*, int, const char*, int, const char*, ...) {}

template <class F>
bool symbol(void* library, const char* name, F& function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

bool AlsaSequencer::bind()
{
    void* l = m_library;
    return symbol(l, "snd_seq_open", m_open) && symbol(l, "snd_seq_close", m_close) &&
           symbol(l, "snd_seq_set_client_name", m_set_client_name) &&
           symbol(l, "snd_seq_create_simple_port", m_create_simple_port) &&
           symbol(l, "snd_seq_parse_address", m_parse_address) && symbol(l, "snd_seq_connect_to", m_connect_to) &&
           symbol(l, "snd_seq_event_output_direct", m_output_direct) && symbol(l, "snd_seq_client_id", m_client_id) &&
           symbol(l, "snd_seq_client_info_malloc", m_client_info_malloc) &&
           symbol(l, "snd_seq_client_info_free", m_client_info_free) &&
           symbol(l, "snd_seq_client_info_set_client", m_client_info_set_client) &&
           symbol(l, "snd_seq_client_info_get_client", m_client_info_get_client) &&
           symbol(l, "snd_seq_query_next_client", m_query_next_client) &&
           symbol(l, "snd_seq_port_info_malloc", m_port_info_malloc) &&
           symbol(l, "snd_seq_port_info_free", m_port_info_free) &&
           symbol(l, "snd_seq_port_info_set_client", m_port_info_set_client) &&
           symbol(l, "snd_seq_port_info_set_port", m_port_info_set_port) &&
           symbol(l, "snd_seq_port_info_get_port", m_port_info_get_port) &&
           symbol(l, "snd_seq_port_info_get_capability", m_port_info_get_capability) &&
           symbol(l, "snd_seq_port_info_get_type", m_port_info_get_type) &&
           symbol(l, "snd_seq_query_next_port", m_query_next_port);
}

// The port TALVEN_MIDI_PORT names ("128:0", or a client's name), else the
// first synthesizer port that takes subscriptions.
bool AlsaSequencer::connect()
{
    if (const char* named = std::getenv("TALVEN_MIDI_PORT"); named && *named) {
        Address target{};
        return m_parse_address(m_sequencer, &target, named) == 0 &&
               m_connect_to(m_sequencer, m_port, target.client, target.port) == 0;
    }
    void* client = nullptr;
    void* port = nullptr;
    if (m_client_info_malloc(&client) != 0)
        return false;
    if (m_port_info_malloc(&port) != 0) {
        m_client_info_free(client);
        return false;
    }
    bool connected = false;
    const int self = m_client_id(m_sequencer);
    m_client_info_set_client(client, -1);
    while (!connected && m_query_next_client(m_sequencer, client) == 0) {
        const int id = m_client_info_get_client(client);
        if (id == self)
            continue;
        m_port_info_set_client(port, id);
        m_port_info_set_port(port, -1);
        while (!connected && m_query_next_port(m_sequencer, port) == 0) {
            const unsigned wanted = alsa::cap_write | alsa::cap_subs_write;
            if ((m_port_info_get_capability(port) & wanted) == wanted &&
                (m_port_info_get_type(port) & alsa::type_synthesizer) != 0)
                connected = m_connect_to(m_sequencer, m_port, id, m_port_info_get_port(port)) == 0;
        }
    }
    m_port_info_free(port);
    m_client_info_free(client);
    return connected;
}

std::unique_ptr<AlsaSequencer> AlsaSequencer::open()
{
    std::unique_ptr<AlsaSequencer> s(new AlsaSequencer);
    s->m_library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    using ErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    int (*set_error_handler)(ErrorHandler) = nullptr;
    if (s->m_library && symbol(s->m_library, "snd_lib_error_set_handler", set_error_handler))
        set_error_handler(quiet_alsa);
    if (!s->m_library || !s->bind() || s->m_open(&s->m_sequencer, "default", alsa::open_output, 0) != 0)
        return nullptr;
    s->m_set_client_name(s->m_sequencer, "TALVEN");
    s->m_port = s->m_create_simple_port(s->m_sequencer, "MIDI", alsa::cap_read | alsa::cap_subs_read,
                                        alsa::type_midi_generic | alsa::type_application);
    if (s->m_port < 0 || !s->connect())
        return nullptr;
    return s;
}

AlsaSequencer::~AlsaSequencer()
{
    if (m_sequencer)
        m_close(m_sequencer);
    if (!m_library)
        return;
    // The library keeps the configuration it read for the open in a global
    // cache; it goes with the library.
    int (*free_configuration)() = nullptr;
    if (symbol(m_library, "snd_config_update_free_global", free_configuration))
        free_configuration();
    dlclose(m_library);
}

void AlsaSequencer::send(std::uint32_t message)
{
    Event e{};
    const unsigned kind = message & 0xF0;
    e.queue = alsa::queue_direct;
    e.source.port = static_cast<unsigned char>(m_port);
    e.destination = {alsa::address_subscribers, alsa::address_unknown};
    if (kind == 0x90 || kind == 0x80) {
        e.type = kind == 0x90 ? alsa::event_note_on : alsa::event_note_off;
        e.data.note.channel = static_cast<unsigned char>(message & 0x0F);
        e.data.note.note = static_cast<unsigned char>((message >> 8) & 0x7F);
        e.data.note.velocity = static_cast<unsigned char>((message >> 16) & 0x7F);
    } else if (kind == 0xC0) {
        e.type = alsa::event_program_change;
        e.data.control.channel = static_cast<unsigned char>(message & 0x0F);
        e.data.control.value = static_cast<int>((message >> 8) & 0x7F);
    } else {
        return;
    }
    m_output_direct(m_sequencer, &e);
}

std::optional<SerialMode> parse_serial_mode(std::string_view text)
{
    text = trim(text);
    // An optional port name in front: "COM1:" or "COM1".
    if (text.size() >= 4 && equal_ignoring_case(text.substr(0, 3), "COM")) {
        std::size_t end = 3;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        if (end > 3) {
            if (end < text.size() && text[end] == ':')
                ++end;
            text = trim(text.substr(end));
        }
    }
    if (text.empty())
        return std::nullopt;
    if (text.find('=') != std::string_view::npos)
        return parse_new_form(text);
    return parse_old_form(text);
}

std::string serial_device_path(std::string_view name)
{
    if (auto n = com_number(name)) {
        std::string variable = "TALVEN_COM" + std::to_string(*n);
        if (const char* path = std::getenv(variable.c_str()); path && *path)
            return path;
        return "/dev/ttyS" + std::to_string(*n - 1);
    }
    return native_path(name);
}

ConsoleDevices::ConsoleDevices(Host& host) : m_host(host)
{
    if (const char* file = std::getenv("TALVEN_MIDI_FILE"); file && *file)
        m_midi = std::make_unique<MidiFile>(file);
}

ConsoleDevices::~ConsoleDevices()
{
    for (auto& [handle, p] : m_ports)
        close(p.fd);
}

std::uint32_t ConsoleDevices::ticks() { return m_midi ? m_virtual_ticks : m_host.tick_count(); }

void ConsoleDevices::pause(std::uint32_t milliseconds)
{
    if (m_midi) {
        m_virtual_ticks += milliseconds;
        return;
    }
    timespec span{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&span, &span) != 0) {
    }
}

// The sequencer is looked for once, when a program first plays.
std::uint32_t ConsoleDevices::midi_device_count()
{
    if (m_midi)
        return 1;
    if (!m_sequencer_tried) {
        m_sequencer_tried = true;
        m_sequencer = AlsaSequencer::open();
    }
    return m_sequencer ? 1 : 0;
}

void ConsoleDevices::midi_send(std::uint32_t message)
{
    if (m_midi)
        m_midi->record(m_virtual_ticks, message);
    else if (m_sequencer)
        m_sequencer->send(message);
}

// The terminal's bell is the nearest thing to the speaker; the tone still
// takes its time, so that the program keeps its pace.
void ConsoleDevices::tone(std::uint32_t frequency, std::uint32_t milliseconds)
{
    (void)frequency;
    if (isatty(STDERR_FILENO) == 1) {
        const char bell = '\a';
        [[maybe_unused]] auto written = write(STDERR_FILENO, &bell, 1);
    }
    std::uint32_t end = ticks() + milliseconds;
    for (std::int32_t left; (left = static_cast<std::int32_t>(end - ticks())) > 0;)
        pause(static_cast<std::uint32_t>(left));
}

ConsoleDevices::Port* ConsoleDevices::port(std::int32_t handle)
{
    auto it = m_ports.find(handle);
    return it == m_ports.end() ? nullptr : &it->second;
}

// The queue sizes are the driver's own on this platform and stay as they are.
std::int32_t ConsoleDevices::serial_open(std::string_view name, std::uint32_t, std::uint32_t)
{
    std::string path = serial_device_path(name);
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    Port p;
    p.fd = fd;
    p.terminal = isatty(fd) == 1;
    if (p.terminal) {
        // No sharing, as the platform opens a port; bytes pass unchanged.
        ioctl(fd, TIOCEXCL);
        termios t{};
        if (tcgetattr(fd, &t) == 0) {
            cfmakeraw(&t);
            t.c_cflag |= CLOCAL | CREAD;
            t.c_cc[VMIN] = 0;
            t.c_cc[VTIME] = 0;
            tcsetattr(fd, TCSANOW, &t);
        }
    }
    std::int32_t handle = m_next_handle;
    m_next_handle += 4;
    m_ports[handle] = p;
    serial_errors(handle);
    return handle;
}

bool ConsoleDevices::serial_setup(std::int32_t handle, std::string_view definition)
{
    Port* p = port(handle);
    auto mode = parse_serial_mode(definition);
    termios t{};
    if (!p || !mode || !p->terminal || tcgetattr(p->fd, &t) != 0)
        return false;
    if (mode->baud) {
        auto code = speed_code(*mode->baud);
        if (!code)
            return false;
        cfsetispeed(&t, *code);
        cfsetospeed(&t, *code);
    }
    if (mode->parity) {
        t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
        switch (*mode->parity) {
        case 'O': t.c_cflag |= PARENB | PARODD; break;
        case 'E': t.c_cflag |= PARENB; break;
        case 'M': t.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case 'S': t.c_cflag |= PARENB | CMSPAR; break;
        default: break;
        }
    }
    if (mode->data_bits) {
        t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
        constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        t.c_cflag |= sizes[*mode->data_bits - 5];
    }
    if (mode->stop_halves) {
        // One and a half stop bits is two on this line discipline.
        if (*mode->stop_halves > 2)
            t.c_cflag |= CSTOPB;
        else
            t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    }
    if (mode->xon_xoff) {
        if (*mode->xon_xoff)
            t.c_iflag |= IXON | IXOFF;
        else
            t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF);
    }
    if (mode->hardware_flow) {
        if (*mode->hardware_flow)
            t.c_cflag |= CRTSCTS;
        else
            t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    }
    return tcsetattr(p->fd, TCSANOW, &t) == 0;
}

// The limits of the XON/XOFF handshake are the driver's own here.
bool ConsoleDevices::serial_set_state(std::int32_t handle, std::int32_t flags, std::uint32_t, std::uint32_t)
{
    Port* p = port(handle);
    termios t{};
    if (!p || !p->terminal || tcgetattr(p->fd, &t) != 0)
        return false;
    if (flags != -1) {
        auto set = [](tcflag_t& field, tcflag_t bits, bool on) {
            if (on)
                field |= bits;
            else
                field &= ~bits;
        };
        set(t.c_iflag, INPCK, (flags & dcb::parity_check) != 0);
        set(t.c_iflag, IXON, (flags & dcb::xon_output) != 0);
        set(t.c_iflag, IXOFF, (flags & dcb::xon_input) != 0);
        set(t.c_cflag, CRTSCTS,
            (flags & dcb::cts_output_flow) != 0 || (flags & dcb::rts_control) == dcb::rts_handshake);
    }
    return tcsetattr(p->fd, TCSANOW, &t) == 0;
}

std::uint32_t ConsoleDevices::serial_write(std::int32_t handle, std::string_view bytes)
{
    Port* p = port(handle);
    if (!p)
        return 0;
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(p->fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        pollfd wait{p->fd, POLLOUT, 0};
        if (n < 0 && errno == EAGAIN && poll(&wait, 1, write_stall_ms) > 0)
            continue;
        break;
    }
    return static_cast<std::uint32_t>(done);
}

std::int32_t ConsoleDevices::serial_waiting(std::int32_t handle)
{
    Port* p = port(handle);
    int waiting = 0;
    if (!p || !p->terminal || ioctl(p->fd, FIONREAD, &waiting) != 0)
        return -1;
    return waiting;
}

std::size_t ConsoleDevices::serial_read(std::int32_t handle, char* buffer, std::size_t size)
{
    Port* p = port(handle);
    if (!p)
        return 0;
    ssize_t n = read(p->fd, buffer, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// The line's error counters since they were last read; a line without
// them (a pseudo-terminal) has no errors to tell.
std::uint32_t ConsoleDevices::serial_errors(std::int32_t handle)
{
    Port* p = port(handle);
    if (!p || !p->terminal)
        return 0;
    std::uint32_t errors = 0;
#ifdef TIOCGICOUNT
    serial_icounter_struct count{};
    if (ioctl(p->fd, TIOCGICOUNT, &count) == 0) {
        auto changed = [](std::uint32_t& kept, int now) {
            bool grew = static_cast<std::uint32_t>(now) != kept;
            kept = static_cast<std::uint32_t>(now);
            return grew;
        };
        if (changed(p->buffer_overrun, count.buf_overrun))
            errors |= comm_error::rx_over;
        if (changed(p->overrun, count.overrun))
            errors |= comm_error::overrun;
        if (changed(p->parity, count.parity))
            errors |= comm_error::rx_parity;
        if (changed(p->frame, count.frame))
            errors |= comm_error::frame;
        if (changed(p->brk, count.brk))
            errors |= comm_error::brk;
    }
#endif
    return errors;
}

bool ConsoleDevices::serial_close(std::int32_t handle)
{
    auto it = m_ports.find(handle);
    if (it == m_ports.end())
        return false;
    bool closed = close(it->second.fd) == 0;
    m_ports.erase(it);
    return closed;
}

} // namespace talven
