#include "dlls/zipeng/ArchiveGuard.h"

#include "dlls/zipeng/EngineError.h"

#include "base/LongPaths.h"

#include <cwchar>

namespace zipeng {

namespace {

std::wstring FullPath(const std::wstring& path) {
    const DWORD need = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (need == 0) return path;
    std::wstring full(need, L'\0');
    const DWORD got = GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
    if (got == 0 || got >= need) return path;
    full.resize(got);
    return full;
}

// The long form of a path that exists; empty when it does not.
std::wstring LongForm(const std::wstring& path) {
    const DWORD need = GetLongPathNameW(path.c_str(), nullptr, 0);
    if (need == 0) return {};
    std::wstring longForm(need, L'\0');
    const DWORD got = GetLongPathNameW(path.c_str(), longForm.data(), need);
    if (got == 0 || got >= need) return {};
    longForm.resize(got);
    return longForm;
}

// One spelling for every way of naming the archive: full, long names, no prefix, upper case.
// An archive not made yet has at least its folder's long form.
std::wstring CanonicalPath(const std::string& archivePath) {
    std::wstring full = FullPath(kname::LongPath(archivePath));
    for (wchar_t& c : full)
        if (c == L'/') c = L'\\';
    std::wstring canonical = LongForm(full);
    if (canonical.empty()) {
        const size_t slash = full.find_last_of(L'\\');
        const std::wstring folder =
            slash == std::wstring::npos ? std::wstring() : LongForm(full.substr(0, slash));
        canonical = folder.empty() ? full : folder + full.substr(slash);
    }
    canonical = kname::ShownPathW(canonical);
    if (!canonical.empty()) CharUpperBuffW(canonical.data(), static_cast<DWORD>(canonical.size()));
    return canonical;
}

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

} // namespace

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    FileIdentity id;
    id.volume = info.dwVolumeSerialNumber;
    id.index = Combine(info.nFileIndexHigh, info.nFileIndexLow);
    id.size = Combine(info.nFileSizeHigh, info.nFileSizeLow);
    id.lastWrite = Combine(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return id;
}

std::optional<FileIdentity> IdentityAt(const std::string& path) {
    // No access asked beyond the attributes, and every sharing allowed: a look that never
    // stands in anybody's way.
    ui::FileHandle file(CreateFileW(kname::LongPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!file) return std::nullopt;
    return IdentityOf(file.Get());
}

std::wstring WriterTurnName(const std::string& archivePath) {
    // FNV-1a over the canonical path: a kernel object's name has a length limit, paths do not.
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const wchar_t c : CanonicalPath(archivePath)) {
        hash ^= static_cast<std::uint16_t>(c);
        hash *= 0x100000001b3ull;
    }
    wchar_t name[64];
    std::swprintf(name, 64, L"Local\\Kelvora.ArchiveWriter.%016llx",
                  static_cast<unsigned long long>(hash));
    return name;
}

WriterTurn::WriterTurn(const std::string& archivePath)
    : mutex_(CreateMutexW(nullptr, FALSE, WriterTurnName(archivePath).c_str())) {
    // Without the object (no memory for it) the writer goes on: holding the archive open and
    // the check before the move still keep a change from being lost, only less politely.
    if (!mutex_) return;
    const DWORD waited = WaitForSingleObject(mutex_.Get(), 0);
    // An abandoned turn belonged to a writer that was killed; its archive is as it was.
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) return;
    mutex_.Reset();
    if (waited == WAIT_FAILED) return;
    throw EngineError(keng::kErrOpenArchive,
                      "Cannot change " + archivePath +
                          ": another program is changing it now; try again when it has finished");
}

WriterTurn::~WriterTurn() {
    if (mutex_) ReleaseMutex(mutex_.Get());
}

} // namespace zipeng
