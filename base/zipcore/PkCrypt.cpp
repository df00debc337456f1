#include "base/zipcore/PkCrypt.h"

#include <zlib.h>

#include <random>

namespace zipcore {

namespace {

const z_crc_t* CrcTable() {
    static const z_crc_t* table = get_crc_table();
    return table;
}

std::uint32_t Crc32Byte(std::uint32_t crc, std::uint8_t b) {
    return CrcTable()[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

} // namespace

PkKeys::PkKeys(std::string_view password) {
    for (char c : password)
        Update(static_cast<std::uint8_t>(c));
}

void PkKeys::Update(std::uint8_t p) {
    key0_ = Crc32Byte(key0_, p);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = Crc32Byte(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

void PkKeys::Decrypt(std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        data[i] = DecryptByte(data[i]);
}

void PkKeys::Encrypt(std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        data[i] = EncryptByte(data[i]);
}

std::uint8_t EncryptionCheckByte(std::uint16_t flags, std::uint32_t crc, std::uint32_t dosTime) {
    if (flags & 0x0008) return static_cast<std::uint8_t>((dosTime >> 8) & 0xFF);
    return static_cast<std::uint8_t>(crc >> 24);
}

EncryptionHeader MakeEncryptionHeader(PkKeys& keys, const std::array<std::uint8_t, 11>& randomBytes,
                                      std::uint8_t checkByte) {
    EncryptionHeader header{};
    for (std::size_t i = 0; i < randomBytes.size(); ++i)
        header[i] = randomBytes[i];
    header[11] = checkByte;
    keys.Encrypt(header.data(), header.size());
    return header;
}

bool CheckEncryptionHeader(PkKeys& keys, const std::uint8_t* header, std::uint8_t checkByte) {
    EncryptionHeader plain{};
    for (std::size_t i = 0; i < plain.size(); ++i)
        plain[i] = keys.DecryptByte(header[i]);
    return plain[11] == checkByte;
}

std::array<std::uint8_t, 11> RandomHeaderBytes() {
    std::random_device device;
    std::array<std::uint8_t, 11> bytes{};
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(device() & 0xFF);
    return bytes;
}

} // namespace zipcore
