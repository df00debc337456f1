#include "engine/EngineGuard.h"

#include <windows.h>

// The compiler offers no structured exception handling on 32-bit x86, so the guard links
// its own registration record into the thread's handler chain (fs:[0]) and leaves the
// faulting call with the compiler's built-in non-local jump.

#if defined(__i386__)

namespace {

constexpr DWORD kUnwindFlags = 0x2 | 0x4; // EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND
constexpr DWORD kSeverityError = 0xC0000000u;

struct GuardFrame {
    // Laid out as the system's EXCEPTION_REGISTRATION_RECORD.
    GuardFrame* next;
    void* handler;
    // Resume point for __builtin_longjmp.
    void* resume[5];
};

// The head of the thread's handler chain lives at fs:[0].
GuardFrame* ChainHead() {
    GuardFrame* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}
void SetChainHead(GuardFrame* head) {
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record, void* frame, CONTEXT*, void*) {
    if (record->ExceptionFlags & kUnwindFlags) return ExceptionContinueSearch;
    // Informational and warning exceptions (debugger notices and the like) belong to whoever
    // raised them.
    if ((record->ExceptionCode & kSeverityError) != kSeverityError) return ExceptionContinueSearch;
    __builtin_longjmp(static_cast<GuardFrame*>(frame)->resume, 1);
}

} // namespace

__attribute__((noinline)) bool RunGuarded(void (*body)(void*), void* context) {
    GuardFrame frame;
    GuardFrame* volatile guard = &frame;
    frame.next = ChainHead();
    frame.handler = reinterpret_cast<void*>(&GuardHandler);
    if (__builtin_setjmp(frame.resume)) {
        // Records the faulting code registered below this frame are gone with their stack.
        SetChainHead(guard->next);
        return false;
    }
    SetChainHead(guard);
    body(context);
    SetChainHead(guard->next);
    return true;
}

#elif defined(__x86_64__)

// 64-bit Windows finds handlers through the functions' unwind tables, which the compiler
// writes for its own code only. A fault no handler below takes reaches the process's
// unhandled-exception filter, still on the faulting thread and its stack: there, as in the
// 32-bit chain's last record, the guard of that thread leaves the call.

namespace {

constexpr DWORD kSeverityError = 0xC0000000u;

struct GuardFrame {
    void* resume[5];
};

thread_local GuardFrame* t_guard = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER g_previous = nullptr;

LONG WINAPI GuardFilter(EXCEPTION_POINTERS* pointers) {
    GuardFrame* const guard = t_guard;
    if (guard && (pointers->ExceptionRecord->ExceptionCode & kSeverityError) == kSeverityError)
        __builtin_longjmp(guard->resume, 1);
    return g_previous ? g_previous(pointers) : EXCEPTION_CONTINUE_SEARCH;
}

void InstallFilterOnce() {
    static const bool installed = [] {
        g_previous = SetUnhandledExceptionFilter(&GuardFilter);
        return true;
    }();
    (void)installed;
}

} // namespace

__attribute__((noinline)) bool RunGuarded(void (*body)(void*), void* context) {
    InstallFilterOnce();
    GuardFrame frame;
    GuardFrame* const outer = t_guard;
    if (__builtin_setjmp(frame.resume)) {
        t_guard = outer;
        return false;
    }
    t_guard = &frame;
    body(context);
    t_guard = outer;
    return true;
}

#else

bool RunGuarded(void (*body)(void*), void* context) {
    body(context);
    return true;
}

#endif
