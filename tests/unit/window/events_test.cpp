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

} // namespace
} // namespace talven
