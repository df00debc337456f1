// TMainForm: the archive browser. Its member list, commands and progress live in
// separate files of this class (MainLayout, ContentsView, MainCommands).
#pragma once

#include "settings/SharedState.h"
#include "engine/ZipKeep.h"
#include "mainwindow/ContentsRows.h"
#include "mainwindow/MemberFiles.h"
#include "mainwindow/PasswordDialog.h"
#include "mainwindow/ProgressState.h"
#include "mainwindow/ReplaceDialog.h"
#include "mainwindow/TempFolders.h"
#include "settings/BrowserRegistration.h"
#include "settings/IniFile.h"
#include "settings/SettingsCodec.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "base/Handle.h"
#include "ui/SpeedButton.h"
#include "windows/FileInfo.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <string>
#include <utility>
#include <vector>

namespace settings {
struct WindowBounds;
}
class TfrmTextViewer;
class TfrmOptions;
class TAboutBox;
class TfrmFileInfo;
class TAddform;
struct AddFilesResult;
namespace wizard {
class Navigator;
}

// The windows the main window's commands open, made by whoever made the main window and
// handed in; a command whose window is missing does nothing.
struct MainFormWindows {
    TfrmOptions* Options = nullptr;
    TfrmTextViewer* TextViewer = nullptr;
    TAboutBox* About = nullptr;
    TfrmFileInfo* FileInfo = nullptr;
    TAddform* AddFiles = nullptr;
    wizard::Navigator* Wizard = nullptr;
};

// What the main window starts with, handed in by whoever makes it (WinMain, tests).
struct MainFormStartup {
    // The program's command-line arguments after the program name.
    std::vector<std::string> CommandLine;
    // Said (UTF-8) in place of opening the first argument when its name could not be carried
    // into the process code page (startup::ReadCommandLine); empty otherwise.
    std::string CommandLineProblem;
    // The settings file; empty means beside the program, with the extension ".ini".
    std::string IniFileName;
    // Where members are unpacked for viewing, running and installing; empty: decided when
    // the window is made.
    std::string TempDir;
    // The registry roots of the browser registration: the real ones unless a test says.
    browsers::RegistryRoots BrowserRoots;
    // How documents, addresses and the help file reach Windows; tests record instead.
    members::Launcher Launch = members::WindowsLauncher();
};

class TMainForm : public ui::Form {
public:
    explicit TMainForm(kelvora::SharedState& state, MainFormStartup startup = {});
    ~TMainForm() override;
    void UseWindows(const MainFormWindows& windows) { windows_ = windows; }

    // The thirteen tool buttons, left to right.
    enum ToolButton {
        NewZipBut,
        SpeedButton1,
        WizardAddBut,
        SpeedButton2,
        SpeedButton3,
        SpeedButton4,
        SpeedButton5,
        SpeedButton6,
        AddZipBut,
        DeleteFromZipBut,
        SpeedButton7,
        SpeedButton8,
        SpeedButton11,
        kToolButtonCount
    };
    using ContentsRow = contents::ContentsRow;
    // The text of one column (0 name, 1 size, 2 date, 3 ratio, 4 packed, 5 path) of a row.
    std::wstring RowColumnText(int row, int column) const;

    // One row per command: menu items, accelerators and tool buttons run it by its ID.
    // Without a handler the command does nothing (yet); with NeedsArchive its menu items
    // are enabled only while an archive is open; with NeedsSelection its pop-up items only
    // while rows are selected.
    struct Command {
        UINT Id;
        void (TMainForm::*Handler)();
        bool NeedsArchive;
        bool NeedsSelection;
    };
    static std::span<const Command> Commands();
    // Runs the command with this ID; false when there is none or it has no handler.
    bool RunCommand(UINT id);

    settings::IniFile& IniFile() { return *iniFile_; }
    // What the file info window shows, as of the last refresh of the list.
    const FileInfoValues& FileInfo() const { return fileInfo_; }

    // Lifecycle.
    void FormCreate();
    void FormShow();

    // Opens an archive by name (command line, Open, recent files, wizard); true when it
    // started the archive's setup program.
    bool OpenArchive(const std::string& fileName);
    // A fresh download in a temporary folder goes to the download folder first; returns
    // where the archive now is (unchanged when nothing was moved or the move failed).
    std::string MoveDownloadedArchive(const std::string& fileName);
    // Where members are unpacked for viewing, running and installing.
    const std::string& TempDir() const { return tempDir_; }

    // The member list.
    void BuildRowKeys();
    void ComputeArchiveTotals();
    void FillContentsView();
    void ExtractSortKeys(const std::string& key);
    void SortRowsByKey(int l, int r);
    void ReverseRows();
    void ListView1ColumnClick(int column);
    std::string RowEntryName(int row) const;
    // The row's name as shown (Path then File column), which is also the relative path
    // extraction writes the member to: for finding an extracted member on disk.
    std::wstring RowShownName(int row) const;
    void UpdateStatusAndCaption();
    void ZipKeeper1DirUpdate(TZipKeeper& sender);
    void LoadSystemImageLists();
    void ListView1KeyDown(WORD key);

