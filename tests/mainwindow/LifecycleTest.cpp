// The main window from start to end: what creating and showing it sets up, the command-line
// archive, and a browser's download moved out of a temporary folder before it is opened.
#include "tests/mainwindow/MainFormFixture.h"

#include "base/LongPaths.h"
#include "engine/PathUtil.h"
#include "mainwindow/CommandLine.h"
#include "mainwindow/TempFolders.h"

using namespace testing_support;

namespace {

// A main window started as the program starts it, with a settings file of the test's own.
class LifecycleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ini = tmp.File("kelvora.ini");
        CreateDirectoryA(downloads.c_str(), nullptr);
        Setting("Options", "DownloadDir", downloads);
    }
    void TearDown() override { ui::App().MainForm = nullptr; }

    void Setting(const char* section, const char* key, const std::string& value) {
        WritePrivateProfileStringA(section, key, value.c_str(), ini.c_str());
    }
    std::string Archive(const std::string& path, const std::string& member = "inside.txt") {
        ZipBuilder z;
        z.Archive({M(member, 3, 3)});
        z.WriteTo(path);
        return path;
    }
    TMainForm& Start(std::vector<std::string> commandLine, std::string problem = {}) {
        MainFormStartup startup;
        startup.CommandLine = std::move(commandLine);
        startup.CommandLineProblem = std::move(problem);
        startup.IniFileName = ini;
        form = std::make_unique<TMainForm>(state, std::move(startup));
        ui::App().MainForm = form.get();
        form->Create();
        form->Show();
        return *form;
    }
    std::string Opened() const { return form->ZipKeeper1().ZipFilename(); }
    std::string MemberOf(const std::string& path) {
        TZipKeeper zip(nullptr);
        zip.SetZipFilename(path);
        return zip.Count() == 1 ? zip.Entry(0).FileName : "";
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp; // lies in the user's temporary folder
    std::string ini;
    std::string downloads = tmp.File("downloads");
    kelvora::SharedState state;
    std::unique_ptr<TMainForm> form;
};

TEST_F(LifecycleTest, CreatingSetsTheHelpFileAndTheUnpackFolder) {
    Start({});
    EXPECT_EQ(ui::App().HelpFile, kpath::ChangeFileExt(kpath::ProgramPath(), ".hlp"));
    EXPECT_EQ(form->TempDir(), startup::DetermineTempDir());
    EXPECT_NE(kpath::LowerCase(form->TempDir()) + "\\",
              kpath::LowerCase(kpath::ExtractFilePath(kpath::ProgramPath())));
}

TEST_F(LifecycleTest, ADownloadInTheTemporaryFolderIsMovedAndOpenedWhereItWent) {
    const std::string fresh = Archive(tmp.File("fresh.zip"));
    Start({fresh});
    const std::string moved = downloads + "\\fresh.zip";
    EXPECT_EQ(Opened(), moved);
    EXPECT_FALSE(kpath::FileExists(fresh));
    EXPECT_EQ(form->ListView1().ItemCount(), 1);
    EXPECT_EQ(NamePanelTip(*form), "Filename: " + moved);
    EXPECT_EQ(form->Caption(), "Kelvora 98 - fresh.zip");
}

TEST_F(LifecycleTest, AMissingDownloadFolderIsMadeForTheDownload) {
    const std::string fresh = Archive(tmp.File("fresh.zip"));
    const std::string folder = tmp.File("not\\yet");
    Setting("Options", "DownloadDir", folder);
    Start({fresh});
    EXPECT_EQ(Opened(), folder + "\\fresh.zip");
    EXPECT_TRUE(kpath::FileExists(Opened()));
    EXPECT_EQ(form->ListView1().ItemCount(), 1);
}

TEST_F(LifecycleTest, ANameTakenInTheDownloadFolderGivesTheMovedFileAnotherName) {
    Archive(downloads + "\\same.zip", "older.txt");
    const std::string fresh = Archive(tmp.File("same.zip"), "newer.txt");
    Setting("Options", "DownloadDir", downloads + "\\"); // a trailing backslash as typed
    Start({fresh});
    EXPECT_NE(Opened(), downloads + "\\same.zip");
    EXPECT_EQ(kpath::ExtractFilePath(Opened()), downloads + "\\");
    EXPECT_EQ(MemberOf(Opened()), "newer.txt") << "the moved archive is the one shown";
    EXPECT_EQ(MemberOf(downloads + "\\same.zip"), "older.txt") << "the other file is kept";
    EXPECT_EQ(form->ListView1().ItemText(0, 0), "newer.txt");
}

