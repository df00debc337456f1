// The program, its console tools and the self-extractor carry the application manifest
// that makes them run as this suite runs: UTF-8 as the process code page, paths beyond
// MAX_PATH, per-monitor DPI awareness, no elevation, Windows 7 to 11, common controls 6.
#include "base/Handle.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ManifestOf(const std::string& file) {
    // By its full name beside this suite: a search by name depends on the current folder,
    // which other tests may have left anywhere.
    char self[MAX_PATH];
    std::string path(self, GetModuleFileNameA(nullptr, self, MAX_PATH));
    path = path.substr(0, path.find_last_of('\\') + 1) + file;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return {};
    std::string text;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
        if (HGLOBAL loaded = LoadResource(module, found))
            text.assign(static_cast<const char*>(LockResource(loaded)),
                        SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

TEST(Manifest, EveryProgramOfOursCarriesIt) {
    const char* const settingsWanted[] = {
        ">UTF-8</activeCodePage>",
        ">true</longPathAware>",
        ">PerMonitorV2, PerMonitor</dpiAwareness>",
        ">true/pm</dpiAware>",
        "level=\"asInvoker\"",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", // Windows 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", // 10 and 11
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
    };
    for (const char* file : {"Kelvora98.exe", "listdrive.exe", "makerelease.exe", "unzdrive.exe",
                             "zipdrive.exe", "KSFX.BIN"}) {
        const std::string manifest = ManifestOf(file);
        ASSERT_FALSE(manifest.empty()) << file;
        for (const char* wanted : settingsWanted)
            EXPECT_NE(manifest.find(wanted), std::string::npos) << file << ": " << wanted;
    }
}

// This suite has the manifest too, so it sees what the program sees.
TEST(Manifest, TheProcessCodePageIsUtf8) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    EXPECT_EQ(GetOEMCP(), static_cast<UINT>(CP_UTF8));
}

} // namespace
