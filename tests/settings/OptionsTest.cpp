// The options dialog with its real window: filling, the radio logic, the pages, browsing,
// storing on OK in order, and the registry following the flags (in a sandbox key).
#include "engine/UnzEng.h"
#include "mainwindow/Main.h"
#include "mainwindow/MainIds.h"
#include "settings/Options.h"
#include "settings/OptionsIds.h"
#include "settings/PathDialog.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/settings/RegistrySandbox.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>

using namespace testing_support;
using browsers::Root;

namespace {

TEST(OptionsDialog, SitsOverTheMainWindowsCentre) {
    const struct {
        RECT main;
        POINT expected;
    } cases[] = {
        {{100, 50, 700, 451}, {167, 124}}, // 600 x 401: the odd height loses its half pixel
        {{0, 0, 466, 252}, {0, 0}},
        {{-300, -100, 1, 100}, {-383, -126}}, // 301 x 200, left of the screen
    };
    for (const auto& c : cases) {
        POINT p = OptionsDialogPosition(c.main);
        EXPECT_EQ(p.x, c.expected.x) << c.main.left;
        EXPECT_EQ(p.y, c.expected.y) << c.main.top;
    }
}

class OptionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override { Start(); }
    void TearDown() override { ui::App().MainForm = nullptr; }

    // Integration is switched on in the settings file unless a test starts without one.
    explicit OptionsTest(std::vector<std::string> handedNames = {}, bool integrationOn = true)
        : handed(std::move(handedNames)) {
        if (!integrationOn) return;
        // The sections in the order the program writes them, so the order stays checkable.
        std::FILE* f = std::fopen(ini.c_str(), "wb");
        std::fputs("[Options]\r\n[Browsers]\r\nNetscape=1\r\nIE=1\r\n", f);
        std::fclose(f);
    }
    MainFormStartup Startup() {
        MainFormStartup startup;
        for (const std::string& name : handed)
            startup.CommandLine.push_back(tmp.File(name));
        startup.IniFileName = ini;
        startup.BrowserRoots = box.Roots();
        return startup;
    }
    void Start() {
        form.UseWindows({.Options = &options});
        ui::App().MainForm = &form;
        form.Create();
        options.Create(form.Handle());
        AttachControls();
        form.Show();
        startupTexts = dialogs.Texts();
        dialogs.Clear();
    }
    // Runs the Options command; the user acts in the shown dialog, then presses the button.
    void EditWith(std::function<void()> act, int button) {
        dialogs.onModal = [=, this](ui::Form& f) {
            f.Show();
            act();
            SendMessageA(f.Handle(), WM_COMMAND, button, 0);
            return f.GetModalResult();
        };
        ASSERT_TRUE(form.RunCommand(IDM_CONFIGURATION));
    }
    // The dialog's controls, found by their IDs as a user finds them on screen.
    void AttachControls() {
        const std::pair<ui::Control*, int> controls[] = {
            {&pages, IDC_OPT_PAGES},
            {&radiobtnAutoMove, IDC_OPT_AUTOMOVE},
            {&radiobtnKeepInTempDir, IDC_OPT_KEEPINTEMP},
            {&editDownloadDir, IDC_OPT_DOWNLOADDIR},
            {&btnBrowse, IDC_OPT_BROWSE},
            {&chkboxNetscape, IDC_OPT_NETSCAPE},
            {&chkboxIE, IDC_OPT_IE},
            {&chkboxAutoRunSetup, IDC_OPT_AUTORUN},
            {&chkboxAutoExit, IDC_OPT_AUTOEXIT},
            {&radiobtnTraditional, IDC_OPT_TRADITIONAL},
            {&radiobtnAes256, IDC_OPT_AES256},
        };
        for (const auto& [control, id] : controls)
            control->Attach(options.Control(id));
    }
    bool Shows(const ui::Control& c) { return IsWindowVisible(c.Handle()); }
    bool Registered(Root root, const char* key, const std::string& name) {
        return box.Read(root, key, name).has_value();
    }
    bool NetscapeRegistered() {
        return Registered(Root::CurrentUser, "Software\\Netscape\\Netscape Navigator\\Viewers",
                          "application/x-kelvora");
    }
    bool ExplorerRegistered() { return Registered(Root::ClassesRoot, ".zip", ""); }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    RegistrySandbox box;
    TempFolder tmp;
    std::string ini = tmp.File("kelvora.ini");
    kelvora::SharedState state;
    // Names in the test's folder that the form finds on its command line.
    std::vector<std::string> handed;
    TMainForm form{state, Startup()};
    TfrmOptions options;
    ui::TabControl pages;
    ui::RadioButton radiobtnAutoMove, radiobtnKeepInTempDir, radiobtnTraditional, radiobtnAes256;
    ui::Edit editDownloadDir;
    ui::Button btnBrowse;
    ui::CheckBox chkboxNetscape, chkboxIE, chkboxAutoRunSetup, chkboxAutoExit;
    std::vector<std::string> startupTexts;
};

