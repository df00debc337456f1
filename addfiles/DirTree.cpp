#include "addfiles/DirTree.h"

#include "ui/Application.h"
#include "base/Handle.h"
#include "base/LongPaths.h"

#include <shellapi.h>

#include <algorithm>
#include <stdexcept>

namespace {

std::string Upper(std::string s) {
    if (!s.empty()) CharUpperBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::string Lower(std::string s) {
    if (!s.empty()) CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

std::string Root(char letter) {
    return std::string(1, letter) + ":\\";
}

std::string CurrentDirectory() {
    std::wstring buf(MAX_PATH + 1, L'\0');
    DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
    if (n >= buf.size()) {
        buf.assign(n + 1, L'\0');
        n = GetCurrentDirectoryW(static_cast<DWORD>(buf.size()), buf.data());
    }
    buf.resize(n < buf.size() ? n : 0);
    std::string dir = kname::Narrow(kname::ShownPathW(buf), CP_ACP);
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    return dir;
}

bool Exists(const std::string& path) {
    addfiles::QuietDriveAccess quiet;
    return kname::FileAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::string& path) {
    addfiles::QuietDriveAccess quiet;
    DWORD a = kname::FileAttributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

// Holds the update counter: selection changes raised while the tree rebuilds are ignored.
class TDirTree::Updating {
public:
    explicit Updating(TDirTree& t) : t_(t) { ++t_.updating_; }
    ~Updating() { --t_.updating_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

private:
    TDirTree& t_;
};

TDirTree::TDirTree() {
    InitialDirectory = CurrentDirectory();
    for (int i = 0; i < 26; ++i)
        lastDirs_[i] = Root(static_cast<char>('A' + i));
    // Folder names stay as the file system spells them: they become member names.
    const std::string& cwd = InitialDirectory;
    const char drive = static_cast<char>(cwd.empty() ? 0 : cwd[0] | 0x20);
    if (cwd.size() >= 3 && cwd[1] == ':' && drive >= 'a' && drive <= 'z')
        lastDirs_[Index(drive)] = cwd;
    char windows[MAX_PATH + 2] = {};
    UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
    std::string winDir(windows, n <= MAX_PATH ? n : 0);
    if (winDir.empty() || winDir.back() != '\\') winDir += '\\';
    SHFILEINFOA fi{};
    SHGetFileInfoA(winDir.c_str(), 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    closedIcon_ = fi.iIcon;
    fi = SHFILEINFOA{};
    SHGetFileInfoA(winDir.c_str(), 0, &fi, sizeof fi,
                   SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
    openIcon_ = fi.iIcon;
}

TDirTree::~TDirTree() {
    destroying_ = true;
    // Destroyed while the hook still hears the deletions, so no record outlives its node.
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    ownerHook_.Remove();
    hwnd_ = nullptr;
}

int TDirTree::Index(char letter) {
    char up = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    return (up >= 'A' && up <= 'Z') ? up - 'A' : 0;
}

void TDirTree::Create(HWND owner, int id, const RECT& r) {
    Attach(CreateWindowExA(WS_EX_CLIENTEDGE, WC_TREEVIEWA, "",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                               TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                           r.left, r.top, r.right - r.left, r.bottom - r.top, owner,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleA(nullptr), nullptr));
    if (!hwnd_) return;
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    SHFILEINFOA fi{};
    auto small = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (small) SetImageList(small); // the shell's: shared, never destroyed here
    ownerHook_.Install(owner, [this](UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
        return OwnerMessage(msg, wp, lp, result);
    });
    if (ReadOnStart) ReadDrives();
}

void TDirTree::Loaded() {
    OpenPath(FolderExists(InitialDirectory) ? InitialDirectory : CurrentDirectory());
}

void TDirTree::SetDirTypes(const TDirTypes& types) {
    dirTypes_ = types;
    if (hwnd_) Reload();
}

void TDirTree::SetGoBelowRecycleBin(bool on) {
    goBelowRecycleBin_ = on;
    if (hwnd_) Reload();
}

void TDirTree::SetDriveTypes(const TDriveTypes& types) {
    driveTypes_ = types;
    if (hwnd_) RefreshDrives();
}

const TDirEntry* TDirTree::Entry(HTREEITEM item) const {
    if (!item) return nullptr;
    auto* e = reinterpret_cast<const TDirEntry*>(ItemData(item));
    return entries_.count(e) ? e : nullptr;
}

std::string TDirTree::SelectedDirectory() const {
    const TDirEntry* e = hwnd_ ? Entry(Selected()) : nullptr;
    return e ? e->Path : "?";
}

bool TDirTree::OwnerMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) {
    if (msg == WM_DEVICECHANGE) {
        DeviceChanged();
        result = TRUE;
        return true;
    }
    if (msg == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (header && header->hwndFrom == hwnd_) return Notify(header, result);
    }
    return false;
}

bool TDirTree::Notify(NMHDR* header, LRESULT& result) {
    auto* nm = reinterpret_cast<NMTREEVIEWA*>(header);
    switch (header->code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW:
        if (nm->action & TVE_EXPAND) {
            ui::WaitCursor wait;
            ReadSubFolders(nm->itemNew.hItem);
            for (HTREEITEM c = Next(nm->itemNew.hItem, TVGN_CHILD); c; c = Next(c, TVGN_NEXT))
                ProbeSubFolders(c);
        }
        result = FALSE;
        return true;
    case TVN_SELCHANGEDA:
    case TVN_SELCHANGEDW:
        if (!updating_ && !destroying_) SelectionChanged(nm->itemNew.hItem);
        return true;
    case TVN_DELETEITEMA:
    case TVN_DELETEITEMW:
        if (OnDeleteItem && !destroying_) OnDeleteItem(*this, nm->itemOld.hItem);
        entries_.erase(reinterpret_cast<const TDirEntry*>(nm->itemOld.lParam));
        return true;
    case NM_CLICK:
        Clicked();
        result = 0;
        return true;
    default:
        return false;
    }
}

DWORD TDirTree::ComputeDriveMask() const {
    addfiles::QuietDriveAccess quiet;
    DWORD mask = GetLogicalDrives();
    static const struct {
        UINT type;
        TDriveType needs;
    } kTypes[] = {{DRIVE_UNKNOWN, drtUnknown}, {DRIVE_REMOVABLE, drtRemovable},
                  {DRIVE_FIXED, drtFixed},     {DRIVE_REMOTE, drtRemote},
                  {DRIVE_CDROM, drtCDRom},     {DRIVE_RAMDISK, drtRamDisk}};
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        UINT type = GetDriveTypeA(Root(static_cast<char>('A' + i)).c_str());
        for (const auto& t : kTypes)
            if (t.type == type && !driveTypes_.Has(t.needs)) mask &= ~(1u << i);
    }
    return mask;
}

bool TDirTree::Admit(const std::string& path) {
    if (!goBelowRecycleBin_) {
        // The recycle folder itself stays; only what lies below it is hidden.
        size_t p = Lower(path).find("\\recycled\\");
        if (p != std::string::npos && p + 10 < path.size()) return false;
    }
    bool add = true;
    if (OnAddDir) OnAddDir(*this, path, add);
    return add;
}

bool TDirTree::AttributesShown(DWORD attr) const {
    if (dirTypes_.Has(dtAll)) return true;
    if ((attr & FILE_ATTRIBUTE_HIDDEN) && !dirTypes_.Has(dtHidden)) return false;
    if ((attr & FILE_ATTRIBUTE_SYSTEM) && !dirTypes_.Has(dtSystem)) return false;
    if ((attr & FILE_ATTRIBUTE_ARCHIVE) && !dirTypes_.Has(dtArchive)) return false;
    return dirTypes_.Has(dtNormal) ||
           (attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
}

void TDirTree::ForEachSubFolder(const std::string& path,
                                const std::function<bool(const char*)>& keep) {
    addfiles::QuietDriveAccess quiet;
    auto consider = [&](const TDirRec& rec) {
        if (!(rec.Attr & FILE_ATTRIBUTE_DIRECTORY) || rec.Name == "." || rec.Name == "..")
            return true;
        if (!Admit(path + rec.Name + "\\") || !AttributesShown(rec.Attr)) return true;
        return keep(rec.Name.c_str());
    };
    TDirRec rec;
    if (OnFindDir) {
        int result = 0;
        OnFindDir(*this, path, rec, result, true);
        while (result == 0 && consider(rec))
            OnFindDir(*this, path, rec, result, false);
        return;
    }
    // The wide calls list folders below MAX_PATH and in any script alike.
    kname::ForEachInFolder(path, [&](const WIN32_FIND_DATAW& data, std::string name) {
        rec.Attr = data.dwFileAttributes;
        rec.FindData.dwFileAttributes = data.dwFileAttributes;
        lstrcpynA(rec.FindData.cFileName, name.c_str(), MAX_PATH);
        rec.Name = std::move(name);
        return consider(rec);
    });
}

HTREEITEM TDirTree::InsertNode(HTREEITEM parent, HTREEITEM after, const std::string& text,
                               std::unique_ptr<TDirEntry> entry) {
    TVINSERTSTRUCTA ins{};
    ins.hParent = parent ? parent : TVI_ROOT;
    ins.hInsertAfter = after;
    ins.item.mask = TVIF_TEXT | TVIF_PARAM;
    ins.item.pszText = const_cast<char*>(text.c_str());
    ins.item.lParam = reinterpret_cast<LPARAM>(entry.get());
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(hwnd_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&ins)));
    if (item && entry) {
        const TDirEntry* key = entry.get();
        entries_[key] = std::move(entry);
    }
    return item;
}

void TDirTree::AddPlaceholder(HTREEITEM node) {
    InsertNode(node, TVI_LAST, "", nullptr);
}

std::string TDirTree::VolumeText(char letter) {
    addfiles::QuietDriveAccess quiet;
    char name[24] = {};
    DWORD serial = 0;
    std::string up(1, Upper(std::string(1, letter))[0]);
    if (GetVolumeInformationA(Root(letter).c_str(), name, sizeof name, &serial, nullptr, nullptr,
                              nullptr, 0)) {
        serials_[Index(letter)] = static_cast<std::int32_t>(serial);
        return std::string(name) + " (" + up + ":)";
    }
    serials_[Index(letter)] = -1;
    return "(" + up + ":)";
}

std::int32_t TDirTree::CurrentSerial(char letter) const {
    addfiles::QuietDriveAccess quiet;
    DWORD serial = 0;
    if (!GetVolumeInformationA(Root(letter).c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr,
                               0))
        return -1;
    return static_cast<std::int32_t>(serial);
}

std::string TDirTree::DriveText(char letter, UINT type, bool queryVolume) {
    if (type == DRIVE_REMOVABLE || type == DRIVE_REMOTE) {
        if (queryVolume) VolumeText(letter);
        addfiles::QuietDriveAccess quiet;
        SHFILEINFOA fi{};
        SHGetFileInfoA(Root(letter).c_str(), 0, &fi, sizeof fi, SHGFI_DISPLAYNAME);
        return fi.szDisplayName;
    }
    return VolumeText(letter);
}

void TDirTree::SetIcons(HTREEITEM item, const std::string& path) {
    addfiles::QuietDriveAccess quiet;
    SHFILEINFOA fi{};
    // The shell takes names below MAX_PATH only; a folder deeper down has the plain icons.
    fi.iIcon = closedIcon_;
    if (path.size() < kname::kPrefixFrom)
        SHGetFileInfoA(path.c_str(), 0, &fi, sizeof fi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    TVITEMA it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    it.hItem = item;
    it.iImage = fi.iIcon;
    if (fi.iIcon == closedIcon_) {
        it.iSelectedImage = openIcon_;
    } else {
        // Special folders keep their own open icon.
        fi = SHFILEINFOA{};
        SHGetFileInfoA(path.c_str(), 0, &fi, sizeof fi,
                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_OPENICON);
        it.iSelectedImage = fi.iIcon;
    }
    SendMessageA(hwnd_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    if (OnGetIcon) OnGetIcon(*this, item);
}

HTREEITEM TDirTree::AddDriveNode(char letter, HTREEITEM after) {
    const std::string root = Root(letter);
    UINT type;
    {
        addfiles::QuietDriveAccess quiet;
        type = GetDriveTypeA(root.c_str());
    }
    // A removable drive's volume is only read once it is opened.
    std::string text = DriveText(letter, type, type != DRIVE_REMOVABLE);
    auto entry = std::make_unique<TDirEntry>();
    entry->Path = root;
    HTREEITEM node = InsertNode(nullptr, after, text, std::move(entry));
    if (!node) return nullptr;
    SetIcons(node, root);
    if (!FastLoad && type >= DRIVE_FIXED && type != DRIVE_CDROM)
        ProbeSubFolders(node);
    else
        AddPlaceholder(node);
    return node;
}

void TDirTree::DeleteChildren(HTREEITEM item) {
    while (HTREEITEM c = Next(item, TVGN_CHILD))
        SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(c));
}

void TDirTree::ReadDrives() {
    if (!hwnd_) return;
    Updating hold(*this);
    ui::WaitCursor wait;
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    Clear();
    ui::ProcessMessages();
    driveMask_ = ComputeDriveMask();
    for (int i = 0; i < 26; ++i) {
        const char letter = static_cast<char>('A' + i);
        if ((driveMask_ & (1u << i)) && Admit(Root(letter))) AddDriveNode(letter, TVI_LAST);
    }
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (HTREEITEM sel = Selected()) SendMessageA(hwnd_, TVM_ENSUREVISIBLE, 0, LPARAM(sel));
}

void TDirTree::ReadSubFolders(HTREEITEM item) {
    TDirEntry* e = const_cast<TDirEntry*>(Entry(item));
    if (!e || e->ChildrenRead) return;
    DeleteChildren(item);
    e->ChildrenRead = true;
    std::vector<std::string> names;
    ForEachSubFolder(e->Path, [&](const char* name) {
        names.emplace_back(name);
        return true;
    });
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    for (const std::string& name : names) {
        auto child = std::make_unique<TDirEntry>();
        child->Path = e->Path + name + "\\";
        child->UserData = e->UserData;
        std::string path = child->Path;
        if (HTREEITEM node = InsertNode(item, TVI_LAST, name, std::move(child)))
            SetIcons(node, path);
    }
}

void TDirTree::ProbeSubFolders(HTREEITEM item) {
    const TDirEntry* e = Entry(item);
    if (!e || e->ChildrenRead || Next(item, TVGN_CHILD)) return;
    bool found = false;
    ForEachSubFolder(e->Path, [&](const char*) {
        found = true;
        return false;
    });
    if (found) AddPlaceholder(item);
}

void TDirTree::OpenPath(const std::string& path) {
    if (path.empty()) throw std::runtime_error("Invalid Path Name");
    if (path == "?") return;
    std::string p = path;
    if (p.back() != '\\') p += '\\';
    if (!Exists(p)) p = CurrentDirectory().substr(0, 3);
    ui::WaitCursor wait;
    SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    HTREEITEM found = nullptr;
    for (size_t end = p.find('\\'); end != std::string::npos; end = p.find('\\', end + 1)) {
        const std::string prefix = p.substr(0, end + 1);
        HTREEITEM match = nullptr;
        for (HTREEITEM c = found ? Next(found, TVGN_CHILD) : Next(nullptr, TVGN_ROOT); c;
             c = Next(c, TVGN_NEXT)) {
            const TDirEntry* e = Entry(c);
            if (e && lstrcmpiA(e->Path.c_str(), prefix.c_str()) == 0) {
                match = c;
                break;
            }
        }
        if (!match) {
            found = nullptr;
            break;
        }
        found = match;
        ReadSubFolders(found);
    }
    SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (!found) return;
    Select(found);
    SendMessageA(hwnd_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(found));
}

HTREEITEM TDirTree::FindDriveNode(char letter) const {
    const std::string root = Root(letter);
    for (HTREEITEM c = Next(nullptr, TVGN_ROOT); c; c = Next(c, TVGN_NEXT)) {
        const TDirEntry* e = Entry(c);
        if (e && lstrcmpiA(e->Path.c_str(), root.c_str()) == 0) return c;
    }
    return nullptr;
}

// The medium in the drive changed: its branch is read afresh and the drive node selected.
HTREEITEM TDirTree::RereadDrive(char letter) {
    HTREEITEM drive = FindDriveNode(letter);
    if (!drive) return nullptr;
    Updating hold(*this);
    DeleteChildren(drive);
    const_cast<TDirEntry*>(Entry(drive))->ChildrenRead = false;
    UINT type;
    {
        addfiles::QuietDriveAccess quiet;
        type = GetDriveTypeA(Root(letter).c_str());
    }
    std::string text = DriveText(letter, type, true);
    TVITEMA it{};
    it.mask = TVIF_TEXT;
    it.hItem = drive;
    it.pszText = text.data();
    SendMessageA(hwnd_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&it));
    if (serials_[Index(letter)] != -1) ProbeSubFolders(drive);
    Select(drive);
    return drive;
}

void TDirTree::SelectionChanged(HTREEITEM item) {
    if (const TDirEntry* e = Entry(item)) {
        const char letter = e->Path[0];
        if (CurrentSerial(letter) != serials_[Index(letter)])
            if (HTREEITEM drive = RereadDrive(letter)) item = drive;
        if (const TDirEntry* now = Entry(item)) lastDirs_[Index(letter)] = now->Path;
    }
    if (OnChange) OnChange(*this);
}

void TDirTree::Clicked() {
    HTREEITEM item = Selected();
    const TDirEntry* e = Entry(item);
    if (!e) return;
    const char letter = e->Path[0];
    if (CurrentSerial(letter) == serials_[Index(letter)]) {
        if (OnClick) OnClick(*this);
    } else {
        SelectionChanged(item);
    }
}

bool TDirTree::RefreshDrives() {
    if (!hwnd_) return false;
    bool changed = false;
    {
        Updating hold(*this);
        SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
        const DWORD mask = ComputeDriveMask();
        for (int i = 0; i < 26; ++i) {
            const DWORD bit = 1u << i;
            const char letter = static_cast<char>('A' + i);
            if ((driveMask_ & bit) && !(mask & bit)) {
                if (HTREEITEM node = FindDriveNode(letter)) {
                    SendMessageA(hwnd_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(node));
                    changed = true;
                }
            } else if (!(driveMask_ & bit) && (mask & bit)) {
                // In drive order: after the last drive node whose root sorts before it.
                HTREEITEM after = TVI_FIRST;
                const std::string root = Root(letter);
                for (HTREEITEM c = Next(nullptr, TVGN_ROOT); c; c = Next(c, TVGN_NEXT)) {
                    const TDirEntry* e = Entry(c);
                    if (e && lstrcmpiA(e->Path.c_str(), root.c_str()) < 0) after = c;
                }
                if (AddDriveNode(letter, after)) changed = true;
            }
        }
        driveMask_ = mask;
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
    if (changed && !updating_) SelectionChanged(Selected());
    return changed;
}

void TDirTree::DeviceChanged() {
    {
        Updating hold(*this);
        if (!RefreshDrives()) {
            // Same drives: a medium may have been swapped in one of them.
            for (int i = 25; i >= 0; --i) {
                const char letter = static_cast<char>('A' + i);
                if (!FindDriveNode(letter)) continue;
                if (CurrentSerial(letter) != serials_[i]) {
                    RereadDrive(letter);
                    break;
                }
            }
        }
    }
    SelectionChanged(Selected());
}

void TDirTree::Reload() {
    const std::string remembered = SelectedDirectory();
    ReadDrives();
    OpenPath(remembered);
    if (Next(nullptr, TVGN_ROOT) && !Selected() && remembered.size() >= 3)
        OpenPath(remembered.substr(0, 3));
    if (Selected()) return;
    try {
        HTREEITEM drive = Next(nullptr, TVGN_ROOT);
        while (drive) {
            HTREEITEM first = Next(drive, TVGN_CHILD);
            const TDirEntry* fe = Entry(first);
            HTREEITEM next = Next(drive, TVGN_NEXT);
            if (!first || (fe && fe->ChildrenRead) || !next) break;
            drive = next;
        }
        if (!drive) return;
        const std::string last = lastDirs_[Index(Entry(drive)->Path[0])];
        OpenPath(last);
        if (lstrcmpiA(SelectedDirectory().c_str(), last.c_str()) != 0) {
            {
                Updating hold(*this); // one change event, from the call below
                Select(drive);
            }
            SelectionChanged(drive);
        }
    } catch (...) {
        // The fallback selection is a convenience; a failure leaves the tree unselected.
    }
}
