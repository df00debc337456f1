// The directory tree on a folder structure the test builds, in a real tree view.
#include "addfiles/DirTree.h"
#include "tests/addfiles/CaseText.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/support/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace testing_support;

namespace {

void MakeFolder(const std::string& path, DWORD attributes = 0) {
    CreateDirectoryA(path.c_str(), nullptr);
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
}

class DirTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        MakeFolder(tmp.File("alpha"));
        MakeFolder(tmp.File("alpha\\deep"));
        MakeFolder(tmp.File("alpha\\deep\\Deeper"));
        MakeFolder(tmp.File("Beta"));
        MakeFolder(tmp.File("empty"));
        MakeFolder(tmp.File("hid"), FILE_ATTRIBUTE_HIDDEN);
        MakeFolder(tmp.File("sys"), FILE_ATTRIBUTE_SYSTEM);
        MakeFolder(tmp.File("recycled"));
        MakeFolder(tmp.File("recycled\\inner"));
        WriteFileBytes(tmp.File("file.txt"), "not a folder");
        owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 400, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        ownerProc = GetWindowLongPtrA(owner, GWLP_WNDPROC);
        tree->OnChange = [this](TDirTree& t) { changes.push_back(t.SelectedDirectory()); };
    }
    void TearDown() override {
        tree.reset();
        DestroyWindow(owner);
    }
    void Create() { tree->Create(owner, 100, RECT{0, 0, 300, 400}); }
    // The texts of a node's children, reading them first as opening the branch does.
    std::vector<std::string> Children(const std::string& path) {
        tree->OpenPath(path);
        HTREEITEM node = tree->Selected();
        tree->Expand(node);
        std::vector<std::string> names;
        for (HTREEITEM c = tree->Next(node, TVGN_CHILD); c; c = tree->Next(c, TVGN_NEXT))
            names.push_back(tree->ItemText(c));
        return names;
    }
    HTREEITEM Child(const std::string& parent, const std::string& text) {
        tree->OpenPath(parent);
        for (HTREEITEM c = tree->Next(tree->Selected(), TVGN_CHILD); c;
             c = tree->Next(c, TVGN_NEXT))
            if (tree->ItemText(c) == text) return c;
        return nullptr;
    }
    bool HasExpandButton(HTREEITEM node) { return tree->Next(node, TVGN_CHILD) != nullptr; }

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    HWND owner = nullptr;
    LONG_PTR ownerProc = 0;
    std::unique_ptr<TDirTree> tree = std::make_unique<TDirTree>();
    std::vector<std::string> changes;
};

TEST_F(DirTreeTest, StartsWithTheDrivesAndNothingSelected) {
    tree->ReadOnStart = false;
    Create();
    EXPECT_EQ(tree->Next(nullptr, TVGN_ROOT), nullptr);
    EXPECT_EQ(tree->SelectedDirectory(), "?");
    tree->ReadDrives();
    HTREEITEM c = tree->Next(nullptr, TVGN_ROOT);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(tree->Entry(c)->Path, "C:\\");
    EXPECT_NE(tree->ItemText(c).find("(C:)"), std::string::npos) << tree->ItemText(c);
    EXPECT_EQ(tree->DriveMask() & 4u, 4u);
    EXPECT_EQ(tree->SelectedDirectory(), "?");
}

TEST_F(DirTreeTest, OpenPathReadsEachLevelOnTheWayAndSelectsTheDeepestFolder) {
    Create();
    changes.clear();
    tree->OpenPath(tmp.File("ALPHA\\deep\\deeper"));
    const std::string want = OnDisk(tmp.File("alpha\\deep\\deeper\\"));
    EXPECT_EQ(tree->SelectedDirectory(), want);
    EXPECT_EQ(tree->ItemText(tree->Selected()), "Deeper") << "the name as stored on disk";
    EXPECT_EQ(want.substr(want.size() - 7), "Deeper\\") << "the path spelled as on disk too";
    EXPECT_EQ(changes, std::vector<std::string>{want});
    EXPECT_EQ(tree->LastDirectory(want[0]), want);
    const TDirEntry* parent = tree->Entry(tree->Next(tree->Selected(), TVGN_PARENT));
    ASSERT_TRUE(parent);
    EXPECT_TRUE(parent->ChildrenRead);
    EXPECT_EQ(parent->Path, OnDisk(tmp.File("alpha\\deep\\")));

    changes.clear();
    tree->Reload();
    EXPECT_EQ(tree->SelectedDirectory(), want) << "reloading keeps the folder";
    EXPECT_EQ(changes, std::vector<std::string>{want});
}

