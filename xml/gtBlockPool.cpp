// gtBlockPool: size classes, pages and the page registry (see gtBlockPool.h).
#include "xml/gtBlockPool.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

constexpr size_t kSmallSizes[] = {8, 16, 32, 48, 64};
constexpr size_t kMediumSizes[] = {96, 128, 192, 256, 384, 512};
// Page header and large-block header sizes, keeping blocks 16-byte aligned.
constexpr size_t kPageHeader = 16;
constexpr size_t kLargeHeader = 32;

int SmallClass(size_t n) {
    if (n <= 8)
        return 0;
    if (n <= 16)
        return 1;
    if (n <= 32)
        return 2;
    if (n <= 48)
        return 3;
    return 4;
}

int MediumClass(size_t n) {
    if (n <= 96)
        return 0;
    if (n <= 128)
        return 1;
    if (n <= 192)
        return 2;
    if (n <= 256)
        return 3;
    if (n <= 384)
        return 4;
    return 5;
}

void* HeapAllocate(size_t n) {
    void* p = std::malloc(n);
    if (!p)
        throw std::bad_alloc();
    return p;
}

}  // namespace

size_t gtBlockPool::ClassSize(size_t size) {
    if (size == 0)
        size = 1;
    if (size <= kSmallLimit)
        return kSmallSizes[SmallClass(size)];
    if (size <= kMediumLimit)
        return kMediumSizes[MediumClass(size)];
    return 0;
}

gtBlockPool::~gtBlockPool() {
    FreeAll();
}

void gtBlockPool::FreeAll() {
    for (char* slab = m_slabs; slab;) {
        char* next = *reinterpret_cast<char**>(slab);
        std::free(slab);
        slab = next;
    }
    m_slabs = m_slabNext = m_slabEnd = nullptr;
    std::free(m_registry);
    m_registry = nullptr;
    m_registryCount = m_registryCapacity = 0;
    std::free(m_slabIndex);
    m_slabIndex = nullptr;
    m_slabCount = m_slabCapacity = 0;
    m_currentSlab = -1;
    for (LargeHeader* h = m_large; h;) {
        LargeHeader* next = h->next;
        std::free(h->raw);
        h = next;
    }
    m_large = nullptr;
    m_largeCount = 0;
    for (auto& f : m_small) f = nullptr;
    for (auto& f : m_medium) f = nullptr;
    for (auto& f : m_freshSmall) f = Fresh();
    for (auto& f : m_freshMedium) f = Fresh();
    m_packed = Fresh();
    m_emptyPacked = nullptr;
}

// Takes a new page for a class as the class's fresh region and enters the page in the
// registry at its sorted place.
void gtBlockPool::NewPage(bool medium, int classIndex) {
    size_t usable = medium ? kMediumPageSize : kSmallPageSize;
    size_t blockSize = medium ? kMediumSizes[classIndex] : kSmallSizes[classIndex];
    Fresh& fresh = medium ? m_freshMedium[classIndex] : m_freshSmall[classIndex];
    fresh = NewRegisteredPage(usable, medium ? kMediumPage : kSmallPage, classIndex);
    fresh.end = fresh.next + (usable / blockSize) * blockSize;
}

gtBlockPool::Fresh gtBlockPool::NewRegisteredPage(size_t usable, int32_t kind, int classIndex) {
    auto* raw = TakePageMemory(kPageHeader + usable);
    auto* page = reinterpret_cast<Page*>(raw);
    page->classIndex = classIndex;
    page->used = 0;
    page->kind = kind;
    char* start = raw + kPageHeader;

    if (m_registryCount == m_registryCapacity) {
        // Grows by 128 entries, or by half once large, so registration stays cheap.
        int grow = m_registryCapacity / 2 > 128 ? m_registryCapacity / 2 : 128;
        auto* registry = static_cast<RegistryEntry*>(
            std::realloc(m_registry, (m_registryCapacity + grow) * sizeof(RegistryEntry)));
        if (!registry)
            throw std::bad_alloc();
        m_registry = registry;
        m_registryCapacity += grow;
    }
    // Pages of the current slab arrive at rising addresses: appending keeps its range sorted.
    m_registry[m_registryCount++] =
        RegistryEntry{reinterpret_cast<uintptr_t>(start),
                      reinterpret_cast<uintptr_t>(start) + usable, page, kind};
    m_slabIndex[m_currentSlab].count++;
    Fresh fresh;
    fresh.next = start;
    fresh.end = start + usable;
    fresh.page = page;
    return fresh;
}

// The current packed page is full: continue in a page whose blocks were all released, or in a
// new one.
void* gtBlockPool::AllocatePackedSlow(size_t size) {
    if (size == 0)
        size = 1;
    if (size > kPackedLimit)
        return Allocate(size);
    if ((size_t)(m_packed.end - m_packed.next) >= ((size + 7) & ~(size_t)7))
        return AllocatePacked(size);
    if (EmptyPacked* e = m_emptyPacked) {
        m_emptyPacked = e->next;
        m_packed.page = e->page;
        m_packed.end = e->end;
        m_packed.next = reinterpret_cast<char*>(e);
    } else {
        m_packed = NewRegisteredPage(kPackedPageSize, kPackedPage, 0);
    }
    return AllocatePacked(size);
}

