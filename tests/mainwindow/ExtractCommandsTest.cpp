// Extract Selected and Extract All through the real main window, the real extraction engine
// and a scripted folder dialog.
#include "settings/PathDialog.h"
#include "tests/mainwindow/MemberFixture.h"

using namespace testing_support;

namespace {

using ExtractCommandsTest = MemberCommandsTest;

const std::vector<LocalMember> kTree = {
    Stored("top.txt", "top level\r\n"),
    Stored("docs/", ""),
    Stored("docs/sub/a.txt", "deep a"),
    Stored("docs/b.txt", std::string(70000, 'b')), // more than one progress unit
    Stored("empty/", ""),
};

TEST_F(ExtractCommandsTest, ExtractAllReproducesTheTreeAndEndsWithTheArrow) {
    state.Settings.DownloadDir = tmp.File("downloads");
    OpenStored(kTree);
    const std::string out = tmp.File("new folder\\out");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    Select({1}); // the selection does not matter
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTALL));

    const auto& asked = dialogs.RequestOf<settings::PathDialogRequest>(0);
    EXPECT_EQ(asked.Title, "Extract to:");
    EXPECT_EQ(asked.Directory, tmp.File("downloads"));
    for (const LocalMember& m : kTree) {
        std::string local = out + "\\" + m.name;
        for (char& c : local)
            if (c == '/') c = '\\';
        if (m.name.back() == '/')
            EXPECT_TRUE(kpath::DirectoryExists(local)) << m.name;
        else
            EXPECT_EQ(ReadFileBytes(local), m.data) << m.name;
    }
    EXPECT_EQ(form.Progress().ProgressTotal, static_cast<std::int64_t>(form.TotalUncompressed));
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts()[0];
}

TEST_F(ExtractCommandsTest, ExtractSelectedWritesOnlyTheSelectedRows) {
    OpenStored(kTree);
    const std::string out = tmp.File("sel");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    Select({Row("docs/sub/a.txt"), Row("top.txt")});
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTSELECTED));
    EXPECT_EQ(ReadFileBytes(out + "\\docs\\sub\\a.txt"), "deep a");
    EXPECT_EQ(ReadFileBytes(out + "\\top.txt"), "top level\r\n");
    EXPECT_FALSE(kpath::FileExists(out + "\\docs\\b.txt"));
    EXPECT_EQ(form.Progress().ProgressTotal, 0);
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ExtractCommandsTest, NothingHappensOrTheUserIsToldWhenThereIsNothingToDo) {
    struct Case {
        const char* what;
        std::vector<LocalMember> archive; // empty: no archive open
        bool answerFolder;
        bool selectNone;
        UINT command;
        std::vector<std::string> boxes;
        bool dialogShown;
    } cases[] = {
        {"no archive", {}, true, false, IDM_EXTRACTALL, {}, false},
        {"cancelled", kTree, false, false, IDM_EXTRACTALL, {}, true},
        {"cancelled selected", kTree, false, false, IDM_EXTRACTSELECTED, {}, true},
        {"no selection", kTree, true, true, IDM_EXTRACTSELECTED, {"No files selected"}, true},
        {"only folders",
         {Stored("src/", "")},
         true,
         false,
         IDM_EXTRACTSELECTED,
         {"No files to extract"},
         true},
    };
    for (const Case& c : cases) {
        form.CloseArchive1Click();
        dialogs = ScriptedDialogs{};
        const std::string out = tmp.File(std::string("none ") + c.what);
        if (!c.archive.empty()) OpenStored(c.archive);
        if (c.selectNone) Select({});
        if (c.answerFolder)
            dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
        else
            dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, std::nullopt);
        form.RunCommand(c.command);
        EXPECT_EQ(dialogs.Texts(), c.boxes) << c.what;
        EXPECT_EQ(dialogs.dialogsShown.size(), c.dialogShown ? 1u : 0u) << c.what;
        EXPECT_FALSE(kpath::DirectoryExists(out)) << c.what;
    }
}

TEST_F(ExtractCommandsTest, AnExistingFileIsKeptAndTheUserTold) {
    OpenStored({Stored("a.txt", "from the archive"), Stored("b.txt", "b")});
    const std::string out = tmp.File("has a");
    CreateDirectoryA(out.c_str(), nullptr);
    WriteFileBytes(out + "\\a.txt", "the user's own");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    form.RunCommand(IDM_EXTRACTALL);
    EXPECT_EQ(ReadFileBytes(out + "\\a.txt"), "the user's own");
    EXPECT_EQ(ReadFileBytes(out + "\\b.txt"), "b");
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, ShownBox::Info);
    EXPECT_EQ(dialogs.shown[0].text.rfind("1 file was not extracted:", 0), 0u);
    EXPECT_NE(dialogs.shown[0].text.find("a.txt"), std::string::npos);
}

TEST_F(ExtractCommandsTest, UnsafeNamesAndBadChecksumsAreReportedAndNothingLandsWrongly) {
    LocalMember bad = Stored("bad.txt", "damaged data");
    bad.crc ^= 0x1234;
    OpenStored({Stored("../evil.txt", "escaped"), bad, Stored("good.txt", "fine")});
    const std::string out = tmp.File("deep\\out");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    form.RunCommand(IDM_EXTRACTALL);

    EXPECT_EQ(ReadFileBytes(out + "\\good.txt"), "fine");
    EXPECT_FALSE(kpath::FileExists(out + "\\bad.txt"));
    EXPECT_FALSE(kpath::FileExists(tmp.File("deep\\evil.txt")));
    EXPECT_FALSE(kpath::FileExists(tmp.File("evil.txt")));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const std::string& box = dialogs.shown[0].text;
    EXPECT_EQ(box.rfind("2 files were not extracted:", 0), 0u) << box;
    EXPECT_NE(box.find("evil.txt"), std::string::npos) << box;
    EXPECT_NE(box.find("bad.txt"), std::string::npos) << box;
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
}

} // namespace
