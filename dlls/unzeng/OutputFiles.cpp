#include "dlls/unzeng/OutputFiles.h"

#include "dlls/unzeng/Win32Source.h"
#include "base/FileTimes.h"
#include "base/LongPaths.h"
#include "base/MemberNames.h"
#include "base/TempNames.h"
#include "base/zipcore/ExtraFields.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace unzeng {

namespace {

constexpr wchar_t kLongPrefix[] = L"\\\\?\\";
constexpr std::wstring_view kTempPrefix = L"~ku";

[[noreturn]] void Fail(const std::string& what, const std::wstring& path, DWORD error) {
    throw WriteError(what + " \"" + DisplayPath(path) + "\": " + SystemMessage(error));
}

} // namespace

void LowerCaseKey(wchar_t* path, std::size_t length) {
    bool ascii = true;
    for (wchar_t& c : std::span(path, length)) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + (L'a' - L'A'));
        else if (c >= 0x80)
            ascii = false;
    }
    // The system's own rule for the rest; it lower-cases ASCII letters as above.
    if (!ascii) CharLowerBuffW(path, static_cast<DWORD>(length));
}

std::wstring Widen(const std::string& text, unsigned codePage) {
    return kname::Widen(text, codePage);
}

std::string Narrow(const std::wstring& text) {
    return kname::Narrow(text, CP_ACP);
}

