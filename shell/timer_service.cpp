// The framework clock: a periodic 10 ms multimedia timer adds 10 to a millisecond counter and
// counts a shared seconds countdown down once per 100 ticks.
#include "shell/timer_service.h"

#include <atomic>

#include "platform/win32/mmsystem.h"
#include "qv/qv.h"
#include "shell/debug_log.h"

namespace {

struct TickData {
    std::atomic<int>* clock;
    int step;
};

std::atomic<int> timerClockMs{0};
int timerStepMs = 10;
UINT timerId = 0;
TickData tickData{&timerClockMs, 10};
// Owned by the tick alone.
unsigned lastTickClockMs = 0;
unsigned secondAccumulatorMs = 0;
std::atomic<int> countdownSeconds{0};
std::atomic<int> countdownRunning{1};
std::atomic<void (*)()> tickHook{nullptr};

void tick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* data = reinterpret_cast<TickData*>(user);
    data->clock->fetch_add(data->step);
    if (auto hook = tickHook.load()) hook();
    // Unsigned so that the step across the clock's wrap-around stays 10.
    const unsigned now = static_cast<unsigned>(timerClockMs.load());
    secondAccumulatorMs += now - lastTickClockMs;
    lastTickClockMs = now;
    if (secondAccumulatorMs >= 999) {
        secondAccumulatorMs = 0;
        if (countdownRunning.load() == 1) {
            int seconds = countdownSeconds.load();
            // The main thread may set the countdown meanwhile; only a value still seen here
            // is decremented.
            while (seconds > 0 && !countdownSeconds.compare_exchange_weak(seconds, seconds - 1)) {
            }
        }
    }
}

}  // namespace

int startTimerService() {
    TIMECAPS caps{};
    timeGetDevCaps(&caps, sizeof(caps));
    const UINT period = static_cast<UINT>(timerStepMs);
    if (caps.wPeriodMin > period || caps.wPeriodMax < period) {
        logMessage("Unable to use timers on this system");
        return 1;
    }
    if (timeBeginPeriod(period) != TIMERR_NOERROR) return 1;
    tickData.clock = &timerClockMs;
    tickData.step = timerStepMs;
    timerId = timeSetEvent(period, 5, &tick, reinterpret_cast<DWORD_PTR>(&tickData), TIME_PERIODIC);
    if (timerId == 0) timeEndPeriod(period);
    return 0;
}

void stopTimerService() {
    if (timerId != 0) {
        timeKillEvent(timerId);
        timeEndPeriod(static_cast<UINT>(timerStepMs));
    }
    timerId = 0;
}

int isTimerServiceRunning() {
    return timerId != 0 ? 1 : 0;
}

int getTimerClockMs() {
    return timerClockMs.load();
}

int timerMsSince(int startMs) {
    // Wraps like the 32-bit counter it reads instead of overflowing a signed int.
    return static_cast<int>(static_cast<unsigned>(timerClockMs.load()) -
                            static_cast<unsigned>(startMs));
}

void frameDueAtClock(int clockMs) {
    const int ahead = static_cast<int>(static_cast<unsigned>(clockMs) -
                                       static_cast<unsigned>(timerClockMs.load()));
    if (ahead <= 0) {
        QVFrameDueIn(0);
        return;
    }
    // The clock moves a whole step per tick, and the next tick comes within a step: after
    // n steps of real time it has moved at least n steps.
    const int steps = (ahead + timerStepMs - 1) / timerStepMs;
    QVFrameDueIn(steps * timerStepMs);
}

void setCountdown(int seconds) {
    countdownSeconds.store(seconds);
}
int getCountdown() {
    return countdownSeconds.load();
}
void startCountdown() {
    countdownRunning.store(1);
}
void stopCountdown() {
    countdownRunning.store(0);
}
int isCountdownRunning() {
    return countdownRunning.load();
}

void setTimerTickHook(void (*hook)()) {
    tickHook.store(hook);
}
