// makerelease: packs a folder into a zip archive with the program's own archive component
// and engine, then turns a copy of it into a self-extracting program with the program's own
// conversion, as the release script needs. The self-extractor gets the stub of the folder
// packed (folder-name\KSFX.BIN) when it holds one, so each flavour's release carries its own.
//
//   makerelease base-folder folder-name archive.zip program.exe
// The archive holds folder-name\... with its path, taken relative to base-folder.
// Exits 0 on success, 1 on a failure (told on standard error), 2 on a usage error.
#include "engine/PathUtil.h"
#include "engine/ZipKeep.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

int Fail(const std::string& what) {
    std::fprintf(stderr, "makerelease: %s\n", what.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr,
                     "usage: makerelease base-folder folder-name archive.zip program.exe\n");
        return 2;
    }
    const std::string base = argv[1], folder = argv[2], zipName = argv[3], exeName = argv[4];
    for (const std::string& out : {zipName, exeName})
        if (kpath::FileExists(out)) return Fail(out + " exists already");
    if (!SetCurrentDirectoryA(base.c_str())) return Fail("no folder " + base);

    TZipKeeper zip(nullptr);
    int problems = 0;
    zip.OnMessage = [&](TZipKeeper&, std::int32_t code, const std::string& text) {
        if (code != 0) ++problems;
        std::fprintf(stderr, "%s\n", text.c_str());
    };
    zip.SetZipFilename(zipName);
    zip.AddOptions.Include(AddDirNames).Include(AddRecurseDirs);
    zip.SetFSpecArgs({folder + "\\*.*"});
    zip.Add();
    zip.SetZipFilename(zipName);
    if (problems > 0 || zip.Count() == 0) return Fail("adding to " + zipName + " failed");
    std::printf("%s: %d files\n", zipName.c_str(), zip.Count());

    // The conversion replaces its input by a program of the same name, so it works on a copy
    // in a folder of its own.
    char tempRoot[MAX_PATH];
    GetTempPathA(MAX_PATH, tempRoot);
    const std::string work = std::string(tempRoot) + "makerelease" +
                             std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(GetTickCount());
    if (!CreateDirectoryA(work.c_str(), nullptr)) return Fail("cannot make " + work);
    const std::string copy =
        work + "\\" + kpath::ChangeFileExt(kpath::ExtractFileName(exeName), ".zip");
    TZipKeeper sfx(nullptr);
    const std::string stub = base + "\\" + folder + "\\KSFX.BIN";
    if (kpath::FileExists(stub)) sfx.SFXPath = stub;
    const bool converted = CopyFileA(zipName.c_str(), copy.c_str(), TRUE) &&
                           (sfx.SetZipFilename(copy), sfx.ConvertSFX() == 0) &&
                           MoveFileA(sfx.ZipFilename().c_str(), exeName.c_str());
    DeleteFileA(copy.c_str());
    RemoveDirectoryA(work.c_str());
    if (!converted) return Fail("converting to " + exeName + " failed");
    std::printf("%s: %d files\n", exeName.c_str(), sfx.Count());
    return 0;
}
