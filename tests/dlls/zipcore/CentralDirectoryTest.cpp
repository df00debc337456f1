#include "base/zipcore/CentralDirectory.h"

#include "base/zipcore/MemberReader.h"
#include "base/zipcore/ZipFormat.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <gtest/gtest.h>

using namespace zipcore;
using namespace zipcore_test;

namespace {

std::vector<TestMember> ThreeMembers() {
    TestMember a{.name = "a.txt", .data = "alpha alpha alpha alpha"};
    TestMember b{.name = "dir/", .data = "", .method = 0};
    TestMember c{.name = "dir/c.bin", .data = std::string(70000, 'c'), .method = 0};
    return {a, b, c};
}

std::string Contents(ByteSource& src, const Member& m) {
    std::string out;
    ExtractResult r = ExtractMember(src, m, nullptr, [&](const std::uint8_t* d, std::size_t n) {
        out.append(reinterpret_cast<const char*>(d), n);
        return true;
    });
    EXPECT_EQ(r.status, ExtractResult::Status::Ok) << r.message;
    return out;
}

// Expects ReadArchive to refuse the bytes with a message containing `fragment`.
void ExpectRefused(const std::string& bytes, const std::string& fragment) {
    MemorySource src(bytes);
    try {
        ReadArchive(src);
        ADD_FAILURE() << "accepted; expected an error with \"" << fragment << "\"";
    } catch (const FormatError& e) {
        EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
    }
}

} // namespace

TEST(ReadArchive, ReadsMembersWithTheirFieldsAndData) {
    auto members = ThreeMembers();
    members[0].comment = "first";
    members[2].externalAttributes = 0x01;
    BuiltArchive a = BuildArchive(members, {.comment = "archive comment"});
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);

    ASSERT_EQ(info.members.size(), 3u);
    EXPECT_EQ(info.comment, "archive comment");
    EXPECT_EQ(info.offsetAdjust, 0u);
    EXPECT_EQ(info.dataStart, 0u);
    EXPECT_EQ(info.centralDirOffset, a.centralDirOffset);
    EXPECT_EQ(info.endRecordOffset, a.endRecordOffset);
    EXPECT_EQ(info.endOffset, a.bytes.size());
    EXPECT_FALSE(info.zip64);

    const Member& m0 = info.members[0];
    EXPECT_EQ(m0.name, "a.txt");
    EXPECT_EQ(m0.method, 8);
    EXPECT_EQ(m0.crc, Crc(members[0].data));
    EXPECT_EQ(m0.uncompressedSize, members[0].data.size());
    EXPECT_EQ(m0.compressedSize, Deflate(members[0].data).size());
    EXPECT_EQ(m0.dosTime, 0x5A8C6000u);
    EXPECT_EQ(m0.comment, "first");
    EXPECT_EQ(m0.localHeaderOffset, a.localOffsets[0]);
    EXPECT_EQ(m0.centralHeaderOffset, a.centralOffsets[0]);
    EXPECT_EQ(m0.extentLimit, a.localOffsets[1]);
    EXPECT_TRUE(info.members[1].IsDirectory());
    EXPECT_FALSE(m0.IsDirectory());
    EXPECT_TRUE(info.members[2].IsReadOnly());
    EXPECT_EQ(info.members[2].extentLimit, a.centralDirOffset);

    EXPECT_TRUE(Contents(src, m0) == members[0].data);
    EXPECT_TRUE(Contents(src, info.members[2]) == members[2].data);
}

TEST(ReadArchive, EmptyArchiveHasNoMembers) {
    BuiltArchive a = BuildArchive({});
    EXPECT_EQ(a.bytes.size(), 22u);
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);
    EXPECT_TRUE(info.members.empty());
    EXPECT_EQ(info.centralDirOffset, 0u);
}

TEST(ReadArchive, StubPrefixIsFoundWhetherOffsetsCountItOrNot) {
    const std::string stub = "MZ" + std::string(5000, 'x');
    for (bool counted : {true, false}) {
        BuiltArchive a =
            BuildArchive(ThreeMembers(), {.prefix = stub, .offsetsCountPrefix = counted});
        MemorySource src(a.bytes);
        ArchiveInfo info = ReadArchive(src);
        EXPECT_EQ(info.offsetAdjust, counted ? 0u : stub.size());
        EXPECT_EQ(info.dataStart, stub.size());
        EXPECT_EQ(info.centralDirOffset, a.centralDirOffset);
        ASSERT_EQ(info.members.size(), 3u);
        EXPECT_EQ(info.members[2].localHeaderOffset, a.localOffsets[2]);
        EXPECT_TRUE(Contents(src, info.members[2]) == std::string(70000, 'c'));
    }
}

