// Test executables of the 64-bit build run with the address space below 4 GiB reserved before
// any of their own code runs, so that later blocks, the heap's new segments and every pool
// chunk come from above 4 GiB as they do on 64-bit Windows (Wine itself places them below,
// where code that keeps an address in 32 bits would pass unnoticed).
#pragma once

#include <cstddef>

namespace tests {

// Reserves every free range below 4 GiB; returns the bytes reserved (0 on 32-bit, where there
// is nothing above). Runs once by itself at start-up in every suite; safe to call again.
std::size_t ReserveLowAddressSpace();

// The same in another process, given by a handle with PROCESS_QUERY_INFORMATION and
// PROCESS_VM_OPERATION: a program started suspended then runs wholly above 4 GiB.
std::size_t ReserveLowAddressSpaceOf(void* process);

// The bytes the start-up call reserved.
std::size_t LowAddressSpaceReservedAtStart();

} // namespace tests
