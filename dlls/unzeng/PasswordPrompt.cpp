#include "dlls/unzeng/PasswordPrompt.h"

#include "dlls/unzeng/resource.h"
#include "base/EngineRecords.h"

#include <windows.h>

namespace unzeng {

namespace {

struct PromptState {
    std::string archiveName;
    std::string password;
};

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            auto* state = reinterpret_cast<PromptState*>(lParam);
            const std::string prompt = "Enter the password for " + state->archiveName + ":";
            SetDlgItemTextA(dialog, IDC_UNZ_PASSWORD_PROMPT, prompt.c_str());
            SendDlgItemMessageA(dialog, IDC_UNZ_PASSWORD_EDIT, EM_LIMITTEXT,
                                keng::kPasswordBufferSize - 1, 0);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* state = reinterpret_cast<PromptState*>(GetWindowLongPtrA(dialog, DWLP_USER));
                char text[keng::kPasswordBufferSize] = {};
                GetDlgItemTextA(dialog, IDC_UNZ_PASSWORD_EDIT, text, sizeof text);
                if (state) state->password = text;
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        }
    } catch (...) {
        EndDialog(dialog, IDCANCEL);
    }
    return FALSE;
}

} // namespace

std::optional<std::string> AskPassword(void* owner, const std::string& archiveName) {
    PromptState state{archiveName, {}};
    const INT_PTR result =
        DialogBoxParamA(ThisModule(), MAKEINTRESOURCEA(IDD_UNZ_PASSWORD), static_cast<HWND>(owner),
                        PromptProc, reinterpret_cast<LPARAM>(&state));
    if (result != IDOK || state.password.empty()) return std::nullopt;
    return state.password;
}

} // namespace unzeng
