// Extract Selected and Extract All through the real main window, the real extraction engine
// and a scripted folder dialog.
#include "base/MemberNames.h"
#include "base/zipcore/PkCrypt.h"
#include "mainwindow/PasswordDialog.h"
#include "mainwindow/ReplaceDialog.h"
#include "mainwindow/TextFormat.h"
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

// A stored member under traditional encryption with this password.
LocalMember Encrypted(const std::string& name, const std::string& data,
                      const std::string& password) {
    LocalMember m = Stored(name, data);
    m.flag = 1;
    zipcore::PkKeys keys(password);
    const std::array<std::uint8_t, 11> random{3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5};
    const zipcore::EncryptionHeader header = zipcore::MakeEncryptionHeader(
        keys, random, zipcore::EncryptionCheckByte(m.flag, m.crc, m.dosTime));
    std::string body = data;
    keys.Encrypt(reinterpret_cast<std::uint8_t*>(body.data()), body.size());
    m.data = std::string(header.begin(), header.end()) + body;
    m.uncompressedSize = static_cast<std::uint32_t>(data.size());
    return m;
}

TEST(PasswordDialog, ThePromptSaysWhenThePasswordWasWrong) {
    EXPECT_EQ(PasswordPrompt({"a.zip", true}),
              "The password was wrong. Enter the password for a.zip:");
    EXPECT_EQ(PasswordPrompt({"a.zip", false}), "Enter the password for a.zip:");
}

TEST_F(ExtractCommandsTest, AWrongPasswordIsAskedAgainUntilTheMembersOpen) {
    OpenStored({Stored("top.txt", "plain"), Encrypted("docs/a.txt", "secret a", "right"),
                Encrypted("docs/b.txt", "secret b", "right")});
    form.ZipKeeper1().Password = "wrong"; // as if typed at the engine's own question
    const std::string out = tmp.File("opened");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    dialogs.AnswerDialog<std::string>(TPasswordDialog::kDialogName, std::string("still wrong"));
    dialogs.AnswerDialog<std::string>(TPasswordDialog::kDialogName, std::string("right"));
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTALL));
    EXPECT_EQ(ReadFileBytes(out + "\\docs\\a.txt"), "secret a");
    EXPECT_EQ(ReadFileBytes(out + "\\docs\\b.txt"), "secret b");
    EXPECT_EQ(ReadFileBytes(out + "\\top.txt"), "plain");
    ASSERT_EQ(dialogs.dialogsShown.size(), 3u);
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(dialogs.dialogsShown[i].name, TPasswordDialog::kDialogName);
        EXPECT_EQ(dialogs.RequestOf<PasswordRequest>(i).ArchiveName, "test.zip");
        EXPECT_TRUE(dialogs.RequestOf<PasswordRequest>(i).Wrong);
    }
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts()[0];
    EXPECT_EQ(form.ZipKeeper1().Password, "wrong") << "the password given stays as it was";
}

TEST_F(ExtractCommandsTest, GivingUpSkipsTheShutMembersAndTakesAwayFoldersOnlyTheyNeeded) {
    OpenStored({Stored("top.txt", "plain"), Stored("keep/plain.txt", "p"),
                Encrypted("keep/c.txt", "secret c", "right"),
                Encrypted("shut/deep/d.txt", "secret d", "right"), Stored("empty/", "")});
    form.ZipKeeper1().Password = "wrong";
    const std::string out = tmp.File("given up");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    dialogs.AnswerDialog<std::string>(TPasswordDialog::kDialogName, std::nullopt);
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTALL));
    EXPECT_EQ(ReadFileBytes(out + "\\top.txt"), "plain");
    EXPECT_EQ(ReadFileBytes(out + "\\keep\\plain.txt"), "p");
    EXPECT_FALSE(kpath::FileExists(out + "\\keep\\c.txt"));
    EXPECT_FALSE(kpath::DirectoryExists(out + "\\shut")) << "made only for a skipped member";
    EXPECT_TRUE(kpath::DirectoryExists(out + "\\empty")) << "a folder member stays";
    ASSERT_EQ(dialogs.dialogsShown.size(), 2u);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    const std::string& box = dialogs.shown[0].text;
    EXPECT_EQ(box.rfind("2 files were not extracted:", 0), 0u) << box;
    EXPECT_NE(box.find("wrong password for \"keep/c.txt\""), std::string::npos) << box;
    EXPECT_NE(box.find("wrong password for \"shut/deep/d.txt\""), std::string::npos) << box;
}

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
    EXPECT_EQ(form.Progress().ProgressTotal, static_cast<std::int64_t>(form.TotalUncompressed()));
    EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.Texts()[0];
}

