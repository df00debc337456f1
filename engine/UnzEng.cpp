#include "engine/UnzEng.h"

#include "engine/EngineLibrary.h"

namespace {

constexpr keng::EngineLibraryNames kUnzEngNames{"KUNZENG.DLL", "UnzEngExec", "GetUnzEngVersion",
                                                "UNZ DLL Loaded", false};
keng::EngineLibrary unzEng(kUnzEngNames);

} // namespace

void LoadUnzEng(bool trace) {
    unzEng.Load(trace);
}
void UnloadUnzEng() {
    unzEng.Unload();
}
bool UnzEngLoaded() {
    return unzEng.Loaded();
}
HMODULE UnzEngHandle() {
    return unzEng.Handle();
}

keng::UnzEngExecFn UnzEngExecEntry() {
    return keng::EntryAs<keng::UnzEngExecFn>(unzEng.ExecEntry());
}
keng::EngVersionFn GetUnzEngVersionEntry() {
    return keng::EntryAs<keng::EngVersionFn>(unzEng.VersionEntry());
}
