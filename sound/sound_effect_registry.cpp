#include "sound/sound_effect_registry.h"

#include <cstdio>
#include <cstring>

SoundEffectRegistry soundRegistry;

int SoundEffectRegistry::init(HWND window, int maxSamples) {
    if (effects == nullptr) effects = new PtrArray(1);
    return g_Sound.Init(window, maxSamples);
}

SoundEffect* SoundEffectRegistry::addSound(const char* file, const char* name) {
    if (effects == nullptr || name == nullptr) return nullptr;
    // The count plus 10, moved past any identifier still registered, so that after a removal
    // a new effect never shares (and plays) the sound of an older one.
    unsigned id = static_cast<unsigned>(effects->getCount()) + 10;
    for (bool taken = true; taken;) {
        taken = false;
        for (int i = 0; i < effects->getCount(); ++i) {
            if (effects->at<SoundEffect>(i)->id == id) {
                ++id;
                taken = true;
            }
        }
    }
    if (g_Sound.LoadSample(file, id) == 0) return nullptr;
    auto* effect = new SoundEffect{};
    effect->id = id;
    std::snprintf(effect->name, sizeof(effect->name), "%s", name);
    effects->add(effect);
    return effect;
}

void SoundEffectRegistry::removeSound(const char* name) {
    SoundEffect* effect = findSound(name);
    if (effect == nullptr) return;
    g_Sound.FreeSample(static_cast<unsigned long>(effect->id));
    // Records of the sound still busy (the lookup above leaves those) go too, so that the
    // identifier is free again in the pool as well as in the list.
    for (SNDSample* s = QVSound::g_SampleList; s != nullptr && s < QVSound::g_pLastSample; ++s)
        if ((s->m_dwFlags & SNDF_INUSE) && s->m_dwID == effect->id) g_Sound.FreeSample(s);
    effects->remove(effect);
    delete effect;
}

SoundEffect* SoundEffectRegistry::findSound(const char* name) {
    if (effects == nullptr || name == nullptr) return nullptr;
    for (int i = 0; i < effects->getCount(); ++i) {
        auto* effect = effects->at<SoundEffect>(i);
        if (std::strcmp(effect->name, name) == 0) return effect;
    }
    return nullptr;
}

SNDSample* SoundEffectRegistry::playSound(const char* name, int volume, int pan) {
    SoundEffect* effect = findSound(name);
    if (effect == nullptr) return nullptr;
    return g_Sound.PlaySample(static_cast<long>(effect->id), volume, pan);
}

SNDSample* SoundEffectRegistry::playSoundAt(int index, int volume, int pan) {
    // Out-of-range indexes play nothing rather than reading past the list.
    if (effects == nullptr || index < 0 || index >= effects->getCount()) return nullptr;
    return g_Sound.PlaySample(static_cast<long>(effects->at<SoundEffect>(index)->id), volume, pan);
}

void SoundEffectRegistry::freeAll() {
    if (effects != nullptr) {
        for (int i = 0; i < effects->getCount(); ++i) {
            auto* effect = effects->at<SoundEffect>(i);
            g_Sound.FreeSample(static_cast<unsigned long>(effect->id));
            delete effect;
        }
        effects->clear();
    }
    g_Sound.StopStream();
    QVSound::ClearSampleList();
}

void SoundEffectRegistry::shutdown() {
    if (effects != nullptr) {
        freeAll();
        delete effects;
        effects = nullptr;
    }
    g_Sound.Exit();
}

void SoundEffectRegistry::enableMusic(int on) {
    g_Sound.EnableMusic(on);
}
void SoundEffectRegistry::enableSfx(int on) {
    g_Sound.EnableSFX(on);
}
