// A ByteSource that reads its underlying source in large blocks and serves small reads from
// the last block. Copying members walks an archive front to back with two small reads per
// member (local header, descriptor probe); through Wine every system read costs ~10 us, so
// an archive of 100,000 members would otherwise spend seconds on them. Portable.
#pragma once

#include "base/zipcore/CentralDirectory.h"

#include <cstdint>
#include <memory>

namespace zipeng {

class ReadAhead : public zipcore::ByteSource {
public:
    explicit ReadAhead(zipcore::ByteSource& source, size_t blockSize = 1 << 20)
        : source_(source), block_(new char[blockSize]), blockSize_(blockSize) {}

    std::uint64_t Size() const override { return source_.Size(); }
    size_t ReadAt(std::uint64_t offset, void* buffer, size_t n) override;

private:
    zipcore::ByteSource& source_;
    std::unique_ptr<char[]> block_;
    size_t blockSize_;
    std::uint64_t blockStart_ = 0;
    size_t blockLength_ = 0;
};

} // namespace zipeng
