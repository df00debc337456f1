// What the engine writes: data at every level, encryption, large files cut into pieces,
// and existing members carried over byte for byte.
#include "EngineFixture.h"

#include "dlls/common/SystemAes.h"
#include "base/zipcore/ByteIo.h"
#include "base/zipcore/MemberReader.h"
#include "base/zipcore/ZipFormat.h"

namespace zipeng_test {
namespace {

using ::testing::ElementsAre;

class AddContentTest : public EngineFixture {
protected:
    // Files of interesting sizes: empty, tiny, around one progress unit, several deflate
    // pieces (compressible and not).
    void MakeSamples() {
        samples_ = {
            {"empty.txt", ""},
            {"tiny.txt", "x"},
            {"unit.txt", TextData(32768, 1)},
            {"text.txt", TextData(300000, 2)},
            {"random.bin", RandomData(70000, 3)},
            {"large.txt", TextData(5 * 1048576 + 12345, 4)},
            {"large.bin", RandomData(2 * 1048576 + 7, 5)},
        };
        for (const auto& [name, data] : samples_)
            Make("s\\" + name, data);
    }
    std::vector<std::pair<std::string, std::string>> samples_;
};

TEST_F(AddContentTest, EveryLevelRoundTripsAndLevelZeroStores) {
    MakeSamples();
    for (int level : {0, 1, 6, 9}) {
        SCOPED_TRACE(level);
        const std::string archive = tmp_.File("level" + std::to_string(level) + ".zip");
        AddOptions o;
        o.level = level;
        o.keepPaths = false;
        ASSERT_EQ(Engine::Get().Add(archive, {"s\\*.*"}, o), static_cast<int>(samples_.size()));
        const ArchiveView view(archive);
        for (const auto& [name, data] : samples_) {
            const zipcore::Member* m = view.Find(name);
            ASSERT_NE(m, nullptr) << name;
            EXPECT_EQ(m->uncompressedSize, data.size());
            EXPECT_TRUE(view.Data(name) == data) << name;
            EXPECT_FALSE(m->HasDataDescriptor()) << name;
            if (level == 0 || data.empty()) {
                EXPECT_EQ(m->method, zipcore::kMethodStored) << name;
                EXPECT_EQ(m->compressedSize, data.size()) << name;
            }
        }
        if (level > 0) {
            EXPECT_EQ(view.Find("text.txt")->method, zipcore::kMethodDeflated);
            EXPECT_LT(view.Find("large.txt")->compressedSize, 5u * 1048576 / 3);
            // A file deflate cannot shrink is stored instead, also one cut into pieces.
            for (const char* name : {"random.bin", "large.bin"}) {
                EXPECT_EQ(view.Find(name)->method, zipcore::kMethodStored) << name;
                EXPECT_EQ(view.Find(name)->compressedSize, view.Find(name)->uncompressedSize);
            }
        }
    }
    // Higher levels compress better: the level really reaches zlib.
    EXPECT_LT(ArchiveView(tmp_.File("level9.zip")).Find("large.txt")->compressedSize,
              ArchiveView(tmp_.File("level1.zip")).Find("large.txt")->compressedSize);
}

TEST_F(AddContentTest, EncryptionUsesThePasswordForEveryFile) {
    MakeSamples();
    MakeFolder("s\\folder");
    AddOptions o;
    o.encrypt = true;
    o.password = "sesame";
    o.keepPaths = false;
    ASSERT_EQ(Engine::Get().Add(archive_, {"s\\*.*"}, o), static_cast<int>(samples_.size()));
    const ArchiveView view(archive_);
    const std::string password = "sesame";
    for (const auto& [name, data] : samples_) {
        const zipcore::Member* m = view.Find(name);
        ASSERT_NE(m, nullptr);
        EXPECT_TRUE(m->IsEncrypted()) << name;
        EXPECT_EQ(m->compressedSize >= zipcore::kEncryptionHeaderSize, true);
        EXPECT_TRUE(view.Data(name, &password) == data) << name;
        // A wrong password gets past the one check byte once in 256 (the header is random);
        // for an empty member nothing else can tell, so of four wrong ones at least one must
        // fail there, and every one must fail where there is data whose CRC tells.
        int opened = 0;
        for (const std::string wrong : {"open", "close", "seed", "wheat"}) {
            zipcore::MemorySource src(view.bytes);
            const auto r = zipcore::ExtractMember(
                src, *m, &wrong, [](const std::uint8_t*, size_t) { return true; });
            opened += r.status == zipcore::ExtractResult::Status::Ok;
        }
        if (data.empty())
            EXPECT_LT(opened, 4) << name;
        else
            EXPECT_EQ(opened, 0) << name;
    }
    // The data really is scrambled: the text does not appear in the archive.
    EXPECT_EQ(view.bytes.find(TextData(200, 4)), std::string::npos);
}

TEST_F(AddContentTest, AesProtectsEveryFileAe2OnlyWhenTooShortForItsCrc) {
    MakeSamples();
    Make("s\\nineteen.txt", std::string(19, 'n'));
    AddOptions o;
    o.encrypt = o.aes = true;
    o.password = "sesame";
    o.keepPaths = false;
    ASSERT_EQ(Engine::Get().Add(archive_, {"s\\*.*"}, o), static_cast<int>(samples_.size()) + 1);
    const ArchiveView view(archive_);
    const std::string password = "sesame", wrong = "open";
    samples_.push_back({"nineteen.txt", std::string(19, 'n')});
    for (const auto& [name, data] : samples_) {
        const zipcore::Member* m = view.Find(name);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->method, zipcore::kMethodAes) << name;
        EXPECT_TRUE(m->IsEncrypted()) << name;
        // AE-2 (no CRC) exactly for the files under 20 bytes.
        EXPECT_EQ(zipcore::HasCrc(*m), data.size() >= 20) << name;
        EXPECT_EQ(m->crc == 0, data.size() < 20) << name; // an empty file's CRC is 0 anyway
        EXPECT_TRUE(view.Data(name, &password) == data) << name;
        zipcore::MemorySource src(view.bytes);
        zipcore::DecoderScratch scratch(kaes::SystemAes());
        const auto r = zipcore::ExtractMember(
            src, *m, &wrong, [](const std::uint8_t*, size_t) { return true; }, 4096, &scratch);
        EXPECT_EQ(r.error, zipcore::MemberError::Kind::WrongPassword) << name;
    }
    EXPECT_EQ(zipcore::DataMethod(*view.Find("text.txt")), zipcore::kMethodDeflated);
    EXPECT_EQ(zipcore::DataMethod(*view.Find("large.bin")), zipcore::kMethodStored);
    EXPECT_EQ(view.bytes.find(TextData(200, 4)), std::string::npos);
}

TEST_F(AddContentTest, ExistingMembersAreCopiedByteForByteAndReplacedInPlace) {
    Make("a.txt", TextData(5000, 10));
    Make("b.txt", TextData(6000, 11));
    Make("c.txt", TextData(7000, 12));
    ASSERT_EQ(Engine::Get().Add(archive_, {"a.txt", "b.txt", "c.txt"}), 3);
    const ArchiveView before(archive_);

    Make("b.txt", "new b");
    Make("d.txt", "new d");
    ASSERT_EQ(Engine::Get().Add(archive_, {"b.txt", "d.txt"}), 2);
    const ArchiveView after(archive_);
    EXPECT_THAT(after.Names(), ElementsAre("a.txt", "b.txt", "c.txt", "d.txt"));
    EXPECT_EQ(after.Raw("a.txt"), before.Raw("a.txt"));
    EXPECT_EQ(after.Raw("c.txt"), before.Raw("c.txt"));
    EXPECT_EQ(after.Data("b.txt"), "new b");
    EXPECT_EQ(after.Data("d.txt"), "new d");
    EXPECT_EQ(after.Data("c.txt"), TextData(7000, 12));
}

TEST_F(AddContentTest, ForeignArchiveKeepsItsStubCommentDescriptorsAndOtherMembers) {
    // Built byte by byte: a stub in front, a member with a data descriptor, an encrypted-flag
    // member the engine cannot read (copied all the same), and an archive comment.
    testing_support::ZipBuilder b;
    b.Raw("MZ-stub-" + std::string(100, 's'));
    testing_support::LocalMember m1;
    m1.name = "kept.txt";
    m1.data = "kept data";
    m1.flag = zipcore::kFlagDataDescriptor;
    const std::uint32_t crc1 =
        zipcore::Crc32(0, reinterpret_cast<const std::uint8_t*>(m1.data.data()), m1.data.size());
    testing_support::LocalMember local1 = m1; // sizes and CRC only in the descriptor
    local1.crc = 0;
    local1.compressedSize = local1.uncompressedSize = 0;
    m1.crc = crc1;
    testing_support::LocalMember m2;
    m2.name = "odd.bin";
    m2.data = "not really bzip2";
    m2.method = 12;
    m2.crc = 0x12345678;
    const size_t o1 = b.Local(local1);
    b.U32(zipcore::kDataDescriptorSig).U32(crc1).U32(9).U32(9);
    const size_t o2 = b.Local(m2);
    const size_t cd = b.bytes.size();
    b.Central(m1, static_cast<std::uint32_t>(o1)).Central(m2, static_cast<std::uint32_t>(o2));
    const size_t cdSize = b.bytes.size() - cd;
    b.U32(zipcore::kEndOfCentralDirSig).U16(0).U16(0).U16(2).U16(2);
    b.U32(static_cast<std::uint32_t>(cdSize)).U32(static_cast<std::uint32_t>(cd));
    b.U16(9).Raw("a comment");
    b.WriteTo(archive_);
    const ArchiveView before(archive_);

    Make("new.txt", "fresh");
    ASSERT_EQ(Engine::Get().Add(archive_, {"new.txt"}), 1);
    const ArchiveView after(archive_);
    EXPECT_THAT(after.Names(), ElementsAre("kept.txt", "odd.bin", "new.txt"));
    EXPECT_EQ(after.bytes.substr(0, 108), before.bytes.substr(0, 108));
    EXPECT_EQ(after.info.comment, "a comment");
    EXPECT_EQ(after.Raw("kept.txt"), before.Raw("kept.txt"));
    EXPECT_EQ(after.Raw("kept.txt").size(), 30u + 8 + 9 + 16); // the descriptor came along
    EXPECT_EQ(after.Raw("odd.bin"), before.Raw("odd.bin"));
    EXPECT_EQ(after.Find("odd.bin")->method, 12);
    EXPECT_EQ(after.Data("kept.txt"), "kept data");
    EXPECT_EQ(after.Data("new.txt"), "fresh");
}

TEST_F(AddContentTest, LocalHeadersCarryTheRealSizesSoTheProgramCanWalkThem) {
    // The program lists an archive by stepping from local header to local header.
    MakeSamples();
    AddOptions o;
    o.keepPaths = false;
    o.encrypt = true;
    o.password = "pw";
    ASSERT_EQ(Engine::Get().Add(archive_, {"s\\*.*"}, o), static_cast<int>(samples_.size()));
    const ArchiveView view(archive_);
    zipcore::MemorySource src(view.bytes);
    std::uint64_t expectedOffset = 0;
    for (const zipcore::Member& m : view.info.members) {
        EXPECT_EQ(m.localHeaderOffset, expectedOffset) << m.name;
        const auto span = zipcore::LocateData(src, m);
        const auto* h =
            reinterpret_cast<const unsigned char*>(view.bytes.data() + span.headerOffset);
        EXPECT_EQ(zipcore::GetU32(h + 14), m.crc) << m.name;
        EXPECT_EQ(zipcore::GetU32(h + 18), m.compressedSize) << m.name;
        EXPECT_EQ(zipcore::GetU32(h + 22), m.uncompressedSize) << m.name;
        EXPECT_EQ(span.descriptorSize, 0u);
        expectedOffset = span.end;
    }
    EXPECT_EQ(expectedOffset, view.info.centralDirOffset);
}

} // namespace
} // namespace zipeng_test