TEST_F(DirTreeTest, BranchesAreReadWhenOpenedAndOnlyProbedOneLevelAhead) {
    Create();
    EXPECT_EQ(Children(tmp.Path()),
              (std::vector<std::string>{"alpha", "Beta", "empty", "hid", "recycled", "sys"}));
    HTREEITEM alpha = Child(tmp.Path(), "alpha");
    ASSERT_TRUE(alpha);
    EXPECT_FALSE(tree->Entry(alpha)->ChildrenRead);
    EXPECT_TRUE(HasExpandButton(alpha));
    EXPECT_EQ(tree->Entry(tree->Next(alpha, TVGN_CHILD)), nullptr) << "a placeholder";
    EXPECT_FALSE(HasExpandButton(Child(tmp.Path(), "empty")));
    EXPECT_EQ(Children(tmp.File("alpha")), std::vector<std::string>{"deep"});
}

TEST_F(DirTreeTest, TheAttributeFilterChoosesTheFoldersShown) {
    if (!(GetFileAttributesA(tmp.File("hid").c_str()) & FILE_ATTRIBUTE_HIDDEN))
        GTEST_SKIP() << "this file system keeps no hidden attribute";
    Create();
    const struct {
        TDirTypes types;
        std::vector<std::string> shown;
    } cases[] = {
        {{dtNormal, dtAll}, {"alpha", "Beta", "empty", "hid", "recycled", "sys"}},
        {{dtNormal}, {"alpha", "Beta", "empty", "recycled"}},
        {{dtNormal, dtHidden}, {"alpha", "Beta", "empty", "hid", "recycled"}},
        {{dtNormal, dtSystem}, {"alpha", "Beta", "empty", "recycled", "sys"}},
        {{dtNormal, dtHidden, dtSystem}, {"alpha", "Beta", "empty", "hid", "recycled", "sys"}},
    };
    for (const auto& c : cases) {
        tree->SetDirTypes(c.types);
        EXPECT_EQ(Children(tmp.Path()), c.shown) << int(c.types.Raw());
    }
}

TEST_F(DirTreeTest, BelowTheRecycleFolderNothingIsShownWhenAskedSo) {
    Create();
    tree->SetGoBelowRecycleBin(false);
    EXPECT_EQ(Children(tmp.Path()),
              (std::vector<std::string>{"alpha", "Beta", "empty", "hid", "recycled", "sys"}));
    EXPECT_FALSE(HasExpandButton(Child(tmp.Path(), "recycled")));
    EXPECT_TRUE(Children(tmp.File("recycled")).empty());
    tree->SetGoBelowRecycleBin(true);
    EXPECT_EQ(Children(tmp.File("recycled")), std::vector<std::string>{"inner"});
}

TEST_F(DirTreeTest, OnAddDirVetoesFolders) {
    tree->OnAddDir = [](TDirTree&, const std::string& path, bool& add) {
        add = Upper(path).find("\\BETA\\") == std::string::npos;
    };
    Create();
    EXPECT_EQ(Children(tmp.Path()),
              (std::vector<std::string>{"alpha", "empty", "hid", "recycled", "sys"}));
}

TEST_F(DirTreeTest, PathsThatCannotBeOpened) {
    Create();
    try {
        tree->OpenPath("");
        ADD_FAILURE() << "an empty path was opened";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Invalid Path Name");
    }
    tree->OpenPath(tmp.File("alpha"));
    const std::string before = tree->SelectedDirectory();
    tree->OpenPath("?");
    EXPECT_EQ(tree->SelectedDirectory(), before);

    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    tree->OpenPath(tmp.File("no such folder\\below"));
    EXPECT_EQ(tree->SelectedDirectory(), Upper(std::string(cwd, 3))) << "the current drive's root";

    tree->OpenPath(tmp.File("alpha"));
    tree->OpenPath(tmp.File("file.txt")); // a file is no folder either
    EXPECT_EQ(tree->SelectedDirectory(), Upper(std::string(cwd, 3)));
}

