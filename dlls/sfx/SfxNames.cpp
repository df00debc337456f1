#include "dlls/sfx/SfxNames.h"

#include "base/CodePages.h"
#include "base/zipcore/ZipFormat.h"

namespace sfx {

namespace {

wchar_t Upper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c;
}

bool SameUpper(const wchar_t* s, int n, const wchar_t* device) {
    int i = 0;
    for (; i < n && device[i]; ++i)
        if (Upper(s[i]) != device[i]) return false;
    return i == n && !device[i];
}

// Windows opens a device for these names whatever the extension, trailing spaces included;
// COM and LPT also take the superscript digits.
bool IsDeviceName(const wchar_t* part, int n) {
    int base = 0;
    while (base < n && part[base] != L'.')
        ++base;
    while (base > 0 && part[base - 1] == L' ')
        --base;
    static const wchar_t* const kFixed[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* d : kFixed)
        if (SameUpper(part, base, d)) return true;
    if (base != 4 || !(SameUpper(part, 3, L"COM") || SameUpper(part, 3, L"LPT"))) return false;
    const wchar_t digit = part[3];
    return (digit >= L'1' && digit <= L'9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
}

const wchar_t* CheckComponent(const wchar_t* part, int n) {
    if (n == 2 && part[0] == L'.' && part[1] == L'.') return L"it contains a \"..\" folder";
    for (int i = 0; i < n; ++i) {
        const wchar_t c = part[i];
        if (c < 0x20 || c == 0x7F) return L"it contains a control character";
        for (const wchar_t* f = L"<>:\"|?*"; *f; ++f)
            if (c == *f) return L"it contains a character that Windows forbids";
    }
    if (part[n - 1] == L'.' || part[n - 1] == L' ')
        return L"a part of it ends with a dot or a space";
    if (IsDeviceName(part, n)) return L"it names a device";
    return nullptr;
}

bool IsSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

} // namespace

int DecodeName(const Entry& e, wchar_t* out, int capacity) {
    const int n = e.nameLength;
    if (n == 0) return 0;
    const std::uint8_t host = static_cast<std::uint8_t>(e.versionMadeBy >> 8);
    if ((e.flags & zipcore::kFlagUtf8) || host == zipcore::kHostUnix) {
        const int got =
            MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, e.name, n, out, capacity);
        if (got > 0 || (e.flags & zipcore::kFlagUtf8)) return got;
    }
    const bool dosLike = host == zipcore::kHostMsDos || host == 6 || host == zipcore::kHostNtfs ||
                         host == 11 || host == 14;
    return MultiByteToWideChar(dosLike ? kname::OemNameCodePage() : kname::AnsiLegacyCodePage(), 0,
                               e.name, n, out, capacity);
}

const wchar_t* SafeRelativePath(const wchar_t* name, int length, wchar_t* out, int capacity,
                                bool* directory) {
    *directory = length > 0 && IsSeparator(name[length - 1]);
    if (length == 0) return L"the name is empty";
    if (length >= 2 && IsSeparator(name[0]) && IsSeparator(name[1]))
        return L"it is a network (UNC) or device path";
    if (IsSeparator(name[0])) return L"it is an absolute path";
    if (length >= 2 && name[1] == L':') return L"it starts with a drive letter";

    int written = 0;
    for (int start = 0; start < length;) {
        int end = start;
        while (end < length && !IsSeparator(name[end]))
            ++end;
        const int n = end - start;
        const wchar_t* part = name + start;
        start = end + 1;
        if (n == 0 || (n == 1 && part[0] == L'.')) continue;
        if (const wchar_t* why = CheckComponent(part, n)) return why;
        if (written + n + 2 > capacity) return L"the name is too long";
        if (written > 0) out[written++] = L'\\';
        for (int i = 0; i < n; ++i)
            out[written++] = part[i];
    }
    // "./" names the target folder itself; a file needs a name.
    if (written == 0 && !*directory) return L"the name has no file or folder part";
    out[written] = 0;
    return nullptr;
}

} // namespace sfx
