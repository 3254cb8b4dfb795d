// Windows multimedia timers: a periodic callback on a timer thread of its own.
#pragma once

#include "platform/win32/win32.h"

using MMRESULT = UINT;
using DWORD_PTR = std::uintptr_t;
using LPTIMECALLBACK = void (*)(UINT timerId, UINT msg, DWORD_PTR user, DWORD_PTR dw1,
                                DWORD_PTR dw2);

struct TIMECAPS {
    UINT wPeriodMin;
    UINT wPeriodMax;
};
using LPTIMECAPS = TIMECAPS*;

#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97
#define TIMERR_STRUCT 129
#define MMSYSERR_INVALPARAM 11

#define TIME_ONESHOT 0x0000
#define TIME_PERIODIC 0x0001
#define TIME_CALLBACK_FUNCTION 0x0000

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size);
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);
// Returns the timer's id, or 0 when it could not be started.
MMRESULT timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK callback, DWORD_PTR user,
                      UINT flags);
// Returns only when no callback of the timer runs any more.
MMRESULT timeKillEvent(UINT timerId);
DWORD timeGetTime();
