#include "dlls/zipeng/PasswordPrompt.h"

#include "dlls/zipeng/PasswordPromptIds.h"
#include "base/EngineRecords.h"

extern "C" IMAGE_DOS_HEADER __ImageBase; // this DLL's module, which holds the dialog

namespace zipeng {

namespace {

struct PromptState {
    std::string password;
};

std::string ItemText(HWND dialog, int id) {
    char buffer[keng::kPasswordBufferSize] = {};
    GetDlgItemTextA(dialog, id, buffer, sizeof buffer);
    return buffer;
}

void OnOk(HWND dialog, PromptState& state) {
    const std::string first = ItemText(dialog, IDC_ZIPENG_PASSWORD1);
    const std::string second = ItemText(dialog, IDC_ZIPENG_PASSWORD2);
    if (first.empty()) {
        SetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD_HINT, "Please type a password.");
        SetFocus(GetDlgItem(dialog, IDC_ZIPENG_PASSWORD1));
        return;
    }
    if (first != second) {
        SetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD_HINT,
                        "The two entries differ. Please type the password again.");
        SetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD1, "");
        SetDlgItemTextA(dialog, IDC_ZIPENG_PASSWORD2, "");
        SetFocus(GetDlgItem(dialog, IDC_ZIPENG_PASSWORD1));
        return;
    }
    state.password = first;
    EndDialog(dialog, IDOK);
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        for (int id : {IDC_ZIPENG_PASSWORD1, IDC_ZIPENG_PASSWORD2})
            SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, keng::kPasswordBufferSize - 1, 0);
        return TRUE;
    case WM_COMMAND:
        if (!state) return FALSE;
        if (LOWORD(wParam) == IDOK) {
            OnOk(dialog, *state);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

std::optional<std::string> AskPassword(HWND owner) {
    PromptState state;
    const INT_PTR result = DialogBoxParamA(reinterpret_cast<HINSTANCE>(&__ImageBase),
                                           MAKEINTRESOURCEA(IDD_ZIPENG_PASSWORD), owner, PromptProc,
                                           reinterpret_cast<LPARAM>(&state));
    if (result != IDOK) return std::nullopt;
    return state.password;
}

} // namespace zipeng
