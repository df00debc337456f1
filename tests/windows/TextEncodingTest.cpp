// The viewer's encoding rules on their own: what a file's bytes are taken for, and the text
// read from them and written back.
#include "windows/TextEncoding.h"

#include <gtest/gtest.h>

using namespace textview;

namespace {

struct DetectCase {
    const char* name;
    std::string bytes;
    Encoding expected;
};

TEST(TextEncoding, DetectsByMarkThenByValidUtf8) {
    const DetectCase cases[] = {
        {"empty", "", Encoding::Ansi},
        {"ascii", "plain text\r\n", Encoding::Ansi},
        {"utf-8 accents", "caf\xC3\xA9", Encoding::Utf8},
        {"utf-8 cyrillic", "\xD0\x9F\xD1\x80\xD0\xB8", Encoding::Utf8},
        {"utf-8 four bytes", "\xF0\x9F\x98\x80", Encoding::Utf8},
        {"utf-8 mark", "\xEF\xBB\xBFtext", Encoding::Utf8Bom},
        {"utf-8 mark alone", "\xEF\xBB\xBF", Encoding::Utf8Bom},
        {"utf-16 le mark", std::string("\xFF\xFEh\0i\0", 6), Encoding::Utf16LE},
        {"utf-16 be mark", std::string("\xFE\xFF\0h\0i", 6), Encoding::Utf16BE},
        {"ansi accents", "caf\xE9 \xFC", Encoding::Ansi},
        {"cut off sequence", "caf\xC3", Encoding::Ansi},
        {"overlong slash", "\xC0\xAF", Encoding::Ansi},
        {"surrogate", "\xED\xA0\x80", Encoding::Ansi},
        {"past U+10FFFF", "\xF4\x90\x80\x80", Encoding::Ansi},
        {"stray continuation", "a\x80z", Encoding::Ansi},
    };
    for (const DetectCase& c : cases)
        EXPECT_EQ(DetectEncoding(c.bytes), c.expected) << c.name;
}

struct RoundTripCase {
    const char* name;
    std::string bytes;
    Encoding encoding;
    std::wstring text;
};

TEST(TextEncoding, DecodesWithoutTheMarkAndEncodesBackToTheSameBytes) {
    const RoundTripCase cases[] = {
        {"utf-8", "caf\xC3\xA9\r\n\xD0\x9F", Encoding::Utf8, L"caf\u00E9\r\n\u041F"},
        {"utf-8 mark", "\xEF\xBB\xBFz\xC3\xBC", Encoding::Utf8Bom, L"z\u00FC"},
        {"utf-8 beyond the plane", "\xF0\x9F\x98\x80!", Encoding::Utf8, L"\U0001F600!"},
        {"utf-16 le", std::string("\xFF\xFE\x1F\x04\r\0\n\0", 8), Encoding::Utf16LE, L"\u041F\r\n"},
        {"utf-16 be", std::string("\xFE\xFF\x04\x1F\0\xE9", 6), Encoding::Utf16BE, L"\u041F\u00E9"},
    };
    for (const RoundTripCase& c : cases) {
        EXPECT_EQ(DecodeText(c.bytes, c.encoding), c.text) << c.name;
        EXPECT_EQ(EncodeText(c.text, c.encoding), c.bytes) << c.name;
    }
}

TEST(TextEncoding, DamagedInputStillGivesText) {
    // A last odd byte of UTF-16 is dropped; a bad UTF-8 byte reads as the replacement mark.
    EXPECT_EQ(DecodeText(std::string("\xFF\xFEh\0i", 5), Encoding::Utf16LE), L"h");
    EXPECT_EQ(DecodeText("a\xFF"
                         "b",
                         Encoding::Utf8),
              L"a\uFFFDb");
    EXPECT_EQ(DecodeText("\xFF\xFE", Encoding::Utf16LE), L"");
}

} // namespace