class OptionsFirstStartTest : public OptionsTest {
protected:
    OptionsFirstStartTest() : OptionsTest({}, false) {}
};

TEST_F(OptionsFirstStartTest, WithoutASettingsFileNothingIsWrittenToTheRegistry) {
    EXPECT_TRUE(startupTexts.empty());
    EXPECT_FALSE(state.Settings.Netscape);
    EXPECT_FALSE(state.Settings.IE);
    const struct {
        Root under;
        const char* key;
    } keys[] = {{Root::ClassesRoot, ".zip"},
                {Root::ClassesRoot, "Kelvora"},
                {Root::CurrentUser, "Software\\Netscape"}};
    for (const auto& k : keys)
        EXPECT_FALSE(box.KeyExists(k.under, k.key)) << k.key;
    // Switched on in the options, the browsers are registered then.
    bool shownOff = true;
    EditWith(
        [&] {
            shownOff = !chkboxNetscape.Checked() && !chkboxIE.Checked();
            chkboxIE.Click();
        },
        IDOK);
    EXPECT_TRUE(shownOff);
    EXPECT_TRUE(ExplorerRegistered());
    EXPECT_FALSE(NetscapeRegistered());
}

TEST_F(OptionsTest, ASettingsFileWithIntegrationOnKeepsItsChoice) {
    EXPECT_TRUE(startupTexts.empty());
    EXPECT_TRUE(NetscapeRegistered());
    EXPECT_TRUE(ExplorerRegistered());
    auto command = box.Read(Root::ClassesRoot, "Kelvora\\shell\\open\\command", "");
    ASSERT_TRUE(command);
    EXPECT_EQ(command->Data, "\"" + browsers::ProgramPath() + "\" \"%1\"");
}

TEST_F(OptionsTest, TheDialogShowsTheSettingsOverTheMainWindow) {
    state.Settings = {false, "d:\\dl", false, true, false, true, {}};
    SetWindowPos(form.Handle(), nullptr, 100, 50, 600, 401, SWP_NOZORDER);
    RECT placed{};
    std::vector<bool> seen;
    std::string dir, caption;
    EditWith(
        [&] {
            GetWindowRect(options.Handle(), &placed);
            caption = options.Caption();
            dir = editDownloadDir.Text();
            for (ui::CheckBox* c : std::initializer_list<ui::CheckBox*>{
                     &radiobtnAutoMove, &radiobtnKeepInTempDir, &chkboxNetscape, &chkboxIE,
                     &chkboxAutoRunSetup, &chkboxAutoExit})
                seen.push_back(c->Checked());
            seen.push_back(editDownloadDir.Enabled());
            seen.push_back(btnBrowse.Enabled());
        },
        IDCANCEL);
    EXPECT_EQ(caption, "Kelvora Options");
    EXPECT_EQ(placed.left, 167);
    EXPECT_EQ(placed.top, 124);
    EXPECT_EQ(dir, "d:\\dl");
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false, true, false, true, false, false}));
}

