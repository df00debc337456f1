// The byte forms of a typed password to try against an encrypted member. Traditional PKWARE
// encryption and the WinZip AES keys work on the password's bytes, and the process code page
// is UTF-8 (the manifest), so "Müller" typed now is not the "Müller" an older Windows tool
// encrypted with in the ANSI page, nor the one a DOS-era tool used in the OEM page. A member
// whose check refuses the typed bytes is tried with those older forms, in that order. Header
// only and free of the C++ library: the self-extractor stub uses it too.
#pragma once

#include "base/CodePages.h"

#include <windows.h>

namespace kpass {

constexpr int kMaxPasswordForms = 3;       // as typed, the ANSI page's, the OEM page's
constexpr int kPasswordFormCapacity = 256; // bytes, with the terminating NUL

struct PasswordForms {
    char text[kMaxPasswordForms][kPasswordFormCapacity];
    int length[kMaxPasswordForms];
    int count;
};

namespace detail {

inline bool SameBytes(const char* a, int aLength, const char* b, int bLength) {
    if (aLength != bLength) return false;
    for (int i = 0; i < aLength; ++i)
        if (a[i] != b[i]) return false;
    return true;
}

inline bool IsAscii(const char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}

// Adds the text in `page` unless a character has no form there (no best-fit stand-ins: an
// old tool would not have turned "ł" into "l" silently either) or an earlier form has the
// same bytes.
inline void AddForm(const wchar_t* wide, int wideLength, UINT page, PasswordForms& forms) {
    if (forms.count >= kMaxPasswordForms || page == CP_UTF8) return;
    char* out = forms.text[forms.count];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide, wideLength, out,
                                      kPasswordFormCapacity - 1, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return;
    for (int i = 0; i < forms.count; ++i)
        if (SameBytes(forms.text[i], forms.length[i], out, n)) return;
    out[n] = 0;
    forms.length[forms.count++] = n;
}

} // namespace detail

// The typed password (`length` bytes in `typedPage`) first; when it holds anything beyond
// ASCII, the same text in `ansiPage` and then in `oemPage`. The callers' passwords are
// shorter than a form (81 bytes in the engines' records, 128 in the stub); a longer one has
// no forms at all.
inline void MakePasswordForms(const char* typed, int length, UINT typedPage, UINT ansiPage,
                              UINT oemPage, PasswordForms& forms) {
    forms.count = 0;
    if (length < 0 || length >= kPasswordFormCapacity) return;
    for (int i = 0; i < length; ++i)
        forms.text[0][i] = typed[i];
    forms.text[0][length] = 0;
    forms.length[0] = length;
    forms.count = 1;
    if (detail::IsAscii(typed, length)) return;
    wchar_t wide[kPasswordFormCapacity];
    const int wideLength = MultiByteToWideChar(typedPage, MB_ERR_INVALID_CHARS, typed, length, wide,
                                               kPasswordFormCapacity);
    if (wideLength <= 0) return; // not text in its page: only its own bytes can be right
    detail::AddForm(wide, wideLength, ansiPage, forms);
    detail::AddForm(wide, wideLength, oemPage, forms);
}

// The forms of a password typed in this process (the process code page), with the pages of
// the user's locale that names without the UTF-8 flag are read in too.
inline void PasswordFormsOf(const char* typed, int length, PasswordForms& forms) {
    MakePasswordForms(typed, length, CP_ACP, kname::AnsiLegacyCodePage(), kname::OemNameCodePage(),
                      forms);
}

} // namespace kpass