TEST_F(DirTreeTest, FolderSearchesRunWithCriticalErrorBoxesOff) {
    const UINT original = SetErrorMode(0); // boxes on, so the tree has to switch them off
    std::vector<UINT> modes;
    tree->OnFindDir = [&](TDirTree&, const std::string& path, TDirRec& rec, int& result,
                          bool first) {
        UINT mode = SetErrorMode(0);
        SetErrorMode(mode);
        modes.push_back(mode);
        static int served = 0;
        if (first) served = 0;
        const char* names[] = {"one", "two"};
        if (lstrcmpiA(path.c_str(), tmp.Path().c_str()) != 0) {
            // Elsewhere the real search, so the tree can be walked down to the test folder.
            if (first) {
                rec.FindHandle = FindFirstFileA((path + "*.*").c_str(), &rec.FindData);
                result = rec.FindHandle == INVALID_HANDLE_VALUE;
            } else {
                result = !FindNextFileA(rec.FindHandle, &rec.FindData);
            }
            if (result && rec.FindHandle != INVALID_HANDLE_VALUE) FindClose(rec.FindHandle);
            rec.Name = rec.FindData.cFileName;
            rec.Attr = rec.FindData.dwFileAttributes;
            return;
        }
        if (served == 2) {
            result = 1;
            return;
        }
        rec.Name = names[served++];
        rec.Attr = FILE_ATTRIBUTE_DIRECTORY;
        result = 0;
    };
    Create();
    EXPECT_EQ(Children(tmp.Path()), (std::vector<std::string>{"one", "two"}));
    ASSERT_FALSE(modes.empty());
    for (UINT m : modes)
        EXPECT_TRUE(m & SEM_FAILCRITICALERRORS);
    UINT now = SetErrorMode(0);
    SetErrorMode(now);
    EXPECT_EQ(now, 0u) << "restored afterwards";
    SetErrorMode(original);
}

TEST_F(DirTreeTest, DrivesComeAndGoWithTheDriveTypesInDriveOrder) {
    Create();
    tree->OpenPath(tmp.File("alpha"));
    auto drives = [this] {
        std::string letters;
        for (HTREEITEM c = tree->Next(nullptr, TVGN_ROOT); c; c = tree->Next(c, TVGN_NEXT))
            letters += tree->Entry(c)->Path[0];
        return letters;
    };
    const std::string all = drives();
    ASSERT_NE(all.find('C'), std::string::npos);
    TDriveTypes noFixed{drtUnknown, drtRemovable, drtRemote, drtCDRom, drtRamDisk};
    tree->SetDriveTypes(noFixed);
    EXPECT_EQ(drives().find('C'), std::string::npos);
    EXPECT_FALSE(tree->DriveMask() & 4u);
    tree->SetDriveTypes(
        TDriveTypes{drtUnknown, drtRemovable, drtFixed, drtRemote, drtCDRom, drtRamDisk});
    EXPECT_EQ(drives(), all);
    EXPECT_FALSE(tree->RefreshDrives()) << "nothing changed";
}

TEST_F(DirTreeTest, ADeviceChangeIsTakenByTheTreeAndKeepsTheSelection) {
    Create();
    tree->OpenPath(tmp.File("Beta"));
    changes.clear();
    EXPECT_EQ(SendMessageA(owner, WM_DEVICECHANGE, 0x8000 /* arrival */, 0), TRUE);
    EXPECT_EQ(tree->SelectedDirectory(), OnDisk(tmp.File("beta\\")));
    EXPECT_EQ(changes, std::vector<std::string>{OnDisk(tmp.File("beta\\"))});
}

TEST_F(DirTreeTest, DestroyingTheTreeGivesTheOwnerItsProcedureBack) {
    Create();
    EXPECT_NE(GetWindowLongPtrA(owner, GWLP_WNDPROC), ownerProc);
    tree.reset();
    EXPECT_EQ(GetWindowLongPtrA(owner, GWLP_WNDPROC), ownerProc);
}

TEST_F(DirTreeTest, LoadedOpensTheInitialDirectoryOrTheCurrentOne) {
    tree->InitialDirectory = tmp.File("alpha\\deep");
    Create();
    tree->Loaded();
    EXPECT_EQ(tree->SelectedDirectory(), OnDisk(tmp.File("alpha\\deep\\")));
    tree->InitialDirectory = tmp.File("gone");
    tree->Loaded();
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, cwd);
    EXPECT_EQ(tree->SelectedDirectory(), OnDisk(std::string(cwd) + "\\"));
}

} // namespace