TEST_F(OptionsTest, TheRadioButtonsSwitchTheFolderBoxAndReopeningRestoresThem) {
    std::vector<bool> enabled;
    auto look = [&] {
        enabled.push_back(editDownloadDir.Enabled());
        enabled.push_back(btnBrowse.Enabled());
        enabled.push_back(radiobtnAutoMove.Checked());
    };
    EditWith(
        [&] {
            look();
            radiobtnKeepInTempDir.Click();
            look();
            radiobtnAutoMove.Click();
            look();
            radiobtnKeepInTempDir.Click();
        },
        IDCANCEL);
    EditWith(look, IDCANCEL); // refilled from AutoMove, still on
    EXPECT_EQ(enabled, (std::vector<bool>{true, true, true, false, false, false, true, true, true,
                                          true, true, true}));
}

TEST_F(OptionsTest, OkStoresTheKeysInOrderAndTheRegistryFollows) {
    EditWith(
        [&] {
            radiobtnKeepInTempDir.Click();
            editDownloadDir.SetText("e:\\not checked");
            chkboxNetscape.Click();
            chkboxAutoRunSetup.Click();
        },
        IDOK);
    const kelvora::InMemorySettings& s = state.Settings;
    EXPECT_EQ((std::vector<bool>{s.AutoMove, s.Netscape, s.IE, s.AutoRun, s.AutoExit}),
              (std::vector<bool>{false, false, true, false, true}));
    EXPECT_EQ(s.DownloadDir, "e:\\not checked");
    const std::string file = ReadFileBytes(ini);
    const char* order[] = {"[Options]",  "AutoMove=0", "DownloadDir=e:\\not checked",
                           "AutoRun=0",  "AutoExit=1", "[Browsers]",
                           "Netscape=0", "IE=1"};
    size_t at = 0;
    for (const char* line : order) {
        size_t found = file.find(line, at);
        ASSERT_NE(found, std::string::npos) << line << " in\n" << file;
        at = found;
    }
    EXPECT_FALSE(NetscapeRegistered());
    EXPECT_TRUE(ExplorerRegistered());

    EditWith([&] { chkboxIE.Click(); }, IDOK);
    EXPECT_FALSE(ExplorerRegistered());
    EXPECT_FALSE(state.Settings.IE);
    EditWith([&] { chkboxNetscape.Click(); }, IDOK);
    EXPECT_TRUE(NetscapeRegistered());
}

TEST_F(OptionsTest, TheEncryptionChoiceIsTraditionalUntilAes256IsChosenAndStored) {
    std::vector<bool> seen;
    auto look = [&] {
        options.ShowPage(TfrmOptions::ConfirmationPage);
        for (ui::RadioButton* r : {&radiobtnTraditional, &radiobtnAes256}) {
            seen.push_back(r->Checked());
            seen.push_back(Shows(*r));
        }
    };
    EditWith(
        [&] {
            look();
            radiobtnAes256.Click();
        },
        IDCANCEL);
    EXPECT_FALSE(state.Settings.AesEncryption);
    EditWith(
        [&] {
            look();
            radiobtnAes256.Click();
        },
        IDOK);
    EXPECT_TRUE(state.Settings.AesEncryption);
    EXPECT_NE(ReadFileBytes(ini).find("AesEncryption=1"), std::string::npos);
    EditWith(look, IDCANCEL);
    // Traditional, shown; the cancelled AES click left nothing; then AES as stored.
    EXPECT_EQ(seen, (std::vector<bool>{true, true, false, true, true, true, false, true, false,
                                       true, true, true}));
}

TEST_F(OptionsTest, CancelChangesNothingButTheBoxKeepsTheTypedFolder) {
    EXPECT_EQ(options.DownloadDirText(), ""); // never opened yet
    const kelvora::InMemorySettings before = state.Settings;
    const std::string iniBefore = ReadFileBytes(ini);
    EditWith(
        [&] {
            editDownloadDir.SetText("f:\\typed");
            chkboxIE.Click();
            radiobtnKeepInTempDir.Click();
        },
        IDCANCEL);
    EXPECT_EQ(state.Settings.DownloadDir, before.DownloadDir);
    EXPECT_EQ(state.Settings.IE, before.IE);
    EXPECT_EQ(state.Settings.AutoMove, before.AutoMove);
    EXPECT_EQ(ReadFileBytes(ini), iniBefore);
    EXPECT_TRUE(ExplorerRegistered());
    EXPECT_EQ(options.DownloadDirText(), "f:\\typed");
}

