// highstart PROGRAM [ARGUMENTS...]: starts a program with the address space below 4 GiB
// reserved before its first instruction, waits for it and returns its exit code. On 64-bit
// Windows a program's blocks usually lie above 4 GiB; Wine puts them below unless told.
#include "tests/support/HighAddresses.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

int wmain() {
    // The rest of our own command line, quoted as it was given.
    const wchar_t* line = GetCommandLineW();
    bool quoted = false;
    for (; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line)
        if (*line == L'"') quoted = !quoted;
    while (*line == L' ' || *line == L'\t')
        ++line;
    if (*line == 0) {
        std::fputs("usage: highstart PROGRAM [ARGUMENTS...]\n", stderr);
        return 2;
    }
    std::wstring command(line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "highstart: cannot start the program (error %lu)\n", GetLastError());
        return 2;
    }
    const std::size_t reserved = tests::ReserveLowAddressSpaceOf(process.hProcess);
    std::fprintf(stderr, "highstart: %zu MiB below 4 GiB reserved\n", reserved >> 20);
    ResumeThread(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
