// Baseline for extraction under Wine: creates the folders and files of a tree and writes
// their bytes with the Win32 calls our extraction makes per file (attributes of the
// target, a new temporary file, writes, the file's time, a rename of the open file onto
// the name), on as
// many threads as the engine uses, and nothing else: no archive, no inflating, no CRC.
// The bytes are read into memory before the clock starts. Not part of the product.
//   extract-floor.exe <source folder> <output folder> [threads]
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

struct File {
    std::wstring relative; // from the source folder, backslashes
    std::vector<char> bytes;
};

void List(const std::wstring& root, const std::wstring& relative, std::vector<File>& files) {
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW((root + relative + L"*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(relative + name + L"\\");
        else
            files.push_back({relative + name, {}});
    } while (FindNextFileW(find, &fd));
    FindClose(find);
    std::sort(folders.begin(), folders.end());
    for (const std::wstring& f : folders)
        List(root, f, files);
}

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
                    static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20)), &got,
                    nullptr) &&
           got > 0)
        done += got;
    CloseHandle(h);
    return done == bytes.size();
}

// Folders are made once each, parents first, as the engine's folder cache does.
class Folders {
public:
    void EnsureParentOf(const std::wstring& file) {
        const size_t slash = file.find_last_of(L'\\');
        if (slash == std::wstring::npos) return;
        std::lock_guard<std::mutex> lock(mutex_);
        Ensure(file.substr(0, slash));
    }

private:
    void Ensure(const std::wstring& folder) {
        if (known_.count(folder)) return;
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() == ERROR_PATH_NOT_FOUND) {
            const size_t slash = folder.find_last_of(L'\\');
            if (slash != std::wstring::npos) Ensure(folder.substr(0, slash));
            CreateDirectoryW(folder.c_str(), nullptr);
        }
        known_.insert(folder);
    }
    std::mutex mutex_;
    std::set<std::wstring> known_;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    const std::wstring source = std::wstring(argv[1]) + L"\\";
    const std::wstring output = std::wstring(argv[2]) + L"\\";
    const unsigned threads = argc > 3 ? std::wcstoul(argv[3], nullptr, 10)
                                      : std::max(1u, std::thread::hardware_concurrency());
    std::vector<File> files;
    List(source, L"", files);
    unsigned long long total = 0;
    for (File& f : files) {
        if (!Load(source + f.relative, f.bytes)) {
            std::fprintf(stderr, "cannot read %ls\n", f.relative.c_str());
            return 1;
        }
        total += f.bytes.size();
    }
    CreateDirectoryW(argv[2], nullptr);

    const auto t0 = std::chrono::steady_clock::now();
    Folders folders;
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    FILETIME when{};
    SYSTEMTIME st{2001, 2, 0, 3, 4, 5, 6, 0};
    SystemTimeToFileTime(&st, &when);
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < files.size();) {
                const std::wstring target = output + files[i].relative;
                folders.EnsureParentOf(target);
                GetFileAttributesW(target.c_str());
                const std::wstring temp = target + L".~kz";
                HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr);
                if (h == INVALID_HANDLE_VALUE) {
                    failed = true;
                    continue;
                }
                const std::vector<char>& bytes = files[i].bytes;
                // The engine writes what it inflates in pieces of its output buffer.
                for (size_t at = 0; at < bytes.size(); at += 256 * 1024) {
                    DWORD wrote = 0;
                    WriteFile(h, bytes.data() + at,
                              static_cast<DWORD>(std::min<size_t>(bytes.size() - at, 256 * 1024)),
                              &wrote, nullptr);
                }
                SetFileTime(h, nullptr, nullptr, &when);
                const std::wstring nt = L"\\??\\" + target;
                std::vector<char> info(sizeof(FILE_RENAME_INFO) + nt.size() * sizeof(wchar_t));
                auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(info.data());
                rename->ReplaceIfExists = FALSE;
                rename->FileNameLength = static_cast<DWORD>(nt.size() * sizeof(wchar_t));
                std::memcpy(rename->FileName, nt.data(), nt.size() * sizeof(wchar_t));
                if (!SetFileInformationByHandle(h, FileRenameInfo, rename,
                                                static_cast<DWORD>(info.size())))
                    failed = true;
                CloseHandle(h);
            }
        });
    for (std::thread& t : pool)
        t.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("floor %.3f s: %zu files, %llu bytes, %u threads\n", seconds, files.size(), total,
                threads);
    return failed ? 1 : 0;
}
