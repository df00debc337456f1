#include "base/zipcore/MemberReader.h"

#include "base/zipcore/ZipFormat.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <gtest/gtest.h>

using namespace zipcore;
using namespace zipcore_test;

namespace {

struct Outcome {
    ExtractResult result;
    std::string data;
    int chunks = 0;
};

Outcome Extract(const std::string& bytes, std::size_t index = 0,
                const std::string* password = nullptr, std::size_t stopAfter = SIZE_MAX) {
    MemorySource src(bytes);
    ArchiveInfo info = ReadArchive(src);
    Outcome o;
    o.result = ExtractMember(
        src, info.members.at(index), password,
        [&](const std::uint8_t* d, std::size_t n) {
            o.data.append(reinterpret_cast<const char*>(d), n);
            return static_cast<std::size_t>(++o.chunks) < stopAfter;
        },
        4096);
    return o;
}

} // namespace

TEST(MemberReader, StoredAndDeflatedDataComeOutWholeInChunks) {
    const std::string text(100000, 'x');
    const std::string noise = Pseudorandom(50000);
    BuiltArchive a = BuildArchive({{.name = "t", .data = text},
                                   {.name = "n", .data = noise, .method = 0},
                                   {.name = "e", .data = ""}});
    Outcome t = Extract(a.bytes, 0);
    EXPECT_EQ(t.result.status, ExtractResult::Status::Ok) << t.result.message;
    EXPECT_TRUE(t.data == text) << t.data.size() << " bytes";
    EXPECT_EQ(t.chunks, (100000 + 4095) / 4096);
    EXPECT_EQ(t.result.crc, Crc(text));
    Outcome n = Extract(a.bytes, 1);
    EXPECT_EQ(n.result.status, ExtractResult::Status::Ok);
    EXPECT_TRUE(n.data == noise) << n.data.size() << " bytes";
    Outcome e = Extract(a.bytes, 2);
    EXPECT_EQ(e.result.status, ExtractResult::Status::Ok);
    EXPECT_EQ(e.chunks, 0);
}

TEST(MemberReader, CrcMismatchIsReportedAfterTheData) {
    BuiltArchive a = BuildArchive({{.name = "bad.txt", .data = "some text here"}});
    PatchU32(a.bytes, a.centralOffsets[0] + 16, 0x12345678);
    Outcome o = Extract(a.bytes);
    EXPECT_EQ(o.result.status, ExtractResult::Status::CrcMismatch);
    EXPECT_EQ(o.data, "some text here");
    EXPECT_NE(o.result.message.find("bad.txt"), std::string::npos);
}

TEST(MemberReader, DeflatedDataLongerOrShorterThanStatedIsCorrupt) {
    const std::string data(5000, 'q');
    BuiltArchive a = BuildArchive({{.name = "s", .data = data}});
    std::string shorter = a.bytes;
    PatchU32(shorter, a.centralOffsets[0] + 24, 4000);
    Outcome o = Extract(shorter);
    EXPECT_EQ(o.result.status, ExtractResult::Status::Failed);
    EXPECT_EQ(o.result.error, MemberError::Kind::Corrupt);
    EXPECT_LE(o.data.size(), 4000u); // never more than stated

    std::string longer = a.bytes;
    PatchU32(longer, a.centralOffsets[0] + 24, 6000);
    o = Extract(longer);
    EXPECT_EQ(o.result.status, ExtractResult::Status::Failed);
    EXPECT_NE(o.result.message.find("differs"), std::string::npos) << o.result.message;
}

