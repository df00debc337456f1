// Listing archives built byte by byte: members and sizes from the central directory, the
// local-header scan of an archive without one, and what the list says about it.
#include "engine/ArchiveReader.h"
#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class ListTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    TZipKeeper zip{nullptr};
    int dirUpdates = 0;

    void SetUp() override {
        zip.OnDirUpdate = [this](TZipKeeper&) { ++dirUpdates; };
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> n;
        for (int i = 0; i < zip.Count(); ++i)
            n.push_back(zip.Entry(i).FileName);
        return n;
    }
    std::string Write(const ZipBuilder& b, const std::string& name = "a.zip") {
        std::string p = tmp.File(name);
        b.WriteTo(p);
        return p;
    }
    // Sets ZipFilename and returns the text of the error raised, if any.
    std::string OpenExpectingError(const std::string& path) {
        try {
            zip.SetZipFilename(path);
        } catch (const EZipStreamError& e) {
            return e.what();
        }
        return "";
    }
};

// The box an archive without its directory shows: how many members are listed, then which
// one is cut off, if one is.
std::string Incomplete(const std::string& listed, const std::string& cut) {
    std::string text =
        "This archive is incomplete (its directory is missing or damaged): " + listed;
    if (!cut.empty()) text += " " + cut + " and cannot be extracted.";
    return text;
}

LocalMember M(const std::string& name, const std::string& data) {
    LocalMember m;
    m.name = name;
    m.data = data;
    return m;
}

TEST_F(ListTest, PlainArchiveListsMembersInFileOrderWithTheirHeaderFields) {
    LocalMember a = M("docs/readme.txt", "hello world");
    a.crc = 0x12345678;
    a.method = 8;
    a.flag = 2;
    a.dosTime = 0x5A8C6123;
    a.uncompressedSize = 99;
    LocalMember b = M("b.bin", std::string(300, 'x'));
    b.extra = "EXTRAFIELD";
    ZipBuilder z;
    z.Archive({a, b, M("c", "")});
    zip.SetZipFilename(Write(z));

    EXPECT_EQ(Names(), (std::vector<std::string>{"docs/readme.txt", "b.bin", "c"}));
    EXPECT_EQ(zip.SFXOffset, 0);
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_TRUE(dialogs.shown.empty());
    const ZipDirEntry& e = zip.Entry(0);
    EXPECT_EQ(e.Version, 20);
    EXPECT_EQ(e.Flag, 2);
    EXPECT_EQ(e.CompressionMethod, 8);
    EXPECT_EQ(e.DateTime, 0x5A8C6123u);
    EXPECT_EQ(e.CRC32, 0x12345678u);
    EXPECT_EQ(e.CompressedSize, 11u);
    EXPECT_EQ(e.UncompressedSize, 99u);
    EXPECT_EQ(e.FileNameLength, 15);
    EXPECT_EQ(zip.Entry(1).ExtraFieldLength, 10);
    EXPECT_EQ(zip.Entry(1).CompressedSize, 300u);
}

