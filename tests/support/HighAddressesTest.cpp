// Every suite built with the start-up reservation proves it holds: what the suite's code asks
// for from now on lies above 4 GiB, as on 64-bit Windows.
#include "tests/support/HighAddresses.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace {

constexpr std::uint64_t k4GiB = std::uint64_t(1) << 32;

bool Above4GiB(const void* p) {
    return reinterpret_cast<std::uintptr_t>(p) >= k4GiB;
}

TEST(HighAddresses, NewBlocksLieAbove4GiB) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "a 32-bit process has no addresses above 4 GiB";
    EXPECT_GT(tests::LowAddressSpaceReservedAtStart(), 0u);
    void* fresh = VirtualAlloc(nullptr, 1 << 20, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(Above4GiB(fresh)) << fresh;
    VirtualFree(fresh, 0, MEM_RELEASE);
    // Large blocks, which the heap takes from the system one by one. (Small ones may still
    // come from the part of the heap made before the reservation; the program's own pools
    // check theirs in the small-block tests.)
    auto large = std::make_unique<char[]>(4 << 20);
    EXPECT_TRUE(Above4GiB(large.get())) << static_cast<void*>(large.get());
    // A new thread's stack, where the engines keep their work.
    std::uintptr_t stackAddress = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* out) -> DWORD {
            int local = 0;
            *static_cast<std::uintptr_t*>(out) = reinterpret_cast<std::uintptr_t>(&local);
            return 0;
        },
        &stackAddress, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_GE(stackAddress, k4GiB);
}

} // namespace
