// The sound library: the manager QVSound (one global instance, g_Sound) and SNDSample, one
// loaded sound in a fixed pool of records, plus one streamed piece of music at a time.
// Volume runs from 0 (silent) to 0xFFFF (full); pan from 0 (right) through 0x8000 (centre)
// to 0xFFFF (left). Every class and every piece of class-level data is exported by name.
#pragma once

#include "platform/audio/dsound.h"
#include "platform/win32/win32.h"
#include "sound/wav_reader.h"

// SNDSample::m_dwFlags
#define SNDF_INUSE 0x001
#define SNDF_CLAIMED 0x002
#define SNDF_DUPLICATE 0x004
#define SNDF_LOOP 0x008
#define SNDF_FORMAT 0x010
#define SNDF_PAUSED 0x100
#define SNDF_NOTIFY 0x400

// _SNDStream::dwFlags
#define SNDS_LOADED 0x01
#define SNDS_PLAYING 0x02
#define SNDS_LOOP 0x04
#define SNDS_PAUSED 0x08
#define SNDS_FILLING 0x10
#define SNDS_PRIMED 0x80000000u

// Sections of the music ring and the notifications it carries (one per section start,
// one for the stop).
#define SND_STREAM_SECTIONS 8
#define SND_STREAM_EVENTS 9

class SNDSample;

// One record of the event table: the event a chained sample's stop notification sets, and
// the sample whose follow-up it starts (null when the record is free).
struct _SNDEvent {
    HANDLE hEvent;
    SNDSample* pSample;
};

using SNDStreamNextFunc = void (*)(unsigned long id);

// The state of the one music stream.
struct _SNDStream {
    DWORD dwFlags;
    HANDLE hFile;
    DWORD dwDataStart;
    DWORD dwSectionBytes;
    DWORD dwBufferBytes;
    DWORD dwBytesLeft;
    SNDSample* pSample;
    SNDStreamNextFunc pNextFunc;
    IDirectSoundNotify* lpNotify;
    DSBPOSITIONNOTIFY Positions[SND_STREAM_EVENTS];
};

class SNDSample {
public:
    SNDSample& operator=(const SNDSample& other);

    int LoadSample(const char* file, unsigned long id);
    int AllocDSBuffer(unsigned long bytes);
    SNDSample* DupeSample();
    static SNDSample* ChainSample(SNDSample* first, SNDSample* next);
    int PlaySample(long volume, long pan);
    int StopSample();
    int PauseSample();
    int UnPauseSample();
    long GetSampleStatus();
    int SamplePlaying();
    int SetVolume(int volume);
    int SetPan(int pan);
    int SetPitch(int frequency);
    void Reset();

    // The WAV reader (wav_reader.cpp).
    void* OpenSoundFile(const char* name);
    int IsWavFile(void* file);
    static int FindRiffChunk(void* file, long id, _ChunkHeader* header, unsigned long start);

    DWORD m_dwFlags;
    DWORD m_dwID;
    DWORD m_dwLength;
    DWORD m_dwRate;
    DWORD m_dwBits;
    DWORD m_dwChannels;
    DWORD m_dwPlayTime;
    DWORD m_dwPausePos;
    LONG m_lVolume;
    LONG m_lPan;
    LONG m_lPitch;
    DWORD m_dwLoopStart;
    DWORD m_dwLoopEnd;
    DWORD m_dwLoopCount;
    IDirectSoundBuffer* m_lpBuffer;
    DSBPOSITIONNOTIFY m_Notify;
    SNDSample* m_pNext;
};

class QVSound {
public:
    QVSound();
    QVSound(HWND hwnd, int nSamples);
    QVSound& operator=(const QVSound& other);

    int Init(HWND hwnd, int nSamples);
    void Exit();
    int AllocSampleBuffers();
    static IDirectSound* GetDSObject();
    static IDirectSoundBuffer* GetDSPrimaryBuffer();

    int LoadSample(const char* file, unsigned long id);
    SNDSample* PlaySample(long id, long volume, long pan);
    int PlaySampleIDOnce(long id, long volume, long pan);
    SNDSample* FindSample(unsigned long id);
    void FreeSample(unsigned long id);
    void FreeSample(SNDSample* sample);
    void FlushSamples();
    void MemCleanup();
    unsigned long GetLIBVersion();
    char* GetLIBDate();
    void EnableSFX(int on);

    static SNDSample* AllocSample();
    static void ClearSample(SNDSample* sample);
    static void ClearSampleList();
    static _SNDEvent* AllocSoundEvent();
    static void FreeSoundEvent(_SNDEvent* event);
    static int MapVolume(int volume);
    static int MapPan(int pan);

    // The WAV reader's hooks (wav_reader.cpp); null installs the default.
    static void SetFileOpenFunc(SNDOpenFileFunc open);
    static void SetFileCloseFunc(SNDCloseFileFunc close);

    // Streamed music (music_stream.cpp).
    int LoadStream(const char* file, unsigned long id);
    int PlayStream(int flags);
    int StopStream();
    int PauseStream();
    static int CleanupStream();
    void EnableMusic(int on);
    static _SNDStream* GetStreamInfoPtr();
    static void SetStreamVolume(int volume);
    static int GetStreamVolume();
    static unsigned long GetStreamID();
    SNDStreamNextFunc SetStreamNextFunc(SNDStreamNextFunc next);
    SNDStreamNextFunc GetStreamNextFunc();
    static void ClearStreamNextStreamFunc();
    void FadeMusic(int from, int to, unsigned long ms);
    void FadeMusicIn(unsigned long ms);
    void FadeMusicOut(unsigned long ms);

    int m_nMusicVolume;
    int m_bMusicOn;
    int m_bSFXOn;

    static IDirectSound* g_lpDSound;
    static IDirectSoundBuffer* g_lpSoundBuffer;
    static DSCAPS g_DSCaps;
    static int g_nMaxSampleCount;
    static int g_nMaxEventCount;
    static HGLOBAL g_MemHandle;
    static HANDLE* g_CallBackHandles;
    static _SNDEvent* g_EventList;
    static SNDSample* g_SampleList;
    static SNDSample* g_pEndSample;
    static SNDSample* g_pLastSample;
    static HANDLE g_CallBackThread;
    static int g_nCallBackThreadActive;
    static short g_VolumeTable[16384];
    static _SNDStream g_StreamInfo;
    static HANDLE g_NotifyEvents[SND_STREAM_EVENTS];
    static HANDLE g_FillThread;
    static DWORD g_FillThreadID;
    static SNDOpenFileFunc g_pOpenFile;
    static SNDCloseFileFunc g_pCloseFile;

protected:
    static DWORD CallBack(void* param);
    int CreateMainBuffer();
    int alloc_sample_buffers(int nSamples);
    int free_sample_buffers();
    void setup_callback();
    void close_callback();
    void debug_dsound_caps(DSCAPS* caps);
    static void* DefaultOpenFile(const char* name);
    static int DefaultCloseFile(void* file);
    static DWORD FillStream(void* param);
    void init_stream_buffer();
};

extern QVSound g_Sound;
