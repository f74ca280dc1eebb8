// gtBlockPool: the block allocator behind every XML document and the lexer's token texts.
//
// Three tiers by requested size n (0 counts as 1):
//   small,  n <= 64:       classes of 8, 16, 32, 48, 64 bytes in pages of 6144 usable bytes,
//                          one singly linked free list per class;
//   medium, 65..512:       classes of 96, 128, 192, 256, 384, 512 bytes in pages of 12288
//                          usable bytes (128, 96, 64, 48, 32, 24 blocks), one doubly linked free
//                          list per class, each page counting the blocks it has handed out;
//   large,  n > 512:       a heap block of its own behind a small header, on a linked list.
// A class hands out released blocks first, then the untouched rest of its newest page in
// address order (so a new page is not walked when it is taken). Every page is entered in a
// registry sorted by address, so Release finds the page of a block
// by binary search (O(log pages)); an address in no page is a large block. Pages are kept until
// the pool is destroyed, which frees every page and large block at once.
//
// Blocks are aligned to 8 bytes (16 for the classes that are multiples of 16 and for large
// blocks), enough for every node, text and buffer of a document. Not thread-safe: a shared pool
// needs a lock around it.
#pragma once

#include <cstddef>
#include <cstdint>

class gtBlockPool {
public:
    static constexpr size_t kSmallLimit = 64;
    static constexpr size_t kMediumLimit = 512;
    static constexpr size_t kSmallPageSize = 6144;
    static constexpr size_t kMediumPageSize = 12288;

    gtBlockPool() = default;
    gtBlockPool(const gtBlockPool&) = delete;
    gtBlockPool& operator=(const gtBlockPool&) = delete;
    ~gtBlockPool();

    void* Allocate(size_t size);
    // Null is ignored.
    void Release(void* block);

    // Frees everything the pool holds; earlier blocks become invalid.
    void FreeAll();

    // Introspection for tests.
    int PageCount() const { return m_registryCount; }
    int LargeBlockCount() const { return m_largeCount; }
    // Size class of a request (8 .. 512), or 0 for the large tier.
    static size_t ClassSize(size_t size);

    // Callback forms (user value: the pool).
    static void* AllocateCallback(size_t size, void* pool);
    static void ReleaseCallback(void* block, void* pool);

private:
    static constexpr int kSmallClasses = 5;
    static constexpr int kMediumClasses = 6;

    struct Page {
        int32_t classIndex;  // small 0..4, medium 0..5
        int32_t used;        // medium pages: blocks handed out
        int32_t medium;
        int32_t pad;
    };
    struct RegistryEntry {
        uintptr_t start;
        uintptr_t end;
        Page* page;
        int32_t medium;
    };
    struct SmallFree {
        SmallFree* next;
    };
    struct MediumFree {
        MediumFree* prev;
        MediumFree* next;
        Page* page;
    };
    struct LargeHeader {
        LargeHeader* prev;
        LargeHeader* next;
        void* raw;
    };

    void NewPage(bool medium, int classIndex);
    char* TakePageMemory(size_t size);
    const RegistryEntry* FindPage(uintptr_t address) const;

    // The untouched rest of each class's newest page.
    struct Fresh {
        char* next = nullptr;
        char* end = nullptr;
        Page* page = nullptr;
    };

    SmallFree* m_small[kSmallClasses] = {};
    MediumFree* m_medium[kMediumClasses] = {};
    Fresh m_freshSmall[kSmallClasses];
    Fresh m_freshMedium[kMediumClasses];
    LargeHeader* m_large = nullptr;
    int m_largeCount = 0;
    // Page memory is carved from slabs of kSlabSize bytes, chained through their first word.
    static constexpr size_t kSlabSize = 1 << 20;
    char* m_slabs = nullptr;
    char* m_slabNext = nullptr;
    char* m_slabEnd = nullptr;
    RegistryEntry* m_registry = nullptr;
    int m_registryCount = 0;
    int m_registryCapacity = 0;
};
