#include "tests/support/HighAddresses.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace tests {

std::size_t ReserveLowAddressSpace() {
    return ReserveLowAddressSpaceOf(GetCurrentProcess());
}

std::size_t ReserveLowAddressSpaceOf(void* process) {
    if (sizeof(void*) < 8) return 0;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const std::uint64_t granularity = info.dwAllocationGranularity;
    const std::uint64_t limit = std::uint64_t(1) << 32;
    std::uint64_t at = reinterpret_cast<std::uintptr_t>(info.lpMinimumApplicationAddress);
    std::size_t reserved = 0;
    while (at < limit) {
        MEMORY_BASIC_INFORMATION region;
        if (VirtualQueryEx(process, reinterpret_cast<void*>(at), &region, sizeof region) == 0) break;
        const std::uint64_t regionEnd =
            reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
        if (region.State == MEM_FREE) {
            // Reservations start on the allocation granularity; the few pages before it stay
            // free, too small for any block the system hands out.
            const std::uint64_t from = (at + granularity - 1) / granularity * granularity;
            const std::uint64_t to = std::min(regionEnd, limit);
            if (to > from && VirtualAllocEx(process, reinterpret_cast<void*>(from), to - from, MEM_RESERVE,
                                          PAGE_NOACCESS))
                reserved += to - from;
        }
        if (regionEnd <= at) break;
        at = regionEnd;
    }
    return reserved;
}

namespace {
std::size_t reservedAtStart;
}

std::size_t LowAddressSpaceReservedAtStart() {
    return reservedAtStart;
}

// Before every constructor of default priority, so before the test registry, the pools and the
// heap take their first blocks.
__attribute__((constructor(101))) void ReserveAtStart() {
    reservedAtStart = ReserveLowAddressSpace();
}

} // namespace tests
