// A stand-in engine library for the bridge tests. Built once as KZIPENG.DLL and once as
// KUNZENG.DLL, and in variants that lack the Exec or the version entry.
#include "tests/engine/probe/ProbeProtocol.h"

#include <windows.h>

#include <malloc.h>

#include <algorithm>
#include <cstring>

namespace {

probe::Log seen;
probe::Step script[probe::kMaxSteps];
std::int32_t scriptLength = 0;
std::int32_t scriptedResult = -1;

// Size of the heap block a pointer heads, or 0 when it is null. The program allocates its
// text buffers with the same C runtime heap, so the size shows the buffer it allocated.
[[maybe_unused]] std::size_t BlockSize(const void* p) {
    return p ? _msize(const_cast<void*>(p)) : 0;
}

[[maybe_unused]] void CopyText(char* to, const char* from, std::size_t bufferSize,
                               std::size_t block) {
    if (!from) return;
    // Read no more than the program allocated, whatever its size.
    std::memcpy(to, from, std::min(bufferSize, block));
}

// A genuine access violation: a write to a page that only allows reading.
[[maybe_unused]] void WriteToReadOnlyPage() {
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
    *static_cast<volatile int*>(page) = 1;
}

template <class Record> std::int32_t Exec(Record* p) {
    ++seen.calls;
    seen.recordSize = sizeof(Record);
    std::memcpy(seen.record, p, sizeof(Record));
    std::memset(seen.archiveName, 0, sizeof seen.archiveName);
    std::memset(seen.password, 0, sizeof seen.password);
    seen.archiveNameBlock = BlockSize(p->ArchiveName);
    CopyText(seen.archiveName, p->ArchiveName, sizeof seen.archiveName, seen.archiveNameBlock);
    seen.passwordBlock = BlockSize(p->PasswordText);
    CopyText(seen.password, p->PasswordText, sizeof seen.password, seen.passwordBlock);
    seen.argc = p->Argc;
    std::int32_t argc = std::clamp<std::int32_t>(p->Argc, 0, keng::kMaxFileSpecs);
    for (std::int32_t i = 0; i < argc; ++i) {
        std::memset(seen.specs[i], 0, sizeof seen.specs[i]);
        seen.specBlocks[i] = BlockSize(p->FileSpecs[i]);
        CopyText(seen.specs[i], p->FileSpecs[i], sizeof seen.specs[i], seen.specBlocks[i]);
    }
    GetCurrentDirectoryA(sizeof seen.currentDir, seen.currentDir);

    seen.stepsRun = 0;
    for (std::int32_t i = 0; i < scriptLength; ++i) {
        const probe::Step& s = script[i];
        if (s.kind == probe::kFault) WriteToReadOnlyPage();
        keng::CallbackData data{};
        data.Caller = s.caller ? s.caller : p->Caller;
        data.ActionCode = s.actionCode;
        data.ErrorCode = s.errorCode;
        data.FileSize = s.fileSize;
        std::memcpy(data.MessageText, s.text, sizeof data.MessageText);
        keng::EBool answer = p->Callback(&data);
        seen.results[seen.stepsRun++] = answer;
        if (answer) break; // asked to stop
    }
    return scriptedResult < 0 ? p->Argc : scriptedResult;
}

[[maybe_unused]] std::int32_t Version() {
    ++seen.versionCalls;
    return 130;
}

} // namespace

extern "C" {

void ProbeReset() {
    std::uint32_t errorMode = seen.errorModeAtLoad;
    std::memset(&seen, 0, sizeof seen);
    seen.errorModeAtLoad = errorMode;
    scriptLength = 0;
    scriptedResult = -1;
}

void ProbeScript(const probe::Step* steps, std::int32_t count, std::int32_t result) {
    scriptLength = std::clamp<std::int32_t>(count, 0, probe::kMaxSteps);
    std::memcpy(script, steps, sizeof(probe::Step) * scriptLength);
    scriptedResult = result;
}

const probe::Log* ProbeLog() {
    return &seen;
}

#if defined(PROBE_ZIP)
#if !defined(PROBE_NO_EXEC)
std::int32_t KENG_STDCALL ZipEngExec(keng::ZipParams* p) {
    return Exec(p);
}
#endif
#if !defined(PROBE_NO_VERSION)
std::int32_t KENG_STDCALL GetZipEngVersion() {
    return Version();
}
#endif
#else
#if !defined(PROBE_NO_EXEC)
std::int32_t KENG_STDCALL UnzEngExec(keng::UnzParams* p) {
    return Exec(p);
}
#endif
#if !defined(PROBE_NO_VERSION)
std::int32_t KENG_STDCALL GetUnzEngVersion() {
    return Version();
}
#endif
#endif

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        UINT mode = SetErrorMode(0);
        SetErrorMode(mode);
        seen.errorModeAtLoad = mode;
    }
    return TRUE;
}

} // extern "C"
