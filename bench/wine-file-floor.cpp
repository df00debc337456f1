// Baseline for bench/zip-bench.sh: lists a folder tree and opens and reads every file in it
// through the Win32 API, on as many threads as the engine uses, and nothing else. Under Wine
// this is the least any program needs for those files; it is not part of the product.
//   wine-file-floor.exe <folder> [threads]
#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

void List(const std::string& dir, std::vector<std::string>& files) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((dir + "*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::string> folders;
    do {
        const std::string name = fd.cFileName;
        if (name == "." || name == "..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(dir + name + "\\");
        else
            files.push_back(dir + name);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
    for (const std::string& f : folders)
        List(f, files);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const unsigned threads = argc > 2 ? std::atoi(argv[2]) : 4;
    const auto t0 = std::chrono::steady_clock::now();
    std::vector<std::string> files;
    List(std::string(argv[1]) + "\\", files);
    const auto t1 = std::chrono::steady_clock::now();
    std::atomic<size_t> next{0};
    std::atomic<unsigned long long> bytes{0};
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            std::vector<char> buffer(1 << 20);
            for (size_t i; (i = next++) < files.size();) {
                HANDLE h =
                    CreateFileA(files[i].c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
                if (h == INVALID_HANDLE_VALUE) continue;
                DWORD got = 0;
                while (
                    ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
                    got > 0)
                    bytes += got;
                CloseHandle(h);
            }
        });
    for (std::thread& t : pool)
        t.join();
    const auto t2 = std::chrono::steady_clock::now();
    std::printf("%zu files, %llu bytes: listing %.2f s, opening and reading %.2f s\n", files.size(),
                bytes.load(), std::chrono::duration<double>(t1 - t0).count(),
                std::chrono::duration<double>(t2 - t1).count());
    return 0;
}
