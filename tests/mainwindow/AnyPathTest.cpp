// Whole commands on archives in folders named in other scripts and below a path longer than
// MAX_PATH, as a user whose folders are named so meets them: opened from the command line,
// added to through the add-files dialog's result, extracted, viewed, converted to a
// self-extractor and back, saved as a copy. The suite runs with the program's manifest
// (UTF-8 code page).
#include "tests/mainwindow/MemberFixture.h"

#include "addfiles/AddFilesToZip.h"
#include "base/LongPaths.h"
#include "mainwindow/CommandLine.h"
#include "settings/PathDialog.h"
#include "tests/support/Places.h"

#include <algorithm>
#include <memory>

using namespace testing_support;

namespace {

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
    EXPECT_EQ(NamePanelTip(form), "Filename: " + archive);
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
        const std::optional<std::string> got = kname::CodePagePath(c.path, c.codePage);
        ASSERT_TRUE(got);
        if (!c.shortForm) {
            EXPECT_EQ(*got, kname::Narrow(c.path, c.codePage));
            continue;
        }
        EXPECT_TRUE(kname::IsAscii(*got)) << *got;
        wchar_t longForm[1024] = {};
        ASSERT_GT(GetLongPathNameW(kname::Widen(*got, c.codePage).c_str(), longForm, 1024), 0u);
        EXPECT_TRUE(longForm == c.path);
    }
    // Nothing of that name: no 8.3 form either, and a mapped name would be another file.
    EXPECT_FALSE(kname::CodePagePath(base + L"\u0141\u00F3d\u017A\\nie ma.zip", 1252));
}

// The decision itself, from the name, the page and the 8.3 form the system has (if any).
TEST(CodePagePath, ANameGoesAsItIsOrByARepresentableShortFormElseNot) {
    const struct {
        const char* what;
        const wchar_t* name;
        UINT codePage;
        const wchar_t* shortForm;
        const char* expected; // nullptr: no name the page can carry
    } cases[] = {
        {"ASCII", L"C:\\a\\b.zip", 1252, L"", "C:\\a\\b.zip"},
        {"in the page", L"C:\\caf\u00E9.zip", 1252, L"", "C:\\caf\xE9.zip"},
        {"UTF-8 holds any script", L"C:\\\u65E5\u672C.zip", CP_UTF8, L"",
         "C:\\\xE6\x97\xA5\xE6\x9C\xAC.zip"},
        {"a page of that script", L"C:\\\u65E5\u672C.zip", 932, L"", "C:\\\x93\xFA\x96\x7B.zip"},
        {"short form", L"C:\\\u0141\u00F3d\u017A.zip", 1252, L"C:\\ODZ~1.ZIP", "C:\\ODZ~1.ZIP"},
        {"no short form", L"C:\\\u0141\u00F3d\u017A.zip", 1252, L"", nullptr},
        {"short form outside the page too", L"C:\\\u0141\u00F3d\u017A.zip", 1252,
         L"C:\\\u0141D~1.ZIP", nullptr},
        {"Cyrillic in a Western page", L"C:\\\u041F\u0440\u0438.zip", 1252, L"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<std::string> got = kname::CodePageName(c.name, c.codePage, c.shortForm);
        if (!c.expected) {
            EXPECT_FALSE(got) << *got;
            continue;
        }
        ASSERT_TRUE(got);
        EXPECT_EQ(*got, c.expected);
    }
}

// The archive named first on the command line is opened, or the user is told why it cannot
// be; the other arguments never stand in for it.
TEST(CommandLine, AFirstNameNoFormCanCarryIsToldNotOpened) {
    TempFolder tmp;
    const std::wstring base = kname::Widen(tmp.Path(), CP_UTF8);
    const std::wstring lost = base + L"\u0141\u00F3d\u017A.zip"; // not there: no 8.3 form
    const std::wstring kept = base + L"caf\u00E9.zip";
    const struct {
        const char* what;
        std::vector<std::wstring> arguments;
        UINT codePage;
        size_t names;
        bool told;
    } cases[] = {
        {"none", {}, 1252, 0, false},
        {"carried", {kept, lost}, 1252, 2, false},
        {"first lost", {lost, kept}, 1252, 2, true},
        {"UTF-8 carries it", {lost}, CP_UTF8, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const startup::CommandLineArguments read =
            startup::ReadCommandLine(c.arguments, c.codePage);
        ASSERT_EQ(read.Names.size(), c.names);
        if (c.names > 0 && !c.told) {
            EXPECT_EQ(read.Names[0], kname::Narrow(c.arguments[0], c.codePage));
        }
        EXPECT_EQ(read.FirstProblem,
                  c.told ? "Cannot open \"" + kname::Narrow(lost, CP_UTF8) +
                               "\": the name cannot be represented in this system's code page."
                         : "");
    }
}

} // namespace
