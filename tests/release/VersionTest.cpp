// The version blocks of the program and its engines, and the program's icon, as Explorer's
// properties and the task bar read them.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string BinFile(const char* name) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    return path.substr(0, path.find_last_of('\\') + 1) + name;
}

// One string of a file's version block, in its first translation; "" when absent.
std::string VersionString(const std::string& file, const char* key) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return "";
    struct Translation {
        WORD language, codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translation), &length) ||
        length < sizeof(Translation))
        return "";
    char path[128];
    wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translation->language, translation->codePage,
              key);
    char* value = nullptr;
    if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&value), &length) || !value)
        return "";
    return value;
}

TEST(VersionTest, TheProgramAndEachEngineNameThemselves) {
    struct Case {
        const char* file;
        const char* description;
        const char* version;
    } cases[] = {
        {"Kelvora98.exe", "Kelvora 98 archive manager", "3.0"},
        {"KZIPENG.DLL", "Kelvora 98 zip engine (adding and deleting)", "1.30"},
        {"KUNZENG.DLL", "Kelvora 98 extraction engine", "1.3"},
    };
    for (const Case& c : cases) {
        const std::string file = BinFile(c.file);
        EXPECT_EQ(VersionString(file, "ProductName"), "Kelvora 98") << c.file;
        EXPECT_EQ(VersionString(file, "ProductVersion"), "3.0") << c.file;
        EXPECT_EQ(VersionString(file, "FileDescription"), c.description) << c.file;
        EXPECT_EQ(VersionString(file, "FileVersion"), c.version) << c.file;
    }
}

TEST(VersionTest, TheProgramCarriesItsIcon) {
    EXPECT_GE(ExtractIconExA(BinFile("Kelvora98.exe").c_str(), -1, nullptr, nullptr, 0), 1u);
}

} // namespace
