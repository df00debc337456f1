// Whole runs of the wizard from the main window: every way between the pages with the real
// modal loops nested as the user meets them, and runs that compress real files through the
// real engine and end with the new archive open in the main window.
#include "tests/wizard/WizardFixture.h"

#include "mainwindow/ArchiveReplacement.h"

using namespace testing_support;

namespace {

using Texts = std::vector<std::string>;

// One press: the page on top and the loops running when the user gets there, then what the
// user presses (IDCANCEL is Esc, IDOK is Enter on the button that has the focus; 0 is the
// title bar's close box).
struct Step {
    const char* shown;
    const char* looping;
    int page; // index into Pages()
    int button;
};
enum { P1, PFur, P2, P3, P4 };

TEST_F(WizardTest, EveryWayBetweenThePages) {
    struct Case {
        const char* name;
        std::vector<Step> presses;
        bool named;               // whether the naming step ran
        bool cancelFirst = false; // the first naming dialog is cancelled
    } cases[] = {
        {"page 1 Close", {{"Wiz1", "Wiz1", P1, IDC_WIZ_CLOSE}}, false},
        {"page 1 close box", {{"Wiz1", "Wiz1", P1, 0}}, false},
        {"page 1 Esc", {{"Wiz1", "Wiz1", P1, IDCANCEL}}, false},
        {"further info and back",
         {{"Wiz1", "Wiz1", P1, IDC_WIZ_FURTHERINFO},
          {"Wiz1Fur", "Wiz1 Wiz1Fur", PFur, IDC_WIZ_BACK},
          {"Wiz1", "Wiz1", P1, IDC_WIZ_FURTHERINFO},
          {"Wiz1Fur", "Wiz1 Wiz1Fur", PFur, IDCANCEL},
          {"Wiz1", "Wiz1", P1, IDC_WIZ_CLOSE}},
         false},
        {"page 2 Close",
         {{"Wiz1", "Wiz1", P1, IDC_WIZ_NEXT}, {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_CLOSE}},
         false},
        {"page 2 Back and on again, by Enter on the focused Next",
         {{"Wiz1", "Wiz1", P1, IDOK},
          {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_BACK},
          {"Wiz1", "Wiz1", P1, IDC_WIZ_NEXT},
          {"Wiz2", "Wiz1 Wiz2", P2, IDCANCEL}},
         false},
        {"page 2 Next cancelled, then named, then page 3 Close",
         {{"Wiz1", "Wiz1", P1, IDC_WIZ_NEXT},
          {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_NEXT},
          {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_NEXT},
          {"Wiz3", "Wiz1 Wiz2 Wiz3", P3, IDC_WIZ_CLOSE}},
         true,
         true},
        {"page 3 Back, page 2 Back, page 1 Close",
         {{"Wiz1", "Wiz1", P1, IDC_WIZ_NEXT},
          {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_NEXT},
          {"Wiz3", "Wiz1 Wiz2 Wiz3", P3, IDC_WIZ_BACK},
          {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_BACK},
          {"Wiz1", "Wiz1", P1, IDC_WIZ_CLOSE}},
         true},
        {"page 3 Esc",
         {{"Wiz1", "Wiz1", P1, IDC_WIZ_NEXT},
          {"Wiz2", "Wiz1 Wiz2", P2, IDC_WIZ_NEXT},
          {"Wiz3", "Wiz1 Wiz2 Wiz3", P3, IDCANCEL}},
         true},
    };
    const std::string archive = tmp.File("letters.zip");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        state.CurrentArchiveName.clear();
        dialogs.Clear();
        dialogs.openAnswers = {tmp.File("letters")};
        if (c.cancelFirst) dialogs.openAnswers.push_front("");
        for (const Step& p : c.presses) {
            user.Then([this, p] {
                EXPECT_EQ(Shown(), p.shown);
                EXPECT_EQ(Looping(), p.looping);
                ui::Form& page = *Pages()[p.page];
                if (p.button == 0)
                    SendMessageA(page.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
                else if (p.button == IDOK && !WaitForFocusIn(page))
                    ADD_FAILURE() << "the focus never came to " << PageName(&page);
                else if (p.button == IDCANCEL || p.button == IDOK)
                    SendMessageA(page.Handle(), WM_COMMAND, p.button, 0);
                else
                    Press(page, p.button);
            });
        }
        RunWizard();
        EXPECT_EQ(dialogs.openAnswers.empty(), c.named) << "the naming dialog";
        // A name the wizard never made an archive of is not shown.
        EXPECT_EQ(state.CurrentArchiveName, "");
        EXPECT_EQ(form.ZipKeeper1().ZipFilename(), "");
        EXPECT_EQ(form.Caption(), "Kelvora 98");
        EXPECT_TRUE(dialogs.Texts().empty());
        EXPECT_EQ(GetFileAttributesA(archive.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(WizardTest, LeavingTheWizardDoesNotAskAgainAboutTheOpenArchivesSetup) {
    const std::string driver = tmp.File("driver.zip");
    LocalMember setup, readme;
    setup.name = "setup.exe";
    setup.data = "MZ";
    readme.name = "readme.txt";
    readme.data = "read me";
    ZipBuilder().Archive({setup, readme}).WriteTo(driver);
    state.Settings.AutoRun = false;
    form.OpenArchive(driver);
    state.Settings.AutoRun = true;
    state.CurrentArchiveName = driver;
    dialogs.Clear();
    user.Then([this] { Press(wiz1, IDC_WIZ_CLOSE); });
    RunWizard();
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), driver);
    EXPECT_EQ(form.ZipKeeper1().Count(), 2);
    EXPECT_TRUE(dialogs.Texts().empty()) << "asked: " << dialogs.Texts().front();
}

class CompressTest : public WizardTest {
protected:
    void SetUp() override {
        WizardTest::SetUp();
        for (const char* name : {"Letter1.txt", "letter2.txt", "Budget.CSV"}) {
            files.push_back(tmp.File(name));
            WriteFileBytes(files.back(), std::string(5000, name[0]) + name);
        }
        archive = tmp.File("MyLetters.zip");
    }
    // Page 1 Next, name the archive on page 2, and choose the files on page 3.
    void ReachPage3WithFiles() {
        dialogs.openAnswers.push_back(tmp.File("MyLetters"));
        dialogs.multiOpenAnswers.push_back(files);
        user.Then([this] { Press(wiz1, IDC_WIZ_NEXT); });
        user.Then([this] { Press(wiz2, IDC_WIZ_NEXT); });
        user.Then([this] {
            EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT)));
            Press(wiz3, IDC_WIZ3_ADDFILES);
            EXPECT_EQ(wiz3.ListBox1().Count(), 3);
        });
    }
    Texts Listed() {
        Texts names = Column(0);
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<std::string> files;
    std::string archive;
};

TEST_F(CompressTest, ACompleteRunCompressesTheFilesAndTheMainWindowShowsThem) {
    ReachPage3WithFiles();
    user.Then([this] { Press(wiz3, IDC_WIZ_NEXT); });
    user.Then([this] {
        EXPECT_EQ(Shown(), "Wiz4");
        EXPECT_EQ(Looping(), "Wiz1 Wiz2 Wiz3 Wiz4");
        EXPECT_EQ(wiz3.ListBox1().Count(), 0) << "emptied for the next run";
        EXPECT_EQ(form.ListView1().ItemCount(), 0) << "the main window waits for the end";
        Press(wiz4, IDOK);
    });
    RunWizard();
    EXPECT_EQ(dialogs.Texts(), (Texts{"Now we are going to compress the files. Please wait!",
                                      "CONGRATULATIONS! 3 files were successfully added"}));
    EXPECT_EQ(state.CurrentArchiveName, archive);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), archive);
    EXPECT_EQ(Listed(), (Texts{"Budget.CSV", "Letter1.txt", "letter2.txt"}));
    EXPECT_EQ(form.Caption(), "Kelvora 98 - MyLetters.zip");
    EXPECT_EQ(form.FileInfo().EntryCount, "3");

    // The next run finds page 3 empty, with Next off.
    dialogs.Clear();
    dialogs.openAnswers.push_back(tmp.File("Other"));
    user.Then([this] { Press(wiz1, IDC_WIZ_NEXT); });
    user.Then([this] { Press(wiz2, IDC_WIZ_NEXT); });
    user.Then([this] {
        EXPECT_EQ(wiz3.ListView1().ItemCount(), 0);
        EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT)));
        EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ3_CLEARLIST)));
        Press(wiz3, IDC_WIZ_CLOSE);
    });
    RunWizard();
}

