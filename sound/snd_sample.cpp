// One loaded sound: its static platform buffer filled from a WAV file, duplicates sharing
// that buffer's audio, chains of follow-up samples, and play, stop, pause and the controls.
#include <cstdint>
#include <mutex>

#include "sound/qv_sound.h"
#include "sound/sound_locks.h"

namespace {

using PoolGuard = std::lock_guard<std::recursive_mutex>;

constexpr long kStatusInvalid = static_cast<long>(static_cast<std::uint32_t>(E_INVALIDARG));

SNDCloseFileFunc closeHook() {
    return QVSound::g_pCloseFile != nullptr ? QVSound::g_pCloseFile
                                            : [](void* file) { return CloseHandle(file); };
}

}  // namespace

SNDSample& SNDSample::operator=(const SNDSample& other) {
    m_dwFlags = other.m_dwFlags;
    m_dwID = other.m_dwID;
    m_dwLength = other.m_dwLength;
    m_dwRate = other.m_dwRate;
    m_dwBits = other.m_dwBits;
    m_dwChannels = other.m_dwChannels;
    m_dwPlayTime = other.m_dwPlayTime;
    m_dwPausePos = other.m_dwPausePos;
    m_lVolume = other.m_lVolume;
    m_lPan = other.m_lPan;
    m_lPitch = other.m_lPitch;
    m_dwLoopStart = other.m_dwLoopStart;
    m_dwLoopEnd = other.m_dwLoopEnd;
    m_dwLoopCount = other.m_dwLoopCount;
    m_lpBuffer = other.m_lpBuffer;
    m_Notify = other.m_Notify;
    m_pNext = other.m_pNext;
    return *this;
}

void SNDSample::Reset() {
    m_dwFlags = 0;
    m_dwID = 0;
    m_dwLength = 0;
    m_dwRate = 0;
    m_dwBits = 0;
    m_dwChannels = 0;
    m_dwPlayTime = 0;
    m_dwPausePos = 0;
    m_lVolume = 0;
    m_lPan = 0;
    m_lPitch = 0;
    m_dwLoopStart = 0;
    m_dwLoopEnd = 0;
    m_dwLoopCount = 0;
    m_lpBuffer = nullptr;
    m_pNext = nullptr;
}

// ---- Loading -------------------------------------------------------------------

int SNDSample::LoadSample(const char* file, unsigned long id) {
    void* f = OpenSoundFile(file);
    if (f == INVALID_HANDLE_VALUE) return 0;
    SNDCloseFileFunc close = closeHook();
    if (m_lpBuffer != nullptr) {
        m_lpBuffer->Release();
        m_lpBuffer = nullptr;
    }
    auto fail = [&] {
        if (m_lpBuffer != nullptr) {
            m_lpBuffer->Release();
            m_lpBuffer = nullptr;
        }
        close(f);
        return 0;
    };
    if (!AllocDSBuffer(0)) return fail();
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (m_lpBuffer->Lock(0, m_dwLength, &p1, &n1, &p2, &n2, 0) != DS_OK || p1 == nullptr)
        return fail();
    DWORD got = 0;
    const bool read = ReadFile(f, p1, n1, &got, nullptr) != 0 && got == n1 && n1 == m_dwLength;
    if (!read) {
        m_lpBuffer->Unlock(p1, n1, p2, n2);
        return fail();
    }
    if (id != 0xFFFFFFFFul) m_dwID = static_cast<DWORD>(id);
    // The format was checked when the file was opened, so the divisor is never zero.
    const std::uint64_t bytesPerSecond = std::uint64_t{m_dwRate} * m_dwChannels * m_dwBits / 8;
    m_dwPlayTime = bytesPerSecond != 0
                       ? static_cast<DWORD>(std::uint64_t{m_dwLength} * 1000 / bytesPerSecond)
                       : 0;
    m_lpBuffer->Unlock(p1, n1, p2, n2);
    close(f);
    return 1;
}

int SNDSample::AllocDSBuffer(unsigned long bytes) {
    if (QVSound::g_lpDSound == nullptr) return 0;
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(m_dwChannels);
    format.nSamplesPerSec = m_dwRate;
    format.wBitsPerSample = static_cast<WORD>(m_dwBits);
    format.nBlockAlign = static_cast<WORD>(m_dwChannels * m_dwBits / 8);
    format.nAvgBytesPerSec = format.nBlockAlign * m_dwRate;
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_CTRLPOSITIONNOTIFY;
    desc.dwBufferBytes = bytes != 0 ? static_cast<DWORD>(bytes) : m_dwLength;
    desc.lpwfxFormat = &format;
    IDirectSoundBuffer* buffer = nullptr;
    if (QVSound::g_lpDSound->CreateSoundBuffer(&desc, &buffer, nullptr) != DS_OK ||
        buffer == nullptr)
        return 0;
    m_lpBuffer = buffer;
    return 1;
}

// ---- Duplicates and chains -------------------------------------------------------

