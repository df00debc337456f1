#include "tests/engine/ProbeHarness.h"

#include "engine/UnzEng.h"
#include "engine/ZipEng.h"

#include <cstring>
#include <set>
#include <stdexcept>

namespace testing_support {

std::string ExeFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\') + 1);
}

template <class Fn> static Fn Export(HMODULE m, const char* name) {
    FARPROC f = GetProcAddress(m, name);
    if (!f) throw std::runtime_error(std::string("probe lacks ") + name);
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(f));
}

ProbeEngine::ProbeEngine(const std::string& folder, const std::string& file)
    : module_(LoadLibraryA((ExeFolder() + folder + "\\" + file).c_str())) {
    if (!module_) throw std::runtime_error("cannot load probe " + folder + "\\" + file);
    Export<probe::ProbeResetFn>(module_.Get(), "ProbeReset")();
    script_ = Export<probe::ProbeScriptFn>(module_.Get(), "ProbeScript");
    log_ = Export<probe::ProbeLogFn>(module_.Get(), "ProbeLog")();
}

void ProbeEngine::Script(const std::vector<probe::Step>& steps, std::int32_t result) const {
    script_(steps.data(), static_cast<std::int32_t>(steps.size()), result);
}

std::int32_t ProbeEngine::At(int offset) const {
    std::int32_t v;
    std::memcpy(&v, log_->record + offset, 4);
    return v;
}

const probe::Log* LoadedProbeLog(const char* file) {
    HMODULE m = GetModuleHandleA(file);
    if (!m) return nullptr;
    return Export<probe::ProbeLogFn>(m, "ProbeLog")();
}

probe::Step CallBack(std::int32_t action, const std::string& text, std::int32_t fileSize,
                     std::int32_t errorCode, void* caller) {
    probe::Step s{};
    s.kind = probe::kCallBack;
    s.actionCode = action;
    s.errorCode = errorCode;
    s.fileSize = fileSize;
    s.caller = caller;
    std::memcpy(s.text, text.data(), std::min(text.size(), sizeof s.text - 1));
    return s;
}

probe::Step Fault() {
    probe::Step s{};
    s.kind = probe::kFault;
    return s;
}

void ExpectRecord(const ProbeEngine& probe, int lastOffset, const FieldTable& expected) {
    std::set<int> listed;
    for (auto& [offset, value] : expected) {
        listed.insert(offset);
        if (value == kNonNull)
            EXPECT_NE(probe.At(offset), 0) << "pointer at offset " << offset;
        else
            EXPECT_EQ(probe.At(offset), value) << "field at offset " << offset;
    }
    for (int offset = 0; offset <= lastOffset; offset += 4)
        EXPECT_TRUE(listed.count(offset)) << "the test does not check offset " << offset;
}

void BridgeTest::SetUp() {
    SetCurrentDirectoryA(ExeFolder().c_str());
    zip.OnDirUpdate = [this](TZipKeeper&) { ++dirUpdates; };
}

void BridgeTest::TearDown() {
    SetCurrentDirectoryA(ExeFolder().c_str());
    SetDllDirectoryA(nullptr);
    UnloadZipEng();
    UnloadUnzEng();
}

std::string BridgeTest::MakeArchive(const std::string& name) {
    LocalMember a;
    a.name = "one.txt";
    a.data = "first";
    LocalMember b;
    b.name = "dir/two.txt";
    b.data = "second";
    ZipBuilder z;
    z.Archive({a, b});
    std::string path = tmp.File(name);
    z.WriteTo(path);
    return path;
}

} // namespace testing_support