TEST(ReadArchive, JunkAfterTheArchiveAndSignaturesInTheCommentAreSkipped) {
    // A comment holding a fake end record, and junk (even an end-record signature) after it.
    const std::string fake = "PK\x05\x06" + std::string(18, '\x01');
    const std::string junk = "JUNK PK\x05\x06 more";
    BuiltArchive a = BuildArchive(ThreeMembers(), {.comment = "note " + fake, .junk = junk});
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);
    ASSERT_EQ(info.members.size(), 3u);
    EXPECT_EQ(info.comment, "note " + fake);
    EXPECT_EQ(info.endOffset, a.bytes.size() - junk.size());
}

TEST(ReadArchive, Zip64RecordsAndExtraFieldsAreApplied) {
    auto members = ThreeMembers();
    for (auto& m : members)
        m.zip64 = true;
    BuiltArchive a = BuildArchive(members, {.zip64End = true});
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);
    EXPECT_TRUE(info.zip64);
    ASSERT_EQ(info.members.size(), 3u);
    EXPECT_EQ(info.members[2].uncompressedSize, 70000u);
    EXPECT_EQ(info.members[2].localHeaderOffset, a.localOffsets[2]);
    EXPECT_TRUE(Contents(src, info.members[0]) == members[0].data);
    EXPECT_TRUE(Contents(src, info.members[2]) == members[2].data);

    // The same behind a stub whose length the offsets do not count.
    BuiltArchive b = BuildArchive(
        members, {.prefix = std::string(333, 's'), .offsetsCountPrefix = false, .zip64End = true});
    MemorySource srcB(b.bytes);
    ArchiveInfo infoB = ReadArchive(srcB);
    EXPECT_EQ(infoB.offsetAdjust, 333u);
    EXPECT_TRUE(Contents(srcB, infoB.members[2]) == members[2].data);
}

TEST(ReadArchive, DataDescriptorsOfEveryLayoutAreMeasured) {
    struct Case {
        bool signature, zip64;
        std::uint64_t size;
    };
    for (Case c : {Case{true, false, 16}, Case{false, false, 12}, Case{true, true, 24},
                   Case{false, true, 20}}) {
        TestMember m{.name = "d.txt",
                     .data = "descriptor data",
                     .descriptor = true,
                     .descriptorSignature = c.signature,
                     .zip64 = c.zip64};
        TestMember next{.name = "next.txt", .data = "next"};
        BuiltArchive a = BuildArchive({m, next});
        MemorySource src(a.bytes);
        ArchiveInfo info = ReadArchive(src);
        MemberDataSpan span = LocateData(src, info.members[0]);
        EXPECT_EQ(span.descriptorSize, c.size);
        EXPECT_EQ(span.end, a.localOffsets[1]);
        EXPECT_TRUE(Contents(src, info.members[0]) == m.data);
    }
}

TEST(ReadArchive, LocalExtraFieldLongerThanTheCentralOneIsSkipped) {
    TestMember m{.name = "x.txt",
                 .data = "payload",
                 .method = 0,
                 .localExtra = std::string("\x55\x54\x05\x00\x01\x02\x03\x04\x05", 9)};
    BuiltArchive a = BuildArchive({m});
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);
    MemberDataSpan span = LocateData(src, info.members[0]);
    EXPECT_EQ(span.dataOffset, 30u + 5u + 9u);
    EXPECT_EQ(span.localExtra.size(), 9u);
    EXPECT_EQ(span.end, a.centralDirOffset);
    EXPECT_TRUE(Contents(src, info.members[0]) == "payload");
}

TEST(ReadArchive, RefusesWhatIsNotAnArchive) {
    ExpectRefused("", "not a zip archive");
    ExpectRefused(std::string(100, 'z'), "not a zip archive");
    ExpectRefused("PK\x05\x06", "not a zip archive");
}

TEST(ReadArchive, RefusesOverlappingMembers) {
    auto members = ThreeMembers();
    // Two central entries that point at the same local header.
    BuiltArchive a = BuildArchive(members);
    std::string same = a.bytes;
    PatchU32(same, a.centralOffsets[1] + 42, static_cast<std::uint32_t>(a.localOffsets[0]));
    ExpectRefused(same, "overlapping");

    // An entry that starts inside the data of the one before.
    std::string inside = a.bytes;
    PatchU32(inside, a.centralOffsets[2] + 42, static_cast<std::uint32_t>(a.localOffsets[0] + 40));
    ExpectRefused(inside, "overlap");

    // Data stated longer than the room before the central directory.
    std::string tooLong = a.bytes;
    PatchU32(tooLong, a.centralOffsets[2] + 20, 70000 + 200);
    ExpectRefused(tooLong, "overlap");
}