TEST_F(ExtractCommandsTest, TheFolderDialogStartsWhereTheLastExtractionWent) {
    state.Settings.DownloadDir = tmp.File("downloads");
    OpenStored(kTree);
    const std::string first = tmp.File("first");
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, first);
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, std::nullopt);
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTALL));
    Select({0});
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTSELECTED)); // cancelled
    ASSERT_EQ(dialogs.dialogsShown.size(), 2u);
    EXPECT_EQ(dialogs.RequestOf<settings::PathDialogRequest>(0).Directory, tmp.File("downloads"));
    EXPECT_EQ(dialogs.RequestOf<settings::PathDialogRequest>(1).Directory, first);
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

TEST_F(ExtractCommandsTest, ExistingFilesAreReplacedOnlyAsTheUserAnswers) {
    OpenStored({Stored("a.txt", "new a"), Stored("b.txt", "new b"), Stored("c.txt", "new c"),
                Stored("d.txt", "new d")});
    using C = ReplaceChoice;
    struct Case {
        const char* label;
        std::vector<std::optional<ReplaceChoice>> answers; // nothing: Cancel
        const char* outcome; // per member: n replaced by the new one, o the old one kept
    } cases[] = {
        {"each", {C::Yes, C::No, C::Yes, C::No}, "nono"},
        {"yes to all", {C::No, C::YesToAll}, "onnn"},
        {"no to all", {C::Yes, C::NoToAll}, "nooo"},
        {"cancel", {C::Yes, std::nullopt}, "oooo"}, // asked before anything is written
    };
    const char* names[] = {"a.txt", "b.txt", "c.txt", "d.txt"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const std::string out = tmp.File(c.label);
        // Extracted once into a new folder, without a question; then changed by the user.
        dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
        form.RunCommand(IDM_EXTRACTALL);
        ASSERT_EQ(ReadFileBytes(out + "\\d.txt"), "new d");
        for (const char* n : names)
            WriteFileBytes(out + "\\" + n, std::string("the user's ") + n);
        dialogs.Clear();
        dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
        for (const auto& a : c.answers)
            dialogs.AnswerDialog<ReplaceChoice>(TReplaceDialog::kDialogName, a);
        form.RunCommand(IDM_EXTRACTALL);

        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(ReadFileBytes(out + "\\" + names[i]),
                      c.outcome[i] == 'n' ? "new " + std::string(1, names[i][0])
                                          : std::string("the user's ") + names[i])
                << names[i];
        ASSERT_EQ(dialogs.dialogsShown.size(), 1 + c.answers.size()) << "one question a file";
        const auto& first = dialogs.RequestOf<ReplaceRequest>(1);
        EXPECT_EQ(first.ExistingPath, kname::Widen(out + "\\a.txt", CP_ACP));
        EXPECT_EQ(first.ExistingSize, std::string("the user's a.txt").size());
        EXPECT_EQ(first.MemberName, L"a.txt");
        EXPECT_EQ(first.MemberSize, 5u);
        EXPECT_EQ(first.MemberDosTime, 0x5A8C6000);
        EXPECT_TRUE(dialogs.shown.empty()) << "kept files are no problem";
        EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
    }
}

TEST(ReplaceQuestion, ShowsBothFilesWithGroupedSizesAndLocalDates) {
    struct Case {
        SYSTEMTIME local; // when the existing file was last written, local time
    } cases[] = {{{2024, 7, 0, 14, 9, 30, 0, 0}}, {{2024, 1, 0, 20, 23, 5, 0, 0}}};
    for (const Case& c : cases) {
        ReplaceRequest r;
        r.ExistingPath = L"C:\\out\\caf\u00E9.txt";
        r.ExistingSize = 1234567;
        SYSTEMTIME universal;
        ASSERT_TRUE(TzSpecificLocalTimeToSystemTime(nullptr, &c.local, &universal));
        ASSERT_TRUE(SystemTimeToFileTime(&universal, &r.ExistingTime));
        r.MemberName = L"\u041F\u0440.txt";
        r.MemberSize = 5;
        r.MemberDosTime = 0x5A8C6000;
        const contents::DosDateTime shown{c.local.wYear, c.local.wMonth,  c.local.wDay,
                                          c.local.wHour, c.local.wMinute, c.local.wSecond};
        EXPECT_EQ(ReplaceQuestion(r),
                  L"This file exists already:\n    C:\\out\\caf\u00E9.txt\n    1 234 567 bytes, "
                  L"modified " +
                      kname::Widen(contents::FormatDateTime(shown), CP_ACP) +
                      L"\n\nReplace it with this file from the archive?\n    \u041F\u0440.txt\n"
                      L"    5 bytes, modified " +
                      kname::Widen(contents::FormatDosDateTime(0x5A8C6000), CP_ACP));
    }
}

