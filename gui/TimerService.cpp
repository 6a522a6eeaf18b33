#include "gui/TimerService.h"

#include <algorithm>

#include "gui/CallInProgress.h"
#include "gui/TimerClient.h"

namespace {

// The tick running on this thread, so a message loop inside onTimer cannot
// nest ticks. Not a flag cleared on the way out: a fault in host code that
// the message dispatch catches leaves a tick without returning through it.
CallInProgress ticking;

// Set when the runtime's teardown has destroyed the service: a client whose
// own destruction comes later (one with static storage) must not reach it.
bool serviceGone = false;

struct ProcessService {
    TimerService service;
    ~ProcessService() { serviceGone = true; }
};

}  // namespace

TimerService::~TimerService() {
    for (TimerGroup& group : groups) group.killTimer();
}

TimerService* TimerService::instance() {
    if (serviceGone) return nullptr;
    // One-time creation, safe against concurrent first use; the destructor is
    // entered into the library's teardown at this moment.
    static ProcessService process;
    return &process.service;
}

void TimerService::start(TimerClient* client, std::int32_t periodMs) {
    if (client == nullptr) return;
    client->resolveOwner();
    const Group current = groupOf(client);
    if (current != groups.end() && current->periodMs == periodMs) {
        current->renew(client);
        return;
    }
    // Join the new group first (the only step that allocates), then leave the
    // old one, so a failure leaves the client where it was.
    Group target = std::find_if(groups.begin(), groups.end(),
                                [periodMs](const TimerGroup& group) { return group.periodMs == periodMs; });
    if (target == groups.end()) {
        target = groups.emplace(groups.end(), periodMs, client);
    } else {
        target->add(client);
    }
    if (current != groups.end()) leave(current, client);
    // A group that had been emptied by ticks gets a new timer now.
    if (target->clients.size() == 1) target->restartTimer();
}

void TimerService::stop(const TimerClient* client) {
    const Group group = groupOf(client);
    if (group != groups.end()) leave(group, client);
}

void TimerService::tick(platform::TimerId timerId) {
    if (timerId == 0) return;  // never a system id; idle groups carry it
    const Group group = std::find_if(groups.begin(), groups.end(),
                                     [timerId](const TimerGroup& candidate) { return candidate.timerId == timerId; });
    if (group == groups.end()) return;
    group->tick();
    if (group->freeAfterTick) {
        group->freeAfterTick = false;
        if (group->clients.empty()) groups.erase(group);
    }
}

TimerService::Group TimerService::groupOf(const TimerClient* client) {
    return std::find_if(groups.begin(), groups.end(), [client](const TimerGroup& group) { return group.holds(client); });
}

void TimerService::leave(Group group, const TimerClient* client) {
    group->remove(client);
    if (!group->clients.empty()) return;
    group->killTimer();
    // The group being ticked is still in use by its walk: free it afterwards.
    if (group->walking()) {
        group->freeAfterTick = true;
    } else {
        groups.erase(group);
    }
}

void TimerService::forgetAbandonedTick() {
    for (auto group = groups.begin(); group != groups.end();) {
        group->forgetWalk();
        if (group->freeAfterTick && group->clients.empty()) {
            group = groups.erase(group);
        } else {
            group->freeAfterTick = false;
            ++group;
        }
    }
}

// A tick does nothing in this frame while it calls out, so a tick seen from
// the recorded place is a later one.
void timerProc(platform::TimerId timerId) noexcept {
    if (ticking.enclosesCaller()) return;
    TimerService* service = TimerService::instance();
    if (service == nullptr) return;
    if (ticking.recorded()) service->forgetAbandonedTick();
    ticking.begin();
    service->tick(timerId);
    ticking.end();
}
