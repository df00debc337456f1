// Console driver for KUNZENG.DLL: fills UnzParams as the program does and runs one extraction
// or test, for interoperability tests and benchmarks.
//
//   unzdrive [options] ARCHIVE [NAME|MASK...]
//     -x DIR   extract into DIR (made the current directory, as the program does)
//     -t       test instead of extracting
//     -j       junk folder names (DirNames off; on by default, as in the main window)
//     -n       do not overwrite existing files (OverWrite is on by default)
//     -u, -f   update, freshen
//     -P PASS  password
//     -v       print every callback
//     -s N     answer "stop" to the N-th callback
// Prints "processed N"; exit code 0 when the engine sent no message, 2 when it did, 1 when
// it could not run.
#include "base/EngineRecords.h"
#include "base/Handle.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Counters {
    bool verbose = false;
    long stopAt = 0;
    long calls = 0;
    long messages = 0;
    long files = 0;
    long units = 0;
};

Counters counters;

std::int32_t __stdcall OnCallback(keng::CallbackData* data) {
    ++counters.calls;
    switch (data->ActionCode) {
    case keng::kActionNewFile:
        ++counters.files;
        if (counters.verbose) std::printf("1 %d %s\n", data->FileSize, data->MessageText);
        break;
    case keng::kActionProgress:
        ++counters.units;
        if (counters.verbose) std::printf("2\n");
        break;
    case keng::kActionEndOfBatch:
        if (counters.verbose) std::printf("3\n");
        break;
    default:
        ++counters.messages;
        std::printf("message %d %d: %s\n", data->ActionCode, data->ErrorCode, data->MessageText);
        break;
    }
    return (counters.stopAt > 0 && counters.calls >= counters.stopAt) ? keng::kTrue : keng::kFalse;
}

// A 256- or 81-byte buffer holding the text, as the program allocates them.
std::vector<char> Buffer(const std::string& text, std::size_t size) {
    std::vector<char> buffer(size, '\0');
    std::strncpy(buffer.data(), text.c_str(), size - 1);
    return buffer;
}

int Usage() {
    std::fprintf(stderr, "usage: unzdrive [-x DIR] [-t] [-j] [-n] [-u] [-f] [-P PASS] [-v] "
                         "[-s N] ARCHIVE [NAME|MASK...]\n");
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string folder, password, archive;
    bool test = false, dirNames = true, overwrite = true, update = false, freshen = false;
    std::vector<std::string> specs;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : std::string(); };
        if (a == "-x")
            folder = value();
        else if (a == "-t")
            test = true;
        else if (a == "-j")
            dirNames = false;
        else if (a == "-n")
            overwrite = false;
        else if (a == "-u")
            update = true;
        else if (a == "-f")
            freshen = true;
        else if (a == "-P")
            password = value();
        else if (a == "-v")
            counters.verbose = true;
        else if (a == "-s")
            counters.stopAt = std::atol(value().c_str());
        else if (archive.empty())
            archive = a;
        else
            specs.push_back(a);
    }
    if (archive.empty()) return Usage();

    if (!folder.empty()) {
        CreateDirectoryA(folder.c_str(), nullptr);
        if (!SetCurrentDirectoryA(folder.c_str())) {
            std::fprintf(stderr, "cannot enter %s\n", folder.c_str());
            return 1;
        }
    }
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ui::ModuleHandle engine(LoadLibraryA("KUNZENG.DLL"));
    if (!engine) {
        std::fprintf(stderr, "KUNZENG.DLL not found\n");
        return 1;
    }
    // Through void* to say the function type change is intended.
    auto exec = reinterpret_cast<keng::UnzEngExecFn>(
        reinterpret_cast<void*>(GetProcAddress(engine.Get(), "UnzEngExec")));
    if (!exec) {
        std::fprintf(stderr, "UnzEngExec function not found in KUNZENG.DLL\n");
        return 1;
    }

    static keng::UnzParams params; // 16 KB: not on the stack
    std::memset(&params, 0, sizeof params);
    std::vector<char> archiveBuffer = Buffer(archive, keng::kNameBufferSize);
    std::vector<char> passwordBuffer = Buffer(password, keng::kPasswordBufferSize);
    std::vector<std::vector<char>> specBuffers;
    for (const std::string& s : specs)
        specBuffers.push_back(Buffer(s, keng::kNameBufferSize));

    params.Handle = nullptr;
    params.Caller = &counters;
    params.Version = keng::kRecordVersion;
    params.Callback = OnCallback;
    params.TraceEnabled = keng::kFalse;
    params.PasswordText = passwordBuffer.data();
    params.Test = keng::ToEBool(test);
    params.Fixed32 = keng::kFalse;
    params.Fixed36 = keng::kFalse;
    params.Fixed40 = keng::kTrue;
    params.VerboseEnabled = keng::kFalse;
    params.Update = keng::ToEBool(update);
    params.Freshen = keng::ToEBool(freshen && !update);
    params.DirNames = keng::ToEBool(dirNames);
    params.OverWrite = keng::ToEBool(overwrite);
    params.ArchiveName = archiveBuffer.data();
    params.Marker = keng::kRecordMarker;
    params.Argc = static_cast<std::int32_t>(specBuffers.size());
    for (std::size_t i = 0; i < specBuffers.size() && i < keng::kMaxFileSpecs; ++i)
        params.FileSpecs[i] = specBuffers[i].data();

    const std::int32_t processed = exec(&params);
    std::printf("processed %d files, %ld new-file calls, %ld progress units, %ld messages\n",
                processed, counters.files, counters.units, counters.messages);
    return counters.messages ? 2 : 0;
}
