// UTF-8 and wide-character conversion for the platform layer, written out by hand so that it
// behaves the same on every platform and under every code page: strict on the UTF-8 side (a
// name that is not UTF-8 is refused, never guessed at), lenient on the wide side (the system
// may hand out unpaired surrogates, which become U+FFFD). One pass, O(n).
#include <cstdint>

#include "toolkit/platform/Platform.h"

namespace platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr bool kWideIs16Bit = sizeof(wchar_t) == 2;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendWide(std::wstring& out, char32_t c) {
    if (kWideIs16Bit && c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool Utf8ToWide(std::string_view utf8, std::wstring& wide) {
    wide.clear();
    wide.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            wide += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        // sequence length and the smallest value it may carry (overlong forms are refused)
        size_t length = 0;
        char32_t c = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, c = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, c = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, c = lead & 0x07, smallest = 0x10000;
        } else {
            return false;  // a stray continuation byte or 0xF8..0xFF
        }
        if (utf8.size() - i < length) {
            return false;
        }
        for (size_t k = 1; k < length; ++k) {
            const unsigned char byte = static_cast<unsigned char>(utf8[i + k]);
            if (!IsContinuation(byte)) {
                return false;
            }
            c = (c << 6) | (byte & 0x3F);
        }
        if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            return false;
        }
        AppendWide(wide, c);
        i += length;
    }
    return true;
}

std::string WideToUtf8(std::wstring_view wide) {
    std::string out;
    out.reserve(wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        char32_t c = static_cast<char32_t>(wide[i]);
        if (kWideIs16Bit) {
            c &= 0xFFFF;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < wide.size()) {
            const char32_t low = static_cast<char32_t>(wide[i + 1]) & 0xFFFF;
            if (kWideIs16Bit && low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::vector<std::string> ArgumentsToUtf8(int argc, const wchar_t* const* argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        arguments.push_back(WideToUtf8(argv[i]));
    }
    return arguments;
}

}  // namespace platform
