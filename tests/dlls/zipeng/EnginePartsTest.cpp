// The engine's parts that need no engine call: stored names, the add plan, the records it
// writes (read back by zipcore), deflate pieces and the ordered worker pool.
#include "base/zipcore/ByteIo.h"
#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/ExtraFields.h"
#include "base/zipcore/ZipFormat.h"
#include "dlls/zipeng/AddPlan.h"
#include "dlls/zipeng/ChunkDeflater.h"
#include "dlls/zipeng/MemberHeaders.h"
#include "dlls/zipeng/MemberPieces.h"
#include "dlls/zipeng/ReadAhead.h"
#include "dlls/zipeng/StoredName.h"
#include "dlls/zipeng/WorkPool.h"
#include "EngineHarness.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <random>
#include <thread>

namespace zipeng {
namespace {

using ::testing::ElementsAre;

TEST(StoredNameTest, PathsLoseRootsAndClimbingComponents) {
    const NameOptions keep;
    EXPECT_EQ(StoredNameFromPath("C:\\dir\\sub\\a.txt", keep), "dir/sub/a.txt");
    EXPECT_EQ(StoredNameFromPath("c:dir\\a.txt", keep), "dir/a.txt");
    EXPECT_EQ(StoredNameFromPath("\\\\server\\share\\dir\\a.txt", keep), "dir/a.txt");
    EXPECT_EQ(StoredNameFromPath("\\\\?\\C:\\dir\\a.txt", keep), "dir/a.txt");
    EXPECT_EQ(StoredNameFromPath("\\\\?\\UNC\\server\\share\\a.txt", keep), "a.txt");
    EXPECT_EQ(StoredNameFromPath("..\\..\\x\\.\\y//a.txt", keep), "x/y/a.txt");
    EXPECT_EQ(StoredNameFromPath("x\\..\\..\\y\\z\\..\\a.txt", keep), "y/a.txt");
    EXPECT_EQ(StoredNameFromPath("/unix/style/a.txt", keep), "unix/style/a.txt");
    EXPECT_EQ(StoredNameFromPath("C:\\", keep), "");
    NameOptions junk;
    junk.junkDirNames = true;
    EXPECT_EQ(StoredNameFromPath("C:\\dir\\sub\\a.txt", junk), "a.txt");
    NameOptions dos;
    dos.forceDos = true;
    EXPECT_EQ(StoredNameFromPath("C:\\Program Files\\My App.config\\x.y.z", dos),
              "PROGRAMF/MYAPP.CON/X_Y.Z");
}

TEST(StoredNameTest, DosNamesAreUpperCaseEightDotThree) {
    EXPECT_EQ(DosName("readme.txt"), "README.TXT");
    EXPECT_EQ(DosName("a very long name.html"), "AVERYLON.HTM");
    EXPECT_EQ(DosName("archive.tar.gz"), "ARCHIVE_.GZ");
    EXPECT_EQ(DosName(".profile"), "PROFILE");
    EXPECT_EQ(DosName("noext"), "NOEXT");
    EXPECT_EQ(DosName("a+b=c[1].txt"), "A_B_C_1_.TXT");
    EXPECT_EQ(DosName("..."), "_");
}

zipcore::Member Member(const std::string& name, std::uint32_t time) {
    zipcore::Member m;
    m.name = name;
    m.dosTime = time;
    return m;
}

SourceEntry Source(const std::string& name, std::uint32_t time, bool folder = false) {
    SourceEntry s;
    s.storedName = name;
    s.diskPath = name;
    s.dosTime = time;
    s.folder = folder;
    return s;
}

std::vector<std::string> Describe(const AddPlan& plan, const std::vector<zipcore::Member>& members,
                                  const std::vector<SourceEntry>& sources) {
    std::vector<std::string> out;
    for (const PlanItem& i : plan.items)
        out.push_back(i.kind == PlanItem::Kind::Copy ? "copy " + members[i.index].name
                                                     : "add " + sources[i.index].storedName);
    return out;
}

TEST(AddPlanTest, ReplacementsKeepTheirPlaceAndNewFilesFollowInOrder) {
    const std::vector<zipcore::Member> members = {Member("a.txt", 10), Member("B.txt", 10),
                                                  Member("dir/", 10)};
    const std::vector<SourceEntry> sources = {Source("new.txt", 5), Source("b.TXT", 5),
                                              Source("dir/", 50, true), Source("NEW.TXT", 5)};
    const AddPlan plan = PlanAdd(members, sources, AddMode::AddReplace);
    EXPECT_THAT(Describe(plan, members, sources),
                ElementsAre("copy a.txt", "add b.TXT", "copy dir/", "add new.txt"));
    EXPECT_THAT(plan.duplicates, ElementsAre(3u));
    EXPECT_EQ(plan.additions, 2u);
}

TEST(AddPlanTest, UpdateAndFreshenGoByTime) {
    const std::vector<zipcore::Member> members = {Member("old.txt", 10), Member("same.txt", 20),
                                                  Member("newer.txt", 30)};
    const std::vector<SourceEntry> sources = {Source("old.txt", 11), Source("same.txt", 20),
                                              Source("newer.txt", 29), Source("fresh.txt", 1)};
    EXPECT_THAT(Describe(PlanAdd(members, sources, AddMode::Update), members, sources),
                ElementsAre("add old.txt", "copy same.txt", "copy newer.txt", "add fresh.txt"));
    EXPECT_THAT(Describe(PlanAdd(members, sources, AddMode::Freshen), members, sources),
                ElementsAre("add old.txt", "copy same.txt", "copy newer.txt"));
}

TEST(MemberHeadersTest, RecordsReadBackIncludingZip64Counts) {
    // 70000 members: past the 16-bit count, so the ZIP64 end records must carry it.
    std::string archive, central;
    const int count = 70000;
    for (int i = 0; i < count; ++i) {
        HeaderFields h;
        h.name = std::to_string(i).insert(0, 1, 'f');
        h.versionNeeded = kVersionStored;
        h.dosTime = 0x5A8C6000;
        h.crc = 0xE8B7BE43; // CRC-32 of "a"
        h.compressedSize = h.uncompressedSize = 1;
        h.localOffset = archive.size();
        archive += LocalHeader(h, i % 2 == 0);
        archive += "a";
        central += CentralHeader(h);
    }
    const std::uint64_t cdOffset = archive.size();
    archive += central;
    archive += EndRecords(count, cdOffset, central.size(), "note");
    zipcore::MemorySource src(archive);
    const zipcore::ArchiveInfo info = zipcore::ReadArchive(src);
    ASSERT_EQ(info.members.size(), static_cast<size_t>(count));
    EXPECT_TRUE(info.zip64);
    EXPECT_EQ(info.comment, "note");
    EXPECT_EQ(info.members[69999].name, "f69999");
    const auto span = zipcore::LocateData(src, info.members[4]); // ZIP64 local header
    EXPECT_EQ(span.dataSize, 1u);
    EXPECT_EQ(archive[span.dataOffset], 'a');
}

TEST(MemberHeadersTest, OffsetsAndSizesPast4GiBGoIntoTheZip64Block) {
    HeaderFields h;
    h.name = "big";
    h.compressedSize = 5'000'000'000ull;
    h.uncompressedSize = 6'000'000'000ull;
    h.localOffset = 7'000'000'000ull;
    const std::string c = CentralHeader(h);
    const auto* p = reinterpret_cast<const unsigned char*>(c.data());
    EXPECT_EQ(zipcore::GetU32(p + 20), 0xFFFFFFFFu);
    EXPECT_EQ(zipcore::GetU32(p + 24), 0xFFFFFFFFu);
    EXPECT_EQ(zipcore::GetU32(p + 42), 0xFFFFFFFFu);
    EXPECT_GE(zipcore::GetU16(p + 6), kVersionZip64);
    const std::string extra = c.substr(46 + 3, zipcore::GetU16(p + 30));
    const std::string_view block = zipcore::FindExtraField(extra, zipcore::kZip64ExtraId);
    ASSERT_EQ(block.size(), 24u);
    const auto* b = reinterpret_cast<const unsigned char*>(block.data());
    EXPECT_EQ(zipcore::GetU64(b), 6'000'000'000ull);
    EXPECT_EQ(zipcore::GetU64(b + 8), 5'000'000'000ull);
    EXPECT_EQ(zipcore::GetU64(b + 16), 7'000'000'000ull);
}

// Each header carries the time fields its readers take: the local one the extended timestamp
// alone (Info-ZIP unzip and bsdtar read nothing else), the central one the NTFS field with all
// three times (7-Zip, our extraction) and the extended timestamp (Info-ZIP zip's update). No
// more than 2 bytes beyond zip's own fields; the blocks of `extra` go into both headers, and a
// header written before its sizes keeps its length.
TEST(MemberHeadersTest, TimesGoIntoTheHeadersTheirReadersRead) {
    const zipcore::FileTimes times{132592887671234567ull, 132592887679999999ull,
                                   132000000001234567ull};
    const std::string other("kk\x03\x00xyz", 7); // some other block, for both headers
    size_t withoutTimes = 0;
    for (const bool withTimes : {false, true}) {
        for (const bool zip64 : {false, true}) {
            const std::string what = std::string(withTimes ? "times" : "no times") +
                                     (zip64 ? ", ZIP64 local header" : "");
            HeaderFields h;
            h.name = "t.txt";
            h.versionNeeded = kVersionStored;
            h.crc = 0xE8B7BE43; // CRC-32 of "a"
            h.compressedSize = h.uncompressedSize = 1;
            h.extra = other;
            if (withTimes) h.times = times;
            std::string archive = LocalHeader(h, zip64) + "a";
            const std::string central = CentralHeader(h);
            const std::uint64_t cdOffset = archive.size();
            archive += central + EndRecords(1, cdOffset, central.size(), "");
            zipcore::MemorySource src(archive);
            const zipcore::ArchiveInfo info = zipcore::ReadArchive(src);
            ASSERT_EQ(info.members.size(), 1u) << what;
            const std::string& centralExtra = info.members[0].extra;
            const zipcore::MemberDataSpan span = zipcore::LocateData(src, info.members[0]);
            EXPECT_EQ(span.dataSize, 1u) << what;
            EXPECT_EQ(zipcore::FindExtraField(span.localExtra, 0x6B6B), "xyz") << what;
            EXPECT_EQ(zipcore::FindExtraField(centralExtra, 0x6B6B), "xyz") << what;

            EXPECT_FALSE(zipcore::ReadNtfsTimes(span.localExtra)) << what;
            const auto local = zipcore::ReadExtendedModTime(span.localExtra);
            const auto centralTime = zipcore::ReadExtendedModTime(centralExtra);
            const auto ntfs = zipcore::ReadNtfsTimes(centralExtra);
            ASSERT_EQ(local.has_value(), withTimes) << what;
            ASSERT_EQ(centralTime.has_value(), withTimes) << what;
            ASSERT_EQ(ntfs.has_value(), withTimes) << what;
            if (withTimes) {
                EXPECT_EQ(*local, times.modified - times.modified % 10000000) << what;
                EXPECT_EQ(*centralTime, *local) << what;
                EXPECT_EQ(ntfs->modified, times.modified) << what;
                EXPECT_EQ(ntfs->accessed, times.accessed) << what;
                EXPECT_EQ(ntfs->created, times.created) << what;
            }
            const size_t extras = span.localExtra.size() + centralExtra.size();
            if (!withTimes && !zip64) withoutTimes = extras;
            if (withTimes && !zip64) {
                EXPECT_LE(extras - withoutTimes, 54u) << "bytes for times";
            }

            HeaderFields patched = h;
            patched.compressedSize = 5'000'000'000ull;
            patched.uncompressedSize = 6'000'000'000ull;
            if (zip64) {
                EXPECT_EQ(LocalHeader(patched, true).size(), LocalHeader(h, true).size()) << what;
            }
        }
    }
}

std::string Inflate(const std::string& in) {
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
    std::string out(64 << 20, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    EXPECT_EQ(rc, Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u); // nothing after the final block
    out.resize(z.total_out);
    inflateEnd(&z);
    return out;
}

// Lines of code-like calls: matches of many lengths, where the tuning of the search shows in
// the output.
std::string CodeLikeData(unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::string> names(500);
    for (std::string& name : names)
        for (size_t n = 3 + random() % 10; n > 0; --n)
            name += "abcdefghijklmnopqrstuvwxyz_"[random() % 27];
    std::string data;
    while (data.size() < 400000)
        data += "  " + names[random() % names.size()] + "(" + names[random() % names.size()] +
                ", " + std::to_string(random() % 100000) + ");\n";
    return data;
}

// zlib's own level, untuned, as the yardstick for ours.
std::string ZlibRaw(int level, const std::string& data) {
    z_stream z{};
    EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// Level 9 trades a shorter search for speed; what it gives up in size must stay a rounding
// error against zlib's level 9 and never fall behind zlib's level 8.
TEST(ChunkDeflaterTest, LevelNineGivesUpAtMostAFifthOfAPercentToZlibsLevelNine) {
    const struct {
        const char* what;
        std::string data;
    } cases[] = {
        {"code", CodeLikeData(9)},
        {"text", zipeng_test::TextData(400000, 3)},
        {"code and random", CodeLikeData(4).substr(0, 200000) + zipeng_test::RandomData(50000, 4)},
    };
    for (const auto& c : cases) {
        ChunkDeflater deflater;
        std::string ours;
        deflater.Compress(9, {}, c.data, true, ours);
        EXPECT_TRUE(Inflate(ours) == c.data) << c.what;
        const size_t best = ZlibRaw(9, c.data).size();
        EXPECT_LE(ours.size(), best + best / 500) << c.what;
        EXPECT_LE(ours.size(), ZlibRaw(8, c.data).size()) << c.what;
    }
}

TEST(ChunkDeflaterTest, PiecesCompressedApartConcatenateToOneStream) {
    const std::string data = zipeng_test::TextData(3 * 1000000 + 17, 5);
    const size_t piece = 1000000;
    ChunkDeflater a, b;
    std::string pieces, whole;
    for (size_t at = 0; at < data.size(); at += piece) {
        const bool last = at + piece >= data.size();
        const std::string_view dict = std::string_view(data).substr(
            at < kDeflateWindow ? 0 : at - kDeflateWindow, std::min<size_t>(at, kDeflateWindow));
        // Alternate deflaters: state must not leak from one piece to the next.
        (at / piece % 2 ? a : b)
            .Compress(9, dict, std::string_view(data).substr(at, piece), last, pieces);
    }
    EXPECT_TRUE(Inflate(pieces) == data);
    a.Compress(9, {}, data, true, whole);
    EXPECT_TRUE(Inflate(whole) == data);
    // Priming with the previous piece keeps the cost of cutting small.
    EXPECT_LT(pieces.size(), whole.size() + whole.size() / 100);
}

// A worker's stream is reset from one piece to the next: every piece of a level is
// compressed with the same search, whether its stream is new or reused.
TEST(ChunkDeflaterTest, AReusedStreamCompressesAsANewOne) {
    const std::string data = CodeLikeData(9);
    for (const int level : {1, 6, 9}) {
        ChunkDeflater reused;
        std::string first, again;
        reused.Compress(level, {}, data, true, first);
        reused.Compress(level, {}, data, true, again);
        ChunkDeflater fresh;
        std::string other;
        fresh.Compress(3, {}, data, true, other); // a stream made for another level first
        other.clear();
        fresh.Compress(level, {}, data, true, other);
        EXPECT_TRUE(again == first) << level;
        EXPECT_TRUE(other == first) << level;
        EXPECT_TRUE(Inflate(first) == data) << level;
    }
}

TEST(MemberPiecesTest, OnlyDataDeflateCannotShrinkIsJudgedIncompressible) {
    WorkerState state;
    const std::string random = zipeng_test::RandomData(300000, 1);
    const std::string text = zipeng_test::TextData(300000, 2);
    EXPECT_TRUE(LooksIncompressible(random, state));
    EXPECT_FALSE(LooksIncompressible(text, state));
    EXPECT_FALSE(LooksIncompressible(random.substr(0, 8000), state)); // too small to judge
    // Random at the start but text further on (an archive of text files stored uncompressed
    // behind a compressed part): the later samples show it compresses.
    EXPECT_FALSE(LooksIncompressible(random.substr(0, 100000) + text.substr(0, 200000), state));
    // Random bytes repeated: order 0 looks random, but deflate finds the repeats.
    const std::string block = random.substr(0, 4096);
    std::string repeated;
    while (repeated.size() < 100000)
        repeated += block;
    EXPECT_FALSE(LooksIncompressible(repeated, state));
}

TEST(ReadAheadTest, ReadsAnywhereGiveTheSourceBytesWithFewUnderlyingReads) {
    struct Counting : zipcore::MemorySource {
        using MemorySource::MemorySource;
        size_t ReadAt(std::uint64_t offset, void* buffer, size_t n) override {
            ++reads;
            return MemorySource::ReadAt(offset, buffer, n);
        }
        int reads = 0;
    };
    const std::string data = zipeng_test::RandomData(10000, 9);
    Counting src(data);
    ReadAhead cached(src, 1000);
    EXPECT_EQ(cached.Size(), data.size());
    std::string got;
    // Small sequential reads, some crossing block ends: one underlying read per block.
    for (size_t at = 0; at < data.size(); at += 30) {
        char b[30];
        const size_t n = cached.ReadAt(at, b, sizeof b);
        got.append(b, n);
    }
    EXPECT_TRUE(got == data);
    EXPECT_LE(src.reads, 12);
    // A read larger than a block, one going back, one past the end.
    std::string big(2500, '\0');
    EXPECT_EQ(cached.ReadAt(3333, big.data(), big.size()), big.size());
    EXPECT_TRUE(big == data.substr(3333, 2500));
    char b[40];
    EXPECT_EQ(cached.ReadAt(17, b, 40), 40u);
    EXPECT_EQ(std::string(b, 40), data.substr(17, 40));
    EXPECT_EQ(cached.ReadAt(9990, b, 40), 10u);
    EXPECT_EQ(std::string(b, 10), data.substr(9990));
    EXPECT_EQ(cached.ReadAt(20000, b, 40), 0u);
}

TEST(WorkPoolTest, ResultsAreTakenInOrderWhateverOrderTheWorkersFinishIn) {
    struct Context {};
    WorkPool<Context> pool(2);
    std::vector<int> done(100, 0);
    std::vector<std::uint64_t> tickets;
    for (int i = 0; i < 100; ++i)
        tickets.push_back(pool.Submit([&done, i](Context&) {
            // Early jobs take longest, so later ones finish first.
            std::this_thread::sleep_for(std::chrono::microseconds(i < 10 ? 3000 : 10));
            done[i] = 1;
        }));
    for (int i = 0; i < 100; ++i) {
        pool.Wait(tickets[i]);
        EXPECT_EQ(done[i], 1) << i; // finished, and its result visible to the owner
    }
    // A job's exception comes out of Wait.
    const auto t = pool.Submit([](Context&) { throw std::runtime_error("job failed"); });
    EXPECT_THROW(pool.Wait(t), std::runtime_error);
}

TEST(WorkPoolTest, AJobNoWorkerHasStartedRunsOnTheWaitingThread) {
    struct Context {
        int jobs = 0;
    };
    WorkPool<Context> pool(0);
    const auto owner = std::this_thread::get_id();
    int onOwner = 0, contextJobs = 0;
    std::vector<std::uint64_t> tickets;
    for (int i = 0; i < 5; ++i)
        tickets.push_back(pool.Submit([&](Context& c) {
            onOwner += std::this_thread::get_id() == owner;
            contextJobs = ++c.jobs; // the owner's context lives from job to job
        }));
    for (const auto t : tickets)
        pool.Wait(t);
    EXPECT_EQ(onOwner, 5);
    EXPECT_EQ(contextJobs, 5);
}

TEST(WorkPoolTest, ManyTinyJobsOnEitherKindOfLockAndCondition) {
    // Under Wine the slim locks are there (the engines use them); the runtime's primitives
    // are what older Windows gets. Both must hand every job over and back.
    ASSERT_NE(ksync::Native(), nullptr);
    for (const bool runtime : {false, true}) {
        ksync::ForceRuntimePrimitives() = runtime;
        struct Context {};
        {
            WorkPool<Context> pool(3);
            std::vector<int> done(20000, 0);
            std::vector<std::uint64_t> tickets;
            for (int round = 0; round < 20; ++round) {
                tickets.clear();
                for (int i = round * 1000; i < (round + 1) * 1000; ++i)
                    tickets.push_back(pool.Submit([&done, i](Context&) { done[i] = i + 1; }));
                for (const auto t : tickets)
                    pool.Wait(t);
            }
            for (int i = 0; i < 20000; ++i)
                ASSERT_EQ(done[i], i + 1) << "runtime primitives " << runtime << ", job " << i;
        }
        ksync::ForceRuntimePrimitives() = false;
    }
}

} // namespace
} // namespace zipeng
