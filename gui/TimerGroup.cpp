#include "gui/TimerGroup.h"

#include <algorithm>

#include "factory/AtBoundary.h"
#include "gui/TimerClient.h"
#include "gui/TimerService.h"

TimerGroup::TimerGroup(std::int32_t period, TimerClient* first) : periodMs(period), clients{first} {}

void TimerGroup::restartTimer() {
    killTimer();
    if (!clients.empty()) timerId = platform::setThreadTimer(periodMs, timerProc);
}

void TimerGroup::killTimer() {
    if (timerId == 0) return;
    platform::killThreadTimer(timerId);
    timerId = 0;
}

void TimerGroup::tick() {
    walk = Walk{true, 0, clients.size(), false, false};
    while (walk.position < walk.end) {
        walk.currentGone = false;
        walk.currentRenewed = false;
        TimerClient* client = clients[walk.position];
        bool keep = true;
        try {
            // Under the hold of the client's GUI object, if it is part of one.
            keep = client->tick();
        } catch (...) {
            // A failed call decides nothing: the client stays as it was, and
            // nothing is thrown into the system's message dispatch.
            reportCaughtException("onTimer");
        }
        // `client` may be destroyed by now: only the walk state is trusted.
        if (walk.currentGone) continue;  // its place already holds the next client
        if (keep || walk.currentRenewed) {
            ++walk.position;
        } else {
            eraseAt(walk.position);
        }
    }
    walk.active = false;
    if (clients.empty()) killTimer();
}

bool TimerGroup::holds(const TimerClient* client) const {
    return std::find(clients.begin(), clients.end(), client) != clients.end();
}

void TimerGroup::add(TimerClient* client) { clients.push_back(client); }

void TimerGroup::remove(const TimerClient* client) {
    const auto it = std::find(clients.begin(), clients.end(), client);
    if (it != clients.end()) eraseAt(static_cast<std::size_t>(it - clients.begin()));
}

void TimerGroup::renew(const TimerClient* client) {
    if (walk.active && !walk.currentGone && walk.position < clients.size() && clients[walk.position] == client)
        walk.currentRenewed = true;
}

void TimerGroup::eraseAt(std::size_t index) {
    clients.erase(clients.begin() + static_cast<std::ptrdiff_t>(index));
    if (!walk.active) return;
    if (index < walk.end) --walk.end;
    if (index < walk.position) {
        --walk.position;
    } else if (index == walk.position) {
        walk.currentGone = true;
    }
}
