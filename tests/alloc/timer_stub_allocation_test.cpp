// The native stand-in timers as a native host drives them for hours: its
// pump, CorvaneFireDueTimers, is noexcept, so an allocation inside it that
// failed would end the host; it allocates nothing, whatever the clients it
// ticks do to one another. And a timer, once killed, leaves nothing behind.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "FailingAllocator.h"
#include "gui/TimerClient.h"
#include "platform/ThreadTimerStub.h"

// The library's native timer entry, as a host calls it.
extern "C" std::int32_t CorvaneFireDueTimers();

namespace {

// Logs its name per tick; `victim`, when set, is stopped from inside the tick.
class Client final : public TimerClient {
public:
    Client(char ownName, std::string& sharedLog) : TimerClient(Unheld{}), name(ownName), log(sharedLog) {}
    bool onTimer() override {
        log += name;
        if (victim != nullptr) victim->stopTimer();
        return true;
    }
    Client* victim = nullptr;

private:
    const char name;
    std::string& log;
};

TEST(TimerStubMemory, ThePumpAllocatesNothing) {
    platform::stub::reset();
    std::string log;
    log.reserve(16);
    // One thread timer per period; A's tick kills C's timer, due in the same round.
    Client a('A', log), b('B', log), c('C', log);
    a.startTimer(10);
    b.startTimer(15);
    c.startTimer(20);
    a.victim = &c;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));

    const std::size_t before = allocationsMade();
    const std::int32_t next = CorvaneFireDueTimers();
    EXPECT_EQ(allocationsMade(), before);
    EXPECT_EQ(log, "AB");
    EXPECT_GE(next, 0);
    EXPECT_LE(next, 15);
}

TEST(TimerStubMemory, FinishedTimersAreForgotten) {
    platform::stub::reset();
    std::string log;
    Client client('A', log);
    client.startTimer(10);
    client.stopTimer();
    const std::size_t held = blocksInUse();
    for (int round = 0; round < 1000; ++round) {
        client.startTimer(10);  // a new thread timer each time: its group went at the stop
        client.stopTimer();
    }
    EXPECT_EQ(blocksInUse(), held);
    EXPECT_EQ(platform::stub::setCount(), 1001);
}

TEST(TimerStubMemory, ATimerThatFindsNoMemoryIsRefusedAsTheSystemRefuses) {
    platform::stub::reset();
    // Set timers until one has to grow the stand-in's storage, with that
    // growth failing: the set answers 0 instead of throwing.
    const auto proc = [](platform::TimerId) {};
    for (int set = 0; set < 100; ++set) {
        const std::size_t live = platform::stub::liveTimers().size();
        AllocationFault fault(0);
        const platform::TimerId id = platform::setThreadTimer(10, proc);
        if (!fault.end()) {
            ASSERT_NE(id, 0u);
            continue;
        }
        EXPECT_EQ(id, 0u);
        EXPECT_EQ(platform::stub::liveTimers().size(), live);
        platform::stub::reset();
        return;
    }
    FAIL() << "no set of a timer allocated";
}

}  // namespace
