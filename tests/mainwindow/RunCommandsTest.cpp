// Viewing, running, automatic setup and the Help menu through the real main window. Programs
// really start (a small program that leaves a marker); documents, addresses and help are
// recorded instead of opened.
#include "tests/mainwindow/MemberFixture.h"

#include <algorithm>
#include <cstring>
#include <memory>

using namespace testing_support;

namespace {

std::string ProgramDir() {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    return std::string(exe, std::strrchr(exe, '\\') + 1);
}

std::string Lower(std::string s) {
    return kpath::LowerCase(std::move(s));
}

// What the marker program wrote: its path, its command line, its process number.
struct MarkerRun {
    std::string path, commandLine;
    DWORD pid = 0;
};

class RunCommandsTest : public MemberCommandsTest {
protected:
    void SetUp() override {
        MemberCommandsTest::SetUp();
        ran_.Reset(CreateEventA(nullptr, FALSE, FALSE, "KelvoraTestMarkerRan"));
        ASSERT_TRUE(ran_);
        marker = ReadFileBytes(ProgramDir() + "kmarker.exe");
        ASSERT_FALSE(marker.empty());
    }
    // Waits for the marker program's signal, reads the marker it left beside itself at
    // programPath, and waits until that program has ended.
    MarkerRun WaitForMarker(const std::string& folder) {
        MarkerRun r;
        EXPECT_EQ(WaitForSingleObject(ran_.Get(), 60000), WAIT_OBJECT_0);
        std::string text = ReadFileBytes(folder + "\\ran.txt");
        size_t a = text.find('\n'), b = text.find('\n', a + 1);
        if (a == std::string::npos || b == std::string::npos) return r;
        r.path = text.substr(0, a);
        r.commandLine = text.substr(a + 1, b - a - 1);
        r.pid = std::stoul(text.substr(b + 1));
        if (HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, r.pid)) {
            WaitForSingleObject(p, 60000);
            CloseHandle(p);
        }
        return r;
    }
    // The one folder a command unpacked into below TempDir.
    std::string OnlyUnpackFolder() {
        std::vector<std::string> f = SubFolders(form.TempDir());
        EXPECT_EQ(f.size(), 1u);
        return f.empty() ? "" : f[0];
    }
    std::vector<std::string> ShowViewerTexts(UINT command) {
        std::vector<std::string> texts;
        dialogs.onModal = [&](ui::Form& f) {
            EXPECT_EQ(&f, &viewer);
            texts.push_back(viewer.SavedText());
            return ui::mrOk;
        };
        // As a menu or key sends it, so an error ends in the error box.
        SendMessageA(form.Handle(), WM_COMMAND, command, 0);
        return texts;
    }

    // Unpack folders deeper than MAX_PATH: one its short form brings below, one too deep even
    // for that.
    struct Depth {
        const char* what;
        int folders;
        const char* folderName;
        bool shortFormFits;
    };
    static constexpr Depth kDepths[] = {
        {"deep", 10, "part of a folder thirty chars ", true},
        {"too deep", 40, "folder ", false},
    };
    // A main window of its own unpacking below a folder of that depth (returned in temp), with
    // the archive open.
    std::unique_ptr<TMainForm> UnpackingAt(const Depth& depth, const std::string& archive,
                                           std::string& temp) {
        temp = tmp.File(depth.what);
        for (int i = 0; i < depth.folders; ++i)
            temp.append("\\").append(depth.folderName).append(std::to_string(i));
        MainFormStartup startup = FixtureStartup();
        startup.TempDir = temp;
        auto form = std::make_unique<TMainForm>(state, std::move(startup));
        form->Create();
        form->OpenArchive(archive);
        return form;
    }

    std::string marker;

private:
    ui::FileHandle ran_;
};

