#include "EngineHarness.h"

#include "dlls/common/SystemAes.h"

#include "base/zipcore/MemberReader.h"
#include "base/FileTimes.h"
#include "tests/engine/ZipBuilder.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>

namespace zipeng_test {

int g_foreignCallers = 0;

namespace {

std::set<Recorder*>& LiveRecorders() {
    static std::set<Recorder*> live;
    return live;
}

keng::EBool KENG_STDCALL Callback(keng::CallbackData* data) {
    // Caller must come back as the recorder handed in; anything else is counted, not used.
    auto* recorder = static_cast<Recorder*>(data->Caller);
    if (!LiveRecorders().count(recorder)) {
        ++g_foreignCallers;
        return keng::kFalse;
    }
    if (GetCurrentThreadId() != recorder->thread) recorder->foreignThread = true;
    Event e;
    e.action = data->ActionCode;
    e.code = data->ErrorCode;
    e.size = data->FileSize;
    e.text = std::string(data->MessageText, strnlen(data->MessageText, sizeof data->MessageText));
    recorder->events.push_back(e);
    return keng::ToEBool(recorder->stopWhen && recorder->stopWhen(e));
}

struct Buffers {
    std::vector<char> archive = std::vector<char>(keng::kNameBufferSize);
    std::vector<char> password = std::vector<char>(keng::kPasswordBufferSize);
    std::vector<std::vector<char>> patterns;
};

void Put(std::vector<char>& buffer, const std::string& text) {
    if (text.size() >= buffer.size()) throw std::runtime_error("text too long for its buffer");
    std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
}

} // namespace

std::vector<Event> Recorder::Messages() const {
    std::vector<Event> out;
    for (const Event& e : events)
        if (e.action >= keng::kActionMessage) out.push_back(e);
    return out;
}

std::vector<std::string> Recorder::FilesStarted() const {
    std::vector<std::string> out;
    for (const Event& e : events)
        if (e.action == keng::kActionNewFile) out.push_back(e.text);
    return out;
}

int Recorder::Count(int action) const {
    int n = 0;
    for (const Event& e : events)
        n += e.action == action;
    return n;
}

bool Recorder::HasMessage(int code, const std::string& part) const {
    for (const Event& e : Messages())
        if (e.code == code && e.text.find(part) != std::string::npos) return true;
    return false;
}

Engine& Engine::Get() {
    static Engine engine;
    return engine;
}

Engine::Engine() {
    module_ = LoadLibraryA("KZIPENG.DLL");
    if (!module_) throw std::runtime_error("KZIPENG.DLL not found");
    exec_ = reinterpret_cast<keng::ZipEngExecFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "ZipEngExec")));
    if (!exec_) throw std::runtime_error("ZipEngExec missing");
}

void Engine::FillForAdd(keng::ZipParams& p, const AddOptions& o, char* archive, char* password) {
    std::memset(&p, 0, sizeof p);
    p.Handle = o.owner;
    p.Version = keng::kRecordVersion;
    p.Callback = Callback;
    p.TraceEnabled = keng::kFalse;
    p.PasswordText = password;
    p.Encrypt = keng::ToEBool(o.encrypt);
    p.EncryptMethod = o.aes ? keng::kEncryptAes256 : keng::kEncryptTraditional;
    p.HiddenFiles = keng::ToEBool(o.hidden);
    p.Fixed36 = p.Fixed40 = keng::kFalse;
    p.Fixed44 = keng::kTrue;
    p.Fixed48 = keng::kFalse;
    p.VerboseEnabled = keng::ToEBool(o.verbose);
    p.Fixed56 = keng::kTrue;
    p.Level = o.level;
    p.JunkDirNames = keng::ToEBool(!o.keepPaths);
    p.Recurse = keng::ToEBool(o.recurse);
    p.AddMode = keng::kTrue;
    p.ForceDOS = keng::ToEBool(o.forceDos);
    p.Move = keng::ToEBool(o.move);
    p.DeleteEntries = keng::kFalse;
    p.Update = keng::ToEBool(o.update);
    p.Freshen = keng::ToEBool(o.freshen && !o.update);
    p.ZipTime = keng::ToEBool(o.zipTime);
    p.ArchiveName = archive;
    p.Marker = keng::kRecordMarker;
}

int Engine::Exec(keng::ZipParams& params, Recorder& recorder) {
    recorder.thread = GetCurrentThreadId();
    params.Caller = &recorder;
    LiveRecorders().insert(&recorder);
    const int result = exec_(&params);
    LiveRecorders().erase(&recorder);
    return result;
}

