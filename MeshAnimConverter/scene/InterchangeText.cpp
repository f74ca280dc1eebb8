// InterchangeText: atol, atof and the flag rule over element text.
#include "MeshAnimConverter/scene/InterchangeText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <system_error>

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when `text` begins with `word` (lower case) ignoring ASCII case.
bool StartsWithNoCase(const char* text, const char* word) {
    for (; *word != 0; ++text, ++word) {
        if (Lower(*text) != *word) {
            return false;
        }
    }
    return true;
}

// Reads an optionally signed decimal exponent at p (after 'e' or 'p'); saturates. Leaves p at
// the first character after it. Returns false (p unchanged) when no digit follows.
bool ReadExponent(const char*& p, long long& exponent) {
    const char* q = p;
    bool negative = false;
    if (*q == '+' || *q == '-') {
        negative = *q == '-';
        ++q;
    }
    if (!IsDigit(*q)) {
        return false;
    }
    long long value = 0;
    for (; IsDigit(*q); ++q) {
        if (value < 100000000000LL) {
            value = value * 10 + (*q - '0');
        }
    }
    exponent = negative ? -value : value;
    p = q;
    return true;
}

// The extent of a decimal (or, with `hex`, hexadecimal) significand and exponent starting at p,
// and an estimate of its magnitude (a power of the base, or of 2 for hex) used only to tell
// overflow from underflow when the exact conversion is out of range.
struct NumberSpan {
    const char* end = nullptr;
    bool hasDigits = false;
    long long magnitude = 0;
};

NumberSpan ScanNumber(const char* p, bool hex) {
    NumberSpan span;
    auto isDigit = [hex](char c) { return hex ? IsHexDigit(c) : IsDigit(c); };
    long long leading = 0;  // significant integer digits
    long long fractionZeros = 0;
    bool seenSignificant = false;
    for (; isDigit(*p); ++p) {
        span.hasDigits = true;
        if (*p != '0' || seenSignificant) {
            seenSignificant = true;
            ++leading;
        }
    }
    if (*p == '.') {
        ++p;
        for (; isDigit(*p); ++p) {
            span.hasDigits = true;
            if (!seenSignificant) {
                if (*p == '0') {
                    ++fractionZeros;
                } else {
                    seenSignificant = true;
                }
            }
        }
    }
    if (!span.hasDigits) {
        return span;
    }
    long long exponent = 0;
    if ((!hex && (*p == 'e' || *p == 'E')) || (hex && (*p == 'p' || *p == 'P'))) {
        const char* q = p + 1;
        if (ReadExponent(q, exponent)) {
            p = q;
        }
    }
    span.end = p;
    const long long digitsMagnitude = leading > 0 ? leading : -fractionZeros;
    span.magnitude = hex ? digitsMagnitude * 4 + exponent : digitsMagnitude + exponent;
    return span;
}

// Leading C white space, then an optional sign.
const char* SkipSpaceAndSign(const char* p, bool& negative) {
    while (IsCSpace(*p)) {
        ++p;
    }
    negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    return p;
}

}  // namespace

int32_t ParseLong(const char* text) {
    bool negative = false;
    const char* p = SkipSpaceAndSign(text, negative);
    long long value = 0;
    for (; IsDigit(*p); ++p) {
        if (value <= 2147483648LL) {
            value = value * 10 + (*p - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > 2147483647LL) {
        return 2147483647;
    }
    if (value < -2147483647LL - 1) {
        return -2147483647 - 1;
    }
    return static_cast<int32_t>(value);
}

float ParseReal(const char* text) {
    bool negative = false;
    const char* p = SkipSpaceAndSign(text, negative);
    const double sign = negative ? -1.0 : 1.0;

    if (StartsWithNoCase(p, "inf")) {
        return static_cast<float>(sign * std::numeric_limits<double>::infinity());
    }
    if (StartsWithNoCase(p, "nan")) {
        return static_cast<float>(std::copysign(std::numeric_limits<double>::quiet_NaN(), sign));
    }

    bool hex = false;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        const NumberSpan span = ScanNumber(p + 2, true);
        if (!span.hasDigits) {
            // Only the "0" converts.
            return static_cast<float>(sign * 0.0);
        }
        hex = true;
        p += 2;
    }
    const NumberSpan span = ScanNumber(p, hex);
    if (!span.hasDigits) {
        return 0.0f;  // nothing converts: +0, whatever the sign
    }
    double value = 0.0;
    const std::from_chars_result result = std::from_chars(
        p, span.end, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        value = span.magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return static_cast<float>(sign * value);
}

int32_t ParseFlag(const char* text, int32_t defaultValue) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p >= 0x01 && *p <= 0x20) {
        ++p;
    }
    const char* rest = reinterpret_cast<const char*>(p);
    if (StartsWithNoCase(rest, "true")) {
        return 1;
    }
    if (StartsWithNoCase(rest, "false")) {
        return 0;
    }
    return defaultValue;
}
