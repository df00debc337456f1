#include "base/zipcore/PkCrypt.h"

#include "base/zipcore/CentralDirectory.h"
#include "base/zipcore/MemberReader.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <gtest/gtest.h>

using namespace zipcore;
using zipcore_test::FromHex;

namespace {

// Made by Info-ZIP `zip -P secret` (stored, data descriptor) and `zip -P pw` (deflated).
const char* kZipStoredEncrypted =
    "504b03040a0009000000f0a8875d9b69a7af24000000180000000900000068656c6c6f2e747874ed1b6ed17eb2"
    "1d904da2e6297770e34ab111f89be31a806986bcd0f8821a9a33dacba92a504b07089b69a7af24000000180000"
    "00504b01021e030a0009000000f0a8875d9b69a7af2400000018000000090000000000000001000000a4810000"
    "000068656c6c6f2e747874504b05060000000001000100370000005b0000000000";
const char* kZipDeflatedEncrypted =
    "504b0304140009000800f1a8875de796297815000000b5000000070000007265702e747874367b154b016ac964"
    "ddf9546c6e4b68d967f9d2e815504b0708e796297815000000b5000000504b01021e03140009000800f1a8875d"
    "e796297815000000b5000000070000000000000001000000a481000000007265702e747874504b050600000000"
    "01000100350000004a0000000000";

std::string ExtractAll(const std::string& archive, const std::string* password,
                       ExtractResult* result = nullptr) {
    MemorySource src(archive);
    ArchiveInfo info = ReadArchive(src);
    EXPECT_EQ(info.members.size(), 1u);
    std::string out;
    ExtractResult r =
        ExtractMember(src, info.members[0], password, [&](const std::uint8_t* d, std::size_t n) {
            out.append(reinterpret_cast<const char*>(d), n);
            return true;
        });
    if (result) *result = r;
    return out;
}

} // namespace

TEST(PkCrypt, EncryptThenDecryptRestoresTheData) {
    std::string data = "The quick brown fox jumps over the lazy dog";
    std::string work = data;
    PkKeys enc("password");
    enc.Encrypt(reinterpret_cast<std::uint8_t*>(work.data()), work.size());
    EXPECT_NE(work, data);
    PkKeys dec("password");
    dec.Decrypt(reinterpret_cast<std::uint8_t*>(work.data()), work.size());
    EXPECT_EQ(work, data);

    std::string other = data;
    PkKeys enc2("Password");
    enc2.Encrypt(reinterpret_cast<std::uint8_t*>(other.data()), other.size());
    PkKeys wrong("password");
    wrong.Decrypt(reinterpret_cast<std::uint8_t*>(other.data()), other.size());
    EXPECT_NE(other, data);
}

TEST(PkCrypt, HeaderCheckAcceptsTheRightPasswordAndRefusesOthers) {
    const std::array<std::uint8_t, 11> random = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    PkKeys writer("pw");
    EncryptionHeader header = MakeEncryptionHeader(writer, random, 0xA7);
    PkKeys right("pw");
    EXPECT_TRUE(CheckEncryptionHeader(right, header.data(), 0xA7));
    int accepted = 0;
    for (int i = 0; i < 200; ++i) {
        PkKeys wrong("guess" + std::to_string(i));
        accepted += CheckEncryptionHeader(wrong, header.data(), 0xA7) ? 1 : 0;
    }
    EXPECT_LT(accepted, 10); // about 1 in 256 passes the one-byte check by chance
}

TEST(PkCrypt, CheckByteComesFromTheTimeWithADataDescriptor) {
    EXPECT_EQ(EncryptionCheckByte(0x0001, 0xAABBCCDD, 0x12345678), 0xAA);
    EXPECT_EQ(EncryptionCheckByte(0x0009, 0xAABBCCDD, 0x12345678), 0x56);
}

TEST(PkCrypt, DecryptsArchivesMadeByInfoZip) {
    const std::string password = "secret";
    ExtractResult r;
    EXPECT_EQ(ExtractAll(FromHex(kZipStoredEncrypted), &password, &r), "Hello, encrypted world!\n");
    EXPECT_EQ(r.status, ExtractResult::Status::Ok) << r.message;

    const std::string pw = "pw";
    std::string expected;
    for (int i = 0; i < 20; ++i)
        expected += "abcabcabc";
    expected += "\n";
    EXPECT_EQ(ExtractAll(FromHex(kZipDeflatedEncrypted), &pw, &r), expected);
    EXPECT_EQ(r.status, ExtractResult::Status::Ok) << r.message;
}

TEST(PkCrypt, WrongOrMissingPasswordIsReported) {
    const std::string archive = FromHex(kZipStoredEncrypted);
    const std::string wrong = "Secret";
    ExtractResult r;
    ExtractAll(archive, &wrong, &r);
    ASSERT_EQ(r.status, ExtractResult::Status::Failed);
    EXPECT_EQ(r.error, MemberError::Kind::WrongPassword);
    ExtractAll(archive, nullptr, &r);
    ASSERT_EQ(r.status, ExtractResult::Status::Failed);
    EXPECT_EQ(r.error, MemberError::Kind::NeedPassword);
}

// A wrong form of the password that passes the header's check byte (one in 256 does) and comes
// before the right form must not hide it: the form whose data checks out is used.
TEST(PkCrypt, AWrongFormThatPassesTheCheckByteDoesNotHideTheRightOne) {
    const std::string right = "M\xFCller"; // as an old Windows tool encrypted it
    const struct {
        const char* what;
        std::uint16_t method;
        bool descriptor;
    } cases[] = {{"stored", 0, false}, {"deflated", 8, false}, {"deflated, descriptor", 8, true}};
    for (const auto& c : cases) {
        zipcore_test::TestMember m;
        m.name = "numbers.txt";
        m.data = zipcore_test::Text(20000, 'n');
        m.method = c.method;
        m.password = right;
        m.descriptor = c.descriptor;
        const std::string archive = zipcore_test::BuildArchive({m}).bytes;
        MemorySource src(archive);
        const ArchiveInfo info = ReadArchive(src);
        ASSERT_EQ(info.members.size(), 1u) << c.what;
        const Member& member = info.members[0];
        const MemberDataSpan span = LocateData(src, member);
        const std::string header = archive.substr(span.dataOffset, kEncryptionHeaderSize);
        const std::uint8_t check = EncryptionCheckByte(member.flags, member.crc, member.dosTime);
        std::string impostor;
        for (int i = 0; impostor.empty(); ++i) {
            PkKeys keys("form " + std::to_string(i));
            if (CheckEncryptionHeader(keys, reinterpret_cast<const std::uint8_t*>(header.data()),
                                      check))
                impostor = "form " + std::to_string(i);
        }
        const auto extract = [&](std::vector<std::string> forms) {
            std::string out;
            ExtractResult r = ExtractMember(src, member, Passwords(forms),
                                            [&](const std::uint8_t* d, std::size_t n) {
                                                out.append(reinterpret_cast<const char*>(d), n);
                                                return true;
                                            });
            return std::make_pair(r.status, out);
        };
        const auto [status, out] = extract({impostor, "M\xC3\xBCller", right});
        EXPECT_EQ(status, ExtractResult::Status::Ok) << c.what;
        EXPECT_TRUE(out == m.data) << c.what;
        // Without the right form the impostor is all there is: a failure, never success.
        EXPECT_NE(extract({impostor, "M\xC3\xBCller"}).first, ExtractResult::Status::Ok) << c.what;
    }
}
