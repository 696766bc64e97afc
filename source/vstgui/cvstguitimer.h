// A periodic timer on the user-interface thread. Running timers fire from whoever pumps them
// (the editor binding does on every host idle call and its own run loop while a window is open),
// each when its period has elapsed, by notifying their target with kMsgTimer.
#pragma once

#include <chrono>
#include <functional>

#include "vstgui/cbaseobject.h"

namespace VSTGUI {

class CVSTGUITimer : public CBaseObject {
public:
    using Clock = std::chrono::steady_clock;
    using CallbackFunc = std::function<void(CVSTGUITimer*)>;

    static IdStringPtr kMsgTimer;

    CVSTGUITimer(CBaseObject* timerObject, uint32 fireTime = 100, bool doAfterCreate = false);
    CVSTGUITimer(CallbackFunc callback, uint32 fireTime = 100, bool doAfterCreate = true);
    ~CVSTGUITimer() override;

    bool start();
    bool stop();
    // Changes the period; a running timer restarts with it.
    bool setFireTime(uint32 newFireTime);
    uint32 getFireTime() const { return fireTime; }
    bool isRunning() const { return running; }

    // Fires every running timer whose time has come.
    static void fireDueTimers(Clock::time_point now = Clock::now());
    // Time until the next running timer is due: zero when one is overdue, Clock::duration::max()
    // when none runs.
    static Clock::duration timeUntilNextTimer(Clock::time_point now = Clock::now());

private:
    void fire(Clock::time_point now);

    CBaseObject* target = nullptr;
    CallbackFunc callback;
    uint32 fireTime;
    bool running = false;
    Clock::time_point nextFire;
};

}  // namespace VSTGUI
