#include <gtest/gtest.h>

#include <cstdlib>

#include "host/console/console_devices.h"

namespace talven {
namespace {

TEST(ConsoleDevices, ModeTextsInBothForms)
{
    struct Case {
        std::string_view text;
        std::optional<std::uint32_t> baud;
        std::optional<char> parity;
        std::optional<int> data, stop_halves;
        std::optional<bool> xon, hardware;
    } cases[] = {
        {"9600,n,8,1", 9600, 'N', 8, 2, {}, {}},
        {"COM1: 96,E,7,2", 9600, 'E', 7, 4, {}, {}},
        {"com2:19,o,8,1.5,x", 19200, 'O', 8, 3, true, {}},
        {"1200,,,,p", 1200, {}, {}, {}, {}, true},
        {"baud=115200 parity=s data=5 stop=1 xon=off", 115200, 'S', 5, 2, false, {}},
        {"BAUD=12 rts=hs to=on", 1200, {}, {}, {}, {}, true},
        {"COM3 baud=300", 300, {}, {}, {}, {}, {}},
    };
    for (const Case& c : cases) {
        auto mode = parse_serial_mode(c.text);
        ASSERT_TRUE(mode) << c.text;
        EXPECT_EQ(mode->baud, c.baud) << c.text;
        EXPECT_EQ(mode->parity, c.parity) << c.text;
        EXPECT_EQ(mode->data_bits, c.data) << c.text;
        EXPECT_EQ(mode->stop_halves, c.stop_halves) << c.text;
        EXPECT_EQ(mode->xon_xoff, c.xon) << c.text;
        EXPECT_EQ(mode->hardware_flow, c.hardware) << c.text;
    }
    for (std::string_view bad : {"", "COM1:", "9600,q,8,1", "9600,n,9,1", "9600,n,8,3", "9600,n,8,1,z",
                                 "9600,n,8,1,x,7", "baud=", "parity=n speed=4", "abc", "baud=9600 data=4"})
        EXPECT_FALSE(parse_serial_mode(bad)) << bad;
}

TEST(ConsoleDevices, PortNamesAndDevicePaths)
{
    ::setenv("TALVEN_COM3", "/tmp/pty-drei", 1);
    ::unsetenv("TALVEN_COM1");
    EXPECT_EQ(serial_device_path("COM1"), "/dev/ttyS0");
    EXPECT_EQ(serial_device_path("com12:"), "/dev/ttyS11");
    EXPECT_EQ(serial_device_path("\\\\.\\COM3"), "/tmp/pty-drei");
    EXPECT_EQ(serial_device_path("COM0"), "COM0");
    EXPECT_EQ(serial_device_path("dev\\ttyUSB0"), "dev/ttyUSB0");
    ::unsetenv("TALVEN_COM3");
}

} // namespace
} // namespace talven
