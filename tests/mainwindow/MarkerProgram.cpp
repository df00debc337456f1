// A harmless program the run tests put into archives: it writes "ran.txt" beside itself with
// its own path, its command line and its process number, then signals the waiting test.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char exe[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    std::string marker = path.substr(0, path.find_last_of('\\') + 1) + "ran.txt";
    std::string text =
        path + "\n" + GetCommandLineA() + "\n" + std::to_string(GetCurrentProcessId()) + "\n";
    HANDLE f = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
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
