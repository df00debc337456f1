#include "tests/dlls/zipcore/ArchiveBytes.h"

#include "dlls/common/WinZipAes.h"
#include "base/zipcore/ByteIo.h"
#include "base/zipcore/PkCrypt.h"
#include "base/zipcore/ZipFormat.h"

#include <zlib.h>

#include <stdexcept>

namespace zipcore_test {

using zipcore::PutU16;
using zipcore::PutU32;
using zipcore::PutU64;

std::string Deflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = data.size();
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = out.size();
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Pseudorandom(std::size_t n) {
    std::string s(n, '\0');
    std::uint32_t x = 12345;
    for (auto& c : s) {
        x = x * 1103515245 + 12345;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

std::uint32_t Crc(const std::string& data) {
    return crc32(0, reinterpret_cast<const Bytef*>(data.data()), data.size());
}

void PatchU16(std::string& bytes, std::uint64_t at, std::uint16_t v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>(v >> 8);
}

void PatchU32(std::string& bytes, std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string FromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

namespace {

struct Prepared {
    std::string payload; // as stored: encryption header + compressed data
    std::uint32_t crc;
    std::uint16_t flags;
    std::uint16_t method;
    std::string aesExtra; // the 0x9901 block of an AES member, in both headers
};

// WinZip AES with the system's cryptography: salt, verifier, encrypted data, code.
void EncryptAes(const TestMember& m, Prepared& p) {
    const int strength = m.aesStrength;
    std::string salt(zipcore::AesSaltSize(strength), '\0');
    for (std::size_t i = 0; i < salt.size(); ++i)
        salt[i] = static_cast<char>(i * 29 + m.name.size());
    kaes::MemberCipher cipher;
    std::uint8_t verifier[2], code[10];
    std::string body = p.payload;
    if (!cipher.Begin(m.password.data(), m.password.size(), strength,
                      reinterpret_cast<const std::uint8_t*>(salt.data()), verifier) ||
        !cipher.Encrypt(reinterpret_cast<std::uint8_t*>(body.data()), body.size()) ||
        !cipher.AuthCode(code))
        throw std::runtime_error("CNG refused WinZip AES");
    p.payload = salt + std::string(verifier, verifier + 2) + body + std::string(code, code + 10);
    PutU16(p.aesExtra, zipcore::kAesExtraId);
    PutU16(p.aesExtra, 7);
    PutU16(p.aesExtra, m.aesVersion);
    p.aesExtra += "AE";
    p.aesExtra.push_back(static_cast<char>(strength));
    PutU16(p.aesExtra, m.method);
    p.method = zipcore::kMethodAes;
    if (m.aesVersion == 2) p.crc = 0;
}

Prepared Prepare(const TestMember& m) {
    Prepared p;
    p.crc = Crc(m.data);
    p.flags = static_cast<std::uint16_t>((m.descriptor ? 0x08 : 0) | (m.password.empty() ? 0 : 1));
    p.payload = m.method == 8 ? Deflate(m.data) : m.data;
    p.method = m.method;
    if (m.aesStrength) {
        EncryptAes(m, p);
    } else if (!m.password.empty()) {
        zipcore::PkKeys keys(m.password);
        std::array<std::uint8_t, 11> random{};
        for (std::size_t i = 0; i < random.size(); ++i)
            random[i] = static_cast<std::uint8_t>(i * 37 + 5);
        auto header = zipcore::MakeEncryptionHeader(
            keys, random, zipcore::EncryptionCheckByte(p.flags, p.crc, m.dosTime));
        std::string body = p.payload;
        keys.Encrypt(reinterpret_cast<std::uint8_t*>(body.data()), body.size());
        p.payload = std::string(header.begin(), header.end()) + body;
    }
    return p;
}

} // namespace

BuiltArchive BuildArchive(const std::vector<TestMember>& members, const ArchiveOptions& options) {
    BuiltArchive a;
    std::string& out = a.bytes;
    out = options.prefix;
    const std::uint64_t base = options.offsetsCountPrefix ? 0 : options.prefix.size();

    std::vector<Prepared> prepared;
    for (const TestMember& m : members) {
        Prepared p = Prepare(m);
        a.localOffsets.push_back(out.size());
        const bool sizesLater = m.descriptor;
        PutU32(out, 0x04034B50);
        PutU16(out, m.zip64 ? 45 : 20);
        PutU16(out, p.flags);
        PutU16(out, p.method);
        PutU32(out, m.dosTime);
        PutU32(out, sizesLater ? 0 : p.crc);
        std::string extra = p.aesExtra + m.localExtra;
        if (m.zip64) {
            PutU32(out, 0xFFFFFFFF);
            PutU32(out, 0xFFFFFFFF);
            std::string z64;
            PutU16(z64, 1);
            PutU16(z64, 16);
            PutU64(z64, sizesLater ? 0 : m.data.size());
            PutU64(z64, sizesLater ? 0 : p.payload.size());
            extra = z64 + extra;
        } else {
            PutU32(out, sizesLater ? 0 : static_cast<std::uint32_t>(p.payload.size()));
            PutU32(out, sizesLater ? 0 : static_cast<std::uint32_t>(m.data.size()));
        }
        PutU16(out, m.name.size());
        PutU16(out, extra.size());
        out += m.name + extra + p.payload;
        if (m.descriptor) {
            if (m.descriptorSignature) PutU32(out, 0x08074B50);
            PutU32(out, p.crc);
            if (m.zip64) {
                PutU64(out, p.payload.size());
                PutU64(out, m.data.size());
            } else {
                PutU32(out, p.payload.size());
                PutU32(out, m.data.size());
            }
        }
        prepared.push_back(std::move(p));
    }

    a.centralDirOffset = out.size();
    for (std::size_t i = 0; i < members.size(); ++i) {
        const TestMember& m = members[i];
        const Prepared& p = prepared[i];
        a.centralOffsets.push_back(out.size());
        PutU32(out, 0x02014B50);
        PutU16(out, m.versionMadeBy);
        PutU16(out, m.zip64 ? 45 : 20);
        PutU16(out, p.flags);
        PutU16(out, p.method);
        PutU32(out, m.dosTime);
        PutU32(out, p.crc);
        std::string extra;
        const std::uint64_t offset = a.localOffsets[i] - base;
        if (m.zip64) {
            PutU32(out, 0xFFFFFFFF);
            PutU32(out, 0xFFFFFFFF);
            PutU16(extra, 1);
            PutU16(extra, 24);
            PutU64(extra, m.data.size());
            PutU64(extra, p.payload.size());
            PutU64(extra, offset);
        } else {
            PutU32(out, p.payload.size());
            PutU32(out, m.data.size());
        }
        extra += p.aesExtra + m.centralExtra;
        PutU16(out, m.name.size());
        PutU16(out, extra.size());
        PutU16(out, m.comment.size());
        PutU16(out, 0);
        PutU16(out, 0);
        PutU32(out, m.externalAttributes);
        PutU32(out, m.zip64 ? 0xFFFFFFFF : static_cast<std::uint32_t>(offset));
        out += m.name + extra + m.comment;
    }
    const std::uint64_t cdSize = out.size() - a.centralDirOffset;
    const std::uint64_t cdOffset = a.centralDirOffset - base;

    if (options.zip64End) {
        const std::uint64_t record = out.size();
        PutU32(out, 0x06064B50);
        PutU64(out, 44);
        PutU16(out, 45);
        PutU16(out, 45);
        PutU32(out, 0);
        PutU32(out, 0);
        PutU64(out, members.size());
        PutU64(out, members.size());
        PutU64(out, cdSize);
        PutU64(out, cdOffset);
        PutU32(out, 0x07064B50);
        PutU32(out, 0);
        PutU64(out, record - base);
        PutU32(out, 1);
    }
    a.endRecordOffset = out.size();
    PutU32(out, 0x06054B50);
    PutU16(out, 0);
    PutU16(out, 0);
    const std::uint16_t count =
        options.zip64End ? 0xFFFF : static_cast<std::uint16_t>(members.size());
    PutU16(out, count);
    PutU16(out, count);
    PutU32(out, options.zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(cdSize));
    PutU32(out, options.zip64End ? 0xFFFFFFFF : static_cast<std::uint32_t>(cdOffset));
    PutU16(out, options.comment.size());
    out += options.comment + options.junk;
    return a;
}

std::string Text(std::size_t n, char seed) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>(seed + (i * 7 + i / 13) % 26);
    return s;
}

} // namespace zipcore_test
