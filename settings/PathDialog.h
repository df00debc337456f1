// TPathDialog: picks a folder in the shell's folder browser, rooted at the computer's
// drives. Set Directory to preselect a folder, call Execute, and on true read the chosen
// folder from Directory. Each showing goes through the dialog seam as "PathDialog", so a
// test can answer with a folder.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace ui {
class Form;
}

namespace settings {

// What the seam sees of a showing; the answer is the chosen folder (std::string).
struct PathDialogRequest {
    std::string Title;
    std::string Directory;
    bool ShowStatus = false;
    std::string StatusText;
};

class TPathDialog {
public:
    static constexpr const char* kDialogName = "PathDialog";

    explicit TPathDialog(const ui::Form* owner) : owner_(owner) {}

    std::string Title;
    bool ShowStatus = false;
    // Raised once the browser has opened, and whenever its selection changes (with an
    // empty path for an item outside the file system).
    std::function<void(TPathDialog&)> OnShow;
    std::function<void(TPathDialog&, const std::string&)> OnSelect;

    const std::string& Directory() const { return directory_; }
    // Drops one trailing backslash; while the browser is open, selects the folder there.
    void SetDirectory(const std::string& value);
    const std::string& StatusText() const { return statusText_; }
    // While the browser is open with a status line, shows the text there.
    void SetStatusText(const std::string& value);
    // The browser's window while it is open.
    HWND DialogHandle() const { return dialogHandle_; }

    // True when the user chose a folder of the file system; it is then in Directory as the
    // shell gives it (a drive root keeps its backslash). False on Cancel, for an item
    // without a path, without an owner window, or when the browser cannot be set up.
    bool Execute();

    // The browser's callback; data is the dialog. Always 0; nothing leaves it.
    static int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

private:
    // The real browser: the chosen path, or nothing.
    std::optional<std::string> Browse(HWND owner);

    const ui::Form* owner_;
    std::string directory_;
    std::string statusText_;
    HWND dialogHandle_ = nullptr;
};

} // namespace settings
