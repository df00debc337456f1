// One engine library held process-wide: its module handle and the two entries the program
// binds. KZIPENG.DLL and KUNZENG.DLL are loaded the same way and differ only in names and
// in whether a missing version entry deserves a warning.
#pragma once

#include <windows.h>

namespace keng {

struct EngineLibraryNames {
    const char* file; // loaded by bare name, so the system's search order applies
    const char* execEntry;
    const char* versionEntry;
    const char* loadedText; // shown after a successful load when tracing
    bool warnMissingVersion;
};

class EngineLibrary {
public:
    explicit constexpr EngineLibrary(const EngineLibraryNames& names) : names_(names) {}
    EngineLibrary(const EngineLibrary&) = delete;
    EngineLibrary& operator=(const EngineLibrary&) = delete;

    // Loads the library and binds its entries, reporting every problem in a message box.
    // The library stays loaded even when an entry is missing.
    void Load(bool trace);
    void Unload();

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Handle() const { return module_; }
    // The entries bound by the last load; meaningful only while Loaded().
    FARPROC ExecEntry() const { return Loaded() ? exec_ : nullptr; }
    FARPROC VersionEntry() const { return Loaded() ? version_ : nullptr; }

private:
    EngineLibraryNames names_;
    // Lives as long as the process wants it, across components and calls, so it is
    // released by hand rather than by a scoped owner.
    HMODULE module_ = nullptr;
    FARPROC exec_ = nullptr;
    FARPROC version_ = nullptr;
};

// Casts a bound entry to its real type without the function-cast warning.
template <class Fn> Fn EntryAs(FARPROC entry) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(entry));
}

} // namespace keng
