// Streamed music: a WAV file played through a two-second ring of eight quarter-second
// sections. The ring is filled whole at load; after that a low-priority fill thread
// refills the section just played at each section notification. The first notification
// after a start is the platform's answer to the start itself and is ignored.
//
// The stream lock guards all stream state against the fill thread. A pause stops the ring
// without ending the stream; the end of non-looping music plays out before the ring stops.
#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "sound/qv_sound.h"
#include "sound/sound_locks.h"

_SNDStream QVSound::g_StreamInfo = {};
HANDLE QVSound::g_NotifyEvents[SND_STREAM_EVENTS] = {};
HANDLE QVSound::g_FillThread = nullptr;
DWORD QVSound::g_FillThreadID = 0;

namespace soundlib {

std::mutex& streamLock() {
    static auto* lock = new std::mutex;  // the fill thread may outlive statics
    return *lock;
}

}  // namespace soundlib

namespace {

using StreamGuard = std::unique_lock<std::mutex>;

constexpr DWORD kStopEvent = SND_STREAM_SECTIONS;

// What one fill thread waits on; owned and deleted by that thread. `quit` (under the
// stream lock) tells it to leave without touching the stream again.
struct FillContext {
    HANDLE events[SND_STREAM_EVENTS] = {};
    bool quit = false;
};

// Bookkeeping beyond g_StreamInfo, under the stream lock.
struct StreamState {
    FillContext* ctx = nullptr;  // the thread serving the loaded stream
    bool ended = false;          // non-looping data used up; silence follows
    DWORD lastSection = 0;       // the section holding the end of the data
    int pauseStops = 0;          // stop notifications caused by pauses, not yet consumed
    bool skipPending = false;    // the notification a resume causes, to be ignored
    DWORD skipSection = 0;
    unsigned long releases = 0;  // streams released so far
};

StreamState& state() {
    static auto* s = new StreamState;
    return *s;
}

std::condition_variable& released() {
    static auto* cv = new std::condition_variable;
    return *cv;
}

_SNDStream& info() {
    return QVSound::g_StreamInfo;
}

SNDCloseFileFunc closeHook() {
    return QVSound::g_pCloseFile != nullptr ? QVSound::g_pCloseFile
                                            : [](void* file) { return CloseHandle(file); };
}

IDirectSoundBuffer* ring() {
    return info().pSample != nullptr ? info().pSample->m_lpBuffer : nullptr;
}

bool loaded() {
    return (info().dwFlags & SNDS_LOADED) && ring() != nullptr;
}

bool playing() {
    return loaded() && (info().dwFlags & SNDS_PLAYING);
}

bool consume(HANDLE event) {
    return event != nullptr && WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

// Fills `bytes` bytes at `dst` from the file: the data in order, then the data's start
// again when looping, else silence. Never reads past the data chunk.
void fillFromFile(std::uint8_t* dst, DWORD bytes) {
    _SNDStream& s = info();
    const SNDSample* sample = s.pSample;
    const bool loop = (s.dwFlags & SNDS_LOOP) != 0;
    const std::uint8_t silence = sample->m_dwBits == 8 ? 0x80 : 0x00;
    DWORD done = 0;
    bool progress = true;  // a wrap that reads nothing must not spin
    while (done < bytes) {
        if (s.dwBytesLeft == 0) {
            if (!loop || !progress || sample->m_dwLength == 0) break;
            SetFilePointer(s.hFile, static_cast<LONG>(s.dwDataStart), nullptr, FILE_BEGIN);
            s.dwBytesLeft = sample->m_dwLength;
            progress = false;
            continue;
        }
        const DWORD want = std::min(bytes - done, s.dwBytesLeft);
        DWORD got = 0;
        if (!ReadFile(s.hFile, dst + done, want, &got, nullptr) || got == 0) {
            s.dwBytesLeft = 0;  // the file gave out early: treat it as the end of the data
            if (!progress) break;
            progress = false;
            continue;
        }
        done += got;
        s.dwBytesLeft -= got;
        progress = true;
    }
    if (done < bytes) std::memset(dst + done, silence, bytes - done);
}

// Records where non-looping data has run out after section `section` was filled.
void noteEnd(DWORD section) {
    StreamState& st = state();
    if ((info().dwFlags & SNDS_LOOP) == 0 && info().dwBytesLeft == 0 && !st.ended) {
        st.ended = true;
        st.lastSection = section;
    }
}

// The whole ring from the data's start (stream lock held).
void fillRing() {
    _SNDStream& s = info();
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (ring()->Lock(0, s.dwBufferBytes, &p1, &n1, &p2, &n2, 0) != DS_OK || p1 == nullptr) return;
    SetFilePointer(s.hFile, static_cast<LONG>(s.dwDataStart), nullptr, FILE_BEGIN);
    s.dwBytesLeft = s.pSample->m_dwLength;
    state().ended = false;
    fillFromFile(static_cast<std::uint8_t*>(p1), n1);
    if (s.dwBytesLeft == 0 && (s.dwFlags & SNDS_LOOP) == 0) {
        const DWORD length = s.pSample->m_dwLength;
        noteEnd(length == 0 ? 0 : std::min<DWORD>((length - 1) / s.dwSectionBytes, 7));
    }
    ring()->Unlock(p1, n1, p2, n2);
}

// Notification `i` (0-7): the play cursor reached section i (stream lock held).
void onSection(DWORD i) {
    _SNDStream& s = info();
    StreamState& st = state();
    if (st.skipPending && i == st.skipSection) {
        st.skipPending = false;
        return;
    }
    if ((s.dwFlags & SNDS_PRIMED) == 0 || s.pSample == nullptr) {
        s.dwFlags |= SNDS_PRIMED;
        return;
    }
    if (!loaded()) return;
    const DWORD played = (i + SND_STREAM_SECTIONS - 1) % SND_STREAM_SECTIONS;
    if (st.ended && played == st.lastSection) {
        // The last of the data has been heard: the stop ends the stream.
        ring()->Stop();
        return;
    }
    void* p1 = nullptr;
    void* p2 = nullptr;
    DWORD n1 = 0, n2 = 0;
    if (ring()->Lock(played * s.dwSectionBytes, s.dwSectionBytes, &p1, &n1, &p2, &n2, 0) != DS_OK ||
        p1 == nullptr || n1 == 0)
        return;
    fillFromFile(static_cast<std::uint8_t*>(p1), n1);
    noteEnd(played);
    ring()->Unlock(p1, n1, p2, n2);
}

// Releases everything of a loaded stream (stream lock held); true when there was one.
// A caller other than the fill thread waits, with the lock dropped, for that thread to end
// before closing its events, as the next stream's events may reuse their values.
bool releaseStream(StreamGuard& lock, SNDStreamNextFunc* next, DWORD* id) {
    _SNDStream& s = info();
    StreamState& st = state();
    if ((s.dwFlags & SNDS_LOADED) == 0) return false;
    HANDLE thread = nullptr;  // the fill thread to wait for, now owned here
    if (st.ctx != nullptr) {
        st.ctx->quit = true;
        SetEvent(st.ctx->events[kStopEvent]);
        st.ctx = nullptr;
        if (QVSound::g_FillThread != nullptr && GetCurrentThreadId() != QVSound::g_FillThreadID) {
            thread = QVSound::g_FillThread;
            QVSound::g_FillThread = nullptr;
            QVSound::g_FillThreadID = 0;
        }
    }
    if (ring() != nullptr) ring()->Stop();
    HANDLE events[SND_STREAM_EVENTS] = {};
    for (int i = 0; i < SND_STREAM_EVENTS; ++i) {
        events[i] = QVSound::g_NotifyEvents[i];
        QVSound::g_NotifyEvents[i] = nullptr;
        s.Positions[i].hEventNotify = nullptr;
    }
    if (s.lpNotify != nullptr) {
        s.lpNotify->Release();
        s.lpNotify = nullptr;
    }
    DWORD streamId = 0;
    if (s.pSample != nullptr) {
        streamId = s.pSample->m_dwID;
        g_Sound.FreeSample(s.pSample);  // releases the ring and returns the record
        s.pSample = nullptr;
    }
    if (s.hFile != nullptr) {
        closeHook()(s.hFile);
        s.hFile = nullptr;
    }
    s.dwFlags &=
        ~static_cast<DWORD>(SNDS_LOADED | SNDS_PLAYING | SNDS_LOOP | SNDS_PAUSED | SNDS_PRIMED);
    s.dwBytesLeft = 0;
    s.dwBufferBytes = 0;
    s.dwSectionBytes = 0;
    st.ended = false;
    st.pauseStops = 0;
    st.skipPending = false;
    ++st.releases;
    released().notify_all();
    if (next != nullptr) *next = s.pNextFunc;
    if (id != nullptr) *id = streamId;
    if (thread != nullptr) {
        // The thread needs the lock to see that it is to leave.
        lock.unlock();
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        lock.lock();
    }
    for (HANDLE e : events)
        if (e != nullptr) CloseHandle(e);
    return true;
}

}  // namespace

namespace soundlib {

void streamShutdown() {
    StreamGuard lock(streamLock());
    while (releaseStream(lock, nullptr, nullptr)) {
    }
}

}  // namespace soundlib

// ---- The fill thread -------------------------------------------------------------

DWORD QVSound::FillStream(void* param) {
    auto* ctx = static_cast<FillContext*>(param);
    SNDStreamNextFunc next = nullptr;
    DWORD id = 0;
    bool ended = false;
    StreamGuard lock(soundlib::streamLock(), std::defer_lock);
    for (;;) {
        const DWORD r = WaitForMultipleObjects(SND_STREAM_EVENTS, ctx->events, FALSE, INFINITE);
        lock.lock();
        if (ctx->quit) break;
        if (r == WAIT_FAILED || r >= WAIT_OBJECT_0 + SND_STREAM_EVENTS) {
            lock.unlock();
            Sleep(1);
            continue;
        }
        const DWORD i = r - WAIT_OBJECT_0;
        if (i < kStopEvent) {
            onSection(i);
        } else if (state().pauseStops > 0) {
            --state().pauseStops;  // a pause stopped the ring; the stream goes on
        } else if (playing()) {
            ended = releaseStream(lock, &next, &id);
            break;
        }
        lock.unlock();
    }
    if (state().ctx == nullptr) g_StreamInfo.dwFlags &= ~static_cast<DWORD>(SNDS_FILLING);
    lock.unlock();
    if (ended && next != nullptr) next(id);
    delete ctx;
    return 0;
}

void QVSound::init_stream_buffer() {
    // Called with the stream lock held.
    if (loaded()) fillRing();
}

// ---- Public operations -----------------------------------------------------------

int QVSound::LoadStream(const char* file, unsigned long id) {
    if (m_bMusicOn == 0) return 0;
    StreamGuard lock(soundlib::streamLock());
    // One stream at a time: an earlier one is ended first, and any loaded while its fill
    // thread was being waited for.
    while (releaseStream(lock, nullptr, nullptr)) {
    }
    _SNDStream& s = g_StreamInfo;
    SNDSample* sample = AllocSample();
    if (sample == nullptr) return 0;
    void* f = sample->OpenSoundFile(file);
    if (f == INVALID_HANDLE_VALUE) {
        ClearSample(sample);
        return 0;
    }
    HANDLE events[SND_STREAM_EVENTS] = {};
    IDirectSoundNotify* notify = nullptr;
    auto fail = [&] {
        for (HANDLE e : events)
            if (e != nullptr) CloseHandle(e);
        if (notify != nullptr) notify->Release();
        closeHook()(f);
        FreeSample(sample);
        return 0;
    };
    if (id != 0xFFFFFFFFul) sample->m_dwID = static_cast<DWORD>(id);

    const std::uint64_t align = std::uint64_t{sample->m_dwBits} * sample->m_dwChannels / 8;
    std::uint64_t section = std::uint64_t{sample->m_dwRate} * align * 2000 / 8000;
    if (align != 0 && section % align != 0) section += align - section % align;
    if (section == 0 || section * SND_STREAM_SECTIONS > DSBSIZE_MAX) return fail();
    const auto sectionBytes = static_cast<DWORD>(section);
    const DWORD ringBytes = sectionBytes * SND_STREAM_SECTIONS;

    if ((sample->m_dwFlags & SNDF_LOOP) &&
        sample->m_dwLoopEnd - sample->m_dwLoopStart < sectionBytes)
        return fail();
    if (!sample->AllocDSBuffer(ringBytes)) return fail();
    void* n = nullptr;
    if (sample->m_lpBuffer->QueryInterface(IID_IDirectSoundNotify, &n) != DS_OK || n == nullptr)
        return fail();
    notify = static_cast<IDirectSoundNotify*>(n);
    for (int i = 0; i < SND_STREAM_EVENTS; ++i) {
        events[i] = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (events[i] == nullptr) return fail();
    }
    for (int i = 0; i < SND_STREAM_EVENTS; ++i) {
        s.Positions[i].dwOffset =
            i < SND_STREAM_SECTIONS ? static_cast<DWORD>(i) * sectionBytes : DSBPN_OFFSETSTOP;
        s.Positions[i].hEventNotify = events[i];
    }
    notify->SetNotificationPositions(SND_STREAM_EVENTS, s.Positions);

    // The thread is started last, once everything it waits on exists.
    auto* ctx = new FillContext;
    std::copy(std::begin(events), std::end(events), ctx->events);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, FillStream, ctx, 0, &threadId);
    if (thread == nullptr) {
        delete ctx;
        for (auto& p : s.Positions) p.hEventNotify = nullptr;
        return fail();
    }
    SetThreadPriority(thread, THREAD_PRIORITY_LOWEST);
    // The handle of a thread whose stream ended by itself is no longer needed.
    if (g_FillThread != nullptr) CloseHandle(g_FillThread);
    g_FillThread = thread;
    g_FillThreadID = threadId;
    std::copy(std::begin(events), std::end(events), g_NotifyEvents);

