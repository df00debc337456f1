// New, Add, Delete From Zip, Delete Archive, Save As and Convert through the real main
// window, the real engines and the real shell; the add-files dialog's choice is scripted.
#include "tests/mainwindow/MainFormFixture.h"

#include "addfiles/AddFilesToZip.h"
#include "base/LongPaths.h"
#include "engine/PathUtil.h"
#include "mainwindow/ArchiveNames.h"
#include "mainwindow/ArchiveReplacement.h"

#include <algorithm>

using namespace testing_support;

namespace {

// The new-name rule itself is tested with the wizard, which shares it.
TEST(ArchiveNames, SelfExtractingArchivesAreKnownByTheirNameInEitherCase) {
    for (const char* sfx : {"a.exe", "A.EXE", "C:\\x.zip\\b.Exe"})
        EXPECT_TRUE(archivenames::IsSelfExtracting(sfx)) << sfx;
    for (const char* zip : {"a.zip", "exe", "C:\\a.exe\\b.zip", ""})
        EXPECT_FALSE(archivenames::IsSelfExtracting(zip)) << zip;
}

class ZipCommandsTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        addform.Create(form.Handle());
        form.UseWindows({.AddFiles = &addform});
        WriteFileBytes(src.File("one.txt"), "first file");
        WriteFileBytes(src.File("two.txt"), "second file");
        WriteFileBytes(src.File("three.txt"), "third file");
    }
    // The add-files dialog answers with these files.
    void Choose(std::vector<std::string> names) {
        AddFilesResult r;
        for (const std::string& n : names)
            r.FSpecArgs.push_back(src.File(n));
        dialogs.AnswerDialog<AddFilesResult>("AddFiles", r);
    }
    std::vector<std::string> Members() { return SortedMembers(form.ZipKeeper1()); }
    // A new archive with the three files, made by the New command.
    std::string MadeArchive(const std::string& name = "made.zip") {
        dialogs.openAnswers = {tmp.File(name)};
        Choose({"one.txt", "two.txt", "three.txt"});
        form.RunCommand(IDM_NEWARCHIVE);
        dialogs.Clear();
        return form.ZipKeeper1().ZipFilename();
    }
    void SelectRows(std::vector<std::string> names) {
        for (int i = 0; i < form.ListView1().ItemCount(); ++i) {
            const bool on = std::count(names.begin(), names.end(), form.RowEntryName(i)) > 0;
            ListView_SetItemState(form.ListView1().Handle(), i, on ? LVIS_SELECTED : 0,
                                  LVIS_SELECTED);
        }
    }
    // The bytes of a file in the recycle bin ("" when it is not there). The test run points
    // the bin into the build; run by hand, the user's own bin is not looked into.
    std::optional<std::string> Recycled(const std::string& name) {
        char dataHome[MAX_PATH] = {};
        if (!GetEnvironmentVariableA("XDG_DATA_HOME", dataHome, MAX_PATH)) return std::nullopt;
        std::string bin = std::string("Z:") + dataHome + "/Trash/";
        std::replace(bin.begin(), bin.end(), '/', '\\');
        const std::string file = bin + "files\\" + name;
        std::string bytes = kpath::FileExists(file) ? ReadFileBytes(file) : std::string();
        DeleteFileA(file.c_str());
        DeleteFileA((bin + "info\\" + name + ".trashinfo").c_str());
        return bytes;
    }
    // A name no earlier run has left in the recycle bin.
    static std::string UniqueName(const char* stem) {
        return stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) +
               ".zip";
    }

    TAddform addform{state.AddDialogCancelled};
    TempFolder src;
};

