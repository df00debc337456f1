// TDirTree: a tree of the machine's drives and their folders. Folders are read one branch
// at a time as the user opens them; new, removed and changed media are noticed; the owner
// learns the selected folder through SelectedDirectory and OnChange.
#pragma once

#include "addfiles/WindowHook.h"
#include "engine/ZipTypes.h"
#include "ui/Controls.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

enum TDirType { dtReadOnly, dtHidden, dtSystem, dtArchive, dtNormal, dtAll };
using TDirTypes = OptionSet<TDirType, std::uint8_t>;
enum TDriveType { drtUnknown, drtRemovable, drtFixed, drtRemote, drtCDRom, drtRamDisk };
using TDriveTypes = OptionSet<TDriveType, std::uint8_t>;

// One drive or folder node. A placeholder child (only there to show the expand button)
// has none.
struct TDirEntry {
    std::string Path; // as the file system spells it, ending in a backslash
    bool ChildrenRead = false;
    std::uint32_t UserData = 0;
};

// What an enumeration step yields: the built-in one fills it from the file search, an
// OnFindDir handler fills Attr and Name.
struct TDirRec {
    DWORD Attr = 0;
    std::string Name;
    HANDLE FindHandle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA FindData{};
    std::uint32_t ExcludeAttr = 0;
};

class TDirTree : public ui::TreeView {
public:
    TDirTree();
    ~TDirTree();

    // Creates the tree's window in the owner, hooks the owner for device changes and reads
    // the drives when ReadOnStart is set.
    void Create(HWND owner, int id, const RECT& bounds);
    // The owner has finished creating its window: opens InitialDirectory (or the current one).
    void Loaded();

    // Published properties.
    bool ReadOnStart = true;
    bool FastLoad = false;
    std::string InitialDirectory;
    const TDirTypes& DirTypes() const { return dirTypes_; }
    void SetDirTypes(const TDirTypes& types);
    bool GoBelowRecycleBin() const { return goBelowRecycleBin_; }
    void SetGoBelowRecycleBin(bool on);
    const TDriveTypes& DriveTypes() const { return driveTypes_; }
    void SetDriveTypes(const TDriveTypes& types);

    // Events.
    std::function<void(TDirTree&, const std::string& fileName, bool& doAdd)> OnAddDir;
    std::function<void(TDirTree&, const std::string& path, TDirRec& rec, int& result, bool first)>
        OnFindDir;
    std::function<void(TDirTree&, HTREEITEM)> OnGetIcon;
    std::function<void(TDirTree&, HTREEITEM)> OnDeleteItem;
    std::function<void(TDirTree&)> OnChange;
    std::function<void(TDirTree&)> OnClick;

    // The selected folder's path, or "?" when nothing (or a placeholder) is selected.
    std::string SelectedDirectory() const;
    // Opens the tree along the path and selects its deepest folder.
    void OpenPath(const std::string& path);
    void ReadDrives();
    // Adds and removes drive nodes after the drive set changed; true when it had.
    bool RefreshDrives();
    void Reload();

    const TDirEntry* Entry(HTREEITEM item) const;
    std::int32_t VolumeSerial(char letter) const { return serials_[Index(letter)]; }
    const std::string& LastDirectory(char letter) const { return lastDirs_[Index(letter)]; }
    DWORD DriveMask() const { return driveMask_; }

private:
    class Updating;
    static int Index(char letter);
    bool OwnerMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    bool Notify(NMHDR* header, LRESULT& result);
    DWORD ComputeDriveMask() const;
    bool Admit(const std::string& path);
    bool AttributesShown(DWORD attr) const;
    // Calls keep for each admitted sub-folder name until it returns false.
    void ForEachSubFolder(const std::string& path, const std::function<bool(const char*)>& keep);
    HTREEITEM InsertNode(HTREEITEM parent, HTREEITEM after, const std::string& text,
                         std::unique_ptr<TDirEntry> entry);
    void AddPlaceholder(HTREEITEM node);
    HTREEITEM AddDriveNode(char letter, HTREEITEM after);
    std::string DriveText(char letter, UINT type, bool queryVolume);
    std::string VolumeText(char letter);
    std::int32_t CurrentSerial(char letter) const;
    void SetIcons(HTREEITEM item, const std::string& path);
    void DeleteChildren(HTREEITEM item);
    void ReadSubFolders(HTREEITEM item);
    void ProbeSubFolders(HTREEITEM item);
    HTREEITEM FindDriveNode(char letter) const;
    HTREEITEM RereadDrive(char letter);
    void SelectionChanged(HTREEITEM item);
    void Clicked();
    void DeviceChanged();

    addfiles::WindowHook ownerHook_;
    std::unordered_map<const TDirEntry*, std::unique_ptr<TDirEntry>> entries_;
    TDirTypes dirTypes_{dtNormal, dtAll};
    bool goBelowRecycleBin_ = true;
    TDriveTypes driveTypes_{drtUnknown, drtRemovable, drtFixed, drtRemote, drtCDRom, drtRamDisk};
    int closedIcon_ = 0;
    int openIcon_ = 0;
    std::array<std::string, 26> lastDirs_;
    std::array<std::int32_t, 26> serials_{};
    DWORD driveMask_ = 0;
    int updating_ = 0;
    bool destroying_ = false;
};