    const DWORD here = SetFilePointer(f, 0, nullptr, FILE_CURRENT);
    s.dwDataStart = here != INVALID_SET_FILE_POINTER ? here : 0;
    s.dwFlags = SNDS_LOADED | SNDS_FILLING;
    s.pSample = sample;
    s.hFile = f;
    s.lpNotify = notify;
    s.dwSectionBytes = sectionBytes;
    s.dwBufferBytes = ringBytes;
    StreamState& st = state();
    st.ctx = ctx;
    st.ended = false;
    st.pauseStops = 0;
    st.skipPending = false;
    init_stream_buffer();
    return 1;
}

int QVSound::PlayStream(int flags) {
    if (m_bMusicOn == 0) return 1;
    StreamGuard lock(soundlib::streamLock());
    if (!loaded() || (g_StreamInfo.dwFlags & SNDS_PLAYING)) return 1;
    // Only the loop bit is the caller's to give; the state bits stay the library's.
    g_StreamInfo.dwFlags |= static_cast<DWORD>(flags) & SNDS_LOOP;
    // Music shorter than the ring was padded with silence at load; looping, it repeats.
    if ((g_StreamInfo.dwFlags & SNDS_LOOP) && state().ended) fillRing();
    ring()->SetCurrentPosition(1);
    ring()->Play(0, 0, DSBPLAY_LOOPING);
    g_StreamInfo.dwFlags |= SNDS_PLAYING;
    return 1;
}

