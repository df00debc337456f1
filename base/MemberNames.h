// Member names as Windows text: the engines and the program turn a stored name into the
// name it stands for with this one function, so the list shows what extraction writes.
#pragma once

#include "base/CodePages.h"
#include "base/zipcore/NameText.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace kname {

// The first c in text at or after from, or npos. The string classes' find calls the C
// runtime's memchr, which under Wine costs a call and a byte loop of its own for every
// search: row keys are searched several times each, and 100,000 of them felt it.
inline size_t FindByte(std::string_view text, char c, size_t from = 0) {
    for (size_t i = from; i < text.size(); ++i)
        if (text[i] == c) return i;
    return std::string_view::npos;
}

// Plain ASCII reads the same in every code page the program meets, and most names are ASCII:
// they skip the conversion calls, which lists of 100,000 members feel.
inline bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

inline std::wstring Widen(std::string_view text, UINT codePage) {
    if (text.empty()) return {};
    if (IsAscii(text)) return std::wstring(text.begin(), text.end());
    const int n =
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                            n);
    return wide;
}

inline std::string Narrow(std::wstring_view text, UINT codePage) {
    if (text.empty()) return {};
    bool ascii = true;
    for (wchar_t c : text)
        ascii = ascii && c < 0x80;
    if (ascii) {
        std::string out(text.size(), '\0');
        for (size_t i = 0; i < text.size(); ++i)
            out[i] = static_cast<char>(text[i]);
        return out;
    }
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

// The name a decoded member name stands for. Names without the UTF-8 flag are read in the
// pages of the user's locale, never in the process code page (base/CodePages.h).
inline std::wstring WideName(const zipcore::DecodedName& decoded) {
    switch (decoded.encoding) {
    case zipcore::NameEncoding::Utf8:
        return Widen(decoded.text, CP_UTF8);
    case zipcore::NameEncoding::OemCodePage:
        return Widen(decoded.text, OemNameCodePage());
    case zipcore::NameEncoding::AnsiCodePage:
        break;
    }
    return Widen(decoded.text, AnsiLegacyCodePage());
}

inline std::string Utf8Name(const zipcore::DecodedName& decoded) {
    if (decoded.encoding == zipcore::NameEncoding::Utf8) return decoded.text;
    return Narrow(WideName(decoded), CP_UTF8);
}

} // namespace kname