TEST_F(RunCommandsTest, AutoInstallStartsTheFirstSetupInArchiveOrderFromAFolderWithSpaces) {
    // A program named like the start of the path, as an unquoted command line would find it.
    WriteFileBytes(tmp.File("Temp.exe"), marker);
    OpenStored({Stored("readme.txt", "read me"), Stored("My Setup/Setup.exe", marker),
                Stored("install.exe", "not this one")});
    EXPECT_EQ(form.FindSetupMember(), "my setup/setup.exe");
    ASSERT_TRUE(form.RunCommand(IDM_INSTALL));

    const std::string folder = OnlyUnpackFolder();
    MarkerRun run = WaitForMarker(folder + "\\My Setup");
    EXPECT_EQ(Lower(run.path), Lower(folder + "\\my setup\\setup.exe"));
    EXPECT_EQ(Lower(run.commandLine), Lower("\"" + folder + "\\my setup\\setup.exe\""));
    EXPECT_FALSE(kpath::FileExists(tmp.File("ran.txt")));         // the look-alike never ran
    EXPECT_EQ(ReadFileBytes(folder + "\\readme.txt"), "read me"); // the whole archive came out
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
}

TEST_F(RunCommandsTest, OpeningAsksBeforeTheSetupStartsOnlyWithTheSettingOnAndASetupPresent) {
    struct Case {
        bool autoRun;
        bool hasSetup;
        bool yes; // the answer to the question, when asked
    } cases[] = {{false, true, true}, {true, false, true}, {true, true, false}, {true, true, true}};
    for (const Case& c : cases) {
        const std::string tag =
            std::to_string(c.autoRun) + std::to_string(c.hasSetup) + std::to_string(c.yes);
        SCOPED_TRACE(tag);
        dialogs.Clear();
        dialogs.confirmAnswers = {c.yes};
        state.Settings.AutoRun = c.autoRun;
        state.Settings.AutoExit = false; // this window stays for the next case
        form.OpenArchive(MakeArchive({Stored(c.hasSetup ? "disk1/INSTALL.EXE" : "a.exe", marker)},
                                     "driver" + tag + ".zip"));
        if (c.autoRun && c.hasSetup) {
            ASSERT_EQ(dialogs.shown.size(), 1u);
            EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Confirm);
            EXPECT_EQ(dialogs.shown[0].text,
                      "Run disk1/install.exe from driver" + tag + ".zip now?");
            EXPECT_EQ(dialogs.shown[0].defaultAnswer, ui::DefaultAnswer::No);
        } else {
            EXPECT_TRUE(dialogs.shown.empty());
        }
        if (c.autoRun && c.hasSetup && c.yes) {
            MarkerRun run = WaitForMarker(OnlyUnpackFolder() + "\\disk1");
            EXPECT_NE(Lower(run.path).find("\\disk1\\install.exe"), std::string::npos);
        } else {
            EXPECT_FALSE(kpath::DirectoryExists(form.TempDir())) << "nothing unpacked";
        }
    }
}

// An archive handed over on the command line or opened from the menu whose setup program
// started after the user's Yes: with the exit-after-setup setting the program closes, without
// it the window stays; after No nothing starts and the window stays.
TEST_F(RunCommandsTest, AnArchiveWhoseSetupStartedClosesTheProgramWhenAskedTo) {
    const std::string archive = MakeArchive({Stored("setup.exe", marker)}, "handed.zip");
    struct Case {
        bool autoExit, yes, handedOver;
    } cases[] = {{false, true, true},  {true, true, true},  {true, false, true},
                 {false, true, false}, {true, true, false}, {true, false, false}};
    for (const auto [autoExit, yes, handedOver] : cases) {
        SCOPED_TRACE(std::to_string(autoExit) + std::to_string(yes) + std::to_string(handedOver));
        dialogs.confirmAnswers = {yes};
        TempFolder own;
        kelvora::SharedState handedState;
        MainFormStartup startup = TestStartup(own);
        WritePrivateProfileStringA("Options", "AutoRun", "1", startup.IniFileName.c_str());
        WritePrivateProfileStringA("Options", "AutoExit", autoExit ? "1" : "0",
                                   startup.IniFileName.c_str());
        if (handedOver) startup.CommandLine = {archive};
        startup.TempDir = own.File("unpacked");
        TMainForm handed(handedState, startup);
        ui::App().MainForm = &handed;
        handed.Create();
        handed.Show();
        if (!handedOver) {
            dialogs.openAnswers = {archive};
            handed.RunCommand(IDM_OPENARCHIVE);
        }
        const std::vector<std::string> unpacked = SubFolders(handed.TempDir());
        ASSERT_EQ(unpacked.size(), yes ? 1u : 0u);
        if (yes) WaitForMarker(unpacked[0]);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        // Only a setup that was started ends the program.
        EXPECT_EQ(IsWindow(handed.Handle()) != 0, !(autoExit && yes));
        ui::App().MainForm = &form;
    }
}

