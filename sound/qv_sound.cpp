// The sound manager: DirectSound start-up and shutdown, the primary buffer, the one memory
// block holding the event handles, the event table and the sample pool, the pool's
// bookkeeping, lookups with automatic duplicates, and the event thread that plays chained
// samples. The pool lock keeps the main thread and the event thread apart.
#include "sound/qv_sound.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

#include "sound/sound_locks.h"

QVSound g_Sound;

IDirectSound* QVSound::g_lpDSound = nullptr;
IDirectSoundBuffer* QVSound::g_lpSoundBuffer = nullptr;
DSCAPS QVSound::g_DSCaps = {};
int QVSound::g_nMaxSampleCount = 0;
int QVSound::g_nMaxEventCount = 0;
HGLOBAL QVSound::g_MemHandle = nullptr;
HANDLE* QVSound::g_CallBackHandles = nullptr;
_SNDEvent* QVSound::g_EventList = nullptr;
SNDSample* QVSound::g_SampleList = nullptr;
SNDSample* QVSound::g_pEndSample = nullptr;
SNDSample* QVSound::g_pLastSample = nullptr;
HANDLE QVSound::g_CallBackThread = nullptr;
int QVSound::g_nCallBackThreadActive = 0;
short QVSound::g_VolumeTable[16384] = {};

namespace soundlib {

std::recursive_mutex& poolLock() {
    static auto* lock = new std::recursive_mutex;  // the library's threads may outlive statics
    return *lock;
}

}  // namespace soundlib

namespace {

using PoolGuard = std::lock_guard<std::recursive_mutex>;

constexpr int kMaxEvents = 64;  // one wait covers at most 64 handles

// Entry i: 1000 x log2(i / 16384) hundredths of a decibel, truncated, at least -10000.
bool fillVolumeTable() {
    QVSound::g_VolumeTable[0] = -10000;
    for (int i = 1; i < 16384; ++i) {
        const double db = std::trunc(1000.0 * std::log2(static_cast<double>(i) / 16384.0));
        QVSound::g_VolumeTable[i] = static_cast<short>(std::max(db, -10000.0));
    }
    return true;
}
[[maybe_unused]] const bool g_volumeTableReady = fillVolumeTable();

char g_libDate[] = "Fri May  5 06:51:24 2000";

void setActive(int value) {
    std::atomic_ref<int>(QVSound::g_nCallBackThreadActive).store(value);
}

bool isPlaying(SNDSample* s) {
    return s->SamplePlaying() != 0;
}

bool isBusy(SNDSample* s) {
    return (s->m_dwFlags & SNDF_CLAIMED) != 0 || isPlaying(s);
}

// Removes every notification from the sample's buffer (refused while it plays).
void disarmNotifications(SNDSample* s) {
    if (s->m_lpBuffer == nullptr) return;
    void* notify = nullptr;
    if (s->m_lpBuffer->QueryInterface(IID_IDirectSoundNotify, &notify) != DS_OK) return;
    static_cast<IDirectSoundNotify*>(notify)->SetNotificationPositions(0, nullptr);
    static_cast<IDirectSoundNotify*>(notify)->Release();
}

// Under the pool lock: forgets every pending follow-up of `s` and every chain link to it,
// so that a freed record is never played as someone's follow-up.
void forgetRecord(SNDSample* s) {
    for (int i = 1; QVSound::g_EventList != nullptr && i < QVSound::g_nMaxEventCount; ++i)
        if (QVSound::g_EventList[i].pSample == s) QVSound::g_EventList[i].pSample = nullptr;
    for (SNDSample* r = QVSound::g_SampleList; r != nullptr && r < QVSound::g_pEndSample; ++r)
        if (r->m_pNext == s) r->m_pNext = nullptr;
}

void releaseBuffer(SNDSample* s) {
    if (s->m_lpBuffer == nullptr) return;
    DWORD status = 0;
    if (s->m_lpBuffer->GetStatus(&status) == DS_OK && (status & DSBSTATUS_PLAYING))
        s->m_lpBuffer->Stop();
    s->m_lpBuffer->Release();
    s->m_lpBuffer = nullptr;
}

}  // namespace

