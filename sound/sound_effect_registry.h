// Sound effects by name: the registry owns the sound library's lifetime (init, shutdown) and
// loads each effect under its own sample identifier, starting at 10.
#pragma once

#include "framework/ptr_array.h"
#include "platform/win32/win32.h"
#include "sound/qv_sound.h"

struct SoundEffect {
    unsigned id;
    char name[32];
};

class SoundEffectRegistry {
public:
    int init(HWND window, int maxSamples);
    SoundEffect* addSound(const char* file, const char* name);
    void removeSound(const char* name);
    SoundEffect* findSound(const char* name);
    SNDSample* playSound(const char* name, int volume, int pan);
    SNDSample* playSoundAt(int index, int volume, int pan);
    void freeAll();
    void shutdown();
    void enableMusic(int on);
    void enableSfx(int on);

    // Null before init and after shutdown.
    PtrArray* effects = nullptr;
};

extern SoundEffectRegistry soundRegistry;
