// InterchangeText: the integer, real and flag readings of element text in interchange files.
//
// The same on every platform, independent of the C runtime and its locale:
// - ParseLong: like atol on a 32-bit long: leading C white space, an optional sign, decimal
//   digits up to the first other character, saturating at -2147483648 and 2147483647; 0 when
//   there are no digits.
// - ParseReal: like atof: the C99 strtod forms (decimal with exponent, hexadecimal floats after
//   0x, inf, infinity, nan and nan(...) ignoring the payload) after leading white space and an
//   optional sign, correctly rounded to double and then rounded to float; 0 when nothing
//   converts.
// - ParseFlag: bytes 0x01 to 0x20 skipped; then "true" (any case) is 1, "false" (any case) is 0,
//   anything else, nothing included, gives the default.
// Each costs one pass over the characters it reads; none allocates.
#pragma once

#include <cstdint>

int32_t ParseLong(const char* text);
float ParseReal(const char* text);
int32_t ParseFlag(const char* text, int32_t defaultValue);
