// gtString buffers, their pools and the string operations.
//
// The pool keeps one free list per size class (32, 64, 128, 256, 512 characters), refilled 64
// buffers at a time; one mutex guards all classes. Pool memory is kept for the life of the
// process, so strings in static objects stay valid during shutdown.
#include "toolkit/gtString.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace {

struct Header {
    std::atomic<int32_t> refCount;
    int32_t length;
    int32_t capacity;
};
static_assert(sizeof(Header) == 12, "string header is three 32-bit integers");

constexpr int kClassCapacities[5] = {32, 64, 128, 256, 512};
constexpr int kBuffersPerRefill = 64;

Header* HeaderOf(const char* text) {
    return reinterpret_cast<Header*>(const_cast<char*>(text) - sizeof(Header));
}
char* TextOf(Header* h) {
    return reinterpret_cast<char*>(h) + sizeof(Header);
}

// The static empty string: count -1, never freed, never written.
struct EmptyBuffer {
    Header header;
    char text[4];
};
EmptyBuffer g_empty = {{{-1}, 0, 0}, {0, 0, 0, 0}};

int ClassOf(int capacity) {
    for (int i = 0; i < 5; ++i) {
        if (capacity <= kClassCapacities[i]) {
            return i;
        }
    }
    return -1;
}

class StringPool {
public:
    Header* Allocate(int capacity) {
        const int cls = ClassOf(capacity);
        if (cls < 0) {
            void* raw = std::malloc(sizeof(Header) + static_cast<size_t>(capacity) + 1);
            if (raw == nullptr) {
                throw std::bad_alloc();
            }
            Header* h = new (raw) Header;
            h->capacity = capacity;
            return h;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_free[cls] == nullptr) {
            Refill(cls);
        }
        Header* h = m_free[cls];
        m_free[cls] = NextOf(h);
        h->capacity = kClassCapacities[cls];
        return h;
    }

