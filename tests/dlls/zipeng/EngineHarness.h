// Drives the real KZIPENG.DLL as the program does (LoadLibrary by name, the parameter record
// filled field by field) and records every callback. Also reads archives back with zipcore.
#pragma once

#include "base/zipcore/CentralDirectory.h"
#include "base/EngineRecords.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zipeng_test {

struct Event {
    int action = 0;
    int code = 0;
    int size = 0;
    std::string text;
};

// Callbacks that arrived with a Caller no running call handed in (must stay 0).
extern int g_foreignCallers;

// Collects the callbacks of one engine call; stopWhen decides when to answer "stop".
struct Recorder {
    std::vector<Event> events;
    std::function<bool(const Event&)> stopWhen;
    bool foreignThread = false; // a callback arrived on another thread than the caller's
    DWORD thread = 0;

    std::vector<Event> Messages() const;
    std::vector<std::string> FilesStarted() const; // texts of action 1, in order
    int Count(int action) const;
    bool HasMessage(int code, const std::string& part) const;
};

struct AddOptions {
    bool recurse = false;
    bool keepPaths = true; // AddDirNames; false gives JunkDirNames
    bool hidden = false;
    bool update = false;
    bool freshen = false;
    bool move = false;
    bool forceDos = false;
    bool zipTime = false;
    bool encrypt = false;
    bool aes = false; // WinZip AES-256 rather than traditional encryption
    bool verbose = false;
    int level = 9;
    std::string password;
    HWND owner = nullptr;
};

// The engine, loaded once for the whole test program.
class Engine {
public:
    static Engine& Get();
    int Add(const std::string& archive, const std::vector<std::string>& patterns,
            const AddOptions& options, Recorder& recorder);
    int Add(const std::string& archive, const std::vector<std::string>& patterns,
            const AddOptions& options = {});
    int Delete(const std::string& archive, const std::vector<std::string>& patterns,
               Recorder& recorder, bool zipTime = false);
    // The record exactly as handed to the engine, for tests that bend single fields.
    int Exec(keng::ZipParams& params, Recorder& recorder);
    // Fills the record as the program does for adding (buffers owned by the caller).
    static void FillForAdd(keng::ZipParams& params, const AddOptions& options, char* archive,
                           char* password);
    HMODULE Module() const { return module_; }

private:
    Engine();
    HMODULE module_ = nullptr;
    keng::ZipEngExecFn exec_ = nullptr;
};

// An archive read back with zipcore.
struct ArchiveView {
    std::string bytes;
    zipcore::ArchiveInfo info;

    explicit ArchiveView(const std::string& path);
    std::vector<std::string> Names() const;
    const zipcore::Member* Find(const std::string& name) const;
    // The member's data, CRC checked; fails the test (and returns empty) when it does not
    // extract cleanly.
    std::string Data(const std::string& name, const std::string* password = nullptr) const;
    // The member's stored bytes: local header, data, descriptor.
    std::string Raw(const std::string& name) const;
};

// Test data: compressible text-like bytes, and bytes deflate cannot shrink.
std::string TextData(size_t size, unsigned seed);
std::string RandomData(size_t size, unsigned seed);

void SetFileDosTime(const std::string& path, std::uint32_t dosTime);
bool FileExists(const std::string& path);
// Files in the folder (names only) whose names match the mask.
std::vector<std::string> FilesIn(const std::string& folder, const std::string& mask);

} // namespace zipeng_test
