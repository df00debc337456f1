// Add, Delete and Extract: hand the component's files and options to an engine library and
// report its count of processed files in SuccessCnt.
#include "engine/EngineGuard.h"
#include "engine/PathUtil.h"
#include "base/LongPaths.h"
#include "engine/RecordFill.h"
#include "engine/UnzEng.h"
#include "engine/ZipCallback.h"
#include "engine/ZipEng.h"
#include "engine/ZipKeep.h"
#include "ui/Dialogs.h"

namespace {

const char kNoZipFile[] = "Error - no zip file specified";
const char kFatalDllError[] = "Fatal DLL Error: abort exception";

// One operation's hold on its busy flag and engine library. Leaving the operation, however
// it is left, unloads the library if this operation loaded it and then clears Cancel and
// the busy flag.
class OperationScope {
public:
    OperationScope(bool& busy, bool& cancel, void (*unload)())
        : busy_(busy), cancel_(cancel), unload_(unload) {
        busy_ = true;
        cancel_ = false;
    }
    ~OperationScope() {
        if (loadedHere_) unload_();
        cancel_ = false;
        busy_ = false;
    }
    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;

    // Loads the library unless it is loaded already; false when it could not be loaded
    // (the loader has said why).
    bool EnsureLoaded(bool (*loaded)(), void (*load)(bool), bool trace) {
        if (loaded()) return true;
        load(trace);
        loadedHere_ = loaded();
        return loadedHere_;
    }

private:
    bool& busy_;
    bool& cancel_;
    void (*unload_)();
    bool loadedHere_ = false;
};

// Calls an Exec entry. False on any failure: a missing entry, a fault inside the engine, or
// an event handler that raised an exception inside the callback.
template <class ExecFn, class Record>
bool CallEngine(ExecFn exec, Record& record, std::int32_t& result) {
    if (!exec) return false;
    struct Call {
        ExecFn exec;
        Record* record;
        std::int32_t result;
    } call{exec, &record, 0};
    EngineCallScope scope;
    // Nothing may unwind through the guard's frame, so the body must not throw.
    bool completed = RunGuarded(
        [](void* c) noexcept {
            Call& k = *static_cast<Call*>(c);
            k.result = k.exec(k.record);
        },
        &call);
    if (!completed || scope.Failed()) return false;
    result = call.result;
    return true;
}

bool RefusedTexts(const TZipKeeper& zip, const std::vector<std::string>& specs) {
    std::string refusal = RefuseOverlongTexts(RecordPath(zip.ZipFilename()), zip.Password, specs);
    if (refusal.empty()) return false;
    ui::ShowMessage(refusal);
    return true;
}

// Makes ExtrBaseDir the current folder, creating it first when needed, so the engine writes
// where it was asked to. An empty name leaves the current folder as it is.
bool EnterExtractFolder(const std::string& dir) {
    if (dir.empty()) return true;
    if (!kpath::DirectoryExists(dir) && !kpath::ForceDirectories(dir)) {
        ui::ShowMessage("Error - cannot create folder " + dir);
        return false;
    }
    // A folder beyond MAX_PATH is entered by its long form, or else by its 8.3 form.
    if (!SetCurrentDirectoryW(kname::LongPath(dir).c_str()) &&
        !SetCurrentDirectoryW(kname::Widen(kname::ShortPath(dir + "\\."), CP_ACP).c_str())) {
        ui::ShowMessage("Error - cannot change to folder " + dir);
        return false;
    }
    return true;
}

void RunZipEngine(TZipKeeper& zip, bool deleting) {
    if (deleting) {
        if (zip.FSpecArgs().empty()) {
            ui::ShowMessage("Error - no files selected for deletion");
            return;
        }
        if (!kpath::FileExists(zip.ZipFilename())) {
            ui::ShowMessage(kNoZipFile);
            return;
        }
    } else {
        if (zip.FSpecArgs().empty()) {
            ui::ShowMessage("Error - no files to zip");
            return;
        }
        // The archive need not exist yet: the engine creates it.
        if (zip.ZipFilename().empty()) {
            ui::ShowMessage(kNoZipFile);
            return;
        }
    }
    const std::vector<std::string> specs =
        deleting ? zip.FSpecArgs()
                 : RecordAddSpecs(zip.FSpecArgs(), zip.AddOptions.Has(AddDirNames));
    if (RefusedTexts(zip, specs)) return;
    if (zip.ZipBusy) return;
    {
        OperationScope op(zip.ZipBusy, zip.Cancel, &UnloadZipEng);
        if (!op.EnsureLoaded(&ZipEngLoaded, &LoadZipEng, zip.Trace)) return;

        FillZipParams(zip);
        if (deleting) ApplyDeleteOverrides(zip.ZipParams);
        {
            EngineTexts texts(RecordPath(zip.ZipFilename()), zip.Password, specs);
            texts.AttachTo(zip.ZipParams);
            std::int32_t processed = 0;
            if (CallEngine(ZipEngExecEntry(), zip.ZipParams, processed)) {
                zip.SuccessCnt = processed;
            } else {
                ui::ShowMessage(kFatalDllError);
                zip.SuccessCnt = 0;
            }
            zip.FSpecArgs().clear();
            texts.DetachFrom(zip.ZipParams);
        }
    }
    // The archive changed: show it as it is on disk now.
    if (zip.SuccessCnt > 0) zip.List();
}

} // namespace

void TZipKeeper::Add() {
    RunZipEngine(*this, false);
}

void TZipKeeper::Delete() {
    RunZipEngine(*this, true);
}

void TZipKeeper::Extract() {
    if (!kpath::FileExists(zipFilename_)) {
        ui::ShowMessage(kNoZipFile);
        return;
    }
    if (RefusedTexts(*this, fspecArgs_)) return;
    if (UnzBusy) return;

    OperationScope op(UnzBusy, Cancel, &UnloadUnzEng);
    if (!op.EnsureLoaded(&UnzEngLoaded, &LoadUnzEng, Trace)) return;
    if (!EnterExtractFolder(ExtrBaseDir)) {
        // Extracting into whatever folder happens to be current would scatter the files.
        fspecArgs_.clear();
        SuccessCnt = 0;
        return;
    }
    FillUnzParams(*this);
    EngineTexts texts(RecordPath(zipFilename_), Password, fspecArgs_);
    texts.AttachTo(UnzParams);
    std::int32_t processed = 0;
    if (CallEngine(UnzEngExecEntry(), UnzParams, processed)) {
        SuccessCnt = processed;
    } else {
        ui::ShowMessage(kFatalDllError);
        SuccessCnt = 0;
    }
    fspecArgs_.clear();
    texts.DetachFrom(UnzParams);
    // Leaving: the buffers are freed, then the library is unloaded if loaded here, then
    // Cancel and UnzBusy are cleared.
}
