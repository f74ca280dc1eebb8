// gtNumberText: the digit algorithm of decimal number tokens, shared by gtToken (values of
// tokens) and gtLexer (its fast path over plain numbers), so both compute the same bits.
//
// Integer digits accumulate in a wrapping 64-bit integer; fraction digit k adds d * w[k] with
// w[0] = 0.1 and each next weight the previous divided by 10; the exponent saturates at
// 2147483647 and scales by 10^e from repeated squaring (multiplied, or divided when negative).
#pragma once

#include <cstdint>

namespace gtNumberText {

// Weight of the k-th fraction digit: 0.1, then each the previous divided by 10, in double.
// Division is correctly rounded at compile time as at run time, so the table holds exactly
// the weights the loop would compute.
constexpr int kWeightCount = 40;
struct WeightTable {
    double w[kWeightCount];
    constexpr WeightTable() : w() {
        double weight = 0.1;
        for (double& x : w) {
            x = weight;
            weight = weight / 10.0;
        }
    }
};
inline constexpr WeightTable kWeights;

// value * 10^e (negative: divided by it), 10^e from repeated squaring in double.
inline double ScaleByPowerOfTen(double value, bool negative, int e) {
    double r = 1.0;
    double b = 10.0;
    while (e) {
        if (e & 1)
            r *= b;
        b *= b;
        e >>= 1;
    }
    return negative ? value / r : value * r;
}

// Adds the fraction digits from p to value; returns the first character after them.
inline const char* AddFraction(const char* p, double* value) {
    // The weights come from a table of the same divisions done once, so the chain of
    // divisions does not hold up every digit; past the table they are divided on.
    const double* weights = kWeights.w;
    double v = *value;
    int k = 0;
    for (; k < kWeightCount && *p >= '0' && *p <= '9'; ++p, ++k)
        v = v + (double)(*p - '0') * weights[k];
    if (k == kWeightCount) {
        double weight = weights[kWeightCount - 1] / 10.0;
        for (; *p >= '0' && *p <= '9'; ++p) {
            v = v + (double)(*p - '0') * weight;
            weight = weight / 10.0;
        }
    }
    *value = v;
    return p;
}

// The exponent after "e"/"E" at p: sign and digits, saturating at 2147483647.
inline const char* ReadExponent(const char* p, bool* negative, int* exponent) {
    *negative = false;
    if (*p == '+' || *p == '-')
        *negative = *p++ == '-';
    int e = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        int d = *p - '0';
        e = e > (2147483647 - d) / 10 ? 2147483647 : e * 10 + d;
    }
    *exponent = e;
    return p;
}

// One pass over a number token starting at p (a digit, or "." and a digit) that gtLexer would
// read as a plain decimal number with no message: sets *value to the token's GetReal and
// returns the end of the token. Null (value untouched) for "0x", "0b", a second dot and the
// "#" forms, which only the general reading handles.
inline const char* ScanPlainDecimal(const char* p, double* value) {
    if (p[0] == '0' && p[1] != '.') {
        if (p[1] == 'b' || p[1] == 'B' || p[1] == 'x' || p[1] == 'X')
            return nullptr;
        *value = 0.0;
        return p + 1;
    }
    // One pass: the digits and dots ReadNumber collects are integer digits, at most one dot
    // and fraction digits; a second dot right after them is its error.
    uint64_t integer = 0;
    for (; *p >= '0' && *p <= '9'; ++p) integer = integer * 10 + (uint64_t)(*p - '0');
    double v = (double)(int64_t)integer;
    bool real = false;
    if (*p == '.') {
        real = true;
        p = AddFraction(p + 1, &v);
        if (*p == '.')
            return nullptr;
    }
    if (*p == 'e' || *p == 'E') {
        real = true;
        bool negative;
        int e;
        p = ReadExponent(p + 1, &negative, &e);
        v = ScaleByPowerOfTen(v, negative, e);
    }
    if (real && *p == '#')
        return nullptr;
    *value = v;
    return p;
}

}  // namespace gtNumberText
