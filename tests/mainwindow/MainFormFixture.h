// The main window with real controls, a test's own shared state and scripted dialogs.
#pragma once

#include "base/MemberNames.h"
#include "mainwindow/Main.h"
#include "mainwindow/MainIds.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"
#include "ui/Application.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace testing_support {

// The main window under test keeps its settings in the test's folder, leaves archives where
// the test put them (test folders lie in the temporary folder, from which a fresh download
// would be moved away) and starts no setup program unless a test turns that on.
inline MainFormStartup TestStartup(const TempFolder& folder) {
    MainFormStartup startup;
    startup.IniFileName = folder.File("kelvora.ini");
    WritePrivateProfileStringA("Options", "AutoMove", "0", startup.IniFileName.c_str());
    WritePrivateProfileStringA("Options", "AutoRun", "0", startup.IniFileName.c_str());
    return startup;
}

// The whole text of the status bar's name panel, which it shows shortened when too long.
inline std::string NamePanelTip(TMainForm& form) {
    wchar_t tip[1024] = {};
    SendMessageW(form.StatusBar1().Handle(), SB_GETTIPTEXTW, MAKEWPARAM(0, 1024),
                 reinterpret_cast<LPARAM>(tip));
    return kname::Narrow(tip, CP_ACP);
}

inline LocalMember M(const std::string& name, std::uint32_t packed, std::uint32_t size,
                     std::uint32_t dosTime = 0x5A8C6000) {
    LocalMember m;
    m.name = name;
    m.data = std::string(packed, 'd');
    m.uncompressedSize = size;
    m.dosTime = dosTime;
    return m;
}

// The stored names of an archive's members, sorted.
inline std::vector<std::string> SortedMembers(const TZipKeeper& zip) {
    std::vector<std::string> m;
    for (int i = 0; i < zip.Count(); ++i)
        m.push_back(zip.Entry(i).FileName);
    std::sort(m.begin(), m.end());
    return m;
}

class MainFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        ui::App().MainForm = &form;
        form.Create();
        form.Show();
        startupTexts = dialogs.Texts();
        dialogs.Clear();
    }
    void TearDown() override { ui::App().MainForm = nullptr; }

    std::string MakeArchive(const std::vector<LocalMember>& members,
                            const std::string& name = "test.zip") {
        ZipBuilder z;
        z.Archive(members);
        std::string path = tmp.File(name);
        z.WriteTo(path);
        return path;
    }
    // Column texts of every row, as the list view shows them.
    std::vector<std::string> Column(int sub) {
        std::vector<std::string> out;
        for (int i = 0; i < form.ListView1().ItemCount(); ++i)
            out.push_back(form.ListView1().ItemText(i, sub));
        return out;
    }
    bool MenuEnabled(UINT id) { return ui::MenuItem(form.MainMenu(), id).Enabled(); }
    void ClickHeader(int column) {
        NMLISTVIEW nm{};
        nm.hdr.hwndFrom = form.ListView1().Handle();
        nm.hdr.idFrom = IDC_LISTVIEW1;
        nm.hdr.code = LVN_COLUMNCLICK;
        nm.iItem = -1;
        nm.iSubItem = column;
        SendMessageA(form.Handle(), WM_NOTIFY, IDC_LISTVIEW1, reinterpret_cast<LPARAM>(&nm));
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    std::vector<std::string> startupTexts;
    TempFolder tmp;
    kelvora::SharedState state;
    // What reaches the shell and Windows help; a test puts recorders here.
    members::Launcher launch = members::WindowsLauncher();
    TMainForm form{state, FixtureStartup()};

    // The test's settings, members unpacked into its folder, launching through `launch`.
    MainFormStartup FixtureStartup() {
        MainFormStartup startup = TestStartup(tmp);
        startup.TempDir = tmp.File("Temp Dir");
        startup.Launch.Open = [this](const std::string& target) {
            if (launch.Open) launch.Open(target);
        };
        startup.Launch.Help = [this](HWND owner, const std::string& file, UINT command) {
            if (launch.Help) launch.Help(owner, file, command);
        };
        return startup;
    }

    // Every command's main menu item is enabled exactly when its row says it may be.
    void ExpectCommandsFor(bool archiveOpen) {
        for (const TMainForm::Command& c : TMainForm::Commands()) {
            if (GetMenuState(form.MainMenu(), c.Id, MF_BYCOMMAND) == static_cast<UINT>(-1))
                continue; // pop-up only, or a hidden item
            EXPECT_EQ(MenuEnabled(c.Id), archiveOpen || !c.NeedsArchive) << c.Id;
        }
    }
};

} // namespace testing_support