TEST_F(ZipCommandsTest, NewMakesTheArchiveWithTheChosenFilesAndRemembersIt) {
    dialogs.openAnswers = {tmp.File("fresh")};
    Choose({"one.txt", "two.txt"});
    ASSERT_TRUE(form.RunCommand(IDM_NEWARCHIVE));
    EXPECT_EQ(dialogs.fileRequests.at(0).Title, "Create new Zip file");
    EXPECT_EQ(dialogs.fileRequests.at(0).Filter, "ZIP Files (*.ZIP)|*.zip");
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), tmp.File("fresh.zip"));
    EXPECT_EQ(Members(), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"2 files were successfully added!"});
    EXPECT_EQ(form.ListView1().ItemCount(), 2);
    EXPECT_EQ(state.Settings.RecentArchives[0], tmp.File("fresh.zip"));
}

TEST_F(ZipCommandsTest, TheEnginesAreFoundWhileTheCurrentFolderLiesBeyondMaxPath) {
    // Extracting into a deep folder leaves it current; the next command still needs its engine.
    std::string deep = tmp.File("deep");
    for (int i = 0; i < 40; ++i)
        deep += "\\folder " + std::to_string(i);
    ASSERT_TRUE(kpath::ForceDirectories(deep));
    ASSERT_TRUE(SetCurrentDirectoryW(kname::LongPath(deep).c_str()));
    dialogs.openAnswers = {tmp.File("fresh")};
    Choose({"one.txt"});
    const bool ran = form.RunCommand(IDM_NEWARCHIVE);
    SetCurrentDirectoryA(tmp.Path().c_str());
    ASSERT_TRUE(ran);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"1 files were successfully added!"});
    EXPECT_EQ(Members(), std::vector<std::string>{"one.txt"});
}

TEST_F(ZipCommandsTest, NewOffersAFreeNameBesideTheOpenArchiveAndNoIsTheSafeAnswer) {
    const std::string shown = MadeArchive();
    dialogs.openAnswers = {shown};
    ASSERT_TRUE(form.RunCommand(IDM_OPENARCHIVE));
    WriteFileBytes(tmp.File("New Archive.zip"), "taken");
    dialogs.Clear();
    dialogs.fileRequests.clear();
    // Ctrl+N, Enter, Enter: the name offered, and the question's default.
    dialogs.openAnswers = {""};
    form.RunCommand(IDM_NEWARCHIVE);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].FileName, tmp.File("New Archive (2).zip"));
    // Typing the open archive's name asks, with No as the default, and No keeps it.
    const std::string before = ReadFileBytes(shown);
    dialogs.openAnswers = {shown};
    form.RunCommand(IDM_NEWARCHIVE);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Overwrite Existing File: " + shown + "?");
    EXPECT_EQ(dialogs.shown[0].defaultAnswer, ui::DefaultAnswer::No);
    EXPECT_EQ(ReadFileBytes(shown), before);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), shown);
    // Open still proposes the archive it opened last.
    dialogs.openAnswers = {""};
    form.RunCommand(IDM_OPENARCHIVE);
    EXPECT_EQ(dialogs.fileRequests.back().FileName, shown);
}

TEST_F(ZipCommandsTest, NewRefusesSelfExtractingAndOtherNames) {
    for (const char* typed : {"made.exe", "notes.txt"}) {
        dialogs.Clear();
        dialogs.openAnswers = {tmp.File(typed)};
        form.RunCommand(IDM_NEWARCHIVE);
        ASSERT_EQ(dialogs.Texts().size(), 1u) << typed;
        EXPECT_EQ(dialogs.Texts()[0], archivenames::CheckNewName(typed).Refusal);
        EXPECT_TRUE(dialogs.dialogsShown.empty()) << "no add-files dialog";
        EXPECT_FALSE(kpath::FileExists(tmp.File(typed)));
    }
}