int Engine::Add(const std::string& archive, const std::vector<std::string>& patterns,
                const AddOptions& options, Recorder& recorder) {
    Buffers b;
    Put(b.archive, archive);
    Put(b.password, options.password);
    auto params = std::make_unique<keng::ZipParams>();
    FillForAdd(*params, options, b.archive.data(), b.password.data());
    for (const std::string& pattern : patterns) {
        b.patterns.emplace_back(keng::kNameBufferSize);
        Put(b.patterns.back(), pattern);
        params->FileSpecs[params->Argc++] = b.patterns.back().data();
    }
    return Exec(*params, recorder);
}

int Engine::Add(const std::string& archive, const std::vector<std::string>& patterns,
                const AddOptions& options) {
    Recorder recorder;
    const int n = Add(archive, patterns, options, recorder);
    for (const Event& e : recorder.Messages())
        ADD_FAILURE() << "unexpected engine message " << e.code << ": " << e.text;
    return n;
}

int Engine::Delete(const std::string& archive, const std::vector<std::string>& patterns,
                   Recorder& recorder, bool zipTime) {
    Buffers b;
    Put(b.archive, archive);
    auto params = std::make_unique<keng::ZipParams>();
    AddOptions o;
    o.zipTime = zipTime;
    FillForAdd(*params, o, b.archive.data(), b.password.data());
    // The program's deletion overrides.
    params->DeleteEntries = keng::kTrue;
    params->AddMode = params->JunkDirNames = params->Move = keng::kFalse;
    params->Freshen = params->Update = params->Recurse = params->Encrypt = keng::kFalse;
    for (const std::string& pattern : patterns) {
        b.patterns.emplace_back(keng::kNameBufferSize);
        Put(b.patterns.back(), pattern);
        params->FileSpecs[params->Argc++] = b.patterns.back().data();
    }
    return Exec(*params, recorder);
}

ArchiveView::ArchiveView(const std::string& path) : bytes(testing_support::ReadFileBytes(path)) {
    zipcore::MemorySource src(bytes);
    info = zipcore::ReadArchive(src);
}

std::vector<std::string> ArchiveView::Names() const {
    std::vector<std::string> names;
    for (const zipcore::Member& m : info.members)
        names.push_back(m.name);
    return names;
}

const zipcore::Member* ArchiveView::Find(const std::string& name) const {
    for (const zipcore::Member& m : info.members)
        if (m.name == name) return &m;
    return nullptr;
}

std::string ArchiveView::Data(const std::string& name, const std::string* password) const {
    const zipcore::Member* m = Find(name);
    if (!m) {
        ADD_FAILURE() << "no member " << name;
        return {};
    }
    zipcore::MemorySource src(bytes);
    zipcore::DecoderScratch scratch(kaes::SystemAes());
    std::string out;
    const zipcore::ExtractResult r = zipcore::ExtractMember(
        src, *m, password,
        [&](const std::uint8_t* d, std::size_t n) {
            out.append(reinterpret_cast<const char*>(d), n);
            return true;
        },
        1 << 16, &scratch);
    EXPECT_EQ(r.status, zipcore::ExtractResult::Status::Ok) << name << ": " << r.message;
    return out;
}

std::string ArchiveView::Raw(const std::string& name) const {
    const zipcore::Member* m = Find(name);
    if (!m) return {};
    zipcore::MemorySource src(bytes);
    const zipcore::MemberDataSpan span = zipcore::LocateData(src, *m);
    return bytes.substr(static_cast<size_t>(span.headerOffset),
                        static_cast<size_t>(span.end - span.headerOffset));
}

std::string TextData(size_t size, unsigned seed) {
    static const char* words[] = {"archive ", "member ", "header ",  "deflate ", "window ",
                                  "kelvora ", "folder ", "record\n", "offset ",  "42 "};
    std::mt19937 rng(seed);
    std::string s;
    s.reserve(size + 16);
    while (s.size() < size)
        s += words[rng() % 10];
    s.resize(size);
    return s;
}

std::string RandomData(size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(size, '\0');
    for (char& c : s)
        c = static_cast<char>(rng() & 0xFF);
    return s;
}

void SetFileDosTime(const std::string& path, std::uint32_t dosTime) {
    FILETIME utc;
    ASSERT_TRUE(kfiletime::FileTimeFromDosTime(dosTime, &utc));
    ui::FileHandle h(CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(h.Valid()) << path;
    ASSERT_TRUE(SetFileTime(h.Get(), nullptr, nullptr, &utc));
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> FilesIn(const std::string& folder, const std::string& mask) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA fd;
    ui::FindHandle h(FindFirstFileA((folder + mask).c_str(), &fd));
    if (!h) return out;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) out.push_back(fd.cFileName);
    } while (FindNextFileA(h.Get(), &fd));
    return out;
}

} // namespace zipeng_test