std::string DisplayPath(const std::wstring& path) {
    return kname::Narrow(kname::ShownPathW(path), CP_UTF8); // messages are UTF-8, as the names
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

bool FolderMaker::Ensure(const std::wstring& folder) {
    std::wstring key = folder;
    LowerCaseKey(key);
    // Held while creating, so that exactly the worker that created a folder records it as
    // created by us; folders are few beside files.
    std::lock_guard lock(mutex_);
    return EnsureLocked(folder, key);
}

bool FolderMaker::EnsureLocked(const std::wstring& folder, const std::wstring& key) {
    if (const auto it = known_.find(key); it != known_.end()) return it->second;
    bool fresh = CreateDirectoryW(folder.c_str(), nullptr) != 0;
    if (!fresh) {
        const DWORD error = GetLastError();
        if (error == ERROR_PATH_NOT_FOUND) {
            const std::size_t slash = folder.find_last_of(L'\\');
            if (slash == std::wstring::npos || slash < 7)
                Fail("cannot create folder", folder, error);
            EnsureLocked(folder.substr(0, slash), key.substr(0, slash));
            fresh = CreateDirectoryW(folder.c_str(), nullptr) != 0;
            if (!fresh && GetLastError() != ERROR_ALREADY_EXISTS)
                Fail("cannot create folder", folder, GetLastError());
        } else if (error != ERROR_ALREADY_EXISTS && error != ERROR_ACCESS_DENIED) {
            Fail("cannot create folder", folder, error);
        }
        // Something was there already: it must be a folder.
        const DWORD attributes =
            fresh ? FILE_ATTRIBUTE_DIRECTORY : GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            Fail("cannot create folder", folder, ERROR_ALREADY_EXISTS);
        // A folder that was there may hold what a killed extraction left.
        if (!fresh) SweepTemps(folder);
    }
    known_.emplace(key, fresh);
    return fresh;
}

bool FolderMaker::EnsureParentOf(const std::wstring& file, LastFolder& last) {
    const std::size_t slash = file.find_last_of(L'\\');
    if (slash == std::wstring::npos) return false;
    if (last.valid && last.path.size() == slash && file.compare(0, slash, last.path) == 0)
        return last.fresh;
    last.valid = false; // until Ensure succeeds
    last.path.assign(file, 0, slash);
    last.fresh = Ensure(last.path);
    last.valid = true;
    return last.fresh;
}

ui::FileHandle CreateNewFile(const std::wstring& path, unsigned long& error) {
    // DELETE access lets the finished file be renamed through this handle.
    ui::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    error = file ? 0 : GetLastError();
    return file;
}

void CreateTempBeside(const std::wstring& target, ui::FileHandle& file, std::wstring& temp) {
    // Each worker goes on from its own seed, so names rarely meet twice.
    thread_local DWORD seed = ktemp::FreshSeed();
    const std::size_t slash = target.find_last_of(L'\\');
    for (int attempt = 0; attempt < 64; ++attempt) {
        seed = ktemp::NextSeed(seed);
        temp.assign(target, 0, slash + 1);
        temp += ktemp::TempName(kTempPrefix, seed);
        unsigned long error = 0;
        file = CreateNewFile(temp, error);
        if (file) return;
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            Fail("cannot create a temporary file for", target, error);
    }
    Fail("cannot create a temporary file for", target, ERROR_FILE_EXISTS);
}

std::wstring KeepAside(ui::FileHandle& file, const std::wstring& temp, const std::wstring& target,
                       std::vector<std::uint8_t>& record) {
    std::wstring kept;
    for (int n = 1; n <= 9; ++n) {
        kept = target + L".~kz";
        if (n > 1) kept += std::to_wstring(n);
        if (RenameOpenFile(file, kept, false, record)) {
            file.Reset();
            return kept;
        }
    }
    file.Reset();
    for (int n = 1; n <= 9; ++n) {
        kept = target + L".~kz";
        if (n > 1) kept += std::to_wstring(n);
        if (MoveFileExW(temp.c_str(), kept.c_str(), 0)) return kept;
    }
    // A name too long for the suffix: the short name, in a shape no sweep takes.
    kept = temp.substr(0, temp.size() - 4) + L".bad";
    return MoveFileExW(temp.c_str(), kept.c_str(), 0) ? kept : temp;
}

void SweepTemps(const std::wstring& folder) {
    ktemp::SweepTemps(folder.back() == L'\\' ? folder : folder + L'\\', kTempPrefix);
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

bool RenameOpenFile(const ui::FileHandle& file, const std::wstring& to, bool replace,
                    std::vector<std::uint8_t>& record) {
    // SetFileInformationByHandle is Vista's; the headers here describe XP, so the call and
    // its record are declared here. The record takes the system's own form of the path.
    using SetInfo = BOOL(WINAPI*)(HANDLE, int, void*, DWORD);
    static const SetInfo setInfo = reinterpret_cast<SetInfo>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetFileInformationByHandle")));
    constexpr int kFileRenameInfo = 3;
    if (!setInfo || !file) return false;
    std::wstring_view path = to; // a drive path: the system's form is \??\ and the path
    if (!(to.size() > 2 && to[1] == L':' && to[2] == L'\\')) {
        if (to.rfind(kLongPrefix, 0) != 0)
            return false; // a relative or network name: renamed by name instead
        path.remove_prefix(4);
    }
    constexpr std::wstring_view kNtPrefix = L"\\??\\";
    struct RenameInfo {
        BOOL replaceIfExists;
        HANDLE rootDirectory;
        DWORD fileNameLength; // in bytes
        WCHAR fileName[1];
    };
    const DWORD nameBytes = static_cast<DWORD>((kNtPrefix.size() + path.size()) * sizeof(WCHAR));
    const DWORD size = static_cast<DWORD>(sizeof(RenameInfo) + nameBytes);
    if (record.size() < size) record.resize(size);
    std::memset(record.data(), 0, sizeof(RenameInfo));
    auto* info = reinterpret_cast<RenameInfo*>(record.data());
    info->replaceIfExists = replace;
    info->rootDirectory = nullptr;
    info->fileNameLength = nameBytes;
    auto* name = reinterpret_cast<WCHAR*>(record.data() + offsetof(RenameInfo, fileName));
    std::memcpy(name, kNtPrefix.data(), kNtPrefix.size() * sizeof(WCHAR));
    std::memcpy(name + kNtPrefix.size(), path.data(), path.size() * sizeof(WCHAR));
    name[kNtPrefix.size() + path.size()] = L'\0'; // the record's spare character
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