TEST_F(CompressTest, ClosingPage3KeepsItsListAndBackEmptiesIt) {
    ReachPage3WithFiles();
    user.Then([this] { Press(wiz3, IDC_WIZ_CLOSE); });
    RunWizard();
    EXPECT_EQ(GetFileAttributesA(archive.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing added";

    dialogs.openAnswers.push_back(tmp.File("MyLetters"));
    user.Then([this] { Press(wiz1, IDC_WIZ_NEXT); });
    user.Then([this] { Press(wiz2, IDC_WIZ_NEXT); });
    user.Then([this] {
        EXPECT_EQ(wiz3.ListView1().ItemCount(), 3) << "the same files as before";
        EXPECT_TRUE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT)));
        Press(wiz3, IDC_WIZ_BACK);
    });
    user.Then([this] {
        EXPECT_EQ(Shown(), "Wiz2");
        EXPECT_EQ(wiz3.ListView1().ItemCount(), 0);
        EXPECT_EQ(wiz3.ListBox1().Count(), 0);
        Press(wiz2, IDC_WIZ_NEXT);
    });
    user.Then([this] {
        EXPECT_EQ(Shown(), "Wiz3");
        EXPECT_FALSE(IsWindowEnabled(wiz3.Control(IDC_WIZ_NEXT)));
        Press(wiz3, IDC_WIZ_CLOSE);
    });
    dialogs.openAnswers.push_back(tmp.File("MyLetters"));
    RunWizard();
}

