// The forms of a typed password the engines and the stub try in turn (base/PasswordForms.h),
// made with the system's own code page tables.
#include "base/PasswordForms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> FormsOf(const std::string& typed, UINT typedPage, UINT ansi, UINT oem) {
    kpass::PasswordForms forms;
    kpass::MakePasswordForms(typed.data(), static_cast<int>(typed.size()), typedPage, ansi, oem,
                             forms);
    std::vector<std::string> all;
    for (int i = 0; i < forms.count; ++i) {
        EXPECT_EQ(forms.text[i][forms.length[i]], '\0');
        all.emplace_back(forms.text[i], forms.length[i]);
    }
    return all;
}

struct FormsCase {
    const char* label;
    std::string typed;
    UINT typedPage, ansi, oem;
    std::vector<std::string> forms;
};

TEST(PasswordForms, TypedFirstThenAnsiThenOemWhereTheTextFits) {
    // "Müller", "Пароль", "Łódź" (the "d" apart, so no hex escape swallows it), "€uro", "パス".
    const std::string mueller = "M\xC3\xBCller";
    const std::string privet = "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C";
    const std::string privet1251 = "\xCF\xE0\xF0\xEE\xEB\xFC",
                      privet866 = "\x8F\xA0\xE0\xAE\xAB\xEC";
    const std::string lodz = std::string("\xC5\x81\xC3\xB3") + "d\xC5\xBA";
    const std::string lodz1250 = std::string("\xA3\xF3") + "d\x9F";
    const std::string lodz852 = std::string("\x9D\xA2") + "d\xAB";
    const std::string euro = "\xE2\x82\xACuro", pasu = "\xE3\x83\x91\xE3\x82\xB9";
    std::string longest; // 127 bytes, the most the stub holds: "ü" 63 times and "x"
    for (int i = 0; i < 63; ++i)
        longest += mueller.substr(1, 2);
    longest += "x";
    const std::string longest1252 = std::string(63, '\xFC') + "x";
    const std::string longest850 = std::string(63, '\x81') + "x";
    const FormsCase cases[] = {
        {"ascii has only itself", "s3cret!", CP_UTF8, 1252, 850, {"s3cret!"}},
        {"empty", "", CP_UTF8, 1252, 850, {""}},
        {"latin, DOS Latin-1", mueller, CP_UTF8, 1252, 850, {mueller, "M\xFCller", "M\x81ller"}},
        {"latin, DOS US", mueller, CP_UTF8, 1252, 437, {mueller, "M\xFCller", "M\x81ller"}},
        {"cyrillic", privet, CP_UTF8, 1251, 866, {privet, privet1251, privet866}},
        {"cyrillic in western pages", privet, CP_UTF8, 1252, 850, {privet}},
        {"no best-fit stand-ins", lodz, CP_UTF8, 1252, 850, {lodz}},
        {"central european", lodz, CP_UTF8, 1250, 852, {lodz, lodz1250, lodz852}},
        {"euro only in ANSI", euro, CP_UTF8, 1252, 850, {euro, "\x80uro"}},
        {"same page twice", mueller, CP_UTF8, 1252, 1252, {mueller, "M\xFCller"}},
        {"double-byte page", pasu, CP_UTF8, 932, 932, {pasu, "\x83p\x83X"}},
        {"typed in ANSI", "M\xFCller", 1252, 1252, 850, {"M\xFCller", "M\x81ller"}},
        {"not UTF-8 at all", "M\xFCller", CP_UTF8, 1252, 850, {"M\xFCller"}},
        {"longest held", longest, CP_UTF8, 1252, 850, {longest, longest1252, longest850}},
        {"too long for a form", std::string(300, 'x'), CP_UTF8, 1252, 850, {}},
    };
    for (const FormsCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(FormsOf(c.typed, c.typedPage, c.ansi, c.oem), c.forms);
    }
}

} // namespace
