// The timer service driven through the stand-in thread timers: tests deliver
// timer messages by hand, so every tick is deterministic. Off Windows only;
// tests/win/ runs the service on real thread timers.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <csetjmp>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <chrono>

#include "gui/TimerClient.h"
#include "gui/TimerService.h"
#include "platform/ThreadTimerStub.h"

namespace stub = platform::stub;
using platform::TimerId;

namespace {

TimerService& service() { return *TimerService::instance(); }

/// Answers as the test's script says and logs its one-letter name per call.
class LoggingClient final : public TimerClient {
public:
    LoggingClient(char ownName, std::string& sharedLog, const std::function<bool(char)>& sharedScript)
        : TimerClient(Unheld{}), name(ownName), log(sharedLog), script(sharedScript) {}
    bool onTimer() override {
        log += name;
        return script(name);
    }
    const char name;

private:
    std::string& log;
    const std::function<bool(char)>& script;
};

const TimerGroup* groupFor(std::int32_t periodMs) {
    for (const TimerGroup& group : service().groupList())
        if (group.periodMs == periodMs) return &group;
    return nullptr;
}

TimerId idFor(std::int32_t periodMs) {
    const TimerGroup* group = groupFor(periodMs);
    return group != nullptr ? group->timerId : 0;
}

/// The groups in list order as "period:clients", e.g. "10:AB 20:C"; an idle
/// group kept after its clients left by answering false shows as "10:".
std::string groups() {
    std::string out;
    for (const TimerGroup& group : service().groupList()) {
        if (!out.empty()) out += ' ';
        out += std::to_string(group.periodMs) + ':';
        for (const TimerClient* client : group.clients) out += static_cast<const LoggingClient*>(client)->name;
    }
    return out;
}

/// Every group with clients runs exactly one live timer of its period, an
/// empty group none, and no other timer is alive.
void expectTimersMatchGroups() {
    std::map<TimerId, std::int32_t> expected;
    for (const TimerGroup& group : service().groupList()) {
        EXPECT_EQ(group.timerId != 0, !group.clients.empty()) << "group " << group.periodMs;
        if (group.timerId != 0) expected[group.timerId] = group.periodMs;
    }
    std::map<TimerId, std::int32_t> live;
    for (const stub::LiveTimer& timer : stub::liveTimers()) live[timer.id] = timer.periodMs;
    EXPECT_EQ(live, expected);
}

struct Timers : ::testing::Test {
    void SetUp() override { fresh(); }

    void TearDown() override {
        clients.clear();
        TimerClient::setDefaultTimerPeriod(50);
    }

    /// No clients, no groups, no timers. A group left idle by an earlier test
    /// goes the one way there is, by a start and a stop.
    void fresh() {
        clients.clear();
        while (!service().groupList().empty()) {
            const TimerGroup& group = service().groupList().front();
            if (!group.clients.empty()) {
                service().stop(group.clients.front());
                continue;
            }
            LoggingClient sweeper('-', log, script);
            sweeper.startTimer(group.periodMs);
        }
        stub::reset();
        log.clear();
        answers.clear();
    }

    LoggingClient& client(char name) {
        auto& slot = clients[name];
        if (!slot) slot = std::make_unique<LoggingClient>(name, log, script);
        return *slot;
    }
    void destroy(char name) { clients.erase(name); }
    void fire(std::int32_t periodMs) { ASSERT_TRUE(stub::fire(idFor(periodMs))) << "no timer for " << periodMs; }