    void Free(Header* h) {
        const int cls = ClassOf(h->capacity);
        if (cls < 0 || h->capacity != kClassCapacities[cls]) {
            h->~Header();
            std::free(h);
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        SetNext(h, m_free[cls]);
        m_free[cls] = h;
    }

private:
    // Free buffers link through their (unaligned) text area.
    static Header* NextOf(Header* h) {
        Header* next;
        std::memcpy(&next, TextOf(h), sizeof next);
        return next;
    }
    static void SetNext(Header* h, Header* next) { std::memcpy(TextOf(h), &next, sizeof next); }

    void Refill(int cls) {
        const size_t stride = sizeof(Header) + static_cast<size_t>(kClassCapacities[cls]) + 4;
        char* block = static_cast<char*>(std::malloc(stride * kBuffersPerRefill));
        if (block == nullptr) {
            throw std::bad_alloc();
        }
        m_blocks.push_back(block);
        for (int i = kBuffersPerRefill - 1; i >= 0; --i) {
            Header* h = new (block + stride * static_cast<size_t>(i)) Header;
            SetNext(h, m_free[cls]);
            m_free[cls] = h;
        }
    }

    std::mutex m_mutex;
    Header* m_free[5] = {};
    std::vector<char*> m_blocks;  // every refill block, kept for the process's life
};

StringPool& Pool() {
    static StringPool* pool = new StringPool;  // never destroyed: see the file comment
    return *pool;
}

char* NewBuffer(const char* text, int length, int capacity) {
    Header* h = Pool().Allocate(capacity);
    h->refCount.store(1, std::memory_order_relaxed);
    h->length = length;
    char* t = TextOf(h);
    if (length > 0) {
        std::memcpy(t, text, static_cast<size_t>(length));
    }
    t[length] = 0;
    return t;
}

int SafeLength(const char* text) {
    const size_t n = std::strlen(text);
    if (n > 0x7FFFFFF0u) {
        throw std::bad_alloc();
    }
    return static_cast<int>(n);
}

int AsciiLower(int c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

}  // namespace

// Construction and assignment

gtString::gtString() noexcept : m_text(g_empty.text) {}

gtString::gtString(const char* text) : m_text(g_empty.text) {
    if (text != nullptr && text[0] != 0) {
        const int n = SafeLength(text);
        m_text = NewBuffer(text, n, n);
    }
}

gtString::gtString(const char* text, int length) : m_text(g_empty.text) {
    if (text != nullptr && length > 0) {
        m_text = NewBuffer(text, length, length);
    }
}

gtString::gtString(const gtString& other) noexcept : m_text(g_empty.text) {
    *this = other;
}

gtString::gtString(gtString&& other) noexcept : m_text(other.m_text) {
    other.m_text = g_empty.text;
}

gtString::~gtString() {
    Release();
}

gtString& gtString::operator=(const gtString& other) noexcept {
    if (other.m_text == m_text) {
        return *this;
    }
    Header* oh = HeaderOf(other.m_text);
    if (other.m_text == g_empty.text) {
        Release();
        return *this;
    }
    if (oh->refCount.load(std::memory_order_relaxed) < 0) {
        // Never-shared buffers are copied deeply.
        char* copy = NewBuffer(other.m_text, oh->length, oh->length);
        Release();
        m_text = copy;
        return *this;
    }
    oh->refCount.fetch_add(1, std::memory_order_relaxed);
    Release();
    m_text = other.m_text;
    return *this;
}

gtString& gtString::operator=(gtString&& other) noexcept {
    if (this != &other) {
        Release();
        m_text = other.m_text;
        other.m_text = g_empty.text;
    }
    return *this;
}

gtString& gtString::operator=(const char* text) {
    if (text == nullptr) {
        Clear();
        return *this;
    }
    Assign(text, SafeLength(text));
    return *this;
}

void gtString::Release() noexcept {
    if (m_text == g_empty.text) {
        return;
    }
    Header* h = HeaderOf(m_text);
    const int32_t count = h->refCount.load(std::memory_order_relaxed);
    if (count < 0 || h->refCount.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        Pool().Free(h);
    }
    m_text = g_empty.text;
}

// Capacity management

int gtString::Length() const noexcept {
    return HeaderOf(m_text)->length;
}
int gtString::Capacity() const noexcept {
    return HeaderOf(m_text)->capacity;
}
int32_t gtString::RefCount() const noexcept {
    return HeaderOf(m_text)->refCount.load(std::memory_order_relaxed);
}

void gtString::Reserve(int capacity) {
    const int length = Length();
    char* copy = NewBuffer(m_text, length, capacity < length ? length : capacity);
    if (m_text != g_empty.text && HeaderOf(m_text)->refCount.load() < 0) {
        HeaderOf(copy)->refCount.store(-1);  // stays unshareable
    }
    Release();
    m_text = copy;
}

void gtString::Unshare(int minCapacity) {
    if (m_text == g_empty.text) {
        if (minCapacity > 0) {
            Reserve(minCapacity);
        }
        return;
    }
    Header* h = HeaderOf(m_text);
    if (h->refCount.load(std::memory_order_acquire) > 1 || h->capacity < minCapacity) {
        Reserve(minCapacity);
    }
}

// Changing operations

void gtString::SetAt(int index, char c) {
    Unshare(Length());
    m_text[index] = c;
}

void gtString::Assign(const char* text, int length) {
    if (length <= 0) {
        Clear();
        return;
    }
    if (m_text != g_empty.text && HeaderOf(m_text)->refCount.load() == 1 &&
        HeaderOf(m_text)->capacity >= length &&
        (text < m_text || text > m_text + HeaderOf(m_text)->capacity)) {
        std::memcpy(m_text, text, static_cast<size_t>(length));
        m_text[length] = 0;
        HeaderOf(m_text)->length = length;
        return;
    }
    char* copy = NewBuffer(text, length, length);
    Release();
    m_text = copy;
}

void gtString::Append(const char* text, int length) {
    if (text == nullptr || length <= 0) {
        return;
    }
    const int old = Length();
    if (static_cast<int64_t>(old) + length > 0x7FFFFFF0) {
        throw std::bad_alloc();
    }
    const int needed = old + length;
    // Growth doubles the capacity so long runs of appends stay linear.
    int capacity = Capacity();
    if (needed > capacity || RefCount() > 1 || m_text == g_empty.text) {
        int wanted = needed;
        if (needed > capacity && capacity > 0 && capacity * 2 > needed && capacity < 0x3FFFFFF8) {
            wanted = capacity * 2;
        }
        // The source may live in our own buffer: copy through a temporary in that case.
        if (text >= m_text && text <= m_text + old) {
            gtString keep(text, length);
            Unshare(wanted);
            std::memcpy(m_text + old, keep.m_text, static_cast<size_t>(length));
        } else {
            Unshare(wanted);
            std::memcpy(m_text + old, text, static_cast<size_t>(length));
        }
    } else {
        std::memmove(m_text + old, text, static_cast<size_t>(length));
    }
    m_text[needed] = 0;
    HeaderOf(m_text)->length = needed;
}

gtString& gtString::operator+=(const gtString& other) {
    if (other.m_text == m_text) {
        gtString copy(other.m_text, other.Length());
        Append(copy.m_text, copy.Length());
    } else {
        Append(other.m_text, other.Length());
    }
    return *this;
}

gtString& gtString::operator+=(const char* text) {
    if (text != nullptr) {
        Append(text, SafeLength(text));
    }
    return *this;
}

gtString& gtString::operator+=(char c) {
    Append(&c, 1);
    return *this;
}

void gtString::Truncate(int length) {
    if (length <= 0) {
        Clear();
        return;
    }
    if (length >= Length()) {
        return;
    }
    Unshare(length);
    m_text[length] = 0;
    HeaderOf(m_text)->length = length;
}

void gtString::Clear() {
    Release();
}

void gtString::ToLower() {
    const int n = Length();
    int i = 0;
    while (i < n && AsciiLower(static_cast<unsigned char>(m_text[i])) == m_text[i]) {
        ++i;
    }
    if (i == n) {
        return;
    }
    Unshare(n);
    for (; i < n; ++i) {
        m_text[i] = static_cast<char>(AsciiLower(static_cast<unsigned char>(m_text[i])));
    }
}

void gtString::Trim() {
    auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    const int n = Length();
    int start = 0;
    int end = n;
    while (start < end && space(m_text[start])) {
        ++start;
    }
    while (end > start && space(m_text[end - 1])) {
        --end;
    }
    if (start == 0 && end == n) {
        return;
    }
    *this = Mid(start, end - start);
}

void gtString::VPrintf(const char* format, va_list args) {
    char buffer[kFormatBufferSize];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    buffer[kFormatBufferSize - 1] = 0;
    *this = buffer;
}

void gtString::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    VPrintf(format, args);
    va_end(args);
}

