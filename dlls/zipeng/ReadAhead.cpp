#include "dlls/zipeng/ReadAhead.h"

#include <algorithm>
#include <cstring>

namespace zipeng {

size_t ReadAhead::ReadAt(std::uint64_t offset, void* buffer, size_t n) {
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < n) {
        const std::uint64_t at = offset + done;
        if (at >= blockStart_ && at < blockStart_ + blockLength_) {
            const size_t from = static_cast<size_t>(at - blockStart_);
            const size_t take = std::min(n - done, blockLength_ - from);
            std::memcpy(out + done, block_.get() + from, take);
            done += take;
            continue;
        }
        // Large reads go straight through; small ones refill the block from here on.
        if (n - done >= blockSize_) return done + source_.ReadAt(at, out + done, n - done);
        blockStart_ = at;
        blockLength_ = source_.ReadAt(at, block_.get(), blockSize_);
        if (blockLength_ == 0) break;
    }
    return done;
}

} // namespace zipeng