    std::string log;
    std::map<char, bool> answers;  // what each client answers; true when absent
    std::function<void(char)> during = [](char) {};
    std::function<bool(char)> script = [this](char name) {
        during(name);
        const auto it = answers.find(name);
        return it == answers.end() || it->second;
    };
    std::map<char, std::unique_ptr<LoggingClient>> clients;
};

TEST_F(Timers, ClientsOfOnePeriodShareOneTimerAndAreCalledInStartOrder) {
    client('A').startTimer(10);
    client('B').startTimer(10);
    client('C').startTimer(10);
    const TimerId shared = idFor(10);
    client('B').startTimer(10);  // a second start changes nothing
    EXPECT_EQ(groups(), "10:ABC");
    EXPECT_EQ(stub::setCount(), 1);
    EXPECT_EQ(idFor(10), shared);

    fire(10);
    fire(10);
    EXPECT_EQ(log, "ABCABC");

    client('D').startTimer(20);
    log.clear();
    fire(20);
    EXPECT_EQ(log, "D");
    EXPECT_EQ(groups(), "10:ABC 20:D");
    expectTimersMatchGroups();
}

TEST_F(Timers, ClientAnsweringFalseLeavesAndItsEmptiedGroupIsRearmed) {
    answers['A'] = false;
    client('A').startTimer(1);
    client('B').startTimer(1);
    const TimerId first = idFor(1);

    fire(1);
    fire(1);
    EXPECT_EQ(log, "ABB") << "the one-shot client is called once; the one after it in the same tick";
    EXPECT_EQ(groups(), "1:B");
    client('A').stopTimer();  // already left: nothing happens
    EXPECT_EQ(groups(), "1:B");

    client('A').startTimer(1);  // joins a running group: its timer keeps its schedule
    EXPECT_EQ(groups(), "1:BA");
    EXPECT_EQ(idFor(1), first);
    EXPECT_EQ(stub::setCount(), 1);

    answers['B'] = false;
    log.clear();
    fire(1);
    EXPECT_EQ(log, "BA");
    EXPECT_EQ(groups(), "1:") << "emptied by ticks: timer killed, group kept";
    expectTimersMatchGroups();
    EXPECT_TRUE(stub::fire(first)) << "a message still queued for the killed timer";
    EXPECT_EQ(log, "BA");

    client('A').startTimer(1);
    EXPECT_EQ(groups(), "1:A") << "the same group, re-armed";
    EXPECT_NE(idFor(1), 0u);
    EXPECT_NE(idFor(1), first);
    expectTimersMatchGroups();
}

TEST_F(Timers, StartWithoutPeriodUsesTheDefaultInForceThen) {
    client('A').startTimer();
    TimerClient::setDefaultTimerPeriod(20);
    client('B').startTimer();
    EXPECT_EQ(groups(), "50:A 20:B");
    expectTimersMatchGroups();
}

TEST_F(Timers, StopMoveAndDestructionLeaveOneRegistrationAtMost) {
    struct Row {
        const char* what;
        std::function<void(Timers&)> act;
        const char* groupsAfter;
    };
    const Row rows[] = {
        {"stop a client never started", [](Timers& t) { t.client('D').stopTimer(); }, "10:AB 20:C"},
        {"stop one of two", [](Timers& t) { t.client('A').stopTimer(); }, "10:B 20:C"},
        {"stop the last of a group", [](Timers& t) { t.client('C').stopTimer(); }, "10:AB"},
        {"stop twice",
         [](Timers& t) {
             t.client('C').stopTimer();
             t.client('C').stopTimer();
         },
         "10:AB"},
        {"destroy the last of a group", [](Timers& t) { t.destroy('C'); }, "10:AB"},
        {"destroy two of a group",
         [](Timers& t) {
             t.destroy('B');
             t.destroy('A');
         },
         "20:C"},
        {"move to a running period", [](Timers& t) { t.client('A').startTimer(20); }, "10:B 20:CA"},
        {"move the last of a group", [](Timers& t) { t.client('C').startTimer(10); }, "10:ABC"},
        {"move to a new period, then destroy",
         [](Timers& t) {
             t.client('B').startTimer(30);
             t.destroy('B');
         },
         "10:A 20:C"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        client('A').startTimer(10);
        client('B').startTimer(10);
        client('C').startTimer(20);
        client('D');
        row.act(*this);
        EXPECT_EQ(groups(), row.groupsAfter);
        expectTimersMatchGroups();
    }
}

TEST_F(Timers, UnknownAndNestedTimerMessagesAreDropped) {
    client('X').startTimer(5);
    const TimerId killed = idFor(5);
    client('X').stopTimer();
    client('A').startTimer(10);
    client('B').startTimer(20);

    EXPECT_TRUE(stub::fire(killed));
    timerProc(0);
    timerProc(999999);
    EXPECT_EQ(log, "");

    // A message loop run inside onTimer delivers more timer messages.
    during = [this](char name) {
        if (name != 'A') return;
        fire(20);
        fire(10);
    };
    fire(10);
    EXPECT_EQ(log, "A");
    fire(20);
    EXPECT_EQ(log, "AB");
    EXPECT_EQ(groups(), "10:A 20:B");
}

TEST_F(Timers, FailedTimerIsNotRetriedUntilItsGroupIsMadeAnew) {
    stub::failNextSet();
    client('A').startTimer(10);
    client('B').startTimer(10);
    EXPECT_EQ(groups(), "10:AB");
    EXPECT_EQ(idFor(10), 0u);
    EXPECT_EQ(stub::setCount(), 1);
    timerProc(0);
    EXPECT_EQ(log, "");

    client('A').stopTimer();
    client('B').stopTimer();
    client('A').startTimer(10);
    EXPECT_NE(idFor(10), 0u);
    expectTimersMatchGroups();
}

// A, B and C stand in that order under 10 ms; while B is called in the first
// tick it changes the service, then answers. The others must each be called
// once per tick unless taken out before their turn, and nothing destroyed may
// be reached (the sanitizer build checks that).
TEST_F(Timers, ClientsMayChangeTheServiceFromInsideOnTimer) {
    struct Row {
        const char* what;
        std::function<void(Timers&)> insideB;
        bool bAnswers;
        const char* firstTick;
        const char* secondTick;
        const char* groupsAfter;
    };
    const Row rows[] = {
        {"B answers false", [](Timers&) {}, false, "ABC", "AC", "10:AC"},
        {"B throws: it stays, the tick goes on", [](Timers&) { throw std::runtime_error("failed"); }, false, "ABC",
         "ABC", "10:ABC"},
        {"B stops itself, answers true", [](Timers& t) { t.client('B').stopTimer(); }, true, "ABC", "AC", "10:AC"},
        {"B destroys itself", [](Timers& t) { t.destroy('B'); }, true, "ABC", "AC", "10:AC"},
        {"B stops A, already called", [](Timers& t) { t.client('A').stopTimer(); }, true, "ABC", "BC", "10:BC"},
        {"B destroys A, already called", [](Timers& t) { t.destroy('A'); }, true, "ABC", "BC", "10:BC"},
        {"B destroys C, not yet called", [](Timers& t) { t.destroy('C'); }, true, "AB", "AB", "10:AB"},
        {"B destroys A and itself",
         [](Timers& t) {
             t.destroy('A');
             t.destroy('B');
         },
         false, "ABC", "C", "10:C"},
        {"B stops all three",
         [](Timers& t) {
             for (char name : {'A', 'B', 'C'}) t.client(name).stopTimer();
         },
         true, "AB", "", ""},
        {"B destroys all three",
         [](Timers& t) {
             for (char name : {'C', 'A', 'B'}) t.destroy(name);
         },
         true, "AB", "", ""},
        {"B stops all three, then starts C again",
         [](Timers& t) {
             for (char name : {'A', 'B', 'C'}) t.client(name).stopTimer();
             t.client('C').startTimer(10);
         },
         true, "AB", "C", "10:C"},
        {"B destroys A and C, answers false", [](Timers& t) { t.destroy('A'), t.destroy('C'); }, false, "AB", "",
         "10:"},
        {"B starts D", [](Timers& t) { t.client('D').startTimer(10); }, true, "ABC", "ABCD", "10:ABCD"},
        {"B moves itself to 20", [](Timers& t) { t.client('B').startTimer(20); }, true, "ABC", "AC", "10:AC 20:B"},
        {"B moves C to 20", [](Timers& t) { t.client('C').startTimer(20); }, true, "AB", "AB", "10:AB 20:C"},
        {"B starts itself again, answers false", [](Timers& t) { t.client('B').startTimer(10); }, false, "ABC",
         "ABC", "10:ABC"},
        {"B stops and starts itself",
         [](Timers& t) {
             t.client('B').stopTimer();
             t.client('B').startTimer(10);
         },
         false, "ABC", "ACB", "10:ACB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        for (char name : {'A', 'B', 'C'}) client(name).startTimer(10);
        bool first = true;
        during = [&](char name) {
            if (name != 'B' || !first) return;
            first = false;
            answers['B'] = row.bAnswers;
            row.insideB(*this);
        };
        fire(10);
        EXPECT_EQ(log, row.firstTick);
        answers.erase('B');
        log.clear();
        if (idFor(10) != 0) fire(10);
        EXPECT_EQ(log, row.secondTick);
        EXPECT_EQ(groups(), row.groupsAfter);
        expectTimersMatchGroups();
        during = [](char) {};
    }
}

// A fault in host code inside onTimer that the system's message dispatch
// catches: the dispatch resumes at its own frame, and nothing in between runs
// its cleanup. longjmp does exactly that here. The tick is gone; the next
// message, from the same loop or from a deeper one, ticks every group.
namespace abandoned {

std::jmp_buf handler;

// The system's message dispatch: delivers one timer message, and resumes
// here, unwinding nothing, when code inside faults.
[[gnu::noinline]] void dispatch(TimerId id) {
    if (setjmp(handler) == 0) stub::fire(id);
}

[[gnu::noinline]] void fault() { std::longjmp(handler, 1); }

// A host's modal loop deeper on the stack, whose frames overwrite where the
// abandoned tick was, or leave those bytes as the tick left them. Written
// byte by byte through volatile, which the compiler may not drop as it may
// drop a memset of an array never read; not instrumented, so no guard bytes
// of the sanitizer leave parts of that memory as the tick left it.
[[gnu::noinline, gnu::no_sanitize_address]] void fromADeeperLoop(const std::function<void()>& loop, bool overwrite) {
    volatile char frames[4096];
    if (overwrite)
        for (volatile char& byte : frames) byte = 0x11;
    loop();
}

}  // namespace abandoned

TEST_F(Timers, ATickAbandonedByAFaultCaughtInTheDispatchDoesNotStopLaterTicks) {
    enum class Next { sameLoop, deeperLoop, deeperLoopOverTheOldBytes };
    for (const Next next : {Next::sameLoop, Next::deeperLoop, Next::deeperLoopOverTheOldBytes}) {
        const bool deeper = next != Next::sameLoop;
        SCOPED_TRACE(next == Next::sameLoop     ? "next messages from the same loop"
                     : next == Next::deeperLoop ? "next messages from a deeper loop"
                                                : "next messages from a deeper loop that leaves the old bytes");
        fresh();
        for (char name : {'A', 'B', 'C'}) client(name).startTimer(10);
        client('D').startTimer(20);
        bool faulted = false;
        during = [&](char name) {
            if (name != 'B' || faulted) return;
            faulted = true;
            abandoned::fault();
        };
        const TimerId tenMs = idFor(10), twentyMs = idFor(20);
        abandoned::dispatch(tenMs);
        ASSERT_TRUE(faulted);
        EXPECT_EQ(log, "AB");
        client('A').stopTimer();  // the host acts between the two messages
        client('A').startTimer(10);

        log.clear();
        if (deeper) {
            abandoned::fromADeeperLoop(
                [&] {
                    abandoned::dispatch(tenMs);
                    abandoned::dispatch(twentyMs);
                },
                next == Next::deeperLoop);
        } else {
            abandoned::dispatch(tenMs);
            abandoned::dispatch(twentyMs);
        }
        EXPECT_EQ(log, "BCAD") << "B's failed call decided nothing; C waited for this tick";
        EXPECT_EQ(groups(), "10:BCA 20:D");
        expectTimersMatchGroups();
        during = [](char) {};
    }
}

TEST_F(Timers, TheHostsPumpFiresEachDueTimerOncePerPeriodAsAMessageLoopWould) {
    using namespace std::chrono;
    EXPECT_EQ(stub::fireDueTimers(), -1) << "no timer, nothing to wait for";
    const auto start = steady_clock::now();
    client('A').startTimer(30);
    client('B').startTimer(1);  // the system's floor: 10 ms
    const std::int32_t next = stub::fireDueTimers();
    if (steady_clock::now() - start < milliseconds(10)) {
        EXPECT_EQ(log, "") << "nothing is due before its period";
        EXPECT_GT(next, 0);
        EXPECT_LE(next, 10);
    }
    // Late by several periods: each timer fires once, not once per period missed.
    std::this_thread::sleep_until(start + milliseconds(65));
    log.clear();
    const std::int32_t after = stub::fireDueTimers();
    EXPECT_EQ(log, "AB");
    EXPECT_GE(after, 0);
    EXPECT_LE(after, 10) << "B keeps its own 10 ms beat";
    client('A').stopTimer();
    client('B').stopTimer();
    EXPECT_EQ(stub::fireDueTimers(), -1) << "stopped timers are not waited for";
}

TEST(TimerServiceTeardown, KillsEveryTimerItStillOwns) {
    stub::reset();
    std::string log;
    const std::function<bool(char)> keep = [](char) { return true; };
    LoggingClient a('A', log, keep), b('B', log, keep);
    std::optional<TimerService> own;
    own.emplace();
    own->start(&a, 10);
    own->start(&b, 20);
    EXPECT_EQ(stub::liveTimers().size(), 2u);
    own.reset();
    EXPECT_TRUE(stub::liveTimers().empty());
    EXPECT_EQ(log, "") << "clients are not told";
}

// Run alone (as ctest runs each test), the client below is made before the
// process's service, so the runtime's teardown destroys the service first and
// the client's destructor must not reach it (the sanitizer build checks that).
TEST(TimerServiceTeardown, ClientOutlivingTheServiceIsHarmless) {
    struct Repeating final : TimerClient {
        Repeating() : TimerClient(Unheld{}) {}
        bool onTimer() override { return true; }
    };
    static Repeating client;
    client.startTimer(7);
    EXPECT_NE(TimerService::instance(), nullptr);
}

}  // namespace

#endif
