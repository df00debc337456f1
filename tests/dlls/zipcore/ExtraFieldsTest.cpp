#include "base/zipcore/ExtraFields.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/ZipFormat.h"

#include <gtest/gtest.h>

using namespace zipcore;

namespace {

// 2021-03-04 05:06:07.1234567 UTC.
constexpr std::uint64_t kSomeTime = 132592887671234567ull;

std::string Block(std::uint16_t id, const std::string& data) {
    std::string b;
    PutU16(b, id);
    PutU16(b, static_cast<std::uint16_t>(data.size()));
    return b + data;
}

} // namespace

TEST(ExtraFields, NtfsTimesRoundTripToTheHundredNanosecondBesideOtherBlocks) {
    const FileTimes times{kSomeTime, kSomeTime + 5, kSomeTime - 123456789};
    const std::string extra =
        Block(0x7075, "xyz") + NtfsTimesBlock(times) + ExtendedTimeBlock(times.modified);
    const auto read = ReadNtfsTimes(extra);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->modified, times.modified);
    EXPECT_EQ(read->accessed, times.accessed);
    EXPECT_EQ(read->created, times.created);
    // The extended timestamp keeps whole seconds.
    EXPECT_EQ(ReadExtendedModTime(extra), kSomeTime - kSomeTime % 10000000);
    EXPECT_EQ(NtfsTimesBlock(times).size(), 36u);
    EXPECT_EQ(ExtendedTimeBlock(times.modified).size(), 9u);
}

TEST(ExtraFields, MalformedOrMissingTimeBlocksAreNotRead) {
    struct Case {
        const char* what;
        std::string extra;
    };
    std::string shortNtfs = NtfsTimesBlock({kSomeTime, 0, 0});
    shortNtfs.resize(shortNtfs.size() - 8);
    std::string otherTag = NtfsTimesBlock({kSomeTime, 0, 0});
    otherTag[8] = 2;
    const Case cases[] = {
        {"empty", ""},
        {"other block", Block(0x5855, "12345678")},
        {"cut NTFS block", shortNtfs},
        {"NTFS attribute other than 1", otherTag},
        {"zero modification time", NtfsTimesBlock({0, kSomeTime, kSomeTime})},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ReadNtfsTimes(c.extra).has_value()) << c.what;
    EXPECT_FALSE(ReadExtendedModTime(Block(kExtendedTimeExtraId, std::string(1, '\1'))));
    EXPECT_FALSE(ReadExtendedModTime(Block(kExtendedTimeExtraId, std::string("\2abcd", 5))))
        << "flag says no modification time";
}

TEST(ExtraFields, UnixSecondsAndFileTimesConvertBothWays) {
    EXPECT_EQ(FileTimeFromUnix(0), 116444736000000000ull);
    EXPECT_EQ(UnixFromFileTime(116444736000000000ull), 0);
    EXPECT_EQ(UnixFromFileTime(116444736000000000ull - 1), -1) << "rounds down before 1970";
    EXPECT_EQ(UnixFromFileTime(FileTimeFromUnix(1700000000)), 1700000000);
    EXPECT_EQ(FileTimeFromUnix(-20000000000LL), 0u) << "before 1601";
}

TEST(ExtraFields, LocalHeaderSizesComeFromTheZip64BlockOnlyForMarkedFields) {
    std::string both;
    PutU64(both, 4831838208ull); // 4.5 GiB
    PutU64(both, 4700000ull);
    const std::string zip64 = Block(kZip64ExtraId, both);
    struct Case {
        std::uint32_t compressed, uncompressed;
        std::string extra;
        std::uint64_t wantCompressed, wantUncompressed;
    };
    std::string one;
    PutU64(one, 5000000000ull);
    const Case cases[] = {
        {kZip64Mark32, kZip64Mark32, zip64, 4700000ull, 4831838208ull},
        {123, kZip64Mark32, zip64, 123, 4831838208ull},
        {kZip64Mark32, 77, zip64, 4700000ull, 77},
        {10, 20, zip64, 10, 20},
        {kZip64Mark32, kZip64Mark32, "", kZip64Mark32, kZip64Mark32},
        {kZip64Mark32, 5, Block(kZip64ExtraId, one), 5000000000ull, 5},
    };
    for (const Case& c : cases) {
        const LocalSizes s = LocalHeaderSizes(c.compressed, c.uncompressed, c.extra);
        EXPECT_EQ(s.compressed, c.wantCompressed);
        EXPECT_EQ(s.uncompressed, c.wantUncompressed);
    }
}
