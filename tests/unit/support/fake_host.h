// A host for unit tests: files served from memory, boxes recorded and
// answered from a list, and a pump that can be told to report a quit.
#pragma once

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"

namespace talven::testing {

struct RecordedBox {
    std::string text;
    std::string caption;
    BoxIcon icon;
    BoxButtons buttons;
};

class FakeHost : public Host {
public:
    std::vector<ShortString> arguments{ShortString("talven")};
    std::map<std::string, std::string> files;
    std::uint32_t appended_offset = 0;
    std::vector<RecordedBox> boxes;
    std::vector<BoxAnswer> answers;
    int pumps = 0;
    PumpResult pump_result = PumpResult::Continue;

    const std::vector<ShortString>& command_line() const override { return arguments; }
    std::uint32_t appended_program_offset() override { return appended_offset; }
    std::optional<ShortString> choose_program_file(std::string_view, std::string_view) override { return std::nullopt; }

    std::unique_ptr<HostFile> open_for_reading(std::string_view name) override
    {
        auto it = files.find(std::string(name));
        if (it == files.end())
            return nullptr;
        return std::make_unique<MemoryFile>(it->second);
    }

    BoxAnswer message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons) override
    {
        boxes.push_back({std::string(text), std::string(caption), icon, buttons});
        if (boxes.size() <= answers.size())
            return answers[boxes.size() - 1];
        return BoxAnswer::Ok;
    }

    LocalTime time;
    std::uint32_t ticks = 1000;
    std::string output;

    LocalTime local_time() override { return time; }
    std::uint32_t tick_count() override { return ticks; }
    ShortString ansi_to_oem(std::string_view text) override { return ShortString(text); }
    ShortString oem_to_ansi(std::string_view text) override { return ShortString(text); }
    std::optional<ShortString> current_directory(char drive) override
    {
        if (drive == 'C' || drive == 'c')
            return ShortString("C:\\WORK");
        return std::nullopt;
    }
    void write_text(std::string_view text) override { output += text; }
    // Typed lines: each wait for a message types the next key of them,
    // a line ending with Enter.
    std::vector<std::string> input_lines;
    std::size_t next_input = 0;
    std::string typing;
    std::size_t typed = 0;
    EventState* events = nullptr;
    void bind_events(EventState* bound) override { events = bound; }
    int beeps = 0;
    int messages_left = 0;
    void beep() override { ++beeps; }
    bool wait_message() override
    {
        if (typed >= typing.size() && next_input < input_lines.size()) {
            typing = input_lines[next_input++] + "\r";
            typed = 0;
        }
        if (events && typed < typing.size()) {
            events->queue_key(static_cast<std::uint8_t>(typing[typed++]));
            return true;
        }
        return messages_left-- > 0;
    }
    void* allocate_area(std::size_t size) override { return std::malloc(size); }
    void free_area(void* block, std::size_t) override { std::free(block); }

    PumpResult pump_messages() override
    {
        ++pumps;
        return pump_result;
    }

private:
    class MemoryFile : public HostFile {
    public:
        explicit MemoryFile(const std::string& bytes) : m_bytes(bytes) {}
        std::size_t read(void* buffer, std::size_t size) override
        {
            std::size_t n = std::min(size, m_bytes.size() - m_pos);
            std::memcpy(buffer, m_bytes.data() + m_pos, n);
            m_pos += n;
            return n;
        }
        bool seek(std::uint64_t offset) override
        {
            if (offset > m_bytes.size())
                return false;
            m_pos = offset;
            return true;
        }

    private:
        const std::string& m_bytes;
        std::size_t m_pos = 0;
    };
};

// A program file: the plain header (key 0) and the given lines.
inline std::string plain_program(const std::vector<std::string>& lines)
{
    std::string file = " ZUK-TALVEN5";
    file.resize(32, ' ');
    for (const auto& line : lines) {
        file.push_back(static_cast<char>(line.size()));
        file += line;
    }
    return file;
}

} // namespace talven::testing