TEST(MemberReader, DamagedOrTruncatedCompressedDataIsCorrupt) {
    const std::string data = Pseudorandom(3000) + std::string(3000, 'a');
    BuiltArchive a = BuildArchive({{.name = "d", .data = data}});
    const std::uint64_t dataAt = a.localOffsets[0] + 30 + 1;
    std::string damaged = a.bytes;
    damaged[dataAt] = static_cast<char>(0xFF); // an invalid block type
    Outcome o = Extract(damaged);
    EXPECT_EQ(o.result.status, ExtractResult::Status::Failed);
    EXPECT_EQ(o.result.error, MemberError::Kind::Corrupt);

    // A stated compressed size that stops inside the deflate stream.
    std::string cut = a.bytes;
    const std::uint32_t csize = static_cast<std::uint32_t>(Deflate(data).size());
    PatchU32(cut, a.centralOffsets[0] + 20, csize / 2);
    o = Extract(cut);
    EXPECT_EQ(o.result.status, ExtractResult::Status::Failed);
    EXPECT_NE(o.result.message.find("ends early"), std::string::npos) << o.result.message;

    // Stored data whose sizes disagree.
    BuiltArchive s = BuildArchive({{.name = "st", .data = "12345678", .method = 0}});
    PatchU32(s.bytes, s.centralOffsets[0] + 24, 9);
    o = Extract(s.bytes);
    EXPECT_EQ(o.result.error, MemberError::Kind::Corrupt);
}

TEST(MemberReader, UnsupportedMethodsAreNamedWithTheirNumber) {
    struct Case {
        std::uint16_t method;
        const char* name;
    };
    for (Case c : {Case{12, "bzip2"}, Case{6, "imploded"}, Case{14, "LZMA"}, Case{93, "Zstandard"},
                   Case{95, "XZ"}, Case{98, "PPMd"}, Case{99, "AES"}}) {
        BuiltArchive a = BuildArchive({{.name = "m.bin", .data = "abc", .method = c.method}});
        Outcome o = Extract(a.bytes);
        EXPECT_EQ(o.result.status, ExtractResult::Status::Failed);
        EXPECT_EQ(o.result.error, MemberError::Kind::Unsupported);
        EXPECT_NE(o.result.message.find(c.name), std::string::npos) << o.result.message;
        EXPECT_NE(o.result.message.find("method " + std::to_string(c.method)), std::string::npos)
            << o.result.message;
        EXPECT_NE(o.result.message.find("m.bin"), std::string::npos);
    }
}

TEST(MemberReader, EncryptedMembersOfBothMethodsDecrypt) {
    const std::string data = "confidential " + std::string(40000, 'z');
    const std::string password = "Kelvora";
    BuiltArchive a =
        BuildArchive({{.name = "d", .data = data, .password = password},
                      {.name = "s", .data = data, .method = 0, .password = password},
                      {.name = "dd", .data = data, .password = password, .descriptor = true}});
    for (std::size_t i = 0; i < 3; ++i) {
        Outcome o = Extract(a.bytes, i, &password);
        EXPECT_EQ(o.result.status, ExtractResult::Status::Ok) << i << " " << o.result.message;
        EXPECT_TRUE(o.data == data) << o.data.size() << " bytes";
        const std::string wrong = "kelvora";
        o = Extract(a.bytes, i, &wrong);
        EXPECT_NE(o.result.status, ExtractResult::Status::Ok);
    }
}

TEST(MemberReader, SinkStopsTheExtraction) {
    BuiltArchive a = BuildArchive({{.name = "big", .data = std::string(100000, 'b')}});
    Outcome o = Extract(a.bytes, 0, nullptr, 3);
    EXPECT_EQ(o.result.status, ExtractResult::Status::Cancelled);
    EXPECT_EQ(o.chunks, 3);
    EXPECT_EQ(o.data.size(), 3u * 4096u);
}

TEST(MemberReader, DecoderNeverProducesMoreThanAskedFor) {
    const std::string data = Pseudorandom(20000);
    BuiltArchive a = BuildArchive({{.name = "p", .data = data}});
    MemorySource src(a.bytes);
    ArchiveInfo info = ReadArchive(src);
    MemberDataSpan span = LocateData(src, info.members[0]);
    MemberDecoder decoder(src, info.members[0], span, {});
    std::string out;
    std::uint8_t buf[7];
    while (std::size_t n = decoder.Read(buf, sizeof buf)) {
        ASSERT_LE(n, sizeof buf);
        out.append(reinterpret_cast<char*>(buf), n);
    }
    EXPECT_TRUE(out == data) << out.size() << " bytes";
    EXPECT_EQ(decoder.Produced(), data.size());
    EXPECT_EQ(decoder.Read(buf, sizeof buf), 0u);
}