TEST_F(ZipCommandsTest, NewOverAnExistingFileReplacesItOnlyWhenTheNewArchiveIsComplete) {
    const std::string shown = MadeArchive(); // what the window shows meanwhile
    const std::string name = UniqueName("kept");
    WriteFileBytes(tmp.File(name), "old archive");
    // No; and Yes, then the add-files dialog is left.
    for (bool yes : {false, true}) {
        SCOPED_TRACE(yes);
        dialogs.Clear();
        dialogs.openAnswers = {tmp.File(name)};
        dialogs.confirmAnswers = {yes};
        if (yes) dialogs.AnswerDialog<AddFilesResult>("AddFiles", std::nullopt);
        form.RunCommand(IDM_NEWARCHIVE);
        EXPECT_EQ(dialogs.dialogsShown.size(), yes ? 1u : 0u);
        EXPECT_EQ(dialogs.Texts(),
                  std::vector<std::string>{"Overwrite Existing File: " + tmp.File(name) + "?"});
        EXPECT_EQ(ReadFileBytes(tmp.File(name)), "old archive") << "untouched";
        EXPECT_EQ(Recycled(name).value_or(""), "") << "not in the recycle bin";
        EXPECT_EQ(form.ZipKeeper1().ZipFilename(), shown) << "the window as it was";
        EXPECT_EQ(state.CurrentArchiveName, shown);
        EXPECT_EQ(Members().size(), 3u);
    }

    // Yes and files chosen: the new archive takes the name, the old file is in the bin.
    dialogs.Clear();
    dialogs.openAnswers = {tmp.File(name)};
    dialogs.confirmAnswers = {true};
    Choose({"one.txt", "two.txt"});
    form.RunCommand(IDM_NEWARCHIVE);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), tmp.File(name));
    EXPECT_EQ(Members(), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(dialogs.Texts().back(), "2 files were successfully added!");
    if (auto bytes = Recycled(name)) {
        EXPECT_EQ(*bytes, "old archive");
    }
    EXPECT_FALSE(kpath::FileExists(archivenames::ReplacementWorkName(tmp.File(name))));
    EXPECT_EQ(state.Settings.RecentArchives[0], tmp.File(name));
}

TEST_F(ZipCommandsTest, AnOldArchiveThatCannotBeReplacedStaysAndTheUserIsTold) {
    const std::string name = UniqueName("locked");
    WriteFileBytes(tmp.File(name), "old archive");
    {
        // Held open by a reader that does not share deletion: the shell cannot move it.
        ui::FileHandle held(CreateFileA(tmp.File(name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.Valid());
        dialogs.openAnswers = {tmp.File(name)};
        dialogs.confirmAnswers = {true};
        Choose({"one.txt"});
        form.RunCommand(IDM_NEWARCHIVE);
    }
    EXPECT_EQ(ReadFileBytes(tmp.File(name)), "old archive");
    const std::vector<std::string> texts = dialogs.Texts();
    EXPECT_NE(std::find(texts.begin(), texts.end(),
                        "Error - cannot replace " + tmp.File(name) + "; it is unchanged"),
              texts.end());
    EXPECT_FALSE(kpath::FileExists(archivenames::ReplacementWorkName(tmp.File(name))));
}

TEST_F(ZipCommandsTest, AddMakesTheArchiveANewCommandLeftUnmade) {
    // New, then the add-files dialog is left: the window names an archive not made yet.
    dialogs.openAnswers = {tmp.File("later")};
    dialogs.AnswerDialog<AddFilesResult>("AddFiles", std::nullopt);
    form.RunCommand(IDM_NEWARCHIVE);
    const std::string later = tmp.File("later.zip");
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), later);
    EXPECT_FALSE(kpath::FileExists(later));
    EXPECT_TRUE(ui::MenuItem(form.MainMenu(), IDM_ADDTOZIP).Enabled());

    // The Add button makes it, and Shift+A's command adds to it.
    dialogs.Clear();
    Choose({"one.txt"});
    form.Button(TMainForm::AddZipBut).Click();
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"1 files were successfully added!"});
    EXPECT_EQ(Members(), std::vector<std::string>{"one.txt"});
    Choose({"two.txt"});
    SendMessageA(form.Handle(), WM_COMMAND, IDM_ADDTOZIP, 0);
    EXPECT_EQ(Members(), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(form.ListView1().ItemCount(), 2);
}