int QVSound::StopStream() {
    if (m_bMusicOn == 0) return 1;
    StreamGuard lock(soundlib::streamLock());
    if (!playing()) return 1;
    StreamState& st = state();
    const HANDLE thread = g_FillThread;
    const unsigned long before = st.releases;
    if (g_StreamInfo.dwFlags & SNDS_PAUSED) {
        // A paused ring is already stopped: its stop is announced by hand.
        g_StreamInfo.dwFlags &= ~static_cast<DWORD>(SNDS_PAUSED);
        st.pauseStops = 0;
        if (st.ctx != nullptr) SetEvent(st.ctx->events[kStopEvent]);
    } else {
        ring()->Stop();
    }
    released().wait(lock, [&] { return st.releases != before; });
    if (thread != nullptr && g_FillThread == thread) {
        CloseHandle(thread);
        g_FillThread = nullptr;
    }
    return 1;
}

int QVSound::PauseStream() {
    StreamGuard lock(soundlib::streamLock());
    if (!playing()) return 1;
    _SNDStream& s = g_StreamInfo;
    StreamState& st = state();
    SNDSample* sample = s.pSample;
    if (s.dwFlags & SNDS_PAUSED) {
        s.dwFlags &= ~static_cast<DWORD>(SNDS_PAUSED);
        ring()->SetCurrentPosition(sample->m_dwPausePos);
        // Starting inside a section announces that section again: that one is not a
        // boundary crossed and must not refill anything.
        st.skipSection = std::min<DWORD>(sample->m_dwPausePos / s.dwSectionBytes, 7);
        st.skipPending = true;
        ring()->Play(0, 0, DSBPLAY_LOOPING);
        if (consume(g_NotifyEvents[st.skipSection])) st.skipPending = false;
    } else {
        s.dwFlags |= SNDS_PAUSED;
        ring()->Stop();
        DWORD play = 0;
        ring()->GetCurrentPosition(&play, nullptr);
        sample->m_dwPausePos = play;
        ++st.pauseStops;
        // Notifications already due are served now, so none is left over for the resume.
        for (DWORD i = 0; i < kStopEvent; ++i)
            if (consume(g_NotifyEvents[i])) onSection(i);
        if (consume(g_NotifyEvents[kStopEvent])) --st.pauseStops;
    }
    return 1;
}

