#include "gui/TimerClient.h"

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
