// The part of a GUI object through which the timer service calls the
// onTimer of the object's timer clients (the object itself, its members,
// its helpers): the object holds itself for the length of the call, so a
// host that lets go of it inside a send from the tick frees it once onTimer
// has returned, never in its middle. Both GUI object bases implement it; a
// TimerClient keeps a link to it (see TimerClient.h). GUI thread only.
#pragma once

class TimerClient;

class TickHolder {
public:
    /// Calls `client`'s onTimer under the object's hold and answers what it
    /// answers. The object (and so `client`, a part of it) may be gone when
    /// this returns.
    virtual bool tickHeld(TimerClient& client) = 0;

protected:
    TickHolder() = default;
    TickHolder(const TickHolder&) = default;
    TickHolder& operator=(const TickHolder&) = default;
    // Objects are destroyed through their own class's destructor.
    ~TickHolder() = default;
};
