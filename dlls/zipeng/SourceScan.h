// Finds the files (and folders) that a list of patterns names on disk.
//
// A pattern is a path or a mask ('*' and '?' in its last component, "*.*" matching
// every name). A path naming a folder stands for the folder itself and the files in it.
// With recurse, every subfolder is searched with the same mask, and a subfolder whose name
// the mask matches is stored as a folder entry (when names keep their folders), so empty
// folders survive. Hidden and system files found through a mask or a folder are left out
// unless includeHidden is set; a file named exactly is always taken. The archive being
// written and the engine's temporary files beside it are never taken, nor names Windows
// takes for devices (aux, nul.txt, com1: opening one would read the device, and no such
// member could be extracted), which are reported instead.
#pragma once

#include "dlls/common/FastSync.h"
#include "dlls/zipeng/AddPlan.h"
#include "dlls/zipeng/StoredName.h"
#include "base/EngineRecords.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zipeng {

struct ScanOptions {
    bool recurse = false;
    bool includeHidden = false;
    NameOptions names;
};

// Something the scan reports: a pattern that found nothing, a name refused.
struct ScanProblem {
    keng::ErrorCode code;
    std::string text;
};

struct ScanResult {
    std::vector<SourceEntry> entries;  // in the order found: folders sorted by name, depth first
    std::vector<ScanProblem> problems; // in the order found
};

// archiveFullPath is the archive's full path, so the archive never adds itself.
ScanResult ScanSources(const std::vector<std::string>& patterns, const ScanOptions& options,
                       const std::string& archiveFullPath);

// The same scan on a thread of its own, so that the files found first can be compressed
// while later ones are still being looked for (listing a folder through Wine is slow).
// Entries never move once found, so pointers to them stay valid.
class BackgroundScan {
public:
    BackgroundScan(std::vector<std::string> patterns, ScanOptions options,
                   std::string archiveFullPath);
    // Stops a scan still running.
    ~BackgroundScan();
    BackgroundScan(const BackgroundScan&) = delete;
    BackgroundScan& operator=(const BackgroundScan&) = delete;

    // Entry i in the order found; with `wait` this blocks until it is found or the scan has
    // ended. Null when there is no such entry (yet, or at all).
    const SourceEntry* Entry(size_t i, bool wait);
    // The problems found since the last call (a pattern that matched nothing is known once
    // its turn in the scan is over); with `wait`, waits for the end of the scan first.
    std::vector<ScanProblem> TakeProblems(bool wait);

private:
    void Run();

    const std::vector<std::string> patterns_;
    const ScanOptions options_;
    const std::string archive_;
    ksync::Mutex mutex_;
    ksync::Condition found_;
    std::deque<SourceEntry> entries_;
    std::vector<ScanProblem> problems_;
    bool done_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_; // last: starts once everything above is ready
};

} // namespace zipeng