    // Progress.
    void ZipKeeper1Progress(TZipKeeper& sender, ProgressType type, const std::string& fileName,
                            std::int32_t fileSize);
    void ResetProgress();
    void SetProgress(std::int64_t position);
    void ClearProgressBar();

    // View styles and column visibility.
    void SetViewStyle(UINT commandId);
    void ToggleColumn(UINT commandId);
    // The width a column gets when shown again: the stored one, or -1 (fit the contents).
    virtual int StoredColumnWidth(const std::string& key) const;

    // Settings: loaded once at start-up; the recent archives are saved at exit.
    void LoadSettings();
    void UpdateRecentMenu();
    void SaveRecentArchives();
    // The background colour of the lists as stored (a system colour stays one).
    settings::Color ListColor() const { return listColor_; }

    // Command handlers.
    void AddZipButClick();
    void AddFilesToArchive();
    void WizardAddButClick();
    void Exit1Click();
    void List1Click();
    void Full1Click();
    void Icons1Click();
    void SmallIcons1Click();
    void Size1Click();
    void DateTime1Click();
    void Ratio1Click();
    void PackedSize1Click();
    void Path1Click();
    void FileInfo1Click();
    void Open1Click();
    void LastZip1Click();
    void LastZip2Click();
    void LastZip3Click();
    void LastZip4Click();
    void CloseArchive1Click();
    void NewZipButClick();
    // Makes the archive of this name and adds to it; an existing file of that name (its
    // replacing confirmed with the name) gives way only to a complete new archive.
    void NewArchive(const std::string& name);
    void DeleteArchive1Click();
    void SaveAs1Click();
    void DeleteFromZipButClick();
    void ConvertZiptoexe1Click();
    // Puts a name first in the recent archives unless it is listed already.
    void AddRecentArchive(const std::string& name);
    void About1Click();
    void Font1Click();
    void BackgroundColor1Click();
    void GridLines1Click();
    void SaveSettings1Click();
    void SaveColumnwidth1Click();
    void Savewindowpos1Click();
    void Options1Click();

    // Browser integration: the registry follows the two browser flags, at start-up and
    // after the options dialog. A value that cannot be written is told once; start-up
    // goes on. The roots are the real ones unless a test points them elsewhere.
    void ApplyBrowserRegistration();

    // Extraction into a folder the user picks (ExtractCommands.cpp).
    void btnExtractSelectedClick();
    void btnExtractAllClick();
    // Zip > Test: checks every member without writing anything, then one box with the outcome.
    void Test1Click();
    // Each is true when every member asked for came out (problems were told in one box).
    bool ExtractSelectedTo(const std::string& folder);
    bool ExtractAllTo(const std::string& folder);

    // Viewing, running and automatic setup (RunCommands.cpp). Each command unpacks into a
    // fresh folder below TempDir.
    void ListView1DblClick();
    void SpeedButton3Click();
    // Unpacks one member and runs or opens it; row (when known) tells where it lands.
    void RunMember(const std::string& member, int row = -1);
    // Where a row's member lands below folder, as a path the ANSI file functions open; nothing
    // for a name that would lead outside the folder.
    std::optional<std::string> UnpackedRowPath(const std::string& folder, int row) const;
    // Starts a program or opens a document; false after telling why a program did not start.
    bool RunFile(const std::string& path);
    void btnViewSelectedClick();
    // The first setup or install program in archive order, lower-cased; empty when none.
    std::string FindSetupMember() const;
    // True when the setup program was started.
    bool AutoInstall();
    void btnInstallClick();
    // After an archive was opened: starts its setup program when the automatic setup setting
    // is on and the archive holds one; otherwise does nothing, without a message. True when
    // a setup program was started.
    bool AutoInstallAfterOpen();
    void Readmetxt1Click();
    void Contents1Click();
    void PelvoxHomePage1Click();
    void LatestVersion1Click();
    void SendUsYourComments1Click();

