// WinZip AES members decoded with the system's cryptography (CNG under Wine). Interop with
// 7-Zip's archives is in tests/dlls/unzeng/interop.sh; here every strength, version and
// method, and each way a member can fail.
#include "dlls/common/SystemAes.h"
#include "base/zipcore/MemberReader.h"
#include "base/zipcore/ZipFormat.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <gtest/gtest.h>

using namespace zipcore;
using namespace zipcore_test;

namespace {

const std::string kPassword = "correct horse";

ExtractResult ExtractAesForms(const std::string& bytes, Passwords forms,
                              std::string* data = nullptr, bool systemAes = true) {
    MemorySource src(bytes);
    const ArchiveInfo info = ReadArchive(src);
    DecoderScratch scratch(systemAes ? kaes::SystemAes() : nullptr);
    std::string out;
    ExtractResult r = ExtractMember(
        src, info.members.at(0), forms,
        [&](const std::uint8_t* d, std::size_t n) {
            out.append(reinterpret_cast<const char*>(d), n);
            return true;
        },
        4096, &scratch);
    if (data) *data = out;
    return r;
}

ExtractResult ExtractAes(const std::string& bytes, const std::string& password,
                         std::string* data = nullptr, bool systemAes = true) {
    return ExtractAesForms(bytes, OneForm(&password), data, systemAes);
}

TestMember Aes(int strength, std::uint16_t version, std::uint16_t method, std::string data) {
    return {.name = "secret.txt",
            .data = std::move(data),
            .method = method,
            .password = kPassword,
            .aesStrength = strength,
            .aesVersion = version};
}

} // namespace

TEST(AesMembers, EveryStrengthVersionAndMethodDecodes) {
    ASSERT_TRUE(kaes::Available());
    const std::string data = Pseudorandom(30000) + std::string(50000, 'r');
    for (int strength : {1, 2, 3})
        for (std::uint16_t version : {1, 2})
            for (std::uint16_t method : {kMethodStored, kMethodDeflated}) {
                const BuiltArchive a = BuildArchive({Aes(strength, version, method, data)});
                std::string out;
                const ExtractResult r = ExtractAes(a.bytes, kPassword, &out);
                EXPECT_EQ(r.status, ExtractResult::Status::Ok)
                    << strength << "/" << version << "/" << method << ": " << r.message;
                EXPECT_TRUE(out == data) << strength << "/" << version << "/" << method;
            }
}

TEST(AesMembers, WrongPasswordDamageAndShortDataNameTheMember) {
    const BuiltArchive good = BuildArchive({Aes(3, 2, kMethodDeflated, Pseudorandom(20000))});
    std::string tampered = good.bytes;
    tampered[good.localOffsets[0] + 30 + 10 + 11 + 18 + 5000] ^= 1;
    std::string shortened = good.bytes;
    PatchU32(shortened, good.localOffsets[0] + 18, 20);
    PatchU32(shortened, good.centralDirOffset + 20, 20);
    struct Case {
        const char* what;
        const std::string& bytes;
        std::string password;
        MemberError::Kind kind;
        const char* text;
    };
    for (const Case& c :
         {Case{"wrong password", good.bytes, "Correct horse", MemberError::Kind::WrongPassword,
               "wrong password for \"secret.txt\""},
          Case{"tampered", tampered, kPassword, MemberError::Kind::Corrupt,
               "\"secret.txt\": the authentication code does not match"},
          Case{"shortened", shortened, kPassword, MemberError::Kind::Corrupt,
               "\"secret.txt\": too short for its AES encryption"}}) {
        const ExtractResult r = ExtractAes(c.bytes, c.password);
        EXPECT_EQ(r.status, ExtractResult::Status::Failed) << c.what;
        EXPECT_EQ(r.error, c.kind) << c.what;
        EXPECT_NE(r.message.find(c.text), std::string::npos) << c.what << ": " << r.message;
    }
}

TEST(AesMembers, AnAe1CrcIsStillChecked) {
    BuiltArchive a = BuildArchive({Aes(1, 1, kMethodStored, "checked by its CRC")});
    PatchU32(a.bytes, a.centralDirOffset + 16, 0x12345678);
    EXPECT_EQ(ExtractAes(a.bytes, kPassword).status, ExtractResult::Status::CrcMismatch);
}

