// The colour rule, its reverse, and the drawing target as a host sees it.
#include <gtest/gtest.h>

#include "support/program_builder.h"
#include "window/drawing.h"

namespace talven {
namespace {

using testing::line;

TEST(ColorRule, ColourNumbersAndTrueColour)
{
    struct Case {
        std::int32_t value;
        bool true_color;
        WinColor expected;
    };
    const Case cases[] = {
        {31, false, 0x0000FF},      {992, false, 0x00FF00},   {31744, false, 0xFF0000},
        {32767, false, 0xFFFFFF},   {0, false, 0x000000},     {1, false, 0x00000F},
        {1024 + 32 + 2, false, 0x0F0F17},
        {31, true, 0x00001F},       {0x123456, true, 0x123456}, {-1, true, 0xFFFFFFFF},
        // Out of range, the sum keeps whatever bits it gets.
        {-1, false, 0xFFFFFFF8},    {32768, false, 0x1070000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(color_rule(c.value, c.true_color), c.expected) << c.value << " " << c.true_color;
}

TEST(ColorRule, ReverseGivesEveryColourNumberBack)
{
    for (std::int32_t n = 0; n <= 32767; ++n)
        ASSERT_EQ(reverse_color_rule(color_rule(n, false)), n) << n;
    EXPECT_EQ(reverse_color_rule(0xFFFFFFFFu), 32767);
    EXPECT_EQ(reverse_color_rule(0x00070707u), 0);
}

struct Call {
    std::string what;
    DrawSlots slots;
};

class RecordingDrawing : public DrawingHost {
public:
    std::vector<Call> calls;
    std::uint32_t main = 0x55;
    std::uint32_t main_window_handle() override { return main; }
    std::uint64_t acquire_window_dc(std::uint32_t) override { return calls.push_back({"getdc", {}}), 0x99; }
    void release_window_dc(std::uint32_t, std::uint64_t) override { calls.push_back({"releasedc", {}}); }
    void line(const DrawSlots& s, std::int32_t, std::int32_t, std::int32_t, std::int32_t) override
    {
        calls.push_back({"line", s});
    }
};

class DrawingFakeHost : public testing::FakeHost {
public:
    RecordingDrawing* recorder = nullptr;
    DrawingHost& drawing() override { return *recorder; }
};

testing::RunResult run(DrawingFakeHost& host, const std::vector<std::string>& lines)
{
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = testing::plain_program(lines);
    int code = run_runtime(host);
    return {code, host.output, host.boxes};
}

TEST(DrawTarget, StartpaintOfTheMainWindowSwitchesNothing)
{
    RecordingDrawing recorder;
    DrawingFakeHost host;
    host.recorder = &recorder;
    auto r = run(host, {line(Tok::Print, "\"x\""), line(Tok::Startpaint, "85"), line(Tok::Line, "1,2-3,4"),
                        line(Tok::Endpaint), line(Tok::Startpaint, "86"), line(Tok::Line, "1,2-3,4"),
                        line(Tok::Endpaint)});
    EXPECT_EQ(r.exit_code, 0) << r.first_caption();
    ASSERT_EQ(recorder.calls.size(), 4u);
    EXPECT_EQ(recorder.calls[0].what, "line");
    EXPECT_EQ(recorder.calls[0].slots.primary, Surface{SurfaceKind::Window});
    EXPECT_EQ(recorder.calls[0].slots.secondary, Surface{SurfaceKind::Backing});
    EXPECT_EQ(recorder.calls[1].what, "getdc");
    EXPECT_EQ(recorder.calls[2].slots.primary, (Surface{SurfaceKind::Foreign, 0x99}));
    EXPECT_EQ(recorder.calls[2].slots.secondary, (Surface{SurfaceKind::Foreign, 0x99}));
    EXPECT_EQ(recorder.calls[3].what, "releasedc");
}

TEST(DrawTarget, EndpaintPumpsAndAClosedWindowEndsTheProgram)
{
    RecordingDrawing recorder;
    DrawingFakeHost host;
    host.recorder = &recorder;
    host.pump_result = PumpResult::Quit;
    auto r = run(host, {line(Tok::Startpaint, "-1"), line(Tok::Endpaint), line(Tok::Print, "\"nie\"")});
    EXPECT_EQ(r.exit_code, 255);
    EXPECT_EQ(r.output, "");
}

} // namespace
} // namespace talven
