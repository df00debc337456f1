// The program's own small C++ objects (strings, list rows, tree nodes) come from pools of
// fixed-size blocks instead of the process heap. Under Wine every HeapAlloc and HeapFree
// costs a good hundred nanoseconds, which is most of the time spent listing and sorting an
// archive of 100,000 members; a pool block costs a lock and a pointer.
//
// Blocks of up to 512 bytes, in steps of 16 (so every block keeps the 16-byte alignment
// new promises), are carved from 64 KiB chunks of their own size. Every chunk lies in one
// range of address space reserved once, at the first small block, and committed a chunk at
// a time: a block is a pool block exactly when it lies in that range, and a table indexed by
// the chunk's place in the range tells its size. Nothing depends on where the system puts the
// range: on 64-bit Windows it usually lies above 4 GiB. Freed blocks wait for the next request
// of their size. Anything larger, and small blocks once the range is used up, go to malloc.
#include "ui/WarmMemory.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <new>
#include <thread>

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

// The range every pool chunk comes from: as much as the table below can describe, less where
// the system cannot spare that much address space in one piece (a 32-bit process).
constexpr std::size_t kTableEntries = 1u << 16;
constexpr std::size_t kLargestRange =
    sizeof(void*) == 8 ? kTableEntries * kChunkSize : std::size_t(256) << 20;
constexpr std::size_t kSmallestRange = std::size_t(16) << 20;
// Set once, under the lock, before the first chunk is handed out; read without the lock on
// release, where a pool block can only be in hand after it was set.
std::atomic<char*> rangeBegin{nullptr};
std::size_t rangeBytes;     // under the lock after it is set; fixed from then on
std::size_t rangeCommitted; // bytes of it in chunks; under the lock
bool rangeRefused;          // no range could be reserved: small blocks come from malloc
// Per chunk of the range: its size class + 1, 0 for a chunk not yet in use.
unsigned char chunkSize[kTableEntries];

// The size class + 1 of a pool block, or 0 for any other address.
unsigned PoolTag(const void* block) noexcept {
    const char* begin = rangeBegin.load(std::memory_order_acquire);
    if (begin == nullptr) return 0;
    const std::uintptr_t offset =
        reinterpret_cast<std::uintptr_t>(block) - reinterpret_cast<std::uintptr_t>(begin);
    if (offset >= rangeBytes) return 0; // below the range the subtraction wraps to a large value
    return chunkSize[offset / kChunkSize];
}

// A fresh chunk for size class c, or null when the range is used up; under the lock.
char* NewChunk(std::size_t c) noexcept {
    char* begin = rangeBegin.load(std::memory_order_relaxed);
    if (begin == nullptr) {
        if (rangeRefused) return nullptr;
        for (std::size_t bytes = kLargestRange; bytes >= kSmallestRange && !begin; bytes /= 2) {
            begin = static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE, PAGE_NOACCESS));
            if (begin) rangeBytes = bytes;
        }
        if (begin == nullptr) {
            rangeRefused = true;
            return nullptr;
        }
        rangeBegin.store(begin, std::memory_order_release);
    }
    if (rangeBytes - rangeCommitted < kChunkSize) return nullptr;
    char* chunk = static_cast<char*>(
        VirtualAlloc(begin + rangeCommitted, kChunkSize, MEM_COMMIT, PAGE_READWRITE));
    if (chunk == nullptr) return nullptr;
    chunkSize[rangeCommitted / kChunkSize] = static_cast<unsigned char>(c + 1);
    rangeCommitted += kChunkSize;
    return chunk;
}

// A region of warm memory (see ui/WarmMemory.h): blocks are cut from its front in turn;
// it is given back when it no longer takes blocks and the last one taken is released.
struct Region {
    char* begin;
    char* end;
    std::atomic<char*> next; // the next block's place: read by the toucher without the lock
    std::size_t live;        // blocks taken and not yet released
    bool taking;             // false once its WarmMemory has ended
    std::atomic<bool> stop;  // tells the toucher to end
    std::thread toucher;
    // Blocks released while the toucher may still write to their pages: given back when it
    // has ended (those beyond the first few only with the region).
    char* releasedEarly[32];
    int releasedEarlyCount;
};

constexpr int kRegions = 3;
Region* regions[kRegions];   // under the lock
std::atomic<Region*> taking; // the region blocks come from now, or null
std::atomic<int> held;       // regions in the list: none, and large blocks skip the lock

// Each warm block is preceded by kStep bytes holding its size, so that its pages can go back
// to the system when it is released.
void* TakeWarm(std::size_t size) noexcept {
    Region* r = taking.load(std::memory_order_relaxed);
    if (!r) return nullptr;
    const std::size_t rounded = (size + kStep - 1) / kStep * kStep + kStep;
    char* at = r->next.load(std::memory_order_relaxed);
    if (static_cast<std::size_t>(r->end - at) < rounded) return nullptr;
    r->next.store(at + rounded, std::memory_order_relaxed);
    ++r->live;
    *reinterpret_cast<std::size_t*>(at) = rounded;
    return at + kStep;
}

// Gives the whole pages inside a released warm block back to the system: a region lives as
// long as its longest-lived block, and should not hold on to the memory of the others.
void DecommitInside(char* block) noexcept {
    constexpr std::uintptr_t kPage = 4096;
    char* start = block - kStep;
    const std::size_t size = *reinterpret_cast<std::size_t*>(start);
    const std::uintptr_t from = (reinterpret_cast<std::uintptr_t>(start) + kPage) & ~(kPage - 1);
    const std::uintptr_t to = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kPage - 1);
    if (to > from) VirtualFree(reinterpret_cast<void*>(from), to - from, MEM_DECOMMIT);
}