TEST_F(ExtractCommandsTest, MemberNamesInTheQuestionAndTheProblemBoxAreDecoded) {
    const std::string cafe = "caf\xC3\xA9.txt"; // UTF-8, flagged as such
    LocalMember named = Stored(cafe, "new");
    named.flag = 0x0800;
    LocalMember bad = Stored("\xD0\x9F\xD1\x80.txt", "damaged"); // Cyrillic, damaged
    bad.flag = 0x0800;
    bad.crc ^= 1;
    OpenStored({named, bad});
    const std::string out = tmp.File("named");
    CreateDirectoryA(out.c_str(), nullptr);
    const std::wstring existing = kname::Widen(out, CP_ACP) + L"\\caf\u00E9.txt";
    HANDLE h = CreateFileW(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    dialogs.AnswerDialog<ReplaceChoice>(TReplaceDialog::kDialogName, ReplaceChoice::Yes);
    form.RunCommand(IDM_EXTRACTALL);

    ASSERT_EQ(dialogs.dialogsShown.size(), 2u);
    const auto& asked = dialogs.RequestOf<ReplaceRequest>(1);
    EXPECT_EQ(asked.MemberName, L"caf\u00E9.txt");
    EXPECT_EQ(asked.ExistingPath, existing);
    EXPECT_NE(ReplaceQuestion(asked).find(L"caf\u00E9.txt"), std::wstring::npos);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0].utf8) << "shown as the UTF-8 it is";
    EXPECT_NE(dialogs.shown[0].text.find("\xD0\x9F\xD1\x80.txt"), std::string::npos)
        << dialogs.shown[0].text;
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

TEST_F(ExtractCommandsTest, TestChecksEveryMemberWritesNothingAndEndsWithOneBox) {
    LocalMember bad = Stored("docs/bad.txt", "damaged data");
    bad.crc ^= 0x1234;
    const struct {
        const char* what;
        std::vector<LocalMember> archive;
        std::vector<std::string> lines; // the box, line by line (without the empty one)
    } cases[] = {
        {"sound", kTree, {"All 5 members of test.zip tested sound."}},
        {"one damaged",
         {Stored("good.txt", "fine"), bad},
         {"1 problem found testing test.zip:", "bad.txt"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.Clear();
        OpenStored(c.archive);
        const std::string folder = tmp.File("current");
        CreateDirectoryA(folder.c_str(), nullptr);
        SetCurrentDirectoryA(folder.c_str());
        ASSERT_TRUE(form.RunCommand(IDM_TEST));
        SetCurrentDirectoryA(tmp.Path().c_str());
        EXPECT_TRUE(SubFolders(folder).empty());
        EXPECT_FALSE(kpath::FileExists(folder + "\\good.txt"));
        EXPECT_FALSE(kpath::FileExists(folder + "\\top.txt"));
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_TRUE(dialogs.shown[0].utf8);
        const std::string& box = dialogs.shown[0].text;
        EXPECT_EQ(box.rfind(c.lines[0], 0), 0u) << box;
        for (const std::string& line : c.lines)
            EXPECT_NE(box.find(line), std::string::npos) << box;
        EXPECT_EQ(form.Progress().ProgressTotal,
                  static_cast<std::int64_t>(form.TotalUncompressed()));
        EXPECT_EQ(ui::GetAppCursor(), ui::AppCursor::Arrow);
    }
}

TEST_F(ExtractCommandsTest, TestRunsFromTheMenuAndItsShortcutOnlyWithAnArchive) {
    EXPECT_FALSE(MenuEnabled(IDM_TEST));
    form.RunCommand(IDM_TEST);
    EXPECT_TRUE(dialogs.shown.empty());
    OpenStored(kTree);
    EXPECT_TRUE(MenuEnabled(IDM_TEST));
    // Shift+T, as the window's accelerators take it.
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    ACCEL keys[64];
    const int n = CopyAcceleratorTableA(table, keys, 64);
    bool found = false;
    for (int i = 0; i < n; ++i)
        found = found || (keys[i].cmd == IDM_TEST && keys[i].key == 'T' &&
                          (keys[i].fVirt & (FSHIFT | FVIRTKEY)) == (FSHIFT | FVIRTKEY));
    EXPECT_TRUE(found);
}

} // namespace
