// Threads, events and waits on std::thread, one process-wide mutex and one condition
// variable. Every waitable object (event, thread) is kept alive by shared ownership, so
// closing a handle that another thread waits on is harmless, as on Windows.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "platform/faults.h"
#include "platform/win32/handles.h"
#include "platform/win32/threads_internal.h"
#include "platform/win32/win32.h"

namespace platform {
namespace {

// Never destroyed: detached threads may still wait on them while the process exits.
std::mutex& g_mutex = *new std::mutex;
std::condition_variable& g_changed = *new std::condition_variable;

struct Waitable {
    virtual ~Waitable() = default;
    bool manualReset = true;
    bool signalled = false;
};

struct ThreadState : Waitable {
    DWORD id = 0;
    DWORD exitCode = STILL_ACTIVE;
    bool running = false;  // started and not ended
    bool ended = false;
    bool sleeping = false;
    bool waitAll = false;
    std::vector<std::shared_ptr<Waitable>> waitingOn;
};

std::vector<std::weak_ptr<ThreadState>>& g_threads = *new std::vector<std::weak_ptr<ThreadState>>;
thread_local ThreadState* t_self = nullptr;
std::atomic<DWORD> g_nextThreadId{1000};

// The handle object: owns a share of the state; destroyed under the mutex so that a
// wait that has just looked the handle up can still take its share.
class WaitableHandle : public KernelObject {
public:
    explicit WaitableHandle(std::shared_ptr<Waitable> s) : state(std::move(s)) {}
    ~WaitableHandle() override {
        std::lock_guard lock(g_mutex);
        state.reset();
    }
    std::shared_ptr<Waitable> state;
};

bool idleLocked() {
    for (auto& weak : g_threads) {
        auto t = weak.lock();
        if (!t || t->ended || t.get() == t_self) continue;  // the caller does not wait on itself
        if (!t->running) return false;                      // created, not yet at its first wait
        if (t->sleeping) continue;
        if (t->waitingOn.empty()) return false;
        bool satisfied = t->waitAll;
        for (auto& w : t->waitingOn) {
            if (t->waitAll)
                satisfied = satisfied && w->signalled;
            else
                satisfied = satisfied || w->signalled;
        }
        if (satisfied) return false;  // woken, not yet run
    }
    return true;
}

struct StartInfo {
    LPTHREAD_START_ROUTINE start;
    LPVOID param;
    std::shared_ptr<ThreadState> state;
};

void threadMain(StartInfo info) {
    {
        std::lock_guard lock(g_mutex);
        t_self = info.state.get();
        info.state->running = true;
    }
    const DWORD code = info.start(info.param);
    std::lock_guard lock(g_mutex);
    info.state->exitCode = code;
    info.state->ended = true;
    info.state->running = false;
    info.state->signalled = true;
    t_self = nullptr;
    g_changed.notify_all();
}

}  // namespace

bool threadsWaitUntilIdle(unsigned timeoutMs) {
    std::unique_lock lock(g_mutex);
    std::erase_if(g_threads, [](const std::weak_ptr<ThreadState>& w) {
        auto t = w.lock();
        return !t || t->ended;
    });
    return g_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), idleLocked);
}

}  // namespace platform

