// The settings file on disk: round trips of every group of keys and values typed by hand.
// Each test has its own file in its own folder (defaults and refused writes are checked
// through the main window).
#include "settings/SettingsStore.h"
#include "base/CodePages.h"
#include "base/LongPaths.h"
#include "engine/PathUtil.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/Places.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    TempFolder tmp;
    std::string path = tmp.File("kelvora.ini");
    settings::IniFile ini{path};
};

TEST_F(SettingsStoreTest, TheAddFilesBarsRoundTripAndAreNoneUntilStored) {
    EXPECT_FALSE(settings::ReadAddFilesBars(ini));
    settings::WriteAddFilesBars(ini, {420, 333});
    const auto bars = settings::ReadAddFilesBars(settings::IniFile{path});
    ASSERT_TRUE(bars);
    EXPECT_EQ(bars->LeftWidth, 420);
    EXPECT_EQ(bars->TreeHeight, 333);
    // A value a hand made nonsense of counts as none.
    WritePrivateProfileStringA("Window", "AddFilesTree", "-5", path.c_str());
    EXPECT_FALSE(settings::ReadAddFilesBars(settings::IniFile{path}));
}

TEST_F(SettingsStoreTest, EveryGroupOfKeysRoundTrips) {
    kelvora::InMemorySettings s;
    s.AutoMove = false;
    s.DownloadDir = "d:\\my downloads";
    s.AutoRun = false;
    s.AutoExit = true;
    s.Netscape = false;
    s.IE = true;
    s.AesEncryption = true;
    settings::WriteOptions(ini, s);
    settings::WriteWindowBounds(ini, {10, 20, 800, 600});
    settings::WriteColumnWidths(ini, {1, 0, -1, 5, 66, 777});
    settings::WriteAppearance(ini, {true, "Courier New", 0x123456});
    settings::WriteRecentArchives(ini, {"c:\\a.zip", "", "c:\\x;y.zip", ""});

    settings::IniFile again(path);
    kelvora::InMemorySettings r;
    settings::ReadOptions(again, r);
    EXPECT_EQ(
        std::vector<bool>({r.AutoMove, r.AutoRun, r.AutoExit, r.Netscape, r.IE, r.AesEncryption}),
        std::vector<bool>({false, false, true, false, true, true}));
    EXPECT_EQ(r.DownloadDir, "d:\\my downloads");
    settings::WindowBounds b = settings::ReadWindowBounds(again);
    EXPECT_EQ(std::vector<int>({b.Left, b.Top, b.Width, b.Height}),
              std::vector<int>({10, 20, 800, 600}));
    EXPECT_EQ(settings::ReadColumnWidths(again), (settings::ColumnWidths{1, 0, -1, 5, 66, 777}));
    EXPECT_TRUE(settings::ReadGridLines(again));
    EXPECT_EQ(settings::ReadFontName(again), "Courier New");
    EXPECT_EQ(settings::ReadBackground(again).Background, 0x123456u);
    std::array<std::string, 4> recent;
    settings::ReadRecentArchives(again, recent);
    EXPECT_EQ(recent, (std::array<std::string, 4>{"c:\\a.zip", "", "c:\\x;y.zip", ""}));

    const std::string text = ReadFileBytes(path);
    for (const char* line : {"[Settings]", "Color=$00123456", "GridLines=1", "[Last Files]",
                             "2=\r\n", "4=\r\n", "[Columns]", "Size=0", "[Browsers]"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    settings::WriteAppearance(ini, {false, "Arial", settings::clRed});
    EXPECT_NE(ReadFileBytes(path).find("Color=clRed"), std::string::npos);
}

TEST_F(SettingsStoreTest, ValuesTypedByHandAreReadAsTheUserMeantThem) {
    WriteFileBytes(path, "[options]\r\n"
                         "automove=0\r\n"
                         "DownloadDir = \"d:\\my downloads\" \r\n"
                         "AutoRun=$0\r\n"
                         "AutoExit=junk\r\n"
                         "[WINDOW]\r\n"
                         "Width=0x320\r\n"
                         "Height=  600\r\n"
                         "[Columns]\r\n"
                         "Ratio=0\r\n"
                         "Size='90'\r\n"
                         "Time=abc\r\n"
                         "[Settings]\r\n"
                         "GridLines=5\r\n"
                         "Color=clwindow\r\n"
                         "Font=Courier New\r\n");
    kelvora::InMemorySettings s;
    settings::ReadOptions(ini, s);
    EXPECT_FALSE(s.AutoMove);
    EXPECT_EQ(s.DownloadDir, "d:\\my downloads");
    EXPECT_FALSE(s.AutoRun);
    EXPECT_TRUE(s.AutoExit); // not a number: the default
    settings::WindowBounds b = settings::ReadWindowBounds(ini);
    EXPECT_EQ(std::vector<int>({b.Left, b.Width, b.Height}), std::vector<int>({-1, 800, 600}));
    EXPECT_EQ(settings::ReadColumnWidths(ini), (settings::ColumnWidths{200, 90, 100, 0, 80, 300}));
    EXPECT_TRUE(settings::ReadGridLines(ini));
    EXPECT_EQ(settings::ReadFontName(ini), "Courier New");
    EXPECT_EQ(settings::ReadBackground(ini).Background, settings::clWindow);
    EXPECT_EQ(settings::ToColorRef(settings::clWindow), GetSysColor(COLOR_WINDOW));
}

TEST_F(SettingsStoreTest, AColumnShownAgainGetsItsStoredWidthOrFitsItsContents) {
    WriteFileBytes(path, "[Columns]\r\nSize=120\r\nRatio=0\r\nPath=x\r\n");
    EXPECT_EQ(settings::ReadColumnWidth(ini, "Size"), 120);
    EXPECT_EQ(settings::ReadColumnWidth(ini, "Ratio"), -1); // 0 would keep it hidden
    EXPECT_EQ(settings::ReadColumnWidth(ini, "Path"), -1);
    EXPECT_EQ(settings::ReadColumnWidth(ini, "Time"), -1);
}

// The suite runs with UTF-8 as the process code page, as the program does. A file written by
// an earlier version in the ANSI code page (the locale's: 1252 here) is read right, and
// after the first read the file is UTF-8, its other lines as they were.
TEST_F(SettingsStoreTest, AFileWrittenInTheAnsiCodePageIsReadRight) {
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    ASSERT_EQ(kname::AnsiLegacyCodePage(), 1252u);
    WriteFileBytes(path, "; kept\r\n"
                         "[Options]\r\n"
                         "DownloadDir=C:\\Users\\Ren\xE9"
                         "e\\Downloads\r\n"
                         "[Last Files]\r\n"
                         "1=D:\\M\xFC"
                         "ller\\a.zip\r\n");
    kelvora::InMemorySettings s;
    settings::ReadOptions(ini, s);
    EXPECT_EQ(s.DownloadDir, "C:\\Users\\Ren\xC3\xA9"
                             "e\\Downloads");
    std::array<std::string, 4> recent;
    settings::ReadRecentArchives(ini, recent);
    EXPECT_EQ(recent[0], "D:\\M\xC3\xBC"
                         "ller\\a.zip");
    EXPECT_EQ(ReadFileBytes(path), "; kept\r\n"
                                   "[Options]\r\n"
                                   "DownloadDir=C:\\Users\\Ren\xC3\xA9"
                                   "e\\Downloads\r\n"
                                   "[Last Files]\r\n"
                                   "1=D:\\M\xC3\xBC"
                                   "ller\\a.zip\r\n");
}

// Which files are converted: only bytes that are not valid UTF-8 and carry no byte-order mark.
TEST(LegacySettings, OnlyBytesThatAreNotUtf8AreConverted) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<std::string> converted;
    } cases[] = {
        {"ASCII", "[a]\r\nk=v\r\n", std::nullopt},
        {"empty", "", std::nullopt},
        {"UTF-8",
         "k=Ren\xC3\xA9"
         "e",
         std::nullopt},
        {"UTF-8 with a mark", "\xEF\xBB\xBFk=\xC3\xA9", std::nullopt},
        {"UTF-16", std::string("\xFF\xFEk\0", 4), std::nullopt},
        {"ANSI",
         "k=Ren\xE9"
         "e",
         "k=Ren\xC3\xA9"
         "e"},
        {"ANSI that starts like UTF-8", "k=\xC3\xA9\xE9", "k=\xC3\x83\xC2\xA9\xC3\xA9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(settings::LegacySettingsAsUtf8(c.bytes), c.converted) << c.what;
}

TEST_F(SettingsStoreTest, EveryReadSeesTheFileAsItIsNow) {
    settings::WriteAppearance(ini, {false, "Arial", settings::clWindow});
    EXPECT_EQ(settings::ReadFontName(ini), "Arial");
    WriteFileBytes(path, "[Settings]\r\nFont=Tahoma\r\n");
    EXPECT_EQ(settings::ReadFontName(ini), "Tahoma");
}

TEST_F(SettingsStoreTest, LongValuesAreCutAt1023Characters) {
    const std::string name(1500, 'n');
    settings::WriteRecentArchives(ini, {name, "", "", ""});
    std::array<std::string, 4> recent;
    settings::ReadRecentArchives(ini, recent);
    EXPECT_EQ(recent[0], name.substr(0, 1023));
}

// The program may lie in a folder named in any script or deeper than MAX_PATH, its settings
// file beside it: every group of keys is written there, under the file's own long name, and
// read back by a fresh reader.
TEST(SettingsFolders, TheFileBesideTheProgramIsReadAndWrittenInAnyFolder) {
    TempFolder tmp;
    for (const Place& place : kPlaces) {
        const std::string& folder = place.folder;
        SCOPED_TRACE(folder);
        ASSERT_TRUE(kpath::ForceDirectories(tmp.File(folder)));
        const std::string path = tmp.File(folder + "\\Kelvora98.ini");
        {
            settings::IniFile ini(path);
            kelvora::InMemorySettings s;
            s.DownloadDir = tmp.File(folder);
            s.AutoExit = true;
            settings::WriteOptions(ini, s);
            settings::WriteColumnWidths(ini, {1, 2, 3, 4, 5, 6});
            settings::WriteRecentArchives(ini, {path + ".zip", "", "", ""});
        }
        ASSERT_NE(kname::FileAttributes(path), INVALID_FILE_ATTRIBUTES) << "under its long name";
        EXPECT_NE(ReadFileBytes(path).find("AutoExit=1"), std::string::npos);
        settings::IniFile again(path);
        kelvora::InMemorySettings r;
        settings::ReadOptions(again, r);
        EXPECT_EQ(r.DownloadDir, tmp.File(folder));
        EXPECT_TRUE(r.AutoExit);
        EXPECT_EQ(settings::ReadColumnWidths(again), (settings::ColumnWidths{1, 2, 3, 4, 5, 6}));
        std::array<std::string, 4> recent;
        settings::ReadRecentArchives(again, recent);
        EXPECT_EQ(recent[0], path + ".zip");
    }
}

} // namespace
