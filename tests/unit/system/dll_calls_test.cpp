// The runtime's side of the bridge protocol, on the console's file system
// and a fixed tick count: the parameter file's number and name, a name
// another program's file already has, and a bridge that claims more bytes
// for an area than the area has.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/console/console_files.h"
#include "support/program_builder.h"
#include "temp_directory.h"

namespace talven {
namespace {

using namespace talven::testing;

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void put(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Stands in for the bridge program: notes the command line, answers in
// the parameter file and makes the marker, all before the wait begins.
class BridgeStandIn final : public LibraryHost {
public:
    std::vector<std::string> command_lines;

    std::uint32_t start_process(std::string_view command_line) override
    {
        command_lines.emplace_back(command_line);
        std::string path(command_line.substr(command_line.rfind(' ') + 1));
        std::string file = contents(path);
        if (file.size() != 18)
            return 0;
        // The area's block claims a million bytes and is followed by more.
        file.replace(0, 4, std::string("\x40\x42\x0F\x00", 4));
        file.replace(4, 10, std::string(10, 'X'));
        file.replace(14, 4, std::string(1, static_cast<char>(40 + command_lines.size())) + std::string(3, '\0'));
        put(path, file + std::string(100000, 'Y'));
        put(path + "!", "");
        return 1;
    }
    bool process_ended(std::uint32_t, std::uint32_t) override { return true; }
    bool file_exists(std::string_view name) override { return std::filesystem::exists(std::string(name)); }
};

class BridgeHost final : public FakeHost {
public:
    ConsoleFiles disk;
    BridgeStandIn bridge;
    HostFileSystem& files() override { return disk; }
    LibraryHost& libraries() override { return bridge; }
};

class Bridge : public TempDirectory {};

TEST_F(Bridge, NumbersGrowPastTakenNamesAndAreasGetTheirOwnSizeBack)
{
    BridgeHost host;
    host.ticks = 12345678;
    // Another program's file has the name of this tick's number.
    write_file("P2345678.$", "fremd");
    std::string call_site = std::string("@\x60\x01\x00", 4) + "E#)";
    std::vector<std::string> lines = {
        line(Tok::Definition, "OLD 1)*\"LIB.DLL\",\"Fn\",\"#\",\"&\""),
        line(Tok::Declare, "E#"),
        line(Tok::Areadim, "E#,10"),
        line(Tok::Areastr, "E#,0=\"ABCDEFGHIJ\""),
        line(Tok::Areabyte, "E#,10=33"),
        line(Tok::Print, call_site + ";" + call_site),
        line(Tok::Print, call(Fn::AreacharsStr) + "E#,0,11)"),
    };
    host.arguments.push_back(ShortString("P.TVC"));
    host.FakeHost::files["P.TVC"] = plain_program(lines);
    EXPECT_EQ(run_runtime(host), 0);
    EXPECT_EQ(host.output, "4142\r\nXXXXXXXXXX!\r\n");

    std::string folder = std::filesystem::current_path().string();
    ASSERT_EQ(host.bridge.command_lines.size(), 2u);
    EXPECT_EQ(host.bridge.command_lines[0], "TALV16 LIB.DLL|Fn|#|& " + folder + "/P2345679.$");
    // Two calls within one tick get two numbers.
    EXPECT_EQ(host.bridge.command_lines[1], "TALV16 LIB.DLL|Fn|#|& " + folder + "/P2345680.$");
    EXPECT_EQ(read_file("P2345678.$"), "fremd");
    EXPECT_FALSE(std::filesystem::exists("P2345679.$"));
    EXPECT_FALSE(std::filesystem::exists("P2345680.$!"));
}

} // namespace
} // namespace talven
