// A mutex and a condition variable for the engines' worker threads that, where Windows has
// slim reader/writer locks and condition variables (Vista on), use those. Under Wine they
// wait on the kernel directly, while the C++ runtime's mutex and condition variable wait
// on Win32 events: a round trip to the wine server for every wait and every wake, which
// for archives of many small members costs more than compressing them. Without those
// functions (older Windows), the C++ runtime's are used. Same interface as std::mutex and
// std::condition_variable, as far as the engines use them.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>

namespace ksync {

struct NativeApi {
    using Lock = void(WINAPI*)(void**);
    using Sleep = BOOL(WINAPI*)(void**, void**, DWORD, ULONG);
    using Wake = void(WINAPI*)(void**);
    Lock acquire = nullptr;
    Lock release = nullptr;
    Sleep sleep = nullptr;
    Wake wake = nullptr;
    Wake wakeAll = nullptr;
};

// Tests set this to run the runtime's primitives where the native ones exist. A mutex and
// the conditions used with it must be made under the same setting.
inline bool& ForceRuntimePrimitives() {
    static bool force = false;
    return force;
}

inline const NativeApi* Native() {
    static const NativeApi api = [] {
        NativeApi a;
        if (HMODULE k = GetModuleHandleA("kernel32.dll")) {
            a.acquire = reinterpret_cast<NativeApi::Lock>(
                reinterpret_cast<void*>(GetProcAddress(k, "AcquireSRWLockExclusive")));
            a.release = reinterpret_cast<NativeApi::Lock>(
                reinterpret_cast<void*>(GetProcAddress(k, "ReleaseSRWLockExclusive")));
            a.sleep = reinterpret_cast<NativeApi::Sleep>(
                reinterpret_cast<void*>(GetProcAddress(k, "SleepConditionVariableSRW")));
            a.wake = reinterpret_cast<NativeApi::Wake>(
                reinterpret_cast<void*>(GetProcAddress(k, "WakeConditionVariable")));
            a.wakeAll = reinterpret_cast<NativeApi::Wake>(
                reinterpret_cast<void*>(GetProcAddress(k, "WakeAllConditionVariable")));
        }
        if (!a.acquire || !a.release || !a.sleep || !a.wake || !a.wakeAll) a = NativeApi{};
        return a;
    }();
    if (ForceRuntimePrimitives()) return nullptr;
    return api.acquire ? &api : nullptr;
}

class Condition;

class Mutex {
public:
    Mutex() : native_(Native()) {}
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void lock() {
        if (native_)
            native_->acquire(&slim_);
        else
            runtime_.lock();
    }
    void unlock() {
        if (native_)
            native_->release(&slim_);
        else
            runtime_.unlock();
    }

private:
    friend class Condition;
    const NativeApi* native_;
    void* slim_ = nullptr; // an SRWLOCK: one pointer, zero when free
    std::mutex runtime_;
};

class Condition {
public:
    Condition() : native_(Native()) {}
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;

    // Waits until pred() holds; the lock is held whenever pred runs.
    template <class Pred> void wait(std::unique_lock<Mutex>& lock, Pred pred) {
        while (!pred()) {
            if (native_ && lock.mutex()->native_)
                native_->sleep(&variable_, &lock.mutex()->slim_, INFINITE, 0);
            else
                runtime_.wait(lock);
        }
    }
    void notify_one() {
        if (native_)
            native_->wake(&variable_);
        else
            runtime_.notify_one();
    }
    void notify_all() {
        if (native_)
            native_->wakeAll(&variable_);
        else
            runtime_.notify_all();
    }

private:
    const NativeApi* native_;
    void* variable_ = nullptr; // a CONDITION_VARIABLE: one pointer, zero when unused
    std::condition_variable_any runtime_;
};

} // namespace ksync
