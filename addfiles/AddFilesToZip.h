// TAddform: the add-files dialog. The left pane browses the disk (a folder tree above the
// folder's files), the right pane collects what will be added; rows reach it by button, by
// dragging from the left list and by dropping files from the shell. The dialog adds nothing
// itself: OK hands the collected path patterns and the add options to the caller.
#pragma once

#include "addfiles/AddFormLayout.h"
#include "addfiles/DirTree.h"
#include "addfiles/FileDrop.h"
#include "addfiles/Splitter.h"
#include "engine/ZipTypes.h"
#include "ui/Controls.h"
#include "ui/Dialog.h"
#include "base/Handle.h"
#include "ui/SpeedButton.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The main window's list look: both lists take the font, background colour and view style
// (LVS_REPORT, LVS_LIST, LVS_ICON, LVS_SMALLICON), the tree the font.
struct ListLook {
    HFONT Font = nullptr;
    COLORREF Background = 0;
    DWORD ViewStyle = LVS_REPORT;
};

struct AddFilesRequest {
    std::string ArchiveName;      // the archive being added to
    std::optional<ListLook> Look; // none: the lists keep the look they have
    bool Maximized = false;       // shown maximized; its design size is the restored one
    // Where the user last left the bars (at 96 DPI); none: the tree grows with the window.
    std::optional<addfiles::PaneSplit> Bars;
};

struct AddFilesResult {
    // One path pattern per row of the right list (ListBox1), in row order.
    std::vector<std::string> FSpecArgs;
    // AddRecurseDirs, AddDirNames and AddEncrypt as the three boxes say.
    AddOpts AddOptions;
};

class TAddform : public ui::Dialog<AddFilesRequest, AddFilesResult> {
public:
    // The dialog keeps addDialogCancelled, the flag the program shares, as it is left: set
    // by Add Selected, Add Folder and Cancel, cleared by OK.
    explicit TAddform(bool& addDialogCancelled);
    ~TAddform() override;

    const char* DialogName() const override { return "AddFiles"; }

    // Event handlers, as the user reaches them.
    void FormShow();
    void DirTree1Change();
    void DirTree1Click();
    void AddListView1Click();
    void AddListView2Click();
    void AddFilesbtnClick();
    void AddDirbtnClick();
    bool AddListView2DragOver(HWND source) const;
    void AddListView2DragDrop(HWND source);
    void FileDrop1Drop();
    void RemoveItembtnClick();
    void RemoveAllButClick();
    void BitBtn1Click();
    void BitBtn2Click();

    // Parts a test looks at.
    TDirTree& DirTree1() { return dirTree1_; }
    ui::ListView& AddListView1() { return addListView1_; }
    ui::ListView& AddListView2() { return addListView2_; }
    ui::ListBox& ListBox1() { return listBox1_; }
    ui::CheckBox& RecurseCB() { return recurseCB_; }
    ui::CheckBox& DirnameCB() { return dirnameCB_; }
    ui::CheckBox& EncryptCB() { return encryptCB_; }
    ui::Label& PathLabel1() { return pathLabel1_; }
    ui::Label& PathLabel2() { return pathLabel2_; }
    TFileDrop& FileDrop1() { return fileDrop1_; }
    bool LeftHeaderActive() const { return leftActive_; }
    int LeftPaneWidth() const { return split_.LeftWidth; }
    int TreeHeight() const { return split_.TreeHeight; }
    // Where the user has put the bars in this showing or an earlier one (at 96 DPI), to be
    // offered again next time; none while they are where the dialog put them.
    std::optional<addfiles::PaneSplit> PlacedBars() const;

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override;
    void Prepare(const AddFilesRequest& request) override;
    void Load(const AddFilesRequest& request) override;
    std::optional<AddFilesResult> Collect() override;
    void OnCancel() override;
    void OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnSize(int width, int height) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CreateButtons();
    void ApplyListLook(const ListLook& look);
    void Arrange();
    void SetLeftActive(bool left);
    void FillLeftList();
    void AddLeftRows(bool deselect);
    // Appends a path pattern and its right-list row, unless the pattern is there
    // already (letter case ignored).
    bool AppendPair(const std::string& pattern, const std::string& caption, const std::string& size,
                    int image);
    void DragTo(POINT screen, bool drop);

    bool& addDialogCancelled_;
    TDirTree dirTree1_;
    TFileDrop fileDrop1_;
    ui::ListView addListView1_;
    ui::ListView addListView2_;
    ui::ListBox listBox1_;
    ui::CheckBox recurseCB_, dirnameCB_, encryptCB_;
    ui::Label pathLabel1_, pathLabel2_;
    ui::SpeedButton addFilesbtn_, addDirbtn_, removeItembtn_, removeAllBut_;
    addfiles::Splitter vSplitter_, hSplitter_;
    std::array<ui::BitmapHandle, 4> glyphs_;
    ui::BrushHandle navy_;
    HWND tooltip_ = nullptr;
    bool leftActive_ = true;
    bool dragging_ = false;
    addfiles::PaneSplit split_; // where the bars are, in pixels at splitDpi_
    bool barsPlaced_ = false;   // by the user (or the request): the tree no longer grows itself
    int splitDpi_ = ui::kDesignDpi;
};
