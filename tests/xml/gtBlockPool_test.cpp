// gtBlockPool: size classes, page capacities, reuse of released blocks and the large tier.
#include "xml/gtBlockPool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace {

TEST(gtBlockPoolTest, SizeClasses) {
    struct Case {
        size_t request, size;
    } cases[] = {{0, 8},     {1, 8},     {8, 8},     {9, 16},    {16, 16},   {17, 32},
                 {32, 32},   {33, 48},   {48, 48},   {49, 64},   {64, 64},   {65, 96},
                 {96, 96},   {97, 128},  {128, 128}, {129, 192}, {192, 192}, {193, 256},
                 {256, 256}, {257, 384}, {384, 384}, {385, 512}, {512, 512}, {513, 0}};
    for (const Case& c : cases) EXPECT_EQ(gtBlockPool::ClassSize(c.request), c.size) << c.request;
}

// A page holds usable size / class size blocks; the next one takes a new page.
TEST(gtBlockPoolTest, BlocksPerPage) {
    struct Case {
        size_t size;
        int perPage;
    } cases[] = {{8, 768},  {48, 128}, {64, 96},  {96, 128}, {128, 96},
                 {192, 64}, {256, 48}, {384, 32}, {512, 24}};
    for (const Case& c : cases) {
        gtBlockPool pool;
        std::set<uintptr_t> seen;
        for (int i = 0; i < c.perPage; ++i) {
            auto* p = static_cast<char*>(pool.Allocate(c.size));
            std::memset(p, 0xAB, c.size);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u);
            seen.insert(reinterpret_cast<uintptr_t>(p));
        }
        EXPECT_EQ(pool.PageCount(), 1) << c.size;
        pool.Allocate(c.size);
        EXPECT_EQ(pool.PageCount(), 2) << c.size;
        EXPECT_EQ(seen.size(), (size_t)c.perPage);
    }
}

TEST(gtBlockPoolTest, ReleasedBlocksAreReusedFirst) {
    gtBlockPool pool;
    void* a = pool.Allocate(40);
    void* b = pool.Allocate(200);
    pool.Release(a);
    pool.Release(b);
    EXPECT_EQ(pool.Allocate(33), a);
    EXPECT_EQ(pool.Allocate(193), b);
    pool.Release(nullptr);
}

TEST(gtBlockPoolTest, LargeBlocksStandAlone) {
    gtBlockPool pool;
    std::vector<char*> blocks;
    for (int i = 0; i < 5; ++i) {
        blocks.push_back(static_cast<char*>(pool.Allocate(513 + 1000 * i)));
        std::memset(blocks.back(), i, 513 + 1000 * i);
    }
    EXPECT_EQ(pool.LargeBlockCount(), 5);
    EXPECT_EQ(pool.PageCount(), 0);
    pool.Release(blocks[2]);
    pool.Release(blocks[0]);
    pool.Release(blocks[4]);
    EXPECT_EQ(pool.LargeBlockCount(), 2);
    EXPECT_EQ(blocks[1][1512], 1);
    // The rest goes with the pool.
}

TEST(gtBlockPoolTest, ManyPagesInAnyOrderAreFoundAgain) {
    gtBlockPool pool;
    std::vector<void*> blocks;
    for (int i = 0; i < 20000; ++i) blocks.push_back(pool.Allocate((size_t)(1 + (i * 37) % 600)));
    for (size_t i = 0; i < blocks.size(); i += 2) pool.Release(blocks[i]);
    for (size_t i = 1; i < blocks.size(); i += 2) pool.Release(blocks[i]);
    EXPECT_EQ(pool.LargeBlockCount(), 0);
    int pages = pool.PageCount();
    for (int i = 0; i < 20000; ++i) pool.Allocate((size_t)(1 + (i * 37) % 600));
    EXPECT_EQ(pool.PageCount(), pages);  // everything came back to the free lists
    pool.FreeAll();
    EXPECT_EQ(pool.PageCount(), 0);
}