TEST(AesMembers, WithoutTheSystemsAesOrWithAnUnknownMethodTheMemberIsUnsupported) {
    const BuiltArchive plain = BuildArchive({Aes(3, 2, kMethodStored, "text")});
    const ExtractResult none = ExtractAes(plain.bytes, kPassword, nullptr, false);
    EXPECT_EQ(none.error, MemberError::Kind::Unsupported);
    EXPECT_NE(none.message.find("offers no AES"), std::string::npos) << none.message;

    const BuiltArchive bzip2 = BuildArchive({Aes(3, 2, 12, "labelled bzip2")});
    const ExtractResult r = ExtractAes(bzip2.bytes, kPassword);
    EXPECT_EQ(r.error, MemberError::Kind::Unsupported);
    EXPECT_NE(r.message.find("unsupported method: bzip2 (method 12)"), std::string::npos)
        << r.message;
}

// A wrong form of the password that passes the two-byte verification value (one in 65,536 does)
// and comes before the right form must not hide it: the form whose authentication code matches
// is used.
TEST(AesMembers, AWrongFormThatPassesTheVerifierDoesNotHideTheRightOne) {
    // Found by a search over "form N": under this member's salt (AES-128, named "secret.txt")
    // its verification value is the same as the real password's.
    const std::string impostor = "form 72";
    const std::string data = Text(20000, 'a');
    const BuiltArchive a = BuildArchive({Aes(1, 2, kMethodDeflated, data)});
    // Alone, the impostor gets past the verifier and fails only at the end, as damage would.
    const ExtractResult alone = ExtractAes(a.bytes, impostor);
    ASSERT_EQ(alone.error, MemberError::Kind::Corrupt) << alone.message;

    const std::vector<std::string> forms = {impostor, "correct horse\xC2\xA0", kPassword};
    std::string out;
    const ExtractResult r = ExtractAesForms(a.bytes, forms, &out);
    EXPECT_EQ(r.status, ExtractResult::Status::Ok) << r.message;
    EXPECT_TRUE(out == data);
    // The right form first still wins at once; without it, the result is a failure.
    EXPECT_EQ(ExtractAesForms(a.bytes, std::vector<std::string>{kPassword, impostor}).status,
              ExtractResult::Status::Ok);
    EXPECT_EQ(ExtractAesForms(a.bytes, std::vector<std::string>{impostor, "other"}).error,
              MemberError::Kind::Corrupt);
}

namespace {

// The system's cipher, counting its key derivations.
class CountingAes : public AesCipher {
public:
    explicit CountingAes(int* derivations) : inner_(kaes::SystemAes()), count_(derivations) {}
    bool Begin(const char* password, std::size_t length, int strength, const std::uint8_t* salt,
               std::uint8_t verifier[kAesVerifierSize]) override {
        ++*count_;
        return inner_->Begin(password, length, strength, salt, verifier);
    }
    bool Decrypt(std::uint8_t* data, std::size_t n) override { return inner_->Decrypt(data, n); }
    bool AuthCode(std::uint8_t out[kAesAuthCodeSize]) override { return inner_->AuthCode(out); }

private:
    std::unique_ptr<AesCipher> inner_;
    int* count_;
};

} // namespace

// An old tool's password form is found once; the archive's next members try it first and alone.
// A later archive in the typed form is still opened with the same scratch.
TEST(AesMembers, TheFormThatWorkedIsTriedFirstForTheNextMember) {
    const std::vector<std::string> forms = {"M\xC3\xBCller", "M\xFCller", "M\x81ller"};
    const auto member = [](const char* name, const std::string& password) {
        return TestMember{.name = name,
                          .data = Text(3000, name[0]),
                          .method = kMethodDeflated,
                          .password = password,
                          .aesStrength = 3,
                          .aesVersion = 2};
    };
    const BuiltArchive ansi = BuildArchive({member("a.txt", forms[1]), member("bb.txt", forms[1])});
    const BuiltArchive typed = BuildArchive({member("ccc.txt", forms[0])});
    int derivations = 0;
    DecoderScratch scratch(std::make_unique<CountingAes>(&derivations));
    const auto extract = [&](const BuiltArchive& archive, std::size_t index) {
        MemorySource src(archive.bytes);
        const ArchiveInfo info = ReadArchive(src);
        return ExtractMember(
            src, info.members.at(index), Passwords(forms),
            [](const std::uint8_t*, std::size_t) { return true; }, 4096, &scratch);
    };
    const struct {
        const char* what;
        const BuiltArchive& archive;
        std::size_t index;
        int mostDerivations;
    } steps[] = {{"first member, every form tried", ansi, 0, 4},
                 {"second member, the form that worked", ansi, 1, 1},
                 {"another archive, typed form", typed, 0, 5}};
    for (const auto& step : steps) {
        derivations = 0;
        const ExtractResult r = extract(step.archive, step.index);
        EXPECT_EQ(r.status, ExtractResult::Status::Ok) << step.what << ": " << r.message;
        EXPECT_LE(derivations, step.mostDerivations) << step.what;
    }
}
