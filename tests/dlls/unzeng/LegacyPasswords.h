// Archives encrypted with a non-ASCII password as older tools stored it: the text's bytes in
// the user locale's ANSI page (old Windows tools) and OEM page (DOS-era tools), beside the
// UTF-8 bytes typed now. The bytes are spelled out, not converted, so the engines' own
// conversion is what the tests check.
#pragma once

#include "base/CodePages.h"
#include "tests/dlls/zipcore/ArchiveBytes.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace unzeng_test {

struct LegacyPassword {
    std::string typed; // UTF-8, as typed under the process code page
    std::string wrong; // as typed too: one letter off
    std::string ansi;  // the same text in the locale's ANSI page
    std::string oem;   // and in its OEM page
};

// The password for the user's locale; null for a locale these tests do not know. A run under
// a chosen locale names the OEM page it must give (KELVORA_EXPECT_OEM), so it cannot pass by
// skipping.
inline const LegacyPassword* PasswordForLocale() {
    // "Müller": cp1252, and cp850 or cp437, which agree on "ü".
    static const LegacyPassword latin{"M\xC3\xBCller", "M\xC3\xBCllor", "M\xFCller", "M\x81ller"};
    // "Пароль": cp1251 and cp866; wrong is "Пароли".
    static const LegacyPassword cyrillic{"\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C",
                                         "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD0\xB8",
                                         "\xCF\xE0\xF0\xEE\xEB\xFC", "\x8F\xA0\xE0\xAE\xAB\xEC"};
    const UINT ansi = kname::AnsiLegacyCodePage(), oem = kname::OemNameCodePage();
    if (const char* expected = std::getenv("KELVORA_EXPECT_OEM"))
        if (oem != static_cast<UINT>(std::atoi(expected))) return nullptr;
    if (ansi == 1252 && (oem == 850 || oem == 437)) return &latin;
    if (ansi == 1251 && oem == 866) return &cyrillic;
    return nullptr;
}

// One member per form of the password and way of encrypting it: traditional over deflated
// data, traditional over stored data with a data descriptor (the check byte from the time),
// and AES-256. Each holds data of its own.
inline std::vector<zipcore_test::TestMember> LegacyMembers(const LegacyPassword& p) {
    const struct {
        const char* label;
        const std::string& bytes;
    } forms[] = {{"utf8", p.typed}, {"ansi", p.ansi}, {"oem", p.oem}};
    std::vector<zipcore_test::TestMember> members;
    for (const auto& form : forms) {
        const std::string label = form.label;
        const char seed = static_cast<char>('a' + members.size());
        members.push_back({.name = "deflated-" + label + ".txt",
                           .data = zipcore_test::Text(5000, seed),
                           .password = form.bytes});
        members.push_back({.name = "stored-" + label + ".txt",
                           .data = zipcore_test::Text(700, seed + 1),
                           .method = 0,
                           .password = form.bytes,
                           .descriptor = true});
        members.push_back({.name = "aes-" + label + ".txt",
                           .data = zipcore_test::Text(9000, seed + 2),
                           .password = form.bytes,
                           .aesStrength = 3});
    }
    return members;
}

} // namespace unzeng_test
