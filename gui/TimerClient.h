// Mix-in base of any object that wants periodic or deferred calls from the
// process's timer service, and the part of a GUI object that holds the
// object over each call. The service calls onTimer on the GUI thread's timer
// messages. GUI thread only.
//
// Each client knows the GUI object whose hold covers its ticks, so a host
// that lets go of the object inside a send from onTimer frees it once
// onTimer has returned:
//   - a GUI object of the bases with TimerClient as a second base uses the
//     default constructor: the object itself is found when first started;
//   - a member or helper of a GUI object names it: TimerClient(owner);
//   - a client that is no part of a GUI object says so: TimerClient(Unheld{}).
// A client made with the default constructor that turns out to be no GUI
// object (a member that forgot its owner) is refused by startTimer with
// std::logic_error rather than ticked without the hold.
#pragma once

#include <cstdint>

class TickHolder;
class TimerGroup;
class TimerService;

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
    /// Throws std::logic_error for a client without its GUI object (see
    /// above), std::bad_alloc when memory runs out; the client stays where it was.
    void startTimer(std::int32_t periodMs);
    /// Starts the client under the default period in force now.
    void startTimer();
    /// Takes the client out; does nothing when it is not started.
    void stopTimer();
    /// Changes the default period for later startTimer() calls; running
    /// groups keep their periods.
    static void setDefaultTimerPeriod(std::int32_t periodMs);

protected:
    /// The tag of a client that is no part of any GUI object.
    struct Unheld {
        explicit Unheld() = default;
    };

    /// A GUI object of the bases that has TimerClient as a base.
    TimerClient() noexcept = default;
    /// A member or helper of the GUI object `owner` (any object of the GUI
    /// bases converts to it), held by it over each tick. The client must not
    /// outlive `owner`.
    explicit TimerClient(TickHolder& owner) noexcept : holder(&owner), link(Link::Owner) {}
    /// A client that is no part of any GUI object: its ticks run with no hold.
    explicit TimerClient(Unheld) noexcept : link(Link::None) {}

    // A copy is a new, unstarted client (the service keys clients by
    // address). It does not take the original's owner, which is another
    // object's: it finds its own as the default constructor does, unless the
    // original was Unheld. Assignment keeps the client's own owner.
    TimerClient(const TimerClient& other) noexcept
        : link(other.link == Link::None ? Link::None : Link::Unresolved) {}
    TimerClient& operator=(const TimerClient&) noexcept { return *this; }

private:
    friend class TimerGroup;
    friend class TimerService;

    enum class Link : std::uint8_t { Unresolved, Owner, None };

    /// Finds the GUI object of a default-constructed client, once, when the
    /// service registers it; throws std::logic_error when there is none.
    void resolveOwner();
    /// One tick, as the service makes it: onTimer under the owner's hold.
    /// The client may be gone when this returns.
    bool tick();

    TickHolder* holder = nullptr;  // the GUI object whose hold covers the ticks
    Link link = Link::Unresolved;
};
