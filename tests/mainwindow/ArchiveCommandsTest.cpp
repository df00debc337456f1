// Commands on whole archives through the real main window: Open, the recent archives and
// Close.
#include "tests/mainwindow/MainFormFixture.h"

#include <commdlg.h>

using namespace testing_support;

namespace {

class ArchiveCommandsTest : public MainFormTest {
protected:
    std::string Archive(const std::string& name) {
        return MakeArchive({M("inside.txt", 3, 3)}, name);
    }
    std::vector<std::string> Recent() {
        auto& r = state.Settings.RecentArchives;
        return {r.begin(), r.end()};
    }
    std::string MenuCaption(UINT id) {
        char buf[600] = {};
        GetMenuStringA(form.MainMenu(), id, buf, sizeof buf, MF_BYCOMMAND);
        return buf;
    }
};

TEST_F(ArchiveCommandsTest, OpenShowsTheChosenArchiveAndRemembersItFirst) {
    const std::string a = Archive("a.zip");
    dialogs.openAnswers = {a, ""};
    EXPECT_TRUE(form.RunCommand(IDM_OPENARCHIVE));
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), a);
    EXPECT_EQ(form.ListView1().ItemCount(), 1);
    EXPECT_EQ(form.FileInfo().EntryCount, "1");
    EXPECT_EQ(Recent(), (std::vector<std::string>{a, "", "", ""}));
    const ui::FileDialogRequest& asked = dialogs.fileRequests.at(0);
    EXPECT_EQ(asked.Title, "Open Existing ZIP File");
    EXPECT_EQ(asked.Filter, "Zip file (*.zip)|*.zip|All Zip files (*.zip, *.exe)|*.zip;*.exe");
    EXPECT_EQ(asked.DefaultExt, "zip");
    EXPECT_TRUE(asked.Options & OFN_FILEMUSTEXIST);
    // Cancelled: nothing changes.
    form.RunCommand(IDM_OPENARCHIVE);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), a);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ArchiveCommandsTest, RecentListKeepsFourNewestFirstWithoutReordering) {
    std::vector<std::string> names;
    for (const char* n : {"1.zip", "2.zip", "3.zip", "4.zip"})
        names.push_back(Archive(n));
    struct Step {
        std::string open;
        std::vector<std::string> expected;
    } steps[] = {
        {names[0], {names[0], "", "", ""}},
        {names[1], {names[1], names[0], "", ""}},
        {names[0], {names[1], names[0], "", ""}}, // listed already: keeps its place
        {names[2], {names[2], names[1], names[0], ""}},
        {names[3], {names[3], names[2], names[1], names[0]}},
        {Archive("5.zip"), {tmp.File("5.zip"), names[3], names[2], names[1]}}, // oldest dropped
    };
    for (const Step& s : steps) {
        dialogs.openAnswers = {s.open};
        form.RunCommand(IDM_OPENARCHIVE);
        EXPECT_EQ(Recent(), s.expected) << s.open;
    }
    EXPECT_EQ(MenuCaption(IDM_LASTZIP1), "&1 " + tmp.File("5.zip") + "\tCtrl+1");
    EXPECT_EQ(MenuCaption(IDM_LASTZIP4), "&4 " + names[1] + "\tCtrl+4");
    // Opening from the list neither reorders it nor adds to it.
    form.RunCommand(IDM_LASTZIP3);
    EXPECT_EQ(form.ZipKeeper1().ZipFilename(), names[2]);
    EXPECT_EQ(Recent(), steps[5].expected);
}

TEST_F(ArchiveCommandsTest, MissingOrEmptyRecentEntriesSaySo) {
    state.Settings.RecentArchives = {tmp.File("gone.zip"), "", "", ""};
    form.RunCommand(IDM_LASTZIP1);
    form.RunCommand(IDM_LASTZIP2);
    EXPECT_EQ(dialogs.Texts(),
              (std::vector<std::string>{"File does not exist", "File does not exist"}));
    EXPECT_TRUE(form.ZipKeeper1().ZipFilename().empty());
}

TEST_F(ArchiveCommandsTest, CloseReturnsToTheNoArchiveState) {
    form.OpenArchive(Archive("c.zip"));
    form.RunCommand(IDM_CLOSEARCHIVE);
    EXPECT_TRUE(form.ZipKeeper1().ZipFilename().empty());
    EXPECT_EQ(form.ListView1().ItemCount(), 0);
    EXPECT_EQ(form.Caption(), "Kelvora 98 - ");
    ExpectCommandsFor(false);
}

} // namespace