TEST_F(ListTest, EmptyOrMissingNameGivesAnEmptyListAndStillFiresTheEvent) {
    zip.SetZipFilename("");
    EXPECT_EQ(zip.Count(), 0);
    zip.SetZipFilename(tmp.File("nothing-here.zip"));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(dirUpdates, 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ListTest, AssigningTheSameNameAgainReReadsTheFile) {
    ZipBuilder z;
    z.Archive({M("one", "1")});
    std::string p = Write(z);
    zip.SetZipFilename(p);
    ZipBuilder z2;
    z2.Archive({M("one", "1"), M("two", "2")});
    z2.WriteTo(p);
    zip.SetZipFilename(p);
    EXPECT_EQ(zip.Count(), 2);
    EXPECT_EQ(dirUpdates, 2);
}

TEST(ArchiveReaderTest, PiecesOfEverySizeReadTheFileBytesAcrossBufferEdges) {
    // Names, extra fields and fixed headers are read in small pieces that can straddle the
    // reader's 64 KiB buffer: every piece must come out as the file holds it.
    TempFolder tmp;
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
    const std::string path = tmp.File("r.bin");
    WriteFileBytes(path, bytes);
    for (const size_t start : {size_t(0), size_t(65536 - 40), size_t(131072 - 3), size_t(199990)}) {
        ArchiveReader in(path);
        in.Seek(static_cast<std::int64_t>(start));
        size_t at = start;
        for (const bool asText : {false, true}) {
            for (size_t n = 0; n <= 70; ++n) {
                std::string piece;
                const size_t want = std::min(n, bytes.size() - at);
                if (asText) {
                    ASSERT_EQ(in.ReadString(piece, n), want) << start << " " << n;
                } else {
                    piece.assign(n, '?');
                    ASSERT_EQ(in.Read(piece.data(), n), want) << start << " " << n;
                    piece.resize(want);
                }
                ASSERT_EQ(piece, bytes.substr(at, want)) << start << " " << n;
                at += want;
            }
        }
    }
}

TEST_F(ListTest, EndRecordCountsAreOnlyAHint) {
    // The count the end record announces only reserves room: one far beyond what the file
    // could hold, one too small, or the ZIP64 mark, and the members are listed all the same.
    for (const std::uint16_t announced :
         {std::uint16_t(60000), std::uint16_t(1), std::uint16_t(0xFFFF), std::uint16_t(0)}) {
        ZipBuilder z;
        const LocalMember a = M("one.txt", "1"), b = M("two.txt", "22");
        const auto offsetA = static_cast<std::uint32_t>(z.Local(a));
        const auto offsetB = static_cast<std::uint32_t>(z.Local(b));
        const auto directory = static_cast<std::uint32_t>(z.bytes.size());
        z.Central(a, offsetA).Central(b, offsetB);
        const auto directorySize = static_cast<std::uint32_t>(z.bytes.size()) - directory;
        if (announced == 0xFFFF) {
            // The ZIP64 end record and its locator: 5 entries on this disk, 2^30 in all, far
            // more than the file could hold (reserving that many would throw).
            const auto zip64End = static_cast<std::uint32_t>(z.bytes.size());
            z.U32(0x06064B50).U32(44).U32(0).U16(45).U16(45).U32(0).U32(0);
            z.U32(5).U32(0).U32(0x40000000).U32(0).U32(directorySize).U32(0).U32(directory).U32(0);
            z.U32(0x07064B50).U32(0).U32(zip64End).U32(0).U32(1);
        }
        z.EndRecord(announced, directorySize, directory);
        zip.SetZipFilename(Write(z));
        EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt", "two.txt"})) << announced;
    }
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ListTest, NoLocalHeaderShowsNoValidEntries) {
    ZipBuilder onlyEnd;
    onlyEnd.EndRecord(0, 0, 0);
    zip.SetZipFilename(Write(onlyEnd, "end.zip"));
    EXPECT_EQ(zip.Count(), 0);
    ZipBuilder empty;
    zip.SetZipFilename(Write(empty, "empty.zip"));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(dialogs.Texts(), (std::vector<std::string>{"No valid zip entries found",
                                                         "No valid zip entries found"}));
    EXPECT_EQ(dirUpdates, 2);
}

TEST_F(ListTest, ArchiveBehindALongPrefixIsFoundThroughItsEndRecord) {
    // However long the bytes before it, the archive is where its end record says.
    ZipBuilder z;
    z.Zeros(200000);
    z.Archive({M("late", "x")});
    zip.SetZipFilename(Write(z));
    EXPECT_EQ(Names(), std::vector<std::string>{"late"});
    EXPECT_EQ(zip.SFXOffset, 200000);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ListTest, SelfExtractorsArchiveIsFoundThroughItsEndRecordNotItsStubsBytes) {
    ZipBuilder z;
    z.Zeros(100);
    z.Local(M("hidden-in-stub", "abc")); // a sound header among the program's bytes
    z.Zeros(14000 - z.bytes.size() + 50);
    LocalMember decoy = M("decoy", ""); // a signature with nonsense sizes
    decoy.compressedSize = 0x7FFFFFF0;
    z.Local(decoy);
    z.Raw("PPK\x03\x04");
    z.Zeros(7);
    const size_t start = z.bytes.size();
    ZipBuilder tail; // offsets as in the archive on its own, not counting the stub
    tail.Archive({M("a.txt", "aaa"), M("b/c.txt", "cc")});
    z.bytes.insert(z.bytes.end(), tail.bytes.begin(), tail.bytes.end());
    for (const char* name : {"setup.ExE", "setup.zip"}) {
        dialogs.Clear();
        zip.SetZipFilename(Write(z, name));
        EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b/c.txt"})) << name;
        EXPECT_EQ(zip.SFXOffset, static_cast<int>(start)) << name;
        EXPECT_TRUE(dialogs.shown.empty()) << name;
    }

    // Cut off in its last member, the stub's bytes are still passed over.
    std::string bytes(z.bytes.begin(), z.bytes.end());
    WriteFileBytes(tmp.File("cut.exe"), bytes.substr(0, bytes.rfind("cc") + 1));
    dialogs.Clear();
    zip.SetZipFilename(tmp.File("cut.exe"));
    EXPECT_EQ(Names(), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(zip.SFXOffset, static_cast<int>(start));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{Incomplete("1 complete member is listed.",
                                                                   "\"b/c.txt\" is cut off")});
}

TEST_F(ListTest, TopBitSizeIsACutMemberInsteadOfMovingBackwards) {
    ZipBuilder z;
    LocalMember bad = M("bad", "");
    bad.compressedSize = 0xFFFFFFF0; // would be -16 if read signed
    z.Local(M("good", "data"));
    z.Local(bad);
    z.Zeros(22);
    zip.SetZipFilename(Write(z));
    EXPECT_EQ(Names(), std::vector<std::string>{"good"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{Incomplete("1 complete member is listed.",
                                                                   "\"bad\" is cut off")});
    EXPECT_EQ(dirUpdates, 1);

    // Before an archive with its directory it is not taken for a member.
    ZipBuilder first;
    first.Local(bad);
    first.Archive({M("real", "r")});
    dialogs.Clear();
    zip.SetZipFilename(Write(first, "b.zip"));
    EXPECT_EQ(Names(), std::vector<std::string>{"real"});
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ListTest, LargeUnsignedSizesAreKept) {
    ZipBuilder z;
    LocalMember big = M("big.iso", "xx");
    big.uncompressedSize = 3000000000u;
    z.Archive({big});
    zip.SetZipFilename(Write(z));
    ASSERT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.Entry(0).UncompressedSize, 3000000000u);
}

TEST_F(ListTest, TruncatedArchiveListsItsCompleteMembersAndSaysWhichIsCut) {
    ZipBuilder z;
    z.Archive({M("one", "1111"), M("two", std::string(1000, 't'))});
    std::string bytes(z.bytes.begin(), z.bytes.end());
    size_t cut = bytes.find("two") + 3 + 100; // inside the second member's data
    WriteFileBytes(tmp.File("cut.zip"), bytes.substr(0, cut));
    EXPECT_EQ(OpenExpectingError(tmp.File("cut.zip")), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"one"});
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{Incomplete("1 complete member is listed.",
                                                                   "\"two\" is cut off")});
    EXPECT_EQ(dirUpdates, 1);
}

