// The user's locale sort keys for member names (LCMapString with NORM_IGNORECASE), made
// quickly for names in plain ASCII.
//
// For most locales the key of such a name is the characters' own weights one after the
// other, then a fixed tail. A table of those weights is taken from the locale once and
// trusted only after every pair of its characters has been checked against the locale
// itself, which rules out the locales that sort letter pairs as one (Spanish "ch",
// Hungarian "cs" and the like). Characters the locale weighs specially (the hyphen and the
// apostrophe) and all other names go to LCMapString.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace contents {

class NameSortKeys {
public:
    // With learnAscii, reads the weights of the user's locale (some 9,000 calls to
    // LCMapString: worth it only for long lists); without, every key comes from the locale.
    explicit NameSortKeys(bool learnAscii);
    // The learnt keys of the user's locale, learnt at the first call and again whenever the
    // locale has changed since: learning costs milliseconds, every large sort needs them.
    // Shared, so a sort keeps the keys it started with.
    static std::shared_ptr<const NameSortKeys> OfUserLocale();
    // Appends the key of a UTF-8 name to out, without its closing NUL; the bytes are the
    // ones LCMapString gives. wide is scratch space.
    void Append(std::string_view utf8, std::wstring& wide, std::vector<char>& out) const;
    // Whether ASCII names take the fast way (false when the locale failed the checks).
    bool FastAscii() const { return fast_; }
    // LCMapString's key of a name, without its closing NUL.
    static void AppendFromLocale(std::wstring_view name, std::vector<char>& out);

private:
    LCID locale_;
    bool fast_ = false;
    // Per ASCII character: its weight, two bytes; usable_[c] false sends a name to the locale.
    std::array<std::uint16_t, 128> weight_{};
    std::array<bool, 128> usable_{};
    std::vector<char> tail_;
};

} // namespace contents