    // Parts a test looks at.
    TZipKeeper& ZipKeeper1() { return *zipKeeper1_; }
    ui::ListView& ListView1() { return listView1_; }
    ui::StatusBar& StatusBar1() { return statusBar1_; }
    ui::ProgressBar& ProgressBar1() { return progressBar1_; }
    ui::SpeedButton& Button(ToolButton b) { return buttons_[b]; }
    HMENU MainMenu() const { return mainMenu_; }
    HMENU PopupMenu1() const { return popupMenu1_; }
    // Offers the pop-up's commands on members only while rows are selected.
    void EnablePopupCommands();
    HBITMAP GlyphImage(int n) const { return images_[n - 1].Get(); } // Image1..Image12
    const std::vector<std::string>& RowKeyList() const { return rowKeyList_; }
    const std::vector<std::string>& SortKeyList() const { return sortKeyList_; }
    const std::string& CurrentSortName() const { return currentSortName_; }
    const std::vector<ContentsRow>& Rows() const { return contents_.Rows(); }
    contents::ProgressState& Progress() { return progress_; }
    std::uint64_t TotalUncompressed() const { return totalUncompressed_; }

protected:
    CreateParams GetCreateParams() override;
    void OnCreate() override { FormCreate(); }
    // The main window is shown once, at start-up.
    void OnShow() override { FormShow(); }
    // No OK or Cancel buttons here: Enter and Esc belong to the member list.
    void OnOK() override {}
    void OnCancel() override {}
    void OnCommand(int id, int code, HWND control) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;
    void OnSize(int width, int height) override;
    void OnDpiChanged(int oldDpi, int newDpi) override;
    void OnDestroy() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void UpdateCommands();
    void CreateToolPanel();
    void MakeLabelFont();
    void SetStatusParts();
    // The name panel: namePanelText_, shortened in its middle ("...") when it does not fit,
    // whole in the panel's tip.
    void ShowNamePanel();
    // A column width from the settings file (96 DPI) at the window's DPI.
    int StoredWidthAtDpi(int width) const;
    // The width at the window's DPI that shows a usual date and time whole in the list's font.
    int DateColumnFit() const;
    void CreateContentsList();
    void LoadGlyphs();
    HBITMAP DesignGlyph(int button) const;
    void SetArchiveGlyphs(bool active);
    void ClearRows();
    void ShowPopupMenu();
    void OpenRecent(int slot);
    void GetDisplayInfo(NMLVDISPINFOW& info);
    static int ShellIcon(std::string_view shownName);
    void CreateIniFile();
    void ApplyWindowBounds(const settings::WindowBounds& bounds);
    LOGFONTA ListFont() const;
    void SetListsFont(const LOGFONTA& font);
    void SetListsColor(settings::Color color);
    // Adding (AddCommand.cpp): the add-files dialog for an archive (nothing when it was
    // left or nothing was chosen, after saying so), and the engine run on what was chosen.
    std::optional<AddFilesResult> ChooseFilesToAdd(const std::string& archive);
    void AddChosenFiles(TZipKeeper& zip, const AddFilesResult& chosen);
    // Extraction helpers (ExtractCommands.cpp, RunCommands.cpp).
    std::string ExtractFolderStart() const;
    void ChooseFolderAndExtract(bool (TMainForm::*extract)(const std::string&));
    // Extracts with folders into folder, then tells the engine's problems in one box; true
    // when there were none. busyCursor: the hourglass meanwhile and the arrow afterwards.
    bool ExtractMembers(const std::string& folder, const std::vector<std::string>& patterns,
                        bool busyCursor);
    // The question before an existing file is replaced; forAll keeps a Yes or No to All.
    OverwriteAnswer AskReplace(const OverwriteQuestion& question, std::optional<bool>& forAll);
    // After a wrong password: the password asked again, or nothing when the user gives none.
    std::optional<std::string> AskPasswordAgain();
    // Loads a member's file into the viewer and shows it modally.
    void ShowMemberText(TfrmTextViewer& viewer, const std::string& path);

    kelvora::SharedState& state_;
    const std::vector<std::string> commandLine_;
    const std::string commandLineProblem_;
    const std::string iniFileName_;
    std::string tempDir_;
    const browsers::RegistryRoots browserRoots_;
    const members::Launcher launch_;
    std::uint64_t totalCompressed_ = 0;
    std::uint64_t totalUncompressed_ = 0;
    std::int64_t totalRatio_ = 0;
    // The archive size the extract-all command takes as its progress total.
    std::uint64_t archiveSizeForProgress_ = 0;
    MainFormWindows windows_;
    FileInfoValues fileInfo_;
    ui::FileDialogRequest openDialog1_; // OpenDialog1: New and Open
    ui::FileDialogRequest saveDialog1_; // SaveDialog1: Save As
    bool archiveOpen_ = false;
    std::unique_ptr<TZipKeeper> zipKeeper1_;
    std::unique_ptr<settings::IniFile> iniFile_;
    ui::FontHandle listFont_;
    settings::Color listColor_ = settings::clWindow;
    HMENU mainMenu_ = nullptr;
    HMENU popupMenu1_ = nullptr;
    HWND tooltip_ = nullptr;
    std::array<ui::SpeedButton, kToolButtonCount> buttons_;
    ui::FontHandle labelFont_;
    ui::ListView listView1_;
    ui::ProgressBar progressBar1_;
    ui::StatusBar statusBar1_;
    std::array<ui::BitmapHandle, 12> images_;
    std::array<ui::BitmapHandle, kToolButtonCount> otherGlyphs_; // glyphs that never change
    HIMAGELIST imageListSmall_ = nullptr; // the shell's, shared: never destroyed here
    HIMAGELIST imageListLarge_ = nullptr;

    std::vector<std::string> rowKeyList_;
    std::vector<std::string> sortKeyList_;
    std::string currentSortName_;
    contents::ContentsRows contents_{&TMainForm::ShellIcon};
    contents::ProgressState progress_;
    members::ScratchFolders scratch_; // its viewing folders go when the program ends
    TReplaceDialog replaceDialog_;
    TPasswordDialog passwordDialog_;
    std::string lastExtractFolder_; // where the user last chose to extract to
    std::string namePanelText_;     // the name panel's whole text; empty before any archive
};
