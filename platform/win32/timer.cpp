// Multimedia timers: each timer runs its callback on a thread of its own, on absolute
// deadlines so a periodic timer does not drift. In virtual mode (headless backend) the
// deadlines follow a virtual clock that the display advances once per frame. While the
// frame loop rests the timers sleep, and their callbacks are caught up when it goes on.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/faults.h"
#include "platform/win32/mmsystem.h"
#include "platform/win32/timer_internal.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    UINT id = 0;
    UINT delay = 0;
    bool periodic = false;
    LPTIMECALLBACK callback = nullptr;
    DWORD_PTR user = 0;
    bool killed = false;
    bool inCallback = false;
    bool finished = false;
    std::thread::id threadId;
    // Virtual mode: the virtual time of the next callback.
    unsigned long long nextVirtual = 0;
    // On the clock: the time of the next callback.
    std::chrono::steady_clock::time_point next;
};

// Never destroyed: a timer the program did not kill keeps its (detached) thread waiting
// on these while the process exits.
std::mutex& g_mutex = *new std::mutex;
std::condition_variable& g_changed = *new std::condition_variable;
std::map<UINT, std::shared_ptr<Timer>>& g_timers = *new std::map<UINT, std::shared_ptr<Timer>>;
UINT g_nextId = 1;
bool g_virtual = false;
unsigned long long g_virtualNow = 0;
// The frame loop rests: timers sleep. Callbacks due up to g_catchUpTo are all delivered.
bool g_resting = false;
Clock::time_point g_catchUpTo{};
const Clock::time_point g_start = Clock::now();

void runTimer(std::shared_ptr<Timer> t) {
    std::unique_lock lock(g_mutex);
    t->threadId = std::this_thread::get_id();
    for (;;) {
        if (g_virtual) {
            g_changed.wait(
                lock, [&] { return t->killed || !g_virtual || g_virtualNow >= t->nextVirtual; });
            if (!t->killed && !g_virtual) continue;  // back on the clock
        } else if (g_resting) {
            g_changed.wait(lock, [&] { return t->killed || !g_resting || g_virtual; });
            if (!t->killed) continue;
        } else if (Clock::now() < t->next) {
            g_changed.wait_until(lock, t->next, [&] { return t->killed || g_resting; });
        }
        if (t->killed) break;
        if (!g_virtual && (g_resting || Clock::now() < t->next)) continue;
        t->inCallback = true;
        lock.unlock();
        t->callback(t->id, 0, t->user, 0, 0);
        lock.lock();
        t->inCallback = false;
        if (!t->periodic) {
            // A one-shot timer's id is gone once it has fired.
            t->killed = true;
            auto it = g_timers.find(t->id);
            if (it != g_timers.end() && it->second == t) g_timers.erase(it);
            break;
        }
        t->nextVirtual += t->delay;
        t->next += std::chrono::milliseconds(t->delay);
        // After a long stall, go on from now instead of firing a burst to catch up; the
        // callbacks of a rest are all delivered.
        const Clock::time_point now = Clock::now();
        if (t->next > g_catchUpTo && now > t->next + std::chrono::milliseconds(t->delay * 10))
            t->next = now;
        // A rest's callbacks run in one go; the wake hears of them once they are all done.
        if (g_virtual || t->next > g_catchUpTo) g_changed.notify_all();
    }
    t->finished = true;
    g_changed.notify_all();
}

}  // namespace

void timersSetVirtual(bool on) {
    std::lock_guard lock(g_mutex);
    g_virtual = on;
    g_changed.notify_all();
}

bool timersVirtual() {
    std::lock_guard lock(g_mutex);
    return g_virtual;
}

void timersDeliverVirtualTick(unsigned milliseconds) {
    std::unique_lock lock(g_mutex);
    g_virtualNow += milliseconds;
    g_changed.notify_all();
    // Done when every live timer's next deadline lies in the future again.
    g_changed.wait(lock, [] {
        for (auto& [id, t] : g_timers)
            if (!t->killed && (t->inCallback || t->nextVirtual <= g_virtualNow)) return false;
        return true;
    });
}

void timersRest() {
    std::lock_guard lock(g_mutex);
    if (g_virtual) return;
    // No need to wake the timers' threads: each finds the rest at its next deadline.
    g_resting = true;
}

void timersWake() {
    std::unique_lock lock(g_mutex);
    if (!g_resting) return;
    g_resting = false;
    g_catchUpTo = Clock::now();
    g_changed.notify_all();
    // Done when no live timer has a callback due from the rest any more.
    g_changed.wait(lock, [] {
        for (auto& [id, t] : g_timers)
            if (!t->killed && (t->inCallback || t->next <= g_catchUpTo)) return false;
        return true;
    });
}

}  // namespace platform

using namespace platform;

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size) {
    if (!caps || size != sizeof(TIMECAPS)) return TIMERR_STRUCT;
    // A fault stands for a system whose timers cannot go below 15 ms.
    caps->wPeriodMin = faultActive("timer-caps") ? 15 : 1;
    caps->wPeriodMax = 1000000;
    return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period) {
    if (period < 1 || period > 1000000 || faultActive("time-begin-period")) return TIMERR_NOCANDO;
    return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period) {
    if (period < 1 || period > 1000000) return TIMERR_NOCANDO;
    return TIMERR_NOERROR;
}

MMRESULT timeSetEvent(UINT delay, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
    if (!callback || delay < 1 || delay > 1000000 || faultActive("time-set-event")) return 0;
    auto t = std::make_shared<Timer>();
    t->delay = delay;
    t->periodic = (flags & TIME_PERIODIC) != 0;
    t->callback = callback;
    t->user = user;
    std::lock_guard lock(g_mutex);
    t->id = g_nextId++;
    t->nextVirtual = g_virtualNow + delay;
    t->next = Clock::now() + std::chrono::milliseconds(delay);
    try {
        std::thread(runTimer, t).detach();
    } catch (...) {
        return 0;
    }
    g_timers[t->id] = t;
    return t->id;
}

MMRESULT timeKillEvent(UINT timerId) {
    std::unique_lock lock(g_mutex);
    auto it = g_timers.find(timerId);
    if (it == g_timers.end()) return MMSYSERR_INVALPARAM;
    std::shared_ptr<Timer> t = it->second;
    g_timers.erase(it);
    t->killed = true;
    g_changed.notify_all();
    // Killed from its own callback: the thread ends when the callback returns.
    if (t->threadId == std::this_thread::get_id()) return TIMERR_NOERROR;
    // Otherwise return only once no callback of this timer runs any more.
    g_changed.wait(lock, [&] { return t->finished; });
    return TIMERR_NOERROR;
}

DWORD timeGetTime() {
    return static_cast<DWORD>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - g_start).count());
}
