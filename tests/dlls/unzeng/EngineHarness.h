// Loads the real KUNZENG.DLL, fills UnzParams as the program does, and records every
// callback the engine makes.
#pragma once

#include "base/EngineRecords.h"
#include "base/Handle.h"

#include <functional>
#include <string>
#include <vector>

namespace unzeng_test {

struct Call {
    std::int32_t action;
    std::int32_t error;
    std::int32_t size;
    std::string text;
    void* caller;
};

// Decides the callback's answer: true asks the engine to stop.
using StopFn = std::function<bool(const Call& call, const std::vector<Call>& sofar)>;

// Answers a question (kActionAskOverwrite) with a Reply value.
using ReplyFn = std::function<std::int32_t(const Call& call)>;

struct Options {
    std::string archive;
    std::vector<std::string> specs;
    std::string password;
    bool test = false;
    bool dirNames = true;
    bool overwrite = true;
    bool update = false;
    bool freshen = false;
    std::string folder; // made the current directory for the call (extraction target)
    StopFn stopWhen;
    bool askOverwrite = false; // with overwrite off: the engine asks, replyWith answers
    ReplyFn replyWith;
};

struct EngineRun {
    std::int32_t result = 0;
    std::vector<Call> calls;

    std::vector<Call> Messages() const;
    bool HasMessage(keng::ErrorCode code, const std::string& fragment) const;
    std::vector<std::string> NewFiles() const;
    std::string Describe() const; // all messages, for failure output
};

// The recording callback, for tests that fill UnzParams themselves.
keng::EngineCallbackFn RecordingCallback();

class Engine {
public:
    Engine();
    // Runs `exec` instead of the DLL's export (the engine's code linked into the test).
    explicit Engine(keng::UnzEngExecFn exec) : exec_(exec) {}
    EngineRun Exec(const Options& options);
    EngineRun Exec(keng::UnzParams& params, const std::string& folder, const StopFn& stopWhen = {},
                   const ReplyFn& replyWith = {});
    bool Loaded() const { return module_.Valid(); }

private:
    ui::ModuleHandle module_;
    keng::UnzEngExecFn exec_ = nullptr;
};

} // namespace unzeng_test
