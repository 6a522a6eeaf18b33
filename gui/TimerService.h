// The process's timer service: drives every TimerClient from thread timers,
// one timer per distinct period, shared by the clients of that period.
// TimerClient's operations reach it; timerProc, given to every timer, ticks
// it. Created on first use, destroyed at unload, killing the timers it still
// owns. GUI thread only (creation excepted, which is safe from any thread).
#pragma once

#include <cstdint>
#include <list>

#include "gui/TimerGroup.h"
#include "platform/ThreadTimer.h"

class TimerClient;

class TimerService {
public:
    TimerService() = default;
    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;
    /// Kills every timer still running; registered clients are not told.
    ~TimerService();

    /// The process's service, created on first use; null once the library's
    /// teardown has destroyed it (for clients destroyed later still).
    static TimerService* instance();

    /// Registers `client` under `periodMs`, moving it out of any group of
    /// another period; sets the group's timer when the group had none.
    /// May throw std::bad_alloc, and std::logic_error for a client without
    /// its GUI object (see TimerClient), leaving the client where it was.
    void start(TimerClient* client, std::int32_t periodMs);
    /// Unregisters `client` wherever it stands; a group it leaves empty is
    /// removed with its timer. Unknown clients are ignored.
    void stop(const TimerClient* client);
    /// The period for TimerClient::startTimer(); groups already made keep theirs.
    void setDefaultPeriod(std::int32_t periodMs) { defaultPeriodMs = periodMs; }
    std::int32_t defaultPeriod() const { return defaultPeriodMs; }
    /// Calls the clients of the group whose timer is `timerId`; unknown ids
    /// are ignored. The body of timerProc.
    void tick(platform::TimerId timerId);
    /// Settles the groups after a tick that never returned (a fault in host
    /// code caught by the message dispatch): no walk is running any more, and
    /// a group its clients left during that tick goes. Its clients stay as
    /// they were; the group's timer calls them again.
    void forgetAbandonedTick();

    /// The groups in the order they were made, for inspection.
    const std::list<TimerGroup>& groupList() const { return groups; }

private:
    using Group = std::list<TimerGroup>::iterator;
    Group groupOf(const TimerClient* client);
    void leave(Group group, const TimerClient* client);

    std::list<TimerGroup> groups;  // a list: a group's address survives changes to the others
    std::int32_t defaultPeriodMs = 50;
};

/// The proc given to every thread timer: ticks the process's service unless a
/// tick is already running on this thread (an onTimer that pumped messages),
/// in which case the message is dropped. A tick that was abandoned by a fault
/// the message dispatch caught is not running: the next message ticks.
void timerProc(platform::TimerId timerId) noexcept;