using namespace platform;

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID param,
                    DWORD flags, LPDWORD threadId) {
    // CREATE_SUSPENDED is refused: there is no ResumeThread to start such a thread.
    if (!start || (flags & CREATE_SUSPENDED) || faultActive("create-thread")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto state = std::make_shared<ThreadState>();
    state->id = g_nextThreadId.fetch_add(1);
    {
        std::lock_guard lock(g_mutex);
        g_threads.push_back(state);
    }
    if (threadId) *threadId = state->id;
    HANDLE h = handleRegister(new WaitableHandle(state));
    try {
        std::thread(threadMain, StartInfo{start, param, state}).detach();
    } catch (...) {
        {
            std::lock_guard lock(g_mutex);
            state->ended = true;
            state->signalled = true;
        }
        CloseHandle(h);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return h;
}

// Priorities are accepted and ignored: the scheduler of a desktop session gives the
// programs' few threads enough time either way.
BOOL SetThreadPriority(HANDLE thread, int) {
    std::lock_guard lock(g_mutex);
    auto* h = handleAs<WaitableHandle>(thread);
    return h && dynamic_cast<ThreadState*>(h->state.get()) ? TRUE : FALSE;
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    std::lock_guard lock(g_mutex);
    auto* h = handleAs<WaitableHandle>(thread);
    auto* t = h ? dynamic_cast<ThreadState*>(h->state.get()) : nullptr;
    if (!t || !exitCode) return FALSE;
    *exitCode = t->exitCode;
    return TRUE;
}

DWORD GetCurrentThreadId() {
    // Threads not made by CreateThread (the main thread, timer and audio threads) get an
    // id from the same counter on first use, so ids never collide.
    thread_local DWORD ownId = 0;
    {
        std::lock_guard lock(g_mutex);
        if (t_self) return t_self->id;
    }
    if (ownId == 0) ownId = g_nextThreadId.fetch_add(1);
    return ownId;
}

HANDLE CreateEventA(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCSTR) {
    if (faultActive("create-event")) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto state = std::make_shared<Waitable>();
    state->manualReset = manualReset != 0;
    state->signalled = initialState != 0;
    return handleRegister(new WaitableHandle(state));
}

BOOL SetEvent(HANDLE event) {
    std::lock_guard lock(g_mutex);
    auto* h = handleAs<WaitableHandle>(event);
    if (!h || dynamic_cast<ThreadState*>(h->state.get())) return FALSE;
    h->state->signalled = true;
    g_changed.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE event) {
    std::lock_guard lock(g_mutex);
    auto* h = handleAs<WaitableHandle>(event);
    if (!h || dynamic_cast<ThreadState*>(h->state.get())) return FALSE;
    h->state->signalled = false;
    return TRUE;
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::unique_lock lock(g_mutex);
    std::vector<std::shared_ptr<Waitable>> objects;
    objects.reserve(count);
    for (DWORD i = 0; i < count; ++i) {
        auto* h = handleAs<WaitableHandle>(handles[i]);
        if (!h) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects.push_back(h->state);
    }
    auto ready = [&] {
        if (waitAll)
            return std::all_of(objects.begin(), objects.end(),
                               [](auto& o) { return o->signalled; });
        return std::any_of(objects.begin(), objects.end(), [](auto& o) { return o->signalled; });
    };
    ThreadState* self = t_self;
    if (self) {
        self->waitingOn = objects;
        self->waitAll = waitAll != 0;
        g_changed.notify_all();
    }
    bool ok = true;
    if (ms == INFINITE)
        g_changed.wait(lock, ready);
    else
        ok = g_changed.wait_for(lock, std::chrono::milliseconds(ms), ready);
    if (self) self->waitingOn.clear();
    if (!ok) return WAIT_TIMEOUT;
    if (waitAll) {
        for (auto& o : objects)
            if (!o->manualReset) o->signalled = false;
        return WAIT_OBJECT_0;
    }
    for (DWORD i = 0; i < count; ++i) {
        if (objects[i]->signalled) {
            if (!objects[i]->manualReset) objects[i]->signalled = false;
            return WAIT_OBJECT_0 + i;
        }
    }
    return WAIT_FAILED;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD ms) {
    return WaitForMultipleObjects(1, &handle, FALSE, ms);
}

void Sleep(DWORD ms) {
    ThreadState* self = nullptr;
    {
        std::lock_guard lock(g_mutex);
        self = t_self;
        if (self) {
            self->sleeping = true;
            g_changed.notify_all();
        }
    }
    if (ms == INFINITE) {
        for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (self) {
        std::lock_guard lock(g_mutex);
        self->sleeping = false;
    }
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const long long product = static_cast<long long>(number) * numerator;
    // Rounded half away from zero, as Windows does.
    long long q = product / denominator, r = product % denominator;
    if (2 * std::llabs(r) >= std::llabs(static_cast<long long>(denominator)))
        q += ((product < 0) != (denominator < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

// ---- Global memory -------------------------------------------------------------------

namespace {

struct GlobalBlock {
    SIZE_T size;
    int locks;
};

// The header sits before the data, padded to keep the data aligned.
constexpr size_t kHeader = (sizeof(GlobalBlock) + alignof(std::max_align_t) - 1) /
                           alignof(std::max_align_t) * alignof(std::max_align_t);

// Live blocks by handle, so that a foreign or already freed handle is refused without
// touching its memory.
std::mutex& g_globalMutex = *new std::mutex;
std::unordered_set<void*>& g_globalBlocks = *new std::unordered_set<void*>;

GlobalBlock* blockOfLocked(HGLOBAL mem) {
    if (!mem || !g_globalBlocks.count(mem)) return nullptr;
    return reinterpret_cast<GlobalBlock*>(static_cast<char*>(mem) - kHeader);
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    if (faultActive("global-alloc") || bytes > (SIZE_T(1) << 40)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* raw =
        (flags & GMEM_ZEROINIT) ? std::calloc(1, kHeader + bytes) : std::malloc(kHeader + bytes);
    if (!raw) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* b = static_cast<GlobalBlock*>(raw);
    b->size = bytes;
    b->locks = 0;
    // Moveable or fixed, the block never moves here; its handle is its data address.
    void* mem = static_cast<char*>(raw) + kHeader;
    try {
        std::lock_guard lock(g_globalMutex);
        g_globalBlocks.insert(mem);
    } catch (...) {
        std::free(raw);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return mem;
}

LPVOID GlobalLock(HGLOBAL mem) {
    std::lock_guard lock(g_globalMutex);
    GlobalBlock* b = blockOfLocked(mem);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ++b->locks;
    return mem;
}

// Nonzero while the block is still locked, FALSE once the last lock is gone.
BOOL GlobalUnlock(HGLOBAL mem) {
    std::lock_guard lock(g_globalMutex);
    GlobalBlock* b = blockOfLocked(mem);
    if (!b || b->locks == 0) return FALSE;
    return --b->locks > 0 ? TRUE : FALSE;
}

// NULL on success; a handle that is not a live block comes back unchanged, as on Windows.
HGLOBAL GlobalFree(HGLOBAL mem) {
    if (!mem) return nullptr;
    std::lock_guard lock(g_globalMutex);
    GlobalBlock* b = blockOfLocked(mem);
    if (!b) {
        SetLastError(ERROR_INVALID_HANDLE);
        return mem;
    }
    g_globalBlocks.erase(mem);
    std::free(b);
    return nullptr;
}

SIZE_T GlobalSize(HGLOBAL mem) {
    std::lock_guard lock(g_globalMutex);
    GlobalBlock* b = blockOfLocked(mem);
    return b ? b->size : 0;
}