TEST_F(RunCommandsTest, TheSetupCommandWithoutASetupOrWithAMissingMemberStartsNothing) {
    OpenStored({Stored("setup.txt", "no program")});
    form.RunCommand(IDM_INSTALL);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Setup.exe or Install.exe not found"});

    dialogs.Clear();
    LocalMember bad = Stored("data.bin", "damaged");
    bad.crc ^= 1;
    OpenStored({Stored("setup.exe", marker), bad});
    form.RunCommand(IDM_INSTALL);
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_EQ(dialogs.Texts()[0].rfind("1 file was not extracted:", 0), 0u);
    // Not started: an incomplete installation would fail in its own ways.
    EXPECT_FALSE(kpath::FileExists(OnlyUnpackFolder() + "\\ran.txt"));
}

TEST_F(RunCommandsTest, RunningAProgramMemberStartsIt) {
    OpenStored({Stored("bin/tool.EXE", marker), Stored("a.txt", "a")});
    Select({Row("bin/tool.EXE")});
    form.ListView1().FocusRow(Row("bin/tool.EXE"));
    ASSERT_TRUE(form.RunCommand(IDM_POP_RUN));
    const std::string folder = OnlyUnpackFolder();
    MarkerRun run = WaitForMarker(folder + "\\bin");
    EXPECT_EQ(Lower(run.path), Lower(folder + "\\bin\\tool.exe"));
    EXPECT_TRUE(opened.empty()); // started as a program, not through the shell
}

TEST_F(RunCommandsTest, DocumentsOpenThroughTheShellFromTheFocusedRowOnce) {
    OpenStored({Stored("docs/notes.txt", "notes"), Stored("a.txt", "a")});
    form.ListView1().FocusRow(Row("docs/notes.txt"));
    // A double click anywhere in the list runs the focused row.
    NMHDR dbl{form.ListView1().Handle(), IDC_LISTVIEW1, NM_DBLCLK};
    SendMessageA(form.Handle(), WM_NOTIFY, IDC_LISTVIEW1, reinterpret_cast<LPARAM>(&dbl));
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(Lower(opened[0]).rfind(Lower(form.TempDir() + "\\kv"), 0), 0u) << opened[0];
    EXPECT_EQ(opened[0].substr(opened[0].size() - 15), "\\docs\\notes.txt");
    EXPECT_EQ(ReadFileBytes(opened[0]), "notes");

    // Enter in the list: one more, in a fresh folder of its own.
    SetFocus(form.ListView1().Handle());
    SendMessageA(form.ListView1().Handle(), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[1], opened[0]);
    EXPECT_EQ(SubFolders(form.TempDir()).size(), 2u);
    // The Zip menu's Run is the same command.
    SendMessageA(form.Handle(), WM_COMMAND, IDM_RUN2, 0);
    ASSERT_EQ(opened.size(), 3u);
    EXPECT_EQ(ReadFileBytes(opened[2]), "notes");

    // No focused row, or a member that did not come out: nothing is opened.
    form.ListView1().SetItemState(-1, 0, LVIS_FOCUSED);
    form.RunCommand(IDM_POP_RUN);
    form.RunCommand(IDM_RUN2);
    form.RunMember("../outside.txt");
    EXPECT_EQ(opened.size(), 3u);
    EXPECT_EQ(dialogs.Texts().size(), 1u); // the refused name was told
}

