// Minimal sound library: the switches, the sample pool and identifier lookup. Loading checks
// that the file is a RIFF WAVE file and records the identifier; nothing is played, because no
// device is opened. The sound library completes loading, playing and streaming here.
#include "sound/qv_sound.h"

#include <cstring>

QVSound g_Sound;

IDirectSound* QVSound::g_lpDSound = nullptr;
int QVSound::g_nMaxSampleCount = 0;
SNDSample* QVSound::g_SampleList = nullptr;
SNDSample* QVSound::g_pEndSample = nullptr;
SNDSample* QVSound::g_pLastSample = nullptr;

namespace {

// True when the file opens and starts with a RIFF header of form "WAVE".
bool isWaveFile(const char* file) {
    if (file == nullptr) return false;
    HANDLE h = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    char header[12] = {};
    DWORD got = 0;
    const bool read = ReadFile(h, header, sizeof(header), &got, nullptr) != 0;
    CloseHandle(h);
    return read && got == sizeof(header) && std::memcmp(header, "RIFF", 4) == 0 &&
           std::memcmp(header + 8, "WAVE", 4) == 0;
}

}  // namespace

// ---- SNDSample -----------------------------------------------------------------

int SNDSample::LoadSample(const char* file, unsigned long id) {
    if (!isWaveFile(file)) return 0;
    if (id != 0xFFFFFFFFul) m_dwID = static_cast<DWORD>(id);
    return 1;
}

int SNDSample::PlaySample(long volume, long pan) {
    m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);
    if (g_Sound.m_bSFXOn == 0) return 1;
    m_lVolume = static_cast<LONG>(volume);
    m_lPan = static_cast<LONG>(pan);
    // No platform buffer in the minimal library: nothing sounds.
    return m_lpBuffer != nullptr ? 1 : 0;
}

int SNDSample::StopSample() {
    return m_lpBuffer != nullptr ? 1 : 0;
}
int SNDSample::SamplePlaying() {
    return 0;
}

int SNDSample::SetVolume(int volume) {
    m_lVolume = volume;
    return m_lpBuffer != nullptr ? 1 : 0;
}

int SNDSample::SetPan(int pan) {
    m_lPan = pan;
    return m_lpBuffer != nullptr ? 1 : 0;
}

void SNDSample::Reset() {
    const DSBPOSITIONNOTIFY notify = m_Notify;
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    m_Notify = notify;
}

// ---- QVSound -------------------------------------------------------------------

QVSound& QVSound::operator=(const QVSound& other) {
    m_nMusicVolume = other.m_nMusicVolume;
    m_bMusicOn = other.m_bMusicOn;
    m_bSFXOn = other.m_bSFXOn;
    return *this;
}

int QVSound::Init(HWND, int nSamples) {
    m_bSFXOn = 1;
    m_bMusicOn = 1;
    m_nMusicVolume = 0x8000;
    delete[] g_SampleList;
    g_SampleList = nullptr;
    g_nMaxSampleCount = nSamples > 0 ? nSamples : 0;
    if (g_nMaxSampleCount > 0) g_SampleList = new SNDSample[g_nMaxSampleCount]();
    g_pEndSample = g_SampleList + g_nMaxSampleCount;
    g_pLastSample = g_SampleList;
    return g_SampleList != nullptr ? 1 : 0;
}

void QVSound::Exit() {
    StopStream();
    ClearSampleList();
    delete[] g_SampleList;
    g_SampleList = g_pEndSample = g_pLastSample = nullptr;
    g_nMaxSampleCount = 0;
}

SNDSample* QVSound::AllocSample() {
    for (SNDSample* s = g_SampleList; s != nullptr && s < g_pEndSample; ++s) {
        if ((s->m_dwFlags & SNDF_INUSE) == 0) {
            if (s >= g_pLastSample) g_pLastSample = s + 1;
            s->m_dwFlags |= SNDF_INUSE;
            return s;
        }
    }
    return nullptr;
}

void QVSound::ClearSample(SNDSample* sample) {
    if (sample == nullptr) return;
    sample->Reset();
    SNDSample* last = nullptr;
    for (SNDSample* s = sample; s < g_pLastSample; ++s)
        if (s->m_dwFlags & SNDF_INUSE) last = s;
    if (last != nullptr) g_pLastSample = last + 1;
}

void QVSound::ClearSampleList() {
    for (SNDSample* s = g_SampleList; s != nullptr && s < g_pEndSample; ++s) s->Reset();
    g_pLastSample = g_SampleList;
}

SNDSample* QVSound::FindSample(unsigned long id) {
    for (SNDSample* s = g_SampleList; s != nullptr && s < g_pLastSample; ++s) {
        if ((s->m_dwFlags & SNDF_INUSE) && s->m_dwID == id && (s->m_dwFlags & SNDF_CLAIMED) == 0) {
            s->m_dwFlags |= SNDF_CLAIMED;
            return s;
        }
    }
    return nullptr;
}

int QVSound::LoadSample(const char* file, unsigned long id) {
    if (FindSample(id) != nullptr) return 1;
    SNDSample* s = AllocSample();
    if (s == nullptr) return 0;
    if (s->LoadSample(file, id) == 0) {
        ClearSample(s);
        return 0;
    }
    return 1;
}

SNDSample* QVSound::PlaySample(long id, long volume, long pan) {
    SNDSample* s = FindSample(static_cast<unsigned long>(id));
    if (s != nullptr) s->PlaySample(volume, pan);
    return s;
}

void QVSound::FreeSample(unsigned long id) {
    FreeSample(FindSample(id));
}

void QVSound::FreeSample(SNDSample* sample) {
    if (sample == nullptr) return;
    if (sample->m_lpBuffer != nullptr) {
        sample->m_lpBuffer->Stop();
        sample->m_lpBuffer->Release();
        sample->m_lpBuffer = nullptr;
    }
    ClearSample(sample);
}

void QVSound::EnableSFX(int on) {
    m_bSFXOn = on;
}

// ---- Streams (none in the minimal library) -----------------------------------------

int QVSound::LoadStream(const char*, unsigned long) {
    return 0;
}
int QVSound::PlayStream(int) {
    return 1;
}
int QVSound::StopStream() {
    return 1;
}

void QVSound::EnableMusic(int on) {
    if (on == 0) StopStream();
    m_bMusicOn = on;
}

void QVSound::SetStreamVolume(int) {}
int QVSound::GetStreamVolume() {
    return 0;
}
void QVSound::FadeMusic(int, int, unsigned long) {}
void QVSound::FadeMusicIn(unsigned long ms) {
    FadeMusic(0, m_nMusicVolume, ms);
}
void QVSound::FadeMusicOut(unsigned long ms) {
    FadeMusic(m_nMusicVolume, 0, ms);
}