TEST_F(ZipCommandsTest, AddHandsTheDialogTheArchiveAndTheMemberListsLook) {
    const std::string archive = MadeArchive();
    HFONT font = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    SendMessageA(form.ListView1().Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(form.ListView1().Handle(), LVM_SETBKCOLOR, 0, RGB(10, 20, 30));
    form.ListView1().SetStyle(LVS_LIST);
    dialogs.AnswerDialog<AddFilesResult>("AddFiles", std::nullopt);
    form.RunCommand(IDM_ADDTOZIP);
    ASSERT_EQ(dialogs.dialogsShown.size(), 1u);
    const auto& request = dialogs.RequestOf<AddFilesRequest>(0);
    EXPECT_EQ(request.ArchiveName, archive);
    EXPECT_TRUE(request.Maximized);
    ASSERT_TRUE(request.Look);
    EXPECT_EQ(request.Look->Font, font);
    EXPECT_EQ(request.Look->Background, RGB(10, 20, 30));
    EXPECT_EQ(request.Look->ViewStyle & LVS_TYPEMASK, static_cast<DWORD>(LVS_LIST));
}

TEST_F(ZipCommandsTest, AddAndDeleteAreRefusedOnASelfExtractingArchiveInEitherCase) {
    MadeArchive();
    form.RunCommand(IDM_CONVERT);
    const std::string upper = tmp.File("SETUP.EXE");
    MoveFileA(tmp.File("made.exe").c_str(), upper.c_str());
    for (const std::string& exe : {tmp.File("setup.exe"), upper}) {
        form.OpenArchive(exe); // the file system ignores case
        ASSERT_EQ(form.ZipKeeper1().Count(), 3);
        SelectRows({"one.txt"});
        dialogs.Clear();
        form.RunCommand(IDM_ADDTOZIP);
        form.RunCommand(IDM_DELETEFROMZIP);
        EXPECT_EQ(dialogs.Texts(),
                  (std::vector<std::string>{
                      "Error - this program can NOT add files to a self-extracting archive",
                      "Error - this pgm can NOT delete files from a self-extracting archive"}));
        EXPECT_TRUE(dialogs.dialogsShown.empty());
    }
    EXPECT_EQ(Members().size(), 3u);
}

TEST_F(ZipCommandsTest, AddWithNothingChosenSaysSoAndAddsNothing) {
    const std::string archive = MadeArchive();
    Choose({});
    form.RunCommand(IDM_ADDTOZIP);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"There are no files selected"});
    EXPECT_EQ(Members().size(), 3u);
}

TEST_F(ZipCommandsTest, ProtectWithPasswordUsesTheEncryptionTheOptionsChose) {
    const std::string archive = MadeArchive();
    form.ZipKeeper1().Password = "pw"; // the engine would ask otherwise
    for (bool aes : {true, false}) {
        state.Settings.AesEncryption = aes;
        AddFilesResult r;
        r.FSpecArgs = {src.File(aes ? "one.txt" : "two.txt")};
        r.AddOptions = AddOpts{AddEncrypt};
        dialogs.AnswerDialog<AddFilesResult>("AddFiles", r);
        form.RunCommand(IDM_ADDTOZIP);
    }
    // Methods as the local headers say: 99 is WinZip AES, traditional keeps the real one.
    const std::string bytes = ReadFileBytes(archive);
    auto field = [&](const std::string& name, size_t offset) {
        const size_t at = bytes.find(name) - 30;
        return static_cast<unsigned char>(bytes[at + offset]) |
               static_cast<unsigned char>(bytes[at + offset + 1]) << 8;
    };
    EXPECT_EQ(field("one.txt", 8), 99);
    EXPECT_NE(field("two.txt", 8), 99);
    EXPECT_EQ(field("two.txt", 6) & 1, 1); // encrypted all the same
    EXPECT_EQ(field("three.txt", 6) & 1, 0);
}

