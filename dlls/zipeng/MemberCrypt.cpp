#include "dlls/zipeng/MemberCrypt.h"

#include "dlls/common/WinZipAes.h"
#include "base/zipcore/ByteIo.h"
#include "base/zipcore/PkCrypt.h"
#include "base/zipcore/ZipFormat.h"
#include "dlls/zipeng/EngineError.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace zipeng {

namespace {

constexpr std::size_t kBlock = 1 << 20;
constexpr int kStrength = zipcore::kAesStrength256;

[[noreturn]] void AesFailed() {
    throw EngineError(keng::kErrInternal, "the system's AES cryptography failed");
}

// Salt and password verification value for a new member; the cipher is ready for its data.
std::string StartAes(kaes::MemberCipher& cipher, const std::string& password) {
    std::string head(zipcore::AesSaltSize(kStrength) + zipcore::kAesVerifierSize, '\0');
    auto* bytes = reinterpret_cast<std::uint8_t*>(head.data());
    if (!kaes::RandomBytes(bytes, zipcore::AesSaltSize(kStrength)) ||
        !cipher.Begin(password.data(), password.size(), kStrength, bytes,
                      bytes + zipcore::AesSaltSize(kStrength)))
        AesFailed();
    return head;
}

std::string AuthCode(kaes::MemberCipher& cipher) {
    std::string code(zipcore::kAesAuthCodeSize, '\0');
    if (!cipher.AuthCode(reinterpret_cast<std::uint8_t*>(code.data()))) AesFailed();
    return code;
}

std::string TraditionalHead(zipcore::PkKeys& keys, const HeaderFields& h) {
    const zipcore::EncryptionHeader header =
        zipcore::MakeEncryptionHeader(keys, zipcore::RandomHeaderBytes(),
                                      zipcore::EncryptionCheckByte(h.flags, h.crc, h.dosTime));
    return std::string(header.begin(), header.end());
}

} // namespace

std::uint64_t EncryptionHead(Encryption e) {
    if (e == Encryption::Traditional) return zipcore::kEncryptionHeaderSize;
    if (e == Encryption::Aes256) return zipcore::AesSaltSize(kStrength) + zipcore::kAesVerifierSize;
    return 0;
}

std::uint64_t EncryptionOverhead(Encryption e) {
    return e == Encryption::Aes256 ? zipcore::AesOverhead(kStrength) : EncryptionHead(e);
}

void MarkEncrypted(HeaderFields& h, Encryption e, const std::string& extra) {
    h.extra = extra;
    if (e == Encryption::None) return;
    h.flags |= zipcore::kFlagEncrypted;
    h.versionNeeded = std::max(h.versionNeeded, kVersionDeflate);
    if (e != Encryption::Aes256) return;
    const bool ae2 = h.uncompressedSize < kAe2Below;
    zipcore::PutU16(h.extra, zipcore::kAesExtraId);
    zipcore::PutU16(h.extra, zipcore::kAesExtraSize);
    zipcore::PutU16(h.extra, ae2 ? 2 : 1);
    h.extra += "AE";
    h.extra.push_back(static_cast<char>(kStrength));
    zipcore::PutU16(h.extra, h.method);
    h.method = zipcore::kMethodAes;
    h.versionNeeded = kVersionAes;
    if (ae2) h.crc = 0;
}

std::string SealInMemory(const HeaderFields& h, Encryption e, const std::string& password,
                         std::string& data) {
    auto* bytes = reinterpret_cast<std::uint8_t*>(data.data());
    if (e == Encryption::Traditional) {
        zipcore::PkKeys keys(password);
        std::string sealed = TraditionalHead(keys, h);
        keys.Encrypt(bytes, data.size());
        return sealed + data;
    }
    kaes::MemberCipher cipher;
    std::string sealed = StartAes(cipher, password);
    if (!cipher.Encrypt(bytes, data.size())) AesFailed();
    return sealed + data + AuthCode(cipher);
}

void SealInPlace(OutputFile& out, const HeaderFields& h, Encryption e, const std::string& password,
                 std::uint64_t dataStart, std::uint64_t size) {
    zipcore::PkKeys keys(password);
    kaes::MemberCipher cipher;
    const std::string head =
        e == Encryption::Traditional ? TraditionalHead(keys, h) : StartAes(cipher, password);
    out.PatchAt(dataStart - head.size(), head.data(), head.size());
    std::vector<std::uint8_t> block(kBlock);
    for (std::uint64_t done = 0; done < size;) {
        const size_t n = static_cast<size_t>(std::min<std::uint64_t>(size - done, kBlock));
        out.ReadAt(dataStart + done, block.data(), n);
        if (e == Encryption::Traditional)
            keys.Encrypt(block.data(), n);
        else if (!cipher.Encrypt(block.data(), n))
            AesFailed();
        out.PatchAt(dataStart + done, block.data(), n);
        done += n;
    }
    if (e == Encryption::Aes256) out.Write(AuthCode(cipher));
}

std::uint64_t StoreInPlace(OutputFile& out, std::uint64_t dataStart, std::uint64_t size) {
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    struct End {
        z_stream& z;
        ~End() { inflateEnd(&z); }
    } end{z};
    std::vector<std::uint8_t> input(kBlock), output(kBlock);
    std::string ahead; // data that would overwrite stream bytes not read yet
    std::uint64_t read = 0, written = 0;
    for (int rc = Z_OK; rc != Z_STREAM_END;) {
        if (z.avail_in == 0) {
            const size_t n = static_cast<size_t>(std::min<std::uint64_t>(size - read, kBlock));
            if (n == 0) break;
            out.ReadAt(dataStart + read, input.data(), n);
            read += n;
            z.next_in = input.data();
            z.avail_in = static_cast<uInt>(n);
        }
        z.next_out = output.data();
        z.avail_out = static_cast<uInt>(output.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) break;
        ahead.append(reinterpret_cast<const char*>(output.data()), output.size() - z.avail_out);
        const size_t n = static_cast<size_t>(std::min<std::uint64_t>(ahead.size(), read - written));
        out.PatchAt(dataStart + written, ahead.data(), n);
        ahead.erase(0, n);
        written += n;
        if (rc == Z_STREAM_END) {
            out.PatchAt(dataStart + written, ahead.data(), ahead.size());
            written += ahead.size();
            out.Rewind(dataStart + written);
            return written;
        }
    }
    throw EngineError(keng::kErrInternal, "the deflated data just written does not inflate");
}

} // namespace zipeng
