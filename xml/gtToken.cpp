// gtToken: text growth, the process-wide text pool and the number values (see gtToken.h).
#include "xml/gtToken.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "xml/gtBlockPool.h"
#include "xml/gtNumberText.h"

// =============================================================================================
// Token text pool

namespace {

struct TokenPool {
    std::mutex lock;
    gtBlockPool pool;
    bool alive = true;
};

// The pool record itself is never freed, so a token destroyed during process exit after the
// pool's pages are gone finds it and does nothing.
TokenPool& Pool() {
    static TokenPool* pool = new TokenPool;
    struct Reaper {
        ~Reaper() {
            std::lock_guard<std::mutex> guard(pool->lock);
            pool->pool.FreeAll();
            pool->alive = false;
        }
    };
    static Reaper reaper;
    return *pool;
}

}  // namespace

void* gtTokenPool::Allocate(int size) {
    TokenPool& p = Pool();
    std::lock_guard<std::mutex> guard(p.lock);
    if (!p.alive)
        return ::operator new((size_t)size);  // only after exit began: leaked
    return p.pool.Allocate((size_t)size);
}

void gtTokenPool::Release(void* block) {
    TokenPool& p = Pool();
    std::lock_guard<std::mutex> guard(p.lock);
    if (p.alive)
        p.pool.Release(block);
}

int gtTokenPool::PageCount() {
    TokenPool& p = Pool();
    std::lock_guard<std::mutex> guard(p.lock);
    return p.pool.PageCount();
}

// =============================================================================================
// Text

gtToken::gtToken() {
    m_text = static_cast<char*>(gtTokenPool::Allocate(kInitialCapacity));
    m_capacity = kInitialCapacity;
    m_text[0] = 0;
}

gtToken::gtToken(const gtToken& other)
    : kind(other.kind),
      subtype(other.subtype),
      integerValue(other.integerValue),
      realValue(other.realValue),
      position(other.position),
      line(other.line) {
    // A copy gets the smaller of the source capacity and the source length + 1.
    int capacity = other.m_capacity < other.m_length + 1 ? other.m_capacity : other.m_length + 1;
    m_text = static_cast<char*>(gtTokenPool::Allocate(capacity));
    m_capacity = capacity;
    m_length = other.m_length;
    std::memcpy(m_text, other.m_text, (size_t)m_length + 1);
}

gtToken& gtToken::operator=(const gtToken& other) {
    if (this != &other) {
        gtToken copy(other);
        std::swap(m_text, copy.m_text);
        std::swap(m_length, copy.m_length);
        std::swap(m_capacity, copy.m_capacity);
        kind = other.kind;
        subtype = other.subtype;
        integerValue = other.integerValue;
        realValue = other.realValue;
        position = other.position;
        line = other.line;
    }
    return *this;
}

gtToken::~gtToken() {
    gtTokenPool::Release(m_text);
}

bool gtToken::Is(const char* text) const {
    return std::strcmp(m_text, text) == 0;
}

void gtToken::Reset() {
    kind = kNone;
    subtype = 0;
    integerValue = 0;
    realValue = 0.0;
    m_length = 0;
    m_text[0] = 0;
}

void gtToken::Append(char c) {
    if (m_length + 2 >= m_capacity) {
        int quarter = m_capacity / 4;
        if (quarter < 32)
            quarter = 32;
        if (quarter > 1024)
            quarter = 1024;
        int capacity = m_capacity + quarter;
        if (capacity <= m_length + 2)
            capacity = m_length + 3;
        auto* text = static_cast<char*>(gtTokenPool::Allocate(capacity));
        std::memcpy(text, m_text, (size_t)m_length + 1);
        gtTokenPool::Release(m_text);
        m_text = text;
        m_capacity = capacity;
    }
    m_text[m_length++] = c;
    m_text[m_length] = 0;
}

// =============================================================================================
// Number values

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// Wrapping accumulation of digits below `base` from `s`; stops at the first other character.
int64_t Accumulate(const char* s, unsigned base, const char** end) {
    uint64_t v = 0;
    for (; DigitValue(*s) < (int)base; ++s) v = v * base + (uint64_t)DigitValue(*s);
    if (end)
        *end = s;
    return (int64_t)v;
}

double FromBits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

int64_t Truncate(double v) {
    if (v >= -9223372036854775808.0 && v < 9223372036854775808.0)
        return (int64_t)v;
    return std::numeric_limits<int64_t>::min();
}

using namespace gtNumberText;

double DecimalReal(const char* s) {
    const char* p;
    double value = (double)Accumulate(s, 10, &p);
    if (*p == '.')
        p = AddFraction(p + 1, &value);
    if (*p == 'e' || *p == 'E') {
        bool negative;
        int e;
        ReadExponent(p + 1, &negative, &e);
        value = ScaleByPowerOfTen(value, negative, e);
    }
    return value;
}

}  // namespace

void gtToken::ComputeValue() {
    if (kind != kNumber || (subtype & kValueComputed))
        return;
    if (subtype & kInfinity) {
        realValue = std::numeric_limits<double>::infinity();
        integerValue = Truncate(realValue);
    } else if (subtype & kIndefinite) {
        realValue = FromBits(0xfff8000000000000ull);
        integerValue = Truncate(realValue);
    } else if (subtype & kNotANumber) {
        realValue = FromBits(0x7ff8000000000000ull);
        integerValue = Truncate(realValue);
    } else if (subtype & kReal) {
        realValue = DecimalReal(m_text);
        integerValue = Truncate(realValue);
    } else {
        unsigned base = (subtype & kHexadecimal) ? 16 : (subtype & kBinary) ? 2 : 10;
        const char* digits = (subtype & (kHexadecimal | kBinary)) ? m_text + 2 : m_text;
        integerValue = Accumulate(digits, base, nullptr);
        realValue = (double)integerValue;
    }
    subtype |= kValueComputed;
}

int64_t gtToken::GetInteger() {
    ComputeValue();
    return integerValue;
}

double gtToken::GetReal() {
    ComputeValue();
    return realValue;
}