// ---- Construction --------------------------------------------------------------

QVSound::QVSound() {}

QVSound::QVSound(HWND hwnd, int nSamples) {
    Init(hwnd, nSamples);
}

QVSound& QVSound::operator=(const QVSound& other) {
    m_nMusicVolume = other.m_nMusicVolume;
    m_bMusicOn = other.m_bMusicOn;
    m_bSFXOn = other.m_bSFXOn;
    return *this;
}

// ---- Start-up and shutdown -------------------------------------------------------

int QVSound::Init(HWND hwnd, int nSamples) {
    // A second start-up first shuts the first one down, so that no thread keeps using a
    // block that is about to be replaced.
    if (g_lpDSound != nullptr || g_MemHandle != nullptr || g_CallBackThread != nullptr) Exit();
    g_FillThread = nullptr;
    m_bSFXOn = 1;
    m_bMusicOn = 1;
    m_nMusicVolume = 0x8000;
    g_nMaxSampleCount = std::max(nSamples, 0);
    if (!alloc_sample_buffers(g_nMaxSampleCount)) return 0;
    if (DirectSoundCreate(nullptr, &g_lpDSound, nullptr) != DS_OK || g_lpDSound == nullptr) {
        g_lpDSound = nullptr;
        free_sample_buffers();
        return 0;
    }
    if (g_lpDSound->SetCooperativeLevel(hwnd, DSSCL_EXCLUSIVE) != DS_OK) {
        g_lpDSound->Release();
        g_lpDSound = nullptr;
        free_sample_buffers();
        return 0;
    }
    std::memset(&g_DSCaps, 0, sizeof g_DSCaps);
    g_DSCaps.dwSize = sizeof g_DSCaps;
    if (g_lpDSound->GetCaps(&g_DSCaps) == DS_OK) {
        debug_dsound_caps(&g_DSCaps);
    } else {
        std::memset(&g_DSCaps, 0, sizeof g_DSCaps);
    }
    // Without a primary buffer the library does not run: the block is freed and the object
    // released, so nothing afterwards can reach either.
    if (!CreateMainBuffer()) {
        free_sample_buffers();
        g_lpDSound->Release();
        g_lpDSound = nullptr;
        return 0;
    }
    SetFileOpenFunc(nullptr);
    SetFileCloseFunc(nullptr);
    setup_callback();
    return 1;
}

void QVSound::Exit() {
    StopStream();
    soundlib::streamShutdown();
    close_callback();
    {
        PoolGuard lock(soundlib::poolLock());
        for (SNDSample* s = g_SampleList; s != nullptr && s < g_pLastSample; ++s)
            if (s->m_dwFlags & SNDF_INUSE) FreeSample(s);
    }
    free_sample_buffers();
    if (g_lpSoundBuffer != nullptr) {
        g_lpSoundBuffer->Stop();
        g_lpSoundBuffer->Release();
        g_lpSoundBuffer = nullptr;
    }
    if (g_lpDSound != nullptr) {
        g_lpDSound->Release();
        g_lpDSound = nullptr;
    }
    if (g_FillThread != nullptr) {
        CloseHandle(g_FillThread);
        g_FillThread = nullptr;
    }
}

