// The pace of frames in the sdl backend, and the rest of a program whose picture stands
// still.
#include "platform/sdl/pacing_sdl.h"

#include <algorithm>
#include <atomic>

#include "platform/sdl/backend_sdl.h"
#include "platform/win32/timer_internal.h"

namespace platform::sdl {
namespace {

constexpr Uint64 kFrameMs = 16;
// Frames in a row that showed nothing new before the program rests: a screen that changes
// only every few frames keeps its pace.
constexpr int kStillFramesBeforeRest = 6;
// A rest looks up from its wait at least this often, without a frame: for a close asked by a
// signal, which the wait for the display does not see.
constexpr Uint64 kRestSliceMs = 1000;
// A long rest hands the timers their ticks this often, so that waking after hours does not
// first deliver hours of ticks in one go (each takes a fraction of a microsecond).
constexpr Uint64 kCatchUpEveryMs = 10000;
constexpr Uint64 kNoDeadline = ~Uint64{0};

Uint64 lastPresent = 0;
int stillFrames = 0;
bool due = false;
Uint64 dueAt = 0;
std::atomic<bool> resting{false};
// The event that wakes a rest from another thread, registered by the first rest.
std::atomic<Uint32> wakeEventType{0};

// The earliest moment the rest must end for the backend's own sake: the window's settled
// place is written once its moves have stopped.
Uint64 backendDeadline(Uint64 until) {
    const SdlBackend& b = sdlBackend();
    if (b.stateDirty) until = std::min<Uint64>(until, Uint64{b.stateChangedAt} + kSettleMs + 1);
    return until;
}

// Waits until an event comes, something is posted to the window, or `until`. SDL waits on
// the display connection alone only while no joystick is open; with one it would poll every
// millisecond, so then the rest looks for events once a frame instead (still without frames).
void waitForInput(Uint64 until) {
    SdlBackend& b = sdlBackend();
    const bool polling = SDL_WasInit(SDL_INIT_JOYSTICK) != 0 && SDL_NumJoysticks() > 0;
    Uint64 caughtUp = SDL_GetTicks64();
    for (;;) {
        const Uint64 now = SDL_GetTicks64();
        if (now >= until || !nothingForTheWindow()) return;
        if (now - caughtUp >= kCatchUpEveryMs) {
            timersWake();
            timersRest();
            caughtUp = now;
        }
        const int left = static_cast<int>(std::min<Uint64>(until - now, kRestSliceMs));
        SDL_Event e;
        if (polling) {
            SDL_Delay(static_cast<Uint32>(std::min(left, static_cast<int>(kFrameMs))));
            if (SDL_PollEvent(&e)) {
                b.handle(e);
                return;
            }
        } else if (SDL_WaitEventTimeout(&e, left)) {
            b.handle(e);
            return;
        }
    }
}

void rest(Uint64 until) {
    if (wakeEventType.load() == 0) wakeEventType.store(SDL_RegisterEvents(1));
    resting.store(true);
    timersRest();
    waitForInput(backendDeadline(until));
    resting.store(false);
    // Whatever ended the rest may show only a frame or two later.
    stillFrames = 0;
    // What the wait found becomes the program's messages before its timers catch up, so that
    // the clock's ticks already sample a press that the next frame reads.
    sdlBackend().pollEvents();
    timersWake();
}

}  // namespace

void paceFrame(bool shownChanged) {
    stillFrames = shownChanged ? 0 : stillFrames + 1;
    const Uint64 now = SDL_GetTicks64();
    const Uint64 nextFrame = lastPresent + kFrameMs;
    const Uint64 until = due ? dueAt : kNoDeadline;
    due = false;
    if (stillFrames >= kStillFramesBeforeRest && until > nextFrame && nothingForTheWindow()) {
        rest(until);
    } else if (lastPresent != 0 && now < nextFrame) {
        // Never faster than the display refresh, even where vsync is missing or nothing
        // was shown.
        SDL_Delay(static_cast<Uint32>(nextFrame - now));
    }
    lastPresent = SDL_GetTicks64();
}

void inputArrived() {
    stillFrames = 0;
}

void frameDueIn(unsigned milliseconds) {
    // One more millisecond: the tick count read now may lag real time by almost one.
    const Uint64 at = SDL_GetTicks64() + milliseconds + 1;
    if (!due || at < dueAt) dueAt = at;
    due = true;
}

void wakeFromRest() {
    if (!resting.load()) return;
    SDL_Event e{};
    e.type = wakeEventType.load();
    SDL_PushEvent(&e);
}

}  // namespace platform::sdl
