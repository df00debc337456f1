#include "dlls/zipeng/SourceScan.h"

#include "dlls/zipcore/SafeName.h"
#include "dlls/zipcore/Wildcard.h"
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
    return a.size() == b.size() && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.data(),
                                                  static_cast<int>(a.size()), b.data(),
                                                  static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 2];
    const DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

bool SameFile(const std::string& a, const std::string& b) {
    auto open = [](const std::string& p) {
        return ui::FileHandle(CreateFileA(p.c_str(), 0,
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

// The first component of an ANSI path that Windows takes for a device; empty when none is.
std::string DeviceComponent(const std::string& path) {
    const int wide =
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
    std::wstring w(wide > 0 ? wide : 0, L'\0');
    if (wide > 0)
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), w.data(), wide);
    size_t start = 0;
    for (size_t i = 0; i <= w.size(); ++i) {
        if (i < w.size() && w[i] != L'\\' && w[i] != L'/') continue;
        const std::wstring_view part(w.data() + start, i - start);
        start = i + 1;
        if (part.empty()) continue;
        const int n = WideCharToMultiByte(CP_UTF8, 0, part.data(), static_cast<int>(part.size()),
                                          nullptr, 0, nullptr, nullptr);
        std::string utf8(n > 0 ? n : 0, '\0');
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, part.data(), static_cast<int>(part.size()), utf8.data(),
                                n, nullptr, nullptr);
        if (zipcore::IsDeviceName(utf8)) {
            std::string ansi(part.size() * 2, '\0');
            const int m =
                WideCharToMultiByte(CP_ACP, 0, part.data(), static_cast<int>(part.size()),
                                    ansi.data(), static_cast<int>(ansi.size()), nullptr, nullptr);
            ansi.resize(m > 0 ? m : 0);
            return ansi;
        }
    }
    return {};
}

class Scanner {
public:
    // The sink takes each entry as it is found; answering false stops the scan.
    // `stop`, when given, is polled before each folder.
    // Problems go to `report`.
    Scanner(const ScanOptions& options, const std::string& archiveFullPath,
            std::function<bool(SourceEntry&&)> sink, std::function<void(ScanProblem&&)> report,
            const std::atomic<bool>* stop = nullptr)
        : options_(options), archivePath_(archiveFullPath),
          archiveFolder_(FolderOf(archiveFullPath)),
          archiveName_(archiveFullPath.substr(archiveFolder_.size())), sink_(std::move(sink)),
          report_(std::move(report)), stop_(stop) {}

    // Whether the pattern found anything.
    bool Pattern(std::string pattern);
    bool Stopped() const { return stopped_; }

private:
    void Folder(const std::string& dir, const std::string& mask, int depth);
    void Add(const std::string& path, const WIN32_FIND_DATAA& fd, const std::string& fullFolder);
    bool Excluded(const std::string& fullFolder, const char* name) const;
    bool RefusedAsDevice(const std::string& path, const std::string& storedName);

    const ScanOptions& options_;
    std::string archivePath_, archiveFolder_, archiveName_;
    std::function<bool(SourceEntry&&)> sink_;
    std::function<void(ScanProblem&&)> report_;
    const std::atomic<bool>* stop_;
    size_t found_ = 0;
    bool stopped_ = false;
};

bool Scanner::Excluded(const std::string& fullFolder, const char* name) const {
    const std::string n = name;
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
    report_({keng::kErrReadFile,
             path + ": \"" + device + "\" is the name of a device on Windows; not added"});
    return true;
}

void Scanner::Add(const std::string& path, const WIN32_FIND_DATAA& fd,
                  const std::string& fullFolder) {
    if (Excluded(fullFolder, fd.cFileName)) return;
    SourceEntry e;
    e.folder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    e.diskPath = path;
    e.storedName = StoredNameFromPath(path, options_.names);
    if (e.storedName.empty() || RefusedAsDevice(path, e.storedName)) return;
    if (e.folder) e.storedName.push_back('/');
    e.size = e.folder ? 0 : (std::uint64_t{fd.nFileSizeHigh} << 32) | fd.nFileSizeLow;
    e.dosTime = DosTimeFromFileTime(fd.ftLastWriteTime);
    e.attributes = fd.dwFileAttributes & kDosAttributes;
    ++found_;
    if (!sink_(std::move(e))) stopped_ = true;
}

void Scanner::Folder(const std::string& dir, const std::string& mask, int depth) {
    if (stop_ && *stop_) stopped_ = true;
    if (stopped_) return;
    WIN32_FIND_DATAA fd;
    ui::FindHandle find(FindFirstFileA((dir + "*").c_str(), &fd));
    if (!find) return;
    std::vector<WIN32_FIND_DATAA> found;
    do {
        const std::string_view name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (!options_.includeHidden &&
            (fd.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
            continue;
        found.push_back(fd);
    } while (FindNextFileA(find.Get(), &fd));
    find.Reset();
    // The order the file system lists in varies; sorted names make the archive predictable.
    // A plain ASCII comparison: the locale's is far slower and the order only has to be stable.
    std::sort(found.begin(), found.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
        for (const char *p = a.cFileName, *q = b.cFileName;; ++p, ++q) {
            const int x = (*p >= 'A' && *p <= 'Z') ? *p + 32 : static_cast<unsigned char>(*p);
            const int y = (*q >= 'A' && *q <= 'Z') ? *q + 32 : static_cast<unsigned char>(*q);
            if (x != y || x == 0) return x < y;
        }
    });
    const std::string fullFolder = FullPath(dir.empty() ? std::string(".\\") : dir);
    for (const WIN32_FIND_DATAA& f : found) {
        if (stopped_) return;
        const bool isFolder = (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const bool matches = zipcore::MatchMask(mask, f.cFileName);
        if (!isFolder) {
            if (matches) Add(dir + f.cFileName, f, fullFolder);
            continue;
        }
        if (!options_.recurse || depth >= kMaxDepth) continue;
        if (RefusedAsDevice(dir + f.cFileName, f.cFileName)) continue; // nor what is in it
        if (matches && !options_.names.junkDirNames) Add(dir + f.cFileName, f, fullFolder);
        // A link to a folder could lead back up the tree; it is stored but not entered.
        if (f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        Folder(dir + f.cFileName + "\\", mask, depth + 1);
    }
}

bool Scanner::Pattern(std::string pattern) {
    const size_t before = found_;
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
    WIN32_FIND_DATAA fd;
    ui::FindHandle find(FindFirstFileA(path.c_str(), &fd));
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        // The folder itself (a drive root has no entry of its own), then what is in it.
        if (find && !options_.names.junkDirNames) {
            const std::string full = FullPath(path);
            Add(path, fd, FolderOf(full));
        }
        Folder(path.back() == '\\' || path.back() == ':' ? path : path + "\\", "*", 0);
        return found_ > before || find;
    }
    if (!find) return false;
    Add(path, fd, FolderOf(FullPath(path)));
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
