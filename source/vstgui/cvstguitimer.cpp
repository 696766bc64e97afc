#include "vstgui/cvstguitimer.h"

#include <algorithm>
#include <vector>

namespace VSTGUI {
namespace {

std::vector<CVSTGUITimer*>& runningTimers() {
    static std::vector<CVSTGUITimer*> timers;
    return timers;
}

bool isRunningTimer(const CVSTGUITimer* timer) {
    const auto& timers = runningTimers();
    return std::find(timers.begin(), timers.end(), timer) != timers.end();
}

}  // namespace

IdStringPtr CVSTGUITimer::kMsgTimer = "timer fired";

CVSTGUITimer::CVSTGUITimer(CBaseObject* timerObject, uint32 period, bool doAfterCreate)
    : target(timerObject), fireTime(period) {
    if (doAfterCreate) start();
}

CVSTGUITimer::CVSTGUITimer(CallbackFunc function, uint32 period, bool doAfterCreate)
    : callback(std::move(function)), fireTime(period) {
    if (doAfterCreate) start();
}

CVSTGUITimer::~CVSTGUITimer() { stop(); }

bool CVSTGUITimer::start() {
    if (running) return false;
    running = true;
    nextFire = Clock::now() + std::chrono::milliseconds(fireTime);
    runningTimers().push_back(this);
    return true;
}

bool CVSTGUITimer::stop() {
    if (!running) return false;
    running = false;
    auto& timers = runningTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    return true;
}

bool CVSTGUITimer::setFireTime(uint32 newFireTime) {
    if (fireTime == newFireTime) return false;
    fireTime = newFireTime;
    if (running) {
        stop();
        start();
    }
    return true;
}

void CVSTGUITimer::fire(Clock::time_point now) {
    const auto period = std::chrono::milliseconds(fireTime);
    nextFire += period;
    // A pump that came late fires once, not once per missed period.
    if (nextFire <= now) nextFire = now + period;
    remember();
    if (callback)
        callback(this);
    else if (target)
        target->notify(this, kMsgTimer);
    forget();
}

void CVSTGUITimer::fireDueTimers(Clock::time_point now) {
    // A timer's target may start, stop or destroy timers while being notified.
    const std::vector<CVSTGUITimer*> snapshot = runningTimers();
    for (CVSTGUITimer* timer : snapshot)
        if (isRunningTimer(timer) && timer->nextFire <= now) timer->fire(now);
}

CVSTGUITimer::Clock::duration CVSTGUITimer::timeUntilNextTimer(Clock::time_point now) {
    auto until = Clock::duration::max();
    for (const CVSTGUITimer* timer : runningTimers())
        until = std::min(until, std::max(Clock::duration::zero(), timer->nextFire - now));
    return until;
}

}  // namespace VSTGUI
