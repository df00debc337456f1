#include "dlls/zipeng/SourceScan.h"

#include "base/zipcore/SafeName.h"
#include "base/zipcore/Wildcard.h"
#include "dlls/zipeng/FileIo.h"
#include "dlls/zipeng/TempArchive.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <utility>

namespace zipeng {

namespace {

constexpr int kMaxDepth = 128;
constexpr DWORD kDosAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY |
                                 FILE_ATTRIBUTE_ARCHIVE;

bool EqualNoCase(const std::string& a, const std::string& b) {
    const std::wstring wa = WidePath(a), wb = WidePath(b);
    return CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, wa.data(),
                          static_cast<int>(wa.size()), wb.data(),
                          static_cast<int>(wb.size())) == CSTR_EQUAL;
}

std::string FullPath(const std::string& path) {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(WidePath(path).c_str(), MAX_PATH * 2, buffer, nullptr);
    return n > 0 && n < MAX_PATH * 2 ? Utf8Path(std::wstring(buffer, n)) : path;
}

bool SameFile(const std::string& a, const std::string& b) {
    auto open = [](const std::string& p) {
        return ui::FileHandle(CreateFileW(FilePath(p).c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    };
    ui::FileHandle ha = open(a), hb = open(b);
    BY_HANDLE_FILE_INFORMATION ia, ib;
    if (!ha || !hb || !GetFileInformationByHandle(ha.Get(), &ia) ||
        !GetFileInformationByHandle(hb.Get(), &ib))
        return false;
    return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

// The first component of a UTF-8 path that Windows takes for a device; empty when none is.
std::string DeviceComponent(const std::string& path) {
    size_t start = 0;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') continue;
        const std::string part = path.substr(start, i - start);
        start = i + 1;
        if (!part.empty() && zipcore::IsDeviceName(part)) return part;
    }
    return {};
}

// What the scan keeps of a found file: its UTF-8 name and what the directory listing says.
struct Found {
    std::string name;
    DWORD attributes = 0;
    std::uint64_t size = 0;
    zipcore::FileTimes times;
};

Found FoundFrom(const WIN32_FIND_DATAW& fd) {
    Found f;
    f.name = Utf8Path(fd.cFileName);
    f.attributes = fd.dwFileAttributes;
    f.size = (std::uint64_t{fd.nFileSizeHigh} << 32) | fd.nFileSizeLow;
    f.times.modified = kfiletime::FromFileTime(fd.ftLastWriteTime);
    f.times.accessed = kfiletime::FromFileTime(fd.ftLastAccessTime);
    f.times.created = kfiletime::FromFileTime(fd.ftCreationTime);
    return f;
}

class Scanner {
public:
    // The sink takes each entry as it is found; answering false stops the scan.
    // `stop`, when given, is polled before each folder.
    // Problems go to `report`.
    Scanner(const ScanOptions& options, const std::string& archiveFullPath,
            std::function<bool(SourceEntry&&)> sink, std::function<void(ScanProblem&&)> report,
            const std::atomic<bool>* stop = nullptr)
        : options_(options), archivePath_(Utf8FromAnsi(archiveFullPath)),
          archiveFolder_(FolderOf(archivePath_)),
          archiveName_(archivePath_.substr(archiveFolder_.size())), sink_(std::move(sink)),
          report_(std::move(report)), stop_(stop) {}

    // Whether the pattern found anything.
    bool Pattern(std::string pattern);
    bool Stopped() const { return stopped_; }

private:
    void Folder(const std::string& dir, const std::string& mask, int depth);
    void Add(const std::string& path, const Found& fd, const std::string& fullFolder);
    bool Excluded(const std::string& fullFolder, const std::string& name) const;
    bool RefusedAsDevice(const std::string& path, const std::string& storedName);

    const ScanOptions& options_;
    std::string archivePath_, archiveFolder_, archiveName_;
    std::function<bool(SourceEntry&&)> sink_;
    std::function<void(ScanProblem&&)> report_;
    const std::atomic<bool>* stop_;
    size_t found_ = 0;
    bool stopped_ = false;
};

bool Scanner::Excluded(const std::string& fullFolder, const std::string& n) const {
    if (EqualNoCase(n, archiveName_) &&
        (EqualNoCase(fullFolder, archiveFolder_) || SameFile(fullFolder + n, archivePath_)))
        return true;
    return IsTempArchiveName(n) && EqualNoCase(fullFolder, archiveFolder_);
}

// A device is never opened, and a member of that name could not be extracted on Windows.
bool Scanner::RefusedAsDevice(const std::string& path, const std::string& storedName) {
    std::string device = DeviceComponent(storedName);
    if (device.empty()) device = DeviceComponent(path.substr(path.find_last_of("\\:") + 1));
    if (device.empty()) return false;
    ++found_; // found, so its pattern is not reported as matching nothing as well
    report_({keng::kErrReadFile, Shown(path) + ": \"" + Shown(device) +
                                     "\" is the name of a device on Windows; not added"});
    return true;
}

void Scanner::Add(const std::string& path, const Found& fd, const std::string& fullFolder) {
    if (Excluded(fullFolder, fd.name)) return;
    SourceEntry e;
    e.folder = (fd.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.diskPath = path;
    e.storedName = StoredNameFromPath(path, options_.names);
    if (e.storedName.empty() || RefusedAsDevice(path, e.storedName)) return;
    if (e.folder) e.storedName.push_back('/');
    e.size = e.folder ? 0 : fd.size;
    e.dosTime = DosTimeFromFileTime(kfiletime::ToFileTime(fd.times.modified));
    e.times = fd.times;
    e.attributes = fd.attributes & kDosAttributes;
    ++found_;
    if (!sink_(std::move(e))) stopped_ = true;
}

void Scanner::Folder(const std::string& dir, const std::string& mask, int depth) {
    if (stop_ && *stop_) stopped_ = true;
    if (stopped_) return;
    WIN32_FIND_DATAW fd;
    ui::FindHandle find(FindFirstFileW(FilePath(dir + "*").c_str(), &fd));
    if (!find) return;
    std::vector<Found> found;
    do {
        const std::wstring_view name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (!options_.includeHidden &&
            (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            continue;
        found.push_back(FoundFrom(fd));
    } while (FindNextFileW(find.Get(), &fd));
    find.Reset();
    // The order the file system lists in varies; sorted names make the archive predictable.
    // A plain byte comparison (ASCII letters folded): the locale's is far slower and the
    // order only has to be stable.
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        for (const char *p = a.name.c_str(), *q = b.name.c_str();; ++p, ++q) {
            const int x = (*p >= 'A' && *p <= 'Z') ? *p + 32 : static_cast<unsigned char>(*p);
            const int y = (*q >= 'A' && *q <= 'Z') ? *q + 32 : static_cast<unsigned char>(*q);
            if (x != y || x == 0) return x < y;
        }
    });
    const std::string fullFolder = FullPath(dir.empty() ? std::string(".\\") : dir);
    for (const Found& f : found) {
        if (stopped_) return;
        const bool isFolder = (f.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool matches = zipcore::MatchMask(mask, f.name);
        if (!isFolder) {
            if (matches) Add(dir + f.name, f, fullFolder);
            continue;
        }
        if (!options_.recurse || depth >= kMaxDepth) continue;
        if (RefusedAsDevice(dir + f.name, f.name)) continue; // nor what is in it
        if (matches && !options_.names.junkDirNames) Add(dir + f.name, f, fullFolder);
        // A link to a folder could lead back up the tree; it is stored but not entered.
        if (f.attributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        Folder(dir + f.name + "\\", mask, depth + 1);
    }
}

bool Scanner::Pattern(std::string pattern) {
    const size_t before = found_;
    pattern = Utf8FromAnsi(pattern);
    std::replace(pattern.begin(), pattern.end(), '/', '\\');
    while (!pattern.empty() && (pattern.back() == ' ' || pattern.back() == '\t'))
        pattern.pop_back();
    pattern.erase(0, pattern.find_first_not_of(" \t"));
    if (pattern.empty()) return false;

    const size_t cut = pattern.find_last_of("\\:");
    const std::string dir = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    const std::string last = pattern.substr(dir.size());
    if (zipcore::HasWildcards(last)) {
        // A mask may only have wildcards in its last component.
        if (!zipcore::HasWildcards(dir)) Folder(dir, last, 0);
        return found_ > before;
    }
    std::string path = pattern;
    while (path.size() > 1 && path.back() == '\\' && path[path.size() - 2] != ':')
        path.pop_back();
    WIN32_FIND_DATAW fd;
    ui::FindHandle find(FindFirstFileW(FilePath(path).c_str(), &fd));
    const DWORD attributes = GetFileAttributesW(FilePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // The folder itself (a drive root has no entry of its own), then what is in it.
        if (find && !options_.names.junkDirNames) {
            const std::string full = FullPath(path);
            Add(path, FoundFrom(fd), FolderOf(full));
        }
        Folder(path.back() == '\\' || path.back() == ':' ? path : path + "\\", "*", 0);
        return found_ > before || find;
    }
    if (!find) return false;
    Add(path, FoundFrom(fd), FolderOf(FullPath(path)));
    return found_ > before; // not when it named the archive itself
}

ScanProblem Unmatched(const std::string& pattern) {
    return {keng::kErrNoMatch, "No files found for " + pattern};
}

} // namespace

ScanResult ScanSources(const std::vector<std::string>& patterns, const ScanOptions& options,
                       const std::string& archiveFullPath) {
    ScanResult result;
    Scanner scanner(
        options, archiveFullPath,
        [&](SourceEntry&& e) {
            result.entries.push_back(std::move(e));
            return true;
        },
        [&](ScanProblem&& p) { result.problems.push_back(std::move(p)); });
    for (const std::string& pattern : patterns)
        if (!scanner.Pattern(pattern)) result.problems.push_back(Unmatched(pattern));
    return result;
}

BackgroundScan::BackgroundScan(std::vector<std::string> patterns, ScanOptions options,
                               std::string archiveFullPath)
    : patterns_(std::move(patterns)), options_(options), archive_(std::move(archiveFullPath)),
      thread_([this] { Run(); }) {}

BackgroundScan::~BackgroundScan() {
    stop_ = true;
    thread_.join();
}

void BackgroundScan::Run() {
    try {
        Scanner scanner(
            options_, archive_,
            [this](SourceEntry&& e) {
                std::lock_guard lock(mutex_);
                entries_.push_back(std::move(e));
                found_.notify_all();
                return !stop_;
            },
            [this](ScanProblem&& p) {
                std::lock_guard lock(mutex_);
                problems_.push_back(std::move(p));
            },
            &stop_);
        for (const std::string& pattern : patterns_) {
            if (scanner.Stopped()) break;
            if (!scanner.Pattern(pattern)) {
                std::lock_guard lock(mutex_);
                problems_.push_back(Unmatched(pattern));
            }
        }
    } catch (...) {
        // Only memory can run out here; what was found so far is used.
    }
    std::lock_guard lock(mutex_);
    done_ = true;
    found_.notify_all();
}

const SourceEntry* BackgroundScan::Entry(size_t i, bool wait) {
    std::unique_lock lock(mutex_);
    if (wait) found_.wait(lock, [&] { return i < entries_.size() || done_; });
    return i < entries_.size() ? &entries_[i] : nullptr;
}

std::vector<ScanProblem> BackgroundScan::TakeProblems(bool wait) {
    std::unique_lock lock(mutex_);
    if (wait) found_.wait(lock, [&] { return done_; });
    return std::exchange(problems_, {});
}

} // namespace zipeng
