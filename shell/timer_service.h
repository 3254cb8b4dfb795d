// The framework's own millisecond clock, advanced by 10 on every tick of a periodic
// multimedia timer, and a shared seconds countdown counted down by the same tick.
#pragma once

int startTimerService();
void stopTimerService();
int getTimerClockMs();
// 1 while a periodic timer is delivering ticks, else 0 (never started, failed or stopped).
int isTimerServiceRunning();
int timerMsSince(int startMs);
// Asks for a frame by the time the clock reads clockMs: what a screen draws differently then
// (a blink, the next step of a pulse) is shown on time even when the program rests.
void frameDueAtClock(int clockMs);

void setCountdown(int seconds);
int getCountdown();
void startCountdown();
void stopCountdown();
int isCountdownRunning();

// Called on every tick after the clock advances (the shell points it at the mouse cursor's
// button sampling); null for none. Runs on the timer thread.
void setTimerTickHook(void (*hook)());
