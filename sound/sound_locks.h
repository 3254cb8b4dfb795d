// Library-internal: the locks that keep the main thread, the event thread and the stream's
// fill thread apart. Lock order: the stream lock before the pool lock, never the reverse.
#pragma once

#include <mutex>

namespace soundlib {

// Guards the sample pool, the event table and the records' flags and chains.
std::recursive_mutex& poolLock();
// Guards the stream state (g_StreamInfo and the fill thread's bookkeeping).
std::mutex& streamLock();

// Ends any stream, whatever its state, without calling the next-stream function.
void streamShutdown();

}  // namespace soundlib