TEST_F(OptionsTest, BrowseStartsAtTheTypedFolderAndTakesTheChosenOne) {
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, std::string("D:\\New"));
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, std::nullopt);
    std::vector<std::string> texts;
    EditWith(
        [&] {
            editDownloadDir.SetText("c:\\old\\");
            btnBrowse.Click();
            texts.push_back(editDownloadDir.Text());
            btnBrowse.Click(); // cancelled: the text stays
            texts.push_back(editDownloadDir.Text());
        },
        IDCANCEL);
    EXPECT_EQ(texts, (std::vector<std::string>{"D:\\New", "D:\\New"}));
    ASSERT_EQ(dialogs.dialogsShown.size(), 3u); // the options dialog and two browsers
    const auto& first = dialogs.RequestOf<settings::PathDialogRequest>(1);
    EXPECT_EQ(first.Title, "Default download folder");
    EXPECT_EQ(first.Directory, "c:\\old");
    EXPECT_EQ(dialogs.RequestOf<settings::PathDialogRequest>(2).Directory, "D:\\New");
}

TEST_F(OptionsTest, PagesShowTheirOwnControlsAndTheLastOneStays) {
    std::vector<bool> shown;
    EditWith(
        [&] {
            shown.push_back(Shows(radiobtnAutoMove));
            shown.push_back(Shows(chkboxNetscape));
            // As a click on the second tab does it.
            TabCtrl_SetCurSel(pages.Handle(), TfrmOptions::BrowserPage);
            NMHDR nm{pages.Handle(), 0, static_cast<UINT>(TCN_SELCHANGE)};
            SendMessageA(options.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
            shown.push_back(Shows(radiobtnAutoMove));
            shown.push_back(Shows(chkboxNetscape));
            shown.push_back(Shows(chkboxAutoExit));
        },
        IDCANCEL);
    EditWith([&] { shown.push_back(Shows(chkboxIE)); }, IDCANCEL);
    EXPECT_EQ(shown, (std::vector<bool>{true, false, false, true, false, true}));
    EXPECT_EQ(pages.Selected(), TfrmOptions::BrowserPage);
    EXPECT_FALSE(IsWindowVisible(options.Control(IDC_OPT_HELP))); // "&Help" is there, hidden
    EXPECT_NE(options.Control(IDC_OPT_HELP), nullptr);
}

TEST_F(OptionsTest, TheToolButtonOpensTheDialogToo) {
    SendMessageA(form.Handle(), WM_COMMAND, IDC_TOOLBUTTON_FIRST + TMainForm::SpeedButton7, 0);
    ASSERT_EQ(dialogs.dialogsShown.size(), 1u);
    EXPECT_EQ(dialogs.dialogsShown[0].name, "Options");
}

class OptionsStartUpTest : public OptionsTest {
protected:
    OptionsStartUpTest() : OptionsTest({"one.zip"}) {}
    void SetUp() override {}
};

TEST_F(OptionsStartUpTest, ARefusedRegistryValueIsToldOnceAndStartUpGoesOn) {
    ZipBuilder z;
    LocalMember one;
    one.name = "one.txt";
    one.data = "1";
    z.Archive({one});
    z.WriteTo(tmp.File("one.zip"));
    box.Lock(Root::ClassesRoot, "Kelvora");
    UnloadUnzEng();
    Start();
    EXPECT_EQ(startupTexts, std::vector<std::string>{"Failed to set data for 'EditFlags'"});
    EXPECT_TRUE(UnzEngLoaded());
    EXPECT_EQ(form.ListView1().ItemCount(), 1);
    EXPECT_TRUE(NetscapeRegistered()); // the other browser is still registered

    // After OK the error is told and the two remaining options are stored all the same.
    EditWith([&] { chkboxAutoExit.Click(); }, IDOK);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Failed to set data for 'EditFlags'"});
    EXPECT_FALSE(state.Settings.AutoExit);
    EXPECT_NE(ReadFileBytes(ini).find("AutoExit=0"), std::string::npos);
}

} // namespace
