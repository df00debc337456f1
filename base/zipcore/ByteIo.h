// Little-endian field access for the zip headers, on byte buffers of known length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zipcore {

inline std::uint16_t GetU16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t GetU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint64_t GetU64(const unsigned char* p) {
    return static_cast<std::uint64_t>(GetU32(p)) |
           (static_cast<std::uint64_t>(GetU32(p + 4)) << 32);
}

// Appending writers for building headers into a std::string.
inline void PutU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>(v >> 8));
}
inline void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutU64(std::string& out, std::uint64_t v) {
    PutU32(out, static_cast<std::uint32_t>(v));
    PutU32(out, static_cast<std::uint32_t>(v >> 32));
}

} // namespace zipcore
