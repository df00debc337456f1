// The CRC-32 every member is checked with: the folded way for long runs must give zlib's
// value for every length, start value and alignment, including the bytes left over.
#include "base/zipcore/MemberReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

TEST(Crc32, AgreesWithZlibForEveryLengthStartAndAlignment) {
    std::vector<std::uint8_t> data(70000);
    std::uint32_t seed = 12345;
    for (std::uint8_t& b : data) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(seed >> 16);
    }
    for (const std::uint32_t start : {0u, 0xFFFFFFFFu, 0x12345678u}) {
        for (size_t offset = 0; offset < 4; ++offset) {
            for (size_t n = 0; n <= 1100; ++n) {
                const std::uint8_t* p = data.data() + offset;
                ASSERT_EQ(zipcore::Crc32(start, p, n),
                          static_cast<std::uint32_t>(crc32(start, p, static_cast<uInt>(n))))
                    << start << " " << offset << " " << n;
            }
        }
        for (const size_t n : {size_t(4096), size_t(65536), size_t(69999)})
            EXPECT_EQ(
                zipcore::Crc32(start, data.data() + 1, n),
                static_cast<std::uint32_t>(crc32(start, data.data() + 1, static_cast<uInt>(n))))
                << n;
    }
    // Piece by piece, as the engines go through a member, gives the CRC of the whole.
    std::uint32_t pieces = 0;
    for (size_t at = 0; at < data.size(); at += 777)
        pieces = zipcore::Crc32(pieces, data.data() + at, std::min<size_t>(777, data.size() - at));
    EXPECT_EQ(pieces,
              static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
    // A known value: "123456789".
    const std::uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(zipcore::Crc32(0, check, sizeof check), 0xCBF43926u);
}

} // namespace