int QVSound::CreateMainBuffer() {
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_PRIMARYBUFFER;
    if (g_lpDSound == nullptr ||
        g_lpDSound->CreateSoundBuffer(&desc, &g_lpSoundBuffer, nullptr) != DS_OK) {
        g_lpSoundBuffer = nullptr;
        return 0;
    }
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = (g_DSCaps.dwFlags & DSCAPS_PRIMARYSTEREO) ? 2 : 1;
    format.wBitsPerSample = (g_DSCaps.dwFlags & DSCAPS_PRIMARY16BIT) ? 16 : 8;
    format.nSamplesPerSec = 22050;
    format.nBlockAlign = static_cast<WORD>(format.nChannels * format.wBitsPerSample / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * format.nSamplesPerSec;
    g_lpSoundBuffer->SetFormat(&format);
    if (g_lpSoundBuffer->Play(0, 0, DSBPLAY_LOOPING) != DS_OK) {
        g_lpSoundBuffer->Release();
        g_lpSoundBuffer = nullptr;
        return 0;
    }
    return 1;
}

void QVSound::debug_dsound_caps(DSCAPS*) {}

IDirectSound* QVSound::GetDSObject() {
    return g_lpDSound;
}

IDirectSoundBuffer* QVSound::GetDSPrimaryBuffer() {
    return g_lpSoundBuffer;
}

// ---- The memory block ----------------------------------------------------------

int QVSound::AllocSampleBuffers() {
    // Records of the old block are stopped and released first, and the event thread, which
    // waits on the old block's events, is restarted on the new ones.
    soundlib::streamShutdown();
    const bool thread = g_CallBackThread != nullptr;
    if (thread) close_callback();
    {
        PoolGuard lock(soundlib::poolLock());
        for (SNDSample* s = g_SampleList; s != nullptr && s < g_pEndSample; ++s)
            if (s->m_dwFlags & SNDF_INUSE) releaseBuffer(s);
    }
    const int ok = alloc_sample_buffers(g_nMaxSampleCount);
    if (ok && thread) setup_callback();
    return ok;
}

int QVSound::alloc_sample_buffers(int nSamples) {
    PoolGuard lock(soundlib::poolLock());
    if (g_MemHandle != nullptr) free_sample_buffers();
    nSamples = std::max(nSamples, 0);
    const int events = std::min(nSamples + 1, kMaxEvents);
    const SIZE_T bytes = sizeof(HANDLE) * static_cast<SIZE_T>(events) +
                         sizeof(_SNDEvent) * static_cast<SIZE_T>(events) +
                         sizeof(SNDSample) * static_cast<SIZE_T>(nSamples);
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    if (block == nullptr) return 0;
    void* base = GlobalLock(block);
    if (base == nullptr) {
        GlobalFree(block);
        return 0;
    }
    g_MemHandle = block;
    g_nMaxEventCount = events;
    g_CallBackHandles = static_cast<HANDLE*>(base);
    g_EventList = reinterpret_cast<_SNDEvent*>(g_CallBackHandles + events);
    g_SampleList = reinterpret_cast<SNDSample*>(g_EventList + events);
    g_pEndSample = g_SampleList + nSamples;
    g_pLastSample = g_SampleList;
    return 1;
}

int QVSound::free_sample_buffers() {
    PoolGuard lock(soundlib::poolLock());
    int ok = 1;
    if (g_MemHandle != nullptr) {
        GlobalUnlock(g_MemHandle);
        if (GlobalFree(g_MemHandle) != nullptr) ok = 0;
    }
    g_MemHandle = nullptr;
    g_CallBackHandles = nullptr;
    g_EventList = nullptr;
    g_SampleList = nullptr;
    g_pEndSample = nullptr;
    g_pLastSample = nullptr;
    g_nMaxEventCount = 0;
    return ok;
}

// ---- The event thread ----------------------------------------------------------

void QVSound::setup_callback() {
    if (g_EventList == nullptr || g_CallBackThread != nullptr) return;
    bool ok = true;
    for (int i = 0; i < g_nMaxEventCount; ++i) {
        HANDLE e = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        g_EventList[i].hEvent = e;
        g_CallBackHandles[i] = e;
        ok = ok && e != nullptr;
    }
    DWORD id = 0;
    if (ok) g_CallBackThread = CreateThread(nullptr, 0, CallBack, nullptr, 0, &id);
    // Without events or a thread no follow-up can be armed (AllocSoundEvent finds none).
    if (g_CallBackThread == nullptr) close_callback();
}

void QVSound::close_callback() {
    if (g_CallBackThread != nullptr) {
        if (g_CallBackHandles != nullptr && g_CallBackHandles[0] != nullptr)
            SetEvent(g_CallBackHandles[0]);
        WaitForSingleObject(g_CallBackThread, INFINITE);
        CloseHandle(g_CallBackThread);
        g_CallBackThread = nullptr;
    }
    PoolGuard lock(soundlib::poolLock());
    for (int i = 0; g_EventList != nullptr && i < g_nMaxEventCount; ++i) {
        if (g_CallBackHandles[i] != nullptr) CloseHandle(g_CallBackHandles[i]);
        g_CallBackHandles[i] = nullptr;
        g_EventList[i].hEvent = nullptr;
        g_EventList[i].pSample = nullptr;
    }
}

DWORD QVSound::CallBack(void*) {
    setActive(1);
    DWORD result = 1;
    for (;;) {
        const DWORD count = static_cast<DWORD>(g_nMaxEventCount);
        const DWORD r = WaitForMultipleObjects(count, g_CallBackHandles, FALSE, INFINITE);
        if (r == WAIT_OBJECT_0) {
            result = 0;
            break;
        }
        if (r == WAIT_FAILED || r >= WAIT_OBJECT_0 + count) break;
        PoolGuard lock(soundlib::poolLock());
        _SNDEvent& event = g_EventList[r - WAIT_OBJECT_0];
        SNDSample* finished = event.pSample;
        if (finished == nullptr) continue;
        event.pSample = nullptr;
        const bool pending = (finished->m_dwFlags & SNDF_NOTIFY) != 0;
        finished->m_dwFlags &= ~static_cast<DWORD>(SNDF_NOTIFY);
        // The stop notification stays on the buffer until removed: a later stop of the
        // same buffer must not fire this event again for whoever holds it next.
        disarmNotifications(finished);
        if (pending && finished->m_pNext != nullptr)
            finished->m_pNext->PlaySample(finished->m_lVolume, finished->m_lPan);
    }
    setActive(0);
    return result;
}

_SNDEvent* QVSound::AllocSoundEvent() {
    PoolGuard lock(soundlib::poolLock());
    for (int i = 1; g_EventList != nullptr && i < g_nMaxEventCount; ++i)
        if (g_EventList[i].pSample == nullptr && g_EventList[i].hEvent != nullptr)
            return &g_EventList[i];
    return nullptr;
}

void QVSound::FreeSoundEvent(_SNDEvent* event) {
    PoolGuard lock(soundlib::poolLock());
    if (event != nullptr) event->pSample = nullptr;
}

// ---- The pool ------------------------------------------------------------------

SNDSample* QVSound::AllocSample() {
    PoolGuard lock(soundlib::poolLock());
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
    PoolGuard lock(soundlib::poolLock());
    sample->Reset();
    SNDSample* last = nullptr;
    for (SNDSample* s = sample; s < g_pLastSample; ++s)
        if (s->m_dwFlags & SNDF_INUSE) last = s;
    if (last != nullptr) g_pLastSample = last + 1;
}

void QVSound::ClearSampleList() {
    // The stream's record stays: its ring is still in use by the fill thread.
    std::lock_guard<std::mutex> stream(soundlib::streamLock());
    PoolGuard lock(soundlib::poolLock());
    SNDSample* keep = g_StreamInfo.pSample;
    for (int i = 1; g_EventList != nullptr && i < g_nMaxEventCount; ++i)
        if (g_EventList[i].pSample != keep) g_EventList[i].pSample = nullptr;
    for (SNDSample* s = g_SampleList; s != nullptr && s < g_pEndSample; ++s) {
        if (s == keep) continue;
        // Buffers are released too, or duplicates still sounding would leak.
        releaseBuffer(s);
        s->Reset();
        s->m_dwFlags = 0;
    }
    g_pLastSample = keep != nullptr ? keep + 1 : g_SampleList;
    g_pEndSample = g_SampleList != nullptr ? g_SampleList + g_nMaxSampleCount : nullptr;
}

SNDSample* QVSound::FindSample(unsigned long id) {
    PoolGuard lock(soundlib::poolLock());
    SNDSample* result = nullptr;
    SNDSample* candidate = nullptr;
    for (SNDSample* s = g_SampleList; s != nullptr && s < g_pLastSample; ++s) {
        if ((s->m_dwFlags & SNDF_INUSE) == 0) continue;
        if (s->m_dwID == static_cast<DWORD>(id)) {
            if (!isBusy(s)) {
                result = s;
                break;
            }
            if (candidate == nullptr && (s->m_dwFlags & SNDF_DUPLICATE) == 0) candidate = s;
        } else if ((s->m_dwFlags & SNDF_DUPLICATE) && !isBusy(s)) {
            FreeSample(s);
        }
    }
    if (result == nullptr && candidate != nullptr) result = candidate->DupeSample();
    if (result != nullptr) result->m_dwFlags |= SNDF_CLAIMED;
    return result;
}

void QVSound::FreeSample(unsigned long id) {
    PoolGuard lock(soundlib::poolLock());
    FreeSample(FindSample(id));
}

void QVSound::FreeSample(SNDSample* sample) {
    if (sample == nullptr) return;
    PoolGuard lock(soundlib::poolLock());
    forgetRecord(sample);
    releaseBuffer(sample);
    ClearSample(sample);
}

void QVSound::FlushSamples() {
    PoolGuard lock(soundlib::poolLock());
    for (SNDSample* s = g_SampleList; s != nullptr && s < g_pEndSample; ++s)
        if ((s->m_dwFlags & SNDF_INUSE) && (s->m_dwFlags & SNDF_DUPLICATE) && !isBusy(s))
            FreeSample(s);
}

void QVSound::MemCleanup() {
    if (g_lpDSound != nullptr) g_lpDSound->Compact();
}

unsigned long QVSound::GetLIBVersion() {
    return 1;
}

char* QVSound::GetLIBDate() {
    return g_libDate;
}

void QVSound::EnableSFX(int on) {
    PoolGuard lock(soundlib::poolLock());
    m_bSFXOn = on;
}

// ---- Loading and playing by identifier -------------------------------------------

int QVSound::LoadSample(const char* file, unsigned long id) {
    PoolGuard lock(soundlib::poolLock());
    // Already loaded: nothing is read. The lookup's claim is given back, or the record
    // would stay claimed for good and every later play would make a duplicate.
    if (SNDSample* loaded = FindSample(id); loaded != nullptr) {
        loaded->m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);
        return 1;
    }
    SNDSample* s = AllocSample();
    if (s == nullptr) return 0;
    if (s->LoadSample(file, id) == 0) {
        ClearSample(s);
        return 0;
    }
    return 1;
}

