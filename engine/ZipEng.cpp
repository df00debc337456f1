#include "engine/ZipEng.h"

#include "engine/EngineLibrary.h"

namespace {

constexpr keng::EngineLibraryNames kZipEngNames{"KZIPENG.DLL", "ZipEngExec", "GetZipEngVersion",
                                                "ZIP DLL Loaded", true};
keng::EngineLibrary zipEng(kZipEngNames);

} // namespace

void LoadZipEng(bool trace) {
    zipEng.Load(trace);
}
void UnloadZipEng() {
    zipEng.Unload();
}
bool ZipEngLoaded() {
    return zipEng.Loaded();
}
HMODULE ZipEngHandle() {
    return zipEng.Handle();
}

keng::ZipEngExecFn ZipEngExecEntry() {
    return keng::EntryAs<keng::ZipEngExecFn>(zipEng.ExecEntry());
}
keng::EngVersionFn GetZipEngVersionEntry() {
    return keng::EntryAs<keng::EngVersionFn>(zipEng.VersionEntry());
}