TEST_F(RunCommandsTest, ViewShowsEachSelectedRowInTurnOnlyWithTheListFocused) {
    OpenStored({Stored("docs/sub/a.txt", "alpha"), Stored("b.txt", "beta"), Stored("c.txt", "c")});
    Select({Row("docs/sub/a.txt"), Row("b.txt")});
    EXPECT_EQ(ShowViewerTexts(IDM_VIEWSELECTED), (std::vector<std::string>{"beta", "alpha"}));
    EXPECT_TRUE(dialogs.shown.empty());

    SetFocus(form.Handle());
    EXPECT_TRUE(ShowViewerTexts(IDM_VIEWSELECTED).empty());
}

// Members whose names are not ASCII are found where extraction wrote them: under their
// decoded names, in the ANSI code page or outside it.
TEST_F(RunCommandsTest, ViewFindsMembersUnderTheirDecodedNames) {
    LocalMember cafe = Stored("caf\xC3\xA9.txt", "latin");
    LocalMember japanese = Stored("\xE6\x97\xA5\xE6\x9C\xAC/\xCE\xA9mega.txt", "greek");
    cafe.flag = japanese.flag = 0x0800; // UTF-8 names
    OpenStored({cafe, japanese});
    Select({0, 1});
    std::vector<std::string> texts = ShowViewerTexts(IDM_VIEWSELECTED);
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"greek", "latin"}));
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
}

TEST_F(RunCommandsTest, ViewAfterTheReadmeShowsTheMemberInTheOpenViewer) {
    ASSERT_TRUE(form.RunCommand(IDM_README));
    EXPECT_TRUE(viewer.Visible());
    EXPECT_EQ(viewer.SavedText(), ReadFileBytes(ProgramDir() + "readme.txt"));
    EXPECT_EQ(dialogs.modalCount, 0);

    OpenStored({Stored("a.txt", "first"), Stored("b.txt", "second")});
    Select({0, 1});
    EXPECT_EQ(ShowViewerTexts(IDM_VIEWSELECTED), (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts()[0];
}

TEST_F(RunCommandsTest, ViewingAMemberThatDidNotComeOutSaysSoAndStops) {
    LocalMember bad = Stored("a.txt", "damaged");
    bad.crc ^= 1;
    OpenStored({bad, Stored("b.txt", "b")});
    Select({0, 1});
    EXPECT_TRUE(ShowViewerTexts(IDM_VIEWSELECTED).empty());
    // One box, saying why: the engine's reason, not also the missing copy.
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.rfind("1 file was not extracted:", 0), 0u);
    EXPECT_NE(dialogs.shown[0].text.find("a.txt"), std::string::npos);
}

TEST_F(RunCommandsTest, HelpContentsAndTheThreeLinks) {
    ui::App().HelpFile = "C:\\Kelvora\\Kelvora98.hlp";
    form.Button(TMainForm::SpeedButton8).Click();
    ui::App().HelpFile.clear();
    ASSERT_EQ(helpAsked.size(), 1u);
    EXPECT_EQ(helpAsked[0].owner, form.Handle());
    EXPECT_EQ(helpAsked[0].file, "C:\\Kelvora\\Kelvora98.hlp");
    EXPECT_EQ(helpAsked[0].command, static_cast<UINT>(HELP_CONTENTS));

    for (UINT id : {IDM_HOMEPAGE, IDM_LATESTVERSION, IDM_COMMENTS})
        EXPECT_TRUE(form.RunCommand(id));
    form.Button(TMainForm::SpeedButton11).Click(); // Mail
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0].rfind("https://", 0), 0u);
    EXPECT_EQ(opened[1].rfind(opened[0], 0), 0u); // the product page is on the maker's site
    EXPECT_NE(opened[1], opened[0]);
    EXPECT_EQ(opened[2].rfind("mailto:", 0), 0u);
    EXPECT_EQ(opened[3], opened[2]);
    for (const std::string& address : opened) {
        const std::string host = address.substr(0, address.find('/', 8));
        EXPECT_EQ(host.substr(host.size() - 8), ".example") << address;
    }
}

