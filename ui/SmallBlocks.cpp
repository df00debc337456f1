// The program's own small C++ objects (strings, list rows, tree nodes) come from pools of
// fixed-size blocks instead of the process heap. Under Wine every HeapAlloc and HeapFree
// costs a good hundred nanoseconds, which is most of the time spent listing and sorting an
// archive of 100,000 members; a pool block costs a lock and a pointer.
//
// Blocks of up to 512 bytes, in steps of 16 (so every block keeps the 16-byte alignment
// new promises), are carved from 64 KiB chunks of their own size; VirtualAlloc places every
// chunk on a 64 KiB boundary, so a table indexed by the address's top 16 bits tells on
// release whether a block is a pool block and of which size. Freed blocks wait for the next
// request of their size. Anything larger goes to malloc as before.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t kChunkSize = 64 * 1024; // VirtualAlloc's granularity
constexpr std::size_t kStep = 16;
constexpr std::size_t kLargest = 512;
constexpr std::size_t kSizes = kLargest / kStep; // size class c holds blocks of (c + 1) * 16

struct FreeBlock {
    FreeBlock* next;
};

// Constant-initialised (all zeros), so usable before any constructor runs.
struct Pools {
    FreeBlock* free[kSizes];
    char* next[kSizes]; // the next unused block in the newest chunk of the size
    char* end[kSizes];
};
Pools pools;
// Held only for a few instructions: a waiter gives its processor away rather than spin.
std::atomic_flag busy = ATOMIC_FLAG_INIT;
void Lock() noexcept {
    while (busy.test_and_set(std::memory_order_acquire))
        SwitchToThread();
}
void Unlock() noexcept {
    busy.clear(std::memory_order_release);
}
// Per 64 KiB of address space: 0 when not a pool chunk, otherwise its size class + 1.
unsigned char chunkSize[1u << 16];

void* Take(std::size_t size) noexcept {
    if (size > kLargest) return std::malloc(size);
    const std::size_t c = size == 0 ? 0 : (size - 1) / kStep;
    const std::size_t blockSize = (c + 1) * kStep;
    void* block = nullptr;
    Lock();
    if (FreeBlock* f = pools.free[c]) {
        pools.free[c] = f->next;
        block = f;
    } else {
        if (pools.next[c] == nullptr || pools.end[c] - pools.next[c] < std::ptrdiff_t(blockSize)) {
            auto* chunk = static_cast<char*>(
                VirtualAlloc(nullptr, kChunkSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
            if (chunk == nullptr) {
                Unlock();
                return nullptr;
            }
            chunkSize[reinterpret_cast<std::uintptr_t>(chunk) >> 16] =
                static_cast<unsigned char>(c + 1);
            pools.next[c] = chunk;
            pools.end[c] = chunk + kChunkSize;
        }
        block = pools.next[c];
        pools.next[c] += blockSize;
    }
    Unlock();
    return block;
}

void Give(void* block) noexcept {
    if (block == nullptr) return;
    const unsigned tag = chunkSize[reinterpret_cast<std::uintptr_t>(block) >> 16];
    if (tag == 0) {
        std::free(block);
        return;
    }
    auto* f = static_cast<FreeBlock*>(block);
    Lock();
    f->next = pools.free[tag - 1];
    pools.free[tag - 1] = f;
    Unlock();
}

void* TakeOrThrow(std::size_t size) {
    for (;;) {
        if (void* p = Take(size)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

} // namespace

void* operator new(std::size_t size) {
    return TakeOrThrow(size);
}
void* operator new[](std::size_t size) {
    return TakeOrThrow(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Take(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Take(size);
}
void operator delete(void* p) noexcept {
    Give(p);
}
void operator delete[](void* p) noexcept {
    Give(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Give(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Give(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Give(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Give(p);
}
