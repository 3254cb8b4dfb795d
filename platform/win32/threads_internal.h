// Thread bookkeeping the headless backend needs for a deterministic virtual clock.
#pragma once

namespace platform {

// Returns true once every thread made by CreateThread is blocked in a wait whose
// objects are not signalled, is sleeping, or has ended; false after the timeout.
bool threadsWaitUntilIdle(unsigned timeoutMs);

}  // namespace platform
