// Listing archives built byte by byte: the signature search, the header walk and every
// failure the reader reports.
#include "engine/ArchiveReader.h"
#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Handle.h"

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

TEST_F(ListTest, SearchGivesUpAfterSixtyThousandBytes) {
    ZipBuilder z;
    z.Zeros(60000);
    z.Archive({M("late", "x")});
    zip.SetZipFilename(Write(z));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"No valid zip entries found"});

    ZipBuilder justInside;
    justInside.Zeros(59999);
    justInside.Archive({M("late", "x")});
    dialogs.Clear();
    zip.SetZipFilename(Write(justInside, "b.zip"));
    EXPECT_EQ(Names(), std::vector<std::string>{"late"});
    EXPECT_EQ(zip.SFXOffset, 59999);
}

TEST_F(ListTest, SelfExtractorIsSearchedFromOffset14000AndSkipsDecoys) {
    ZipBuilder z;
    z.Zeros(100);
    z.Local(M("hidden-in-stub", "abc")); // before 14000: never listed
    z.Zeros(14000 - z.bytes.size() + 50);
    // A decoy signature with nonsense sizes inside the stub.
    LocalMember decoy = M("decoy", "");
    decoy.compressedSize = 0x7FFFFFF0;
    z.Local(decoy);
    z.Raw("PPK\x03\x04"); // the second P is consumed as the mismatching byte
    z.Zeros(7);
    size_t start = z.bytes.size();
    ZipBuilder tail;
    tail.Archive({M("a.txt", "aaa"), M("b/c.txt", "cc")});
    z.bytes.insert(z.bytes.end(), tail.bytes.begin(), tail.bytes.end());
    zip.SetZipFilename(Write(z, "setup.ExE"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt", "b/c.txt"}));
    EXPECT_EQ(zip.SFXOffset, static_cast<int>(start));
    EXPECT_TRUE(dialogs.shown.empty());

    // The same bytes under a .zip name are read from the start.
    zip.SetZipFilename(Write(z, "setup.zip"));
    EXPECT_EQ(zip.Entry(0).FileName, "hidden-in-stub");
}

TEST_F(ListTest, TopBitSizeIsRejectedInsteadOfMovingBackwards) {
    ZipBuilder z;
    LocalMember bad = M("bad", "");
    bad.compressedSize = 0xFFFFFFF0; // would be -16 if read signed
    z.Local(M("good", "data"));
    z.Local(bad);
    z.EndRecord(0, 0, 0);
    EXPECT_EQ(OpenExpectingError(Write(z)), "Error 3 reading Zip file");
    EXPECT_EQ(Names(), std::vector<std::string>{"good"});
    EXPECT_EQ(dirUpdates, 1);

    // As the first header it is dropped and the search goes on behind it.
    ZipBuilder first;
    first.Local(bad);
    first.Archive({M("real", "r")});
    zip.SetZipFilename(Write(first, "b.zip"));
    EXPECT_EQ(Names(), std::vector<std::string>{"real"});
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

TEST_F(ListTest, TruncatedArchiveKeepsTheMembersBeforeTheCut) {
    ZipBuilder z;
    z.Archive({M("one", "1111"), M("two", std::string(1000, 't'))});
    std::string bytes(z.bytes.begin(), z.bytes.end());
    size_t cut = bytes.find("two") + 3 + 100; // inside the second member's data
    WriteFileBytes(tmp.File("cut.zip"), bytes.substr(0, cut));
    EXPECT_EQ(OpenExpectingError(tmp.File("cut.zip")), "Error 3 reading Zip file");
    EXPECT_EQ(Names(), std::vector<std::string>{"one"});
    EXPECT_EQ(dirUpdates, 1);
}

TEST_F(ListTest, ArchiveEndingWithoutDirectoryRaisesReadError) {
    ZipBuilder z;
    z.Local(M("one", "1111"));
    z.Zeros(22); // room for the bound test, then the file ends mid-walk
    EXPECT_EQ(OpenExpectingError(Write(z)), "Error reading Zip File");
    EXPECT_EQ(Names(), std::vector<std::string>{"one"});
}

TEST_F(ListTest, ShortNameReadAfterAMemberIsError2) {
    ZipBuilder z;
    z.Local(M("one", "1"));
    LocalMember cut = M("", "");
    cut.nameLengthOverride = 500; // the name runs past the end of the file
    z.Local(cut);
    z.Zeros(30);
    EXPECT_EQ(OpenExpectingError(Write(z)), "Error 2 reading Zip file");
    EXPECT_EQ(zip.Count(), 1);

    // Without a listed member the candidate is dropped and the search runs out.
    ZipBuilder alone;
    alone.Local(cut);
    alone.Zeros(30);
    dialogs.Clear();
    zip.SetZipFilename(Write(alone, "b.zip"));
    EXPECT_EQ(zip.Count(), 0);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"No valid zip entries found"});
}

TEST_F(ListTest, DataDescriptorMemberIsSteppedOverOnTheFourByteGrid) {
    LocalMember dd = M("streamed", "12345678"); // 8 bytes: the next header stays on the grid
    dd.flag = 8;
    dd.compressedSize = 0;
    ZipBuilder z;
    z.Local(dd);
    z.U32(0x08074B50).U32(0).U32(8).U32(8); // descriptor
    z.Local(M("after", "z"));
    z.EndRecord(0, 0, 0);
    zip.SetZipFilename(Write(z));
    EXPECT_EQ(Names(), (std::vector<std::string>{"streamed", "after"}));

    LocalMember odd = dd;
    odd.data = "123"; // off the grid: no signature is met again
    ZipBuilder z2;
    z2.Local(odd);
    z2.Local(M("lost", "z"));
    z2.Zeros(25);
    EXPECT_EQ(OpenExpectingError(Write(z2, "b.zip")), "Error reading Zip File");
    EXPECT_EQ(Names(), std::vector<std::string>{"streamed"});
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
    EXPECT_EQ(OpenExpectingError(p), "Cannot open file " + p);
    EXPECT_EQ(dirUpdates, 0);
    EXPECT_EQ(zip.Count(), 0);
}

} // namespace