// Deeper than MAX_PATH the system opens nothing: a document unpacked there goes by its short
// form, which names the same file; below what even that reaches, it is said.
TEST_F(RunCommandsTest, MembersUnpackedDeeperThanMaxPathStartByTheirShortForm) {
    const std::string archive = MakeArchive({Stored("notes.txt", "notes")}, "deep.zip");
    for (const Depth& c : kDepths) {
        SCOPED_TRACE(c.what);
        std::string temp;
        const std::unique_ptr<TMainForm> held = UnpackingAt(c, archive, temp);
        TMainForm& deep = *held;
        auto run = [&](const std::string& member) {
            for (int i = 0; i < deep.ListView1().ItemCount(); ++i)
                if (deep.RowEntryName(i) == member) deep.ListView1().FocusRow(i);
            dialogs.Clear();
            opened.clear();
            ASSERT_TRUE(deep.RunCommand(IDM_POP_RUN));
        };
        run("notes.txt");
        std::vector<std::string> folders = SubFolders(temp);
        ASSERT_EQ(folders.size(), 1u);
        const std::string notes = folders[0] + "\\notes.txt";
        ASSERT_GE(notes.size(), static_cast<size_t>(MAX_PATH));
        if (!c.shortFormFits) {
            EXPECT_TRUE(opened.empty());
            ASSERT_EQ(dialogs.Texts().size(), 1u);
            EXPECT_TRUE(dialogs.Texts()[0].starts_with("Cannot start \"" + notes + "\": "))
                << dialogs.Texts()[0];
            continue;
        }
        EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_LT(opened[0].size(), static_cast<size_t>(MAX_PATH));
        EXPECT_TRUE(Lower(opened[0]).ends_with("\\notes.txt")) << "the name keeps its type";
        EXPECT_EQ(ReadFileBytes(opened[0]), "notes");
    }
}

// A program unpacked deeper than MAX_PATH starts by its short form where the system can start
// it so (Windows), or the user is told it cannot (Wine's new process looks its image up by the
// long name); never nothing at all. Below what even the short form reaches, it is told.
TEST_F(RunCommandsTest, ProgramsUnpackedDeeperThanMaxPathStartOrAreToldNot) {
    const std::string archive = MakeArchive({Stored("tool.exe", marker)}, "tools.zip");
    for (const Depth& c : kDepths) {
        SCOPED_TRACE(c.what);
        std::string temp;
        const std::unique_ptr<TMainForm> held = UnpackingAt(c, archive, temp);
        TMainForm& deep = *held;
        deep.ListView1().FocusRow(0);
        dialogs.Clear();
        ASSERT_TRUE(deep.RunCommand(IDM_POP_RUN));
        EXPECT_TRUE(opened.empty()) << "a program is not handed to the shell";
        const std::vector<std::string> folders = SubFolders(temp);
        ASSERT_EQ(folders.size(), 1u);
        const std::string program = folders[0] + "\\tool.exe";
        ASSERT_GE(program.size(), static_cast<size_t>(MAX_PATH));
        ASSERT_EQ(members::StartablePath(program).has_value(), c.shortFormFits);
        if (dialogs.shown.empty()) {
            EXPECT_TRUE(c.shortFormFits);
            EXPECT_TRUE(Lower(WaitForMarker(folders[0]).path).ends_with("\\tool.exe"));
            continue;
        }
        ASSERT_EQ(dialogs.Texts().size(), 1u);
        EXPECT_EQ(dialogs.Texts()[0],
                  kpath::CannotText("start", program, ERROR_FILENAME_EXCED_RANGE));
        EXPECT_FALSE(kpath::FileExists(folders[0] + "\\ran.txt"));
    }
}

} // namespace
