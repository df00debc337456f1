#include "tests/dlls/unzeng/TestFiles.h"

#include "base/FileTimes.h"
#include "base/Handle.h"

#include <windows.h>

namespace unzeng_test {

bool FileExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> ListFolder(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    ui::FindHandle h(FindFirstFileA((folder + "\\*").c_str(), &fd));
    if (!h) return names;
    do {
        const std::string n = fd.cFileName;
        if (n != "." && n != "..") names.push_back(n);
    } while (FindNextFileA(h.Get(), &fd));
    return names;
}

std::uint32_t FileDosTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return kfiletime::DosTimeFromFileTime(data.ftLastWriteTime);
}

void SetFileDosTime(const std::string& path, std::uint32_t dosTime) {
    FILETIME ft{};
    kfiletime::FileTimeFromDosTime(dosTime, &ft);
    ui::FileHandle f(
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    SetFileTime(f.Get(), nullptr, nullptr, &ft);
}

bool IsReadOnly(const std::string& path) {
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

std::string AnsiFromUtf8(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    std::string ansi(wide.size() * 2, '\0');
    ansi.resize(WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                    ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr));
    return ansi;
}

std::string WriteArchive(const testing_support::TempFolder& folder, const std::string& name,
                         const std::vector<zipcore_test::TestMember>& members,
                         const zipcore_test::ArchiveOptions& options) {
    const std::string path = folder.File(name);
    testing_support::WriteFileBytes(path, zipcore_test::BuildArchive(members, options).bytes);
    return path;
}

std::uint32_t Dos(int year, int month, int day, int hour, int minute, int second) {
    return *zipcore::EncodeDosTime({year, month, day, hour, minute, second});
}

} // namespace unzeng_test
