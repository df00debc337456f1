// The floor for extraction under Wine: writes the files of a tree with only the calls any
// extraction must make per file (create, write, set the time, close), on two threads, and
// nothing else: no archive, no inflating, no CRC, no checks of what is already there.
// Every folder is created once; the bytes and the names are ready in memory before the
// clock starts. With --safe, each file is written under a temporary name and renamed onto
// its own through the open handle: exactly one rename more per file, the least a crash-safe
// extraction (never a half-written file under the real name) can do. Not part of the product.
//   extract-floor.exe [--safe] [--server PID] [--threads N] <source folder> <output folder>
// Prints the seconds and the CPU seconds of the timed part, and the clock ticks of CPU the
// Wine server (given by its Linux process id) used in it.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600 // FILE_RENAME_INFO
#include "FloorTree.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace {

bool Load(const std::wstring& path, std::vector<char>& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    size_t done = 0;
    while (done < bytes.size() &&
           ReadFile(h, bytes.data() + done,
                    static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24)), &got,
                    nullptr) &&
           got > 0)
        done += got;
    CloseHandle(h);
    return done == bytes.size();
}

// What one file needs, made before the clock starts.
struct Job {
    std::wstring create;      // the name the file is created under
    std::vector<char> rename; // FILE_RENAME_INFO onto the real name (--safe only)
    std::vector<char> bytes;
    int folder;
};

std::vector<char> RenameInfo(const std::wstring& target) {
    const std::wstring nt = L"\\??\\" + target;
    std::vector<char> info(sizeof(FILE_RENAME_INFO) + nt.size() * sizeof(wchar_t));
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
    rename->ReplaceIfExists = TRUE;
    rename->FileNameLength = static_cast<DWORD>(nt.size() * sizeof(wchar_t));
    std::memcpy(rename->FileName, nt.data(), nt.size() * sizeof(wchar_t));
    return info;
}

bool WriteAll(HANDLE h, const std::vector<char>& bytes) {
    for (size_t at = 0; at < bytes.size();) {
        const DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 1 << 26));
        DWORD wrote = 0;
        if (!WriteFile(h, bytes.data() + at, part, &wrote, nullptr) || wrote != part) return false;
        at += part;
    }
    return true;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    bool safe = false;
    std::wstring server;
    unsigned threads = 2; // as many as the engine's writers
    int arg = 1;
    for (; arg < argc && argv[arg][0] == L'-'; ++arg) {
        const std::wstring option = argv[arg];
        if (option == L"--safe")
            safe = true;
        else if (option == L"--server" && arg + 1 < argc)
            server = argv[++arg];
        else if (option == L"--threads" && arg + 1 < argc)
            threads = std::max(1ul, std::wcstoul(argv[++arg], nullptr, 10));
        else
            break;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: extract-floor [--safe] [--server PID] [--threads N] "
                             "<source folder> <output folder>\n");
        return 2;
    }
    const std::wstring source = std::wstring(argv[arg]) + L"\\";
    // The rename takes a full path.
    wchar_t full[MAX_PATH];
    if (!GetFullPathNameW(argv[arg + 1], MAX_PATH, full, nullptr)) return 2;
    const std::wstring output = std::wstring(full) + L"\\";
    floors::Tree tree;
    floors::List(source, tree);
    std::vector<Job> jobs(tree.files.size());
    unsigned long long total = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        Job& job = jobs[i];
        const std::wstring target = output + tree.files[i];
        job.create = safe ? target + L".~kz" : target;
        if (safe) job.rename = RenameInfo(target);
        job.folder = tree.folderOf[i];
        if (!Load(source + tree.files[i], job.bytes)) {
            std::fprintf(stderr, "cannot read %ls\n", tree.files[i].c_str());
            return 1;
        }
        total += job.bytes.size();
    }
    std::vector<std::wstring> folders;
    for (const std::wstring& f : tree.folders)
        folders.push_back(output + f);
    auto made = std::make_unique<std::once_flag[]>(folders.size());
    CreateDirectoryW(full, nullptr);
    FILETIME when{};
    const SYSTEMTIME st{2001, 2, 0, 3, 4, 5, 6, 0};
    SystemTimeToFileTime(&st, &when);

    // A folder is made by the first thread that needs it, its parents first.
    auto ensure = [&](auto& self, int folder) -> void {
        if (folder < 0) return;
        std::call_once(made[folder], [&] {
            self(self, tree.parent[folder]);
            CreateDirectoryW(folders[folder].c_str(), nullptr);
        });
    };
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (size_t i; (i = next++) < jobs.size();) {
            const Job& job = jobs[i];
            ensure(ensure, job.folder);
            HANDLE h = CreateFileW(job.create.c_str(), GENERIC_WRITE | (safe ? DELETE : 0), 0,
                                   nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                failed = true;
                continue;
            }
            bool ok = WriteAll(h, job.bytes) && SetFileTime(h, nullptr, nullptr, &when);
            if (safe)
                ok = ok && SetFileInformationByHandle(h, FileRenameInfo,
                                                      const_cast<char*>(job.rename.data()),
                                                      static_cast<DWORD>(job.rename.size()));
            if (!CloseHandle(h) || !ok) failed = true;
        }
    };

    const double cpu0 = floors::OwnCpuSeconds();
    const long long server0 = server.empty() ? -1 : floors::ServerTicks(server);
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (std::thread& t : pool)
        t.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu1 = floors::OwnCpuSeconds();
    const long long server1 = server.empty() ? -1 : floors::ServerTicks(server);
    const long long serverTicks = server0 < 0 || server1 < 0 ? -1 : server1 - server0;
    std::printf("floor %.3f s cpu %.3f s server-ticks %lld: %zu files, %zu folders, %llu bytes, "
                "%u threads, %s\n",
                seconds, cpu1 - cpu0, serverTicks, jobs.size(), folders.size(), total, threads,
                safe ? "crash-safe" : "plain");
    if (failed) std::fprintf(stderr, "some files could not be written\n");
    return failed ? 1 : 0;
}