char* gtBlockPool::TakePageMemory(size_t size) {
    if ((size_t)(m_slabEnd - m_slabNext) < size) {
        auto* slab = static_cast<char*>(HeapAllocate(kSlabSize));
        *reinterpret_cast<char**>(slab) = m_slabs;
        m_slabs = slab;
        if (m_slabCount == m_slabCapacity) {
            int capacity = m_slabCapacity ? m_slabCapacity * 2 : 16;
            auto* index = static_cast<SlabEntry*>(
                std::realloc(m_slabIndex, (size_t)capacity * sizeof(SlabEntry)));
            if (!index) {
                m_slabs = *reinterpret_cast<char**>(slab);
                std::free(slab);
                throw std::bad_alloc();
            }
            m_slabIndex = index;
            m_slabCapacity = capacity;
        }
        SlabEntry entry{reinterpret_cast<uintptr_t>(slab),
                        reinterpret_cast<uintptr_t>(slab) + kSlabSize, m_registryCount, 0};
        int lo = 0, hi = m_slabCount;
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (m_slabIndex[mid].start < entry.start) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        if (lo < m_slabCount) {
            std::memmove(m_slabIndex + lo + 1, m_slabIndex + lo,
                         (size_t)(m_slabCount - lo) * sizeof(SlabEntry));
        }
        m_slabIndex[lo] = entry;
        ++m_slabCount;
        m_currentSlab = lo;
        m_slabNext = slab + 16;
        m_slabEnd = slab + kSlabSize;
    }
    char* memory = m_slabNext;
    m_slabNext += (size + 15) & ~(size_t)15;
    return memory;
}

const gtBlockPool::RegistryEntry* gtBlockPool::FindPage(uintptr_t address) const {
    // The last slab starting at or below the address.
    int lo = 0, hi = m_slabCount;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (m_slabIndex[mid].start <= address) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo == 0 || address >= m_slabIndex[lo - 1].end)
        return nullptr;
    const SlabEntry& slab = m_slabIndex[lo - 1];
    // The last page of that slab starting at or below the address.
    lo = slab.first;
    hi = slab.first + slab.count;
    int first = lo;
    while (lo < hi) {
        int mid = (lo + hi) / 2;
        if (m_registry[mid].start <= address) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    if (lo == first)
        return nullptr;
    const RegistryEntry* e = &m_registry[lo - 1];
    return address < e->end ? e : nullptr;
}

void* gtBlockPool::AllocateSlow(size_t size) {
    if (size == 0)
        size = 1;
    if (size <= kSmallLimit) {
        int c = SmallClass(size);
        if (SmallFree* f = m_small[c]) {
            m_small[c] = f->next;
            return f;
        }
        Fresh& fresh = m_freshSmall[c];
        if (fresh.next == fresh.end)
            NewPage(false, c);
        void* block = fresh.next;
        fresh.next += kSmallSizes[c];
        return block;
    }
    if (size <= kMediumLimit) {
        int c = MediumClass(size);
        if (MediumFree* f = m_medium[c]) {
            m_medium[c] = f->next;
            if (f->next)
                f->next->prev = nullptr;
            f->page->used++;
            return f;
        }
        Fresh& fresh = m_freshMedium[c];
        if (fresh.next == fresh.end)
            NewPage(true, c);
        void* block = fresh.next;
        fresh.next += kMediumSizes[c];
        fresh.page->used++;
        return block;
    }
    if (size > SIZE_MAX - kLargeHeader)
        throw std::bad_alloc();
    auto* raw = static_cast<char*>(HeapAllocate(size + kLargeHeader));
    auto* h = reinterpret_cast<LargeHeader*>(raw);
    h->raw = raw;
    h->prev = nullptr;
    h->next = m_large;
    if (m_large)
        m_large->prev = h;
    m_large = h;
    ++m_largeCount;
    return raw + kLargeHeader;
}

void gtBlockPool::Release(void* block) {
    if (!block)
        return;
    uintptr_t address = reinterpret_cast<uintptr_t>(block);
    const RegistryEntry* e = FindPage(address);
    if (!e) {
        auto* h = reinterpret_cast<LargeHeader*>(static_cast<char*>(block) - kLargeHeader);
        if (h->prev) {
            h->prev->next = h->next;
        } else {
            m_large = h->next;
        }
        if (h->next)
            h->next->prev = h->prev;
        --m_largeCount;
        std::free(h->raw);
        return;
    }
    Page* page = e->page;
    if (e->kind == kPackedPage) {
        if (--page->used == 0) {
            // Every block of the page is free: the current page starts over, another one waits
            // on the list of empty packed pages.
            char* start = reinterpret_cast<char*>(e->start);
            if (page == m_packed.page) {
                m_packed.next = start;
            } else {
                auto* empty = reinterpret_cast<EmptyPacked*>(start);
                empty->next = m_emptyPacked;
                empty->page = page;
                empty->end = reinterpret_cast<char*>(e->end);
                m_emptyPacked = empty;
            }
        }
        return;
    }
    if (e->kind == kMediumPage) {
        auto* f = static_cast<MediumFree*>(block);
        f->page = page;
        f->prev = nullptr;
        f->next = m_medium[page->classIndex];
        if (f->next)
            f->next->prev = f;
        m_medium[page->classIndex] = f;
        page->used--;
    } else {
        auto* f = static_cast<SmallFree*>(block);
        f->next = m_small[page->classIndex];
        m_small[page->classIndex] = f;
    }
}

void* gtBlockPool::AllocateCallback(size_t size, void* pool) {
    return static_cast<gtBlockPool*>(pool)->Allocate(size);
}

void gtBlockPool::ReleaseCallback(void* block, void* pool) {
    static_cast<gtBlockPool*>(pool)->Release(block);
}

void* gtBlockPool::AllocatePackedCallback(size_t size, void* pool) {
    return static_cast<gtBlockPool*>(pool)->AllocatePacked(size);
}