TEST_F(LifecycleTest, ArchivesOutsideTemporaryFoldersOrWithMovingOffStayWhereTheyAre) {
    // A folder whose name merely contains "temp", outside the temporary folder.
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string contemporary =
        std::string(windows, 3) + "Contemporary" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(contemporary.c_str(), nullptr);
    struct Case {
        std::string archive;
        const char* autoMove;
    } cases[] = {
        {Archive(contemporary + "\\a.zip"), "1"},
        {Archive(downloads + "\\already.zip"), "1"}, // already in the download folder
        {Archive(tmp.File("kept.zip")), "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        Setting("Options", "AutoMove", c.autoMove);
        Start({c.archive});
        EXPECT_EQ(Opened(), c.archive);
        EXPECT_TRUE(kpath::FileExists(c.archive));
        EXPECT_EQ(form->ListView1().ItemCount(), 1);
    }
    DeleteFileA((contemporary + "\\a.zip").c_str());
    RemoveDirectoryA(contemporary.c_str());
}

TEST_F(LifecycleTest, AMissingArchiveShowsItsNameAndAnEmptyListWithTheCommandsOn) {
    Setting("Options", "AutoMove", "0");
    const std::string missing = tmp.File("gone.zip");
    Start({missing, tmp.File("second.zip")});
    EXPECT_EQ(Opened(), missing);
    EXPECT_EQ(form->ListView1().ItemCount(), 0);
    EXPECT_EQ(NamePanelTip(*form), "Filename: " + missing);
    EXPECT_EQ(form->StatusBar1().PanelText(1), "Files in Zip: <none>");
    EXPECT_TRUE(ui::MenuItem(form->MainMenu(), IDM_CLOSEARCHIVE).Enabled());
    EXPECT_TRUE(ui::MenuItem(form->MainMenu(), IDM_EXTRACTALL).Enabled());
}

// Before Windows 10 1903 a name the code page cannot hold, without an 8.3 form it can, is
// told in Unicode instead of opened as an empty list under a mapped name.
TEST_F(LifecycleTest, ACommandLineNameNoCodePageFormCarriesIsToldNotOpened) {
    Setting("Options", "AutoMove", "0");
    const std::wstring name = kname::Widen(tmp.File("\xD0\x9F\xD1\x80\xD0\xB8.zip"), CP_UTF8);
    startup::CommandLineArguments read = startup::ReadCommandLine({name}, 1252);
    Start(std::move(read.Names), std::move(read.FirstProblem));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].utf8);
    EXPECT_EQ(dialogs.shown[0].text,
              "Cannot open \"" + tmp.File("\xD0\x9F\xD1\x80\xD0\xB8.zip") +
                  "\": the name cannot be represented in this system's code page.");
    EXPECT_EQ(Opened(), "");
    EXPECT_EQ(form->ListView1().ItemCount(), 0);
}

TEST_F(LifecycleTest, EndingTheProgramWritesTheRecentArchivesEvenWhenNoneWasOpened) {
    Start({});
    form->Exit1Click();
    form.reset();
    char value[16] = "unset";
    GetPrivateProfileStringA("Last Files", "1", "unset", value, sizeof value, ini.c_str());
    EXPECT_STREQ(value, "");
}

// A file that is there but cannot be opened as an archive is named with the reason, in the
// error box the command ends in; a name that is not there keeps the empty list and says
// nothing. The program started with it on its command line, in folders of any script.
TEST_F(LifecycleTest, AnExistingFileThatCannotBeOpenedIsNamedWithTheReason) {
    Setting("Options", "AutoMove", "0");
    const std::string folder = tmp.File("Пример");
    ASSERT_TRUE(kpath::ForceDirectories(folder + "\\a folder.zip"));
    const std::string locked = Archive(folder + "\\locked.zip");
    const ui::FileHandle lock(CreateFileW(kname::LongPath(locked).c_str(), GENERIC_WRITE, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(lock);
    struct Case {
        const char* what;
        std::string path;
        std::string box; // the start of the error box's text; empty: no box
    } cases[] = {
        {"a folder", folder + "\\a folder.zip",
         "Cannot open \"" + folder + "\\a folder.zip\": it is a folder, not an archive."},
        {"open elsewhere", locked, "Cannot open \"" + locked + "\": "},
        {"not there", folder + "\\missing.zip", ""},
        {"in a missing folder", folder + "\\none\\missing.zip", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.Clear();
        Start({c.path});
        EXPECT_EQ(form->ListView1().ItemCount(), 0);
        EXPECT_EQ(NamePanelTip(*form), "Filename: " + c.path);
        if (c.box.empty()) {
            EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
            continue;
        }
        ASSERT_EQ(dialogs.shown.size(), 1u) << ::testing::PrintToString(dialogs.Texts());
        EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Error);
        EXPECT_EQ(dialogs.shown[0].text.substr(0, c.box.size()), c.box);
        EXPECT_GT(dialogs.shown[0].text.size(), c.box.size() - 1);
        EXPECT_EQ(dialogs.shown[0].text.back(), '.');
    }
}

} // namespace
