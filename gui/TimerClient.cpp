#include "gui/TimerClient.h"

#include <stdexcept>

#include "gui/TickHolder.h"
#include "gui/TimerService.h"

TimerClient::~TimerClient() { stopTimer(); }

void TimerClient::startTimer(std::int32_t periodMs) {
    if (TimerService* service = TimerService::instance()) service->start(this, periodMs);
}

void TimerClient::startTimer() {
    if (TimerService* service = TimerService::instance()) service->start(this, service->defaultPeriod());
}

void TimerClient::stopTimer() {
    if (TimerService* service = TimerService::instance()) service->stop(this);
}

void TimerClient::setDefaultTimerPeriod(std::int32_t periodMs) {
    if (TimerService* service = TimerService::instance()) service->setDefaultPeriod(periodMs);
}

void TimerClient::resolveOwner() {
    if (link != Link::Unresolved) return;
    // Started, the object is complete: a client that is a base of a GUI
    // object of the bases finds that object's hold beside it.
    holder = dynamic_cast<TickHolder*>(this);
    if (holder == nullptr)
        throw std::logic_error(
            "TimerClient: a client that is not itself a GUI object must name its owner, TimerClient(owner), "
            "or be made TimerClient(Unheld{})");
    link = Link::Owner;
}

bool TimerClient::tick() { return holder != nullptr ? holder->tickHeld(*this) : onTimer(); }
