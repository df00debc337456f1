#include "tests/dlls/unzeng/EngineHarness.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <stdexcept>

namespace unzeng_test {

namespace {

struct Recorder {
    std::vector<Call> calls;
    StopFn stopWhen;
    ReplyFn replyWith;
};

Recorder* current = nullptr;

std::int32_t __stdcall Record(keng::CallbackData* data) {
    Call call{data->ActionCode, data->ErrorCode, data->FileSize,
              std::string(data->MessageText, strnlen(data->MessageText, keng::kCallbackTextSize)),
              data->Caller};
    current->calls.push_back(call);
    if (call.action == keng::kActionAskOverwrite && current->replyWith)
        data->Reply = current->replyWith(call);
    return current->stopWhen && current->stopWhen(call, current->calls) ? keng::kTrue
                                                                        : keng::kFalse;
}

std::vector<char> Buffer(const std::string& text, std::size_t size) {
    std::vector<char> b(size, '\0');
    std::memcpy(b.data(), text.data(), std::min(text.size(), size - 1));
    return b;
}

// Runs with the folder as the current directory, as Extract does, and restores it.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) {
        char old[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, old);
        old_ = old;
        if (!folder.empty() && !SetCurrentDirectoryA(folder.c_str()))
            throw std::runtime_error("cannot enter " + folder);
    }
    ~CurrentFolder() { SetCurrentDirectoryA(old_.c_str()); }

private:
    std::string old_;
};

} // namespace

keng::EngineCallbackFn RecordingCallback() {
    return Record;
}

std::vector<Call> EngineRun::Messages() const {
    std::vector<Call> out;
    for (const Call& c : calls)
        if (c.action >= keng::kActionMessage) out.push_back(c);
    return out;
}

bool EngineRun::HasMessage(keng::ErrorCode code, const std::string& fragment) const {
    for (const Call& c : Messages())
        if (c.error == code && c.text.find(fragment) != std::string::npos) return true;
    return false;
}

std::vector<std::string> EngineRun::NewFiles() const {
    std::vector<std::string> out;
    for (const Call& c : calls)
        if (c.action == keng::kActionNewFile) out.push_back(c.text);
    return out;
}

std::string EngineRun::Describe() const {
    std::string out = "result " + std::to_string(result) + "; messages:";
    for (const Call& c : Messages())
        out += "\n  [" + std::to_string(c.error) + "] " + c.text;
    return out;
}

Engine::Engine() : module_(LoadLibraryA("KUNZENG.DLL")) {
    if (module_)
        exec_ = reinterpret_cast<keng::UnzEngExecFn>(
            reinterpret_cast<void*>(GetProcAddress(module_.Get(), "UnzEngExec")));
}

EngineRun Engine::Exec(keng::UnzParams& params, const std::string& folder, const StopFn& stopWhen,
                       const ReplyFn& replyWith) {
    if (!exec_) throw std::runtime_error("KUNZENG.DLL or UnzEngExec missing");
    CurrentFolder cd(folder);
    Recorder recorder;
    recorder.stopWhen = stopWhen;
    recorder.replyWith = replyWith;
    current = &recorder;
    struct Forget {
        ~Forget() { current = nullptr; }
    } forget;
    EngineRun run;
    run.result = exec_(&params);
    run.calls = std::move(recorder.calls);
    return run;
}

EngineRun Engine::Exec(const Options& o) {
    auto params = std::make_unique<keng::UnzParams>();
    std::memset(params.get(), 0, sizeof *params);
    std::vector<char> archive = Buffer(o.archive, keng::kNameBufferSize);
    std::vector<char> password = Buffer(o.password, keng::kPasswordBufferSize);
    std::vector<std::vector<char>> specs;
    for (const std::string& s : o.specs)
        specs.push_back(Buffer(s, keng::kNameBufferSize));

    params->Handle = nullptr;
    params->Caller = this;
    params->Version = keng::kRecordVersion;
    params->Callback = Record;
    params->PasswordText = password.data();
    params->Test = keng::ToEBool(o.test);
    params->Fixed40 = keng::kTrue;
    params->Update = keng::ToEBool(o.update);
    params->Freshen = keng::ToEBool(o.freshen && !o.update);
    params->DirNames = keng::ToEBool(o.dirNames);
    params->OverWrite = keng::ToEBool(o.overwrite);
    params->AskOverWrite = keng::ToEBool(o.askOverwrite);
    params->Argc = static_cast<std::int32_t>(specs.size());
    params->ArchiveName = archive.data();
    params->Marker = keng::kRecordMarker;
    for (std::size_t i = 0; i < specs.size(); ++i)
        params->FileSpecs[i] = specs[i].data();

    return Exec(*params, o.folder, o.stopWhen, o.replyWith);
}

} // namespace unzeng_test
