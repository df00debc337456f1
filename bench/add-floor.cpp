// The floor for adding under Wine: lists a tree, then opens, reads and closes each of its
// files on two threads, and nothing else: no compressing, no CRC, no archive written. The
// whole process is what is measured, as the engine's driver is, Wine's start-up included.
// Not part of the product.
//   add-floor.exe [--threads N] <folder>
#include "FloorTree.h"

#include <atomic>
#include <cstdlib>
#include <thread>

int wmain(int argc, wchar_t** argv) {
    unsigned threads = 2; // as many as the engine's readers
    int arg = 1;
    if (arg + 1 < argc && std::wstring(argv[arg]) == L"--threads") {
        threads = std::max(1ul, std::wcstoul(argv[arg + 1], nullptr, 10));
        arg += 2;
    }
    if (argc - arg != 1) {
        std::fprintf(stderr, "usage: add-floor [--threads N] <folder>\n");
        return 2;
    }
    const std::wstring root = std::wstring(argv[arg]) + L"\\";
    floors::Tree tree;
    floors::List(root, tree);
    std::atomic<size_t> next{0};
    std::atomic<unsigned long long> total{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        std::vector<char> buffer(1 << 20); // the engine reads in pieces of 1 MiB
        for (size_t i; (i = next++) < tree.files.size();) {
            HANDLE h = CreateFileW((root + tree.files[i]).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
            if (h == INVALID_HANDLE_VALUE) {
                failed = true;
                continue;
            }
            DWORD got = 0;
            while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) &&
                   got > 0)
                total += got;
            CloseHandle(h);
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (std::thread& t : pool)
        t.join();
    std::printf("add floor: %zu files, %llu bytes, %u threads\n", tree.files.size(), total.load(),
                threads);
    if (failed) std::fprintf(stderr, "some files could not be opened\n");
    return failed ? 1 : 0;
}