TEST_F(CompressTest, AFileTheEngineCannotTakeIsToldBeforeTheCongratulation) {
    ReachPage3WithFiles();
    user.Then([this] {
        DeleteFileA(files[1].c_str()); // gone after it was chosen
        Press(wiz3, IDC_WIZ_NEXT);
    });
    user.Then([this] { Press(wiz4, IDOK); });
    RunWizard();
    Texts texts = dialogs.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Now we are going to compress the files. Please wait!");
    EXPECT_EQ(texts[1].rfind("1 file was not added:", 0), 0u) << texts[1];
    EXPECT_NE(texts[1].find("letter2.txt"), std::string::npos) << texts[1];
    EXPECT_EQ(texts[2], "CONGRATULATIONS! 2 files were successfully added");
    EXPECT_EQ(Listed(), (Texts{"Budget.CSV", "Letter1.txt"}));
}

TEST_F(CompressTest, AnArchiveAllowedToBeReplacedStaysUntilTheNewOneIsWritten) {
    MakeArchive({M("old.txt", 3, 3)}, "MyLetters.zip");
    const std::string oldBytes = ReadFileBytes(archive);
    // Yes to replacing it, then Close on page 3: the old archive is untouched and shown.
    dialogs.confirmAnswers = {true};
    ReachPage3WithFiles();
    user.Then([this] { Press(wiz3, IDC_WIZ_CLOSE); });
    RunWizard();
    EXPECT_EQ(dialogs.Texts(), Texts{"Overwrite Existing File: " + archive + "?"});
    EXPECT_EQ(ReadFileBytes(archive), oldBytes);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), archive);
    EXPECT_EQ(Listed(), Texts{"old.txt"});

    // Yes and Next: the new archive takes the name, with only the new files.
    dialogs.Clear();
    dialogs.confirmAnswers = {true};
    user.Then([this] { Press(wiz1, IDC_WIZ_NEXT); });
    dialogs.openAnswers.push_back(tmp.File("MyLetters"));
    user.Then([this] { Press(wiz2, IDC_WIZ_NEXT); });
    user.Then([this] { Press(wiz3, IDC_WIZ_NEXT); }); // the list kept from the closed run
    user.Then([this] { Press(wiz4, IDOK); });
    RunWizard();
    EXPECT_EQ(dialogs.Texts().back(), "CONGRATULATIONS! 3 files were successfully added");
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), archive);
    EXPECT_EQ(Listed(), (Texts{"Budget.CSV", "Letter1.txt", "letter2.txt"}));
    EXPECT_FALSE(kpath::FileExists(archivenames::ReplacementWorkName(archive)));
}

} // namespace
