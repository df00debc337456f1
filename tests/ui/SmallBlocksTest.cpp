// The program's pooled small blocks: aligned as new promises, never shared between live
// objects, reused after release, and safe from several threads at once.
#include "ui/WarmMemory.h"

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
        if (size <= 512) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << size;
        }
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

// Chunks lie where the system puts them; on 64-bit the suite runs with the low 4 GiB reserved,
// so this is the place Windows usually gives them.
TEST(SmallBlocks, BlocksOfEverySizeAboveFourGiBAreKeptAndReused) {
    std::vector<void*> blocks;
    for (int round = 0; round < 3; ++round)
        for (size_t size = 1; size <= 512; size += 5) // every size class, over many chunks
            for (int i = 0; i < 200; ++i) {
                blocks.push_back(::operator new(size));
                std::memset(blocks.back(), static_cast<int>(size), size);
            }
    if (sizeof(void*) == 8) {
        for (void* p : blocks)
            ASSERT_GE(std::uint64_t(reinterpret_cast<std::uintptr_t>(p)), std::uint64_t(1) << 32)
                << p;
    }
    std::set<void*> released(blocks.begin(), blocks.end());
    for (void* p : blocks)
        ::operator delete(p);
    // Each comes back for a request of its own size class.
    void* again = ::operator new(100);
    EXPECT_EQ(released.count(again), 1u);
    ::operator delete(again);
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

namespace {

TEST(WarmMemory, LargeBlocksComeFromTheRegionAndItGoesWhenTheLastIsReleased) {
    ASSERT_EQ(ui::WarmMemory::RegionsHeld(), 0);
    std::vector<std::unique_ptr<char[]>> kept;
    {
        ui::WarmMemory warm(4 << 20);
        ASSERT_TRUE(warm.Active());
        // Blocks of every kind of size, filled and checked across threads.
        std::vector<std::thread> threads;
        std::vector<std::vector<std::unique_ptr<char[]>>> made(3);
        for (int t = 0; t < 3; ++t)
            threads.emplace_back([&, t] {
                for (size_t size = 600 + t; size < 200000; size = size * 3 / 2) {
                    made[t].emplace_back(new char[size]);
                    std::memset(made[t].back().get(), t + 1, size);
                }
            });
        for (std::thread& th : threads)
            th.join();
        for (int t = 0; t < 3; ++t) {
            size_t size = 600 + t;
            for (auto& block : made[t]) {
                for (size_t i = 0; i < size; ++i)
                    ASSERT_EQ(block[i], t + 1) << size;
                size = size * 3 / 2;
            }
        }
        kept = std::move(made[0]);
        // Beyond what is left of the region: from the heap, as before.
        std::unique_ptr<char[]> huge(new char[8 << 20]);
        huge[(8 << 20) - 1] = 1;
    }
    // Ended, but still holding the kept blocks: the region stays until the last one goes.
    EXPECT_EQ(ui::WarmMemory::RegionsHeld(), 1);
    std::unique_ptr<char[]> after(new char[100000]); // no longer from the region
    kept.clear();
    EXPECT_EQ(ui::WarmMemory::RegionsHeld(), 0);
    // Without any block taken, the region goes when it ends.
    { ui::WarmMemory unused(1 << 20); }
    EXPECT_EQ(ui::WarmMemory::RegionsHeld(), 0);
}

} // namespace
