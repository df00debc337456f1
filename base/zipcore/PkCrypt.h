// Traditional PKWARE encryption (APPNOTE "Traditional PKWARE Encryption"): three 32-bit keys
// seeded from the password, a 12-byte encryption header before the member's data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipcore {

constexpr std::size_t kEncryptionHeaderSize = 12;
using EncryptionHeader = std::array<std::uint8_t, kEncryptionHeaderSize>;

class PkKeys {
public:
    explicit PkKeys(std::string_view password);

    std::uint8_t DecryptByte(std::uint8_t c) {
        const std::uint8_t p = static_cast<std::uint8_t>(c ^ StreamByte());
        Update(p);
        return p;
    }
    std::uint8_t EncryptByte(std::uint8_t p) {
        const std::uint8_t c = static_cast<std::uint8_t>(p ^ StreamByte());
        Update(p);
        return c;
    }
    void Decrypt(std::uint8_t* data, std::size_t n);
    void Encrypt(std::uint8_t* data, std::size_t n);

private:
    std::uint8_t StreamByte() const {
        // Unsigned 32-bit arithmetic: the 16-bit product must not overflow a signed int.
        const std::uint32_t t = (key2_ | 2) & 0xFFFF;
        return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
    }
    void Update(std::uint8_t p);

    std::uint32_t key0_ = 0x12345678;
    std::uint32_t key1_ = 0x23456789;
    std::uint32_t key2_ = 0x34567890;
};

// The byte the last header byte must decrypt to: the high byte of the CRC, or, when the member
// uses a data descriptor (flag bit 3, CRC not known before the data), the high byte of the DOS
// time (bits 8..15 of the combined DOS date-time value).
std::uint8_t EncryptionCheckByte(std::uint16_t flags, std::uint32_t crc, std::uint32_t dosTime);

// Builds the encrypted header from 11 random bytes and the check byte; advances the keys, which
// then encrypt the member's data.
EncryptionHeader MakeEncryptionHeader(PkKeys& keys, const std::array<std::uint8_t, 11>& randomBytes,
                                      std::uint8_t checkByte);

// Decrypts the header with the keys (advancing them) and compares its last byte with the check
// byte: false means the password is wrong (a match still passes a wrong one 1 time in 256,
// which the CRC then catches).
bool CheckEncryptionHeader(PkKeys& keys, const std::uint8_t* header, std::uint8_t checkByte);

// Eleven bytes from the system's random source for MakeEncryptionHeader.
std::array<std::uint8_t, 11> RandomHeaderBytes();

} // namespace zipcore
