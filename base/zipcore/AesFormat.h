// The WinZip AES format (AE-1 and AE-2): the 0x9901 extra field carrying the real method and
// the key strength, and the sizes around the encrypted data (salt and password verification
// value before it, authentication code after it). The cryptography itself is the system's
// (dlls/common/WinZipAes.h); this part is free of Windows and of the C++ library, so the
// self-extractor and the fuzz target share it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zipcore {

constexpr std::uint16_t kAesExtraId = 0x9901;
constexpr std::size_t kAesExtraSize = 7; // the block's data, after id and size
constexpr std::size_t kAesVerifierSize = 2;
constexpr std::size_t kAesAuthCodeSize = 10;
constexpr unsigned kAesIterations = 1000;
constexpr int kAesStrength256 = 3;

// Key strength 1, 2, 3: AES-128, -192, -256; 0 for any other value.
constexpr std::size_t AesKeySize(int strength) {
    return strength >= 1 && strength <= 3 ? 8 + 8 * static_cast<std::size_t>(strength) : 0;
}
constexpr std::size_t AesSaltSize(int strength) {
    return AesKeySize(strength) / 2;
}
// Salt, verification value and authentication code around the encrypted data.
constexpr std::size_t AesOverhead(int strength) {
    return AesSaltSize(strength) + kAesVerifierSize + kAesAuthCodeSize;
}

struct AesField {
    std::uint16_t version = 0; // 1: AE-1 (CRC kept), 2: AE-2 (CRC 0, not checked)
    int strength = 0;
    std::uint16_t method = 0; // the method of the data under the encryption
};

// Reads the data of a 0x9901 block; false when it is not a WinZip AES field we know.
inline bool ParseAesField(const unsigned char* data, std::size_t size, AesField* out) {
    if (size < kAesExtraSize || data[2] != 'A' || data[3] != 'E') return false;
    out->version = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    out->strength = data[4];
    out->method = static_cast<std::uint16_t>(data[5] | data[6] << 8);
    return (out->version == 1 || out->version == 2) && AesKeySize(out->strength) != 0;
}

// Finds the 0x9901 block in an extra field and reads it.
inline bool FindAesField(const unsigned char* extra, std::size_t size, AesField* out) {
    for (std::size_t at = 0; at + 4 <= size;) {
        const unsigned id = extra[at] | extra[at + 1] << 8;
        const std::size_t length = extra[at + 2] | extra[at + 3] << 8;
        if (at + 4 + length > size) return false;
        if (id == kAesExtraId) return ParseAesField(extra + at + 4, length, out);
        at += 4 + length;
    }
    return false;
}

} // namespace zipcore
