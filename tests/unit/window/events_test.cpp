#include <gtest/gtest.h>

#include "window/events.h"

namespace talven {
namespace {

TEST(EventState, QueuedKeysFollowTheRecordingRules)
{
    EventState events;
    // A key 0 is remembered as 1 so that "no key" stays distinguishable.
    EXPECT_TRUE(events.queue_key(0));
    EXPECT_EQ(events.last_key, 1);
    EXPECT_EQ(events.keys.pop(), 0);

    // Key 5 is the help key only during the all-events wait.
    events.queue_key(5);
    EXPECT_FALSE(events.help_key);
    events.all_events_wait = true;
    events.queue_key(5);
    EXPECT_TRUE(events.help_key);
    events.queue_key('a');
    EXPECT_FALSE(events.help_key);
}

TEST(EventState, AFullQueueDropsKeysButTheLastKeyMoves)
{
    EventState events;
    for (int i = 0; i < KeyQueue::capacity; ++i)
        events.queue_key(static_cast<std::uint8_t>('A' + i % 26));
    EXPECT_EQ(events.keys.size(), KeyQueue::capacity);
    events.queue_key('z');
    EXPECT_EQ(events.keys.size(), KeyQueue::capacity);
    EXPECT_EQ(events.last_key, 'z');
    // Oldest first.
    EXPECT_EQ(events.keys.pop(), 'A');
    EXPECT_EQ(events.keys.pop(), 'B');
    EXPECT_EQ(events.keys.size(), KeyQueue::capacity - 2);
    events.keys.clear();
    EXPECT_EQ(events.keys.pop(), 0);
}

TEST(EventState, BreakKeysStopOnlyWhileBreakCheckingIsOn)
{
    EventState events;
    EXPECT_FALSE(events.queue_key(3));
    EXPECT_TRUE(events.stop_requested);
    EXPECT_TRUE(events.keys.empty());

    EventState down;
    EXPECT_FALSE(down.key_down(3));
    EXPECT_TRUE(down.stop_requested);
    EXPECT_EQ(down.last_virtual_key, 0);

    EventState ending;
    ending.break_checking = false;
    EXPECT_TRUE(ending.queue_key(3));
    EXPECT_TRUE(ending.key_down(3));
    EXPECT_FALSE(ending.stop_requested);
    EXPECT_EQ(ending.last_key, 3);
    EXPECT_EQ(ending.last_virtual_key, 3);
}

TEST(EventState, CommandsFromMenusAndControls)
{
    struct Case {
        bool from_control;
        std::uint16_t id;
        std::int16_t command;
        std::uint32_t focus;
        bool buttons_kept;
    };
    const Case cases[] = {
        {false, 32767, 255, 0, false},
        {false, 32766, 32766, 0, false},
        {false, 40000, -25536, 0, false},
        {true, 1000, -1000, 0x1234, true},
        {true, 32767, -32767, 0x1234, true},
    };
    for (const auto& c : cases) {
        EventState events;
        events.mouse_x = events.mouse_y = 7;
        events.left_button = events.right_button = true;
        if (c.from_control)
            events.control_command(c.id, 0x1234);
        else
            events.menu_command(c.id);
        EXPECT_EQ(events.command, c.command) << c.id;
        EXPECT_EQ(events.focus, c.focus) << c.id;
        EXPECT_EQ(events.left_button && events.right_button && events.mouse_x == 7, c.buttons_kept) << c.id;
    }
}

} // namespace
} // namespace talven
