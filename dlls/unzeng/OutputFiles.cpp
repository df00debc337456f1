#include "dlls/unzeng/OutputFiles.h"

#include "dlls/unzeng/Win32Source.h"
#include "base/FileTimes.h"
#include "base/MemberNames.h"
#include "base/zipcore/ExtraFields.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace unzeng {

namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";

std::wstring Lower(const std::wstring& s) {
    std::wstring out = s;
    if (!out.empty()) CharLowerBuffW(out.data(), static_cast<DWORD>(out.size()));
    return out;
}

[[noreturn]] void Fail(const std::string& what, const std::wstring& path, DWORD error) {
    throw WriteError(what + " \"" + DisplayPath(path) + "\": " + SystemMessage(error));
}

} // namespace

std::wstring Widen(const std::string& text, unsigned codePage) {
    return kname::Widen(text, codePage);
}

std::string Narrow(const std::wstring& text) {
    return kname::Narrow(text, CP_ACP);
}

std::string DisplayPath(const std::wstring& path) {
    std::wstring shown = path;
    if (shown.rfind(L"\\\\?\\UNC\\", 0) == 0)
        shown = L"\\\\" + shown.substr(8);
    else if (shown.rfind(kLongPrefix, 0) == 0)
        shown = shown.substr(4);
    return kname::Narrow(shown, CP_UTF8); // messages are UTF-8, as the names in them
}

std::wstring CurrentFolderPath() {
    const DWORD need = GetCurrentDirectoryW(0, nullptr);
    std::wstring dir(need, L'\0');
    const DWORD got = GetCurrentDirectoryW(need, dir.data());
    dir.resize(got);
    while (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/'))
        dir.pop_back();
    for (wchar_t& c : dir)
        if (c == L'/') c = L'\\';
    if (dir.rfind(kLongPrefix, 0) == 0) return dir;
    if (dir.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + dir.substr(2);
    return kLongPrefix + dir;
}

void FolderMaker::Ensure(const std::wstring& folder) {
    const std::wstring key = Lower(folder);
    {
        std::lock_guard lock(mutex_);
        if (known_.count(key)) return;
    }
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) {
            const std::size_t slash = folder.find_last_of(L'\\');
            if (slash == std::wstring::npos || slash < 7)
                Fail("cannot create folder", folder, error);
            Ensure(folder.substr(0, slash));
            if (!CreateDirectoryW(folder.c_str(), nullptr) &&
                GetLastError() != ERROR_ALREADY_EXISTS)
                Fail("cannot create folder", folder, GetLastError());
        } else if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) {
            Fail("cannot create folder", folder, error);
        }
        const DWORD attributes = GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            Fail("cannot create folder", folder, ERROR_ALREADY_EXISTS);
    }
    std::lock_guard lock(mutex_);
    known_.insert(key);
}

void FolderMaker::EnsureParentOf(const std::wstring& file) {
    const std::size_t slash = file.find_last_of(L'\\');
    if (slash != std::wstring::npos) Ensure(file.substr(0, slash));
}

ui::FileHandle CreateNewFile(const std::wstring& path, unsigned long& error) {
    // DELETE access lets the finished file be renamed through this handle.
    ui::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file ? 0 : GetLastError();
    return file;
}

std::wstring CreateTempBeside(const std::wstring& target, ui::FileHandle& file) {
    for (int n = 1; n < 1000; ++n) {
        std::wstring temp = target + L".~kz" + (n > 1 ? std::to_wstring(n) : std::wstring());
        unsigned long error = 0;
        file = CreateNewFile(temp, error);
        if (file) return temp;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            Fail("cannot create temporary file", temp, error);
    }
    Fail("cannot create temporary file", target + L".~kz", ERROR_FILE_EXISTS);
}

std::optional<std::uint32_t> ExistingFileDosTime(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    // The rule that dated the file when it was extracted (or added), so an unchanged file
    // compares equal to its member in every time zone.
    return kfiletime::DosTimeFromFileTime(data.ftLastWriteTime);
}

void WriteAll(const ui::FileHandle& file, const std::uint8_t* data, std::size_t n,
              const std::wstring& path) {
    while (n > 0) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 30));
        DWORD wrote = 0;
        if (!WriteFile(file.Get(), data, want, &wrote, nullptr) || wrote == 0)
            Fail("cannot write", path, GetLastError());
        data += wrote;
        n -= wrote;
    }
}

void SetMemberTimes(const ui::FileHandle& file, const std::string& extra, std::uint32_t dosTime) {
    const kfiletime::MemberTimes t = kfiletime::TimesOfMember(extra, dosTime);
    if (!t.haveModified) return;
    SetFileTime(file.Get(), t.haveCreated ? &t.created : nullptr,
                t.haveAccessed ? &t.accessed : nullptr, &t.modified);
}

void ReplaceWith(const std::wstring& from, const std::wstring& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(to.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
            !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            SetFileAttributesW(to.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
            if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
            error = GetLastError();
            SetFileAttributesW(to.c_str(), attributes);
        }
    }
    Fail("cannot replace", to, error);
}

bool RenameOpenFile(const ui::FileHandle& file, const std::wstring& to, bool replace) {
    // SetFileInformationByHandle is Vista's; the headers here describe XP, so the call and
    // its record are declared here. The record takes the system's own form of the path.
    using SetInfo = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
    static const SetInfo setInfo = reinterpret_cast<SetInfo>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    constexpr int kFileRenameInfo = 3;
    if (!setInfo || !file) return false;
    std::wstring nt;
    if (to.size() > 2 && to[1] == L':' && to[2] == L'\\')
        nt = L"\\??\\" + to;
    else if (to.rfind(L"\\\\?\\", 0) == 0)
        nt = L"\\??\\" + to.substr(4);
    else
        return false; // a relative or network name: renamed by name instead
    struct RenameInfo {
        BOOL replaceIfExists;
        HANDLE rootDirectory;
        DWORD fileNameLength; // in bytes
        WCHAR fileName[1];
    };
    const DWORD size = static_cast<DWORD>(sizeof(RenameInfo) + nt.size() * sizeof(WCHAR));
    std::vector<std::uint8_t> buffer(size, 0);
    auto* info = reinterpret_cast<RenameInfo*>(buffer.data());
    info->replaceIfExists = replace;
    info->rootDirectory = nullptr;
    info->fileNameLength = static_cast<DWORD>(nt.size() * sizeof(WCHAR));
    std::memcpy(info->fileName, nt.data(), nt.size() * sizeof(WCHAR));
    return setInfo(file.Get(), kFileRenameInfo, info, size) != 0;
}

void Rename(const std::wstring& from, const std::wstring& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), 0)) Fail("cannot rename", from, GetLastError());
}

void RemoveQuietly(const std::wstring& path) {
    DeleteFileW(path.c_str());
}

void MarkReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(path.c_str(), attributes | FILE_ATTRIBUTE_READONLY);
}

} // namespace unzeng
