// Memory made ready ahead of a burst of large allocations.
//
// Under Wine every page of fresh memory costs a fault of some three microseconds when first
// written, and opening an archive of 100,000 members writes some 12,000 of them, mostly in
// blocks of megabytes that the heap takes from the system and gives back each time. While a
// WarmMemory lives, blocks above the small-block pools' size come from one region of the
// given size that a helper thread writes page by page meanwhile, on a processor the work
// itself leaves idle: the faults are paid there. A block that does not fit comes from the
// heap as before. The region is given back once its last block is released; the part no
// block took is given back when the WarmMemory ends.
#pragma once

#include <cstddef>

namespace ui {

class WarmMemory {
public:
    explicit WarmMemory(std::size_t bytes);
    ~WarmMemory();
    WarmMemory(const WarmMemory&) = delete;
    WarmMemory& operator=(const WarmMemory&) = delete;

    // Whether a region was set up (false for 0 bytes, or when the system had no room).
    bool Active() const { return region_ != nullptr; }

    // How many regions still hold blocks: for tests.
    static int RegionsHeld();

private:
    void* region_ = nullptr;
};

} // namespace ui
