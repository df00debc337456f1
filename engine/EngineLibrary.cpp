#include "engine/EngineLibrary.h"

#include "base/MemberNames.h"
#include "engine/PathUtil.h"
#include "ui/Dialogs.h"

#include <string>

namespace keng {

namespace {

// A missing library must not raise the system's "insert a disk" or fault boxes; the
// mode goes back to 0 whatever happens during the load.
class ErrorModeScope {
public:
    ErrorModeScope() { SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX); }
    ~ErrorModeScope() { SetErrorMode(0); }
    ErrorModeScope(const ErrorModeScope&) = delete;
    ErrorModeScope& operator=(const ErrorModeScope&) = delete;
};

} // namespace

void EngineLibrary::Load(bool trace) {
    ErrorModeScope errorMode;
    HMODULE previous = module_;
    HMODULE loaded = LoadLibraryA(names_.file);
    // Extracting leaves the current folder where the files went; beyond MAX_PATH the search by
    // name then fails altogether (the current folder takes part in it), though the engines
    // lie beside the program as ever.
    if (!loaded) {
        const std::string beside = kpath::ExtractFilePath(kpath::ProgramPath()) + names_.file;
        loaded = LoadLibraryW(kname::Widen(beside, CP_ACP).c_str());
    }
    // Old loaders returned error codes up to 32 instead of a handle.
    if (reinterpret_cast<UINT_PTR>(loaded) <= 32) {
        module_ = nullptr;
        if (previous) FreeLibrary(previous);
        ui::ShowMessage(std::string(names_.file) + " not found");
        return;
    }
    module_ = loaded;
    // A second load returns the same module with one more reference; keep exactly one.
    if (previous) FreeLibrary(previous);
    if (trace) ui::ShowMessage(names_.loadedText);

    exec_ = GetProcAddress(module_, names_.execEntry);
    version_ = GetProcAddress(module_, names_.versionEntry);
    if (!exec_)
        ui::ShowMessage(std::string(names_.execEntry) + " function not found in " + names_.file);
    if (!version_ && names_.warnMissingVersion)
        ui::ShowMessage(std::string(names_.versionEntry) + " function not found in " + names_.file);
}

void EngineLibrary::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

} // namespace keng
