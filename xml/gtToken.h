// gtToken: one token read by gtLexer, with its text and its number value.
//
// The text is owned, NUL-terminated and growable; its blocks come from one process-wide block
// pool guarded by a lock (created on first use, freed at process exit). A new token starts
// with a 32-byte block; a text of length n in a block of c bytes grows, when n + 2 >= c, to
// c + clamp(c / 4, 32, 1024) bytes (n + 3 if that is still not more than n + 2).
//
// Number values are computed on first request (subtype bit kValueComputed):
//   integers (decimal, "0x" hexadecimal, "0b" base 2): digits accumulate in a wrapping signed
//     64-bit integer; the real value is that integer;
//   decimal reals: the integer digits as above, converted to double; then each fraction digit
//     d adds d * w (w = 0.1, each next w the previous divided by 10); then the value is
//     multiplied (positive exponent) or divided (negative) by 10^e from repeated squaring, the
//     exponent saturating at 2147483647; the integer value is the truncation (out of range or
//     not a number: INT64_MIN, as the reference processor's conversion gives);
//   "#INF" +infinity, "#IND" the negative quiet NaN 0xfff8000000000000, "#NAN", "#QNAN",
//     "#SNAN" the quiet NaN 0x7ff8000000000000.
#pragma once

#include <cstdint>

class gtToken {
public:
    enum Kind { kNone = 0, kNumber = 1, kString = 2, kName = 3, kPunctuation = 4 };
    // Number subtype bits.
    enum NumberFlags {
        kValueComputed = 1,
        kInteger = 2,
        kReal = 4,
        kDecimal = 8,
        kHexadecimal = 16,
        kBinary = 32,
        kInfinity = 64,
        kIndefinite = 128,
        kNotANumber = 256,
    };
    static constexpr int kInitialCapacity = 32;

    gtToken();
    gtToken(const gtToken& other);
    gtToken& operator=(const gtToken& other);
    ~gtToken();

    const char* Text() const { return m_text; }
    int Length() const { return m_length; }
    int Capacity() const { return m_capacity; }
    bool Is(const char* text) const;  // text equal to
    bool IsPunctuation(int id) const { return kind == kPunctuation && subtype == id; }

    // Clears text, kind, subtype and values (the block is kept).
    void Reset();
    void Append(char c);

    // Number values (0 for other kinds).
    int64_t GetInteger();
    double GetReal();

    int kind = kNone;
    int subtype = 0;
    int64_t integerValue = 0;
    double realValue = 0.0;
    int position = 0;  // offset of the first character in the input
    int line = 0;

private:
    void ComputeValue();

    char* m_text;
    int m_length = 0;
    int m_capacity = 0;
};

// The lock-guarded process-wide pool of token texts.
namespace gtTokenPool {
void* Allocate(int size);
void Release(void* block);
// Pages currently held (tests).
int PageCount();
}  // namespace gtTokenPool
