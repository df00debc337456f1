// The local-header scan of an archive without its directory finds the members the directory
// would have named, with the same CRCs and sizes, whatever way each member was stored.
#include "base/zipcore/LocalScan.h"

#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <gtest/gtest.h>

using namespace zipcore;
using namespace zipcore_test;

namespace {

struct Case {
    const char* what;
    TestMember member;
};

const Case kCases[] = {
    {"deflated", {.name = "d.txt", .data = Text(9000, 'd')}},
    {"stored", {.name = "s.bin", .data = Text(3001, 's'), .method = 0}},
    {"empty folder", {.name = "dir/", .data = "", .method = 0}},
    {"descriptor", {.name = "dd.txt", .data = Text(5000, 'e'), .descriptor = true}},
    {"descriptor without signature",
     {.name = "ds.bin",
      .data = Text(777, 'f'),
      .method = 0,
      .descriptor = true,
      .descriptorSignature = false}},
    {"ZIP64", {.name = "z.txt", .data = Text(4000, 'z'), .zip64 = true}},
    {"ZIP64 with descriptor",
     {.name = "zd.txt", .data = Text(4001, 'y'), .descriptor = true, .zip64 = true}},
    {"encrypted", {.name = "p.txt", .data = Text(2000, 'p'), .password = "pw"}},
    {"streamed empty file", {.name = "empty.txt", .data = "", .method = 0, .descriptor = true}},
};

void ExpectSameMembers(const std::vector<Member>& scanned, const std::vector<Member>& listed,
                       const std::string& what) {
    ASSERT_EQ(scanned.size(), listed.size()) << what;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(scanned[i].name, listed[i].name) << what;
        EXPECT_EQ(scanned[i].crc, listed[i].crc) << what << " " << listed[i].name;
        EXPECT_EQ(scanned[i].compressedSize, listed[i].compressedSize)
            << what << " " << listed[i].name;
        EXPECT_EQ(scanned[i].uncompressedSize, listed[i].uncompressedSize)
            << what << " " << listed[i].name;
        EXPECT_EQ(scanned[i].localHeaderOffset, listed[i].localHeaderOffset) << what;
        EXPECT_EQ(scanned[i].method, listed[i].method) << what;
    }
}

} // namespace

// Each kind of member between two others, and the archive cut before its directory.
TEST(ScanLocalHeaders, FindsWhatTheDirectoryNamesForEveryWayOfStoring) {
    for (const Case& c : kCases) {
        const std::vector<TestMember> members = {
            {.name = "before.txt", .data = Text(300, 'b')},
            c.member,
            {.name = "after.txt", .data = Text(200, 'a'), .descriptor = true}};
        const BuiltArchive a = BuildArchive(members);
        MemorySource whole(a.bytes);
        const ArchiveInfo info = ReadArchive(whole);
        const std::string cut = a.bytes.substr(0, a.centralDirOffset);
        MemorySource source(cut);
        const LocalScan scan = ScanLocalHeaders(source);
        ExpectSameMembers(scan.members, info.members, c.what);
        EXPECT_FALSE(scan.cut) << c.what;
        EXPECT_EQ(scan.firstHeader, 0u) << c.what;
    }
}

// Behind a self-extractor's program with stray signatures in it; then cut in the last member.
TEST(ScanLocalHeaders, PassesOverAStubsStraySignaturesAndReportsTheCutMember) {
    std::string stub(5000, 'x');
    // A sound header whose "data" runs into more program bytes, and one with nonsense sizes.
    const BuiltArchive fake = BuildArchive({{.name = "fake.txt", .data = "abc", .method = 0}});
    stub.replace(100, 30 + 8 + 3, fake.bytes.substr(0, 30 + 8 + 3));
    stub.replace(2000, 4, "PK\x03\x04");
    const std::vector<TestMember> members = {{.name = "one.txt", .data = Text(3000, 'o')},
                                             {.name = "two.txt", .data = Text(6000, 't')}};
    const BuiltArchive a = BuildArchive(members, {.prefix = stub});
    MemorySource whole(a.bytes);
    const ArchiveInfo info = ReadArchive(whole);

    const std::string noDirectory = a.bytes.substr(0, a.centralDirOffset);
    MemorySource source(noDirectory);
    LocalScan scan = ScanLocalHeaders(source);
    ExpectSameMembers(scan.members, info.members, "stub");
    EXPECT_EQ(scan.firstHeader, stub.size());

    const std::string cut = a.bytes.substr(0, a.localOffsets[1] + 30 + 7 + 50);
    MemorySource cutSource(cut);
    scan = ScanLocalHeaders(cutSource);
    ASSERT_EQ(scan.members.size(), 1u);
    EXPECT_EQ(scan.members[0].name, "one.txt");
    EXPECT_TRUE(scan.cut);
    EXPECT_EQ(scan.cutName, "two.txt");
}
