// The sound library: the manager QVSound (one global instance, g_Sound) and SNDSample, one
// loaded sound in a fixed pool of records. Volume 0 (silent) to 0xFFFF (full); pan 0 (right)
// through 0x8000 (centre) to 0xFFFF (left).
//
// This is the library's minimal form: the manager's switches and the pool's bookkeeping are
// real, but no DirectSound device is opened, no audio is read or played and no stream runs.
// The sound library completes the bodies behind these same members.
#pragma once

#include "platform/dsound.h"
#include "platform/win32.h"

#define SNDF_INUSE 0x001
#define SNDF_CLAIMED 0x002
#define SNDF_DUPLICATE 0x004
#define SNDF_LOOP 0x008
#define SNDF_FORMAT 0x010
#define SNDF_PAUSED 0x100
#define SNDF_NOTIFY 0x400

#define SNDS_LOADED 0x01
#define SNDS_PLAYING 0x02
#define SNDS_LOOP 0x04
#define SNDS_PAUSED 0x08

class SNDSample {
public:
    int LoadSample(const char* file, unsigned long id);
    int PlaySample(long volume, long pan);
    int StopSample();
    int SamplePlaying();
    int SetVolume(int volume);
    int SetPan(int pan);
    void Reset();

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
    QVSound() {}
    QVSound(HWND hwnd, int nSamples) { Init(hwnd, nSamples); }
    QVSound& operator=(const QVSound& other);

    int Init(HWND hwnd, int nSamples);
    void Exit();

    int LoadSample(const char* file, unsigned long id);
    SNDSample* PlaySample(long id, long volume, long pan);
    SNDSample* FindSample(unsigned long id);
    void FreeSample(unsigned long id);
    void FreeSample(SNDSample* sample);
    void EnableSFX(int on);
    unsigned long GetLIBVersion() { return 1; }

    static SNDSample* AllocSample();
    static void ClearSample(SNDSample* sample);
    static void ClearSampleList();

    int LoadStream(const char* file, unsigned long id);
    int PlayStream(int flags);
    int StopStream();
    void EnableMusic(int on);
    static void SetStreamVolume(int volume);
    static int GetStreamVolume();
    void FadeMusic(int from, int to, unsigned long ms);
    void FadeMusicIn(unsigned long ms);
    void FadeMusicOut(unsigned long ms);

    int m_nMusicVolume;
    int m_bMusicOn;
    int m_bSFXOn;

    static IDirectSound* g_lpDSound;
    static int g_nMaxSampleCount;
    static SNDSample* g_SampleList;
    static SNDSample* g_pEndSample;
    static SNDSample* g_pLastSample;
};

extern QVSound g_Sound;
