// gtBlockPool: the block allocator behind every XML document and the lexer's token texts.
//
// Three tiers by requested size n (0 counts as 1):
//   small,  n <= 64:       classes of 8, 16, 32, 48, 64 bytes in pages of 6144 usable bytes,
//                          one singly linked free list per class;
//   medium, 65..512:       classes of 96, 128, 192, 256, 384, 512 bytes in pages of 12288
//                          usable bytes (128, 96, 64, 48, 32, 24 blocks), one doubly linked free
//                          list per class, each page counting the blocks it has handed out;
//   large,  n > 512:       a heap block of its own behind a small header, on a linked list.
// Besides the classes, AllocatePacked hands out blocks of the exact size (rounded up to 8) one
// after another from packed pages of 64 KB, for the records of a document being loaded, which
// are many, of many sizes, and mostly live as long as the document. Each packed page counts
// its live blocks; a page whose blocks are all released is taken again whole by a later packed
// request, so loading a document again does not grow the pool.
// A class hands out released blocks first, then the untouched rest of its newest page in
// address order (so a new page is not walked when it is taken). Every page is entered in a
// registry ordered by address (slabs sorted, pages within a slab in rising order), so Release
// finds the page of a block by binary search (O(log pages)), whatever order the heap hands out
// memory in; an address in no page is a large block. Pages are kept until
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
    static constexpr size_t kPackedPageSize = 65536 - 32;
    static constexpr size_t kPackedLimit = 1024;

    gtBlockPool() = default;
    gtBlockPool(const gtBlockPool&) = delete;
    gtBlockPool& operator=(const gtBlockPool&) = delete;
    ~gtBlockPool();

    // Released blocks and the fresh rest of a page are handed out inline; the rest (new pages,
    // large blocks, size 0) out of line.
    inline void* Allocate(size_t size);
    // A block of exactly `size` bytes rounded up to 8 (8-byte aligned), packed after the
    // previous one; requests above kPackedLimit take the classes or the large tier.
    inline void* AllocatePacked(size_t size);
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
    static void* AllocatePackedCallback(size_t size, void* pool);

private:
    static constexpr int kSmallClasses = 5;
    static constexpr int kMediumClasses = 6;

    enum PageKind : int32_t { kSmallPage = 0, kMediumPage = 1, kPackedPage = 2 };
    struct Page {
        int32_t classIndex;  // small 0..4, medium 0..5
        int32_t used;        // medium and packed pages: blocks handed out and not released
        int32_t kind;        // PageKind
        int32_t pad;
    };
    struct RegistryEntry {
        uintptr_t start;
        uintptr_t end;
        Page* page;
        int32_t kind;
    };
    // A packed page whose blocks were all released, waiting to be taken again: its first bytes.
    struct EmptyPacked {
        EmptyPacked* next;
        Page* page;
        char* end;
    };
    // Class of a request: small by (n - 1) / 8 for n in 1..64, medium by (n - 1) / 32 for
    // n in 65..512.
    static constexpr int8_t kSmallIndex[8] = {0, 1, 2, 2, 3, 3, 4, 4};
    static constexpr int8_t kMediumIndex[16] = {-1, -1, 0, 1, 2, 2, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
    static constexpr uint16_t kSmallBlock[kSmallClasses] = {8, 16, 32, 48, 64};
    static constexpr uint16_t kMediumBlock[kMediumClasses] = {96, 128, 192, 256, 384, 512};

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

    void* AllocateSlow(size_t size);
    void* AllocatePackedSlow(size_t size);
    void NewPage(bool medium, int classIndex);
    char* TakePageMemory(size_t size);
    const RegistryEntry* FindPage(uintptr_t address) const;

    // The untouched rest of each class's newest page.
    struct Fresh {
        char* next = nullptr;
        char* end = nullptr;
        Page* page = nullptr;
    };

    Fresh NewRegisteredPage(size_t usable, int32_t kind, int classIndex);

    SmallFree* m_small[kSmallClasses] = {};
    MediumFree* m_medium[kMediumClasses] = {};
    Fresh m_freshSmall[kSmallClasses];
    Fresh m_freshMedium[kMediumClasses];
    Fresh m_packed;
    EmptyPacked* m_emptyPacked = nullptr;
    LargeHeader* m_large = nullptr;
    int m_largeCount = 0;
    // Page memory is carved from slabs of kSlabSize bytes, chained through their first word.
    static constexpr size_t kSlabSize = 1 << 20;
    char* m_slabs = nullptr;
    char* m_slabNext = nullptr;
    char* m_slabEnd = nullptr;
    // The page registry in two levels. Pages are entered in the order they are taken; the pages
    // of one slab are taken one after another at rising addresses, so each slab's entries are
    // one sorted range of m_registry. The slab index, sorted by address, gives that range. New
    // pages and slabs are entered in O(1) and O(slabs) whatever order the heap hands out slabs
    // in, and a lookup is two binary searches.
    struct SlabEntry {
        uintptr_t start;
        uintptr_t end;
        int32_t first;  // first registry entry of the slab
        int32_t count;
    };
    RegistryEntry* m_registry = nullptr;
    int m_registryCount = 0;
    int m_registryCapacity = 0;
    SlabEntry* m_slabIndex = nullptr;
    int m_slabCount = 0;
    int m_slabCapacity = 0;
    int m_currentSlab = -1;  // index entry of the slab pages are taken from
};

inline void* gtBlockPool::Allocate(size_t size) {
    if (size - 1 < kSmallLimit) {
        int c = kSmallIndex[(size - 1) >> 3];
        if (SmallFree* f = m_small[c]) {
            m_small[c] = f->next;
            return f;
        }
        Fresh& fresh = m_freshSmall[c];
        if (fresh.next != fresh.end) {
            void* block = fresh.next;
            fresh.next += kSmallBlock[c];
            return block;
        }
    } else if (size - 1 < kMediumLimit) {
        int c = kMediumIndex[(size - 1) >> 5];
        Fresh& fresh = m_freshMedium[c];
        if (!m_medium[c] && fresh.next != fresh.end) {
            void* block = fresh.next;
            fresh.next += kMediumBlock[c];
            fresh.page->used++;
            return block;
        }
    }
    return AllocateSlow(size);
}

inline void* gtBlockPool::AllocatePacked(size_t size) {
    size_t rounded = (size + 7) & ~(size_t)7;
    if (size - 1 < kPackedLimit && (size_t)(m_packed.end - m_packed.next) >= rounded) {
        void* block = m_packed.next;
        m_packed.next += rounded;
        m_packed.page->used++;
        return block;
    }
    return AllocatePackedSlow(size);
}
