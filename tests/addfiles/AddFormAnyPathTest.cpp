// The add-files dialog browsing folders named in other scripts and folders deeper than
// MAX_PATH: the tree opens down to them, the left list shows their files, and the names
// chosen there come back naming the files that are there.
#include "addfiles/AddFilesIds.h"
#include "addfiles/AddFilesToZip.h"
#include "base/LongPaths.h"
#include "settings/SharedState.h"
#include "tests/addfiles/CaseText.h"
#include "engine/PathUtil.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/engine/ZipBuilder.h"
#include "ui/Application.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace testing_support;

namespace {

std::string DeepFolder(const std::string& last) {
    std::string folder = "deep";
    for (int i = 0; i < 10; ++i)
        folder += "\\part " + std::to_string(i) + " of a folder thirty chars";
    return folder + "\\" + last;
}

struct Place {
    const char* what;
    std::string folder; // below the test's folder
    std::string file;
};

void PrintTo(const Place& place, std::ostream* out) {
    *out << place.what;
}

const Place kPlaces[] = {
    {"Polish", "Łódź\\Żółć", "Żółw.txt"},
    {"Japanese", "日本語\\資料", "文書.txt"},
    {"Russian", "Привет\\Папка", "Мир.txt"},
    {"deep", DeepFolder("Last"), "Added.TXT"},
    {"deepPolish", DeepFolder("Łódź"), "Źdźbło.txt"},
};

class AddFormAnyPathTest : public ::testing::TestWithParam<Place> {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override {
        folder = tmp.Path() + GetParam().folder;
        ASSERT_TRUE(kpath::ForceDirectories(folder)) << folder;
        WriteFileBytes(folder + "\\" + GetParam().file, "twelve bytes");
        WriteFileBytes(folder + "\\other.txt", "other");
        form.Create(nullptr);
        form.DirTree1().OpenPath(tmp.Path());
    }
    std::vector<std::string> LeftNames() {
        std::vector<std::string> names;
        for (int i = 0; i < form.AddListView1().ItemCount(); ++i)
            names.push_back(form.AddListView1().ItemText(i, 0) + " " +
                            form.AddListView1().ItemText(i, 1));
        std::sort(names.begin(), names.end());
        return names;
    }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    std::string folder;
    kelvora::SharedState state;
    TAddform form{state.AddDialogCancelled};
};

TEST_P(AddFormAnyPathTest, BrowsesIntoTheFolderAndChoosesItsFileByItsRightName) {
    // Names as the file system spells them, in the tree, the list and the result.
    const std::string file = GetParam().file;
    const std::string spelled = OnDisk(folder + "\\");
    dialogs.onModal = [&](ui::Form& f) {
        f.Show();
        form.DirTree1().OpenPath(folder);
        EXPECT_EQ(form.DirTree1().SelectedDirectory(), spelled)
            << "the tree opened every folder on the way";
        EXPECT_EQ(form.PathLabel1().Text(), spelled);
        std::vector<std::string> expected{file + " 12", "other.txt 5"};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(LeftNames(), expected);
        ui::ListView& left = form.AddListView1();
        for (int i = 0; i < left.ItemCount(); ++i)
            left.SelectRow(i, left.ItemText(i, 0) == file);
        SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ADDFILESBTN, BN_CLICKED),
                     reinterpret_cast<LPARAM>(form.Control(IDC_ADDFILESBTN)));
        SendMessageA(f.Handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return f.GetModalResult();
    };
    AddFilesRequest request;
    request.ArchiveName = folder + "\\chosen.zip";
    auto result = form.Execute(nullptr, request);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->FSpecArgs.size(), 1u);
    const std::string chosen = result->FSpecArgs[0];
    EXPECT_EQ(chosen, spelled + file);
    EXPECT_NE(kname::FileAttributes(chosen), INVALID_FILE_ATTRIBUTES)
        << "the chosen name names the file: " << chosen;
}

// The tree lists a deep folder's subfolders when it is opened (expanded) by the user.
TEST_P(AddFormAnyPathTest, ExpandingTheParentListsTheFolder) {
    const std::string parent = folder.substr(0, folder.find_last_of('\\') + 1);
    const std::string last = folder.substr(parent.size());
    form.DirTree1().OpenPath(parent);
    HTREEITEM node = form.DirTree1().Selected();
    ASSERT_NE(node, nullptr);
    std::vector<std::string> children;
    ui::TreeView& tree = form.DirTree1();
    for (HTREEITEM c = tree.Next(node, TVGN_CHILD); c; c = tree.Next(c, TVGN_NEXT))
        children.push_back(tree.ItemText(c));
    EXPECT_EQ(children, std::vector<std::string>{last});
}

INSTANTIATE_TEST_SUITE_P(Places, AddFormAnyPathTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& info) { return std::string(info.param.what); });

} // namespace
