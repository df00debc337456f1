// The browser registration against the registry of the test prefix, inside a sandbox key
// that stands in for HKEY_CLASSES_ROOT and HKEY_CURRENT_USER.
#include "settings/BrowserRegistration.h"
#include "tests/settings/RegistrySandbox.h"

#include <gtest/gtest.h>

using browsers::Root;
using testing_support::RegistrySandbox;

namespace {

const std::string kHandler = "C:\\Program Files\\Kelvora 98\\Kelvora98.exe";
const char kViewers[] = "Software\\Netscape\\Netscape Navigator\\Viewers";
const char kTrusted[] =
    "Software\\Netscape\\Netscape Navigator\\User Trusted External Applications";
const char kCommand[] = "Kelvora\\shell\\open\\command";

struct Expected {
    Root under;
    const char* key;
    std::string name;
    DWORD type;
    std::string data;
};
const Expected kNetscape[] = {
    {Root::ClassesRoot, ".zip", "Content Type", REG_SZ, "application/x-kelvora"},
    {Root::CurrentUser, kViewers, "application/x-kelvora", REG_SZ, kHandler},
    {Root::CurrentUser, kTrusted, kHandler, REG_SZ, "Yes"},
};
const Expected kExplorer[] = {
    {Root::ClassesRoot, ".zip", "", REG_SZ, "Kelvora"},
    {Root::ClassesRoot, "Kelvora", "EditFlags", REG_BINARY, std::string("\0\0\1\0", 4)},
    {Root::ClassesRoot, kCommand, "", REG_SZ,
     "\"C:\\Program Files\\Kelvora 98\\Kelvora98.exe\" \"%1\""},
};

class BrowserRegistrationTest : public ::testing::Test {
protected:
    template <size_t N> void ExpectPresent(const Expected (&values)[N], bool present) {
        for (const Expected& e : values) {
            auto v = box.Read(e.under, e.key, e.name);
            if (present) {
                ASSERT_TRUE(v) << e.key << " / " << e.name;
                EXPECT_EQ(v->Type, e.type) << e.name;
                EXPECT_EQ(v->Data, e.data) << e.name;
            } else {
                EXPECT_FALSE(v) << e.key << " / " << e.name;
            }
        }
    }
    RegistrySandbox box;
};

TEST_F(BrowserRegistrationTest, EachBrowserWritesItsOwnValuesWithTheirTypes) {
    browsers::RegisterNetscape(box.Roots(), kHandler);
    ExpectPresent(kNetscape, true);
    ExpectPresent(kExplorer, false);
    browsers::RegisterExplorer(box.Roots(), kHandler);
    ExpectPresent(kExplorer, true);
    ExpectPresent(kNetscape, true); // ".zip" holds both browsers' values side by side
}

TEST_F(BrowserRegistrationTest, UnregisteringRemovesOurValuesAndLeavesTheKeys) {
    browsers::RegisterNetscape(box.Roots(), kHandler);
    browsers::RegisterExplorer(box.Roots(), kHandler);
    browsers::UnregisterNetscape(box.Roots(), kHandler);
    ExpectPresent(kNetscape, false);
    ExpectPresent(kExplorer, true);
    browsers::UnregisterExplorer(box.Roots(), kHandler);
    ExpectPresent(kExplorer, false);
    for (const char* key : {".zip", kViewers, kTrusted, "Kelvora", kCommand})
        EXPECT_TRUE(box.KeyExists(
            key == kViewers || key == kTrusted ? Root::CurrentUser : Root::ClassesRoot, key))
            << key;
}

TEST_F(BrowserRegistrationTest, UnregisteringWithoutKeysCreatesNoKey) {
    EXPECT_EQ(browsers::ApplyBrowserRegistration(box.Roots(), false, false, kHandler),
              std::nullopt);
    for (const char* key : {".zip", "Kelvora", kCommand})
        EXPECT_FALSE(box.KeyExists(Root::ClassesRoot, key)) << key;
    for (const char* key : {"Software", kViewers, kTrusted})
        EXPECT_FALSE(box.KeyExists(Root::CurrentUser, key)) << key;
    ExpectPresent(kNetscape, false);
    ExpectPresent(kExplorer, false);
}

TEST_F(BrowserRegistrationTest, UnregisteringLeavesAnotherProgramsValuesAlone) {
    // What another zip program (or another copy of this one elsewhere) put there.
    const Expected foreign[] = {
        {Root::ClassesRoot, ".zip", "", REG_SZ, "OtherZip.Archive"},
        {Root::ClassesRoot, ".zip", "Content Type", REG_SZ, "application/zip"},
        {Root::ClassesRoot, "Kelvora", "EditFlags", REG_BINARY, std::string("\0\0\0\0", 4)},
        {Root::ClassesRoot, kCommand, "", REG_SZ, "\"C:\\Other\\Kelvora98.exe\" \"%1\""},
        {Root::CurrentUser, kViewers, "application/x-kelvora", REG_SZ, "C:\\Other\\Kelvora98.exe"},
        {Root::CurrentUser, kTrusted, kHandler, REG_SZ, "No"},
        // Our own text, but as a number: not ours either.
        {Root::ClassesRoot, "Kelvora", "EditFlags", REG_DWORD, std::string("\0\0\1\0", 4)},
    };
    for (const Expected& e : foreign) {
        box.Write(e.under, e.key, e.name, e.type, e.data);
        browsers::UnregisterNetscape(box.Roots(), kHandler);
        browsers::UnregisterExplorer(box.Roots(), kHandler);
        auto v = box.Read(e.under, e.key, e.name);
        ASSERT_TRUE(v) << e.key << " / " << e.name;
        EXPECT_EQ(*v, (RegistrySandbox::Value{e.type, e.data})) << e.key << " / " << e.name;
    }
}

TEST_F(BrowserRegistrationTest, TheFlagsDecideWhichBrowsersAreRegistered) {
    const struct {
        bool netscape, ie;
    } cases[] = {{true, true}, {false, true}, {true, false}, {false, false}, {true, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(browsers::ApplyBrowserRegistration(box.Roots(), c.netscape, c.ie, kHandler),
                  std::nullopt);
        ExpectPresent(kNetscape, c.netscape);
        ExpectPresent(kExplorer, c.ie);
    }
}

TEST_F(BrowserRegistrationTest, AValueThatCannotBeWrittenIsNamedAndTheOtherBrowserStillApplied) {
    const struct {
        Root locked;
        const char* key;
        std::string error;
    } cases[] = {
        {Root::ClassesRoot, "Kelvora", "Failed to set data for 'EditFlags'"},
        {Root::CurrentUser, kViewers, "Failed to set data for 'application/x-kelvora'"},
        {Root::ClassesRoot, kCommand, "Failed to set data for ''"},
    };
    for (const auto& c : cases) {
        RegistrySandbox locked;
        locked.Lock(c.locked, c.key);
        EXPECT_EQ(browsers::ApplyBrowserRegistration(locked.Roots(), true, true, kHandler),
                  c.error);
        // The one refused value is missing; the other browser is complete.
        const bool netscapeFailed = c.locked == Root::CurrentUser;
        EXPECT_EQ(locked.Read(Root::ClassesRoot, ".zip", "Content Type").has_value(), true);
        EXPECT_EQ(locked.Read(Root::ClassesRoot, ".zip", "").has_value(), true);
        EXPECT_EQ(locked.Read(Root::CurrentUser, kTrusted, kHandler).has_value(), !netscapeFailed);
        EXPECT_EQ(locked.Read(Root::ClassesRoot, kCommand, "").has_value(), netscapeFailed);
    }
    EXPECT_THROW(
        {
            RegistrySandbox locked;
            locked.Lock(Root::ClassesRoot, ".zip");
            browsers::RegisterExplorer(locked.Roots(), kHandler);
        },
        browsers::ERegistryError);
}

TEST(BrowserRegistration, TheOpenCommandQuotesThePathAndThePlaceholder) {
    EXPECT_EQ(browsers::OpenCommand("C:\\Tools\\zip.exe"), "\"C:\\Tools\\zip.exe\" \"%1\"");
    EXPECT_EQ(browsers::OpenCommand("C:\\Program Files\\K\\k.exe"),
              "\"C:\\Program Files\\K\\k.exe\" \"%1\"");
}

} // namespace
