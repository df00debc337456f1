// A harmless program the run tests put into archives: it writes "ran.txt" beside itself with
// its own path, its command line and its process number, then signals the waiting test.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Started from a folder deeper than MAX_PATH the module's name may be that long too.
    std::wstring exe(32768, L'\0');
    exe.resize(GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size())));
    std::wstring marker = exe.substr(0, exe.find_last_of(L'\\') + 1) + L"ran.txt";
    if (marker.size() >= MAX_PATH - 12 && marker.rfind(L"\\\\", 0) != 0)
        marker = L"\\\\?\\" + marker;
    std::string path(exe.size() * 3, '\0');
    path.resize(WideCharToMultiByte(CP_ACP, 0, exe.data(), static_cast<int>(exe.size()),
                                    path.data(), static_cast<int>(path.size()), nullptr, nullptr));
    std::string text =
        path + "\n" + GetCommandLineA() + "\n" + std::to_string(GetCurrentProcessId()) + "\n";
    HANDLE f = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
    }
    if (HANDLE ran = OpenEventA(EVENT_MODIFY_STATE, FALSE, "KelvoraTestMarkerRan")) {
        SetEvent(ran);
        CloseHandle(ran);
    }
    return 0;
}
