#include "tests/dlls/sfx/StubRunner.h"

#include "tests/engine/ZipBuilder.h"
#include "base/Handle.h"

#include <windows.h>

#include <stdexcept>

namespace sfx_test {

std::string StubPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\') + 1) + "KSFX.BIN";
}

std::string StubBytes() {
    return testing_support::ReadFileBytes(StubPath());
}

StubRun RunProgram(const std::string& program, const std::string& arguments,
                   unsigned long limitMs) {
    char outName[MAX_PATH], dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "sfo", 0, outName);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    ui::FileHandle out(CreateFileA(outName, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_TEMPORARY, nullptr));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = out.Get();
    si.hStdError = out.Get();
    PROCESS_INFORMATION pi{};
    std::string command = "\"" + program + "\" " + arguments;
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &si, &pi))
        throw std::runtime_error("cannot start " + program);
    ui::FileHandle process(pi.hProcess), thread(pi.hThread);
    StubRun run;
    if (WaitForSingleObject(pi.hProcess, limitMs) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 5000);
        run.exitCode = 99;
    } else {
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
    }
    out.Reset();
    run.output = testing_support::ReadFileBytes(outName);
    DeleteFileA(outName);
    return run;
}

} // namespace sfx_test