SNDSample* QVSound::PlaySample(long id, long volume, long pan) {
    PoolGuard lock(soundlib::poolLock());
    SNDSample* s = FindSample(static_cast<unsigned long>(id));
    if (s != nullptr) s->PlaySample(volume, pan);
    return s;
}

int QVSound::PlaySampleIDOnce(long id, long volume, long pan) {
    PoolGuard lock(soundlib::poolLock());
    if (g_Sound.m_bSFXOn == 0) return 1;
    SNDSample* s = FindSample(static_cast<unsigned long>(id));
    if (s == nullptr) return 0;
    if (s->m_lpBuffer == nullptr || isPlaying(s)) {
        // The claim from the lookup is given back, so the record stays usable.
        s->m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);
        return 0;
    }
    s->SetPan(static_cast<int>(pan));
    s->SetVolume(static_cast<int>(volume));
    s->m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);
    const DWORD flags = (s->m_dwFlags & SNDF_LOOP) ? DSBPLAY_LOOPING : 0;
    return s->m_lpBuffer->Play(0, 0, flags) == DS_OK ? 1 : 0;
}

// ---- Volume and pan --------------------------------------------------------------

int QVSound::MapVolume(int volume) {
    int index;
    if (volume > 0xFFFF)
        index = 16383;
    else if (volume < 0)
        index = 0;
    else
        index = volume >> 2;
    return g_VolumeTable[index];
}

int QVSound::MapPan(int pan) {
    if (pan > 0xFFFF) return -10000;
    if (pan >= 0x8000) return g_VolumeTable[16383 - ((pan - 0x8000) >> 1)];
    if (pan > 0) return -g_VolumeTable[pan >> 1];
    return 10000;
}
