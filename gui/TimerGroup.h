// The clients of one period and the one thread timer they share. Owned by the
// TimerService, which finds groups by period and by timer id; nothing else
// holds a group. GUI thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/ThreadTimer.h"

class TimerClient;

class TimerGroup {
public:
    /// A new group holding `first`, with no timer yet (see restartTimer).
    TimerGroup(std::int32_t periodMs, TimerClient* first);
    TimerGroup(const TimerGroup&) = delete;
    TimerGroup& operator=(const TimerGroup&) = delete;

    /// The running thread timer's id, or 0 when none runs for this group.
    platform::TimerId timerId = 0;
    /// Handed unchanged to the system; the key the service finds the group by.
    const std::int32_t periodMs;
    /// Non-owning, in start order; a client stands here at most once.
    /// Changed only through the operations below, which keep a running walk right.
    std::vector<TimerClient*> clients;

    /// Kills the timer if one runs, then sets a new one if clients remain.
    void restartTimer();
    /// Kills the timer if one runs.
    void killTimer();
    /// Calls each client that stood here when the tick began, in order, and
    /// takes out those that answer false. Clients may start, stop or destroy
    /// any client, themselves included, from inside onTimer.
    void tick();

    bool holds(const TimerClient* client) const;
    /// Appends `client`; one added during a tick is first called on the next.
    /// May throw std::bad_alloc, leaving the group unchanged.
    void add(TimerClient* client);
    /// Takes `client` out if it stands here.
    void remove(const TimerClient* client);
    /// Notes that the client being ticked was started again under this
    /// period from inside its own onTimer: it stays whatever it answers.
    void renew(const TimerClient* client);
    /// True while tick() runs; the service must not free the group then.
    bool walking() const { return walk.active; }
    /// Ends the record of a tick that never returned.
    void forgetWalk() { walk = Walk{}; }

    /// Set by the service when the group was emptied during its own tick by
    /// stop or a move: it is freed once the tick ends, unless refilled.
    bool freeAfterTick = false;

private:
    void eraseAt(std::size_t index);

    // The state of a running tick, kept here so removals can shift it.
    struct Walk {
        bool active = false;
        std::size_t position = 0;  // the client being called, or the next one
        std::size_t end = 0;       // clients from here on joined during the tick
        bool currentGone = false;  // the called client left during its call
        bool currentRenewed = false;
    };
    Walk walk;
};