TEST_F(ZipCommandsTest, DeleteFromZipConfirmsNeedsASelectionAndDeletesTheSelectedRows) {
    const std::string archive = MadeArchive();
    SelectRows({"two.txt"});
    dialogs.confirmAnswers = {false};
    form.RunCommand(IDM_DELETEFROMZIP);
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{"Delete selected files from: " + archive + "?"});
    EXPECT_EQ(Members().size(), 3u);

    dialogs.Clear();
    SelectRows({});
    dialogs.confirmAnswers = {true};
    form.RunCommand(IDM_DELETEFROMZIP);
    ASSERT_EQ(dialogs.Texts().size(), 2u);
    EXPECT_EQ(dialogs.Texts()[1], "Error - no files selected");

    dialogs.Clear();
    SelectRows({"two.txt"});
    dialogs.confirmAnswers = {true};
    // The Delete key in the list is the same command.
    form.ListView1KeyDown(VK_DELETE);
    ASSERT_EQ(dialogs.Texts().size(), 2u);
    EXPECT_EQ(dialogs.Texts()[1], "1 files were Deleted");
    EXPECT_EQ(Members(), (std::vector<std::string>{"one.txt", "three.txt"}));
    EXPECT_EQ(form.ListView1().ItemCount(), 2);
}

TEST_F(ZipCommandsTest, DeletingEveryMemberRecyclesTheEmptyArchiveAndClosesIt) {
    const std::string name = UniqueName("all");
    const std::string archive = MadeArchive(name);
    SelectRows({"one.txt", "two.txt", "three.txt"});
    dialogs.confirmAnswers = {true};
    form.RunCommand(IDM_DELETEFROMZIP);
    EXPECT_EQ(dialogs.Texts().back(), "File: " + archive + " was successfully deleted");
    EXPECT_FALSE(kpath::FileExists(archive));
    EXPECT_TRUE(Recycled(name).value_or("gone") != "") << "in the recycle bin";
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), "");
    EXPECT_FALSE(ui::MenuItem(form.MainMenu(), IDM_CLOSEARCHIVE).Enabled());
}

TEST_F(ZipCommandsTest, DeleteArchiveRecyclesTheFileAndClosesIt) {
    const std::string name = UniqueName("bin");
    const std::string archive = MadeArchive(name);
    const std::string bytes = ReadFileBytes(archive);
    form.RunCommand(IDM_DELETEARCHIVE);
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{"File: " + archive + " was successfully deleted"});
    EXPECT_FALSE(kpath::FileExists(archive));
    if (auto recycled = Recycled(name)) {
        EXPECT_EQ(*recycled, bytes);
    }
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_EQ(form.Caption(), "Kelvora 98 - ");
}

TEST_F(ZipCommandsTest, SaveAsCopiesAndGoesOnWithTheCopyUnderTheNameItGot) {
    const std::string archive = MadeArchive();
    const std::string bytes = ReadFileBytes(archive);
    dialogs.saveAnswers = {archive}; // the same name: nothing happens
    form.RunCommand(IDM_SAVEAS);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), archive);

    dialogs.saveAnswers = {tmp.File("copy.zip")};
    form.RunCommand(IDM_SAVEAS);
    EXPECT_EQ(ReadFileBytes(tmp.File("copy.zip")), bytes);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), tmp.File("copy.zip"));
    EXPECT_EQ(form.Caption(), "Kelvora 98 - copy.zip");

    // A file of the chosen name stays as it is; the window is on the copy beside it.
    WriteFileBytes(tmp.File("taken.zip"), "someone else's");
    dialogs.saveAnswers = {tmp.File("taken.zip")};
    form.RunCommand(IDM_SAVEAS);
    EXPECT_EQ(ReadFileBytes(tmp.File("taken.zip")), "someone else's");
    const std::string copy = form.ZipKeeper1().ZipFilename();
    EXPECT_NE(copy, tmp.File("taken.zip"));
    EXPECT_EQ(ReadFileBytes(copy), bytes);
    EXPECT_EQ(state.CurrentArchiveName, copy);
    EXPECT_EQ(Members().size(), 3u);
}

