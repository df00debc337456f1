// How a member's name is encoded: the UTF-8 flag, Info-ZIP's Unicode Path extra field, or a
// code page of the system that wrote it.
#pragma once

#include "base/zipcore/CentralDirectory.h"

#include <optional>
#include <string>
#include <string_view>

namespace zipcore {

constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

bool IsValidUtf8(std::string_view text);
bool IsAscii(std::string_view text);

// The UTF-8 name of the Unicode Path extra field, when present, of version 1 and made for
// exactly this stored name (its CRC matches).
std::optional<std::string> UnicodePathName(std::string_view storedName, std::string_view extra);
std::optional<std::string> UnicodePathName(const Member& member);

enum class NameEncoding {
    Utf8,        // `text` holds the name as UTF-8
    OemCodePage, // the raw name in the OEM code page (MS-DOS, Windows and OS/2 hosts)
    AnsiCodePage // the raw name in the system's ANSI code page (other hosts, not UTF-8)
};

struct DecodedName {
    NameEncoding encoding;
    std::string text;
};

// Chooses the name's encoding: flag bit 11, then a valid Unicode Path field, then plain
// ASCII, then valid UTF-8 from a Unix host; otherwise the code page the host implies.
// `host` is the high byte of "version made by".
DecodedName DecodeName(std::string_view storedName, std::uint16_t flags, std::uint8_t host,
                       std::string_view extra);
DecodedName DecodeMemberName(const Member& member);

// A message for a buffer of `limit` bytes besides its NUL: a longer one loses its middle,
// marked "...", so that its start and its end (the reason, which comes last) both show. A
// UTF-8 character is never cut in two.
std::string FitText(std::string_view text, std::size_t limit);

} // namespace zipcore
