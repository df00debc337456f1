// The local-header scan of an archive without its directory finds the members the directory
// would have named, with the same CRCs and sizes, whatever way each member was stored.
#include "base/zipcore/LocalScan.h"
#include "base/zipcore/NameText.h"

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

namespace {

// A local header for "ghost.txt" whose sizes run far past any file's end.
std::string GhostHeader() {
    BuiltArchive ghost = BuildArchive({{.name = "ghost.txt", .data = "boo", .method = 0}});
    std::string header = ghost.bytes.substr(0, 30 + 9);
    PatchU32(header, 18, 0x7FFFFFF0);
    PatchU32(header, 22, 0x7FFFFFF0);
    return header;
}

struct DamageCase {
    const char* what;
    std::string junk;      // put in front of the second member's header
    bool nameless = false; // the second member's header gives no name
    std::size_t cutAt = 0; // bytes cut off the end, after the damage
    std::vector<std::string> names;
    std::vector<std::string> skipped;
    std::uint64_t junkBytes;
    bool cut = false;
};

} // namespace

// Bytes that are no member's between the members: the walk goes on at the next header, and
// every member it cannot read is named.
TEST(ScanLocalHeaders, GoesOnAtTheNextHeaderAfterJunkAndNamesWhatItSkips) {
    const std::vector<TestMember> members = {{.name = "one.txt", .data = Text(700, 'o')},
                                             {.name = "two.txt", .data = Text(900, 't')},
                                             {.name = "three.txt", .data = Text(500, 'h')}};
    const BuiltArchive a = BuildArchive(members);
    const std::uint64_t secondSize = a.localOffsets[2] - a.localOffsets[1];
    const std::string ghost = GhostHeader();
    const DamageCase cases[] = {
        {"50 junk bytes",
         std::string(50, 'J'),
         false,
         0,
         {"one.txt", "two.txt", "three.txt"},
         {},
         50},
        {"junk holding a header signature",
         "JJPK\x03\x04" + std::string(44, 'J'),
         false,
         0,
         {"one.txt", "two.txt", "three.txt"},
         {},
         50},
        {"a damaged header in the junk",
         "JJJJJ" + ghost + "JJJJJJ",
         false,
         0,
         {"one.txt", "two.txt", "three.txt"},
         {"ghost.txt"},
         ghost.size() + 11},
        {"a header without a name", "", true, 0, {"one.txt", "three.txt"}, {""}, secondSize},
        {"junk, then the file ends inside the next member",
         std::string(50, 'J'),
         false,
         a.centralDirOffset - a.localOffsets[1] - 40,
         {"one.txt"},
         {},
         50,
         true},
    };
    for (const DamageCase& c : cases) {
        std::string bytes = a.bytes.substr(0, a.centralDirOffset);
        if (c.nameless) PatchU16(bytes, a.localOffsets[1] + 26, 0);
        bytes.insert(a.localOffsets[1], c.junk);
        bytes.resize(bytes.size() - c.cutAt);
        MemorySource source(bytes);
        const LocalScan scan = ScanLocalHeaders(source);
        std::vector<std::string> names;
        for (const Member& m : scan.members)
            names.push_back(m.name);
        EXPECT_EQ(names, c.names) << c.what;
        EXPECT_EQ(scan.skipped, c.skipped) << c.what;
        EXPECT_EQ(scan.cut, c.cut) << c.what;
        if (c.cut) {
            EXPECT_EQ(scan.cutName, "two.txt") << c.what;
        } else {
            EXPECT_EQ(scan.junkBytes, c.junkBytes) << c.what;
        }
        // The members found are whole: each one's CRC is the directory's.
        for (const Member& m : scan.members)
            for (std::size_t i = 0; i < members.size(); ++i) {
                if (members[i].name == m.name) {
                    EXPECT_EQ(m.crc, Crc(members[i].data)) << c.what;
                }
            }
    }
}

// A cut download names its members as the whole archive does: the scan reads which system
// wrote each member from its local fields, and the name rules are the directory's.
TEST(ScanLocalHeaders, NamesDecodeAsTheDirectoryWouldDecodeThem) {
    const std::string utf8Name = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0.txt"; // Папка.txt
    const std::string unixFields = FromHex("5554050003"
                                           "1bbf1b6b"
                                           "75780b000104000000000400000000");
    const std::string ntfsField = FromHex("0a002000"
                                          "00000000"
                                          "01001800"
                                          "111111111111111111111111111111111111111111111111");
    // The Unicode Path field for that name stored in the OEM page.
    const std::string oemName = "\x8f\xa0\xaf\xaa\xa0.txt";
    std::string unicodePath = FromHex("7570"
                                      "0000"
                                      "01"
                                      "00000000");
    unicodePath.append(utf8Name);
    PatchU16(unicodePath, 2, static_cast<std::uint16_t>(unicodePath.size() - 4));
    PatchU32(unicodePath, 5, Crc(oemName));
    struct Case {
        const char* what;
        std::string name;
        std::uint16_t versionMadeBy;
        std::string localExtra;
        bool utf8Flag;
        NameEncoding encoding; // as the directory decodes it
    } const cases[] = {
        {"Info-ZIP on Unix: UTF-8 without the flag", utf8Name, 3 << 8 | 30, unixFields, false,
         NameEncoding::Utf8},
        {"the UTF-8 flag", utf8Name, 0 << 8 | 20, "", true, NameEncoding::Utf8},
        {"the Unicode Path field", oemName, 0 << 8 | 20, unicodePath, false, NameEncoding::Utf8},
        {"NTFS times: the OEM page", oemName, 10 << 8 | 20, ntfsField, false,
         NameEncoding::OemCodePage},
        {"MS-DOS: the OEM page", oemName, 0 << 8 | 20, "", false, NameEncoding::OemCodePage},
    };
    for (const Case& c : cases) {
        TestMember m{.name = c.name, .data = "data"};
        m.versionMadeBy = c.versionMadeBy;
        m.localExtra = c.localExtra;
        m.centralExtra = c.localExtra;
        BuiltArchive a = BuildArchive({m, {.name = "next.txt", .data = "x"}});
        if (c.utf8Flag) {
            PatchU16(a.bytes, a.localOffsets[0] + 6, 0x0800);
            PatchU16(a.bytes, a.centralOffsets[0] + 8, 0x0800);
        }
        MemorySource whole(a.bytes);
        const ArchiveInfo info = ReadArchive(whole);
        const std::string cut = a.bytes.substr(0, a.centralDirOffset);
        MemorySource source(cut);
        const LocalScan scan = ScanLocalHeaders(source);
        ASSERT_EQ(scan.members.size(), 2u) << c.what;
        const DecodedName listed = DecodeMemberName(info.members[0]);
        const DecodedName scanned = DecodeMemberName(scan.members[0]);
        EXPECT_EQ(listed.encoding, c.encoding) << c.what;
        EXPECT_EQ(scanned.encoding, listed.encoding) << c.what;
        EXPECT_EQ(scanned.text, listed.text) << c.what;
    }
}
