// The wizard's whole run in folders named in other scripts and below a path longer than
// MAX_PATH: the new archive is named there, files of that folder are chosen and compressed,
// the main window opens the archive, and Extract All gets the files back beside it.
#include "tests/wizard/WizardFixture.h"

#include "settings/PathDialog.h"
#include "tests/support/Places.h"

#include <algorithm>

using namespace testing_support;

namespace {

class WizardAnyPathTest : public WizardTest, public ::testing::WithParamInterface<Place> {};

TEST_P(WizardAnyPathTest, ANewArchiveIsMadeOpenedAndExtractedThere) {
    const Place& place = GetParam();
    const std::string folder = tmp.Path() + place.folder;
    ASSERT_TRUE(kpath::ForceDirectories(folder)) << folder;
    const std::vector<std::string> names = {place.member, "second.txt"};
    std::vector<std::string> files;
    for (const std::string& name : names) {
        files.push_back(folder + "\\" + name);
        WriteFileBytes(files.back(), "bytes of " + name);
    }
    const std::string archive = folder + "\\" + place.archive;

    // Named without its extension, as a user types it.
    dialogs.openAnswers.push_back(kpath::ChangeFileExt(archive, ""));
    dialogs.multiOpenAnswers.push_back(files);
    user.Then([this] { Press(wiz1, IDC_WIZ_NEXT); });
    user.Then([this] { Press(wiz2, IDC_WIZ_NEXT); });
    user.Then([this] {
        Press(wiz3, IDC_WIZ3_ADDFILES);
        EXPECT_EQ(wiz3.ListBox1().Count(), 2);
        Press(wiz3, IDC_WIZ_NEXT);
    });
    user.Then([this] { Press(wiz4, IDOK); });
    RunWizard();
    const bool made = files[0].size() <= 255;
    // An archive that was never made is not shown.
    EXPECT_EQ(state.CurrentArchiveName, made ? archive : "");
    ASSERT_EQ(form.ZipKeeper1().ZipFilename(), made ? archive : "");
    EXPECT_EQ(form.Caption(), made ? "Kelvora 98 - " + place.archive : "Kelvora 98");
    const std::vector<std::string> texts = dialogs.Texts();
    ASSERT_EQ(texts.size(), made ? 2u : 3u);
    EXPECT_EQ(texts.front(), "Now we are going to compress the files. Please wait!");
    if (texts.size() == 3) {
        // The engine's record holds 255 characters a name: a file stored with its folders
        // from deeper than that is refused, naming it, and nothing is made.
        EXPECT_TRUE(texts[1].starts_with(
            "Error - file specification too long (more than 255 characters): "))
            << texts[1];
        EXPECT_EQ(texts[2], "CONGRATULATIONS! 0 files were successfully added");
        EXPECT_EQ(form.ListView1().ItemCount(), 0);
        return;
    }
    EXPECT_EQ(texts[1], "CONGRATULATIONS! 2 files were successfully added");
    ASSERT_EQ(form.ListView1().ItemCount(), 2);

    // Extract All: the members come out below the chosen folder with their stored folders.
    dialogs.Clear();
    const std::string out = folder + "\\out";
    dialogs.AnswerDialog<std::string>(settings::TPathDialog::kDialogName, out);
    ASSERT_TRUE(form.RunCommand(IDM_EXTRACTALL));
    EXPECT_TRUE(dialogs.shown.empty()) << ::testing::PrintToString(dialogs.Texts());
    std::vector<std::string> extracted;
    for (int row = 0; row < 2; ++row) {
        std::string stored = form.RowEntryName(row);
        std::replace(stored.begin(), stored.end(), '/', '\\');
        extracted.push_back(ReadFileBytes(out + "\\" + stored));
    }
    std::sort(extracted.begin(), extracted.end());
    std::vector<std::string> expected;
    for (const std::string& name : names)
        expected.push_back("bytes of " + name);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(extracted, expected);
}

INSTANTIATE_TEST_SUITE_P(Places, WizardAnyPathTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
