// zipdrive: runs KZIPENG.DLL from the command line with the parameter record filled as the
// program fills it, for scripts, interoperability checks and benchmarks.
//
//   zipdrive [options] archive pattern...
//     -d      delete the members the patterns name (default: add the files they name)
//     -r      include subfolders        -p  keep folder names (else names are junked)
//     -u      update                    -f  freshen
//     -m      move                      -h  include hidden and system files
//     -k      8.3 names                 -t  give the archive its newest member's time
//     -e      encrypt                   -P pw  password (empty with -e: the engine asks)
//     -a      encrypt with AES-256 (WinZip format) instead of traditional encryption
//     -0..-9  compression level (9)     -v  print every callback
//     -V      ask the engine for verbose messages
//     -c N    answer "stop" to the Nth callback
// Prints "messages: M" and "result: N" (files processed); exits 0, or 2 on a usage error.
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
    bool print = false;
    long stopAt = 0;
    long calls = 0;
    long messages = 0;
};
Counters g_counters;

keng::EBool KENG_STDCALL Callback(keng::CallbackData* data) {
    Counters& c = g_counters;
    ++c.calls;
    if (data->ActionCode >= keng::kActionMessage) {
        ++c.messages;
        std::printf("message %ld: %s\n", static_cast<long>(data->ErrorCode), data->MessageText);
    } else if (c.print) {
        if (data->ActionCode == keng::kActionNewFile)
            std::printf("file %ld %s\n", static_cast<long>(data->FileSize), data->MessageText);
        else
            std::printf("action %ld\n", static_cast<long>(data->ActionCode));
    }
    return keng::ToEBool(c.stopAt > 0 && c.calls == c.stopAt);
}

int Usage() {
    std::fprintf(stderr, "usage: zipdrive [-d] [-r] [-p] [-u] [-f] [-m] [-h] [-k] [-t] [-e] [-a] "
                         "[-P password] [-0..-9] [-v] [-V] [-c N] archive pattern...\n");
    return 2;
}

bool CopyText(char* buffer, size_t size, const std::string& text) {
    if (text.size() >= size) return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool del = false, recurse = false, keepPaths = false, update = false, freshen = false;
    bool move = false, hidden = false, dos = false, zipTime = false, encrypt = false, aes = false;
    bool verbose = false;
    int level = 9;
    std::string password;
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
        const std::string a = argv[i];
        if (a == "-d")
            del = true;
        else if (a == "-r")
            recurse = true;
        else if (a == "-p")
            keepPaths = true;
        else if (a == "-u")
            update = true;
        else if (a == "-f")
            freshen = true;
        else if (a == "-m")
            move = true;
        else if (a == "-h")
            hidden = true;
        else if (a == "-k")
            dos = true;
        else if (a == "-t")
            zipTime = true;
        else if (a == "-e")
            encrypt = true;
        else if (a == "-a")
            encrypt = aes = true;
        else if (a == "-v")
            g_counters.print = true;
        else if (a == "-V")
            verbose = true;
        else if (a == "-P" && i + 1 < argc)
            password = argv[++i];
        else if (a == "-c" && i + 1 < argc)
            g_counters.stopAt = std::atol(argv[++i]);
        else if (a.size() == 2 && a[1] >= '0' && a[1] <= '9')
            level = a[1] - '0';
        else
            return Usage();
    }
    if (argc - i < 2) return Usage();

    // The engine is found by its bare name, as the program loads it.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ui::ModuleHandle engine(LoadLibraryA("KZIPENG.DLL"));
    SetErrorMode(0);
    if (!engine) {
        std::fprintf(stderr, "KZIPENG.DLL not found\n");
        return 1;
    }
    // Through void*: FARPROC and the real signature differ, as with every GetProcAddress.
    auto exec = reinterpret_cast<keng::ZipEngExecFn>(
        reinterpret_cast<void*>(GetProcAddress(engine.Get(), "ZipEngExec")));
    if (!exec) {
        std::fprintf(stderr, "ZipEngExec function not found in KZIPENG.DLL\n");
        return 1;
    }

    static keng::ZipParams params; // 16 KB: not on the stack
    std::memset(&params, 0, sizeof params);
    std::vector<char> archiveBuffer(keng::kNameBufferSize),
        passwordBuffer(keng::kPasswordBufferSize);
    std::vector<std::vector<char>> patternBuffers;
    if (!CopyText(archiveBuffer.data(), archiveBuffer.size(), argv[i]) ||
        !CopyText(passwordBuffer.data(), passwordBuffer.size(), password)) {
        std::fprintf(stderr, "archive name or password too long\n");
        return 2;
    }
    ++i;
    if (argc - i > keng::kMaxFileSpecs) {
        std::fprintf(stderr, "too many patterns\n");
        return 2;
    }
    for (; i < argc; ++i) {
        patternBuffers.emplace_back(keng::kNameBufferSize);
        if (!CopyText(patternBuffers.back().data(), keng::kNameBufferSize, argv[i])) {
            std::fprintf(stderr, "pattern too long: %s\n", argv[i]);
            return 2;
        }
    }

    // As the program's filler sets them for adding; deleting then overrides a few fields.
    params.Handle = nullptr;
    params.Caller = &g_counters;
    params.Version = keng::kRecordVersion;
    params.Callback = Callback;
    params.TraceEnabled = keng::kFalse;
    params.PasswordText = passwordBuffer.data();
    params.Encrypt = keng::ToEBool(encrypt);
    params.EncryptMethod = aes ? keng::kEncryptAes256 : keng::kEncryptTraditional;
    params.HiddenFiles = keng::ToEBool(hidden);
    params.Fixed44 = keng::kTrue;
    params.VerboseEnabled = keng::ToEBool(verbose);
    params.Fixed56 = keng::kTrue;
    params.Level = level;
    params.JunkDirNames = keng::ToEBool(!keepPaths);
    params.Recurse = keng::ToEBool(recurse);
    params.AddMode = keng::kTrue;
    params.ForceDOS = keng::ToEBool(dos);
    params.Move = keng::ToEBool(move);
    params.DeleteEntries = keng::kFalse;
    params.Update = keng::ToEBool(update);
    params.Freshen = keng::ToEBool(freshen && !update);
    params.ZipTime = keng::ToEBool(zipTime);
    params.ArchiveName = archiveBuffer.data();
    params.Marker = keng::kRecordMarker;
    params.Argc = static_cast<std::int32_t>(patternBuffers.size());
    for (size_t s = 0; s < patternBuffers.size(); ++s)
        params.FileSpecs[s] = patternBuffers[s].data();
    if (del) {
        params.DeleteEntries = keng::kTrue;
        params.AddMode = params.JunkDirNames = params.Move = params.Freshen = keng::kFalse;
        params.Update = params.Recurse = params.Encrypt = keng::kFalse;
    }

    const std::int32_t result = exec(&params);
    std::printf("messages: %ld\nresult: %ld\n", g_counters.messages, static_cast<long>(result));
    std::fflush(stdout);
    return 0;
}
