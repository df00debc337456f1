#include "base/zipcore/NameText.h"

#include "base/zipcore/ByteIo.h"
#include "base/zipcore/MemberReader.h"
#include "base/zipcore/ZipFormat.h"

#include <gtest/gtest.h>

using namespace zipcore;

namespace {

Member Named(std::string name, std::uint16_t host, std::uint16_t flags = 0) {
    Member m;
    m.name = std::move(name);
    m.versionMadeBy = static_cast<std::uint16_t>((host << 8) | 20);
    m.flags = flags;
    return m;
}

std::string UnicodePathField(const std::string& storedName, const std::string& utf8,
                             std::uint8_t version = 1) {
    std::string data(1, static_cast<char>(version));
    PutU32(data,
           Crc32(0, reinterpret_cast<const std::uint8_t*>(storedName.data()), storedName.size()));
    data += utf8;
    std::string field;
    PutU16(field, kUnicodePathExtraId);
    PutU16(field, static_cast<std::uint16_t>(data.size()));
    return field + data;
}

} // namespace

TEST(NameText, Utf8Validation) {
    EXPECT_TRUE(IsValidUtf8("plain"));
    EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("caf\xE9"));          // Latin-1 byte
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));         // overlong '/'
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80")); // past U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xE2\x82"));         // cut short
    EXPECT_TRUE(IsAscii("abc/def"));
    EXPECT_FALSE(IsAscii("\x82"));
}

TEST(NameText, EncodingFollowsFlagExtraFieldAndHost) {
    // The UTF-8 flag.
    DecodedName d = DecodeMemberName(Named("caf\xC3\xA9", 0, 0x0800));
    EXPECT_EQ(d.encoding, NameEncoding::Utf8);
    EXPECT_EQ(d.text, "caf\xC3\xA9");

    // An MS-DOS name in the OEM code page, and an NTFS one.
    EXPECT_EQ(DecodeMemberName(Named("caf\x82", 0)).encoding, NameEncoding::OemCodePage);
    EXPECT_EQ(DecodeMemberName(Named("caf\x82", 10)).encoding, NameEncoding::OemCodePage);
    // Unix: UTF-8 when it is valid UTF-8, else the ANSI code page.
    EXPECT_EQ(DecodeMemberName(Named("caf\xC3\xA9", 3)).encoding, NameEncoding::Utf8);
    EXPECT_EQ(DecodeMemberName(Named("caf\xE9", 3)).encoding, NameEncoding::AnsiCodePage);
    // Plain ASCII is the same in all of them.
    EXPECT_EQ(DecodeMemberName(Named("a/b.txt", 0)).encoding, NameEncoding::Utf8);
}

TEST(NameText, UnicodePathFieldIsUsedOnlyWhenItFitsTheStoredName) {
    Member m = Named("caf\x82.txt", 0);
    m.extra = UnicodePathField(m.name, "caf\xC3\xA9.txt");
    ASSERT_TRUE(UnicodePathName(m).has_value());
    DecodedName d = DecodeMemberName(m);
    EXPECT_EQ(d.encoding, NameEncoding::Utf8);
    EXPECT_EQ(d.text, "caf\xC3\xA9.txt");

    Member renamed = m; // the stored name changed after the field was written
    renamed.name = "cafe.txx\x82";
    EXPECT_FALSE(UnicodePathName(renamed).has_value());

    Member future = Named("caf\x82.txt", 0);
    future.extra = UnicodePathField(future.name, "caf\xC3\xA9.txt", 2);
    EXPECT_FALSE(UnicodePathName(future).has_value());

    Member invalid = Named("caf\x82.txt", 0);
    invalid.extra = UnicodePathField(invalid.name, "caf\xE9.txt");
    EXPECT_FALSE(UnicodePathName(invalid).has_value());
}

TEST(NameText, DecodingFromHeaderPartsFollowsTheSameRules) {
    const std::string stored = "caf\x82.txt";
    const std::string extra = UnicodePathField(stored, "caf\xC3\xA9.txt");
    EXPECT_EQ(DecodeName(stored, 0, 0, extra).text, "caf\xC3\xA9.txt");
    EXPECT_EQ(DecodeName(stored, 0, 0, "").encoding, NameEncoding::OemCodePage);
    EXPECT_EQ(DecodeName(stored, 0, 11, "").encoding, NameEncoding::AnsiCodePage);
    EXPECT_EQ(DecodeName("\xE6\x97\xA5.txt", kFlagUtf8, 0, "").encoding, NameEncoding::Utf8);
    // A flag on bytes that are not UTF-8 is not believed.
    EXPECT_EQ(DecodeName(stored, kFlagUtf8, 0, "").encoding, NameEncoding::OemCodePage);
}

// A message too long for the callback's buffer keeps its start and its reason at the end; the
// cut never splits a UTF-8 character.
TEST(NameText, AFittedMessageKeepsItsStartAndItsReason) {
    const std::string reason = ": Access denied";
    const std::string polish = "\xC5\x81\xC3\xB3\x64\xC5\xBA"; // Łódź, 2-byte letters
    const std::string cyrillic = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";
    struct Case {
        const char* what;
        std::string text;
        std::size_t limit;
    } const cases[] = {
        {"short", "Skipped \"a.txt\"" + reason, 511},
        {"exactly the limit", std::string(511, 'x'), 511},
        {"long ASCII path", "Skipped \"" + std::string(700, 'p') + "\"" + reason, 511},
        {"long path in two-byte letters",
         "Cannot write \"" +
             [&] {
                 std::string s;
                 for (int i = 0; i < 150; ++i)
                     s += polish;
                 return s;
             }() +
             "\"" + reason,
         511},
        {"odd limits", "Skipped \"" + cyrillic + cyrillic + cyrillic + "\"" + reason, 30},
    };
    for (const Case& c : cases) {
        const std::string fitted = FitText(c.text, c.limit);
        if (c.text.size() <= c.limit) {
            EXPECT_EQ(fitted, c.text) << c.what;
            continue;
        }
        EXPECT_LE(fitted.size(), c.limit) << c.what;
        EXPECT_GE(fitted.size(), c.limit - 3) << c.what; // no more lost than a character
        EXPECT_TRUE(IsValidUtf8(fitted)) << c.what;
        EXPECT_EQ(fitted.substr(0, 4), c.text.substr(0, 4)) << c.what;
        EXPECT_EQ(fitted.substr(fitted.size() - reason.size()), reason) << c.what;
        EXPECT_NE(fitted.find("..."), std::string::npos) << c.what;
    }
}