TEST_F(ListTest, ArchiveEndingWithoutDirectoryListsItsMembers) {
    ZipBuilder z;
    z.Local(M("one", "1111"));
    z.Local(M("two", "22"));
    z.Zeros(22); // as a download that was given its full length but not its end
    zip.SetZipFilename(Write(z));
    EXPECT_EQ(Names(), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{Incomplete("2 complete members are listed.", "")});
}

TEST_F(ListTest, HeaderCutInItsNameIsTheLastMemberCut) {
    ZipBuilder z;
    z.Local(M("one", "1"));
    LocalMember cut = M("", "");
    cut.nameLengthOverride = 500; // the name runs past the end of the file
    z.Local(cut);
    z.Zeros(30);
    zip.SetZipFilename(Write(z));
    EXPECT_EQ(Names(), std::vector<std::string>{"one"});
    const std::string lastCut = "The last member is cut off and cannot be extracted.";
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{Incomplete("1 complete member is listed. " + lastCut, "")});

    ZipBuilder alone;
    alone.Local(cut);
    alone.Zeros(30);
    dialogs.Clear();
    zip.SetZipFilename(Write(alone, "b.zip"));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{Incomplete("no complete member was found. " + lastCut, "")});
}

// Streaming writers leave the local header's sizes at zero: the directory has them, and
// without one the data descriptor is found by its size, on the 4-byte grid or off it.
TEST_F(ListTest, StreamedMembersListWithTheirTrueSizesWithOrWithoutTheDirectory) {
    LocalMember even = M("even", "12345678"), odd = M("odd", "123"), empty = M("empty/", "");
    even.crc = 0x11111111;
    odd.crc = 0x22222222;
    for (LocalMember* m : {&even, &odd, &empty})
        m->streamed = true;
    ZipBuilder z;
    z.Archive({even, odd, empty, M("after", "zz")});
    const std::string bytes(z.bytes.begin(), z.bytes.end());
    const std::string withoutDirectory = bytes.substr(0, bytes.rfind("after") + 5 + 2);
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {"with its directory", bytes, {}},
        {"without", withoutDirectory, {Incomplete("4 complete members are listed.", "")}},
    };
    for (const Case& c : cases) {
        dialogs.Clear();
        WriteFileBytes(tmp.File("s.zip"), c.bytes);
        zip.SetZipFilename(tmp.File("s.zip"));
        EXPECT_EQ(Names(), (std::vector<std::string>{"even", "odd", "empty/", "after"})) << c.what;
        EXPECT_EQ(dialogs.Texts(), c.texts) << c.what;
        ASSERT_EQ(zip.Count(), 4) << c.what;
        for (int i = 0; i < 3; ++i) {
            const LocalMember& m = *std::vector<const LocalMember*>{&even, &odd, &empty}[i];
            EXPECT_EQ(zip.Entry(i).CompressedSize64, m.data.size()) << c.what << " " << m.name;
            EXPECT_EQ(zip.Entry(i).UncompressedSize64, m.data.size()) << c.what << " " << m.name;
            EXPECT_EQ(zip.Entry(i).CompressedSize, m.data.size()) << c.what << " " << m.name;
            EXPECT_EQ(zip.Entry(i).CRC32, m.crc) << c.what << " " << m.name;
        }
    }
}

