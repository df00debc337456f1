// The program's pooled small blocks: aligned as new promises, never shared between live
// objects, reused after release, and safe from several threads at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(SmallBlocks, EverySizeIsAlignedAndHoldsItsBytes) {
    std::vector<std::pair<char*, size_t>> blocks;
    for (size_t size = 0; size <= 700; ++size) {
        char* p = static_cast<char*>(::operator new(size));
        if (size <= 512) EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << size;
        std::memset(p, static_cast<int>(size & 0xFF), size);
        blocks.emplace_back(p, size);
    }
    // No block overlaps another: each still holds the byte it was filled with.
    for (const auto& [p, size] : blocks)
        for (size_t i = 0; i < size; ++i)
            ASSERT_EQ(static_cast<unsigned char>(p[i]), size & 0xFF) << size;
    for (const auto& [p, size] : blocks)
        ::operator delete(p);
}

TEST(SmallBlocks, ReleasedBlocksAreReused) {
    std::set<void*> first;
    for (int i = 0; i < 100; ++i)
        first.insert(::operator new(40));
    for (void* p : first)
        ::operator delete(p);
    int reused = 0;
    std::vector<void*> again;
    for (int i = 0; i < 100; ++i) {
        again.push_back(::operator new(40));
        reused += first.count(again.back()) != 0;
    }
    EXPECT_EQ(reused, 100);
    for (void* p : again)
        ::operator delete(p);
}

TEST(SmallBlocks, ThreadsAllocatingAndFreeingTogetherKeepTheirData) {
    std::vector<std::thread> threads;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &bad] {
            std::vector<std::unique_ptr<std::string>> kept;
            for (int i = 0; i < 20000; ++i) {
                kept.push_back(std::make_unique<std::string>(20 + i % 200, char('a' + t)));
                if (i % 3 == 0) kept.erase(kept.begin() + (i * 7919) % kept.size());
            }
            for (const auto& s : kept)
                bad[t] += s->find_first_not_of(char('a' + t)) != std::string::npos;
        });
    for (std::thread& th : threads)
        th.join();
    EXPECT_EQ(bad, std::vector<int>(4, 0));
}

} // namespace