SNDSample* SNDSample::DupeSample() {
    PoolGuard lock(soundlib::poolLock());
    if (m_lpBuffer == nullptr || QVSound::g_lpDSound == nullptr) return nullptr;
    SNDSample* copy = QVSound::AllocSample();
    if (copy == nullptr) return nullptr;
    if (QVSound::g_lpDSound->DuplicateSoundBuffer(m_lpBuffer, &copy->m_lpBuffer) != DS_OK ||
        copy->m_lpBuffer == nullptr) {
        copy->m_lpBuffer = nullptr;
        QVSound::ClearSample(copy);
        return nullptr;
    }
    copy->m_dwID = m_dwID;
    copy->m_dwLength = m_dwLength;
    copy->m_dwRate = m_dwRate;
    copy->m_dwBits = m_dwBits;
    copy->m_dwChannels = m_dwChannels;
    copy->m_pNext = nullptr;
    copy->m_dwFlags |= SNDF_DUPLICATE;
    if (m_dwFlags & SNDF_LOOP) {
        copy->m_dwFlags |= SNDF_LOOP;
        copy->m_dwLoopStart = m_dwLoopStart;
        copy->m_dwLoopEnd = m_dwLoopEnd;
    }
    return copy;
}

SNDSample* SNDSample::ChainSample(SNDSample* first, SNDSample* next) {
    if (next == nullptr) return nullptr;
    if (first == nullptr) return next;
    PoolGuard lock(soundlib::poolLock());
    SNDSample* last = first;
    // A chain that already contains `next` is left alone rather than made endless by accident.
    for (int steps = 0; last->m_pNext != nullptr; ++steps) {
        if (last == next || steps > 1 << 20) return first;
        last = last->m_pNext;
    }
    last->m_pNext = next;
    return first;
}

// ---- Playing -------------------------------------------------------------------

int SNDSample::PlaySample(long volume, long pan) {
    PoolGuard lock(soundlib::poolLock());
    if (g_Sound.m_bSFXOn == 0) {
        m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);
        return 1;
    }
    if (m_lpBuffer == nullptr) return 0;
    SetPan(static_cast<int>(pan));
    SetVolume(static_cast<int>(volume));
    // A follow-up already pending keeps its event; otherwise one is armed for the stop.
    if (m_pNext != nullptr && (m_dwFlags & SNDF_NOTIFY) == 0) {
        _SNDEvent* event = QVSound::AllocSoundEvent();
        void* notify = nullptr;
        if (event != nullptr &&
            m_lpBuffer->QueryInterface(IID_IDirectSoundNotify, &notify) == DS_OK) {
            event->pSample = this;
            m_Notify.dwOffset = DSBPN_OFFSETSTOP;
            m_Notify.hEventNotify = event->hEvent;
            m_dwFlags |= SNDF_NOTIFY;
            auto* n = static_cast<IDirectSoundNotify*>(notify);
            if (n->SetNotificationPositions(1, &m_Notify) != DS_OK) {
                event->pSample = nullptr;
                m_dwFlags &= ~static_cast<DWORD>(SNDF_NOTIFY);
            }
            n->Release();
        }
    }
    m_dwFlags &= ~static_cast<DWORD>(SNDF_CLAIMED);
    const DWORD flags = (m_dwFlags & SNDF_LOOP) ? DSBPLAY_LOOPING : 0;
    return m_lpBuffer->Play(0, 0, flags) == DS_OK ? 1 : 0;
}

int SNDSample::StopSample() {
    if (m_lpBuffer == nullptr) return 0;
    return m_lpBuffer->Stop() == DS_OK ? 1 : 0;
}

int SNDSample::PauseSample() {
    if (m_lpBuffer == nullptr) return 0;
    if (m_lpBuffer->Stop() != DS_OK) return 0;
    DWORD play = 0;
    if (m_lpBuffer->GetCurrentPosition(&play, nullptr) != DS_OK) return 0;
    m_dwPausePos = play;
    m_dwFlags |= SNDF_PAUSED;
    return 1;
}

int SNDSample::UnPauseSample() {
    if (m_lpBuffer == nullptr || (m_dwFlags & SNDF_PAUSED) == 0) return 0;
    if (m_lpBuffer->SetCurrentPosition(m_dwPausePos) != DS_OK) return 0;
    m_dwFlags &= ~static_cast<DWORD>(SNDF_PAUSED);
    const DWORD flags = (m_dwFlags & SNDF_LOOP) ? DSBPLAY_LOOPING : 0;
    return m_lpBuffer->Play(0, 0, flags) == DS_OK ? 1 : 0;
}

long SNDSample::GetSampleStatus() {
    DWORD status = 0;
    if (m_lpBuffer == nullptr || m_lpBuffer->GetStatus(&status) != DS_OK) return kStatusInvalid;
    return static_cast<long>(status);
}

int SNDSample::SamplePlaying() {
    const long status = GetSampleStatus();
    if (status == kStatusInvalid) return 0;
    return (status & DSBSTATUS_PLAYING) ? 1 : 0;
}

// ---- Controls (refused by buffers made without them; the asked value is kept) ----------

int SNDSample::SetVolume(int volume) {
    m_lVolume = volume;
    if (m_lpBuffer == nullptr) return 0;
    return m_lpBuffer->SetVolume(QVSound::MapVolume(volume)) == DS_OK ? 1 : 0;
}

int SNDSample::SetPan(int pan) {
    m_lPan = pan;
    if (m_lpBuffer == nullptr) return 0;
    return m_lpBuffer->SetPan(QVSound::MapPan(pan)) == DS_OK ? 1 : 0;
}

int SNDSample::SetPitch(int frequency) {
    m_lPitch = frequency;
    if (m_lpBuffer == nullptr) return 0;
    return m_lpBuffer->SetFrequency(static_cast<DWORD>(frequency)) == DS_OK ? 1 : 0;
}