// A local header whose size is the ZIP64 mark without a ZIP64 field (a damaged or
// non-conforming writer): the directory's size is the member's.
TEST_F(ListTest, PlaceholderSizeWithoutZip64FieldTakesTheDirectorysSize) {
    for (const size_t damaged : {size_t(1), size_t(2)}) {
        const std::vector<LocalMember> members = {M("a.txt", "aaaa"), M("b.txt", "bbbbbb"),
                                                  M("c.txt", "cc")};
        ZipBuilder z;
        std::vector<size_t> offsets;
        for (const LocalMember& m : members)
            offsets.push_back(z.Local(m));
        const size_t directory = z.bytes.size();
        for (size_t i = 0; i < members.size(); ++i)
            z.Central(members[i], static_cast<std::uint32_t>(offsets[i]));
        z.EndRecord(3, static_cast<std::uint32_t>(z.bytes.size() - directory),
                    static_cast<std::uint32_t>(directory));
        std::string bytes(z.bytes.begin(), z.bytes.end());
        bytes.replace(offsets[damaged] + 18, 4, std::string(4, '\xFF')); // compressed size
        dialogs.Clear();
        WriteFileBytes(tmp.File("p.zip"), bytes);
        zip.SetZipFilename(tmp.File("p.zip"));
        EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"})) << damaged;
        ASSERT_EQ(zip.Count(), 3);
        EXPECT_EQ(zip.Entry(damaged).CompressedSize64, members[damaged].data.size());
        EXPECT_EQ(zip.Entry(damaged).CompressedSize, members[damaged].data.size());
        EXPECT_TRUE(dialogs.shown.empty()) << damaged;
    }
}

TEST_F(ListTest, NameStopsAtZeroByteAndAt256Bytes) {
    std::string longName(300, 'n');
    longName[299] = 'Z';
    ZipBuilder z;
    z.Archive({M(std::string("abc\0def", 7), "1"), M(longName, "22"), M("next", "3")});
    zip.SetZipFilename(Write(z));
    ASSERT_EQ(zip.Count(), 3);
    EXPECT_EQ(zip.Entry(0).FileName, "abc");
    EXPECT_EQ(zip.Entry(1).FileName, std::string(256, 'n'));
    EXPECT_EQ(zip.Entry(1).FileNameLength, 300);
    EXPECT_EQ(zip.Entry(2).FileName, "next");
}

TEST_F(ListTest, FileThatCannotBeOpenedRaisesWithoutEvent) {
    ZipBuilder z;
    z.Archive({M("x", "1")});
    std::string p = Write(z);
    HANDLE h = CreateFileA(p.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ui::FileHandle lock(h);
    ASSERT_TRUE(lock);
    const std::string error = OpenExpectingError(p);
    EXPECT_TRUE(error.starts_with("Cannot open \"" + p + "\": ")) << error;
    EXPECT_TRUE(error.ends_with(".")) << error;
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_EQ(zip.Count(), 0);
}

} // namespace
