// Bridge tests drive the archive component against probe engines: stand-ins for
// KZIPENG.DLL and KUNZENG.DLL that record what they are handed and replay scripted callbacks.
#pragma once

#include "engine/ZipKeep.h"
#include "tests/engine/ZipBuilder.h"
#include "tests/engine/probe/ProbeProtocol.h"
#include "tests/support/ScriptedDialogs.h"
#include "base/Handle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// The test executable's folder, with a trailing backslash. It holds no engine library.
std::string ExeFolder();

// A probe library held by the test. While the test holds it, the program's load by bare
// name finds this very module, and its log outlives the program's unload.
class ProbeEngine {
public:
    ProbeEngine(const std::string& folder, const std::string& file);
    // The callbacks the next Exec calls replay; result < 0: Exec returns its Argc.
    void Script(const std::vector<probe::Step>& steps, std::int32_t result = -1) const;
    const probe::Log& Log() const { return *log_; }
    // The 32-bit value at a byte offset of the last record received.
    std::int32_t At(int offset) const;
    std::int32_t Calls() const { return log_->calls; }

private:
    ui::ModuleHandle module_;
    probe::ProbeScriptFn script_ = nullptr;
    const probe::Log* log_ = nullptr;
};

// The log of a probe library the program loaded itself, found by its module name.
const probe::Log* LoadedProbeLog(const char* file);

probe::Step CallBack(std::int32_t action, const std::string& text = "", std::int32_t fileSize = 0,
                     std::int32_t errorCode = 0, void* caller = nullptr);
probe::Step Fault();

// Checks every 32-bit field of a record's fixed part: the expected value at each offset from
// 0 to lastOffset, all of them listed. kNonNull stands for a pointer that must be set.
constexpr std::int64_t kNonNull = INT64_MIN;
using FieldTable = std::vector<std::pair<int, std::int64_t>>;
void ExpectRecord(const ProbeEngine& probe, int lastOffset, const FieldTable& expected);

inline std::int32_t Addr(const void* p) {
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(p));
}
inline std::int32_t Addr(keng::EngineCallbackFn f) {
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(f));
}

// A component with a fake owner window, scripted dialogs, a temporary folder and both probe
// engines held. The current folder is the test executable's folder (no engines there) and
// is put back after each test; the engine libraries are unloaded after each test.
class BridgeTest : public ::testing::Test {
protected:
    static inline const HWND kOwner = reinterpret_cast<HWND>(0x00C0FFEE);

    ScriptedDialogs dialogs;
    ScopedDialogs scope{dialogs};
    TempFolder tmp;
    ProbeEngine zipProbe{"probe", "KZIPENG.DLL"};
    ProbeEngine unzProbe{"probe", "KUNZENG.DLL"};
    TZipKeeper zip{kOwner};
    int dirUpdates = 0;

    void SetUp() override;
    void TearDown() override;

    // A small real archive on disk with two members, so a re-read after a change lists it.
    std::string MakeArchive(const std::string& name = "a.zip");
};

} // namespace testing_support
