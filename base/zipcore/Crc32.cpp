// CRC-32 of the zip format (zlib's crc32), with long runs folded by carry-less
// multiplication where the processor has it.
//
// Folding follows Intel's description of CRC computation with PCLMULQDQ: four 128-bit
// lanes run over the data, each step multiplying a lane by x^(512) (split into two 64-bit
// halves, bit-reflected like the CRC itself) and adding the next 64 bytes; the lanes are then
// folded into one and that one over each remaining 16 bytes. What is left, 16 bytes that
// leave the same remainder as all that came before, and the last few bytes, go through
// zlib's table. Testing an archive spent about a tenth of its time in the table alone.
#include "base/zipcore/MemberReader.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <immintrin.h>
#define ZIPCORE_CLMUL 1
#endif

namespace zipcore {

namespace {

std::uint32_t TableCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX));
        crc = static_cast<std::uint32_t>(crc32(crc, data, piece));
        data += piece;
        n -= piece;
    }
    return crc;
}

#ifdef ZIPCORE_CLMUL

bool HasClmul() {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (d & bit_SSE2);
}

#define ZIPCORE_SIMD __attribute__((target("pclmul,sse2")))
#define ZIPCORE_SIMD_INLINE inline __attribute__((always_inline, target("pclmul,sse2")))

ZIPCORE_SIMD_INLINE __m128i Load(const std::uint8_t* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

ZIPCORE_SIMD_INLINE __m128i Fold(__m128i lane, __m128i k, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(lane, k, 0x00);
    const __m128i high = _mm_clmulepi64_si128(lane, k, 0x11);
    return _mm_xor_si128(_mm_xor_si128(low, high), next);
}

// n >= 64.
ZIPCORE_SIMD std::uint32_t FoldedCrc(std::uint32_t crc, const std::uint8_t* p, std::size_t n) {
    // The register holds the CRC without its final inversion; it enters with the first bytes.
    __m128i x0 = _mm_xor_si128(Load(p), _mm_cvtsi32_si128(static_cast<int>(~crc)));
    __m128i x1 = Load(p + 16), x2 = Load(p + 32), x3 = Load(p + 48);
    p += 64;
    n -= 64;
    // x^(512 + 32) and x^(512 - 32) modulo the polynomial, reflected: four lanes ahead.
    const __m128i by4 = _mm_set_epi64x(0x1c6e41596LL, 0x154442bd4LL);
    for (; n >= 64; p += 64, n -= 64) {
        x0 = Fold(x0, by4, Load(p));
        x1 = Fold(x1, by4, Load(p + 16));
        x2 = Fold(x2, by4, Load(p + 32));
        x3 = Fold(x3, by4, Load(p + 48));
    }
    // The same for one lane ahead: x^(128 + 32) and x^(128 - 32).
    const __m128i by1 = _mm_set_epi64x(0x0ccaa009eLL, 0x1751997d0LL);
    __m128i x = Fold(x0, by1, x1);
    x = Fold(x, by1, x2);
    x = Fold(x, by1, x3);
    for (; n >= 16; p += 16, n -= 16)
        x = Fold(x, by1, Load(p));
    alignas(16) std::uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
    // rest now stands for everything before it, with the CRC register starting at zero.
    const std::uint32_t folded = TableCrc(0xFFFFFFFFu, rest, sizeof rest) ^ 0xFFFFFFFFu;
    return TableCrc(folded ^ 0xFFFFFFFFu, p, n);
}

#endif

} // namespace

std::uint32_t Crc32(std::uint32_t crc, const std::uint8_t* data, std::size_t n) {
#ifdef ZIPCORE_CLMUL
    static const bool clmul = HasClmul();
    if (clmul && n >= 256) return FoldedCrc(crc, data, n);
#endif
    return TableCrc(crc, data, n);
}

} // namespace zipcore
