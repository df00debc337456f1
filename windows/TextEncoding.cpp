#include "windows/TextEncoding.h"

#include <cstdint>

namespace textview {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEBom = "\xFF\xFE";
constexpr std::string_view kUtf16BEBom = "\xFE\xFF";

// Decodes one UTF-8 sequence at pos; returns its length, or 0 when it is malformed.
size_t DecodeOne(std::string_view s, size_t pos, char32_t& out) {
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[pos + i]); };
    const unsigned char lead = b(0);
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    size_t length;
    char32_t min;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, out = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, out = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, out = lead & 0x07;
    } else {
        return 0;
    }
    if (pos + length > s.size()) return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        out = (out << 6) | (b(i) & 0x3F);
    }
    if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF)) return 0;
    return length;
}

void AppendUtf16(std::wstring& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<wchar_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    }
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

bool IsValidUtf8(std::string_view bytes) {
    char32_t c;
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t n = DecodeOne(bytes, pos, c);
        if (n == 0) return false;
        pos += n;
    }
    return true;
}

Encoding DetectEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom)) return Encoding::Utf8Bom;
    if (bytes.starts_with(kUtf16LEBom)) return Encoding::Utf16LE;
    if (bytes.starts_with(kUtf16BEBom)) return Encoding::Utf16BE;
    // Plain ASCII reads the same either way and stays on the path it always took.
    bool beyondAscii = false;
    for (char ch : bytes)
        beyondAscii = beyondAscii || static_cast<unsigned char>(ch) >= 0x80;
    return beyondAscii && IsValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Ansi;
}

std::wstring DecodeText(std::string_view bytes, Encoding encoding) {
    std::wstring out;
    switch (encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        bytes.remove_prefix(2);
        const bool big = encoding == Encoding::Utf16BE;
        out.reserve(bytes.size() / 2);
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[i + (big ? 1 : 0)]);
            const auto hi = static_cast<unsigned char>(bytes[i + (big ? 0 : 1)]);
            out += static_cast<wchar_t>(lo | (hi << 8));
        }
        return out;
    }
    case Encoding::Utf8Bom:
        bytes.remove_prefix(kUtf8Bom.size());
        [[fallthrough]];
    case Encoding::Utf8:
    case Encoding::Ansi:
        break;
    }
    out.reserve(bytes.size());
    char32_t c;
    for (size_t pos = 0; pos < bytes.size();) {
        const size_t n = DecodeOne(bytes, pos, c);
        AppendUtf16(out, n ? c : U'\xFFFD');
        pos += n ? n : 1;
    }
    return out;
}

std::string EncodeText(std::wstring_view text, Encoding encoding) {
    std::string out;
    if (encoding == Encoding::Utf16LE || encoding == Encoding::Utf16BE) {
        const bool big = encoding == Encoding::Utf16BE;
        out.reserve(2 + text.size() * 2);
        out.append(big ? kUtf16BEBom : kUtf16LEBom);
        for (wchar_t w : text) {
            const auto u = static_cast<std::uint16_t>(w);
            const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
            out += big ? hi : lo;
            out += big ? lo : hi;
        }
        return out;
    }
    if (encoding == Encoding::Utf8Bom) out.append(kUtf8Bom);
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<std::uint16_t>(text[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char32_t>(text[++i]) - 0xDC00);
        AppendUtf8(out, c);
    }
    return out;
}

} // namespace textview
