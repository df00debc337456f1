#include "base/zipcore/SafeName.h"

#include <gtest/gtest.h>

using zipcore::MakeSafePath;

TEST(SafeName, OrdinaryNamesBecomeRelativePaths) {
    auto r = MakeSafePath("docs/sub/a.txt", '\\', true);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.path, "docs\\sub\\a.txt");
    EXPECT_FALSE(r.directory);

    r = MakeSafePath("docs\\sub/./a.txt", '/', true);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.path, "docs/sub/a.txt");

    r = MakeSafePath("docs//sub/", '\\', true);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.path, "docs\\sub");
    EXPECT_TRUE(r.directory);

    r = MakeSafePath("docs/sub/a.txt", '\\', false);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.path, "a.txt");

    r = MakeSafePath("...hidden/x..y/con1.txt", '\\', true);
    ASSERT_TRUE(r.ok) << r.reason;
}

TEST(SafeName, AFolderEntryOfDotsOnlyIsTheTargetFolderAFileOfDotsOnlyIsRefused) {
    for (const char* name : {"./", ".\\", "././", ".//"}) {
        auto r = MakeSafePath(name, '\\', true);
        ASSERT_TRUE(r.ok) << name << ": " << r.reason;
        EXPECT_EQ(r.path, "") << name;
        EXPECT_TRUE(r.directory) << name;
    }
    for (const char* name : {".", "./.", "", "/./"})
        EXPECT_FALSE(MakeSafePath(name, '\\', true).ok) << name;
}

TEST(SafeName, PathsThatLeaveTheTargetAreRefused) {
    for (const char* name :
         {"/etc/passwd", "\\windows\\x.dll", "C:\\x.txt", "c:x.txt", "\\\\server\\share\\x",
          "//?/C:/x", "../x.txt", "a/../../x.txt", "a\\..\\x", ".."}) {
        auto r = MakeSafePath(name, '\\', true);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_FALSE(r.reason.empty()) << name;
        EXPECT_FALSE(MakeSafePath(name, '\\', false).ok) << name;
    }
}

TEST(SafeName, DeviceNamesAreRefusedAlsoWithExtensions) {
    for (const char* name : {"CON", "prn", "aux.txt", "dir/NUL", "nul.tar.gz", "COM1", "com9.log",
                             "LPT1", "lpt5.x", "CONIN$", "conout$.txt", "NUL .txt", "com\xC2\xB9",
                             "COM\xC2\xB2.txt", "lpt\xC2\xB3", "dir/LPT\xC2\xB9.log"}) {
        auto r = MakeSafePath(name, '\\', true);
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.reason.find("device"), std::string::npos) << name << ": " << r.reason;
    }
    for (const char* name : {"CONSOLE", "com10", "COM0", "lpt", "nullify.txt", "auxiliary",
                             "com\xC2\xB4", "lpt\xC2\xB9\xC2\xB9", "com\xE2\x81\xB4"})
        EXPECT_TRUE(MakeSafePath(name, '\\', true).ok) << name;
}

TEST(SafeName, CharactersWindowsForbidsAreRefused) {
    for (const char* name : {"a<b", "a>b", "a:b", "a\"b", "a|b", "a?b", "a*b", "tab\there",
                             "dir\x01/x", "trailing.", "trailing ", "dir./x", "dir /x"}) {
        EXPECT_FALSE(MakeSafePath(name, '\\', true).ok) << name;
    }
}

TEST(SafeName, EmptyNamesAreRefused) {
    EXPECT_FALSE(MakeSafePath("", '\\', true).ok);
    EXPECT_FALSE(MakeSafePath("//", '\\', true).ok);
}