int QVSound::CleanupStream() {
    SNDStreamNextFunc next = nullptr;
    DWORD id = 0;
    {
        StreamGuard lock(soundlib::streamLock());
        if (!playing()) return 1;
        if (!releaseStream(lock, &next, &id)) return 1;
    }
    if (next != nullptr) next(id);
    return 1;
}

void QVSound::EnableMusic(int on) {
    if (on == 0) StopStream();
    m_bMusicOn = on;
}

_SNDStream* QVSound::GetStreamInfoPtr() {
    return &g_StreamInfo;
}

void QVSound::SetStreamVolume(int volume) {
    StreamGuard lock(soundlib::streamLock());
    if (loaded()) g_StreamInfo.pSample->SetVolume(volume);
}

int QVSound::GetStreamVolume() {
    StreamGuard lock(soundlib::streamLock());
    return loaded() ? g_StreamInfo.pSample->m_lVolume : 0;
}

unsigned long QVSound::GetStreamID() {
    StreamGuard lock(soundlib::streamLock());
    return (g_StreamInfo.dwFlags & SNDS_LOADED) && g_StreamInfo.pSample != nullptr
               ? g_StreamInfo.pSample->m_dwID
               : 0;
}

SNDStreamNextFunc QVSound::SetStreamNextFunc(SNDStreamNextFunc next) {
    StreamGuard lock(soundlib::streamLock());
    const SNDStreamNextFunc previous = g_StreamInfo.pNextFunc;
    g_StreamInfo.pNextFunc = next;
    return previous;
}

SNDStreamNextFunc QVSound::GetStreamNextFunc() {
    StreamGuard lock(soundlib::streamLock());
    return g_StreamInfo.pNextFunc;
}

void QVSound::ClearStreamNextStreamFunc() {
    StreamGuard lock(soundlib::streamLock());
    g_StreamInfo.pNextFunc = nullptr;
}

// ---- Fades ---------------------------------------------------------------------

void QVSound::FadeMusic(int from, int to, unsigned long ms) {
    const DWORD start = GetTickCount();
    const DWORD end = start + static_cast<DWORD>(ms);
    for (DWORD now = GetTickCount(); end > now; now = GetTickCount()) {
        const std::int64_t step = static_cast<std::int64_t>(now - start) *
                                  (std::int64_t{to} - from) / static_cast<std::int64_t>(ms);
        SetStreamVolume(static_cast<int>(from + step));
    }
    SetStreamVolume(to);
}

void QVSound::FadeMusicIn(unsigned long ms) {
    FadeMusic(0, m_nMusicVolume, ms);
}

void QVSound::FadeMusicOut(unsigned long ms) {
    FadeMusic(m_nMusicVolume, 0, ms);
}