TEST(ReadArchive, OverlapFoundFromTheLocalHeaderIsRefusedWhenLocating) {
    // The central directory is consistent, but the local header claims a long extra field
    // that pushes the data into the next member.
    auto members = ThreeMembers();
    BuiltArchive a = BuildArchive(members);
    PatchU16(a.bytes, a.localOffsets[0] + 28, 40);
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);
    EXPECT_THROW(LocateData(src, info.members[0]), FormatError);
    ExtractResult r = ExtractMember(src, info.members[0], nullptr,
                                    [](const std::uint8_t*, std::size_t) { return true; });
    EXPECT_EQ(r.status, ExtractResult::Status::Failed);
    EXPECT_NE(r.message.find("overlapping"), std::string::npos) << r.message;
}

TEST(ReadArchive, RefusesLyingCountsAndSizes) {
    BuiltArchive a = BuildArchive(ThreeMembers());
    const std::uint64_t eocd = a.endRecordOffset;

    std::string moreEntries = a.bytes;
    PatchU16(moreEntries, eocd + 8, 60000);
    PatchU16(moreEntries, eocd + 10, 60000);
    ExpectRefused(moreEntries, "declares 60000 members");

    std::string fewer = a.bytes;
    PatchU16(fewer, eocd + 8, 2);
    PatchU16(fewer, eocd + 10, 2);
    ExpectRefused(fewer, "holds 3");

    // A central directory size reaching before the file's start.
    std::string hugeCd = a.bytes;
    PatchU32(hugeCd, eocd + 12, 0x7FFFFFF0);
    ExpectRefused(hugeCd, "not a zip archive");

    // An offset pointing past the end.
    std::string badOffset = a.bytes;
    PatchU32(badOffset, eocd + 16, 0xFFFFFF00);
    ExpectRefused(badOffset, "not a zip archive");

    // A central entry whose name length runs past the directory.
    std::string longName = a.bytes;
    PatchU16(longName, a.centralOffsets[2] + 28, 60000);
    ExpectRefused(longName, "partial record");

    // A local header offset past the central directory.
    std::string farLocal = a.bytes;
    PatchU32(farLocal, a.centralOffsets[1] + 42, 0x10000000);
    ExpectRefused(farLocal, "overlaps");
}

TEST(ReadArchive, RefusesMissingZip64FieldsAndSplitArchives) {
    BuiltArchive a = BuildArchive(ThreeMembers());
    std::string saturated = a.bytes;
    PatchU32(saturated, a.centralOffsets[0] + 24, 0xFFFFFFFF);
    ExpectRefused(saturated, "ZIP64 extra field");

    std::string split = a.bytes;
    PatchU16(split, a.endRecordOffset + 4, 1);
    PatchU16(split, a.endRecordOffset + 6, 1);
    ExpectRefused(split, "split");

    std::string diskStart = a.bytes;
    PatchU16(diskStart, a.centralOffsets[0] + 34, 2);
    ExpectRefused(diskStart, "split");
}

TEST(ReadArchive, TruncatedArchivesAreRefused) {
    BuiltArchive a = BuildArchive(ThreeMembers());
    // Cut inside the central directory: the end record is gone.
    ExpectRefused(a.bytes.substr(0, a.centralDirOffset + 10), "not a zip archive");
    // Cut the front off: the central directory lies before the start.
    ExpectRefused(a.bytes.substr(100), "not a zip archive");
}

TEST(ExtraFields, FindAndRemoveBlocks) {
    std::string extra =
        std::string("\x01\x00\x02\x00\xAA\xBB", 6) + std::string("\x55\x54\x01\x00\x07", 5);
    EXPECT_EQ(FindExtraField(extra, 0x0001), std::string("\xAA\xBB", 2));
    EXPECT_EQ(FindExtraField(extra, 0x5455), std::string("\x07", 1));
    EXPECT_TRUE(FindExtraField(extra, 0x7875).empty());
    EXPECT_EQ(RemoveExtraField(extra, 0x0001), std::string("\x55\x54\x01\x00\x07", 5));
    // A block whose length runs past the field is not returned.
    EXPECT_TRUE(FindExtraField(std::string("\x01\x00\x09\x00\xAA", 5), 1).empty());
}
