#include "settings/PathDialog.h"

#include "base/LongPaths.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"

#include <shlobj.h>

#include <exception>

namespace settings {

namespace {

// An item list from the shell, given back to the shell's allocator.
class ItemList {
public:
    ItemList(IMalloc* allocator, LPITEMIDLIST list) : allocator_(allocator), list_(list) {}
    ~ItemList() {
        if (list_) allocator_->Free(list_);
    }
    ItemList(const ItemList&) = delete;
    ItemList& operator=(const ItemList&) = delete;
    LPITEMIDLIST Get() const { return list_; }

private:
    IMalloc* allocator_;
    LPITEMIDLIST list_;
};

// The file-system path of an item, or empty.
std::string PathOf(LPCITEMIDLIST item) {
    char path[MAX_PATH] = {};
    if (!item || !SHGetPathFromIDListA(item, path)) return {};
    return path;
}

// Runs an event handler; its failure is told to the user and the browser goes on.
template <class Handler> void RunHandler(HWND window, Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ui::Dialogs().Info(window, e.what());
    } catch (...) {
        ui::Dialogs().Info(window, "Unexpected error");
    }
}

// The folder itself when it exists, else its nearest parent that does; empty when none does.
std::string NearestExistingFolder(std::string folder) {
    while (!folder.empty()) {
        const DWORD a = GetFileAttributesW(kname::LongPath(folder).c_str());
        if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY)) return folder;
        const size_t slash = folder.find_last_of('\\');
        if (slash == std::string::npos) return {};
        folder.erase(slash == 2 && folder[1] == ':' ? 3 : slash); // "c:\" stays a root
        if (folder.size() == 3 && folder[1] == ':') {
            const DWORD root = GetFileAttributesW(kname::LongPath(folder).c_str());
            return root != INVALID_FILE_ATTRIBUTES ? folder : std::string();
        }
    }
    return {};
}

} // namespace

void TPathDialog::SetDirectory(const std::string& value) {
    directory_ = value;
    if (!directory_.empty() && directory_.back() == '\\') directory_.pop_back();
    if (dialogHandle_ && !directory_.empty())
        SendMessageA(dialogHandle_, BFFM_SETSELECTIONA, TRUE,
                     reinterpret_cast<LPARAM>(directory_.c_str()));
}

void TPathDialog::SetStatusText(const std::string& value) {
    statusText_ = value;
    if (dialogHandle_ && ShowStatus)
        SendMessageA(dialogHandle_, BFFM_SETSTATUSTEXTA, 0,
                     reinterpret_cast<LPARAM>(statusText_.c_str()));
}

bool TPathDialog::Execute() {
    if (!owner_ || !IsWindow(owner_->Handle())) return false;
    const HWND owner = owner_->Handle();
    ui::DialogCall call;
    call.Name = kDialogName;
    call.Owner = owner;
    call.Request = PathDialogRequest{Title, directory_, ShowStatus, statusText_};
    call.Run = [this, owner]() -> std::optional<std::any> {
        if (std::optional<std::string> path = Browse(owner)) return std::any(*path);
        return std::nullopt;
    };
    std::optional<std::any> answer = ui::Dialogs().ShowDialog(call);
    if (!answer) return false;
    // As the shell gave it: a drive root keeps its backslash.
    directory_ = std::any_cast<std::string>(*answer);
    return true;
}

std::optional<std::string> TPathDialog::Browse(HWND owner) {
    LPITEMIDLIST drives = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, &drives))) return std::nullopt;
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) {
        CoTaskMemFree(drives);
        return std::nullopt;
    }
    std::optional<std::string> result;
    {
        ItemList root(allocator, drives);
        char displayName[MAX_PATH] = {};
        BROWSEINFOA info{};
        info.hwndOwner = owner;
        info.pidlRoot = root.Get();
        info.pszDisplayName = displayName;
        info.lpszTitle = Title.c_str();
        // A box under the tree takes a typed path (Windows shows it in this style; Wine's
        // dialog of this style has none, and its new style does not take a preselection).
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | (ShowStatus ? BIF_STATUSTEXT : 0);
        info.lpfn = &TPathDialog::BrowseCallback;
        info.lParam = reinterpret_cast<LPARAM>(this);
        ItemList chosen(allocator, SHBrowseForFolderA(&info));
        dialogHandle_ = nullptr;
        if (chosen.Get()) {
            char path[MAX_PATH] = {};
            if (SHGetPathFromIDListA(chosen.Get(), path)) result = path;
        }
    }
    allocator->Release();
    return result;
}

int CALLBACK TPathDialog::BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data) {
    auto* self = reinterpret_cast<TPathDialog*>(data);
    if (!self) return 0;
    try {
        switch (message) {
        case BFFM_INITIALIZED:
            self->dialogHandle_ = window;
            // A start folder that is gone (or not made yet) opens at its nearest parent that is
            // there, not at the top of the tree.
            self->SetDirectory(NearestExistingFolder(self->directory_));
            self->SetStatusText(self->statusText_);
            if (self->OnShow) RunHandler(window, [self] { self->OnShow(*self); });
            break;
        case BFFM_SELCHANGED:
            if (self->OnSelect) {
                const std::string path = PathOf(reinterpret_cast<LPCITEMIDLIST>(lParam));
                RunHandler(window, [self, &path] { self->OnSelect(*self, path); });
            }
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing may leave a callback of the shell's.
    }
    return 0;
}

} // namespace settings