// Across many slabs, a released block is found in its own page and class: the next request of
// that class gets exactly it back, and an address outside every page is a large block.
TEST(gtBlockPoolTest, ReleasedBlocksReturnToTheirOwnClassAcrossSlabs) {
    gtBlockPool pool;
    std::vector<std::pair<void*, size_t>> blocks;
    for (int i = 0; i < 60000; ++i) {
        size_t size = (size_t)(1 + (i * 7919) % 700);
        blocks.emplace_back(pool.Allocate(size), size);
    }
    EXPECT_GT(pool.PageCount(), 600);  // spread over many slabs
    for (size_t k = 0; k < blocks.size(); k += 97) {
        size_t i = (k * 7841) % blocks.size();
        auto [block, size] = blocks[i];
        int large = pool.LargeBlockCount();
        pool.Release(block);
        if (size > 512) {
            EXPECT_EQ(pool.LargeBlockCount(), large - 1);
            blocks[i].first = pool.Allocate(size);
        } else {
            EXPECT_EQ(pool.Allocate(size), block) << size;
        }
    }
}

// Packed blocks follow each other at their size rounded up to 8; above the packed limit a
// request takes the large tier.
TEST(gtBlockPoolTest, PackedBlocksAreExactAndConsecutive) {
    struct Case {
        size_t size, step;
    } cases[] = {{0, 8},   {1, 8},   {8, 8},       {9, 16},     {56, 56},
                 {57, 64}, {80, 80}, {1023, 1024}, {1024, 1024}};
    for (const Case& c : cases) {
        gtBlockPool pool;
        auto* a = static_cast<char*>(pool.AllocatePacked(c.size));
        auto* b = static_cast<char*>(pool.AllocatePacked(c.size));
        EXPECT_EQ((size_t)(b - a), c.step) << c.size;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % 8, 0u);
        EXPECT_EQ(pool.PageCount(), 1) << c.size;
    }
    gtBlockPool pool;
    pool.Release(pool.AllocatePacked(gtBlockPool::kPackedLimit + 1));
    pool.AllocatePacked(gtBlockPool::kPackedLimit + 1);
    EXPECT_EQ(pool.PageCount(), 0);
    EXPECT_EQ(pool.LargeBlockCount(), 1);
}

// A packed page fills up to its size, then the next one starts; blocks never straddle pages.
TEST(gtBlockPoolTest, PackedPagesFillBeforeTheNextStarts) {
    gtBlockPool pool;
    const size_t perPage = gtBlockPool::kPackedPageSize / 80;
    char* first = static_cast<char*>(pool.AllocatePacked(80));
    for (size_t i = 1; i < perPage; ++i) {
        char* p = static_cast<char*>(pool.AllocatePacked(80));
        ASSERT_EQ(p, first + 80 * i);
    }
    EXPECT_EQ(pool.PageCount(), 1);
    pool.AllocatePacked(gtBlockPool::kPackedPageSize - 80 * perPage + 8);
    EXPECT_EQ(pool.PageCount(), 2);
}

// A packed page whose blocks are all released is taken again: the current one starts over,
// an earlier one when the current is full. Mixed with class blocks, each goes back to its own.
TEST(gtBlockPoolTest, EmptiedPackedPagesAreTakenAgain) {
    gtBlockPool pool;
    std::vector<void*> firstPage, secondPage;
    const size_t perPage = gtBlockPool::kPackedPageSize / 64;
    for (size_t i = 0; i < perPage; ++i) firstPage.push_back(pool.AllocatePacked(64));
    void* small = pool.Allocate(16);
    for (size_t i = 0; i < 10; ++i) secondPage.push_back(pool.AllocatePacked(64));
    const int pages = pool.PageCount();  // two packed pages and one small page
    EXPECT_EQ(pages, 3);

    // Current page emptied: the next packed block is its first again.
    for (void* p : secondPage) pool.Release(p);
    EXPECT_EQ(pool.AllocatePacked(64), secondPage[0]);
    pool.Release(secondPage[0]);

    // The full first page emptied: taken again once the current page is full.
    for (void* p : firstPage) pool.Release(p);
    pool.Release(small);
    EXPECT_EQ(pool.Allocate(16), small);
    for (size_t i = 0; i < perPage; ++i) pool.AllocatePacked(64);
    EXPECT_EQ(pool.PageCount(), pages);
    EXPECT_EQ(pool.AllocatePacked(64), firstPage[0]);
    EXPECT_EQ(pool.PageCount(), pages);
    pool.FreeAll();
    EXPECT_EQ(pool.PageCount(), 0);
    EXPECT_NE(pool.AllocatePacked(8), nullptr);
}

}  // namespace
