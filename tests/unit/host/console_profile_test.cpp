#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "host/console/console_profile.h"

namespace talven {
namespace {

constexpr std::string_view profile = "; comment\n"
                                     "[windows]\r\n"
                                     "device=Drucker,treiber,LPT1:\r\n"
                                     "\n"
                                     "  [ Intl ]  \n"
                                     "sDate = /  \n"
                                     "sShortDate=MM/dd/yyyy\n"
                                     "; sDecimal=,\n"
                                     "empty=\n"
                                     "[other]\n"
                                     "sDate=-\n";

TEST(ConsoleProfile, EntriesAreFoundByNameInAnyCase)
{
    EXPECT_EQ(ini_entry(profile, "intl", "sdate"), "/");
    EXPECT_EQ(ini_entry(profile, "INTL", "SSHORTDATE"), "MM/dd/yyyy");
    EXPECT_EQ(ini_entry(profile, "Windows", "Device"), "Drucker,treiber,LPT1:");
    EXPECT_EQ(ini_entry(profile, "other", "sDate"), "-");
    // A present key with nothing after "=" is an empty value, not absent.
    EXPECT_EQ(ini_entry(profile, "intl", "empty"), "");
}

TEST(ConsoleProfile, CommentsOtherSectionsAndBrokenLinesGiveNothing)
{
    EXPECT_FALSE(ini_entry(profile, "intl", "sDecimal"));
    EXPECT_FALSE(ini_entry(profile, "intl", "device"));
    EXPECT_FALSE(ini_entry(profile, "missing", "sDate"));
    EXPECT_FALSE(ini_entry("[intl\nsDate=/\n", "intl", "sDate"));
    EXPECT_FALSE(ini_entry("sDate=/\n", "intl", "sDate"));
    EXPECT_FALSE(ini_entry("", "intl", "sDate"));
}

TEST(ConsoleProfile, TheProfileFileIsFoundInAnyCase)
{
    auto dir = std::filesystem::temp_directory_path() / ("talven-profile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    {
        std::ofstream out(dir / "win.ini");
        out << "[intl]\nsShortDate=yyyy-MM-dd\n";
    }
    EXPECT_EQ(profile_entry(dir.string(), "intl", "sShortDate"), "yyyy-MM-dd");
    EXPECT_FALSE(profile_entry((dir / "nowhere").string(), "intl", "sShortDate"));
    std::filesystem::remove_all(dir);
}

TEST(ConsoleProfile, TheWindowsDirectoryFollowsTheEnvironment)
{
    ::setenv("TALVEN_WINDIR", "/some/where", 1);
    EXPECT_EQ(console_windows_directory(), "/some/where");
    ::unsetenv("TALVEN_WINDIR");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(console_windows_directory(), "/cfg/talven");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/nutzer", 1);
    EXPECT_EQ(console_windows_directory(), "/home/nutzer/.config/talven");
}

} // namespace
} // namespace talven