// The region holding block, or null; under the lock.
Region* RegionOf(void* block) noexcept {
    for (Region* r : regions)
        if (r && static_cast<char*>(block) >= r->begin && static_cast<char*>(block) < r->end)
            return r;
    return nullptr;
}

// Takes a region that has ended and holds no block out of the list; under the lock.
// Returns it for the caller to give back once the lock is let go.
Region* Retire(Region* r) noexcept {
    if (r->taking || r->live > 0) return nullptr;
    for (Region*& slot : regions)
        if (slot == r) slot = nullptr;
    --held;
    return r;
}

void FreeRegion(Region* r) noexcept {
    if (!r) return;
    VirtualFree(r->begin, 0, MEM_RELEASE);
    delete r;
}

void* Take(std::size_t size) noexcept {
    if (size > kLargest) {
        if (taking.load(std::memory_order_relaxed)) {
            Lock();
            void* block = TakeWarm(size);
            Unlock();
            if (block) return block;
        }
        return std::malloc(size);
    }
    const std::size_t c = size == 0 ? 0 : (size - 1) / kStep;
    const std::size_t blockSize = (c + 1) * kStep;
    void* block = nullptr;
    Lock();
    if (FreeBlock* f = pools.free[c]) {
        pools.free[c] = f->next;
        block = f;
    } else {
        if (pools.next[c] == nullptr || pools.end[c] - pools.next[c] < std::ptrdiff_t(blockSize)) {
            char* chunk = NewChunk(c);
            if (chunk == nullptr) {
                Unlock();
                return std::malloc(blockSize); // released to free: it lies outside the range
            }
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
    const unsigned tag = PoolTag(block);
    if (tag == 0) {
        if (held.load(std::memory_order_relaxed) == 0) {
            std::free(block);
            return;
        }
        Lock();
        Region* region = RegionOf(block);
        Region* done = nullptr;
        if (region) {
            --region->live;
            done = Retire(region);
        }
        // Decommitted while the lock still keeps the region from being given back.
        if (region && !done) {
            if (!region->taking)
                DecommitInside(static_cast<char*>(block));
            else if (region->releasedEarlyCount <
                     static_cast<int>(std::size(region->releasedEarly)))
                region->releasedEarly[region->releasedEarlyCount++] = static_cast<char*>(block);
        }
        Unlock();
        if (region)
            FreeRegion(done);
        else
            std::free(block);
        return;
    }
    auto* f = static_cast<FreeBlock*>(block);
    Lock();
    f->next = pools.free[tag - 1];
    pools.free[tag - 1] = f;
    Unlock();
}

// Writes one byte of every page, front to back, which is the order blocks are taken and
// filled in. The write is an atomic "or 0", which leaves the byte as it is: a block may be
// taken and written to meanwhile. Released blocks keep their pages until it has ended.
void Touch(Region* r) noexcept {
    constexpr std::size_t kPage = 4096;
    for (char* page = r->begin; page < r->end && !r->stop.load(std::memory_order_relaxed);
         page += kPage) {
        __atomic_fetch_or(page, 0, __ATOMIC_RELAXED);
    }
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

namespace ui {

WarmMemory::WarmMemory(std::size_t bytes) {
    if (bytes == 0) return;
    auto* begin =
        static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!begin) return;
    auto* r = new (std::nothrow) Region{begin, begin + bytes, {begin}, 0, true, {false}, {}, {}, 0};
    if (!r) {
        VirtualFree(begin, 0, MEM_RELEASE);
        return;
    }
    Lock();
    Region** slot = nullptr;
    for (Region*& s : regions)
        if (!s) slot = &s;
    const bool placed = slot && !taking.load();
    if (placed) {
        *slot = r;
        ++held;
        taking = r;
    }
    Unlock();
    if (!placed) { // every slot holds a region still in use, or another is taking blocks
        FreeRegion(r);
        return;
    }
    region_ = r;
    try {
        r->toucher = std::thread(Touch, r);
    } catch (...) {
        // Without a helper the region still serves; its pages fault where they are used.
    }
}

WarmMemory::~WarmMemory() {
    auto* r = static_cast<Region*>(region_);
    if (!r) return;
    r->stop = true;
    if (r->toucher.joinable()) r->toucher.join();
    // No more blocks from it; while it is still marked as taking, no release can give it
    // back, so the pages no block took can go back to the system first.
    Lock();
    taking = nullptr;
    const auto used = reinterpret_cast<std::uintptr_t>(r->next.load());
    char* unused = reinterpret_cast<char*>((used + 4095) & ~std::uintptr_t(4095));
    Unlock();
    if (unused < r->end) VirtualFree(unused, r->end - unused, MEM_DECOMMIT);
    Lock();
    for (int i = 0; i < r->releasedEarlyCount; ++i)
        DecommitInside(r->releasedEarly[i]);
    r->taking = false;
    Region* done = Retire(r);
    Unlock();
    FreeRegion(done);
}

int WarmMemory::RegionsHeld() {
    Lock();
    int n = 0;
    for (Region* r : regions)
        n += r != nullptr;
    Unlock();
    return n;
}

} // namespace ui
