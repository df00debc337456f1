#include "mainwindow/SortKeys.h"

#include "base/MemberNames.h"

#include <algorithm>
#include <mutex>
#include <string>

namespace contents {

namespace {

constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;

std::vector<char> LocaleKey(std::wstring_view name) {
    std::vector<char> key;
    NameSortKeys::AppendFromLocale(name, key);
    return key;
}

} // namespace

void NameSortKeys::AppendFromLocale(std::wstring_view name, std::vector<char>& out) {
    // An empty name has a key too (its section separators); LCMapString wants it
    // NUL-terminated.
    const wchar_t* text = name.empty() ? L"" : name.data();
    const int length = name.empty() ? -1 : static_cast<int>(name.size());
    // With LCMAP_SORTKEY the destination is a byte buffer; most names fit the stack one.
    char buffer[1024];
    int n = LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text, length,
                         reinterpret_cast<LPWSTR>(buffer), sizeof buffer);
    const char* key = buffer;
    std::vector<char> large;
    if (n <= 0) {
        n = LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text, length, nullptr, 0);
        if (n <= 0) return;
        large.resize(n);
        n = LCMapStringW(LOCALE_USER_DEFAULT, kFlags, text, length,
                         reinterpret_cast<LPWSTR>(large.data()), n);
        key = large.data();
    }
    // The key's closing NUL takes no part in the order.
    while (n > 0 && key[n - 1] == '\0')
        --n;
    out.insert(out.end(), key, key + n);
}

NameSortKeys::NameSortKeys(bool learnAscii) : locale_(GetUserDefaultLCID()) {
    if (!learnAscii) return;
    // The tail every key ends with: the key of the empty name.
    tail_ = LocaleKey(L"");
    const size_t tail = tail_.size();
    for (wchar_t c = 0x20; c < 0x7F; ++c) {
        const wchar_t text[1] = {c};
        const std::vector<char> key = LocaleKey(std::wstring_view(text, 1));
        if (key.size() != 2 + tail || !std::equal(tail_.begin(), tail_.end(), key.begin() + 2))
            continue;
        weight_[c] = static_cast<std::uint16_t>(static_cast<unsigned char>(key[0]) << 8 |
                                                static_cast<unsigned char>(key[1]));
        usable_[c] = true;
    }
    // Every pair must give the two weights and the tail, or the table is not used.
    std::vector<char> expected;
    for (wchar_t a = 0x20; a < 0x7F; ++a) {
        if (!usable_[a]) continue;
        for (wchar_t b = 0x20; b < 0x7F; ++b) {
            if (!usable_[b]) continue;
            const wchar_t text[2] = {a, b};
            expected = {static_cast<char>(weight_[a] >> 8), static_cast<char>(weight_[a] & 0xFF),
                        static_cast<char>(weight_[b] >> 8), static_cast<char>(weight_[b] & 0xFF)};
            expected.insert(expected.end(), tail_.begin(), tail_.end());
            if (LocaleKey(std::wstring_view(text, 2)) != expected) return;
        }
    }
    fast_ = true;
}

std::shared_ptr<const NameSortKeys> NameSortKeys::OfUserLocale() {
    static std::mutex lock;
    static std::shared_ptr<const NameSortKeys> learnt;
    std::lock_guard<std::mutex> hold(lock);
    if (!learnt || learnt->locale_ != GetUserDefaultLCID())
        learnt = std::make_shared<const NameSortKeys>(true);
    return learnt;
}

void NameSortKeys::Append(std::string_view utf8, std::wstring& wide, std::vector<char>& out) const {
    bool plain = fast_ && GetUserDefaultLCID() == locale_;
    for (size_t i = 0; plain && i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        plain = c < 0x80 && usable_[c];
    }
    if (plain) {
        const size_t at = out.size();
        out.resize(at + 2 * utf8.size() + tail_.size());
        char* to = out.data() + at;
        for (char ch : utf8) {
            const std::uint16_t w = weight_[static_cast<unsigned char>(ch)];
            *to++ = static_cast<char>(w >> 8);
            *to++ = static_cast<char>(w & 0xFF);
        }
        std::copy(tail_.begin(), tail_.end(), to);
        return;
    }
    if (kname::IsAscii(utf8))
        wide.assign(utf8.begin(), utf8.end());
    else
        wide = kname::Widen(utf8, CP_UTF8);
    AppendFromLocale(wide, out);
}

} // namespace contents
