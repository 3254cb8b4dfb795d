#include "platform/input/gamepad_sdl.h"

#include <map>

#include "platform/input/input.h"

namespace platform::sdl {
namespace {

// A held direction repeats after this long, then at this interval.
constexpr Uint32 kRepeatDelayMs = 400;
constexpr Uint32 kRepeatMs = 120;
// The stick counts as a direction beyond this deflection and lets go below the smaller one,
// so that a stick resting near the threshold does not chatter.
constexpr int kStickOn = 16000;
constexpr int kStickOff = 10000;

constexpr int kDirections[4] = {kPadUp, kPadDown, kPadLeft, kPadRight};

struct Pad {
    SDL_GameController* controller = nullptr;
    unsigned buttons = 0;  // bit per button held on this controller
    unsigned stick = 0;    // direction buttons the left stick holds
};

std::map<SDL_JoystickID, Pad> g_pads;
bool g_open = false;
// Per button: whether the table shows it down; per direction: when it repeats next.
unsigned g_down = 0;
Uint32 g_nextRepeat[kPadButtons] = {};

// What all controllers together hold, the sticks counted as d-pads.
unsigned heldNow() {
    unsigned held = 0;
    for (const auto& [id, pad] : g_pads) held |= pad.buttons | pad.stick;
    return held;
}

void update() {
    const unsigned held = heldNow();
    const Uint32 now = SDL_GetTicks();
    for (int b = 0; b < kPadButtons; ++b) {
        const unsigned bit = 1u << b;
        if ((held & bit) == (g_down & bit)) continue;
        inputSetPadButton(b, (held & bit) != 0);
        g_nextRepeat[b] = now + kRepeatDelayMs;
    }
    g_down = held;
}

unsigned stickDirections(const Pad& pad, SDL_GameControllerAxis axis, int value) {
    const unsigned less = 1u << (axis == SDL_CONTROLLER_AXIS_LEFTX ? kPadLeft : kPadUp);
    const unsigned more = 1u << (axis == SDL_CONTROLLER_AXIS_LEFTX ? kPadRight : kPadDown);
    unsigned stick = pad.stick;
    auto hold = [&](unsigned bit, int deflection) {
        if (deflection > kStickOn)
            stick |= bit;
        else if (deflection < kStickOff)
            stick &= ~bit;
    };
    hold(less, -value);
    hold(more, value);
    return stick;
}

}  // namespace

void gamepadsOpen() {
    if (g_open) return;
    g_open = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

bool gamepadEvent(const SDL_Event& e) {
    switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED: {
            SDL_GameController* controller = SDL_GameControllerOpen(e.cdevice.which);
            if (!controller) return true;
            const SDL_JoystickID id =
                SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
            if (g_pads.count(id) != 0) {
                SDL_GameControllerClose(controller);  // already open: the reference is dropped
                return true;
            }
            g_pads[id].controller = controller;
            return true;
        }
        case SDL_CONTROLLERDEVICEREMOVED: {
            auto it = g_pads.find(e.cdevice.which);
            if (it == g_pads.end()) return true;
            SDL_GameControllerClose(it->second.controller);
            g_pads.erase(it);
            update();  // what it held is let go
            return true;
        }
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP: {
            auto it = g_pads.find(e.cbutton.which);
            if (it == g_pads.end() || e.cbutton.button >= kPadButtons) return true;
            const unsigned bit = 1u << e.cbutton.button;
            if (e.type == SDL_CONTROLLERBUTTONDOWN)
                it->second.buttons |= bit;
            else
                it->second.buttons &= ~bit;
            update();
            return true;
        }
        case SDL_CONTROLLERAXISMOTION: {
            auto it = g_pads.find(e.caxis.which);
            const auto axis = static_cast<SDL_GameControllerAxis>(e.caxis.axis);
            if (it == g_pads.end() ||
                (axis != SDL_CONTROLLER_AXIS_LEFTX && axis != SDL_CONTROLLER_AXIS_LEFTY))
                return true;
            it->second.stick = stickDirections(it->second, axis, e.caxis.value);
            update();
            return true;
        }
        default:
            return false;
    }
}

void gamepadsTick(Uint32 now) {
    for (int b : kDirections) {
        if ((g_down & (1u << b)) == 0 || !SDL_TICKS_PASSED(now, g_nextRepeat[b])) continue;
        inputRepeatPadButton(b);
        g_nextRepeat[b] = now + kRepeatMs;
    }
}

bool gamepadsPresent() {
    return !g_pads.empty();
}

void gamepadsClose() {
    for (auto& [id, pad] : g_pads) SDL_GameControllerClose(pad.controller);
    g_pads.clear();
    g_down = 0;
    inputReleaseAllPadButtons();
    if (g_open) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    g_open = false;
}

}  // namespace platform::sdl
