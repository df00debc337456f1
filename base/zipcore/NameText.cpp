#include "base/zipcore/NameText.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/MemberReader.h"
#include "base/zipcore/ZipFormat.h"

namespace zipcore {

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra;
        std::uint32_t cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past Unicode are not valid.
        static constexpr std::uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

std::optional<std::string> UnicodePathName(std::string_view storedName, std::string_view extra) {
    const std::string_view block = FindExtraField(extra, kUnicodePathExtraId);
    if (block.size() < 5 || block[0] != 1) return std::nullopt;
    const auto* p = reinterpret_cast<const unsigned char*>(block.data());
    const std::uint32_t crc =
        Crc32(0, reinterpret_cast<const std::uint8_t*>(storedName.data()), storedName.size());
    if (GetU32(p + 1) != crc) return std::nullopt;
    std::string name(block.substr(5));
    if (name.empty() || !IsValidUtf8(name)) return std::nullopt;
    return name;
}

std::optional<std::string> UnicodePathName(const Member& member) {
    return UnicodePathName(member.name, member.extra);
}

DecodedName DecodeName(std::string_view storedName, std::uint16_t flags, std::uint8_t host,
                       std::string_view extra) {
    const std::string name(storedName);
    if ((flags & kFlagUtf8) && IsValidUtf8(name)) return {NameEncoding::Utf8, name};
    if (auto unicode = UnicodePathName(storedName, extra)) return {NameEncoding::Utf8, *unicode};
    if (IsAscii(name)) return {NameEncoding::Utf8, name};
    if (host == kHostUnix && IsValidUtf8(name)) return {NameEncoding::Utf8, name};
    // MS-DOS/FAT, OS/2 HPFS, NTFS and VFAT write names in the OEM code page.
    const bool oemHost = host == kHostMsDos || host == 6 || host == kHostNtfs || host == 14;
    return {oemHost ? NameEncoding::OemCodePage : NameEncoding::AnsiCodePage, name};
}

DecodedName DecodeMemberName(const Member& member) {
    return DecodeName(member.name, member.flags, member.Host(), member.extra);
}

std::string FitText(std::string_view text, std::size_t limit) {
    constexpr std::string_view kGap = "...";
    if (text.size() <= limit) return std::string(text);
    if (limit <= kGap.size()) return std::string(kGap.substr(0, limit));
    auto continuation = [&](std::size_t i) {
        return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    };
    // A third for the start, the rest for the end: the file's name and the reason are there.
    std::size_t head = (limit - kGap.size()) / 3;
    while (head > 0 && continuation(head))
        --head;
    std::size_t tail = text.size() - (limit - kGap.size() - head);
    while (tail < text.size() && continuation(tail))
        ++tail;
    std::string out(text.substr(0, head));
    out += kGap;
    out += text.substr(tail);
    return out;
}

} // namespace zipcore
