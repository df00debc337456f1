// The code pages that text written without a UTF-8 marker was written in. Under a UTF-8
// process code page (the manifest's activeCodePage, Windows 10 1903 and later) CP_ACP and
// CP_OEMCP are UTF-8 too, so they cannot stand for the pages of the user's locale: names
// stored by old DOS and Windows tools and a settings file written before are decoded with
// the pages the user's locale names. Before 1903 (no UTF-8 process code page) the system's
// own pages apply, as they always did.
#pragma once

#include <windows.h>

namespace kname {

// The user's locale's page of the kind asked for (LOCALE_IDEFAULTCODEPAGE for OEM,
// LOCALE_IDEFAULTANSICODEPAGE for ANSI); fallback when the locale has none (a Unicode-only
// locale) or names one the system cannot convert.
inline UINT UserLocaleCodePage(LCTYPE kind, UINT fallback) {
    DWORD page = 0;
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, kind | LOCALE_RETURN_NUMBER,
                       reinterpret_cast<LPWSTR>(&page), sizeof page / sizeof(WCHAR)) == 0)
        return fallback;
    if (page == 0 || page == CP_UTF8 || page == CP_OEMCP || page == CP_ACP ||
        !IsValidCodePage(page))
        return fallback;
    return page;
}

inline bool ProcessCodePageIsUtf8() {
    return GetACP() == CP_UTF8;
}

// The page of names a DOS-like host stored without the UTF-8 flag. Asked once: a list of
// 100,000 names asks for every one.
inline UINT OemNameCodePage() {
    static const UINT page =
        ProcessCodePageIsUtf8() ? UserLocaleCodePage(LOCALE_IDEFAULTCODEPAGE, 437) : CP_OEMCP;
    return page;
}

// The page of names other hosts stored without the UTF-8 flag, and of other text that is not
// valid UTF-8 (an old settings file, a text file without a byte-order mark).
inline UINT AnsiLegacyCodePage() {
    static const UINT page =
        ProcessCodePageIsUtf8() ? UserLocaleCodePage(LOCALE_IDEFAULTANSICODEPAGE, 1252) : CP_ACP;
    return page;
}

} // namespace kname
