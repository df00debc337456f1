// Which opened archives count as fresh downloads, the free name for a moved one, and the
// folder unpacked members go to.
#include "mainwindow/TempFolders.h"

#include <windows.h>

#include <gtest/gtest.h>


namespace {

TEST(TempFolders, OnlyArchivesInTemporaryFoldersAreDownloads) {
    const std::string sysTemp = "C:\\users\\me\\Temp", tempDir = "C:\\windows\\temp";
    struct Case {
        const char* path;
        bool download;
    } cases[] = {
        {"C:\\users\\me\\Temp\\a.zip", true},
        {"c:\\USERS\\ME\\temp\\sub\\dir\\a.zip", true}, // below it, any case
        {"C:\\windows\\temp\\b.zip", true},
        {"D:\\Downloads\\tmp\\c.zip", true}, // a folder named tmp
        {"D:\\x\\TEMP\\c.zip", true},
        {"C:\\Contemporary\\a.zip", false}, // "temp" inside a word
        {"C:\\Templates\\a.zip", false},
        {"C:\\temp.zip", false},
        {"C:\\users\\me\\TempFiles\\a.zip", false}, // beside the temp folder, not in it
        {"D:\\temp\\deeper\\a.zip", false},         // only directly in a temp folder
        {"C:\\users\\me\\Temp", false},             // the folder itself
    };
    for (const Case& c : cases)
        EXPECT_EQ(startup::IsDownloadLocation(c.path, sysTemp, tempDir), c.download) << c.path;
    EXPECT_FALSE(startup::IsDownloadLocation("C:\\data\\a.zip", "", ""));
}

TEST(TempFolders, TempDirIsAFolderWithoutTrailingBackslashAndNeverTheProgramFolder) {
    std::string dir = startup::DetermineTempDir();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.back(), '\\');
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string programFolder(exe);
    programFolder.resize(programFolder.rfind('\\'));
    EXPECT_NE(dir, programFolder);
    EXPECT_NE(startup::SystemTempDir().back(), '\\');
}

} // namespace
