// How the viewer reads a file's bytes as text: a byte-order mark (UTF-8, UTF-16 little or
// big endian) says so, text that is valid UTF-8 with at least one character beyond ASCII is
// taken as UTF-8, and anything else is the system's ANSI code page, as before. Free of
// windows, so the rules are tested on their own.
#pragma once

#include <string>
#include <string_view>

namespace textview {

enum class Encoding { Ansi, Utf8, Utf8Bom, Utf16LE, Utf16BE };

Encoding DetectEncoding(std::string_view bytes);
// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF; a sequence cut off at the end counts as malformed).
bool IsValidUtf8(std::string_view bytes);

// The text of a file in a Unicode encoding as UTF-16, without its byte-order mark. A last
// odd byte of UTF-16 is dropped; a malformed UTF-8 sequence becomes U+FFFD.
std::wstring DecodeText(std::string_view bytes, Encoding encoding);
// The bytes of a text in a Unicode encoding, its byte-order mark first where it had one.
std::string EncodeText(std::wstring_view text, Encoding encoding);

} // namespace textview