TEST_F(ZipCommandsTest, ConvertBothWaysSwitchesTheCaptionAndGivesTheSameZipBack) {
    const std::string archive = MadeArchive();
    const std::string bytes = ReadFileBytes(archive);
    ui::MenuItem convert(form.MainMenu(), IDM_CONVERT);
    EXPECT_EQ(convert.Caption(), "Convert ZIP to EXE");

    form.RunCommand(IDM_CONVERT);
    const std::string exe = tmp.File("made.exe");
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Filename is now: " + exe});
    EXPECT_EQ(convert.Caption(), "Convert EXE to ZIP");
    EXPECT_FALSE(kpath::FileExists(archive));
    EXPECT_EQ(form.Caption(), "Kelvora 98 - made.exe");
    EXPECT_EQ(NamePanelTip(form), "Filename: " + exe);
    EXPECT_EQ(Members().size(), 3u);

    dialogs.Clear();
    form.RunCommand(IDM_CONVERT);
    EXPECT_EQ(dialogs.Texts(),
              std::vector<std::string>{"Filename is now: " + kpath::LowerCase(archive)});
    EXPECT_EQ(convert.Caption(), "Convert ZIP to EXE");
    EXPECT_EQ(ReadFileBytes(archive), bytes);
    EXPECT_EQ(form.Caption(), "Kelvora 98 - made.zip");
}

TEST_F(ZipCommandsTest, ConvertWithoutMembersSaysSo) {
    form.OpenArchive(tmp.File("nothing.zip"));
    form.RunCommand(IDM_CONVERT);
    EXPECT_EQ(dialogs.Texts(), std::vector<std::string>{"Error: no files in archive"});
}

// Deeper than the shell takes: recycled by the 8.3 folders where that form fits, else erased;
// a file that cannot go is named with the reason, never closed in silence.
TEST_F(ZipCommandsTest, DeleteArchiveDeeperThanTheShellTakesDeletesItOrSaysWhyNot) {
    const struct {
        const char* what;
        int folders;
        const char* folderName;
        bool held;
    } cases[] = {
        {"short form fits", 9, "a folder named at length ", false},
        {"too deep for the short form", 40, "folder ", false},
        {"too deep and held open", 40, "folder ", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string folder = c.what;
        for (int i = 0; i < c.folders; ++i)
            folder.append("\\").append(c.folderName).append(std::to_string(i));
        ASSERT_TRUE(kpath::ForceDirectories(tmp.File(folder)));
        LocalMember one;
        one.name = "one.txt";
        const std::string archive = MakeArchive({one}, folder + "\\archive.zip");
        form.OpenArchive(archive);
        ASSERT_EQ(state.CurrentArchiveName, archive);
        ASSERT_GE(archive.size(), static_cast<size_t>(MAX_PATH));
        ui::FileHandle open;
        if (c.held)
            open.Reset(CreateFileW(kname::LongPath(archive).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                   nullptr));
        form.RunCommand(IDM_DELETEARCHIVE);
        ASSERT_EQ(dialogs.Texts().size(), 1u);
        const std::string expected = c.held ? "Cannot delete \"" + archive + "\": "
                                            : "File: " + archive + " was successfully deleted";
        EXPECT_TRUE(dialogs.Texts()[0].starts_with(expected)) << dialogs.Texts()[0];
        EXPECT_EQ(kpath::FileExists(archive), c.held);
        EXPECT_EQ(form.ZipKeeper1().ZipFilename(), "");
        dialogs.Clear();
    }
}

} // namespace
