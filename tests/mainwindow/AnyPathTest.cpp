// Whole commands on archives in folders named in other scripts and below a path longer than
// MAX_PATH, as a user whose folders are named so meets them: opened from the command line,
// added to through the add-files dialog's result, extracted, viewed, converted to a
// self-extractor and back, saved as a copy. The suite runs with the program's manifest
// (UTF-8 code page).
#include "tests/mainwindow/MemberFixture.h"

#include "addfiles/AddFilesToZip.h"
#include "base/LongPaths.h"
#include "settings/PathDialog.h"

#include <algorithm>
#include <memory>

using namespace testing_support;

namespace {

// A folder deeper than MAX_PATH: ten parts of thirty characters below the test's folder.
std::string DeepFolder() {
    std::string folder = "deep";
    for (int i = 0; i < 10; ++i)
        folder += "\\part " + std::to_string(i) + " of a folder thirty chars";
    return folder;
}

struct Place {
    const char* what;
    std::string folder; // below the test's folder
    std::string archive;
    std::string member; // a file added from the same folder
};

const Place kPlaces[] = {
    {"Polish", "Łódź", "Łódź.zip", "żółw.txt"},
    {"Japanese", "日本語", "日本語.zip", "文書.txt"},
    {"Russian", "Привет", "Привет.zip", "Мир.txt"},
    {"deep", DeepFolder(), "deep.zip", "added.txt"},
};

class AnyPathTest : public ::testing::TestWithParam<Place> {
protected:
    void SetUp() override {
        folder = tmp.Path() + GetParam().folder;
        ASSERT_TRUE(kpath::ForceDirectories(folder)) << folder;
        archive = folder + "\\" + GetParam().archive;
        ZipBuilder z;
        z.Archive({Stored("readme.txt", "read me")});
        z.WriteTo(archive);
        WriteFileBytes(folder + "\\" + GetParam().member, "added here");
        viewer.Create();
    }
    void TearDown() override {
        if (viewer.Visible()) viewer.Hide();
        ui::App().MainForm = nullptr;
    }
    // The program as it starts with the archive on its command line.
    void Start() {
        MainFormStartup startup = TestStartup(tmp);
        startup.CommandLine = {archive};
        // Members are viewed below the same folder.
        startup.TempDir = folder + "\\view";
        held = std::make_unique<TMainForm>(state, std::move(startup));
        ui::App().MainForm = &form();
        TMainForm& form = this->form();
        form.Create();
        addform.Create(form.Handle());
        form.UseWindows({.TextViewer = &viewer, .AddFiles = &addform});
        form.Show();
    }
    std::vector<std::string> Members() { return SortedMembers(form().ZipKeeper1()); }
    int Row(const std::string& member) {
        for (int i = 0; i < form().ListView1().ItemCount(); ++i)
            if (form().RowEntryName(i) == member) return i;
        return -1;
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    std::string folder, archive;
    kelvora::SharedState state;
    std::unique_ptr<TMainForm> held;
    TMainForm& form() { return *held; }
    TAddform addform{state.AddDialogCancelled};
    TfrmTextViewer viewer;
};

TEST_P(AnyPathTest, EveryCommandWorksThere) {
    const Place& place = GetParam();
    Start();
    TMainForm& form = this->form();
    ASSERT_EQ(form.ZipKeeper1().ZipFilename(), archive);
    EXPECT_EQ(form.ListView1().ItemCount(), 1);
    EXPECT_EQ(form.Caption(), "Kelvora 98 - " + place.archive);
    EXPECT_EQ(form.StatusBar1().PanelText(0), "Filename: " + archive);
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());

