// Mix-in base of any object that wants periodic or deferred calls from the
// process's timer service. A GUI object derives from it besides its GUI base
// and implements onTimer; the service calls it on the GUI thread's timer
// messages. GUI thread only.
#pragma once

#include <cstdint>

class TimerClient {
public:
    /// Takes the client out of the service as stopTimer does, so no pending
    /// tick can reach a destroyed object.
    virtual ~TimerClient();

    /// Called on each timer message of the client's period. True keeps the
    /// client started; false takes it out (one-shot work answers false).
    virtual bool onTimer() = 0;

    /// Starts the client under `periodMs`, moving it if it stood under
    /// another period. Starting it again under its own period changes nothing.
    void startTimer(std::int32_t periodMs);
    /// Starts the client under the default period in force now.
    void startTimer();
    /// Takes the client out; does nothing when it is not started.
    void stopTimer();
    /// Changes the default period for later startTimer() calls; running
    /// groups keep their periods.
    static void setDefaultTimerPeriod(std::int32_t periodMs);

protected:
    TimerClient() = default;
    // A copy is a new, unstarted client: the service keys clients by address.
    TimerClient(const TimerClient&) = default;
    TimerClient& operator=(const TimerClient&) = default;
};
