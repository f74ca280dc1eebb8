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

}  // namespace