    // Add: the dialog's result names a file beside the archive.
    AddFilesResult chosen;
    chosen.FSpecArgs = {folder + "\\" + place.member};
    dialogs.AnswerDialog<AddFilesResult>("AddFiles", chosen);
    ASSERT_TRUE(form.RunCommand(IDM_ADDTOZIP));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"1 files were successfully added!"});
    std::vector<std::string> expected{"readme.txt", place.member};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Members(), expected);
    EXPECT_EQ(form.ListView1().ItemCount(), 2);

    // Extract All into a folder beside the archive.
    dialogs.Clear();
    const std::string out = folder + "\\out";
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTALL));
    EXPECT_EQ(ReadFileBytes(out + "\\readme.txt"), "read me");
    EXPECT_EQ(ReadFileBytes(out + "\\" + place.member), "added here");
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());

    // View, unpacked below the same folder.
    std::vector<std::string> viewed;
    dialogs.onModal = [&](ui::Form&) {
        viewed.push_back(viewer.SavedText());
        return ui::mrOk;
    };
    form.ListView1().SelectRow(-1, false);
    form.ListView1().SelectRow(Row(place.member), true);
    SetFocus(form.ListView1().Handle());
    SendMessageA(form.Handle(), WM_COMMAND, IDM_VIEWSELECTED, 0);
    EXPECT_EQ(viewed, std::vector<std::string>{"added here"});
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());

    // To a self-extractor and back, byte for byte.
    const std::string bytes = ReadFileBytes(archive);
    const std::string exe = kpath::ChangeFileExt(archive, ".exe");
    ASSERT_TRUE(form.RunCommand(IDM_CONVERT));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Filename is now: " + exe});
    EXPECT_FALSE(kpath::FileExists(archive));
    EXPECT_EQ(form.ListView1().ItemCount(), 2);
    dialogs.Clear();
    ASSERT_TRUE(form.RunCommand(IDM_CONVERT));
    ASSERT_EQ(dialogs.Texts().size(), 1u);
    EXPECT_EQ(kpath::LowerCase(dialogs.Texts()[0]),
              kpath::LowerCase("Filename is now: " + archive));
    EXPECT_EQ(ReadFileBytes(archive), bytes);
    EXPECT_EQ(form.ListView1().ItemCount(), 2);

    // Save As beside it; the window goes on with the copy.
    dialogs.Clear();
    const std::string copy = folder + "\\copy of " + place.archive;
    dialogs.saveAnswers = {copy};
    ASSERT_TRUE(form.RunCommand(IDM_SAVEAS));
    EXPECT_EQ(ReadFileBytes(copy), bytes);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), copy);
    EXPECT_EQ(form.ListView1().ItemCount(), 2);
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
}

INSTANTIATE_TEST_SUITE_P(Places, AnyPathTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.what); });

// Before Windows 10 1903 the process code page is an ANSI one: the command line's path is
// handed to the program in it exactly, or by its 8.3 form when the page cannot hold it.
TEST(CodePagePath, ANameOutsideTheCodePageComesByItsShortForm) {
    TempFolder tmp;
    const std::wstring base = kname::Widen(tmp.Path(), CP_UTF8);
    ASSERT_TRUE(CreateDirectoryW((base + L"\u0141\u00F3d\u017A").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((base + L"caf\u00E9").c_str(), nullptr));
    struct Case {
        const char* what;
        std::wstring path;
        UINT codePage;
        bool shortForm; // else exactly the page's bytes
    } cases[] = {
        {"outside the page", base + L"\u0141\u00F3d\u017A", 1252, true},
        {"in the page", base + L"caf\u00E9", 1252, false},
        {"UTF-8", base + L"\u0141\u00F3d\u017A", CP_UTF8, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string got = kname::CodePagePath(c.path, c.codePage);
        if (!c.shortForm) {
            EXPECT_EQ(got, kname::Narrow(c.path, c.codePage));
            continue;
        }
        EXPECT_TRUE(kname::IsAscii(got)) << got;
        wchar_t longForm[1024] = {};
        ASSERT_GT(GetLongPathNameW(kname::Widen(got, c.codePage).c_str(), longForm, 1024), 0u);
        EXPECT_TRUE(longForm == c.path);
    }
    // Nothing of that name: the page's nearest form, as the system would hand it over.
    const std::wstring missing = base + L"\u0141\u00F3d\u017A\\nie ma.zip";
    EXPECT_EQ(kname::CodePagePath(missing, 1252), kname::Narrow(missing, 1252));
}

} // namespace