void gtString::MakeUnshareable() {
    if (m_text == g_empty.text) {
        return;
    }
    Unshare(Length());
    HeaderOf(m_text)->refCount.store(-1);
}

// Derived strings

gtString gtString::Left(int count) const {
    return Mid(0, count);
}

gtString gtString::Mid(int start, int count) const {
    const int n = Length();
    if (start < 0) {
        start = 0;
    }
    if (start >= n) {
        return gtString();
    }
    if (count < 0 || count > n - start) {
        count = n - start;
    }
    if (start == 0 && count == n) {
        return *this;
    }
    return gtString(m_text + start, count);
}

gtString gtString::Lowered() const {
    gtString copy(*this);
    copy.ToLower();
    return copy;
}

int gtString::Find(char c, int from) const noexcept {
    const int n = Length();
    for (int i = from < 0 ? 0 : from; i < n; ++i) {
        if (m_text[i] == c) {
            return i;
        }
    }
    return -1;
}

int gtString::Find(const char* text, int from) const noexcept {
    if (from < 0) {
        from = 0;
    }
    if (from > Length()) {
        return -1;
    }
    const char* hit = std::strstr(m_text + from, text);
    return hit == nullptr ? -1 : static_cast<int>(hit - m_text);
}

int gtString::FindLast(char c) const noexcept {
    for (int i = Length() - 1; i >= 0; --i) {
        if (m_text[i] == c) {
            return i;
        }
    }
    return -1;
}

gtString gtString::VFormat(const char* format, va_list args) {
    gtString s;
    s.VPrintf(format, args);
    return s;
}

gtString gtString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    gtString s = VFormat(format, args);
    va_end(args);
    return s;
}

// Comparison

int gtString::CompareNoCase(const char* a, const char* b) noexcept {
    const unsigned char* pa = reinterpret_cast<const unsigned char*>(a != nullptr ? a : "");
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(b != nullptr ? b : "");
    for (;; ++pa, ++pb) {
        const int ca = AsciiLower(*pa);
        const int cb = AsciiLower(*pb);
        if (ca != cb || ca == 0) {
            return ca - cb;
        }
    }
}

bool gtString::operator==(const gtString& other) const noexcept {
    return m_text == other.m_text ||
           (Length() == other.Length() && std::memcmp(m_text, other.m_text, Length()) == 0);
}

bool gtString::operator==(const char* other) const noexcept {
    return std::strcmp(m_text, other != nullptr ? other : "") == 0;
}

bool gtString::operator<(const gtString& other) const noexcept {
    return std::strcmp(m_text, other.m_text) < 0;
}
