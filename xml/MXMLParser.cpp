// MXMLParser: a 32-state machine fed one character at a time (see MXMLParser.h).
//
// ParseChunk decodes UTF-8 by the lead-byte table (continuation bytes are taken as they come),
// counts line and column, and hands each character to Step, which runs the transition of the
// current state and may hand the same character on to the next state. Where a state would only
// append ordinary ASCII characters to a buffer, a run of them is consumed at once: column and
// buffer end up exactly as one-at-a-time processing leaves them, and nothing else happens.
#include "xml/MXMLParser.h"

#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

enum State : int32_t {
    kStart = 0,
    kProlog,
    kTagOpen,
    kElementName,
    kInTag,
    kEmptyTagClose,
    kMarkupDecl,
    kAttrName,
    kAttrNameEnd,
    kAttrEquals,
    kAttrValue,
    kContent,
    kContentTagOpen,
    kReference,
    kEndTagStart,
    kEndTagName,
    kEndTagClose,
    kCDATA1,
    kCDATA2,
    kCDATA3,
    kCDATA4,
    kCDATA5,
    kCDATA6,
    kCDATAText,
    kCDATABracket1,
    kCDATABracket2,
    kCommentStart,
    kCommentText,
    kCommentDash1,
    kCommentDash2,
    kPIText,
    kPIQuestion,
};

constexpr int kOk = 0;
constexpr int kFail = 2;

// ---------------------------------------------------------------------------------------------
// Character classes

// Bits of the class table (ASCII only; bytes 0x80-0xFF have no bits).
constexpr uint8_t kWs = 1;         // tab, LF, CR, space
constexpr uint8_t kNameStart = 2;  // letters, '_', ':'
constexpr uint8_t kNameChar = 4;   // letters, digits, '-', '.', ':', '_'
// "Plain" bits: characters that the state only appends to its buffer. LF is never plain, since
// it moves the line counter.
constexpr uint8_t kPlainContent = 8;   // not '&', '<'
constexpr uint8_t kPlainValue = 16;    // not '"', '&'
constexpr uint8_t kPlainComment = 32;  // not '-'
constexpr uint8_t kPlainCDATA = 64;    // not ']'
constexpr uint8_t kPlainPI = 128;      // not '?'

struct ClassTable {
    uint8_t bits[256];
    constexpr ClassTable() : bits() {
        for (int c = 0; c < 128; ++c) {
            uint8_t b = 0;
            bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            bool digit = c >= '0' && c <= '9';
            if (c == 9 || c == 10 || c == 13 || c == 32)
                b |= kWs;
            if (letter || c == '_' || c == ':')
                b |= kNameStart;
            if (letter || digit || c == '-' || c == '.' || c == ':' || c == '_')
                b |= kNameChar;
            if (c != 10) {
                if (c != '&' && c != '<')
                    b |= kPlainContent;
                if (c != '"' && c != '&')
                    b |= kPlainValue;
                if (c != '-')
                    b |= kPlainComment;
                if (c != ']')
                    b |= kPlainCDATA;
                if (c != '?')
                    b |= kPlainPI;
            }
            bits[c] = b;
        }
    }
};
constexpr ClassTable kClass;

inline bool Is(int32_t c, uint8_t bit) {
    return c >= 0 && c < 128 && (kClass.bits[c] & bit);
}

// Length of a character from its first byte.
inline int LeadLength(unsigned b) {
    if (b < 0xC2)
        return 1;
    if (b < 0xE0)
        return 2;
    if (b < 0xF0)
        return 3;
    if (b < 0xF5)
        return 4;
    return 1;
}

int32_t Decode(const unsigned char* s, int length) {
    switch (length) {
        case 2:
            return (int32_t)(((s[0] & 0x1Fu) << 6) | (s[1] & 0x3Fu));
        case 3:
            return (int32_t)(((s[0] & 0x0Fu) << 12) | ((s[1] & 0x3Fu) << 6) | (s[2] & 0x3Fu));
        default:
            return (int32_t)(((s[0] & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) |
                             ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu));
    }
}

// ---------------------------------------------------------------------------------------------
// Buffers

void* HeapAllocate(size_t size, void*) {
    return std::malloc(size ? size : 1);
}
void HeapRelease(void* block, void*) {
    std::free(block);
}

void InitBuffer(MXMLBuffer& b, const MXMLParser* p) {
    b.data = nullptr;
    b.length = 0;
    b.capacity = 0;
    b.allocate = p->allocate;
    b.release = p->release;
    b.user = p->allocUser;
}

void FreeBuffer(MXMLBuffer& b) {
    if (b.data)
        b.release(b.data, b.user);
    b.data = nullptr;
    b.length = b.capacity = 0;
}

// Grows to at least `needed` bytes: 64 the first time, doubling after that.
void GrowBuffer(MXMLBuffer& b, size_t needed) {
    size_t capacity = b.capacity ? b.capacity : 64;
    while (capacity < needed) capacity *= 2;
    char* data = static_cast<char*>(b.allocate(capacity, b.user));
    if (b.length)
        std::memcpy(data, b.data, b.length);
    if (b.data)
        b.release(b.data, b.user);
    b.data = data;
    b.capacity = capacity;
}

inline void Reserve(MXMLBuffer& b, size_t needed) {
    if (needed > b.capacity)
        GrowBuffer(b, needed);
}

inline void AppendBytes(MXMLBuffer& b, const unsigned char* bytes, size_t n) {
    if (n == 0)
        return;  // nothing to copy, and an unused buffer has no data yet
    Reserve(b, b.length + n);
    std::memcpy(b.data + b.length, bytes, n);
    b.length += n;
}

inline void AppendByte(MXMLBuffer& b, char c) {
    if (b.length + 1 > b.capacity)
        GrowBuffer(b, b.length + 1);
    b.data[b.length++] = c;
}

// Appends a code point in UTF-8. Below 128 (negative values too) one byte, its low 8 bits;
// above 0x10FFFF the replacement character U+FFFD.
void AppendChar(MXMLBuffer& b, int32_t c) {
    if (c < 0x80) {
        AppendByte(b, (char)(c & 0xFF));
        return;
    }
    char out[4];
    int n;
    if (c < 0x800) {
        out[0] = (char)(0xC0 | (c >> 6));
        out[1] = (char)(0x80 | (c & 0x3F));
        n = 2;
    } else if (c < 0x10000 || c > 0x10FFFF) {
        if (c > 0x10FFFF)
            c = 0xFFFD;
        out[0] = (char)(0xE0 | (c >> 12));
        out[1] = (char)(0x80 | ((c >> 6) & 0x3F));
        out[2] = (char)(0x80 | (c & 0x3F));
        n = 3;
    } else {
        out[0] = (char)(0xF0 | (c >> 18));
        out[1] = (char)(0x80 | ((c >> 12) & 0x3F));
        out[2] = (char)(0x80 | ((c >> 6) & 0x3F));
        out[3] = (char)(0x80 | (c & 0x3F));
        n = 4;
    }
    AppendBytes(b, reinterpret_cast<const unsigned char*>(out), (size_t)n);
}

// NUL-terminates without counting the terminator; data is never null afterwards.
inline const char* Terminate(MXMLBuffer& b) {
    Reserve(b, b.length + 1);
    b.data[b.length] = 0;
    return b.data;
}

// ---------------------------------------------------------------------------------------------
// Errors

int Fail(MXMLParser* p, const char* message) {
    std::snprintf(p->error, sizeof p->error, "%s line %d, col %d", message, p->line, p->column);
    return kFail;
}

int FailChar(MXMLParser* p, const char* format, int32_t c) {
    std::snprintf(p->error, sizeof p->error, format, (int)(c & 0xFF), p->line, p->column);
    return kFail;
}

// ---------------------------------------------------------------------------------------------
// Element stack, attributes, callbacks

void Push(MXMLParser* p) {
    if (p->depth == p->stackCapacity) {
        // Grows by 16 entries, or by half for deep documents so depth stays linear in cost.
        int32_t grow = p->stackCapacity / 2 > 16 ? p->stackCapacity / 2 : 16;
        int32_t capacity = p->stackCapacity + grow;
        auto* stack =
            static_cast<uint32_t*>(p->allocate(capacity * sizeof(uint32_t), p->allocUser));
        if (p->depth)
            std::memcpy(stack, p->stack, p->depth * sizeof(uint32_t));
        if (p->stack)
            p->release(p->stack, p->allocUser);
        p->stack = stack;
        p->stackCapacity = capacity;
    }
    p->stack[p->depth++] = 0;
}

void Pop(MXMLParser* p) {
    p->nameIsTop = 0;
    if (--p->depth == 0)
        p->rootClosed = 1;
}

void EndElementName(MXMLParser* p) {
    p->stack[p->depth - 1] = MXMLNameHash(p->name.data, p->name.length);
}

MXMLAttributeRecord& AddAttribute(MXMLParser* p) {
    if (p->attributeCount == p->attributeCapacity) {
        int32_t grow = p->attributeCapacity / 2 > 8 ? p->attributeCapacity / 2 : 8;
        int32_t capacity = p->attributeCapacity + grow;
        auto* records = static_cast<MXMLAttributeRecord*>(
            p->allocate(capacity * sizeof(MXMLAttributeRecord), p->allocUser));
        if (p->attributeCapacity)
            std::memcpy(records, p->attributes, p->attributeCapacity * sizeof(MXMLAttributeRecord));
        for (int32_t i = p->attributeCapacity; i < capacity; ++i) {
            InitBuffer(records[i].name, p);
            InitBuffer(records[i].value, p);
        }
        if (p->attributes)
            p->release(p->attributes, p->allocUser);
        p->attributes = records;
        p->attributeCapacity = capacity;
    }
    MXMLAttributeRecord& r = p->attributes[p->attributeCount++];
    r.name.length = 0;
    r.value.length = 0;
    return r;
}

inline MXMLAttributeRecord& CurrentAttribute(MXMLParser* p) {
    return p->attributes[p->attributeCount - 1];
}

void CallStartElement(MXMLParser* p) {
    if (!p->startElement)
        return;
    int32_t needed = p->attributeCount * 2 + 1;
    if (needed > p->pointerCapacity) {
        int32_t capacity = p->pointerCapacity;
        while (capacity < needed) capacity = capacity * 2 + 1;
        auto* pointers =
            static_cast<const char**>(p->allocate(capacity * sizeof(const char*), p->allocUser));
        p->release(p->attributePointers, p->allocUser);
        p->attributePointers = pointers;
        p->pointerCapacity = capacity;
    }
    for (int32_t i = 0; i < p->attributeCount; ++i) {
        p->attributePointers[2 * i] = Terminate(p->attributes[i].name);
        p->attributePointers[2 * i + 1] = Terminate(p->attributes[i].value);
    }
    p->attributePointers[2 * p->attributeCount] = nullptr;
    p->startElement(p->userData, Terminate(p->name), p->attributePointers);
}

void CallEndElement(MXMLParser* p) {
    if (p->endElement)
        p->endElement(p->userData, Terminate(p->name));
}

void Report(MXMLParser* p, int kind) {
    if (p->characterData)
        p->characterData(p->userData, Terminate(p->text), p->text.length, kind);
}

// Text is reported only when its first byte is not 0.
void ReportText(MXMLParser* p) {
    if (p->text.length && p->text.data[0] != 0)
        Report(p, kMXMLDataText);
}

// ---------------------------------------------------------------------------------------------
// References

inline bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// scanf-like number: leading white space, optional sign, optional 0x prefix (hexadecimal), at
// least one digit. The magnitude saturates, the sign applies, the result is clamped to 32 bits.
bool ScanNumber(const char* s, size_t n, bool hex, int32_t* value) {
    size_t i = 0;
    while (i < n && (s[i] == ' ' || (s[i] >= 9 && s[i] <= 13))) ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (hex && i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        // "0x" without a digit after it still reads the 0.
        if (i + 2 >= n || !IsHexDigit(s[i + 2])) {
            *value = 0;
            return true;
        }
        i += 2;
    }
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; i < n; ++i, ++digits) {
        int d;
        char c = s[i];
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            break;
        }
        magnitude = magnitude * (hex ? 16 : 10) + d;
        if (magnitude > 0xFFFFFFFFll)
            magnitude = 0x100000000ll;  // saturate
    }
    if (!digits)
        return false;
    int64_t v = negative ? -magnitude : magnitude;
    if (v > INT32_MAX)
        v = INT32_MAX;
    if (v < INT32_MIN)
        v = INT32_MIN;
    *value = (int32_t)v;
    return true;
}

bool NameIs(const MXMLBuffer& b, const char* name) {
    size_t n = std::strlen(name);
    return b.length == n && std::memcmp(b.data, name, n) == 0;
}

// Resolves the reference buffer to a character, or fails with the message.
int ResolveReference(MXMLParser* p, int32_t* c) {
    const MXMLBuffer& r = p->reference;
    if (r.length && r.data[0] == '#') {
        bool ok = r.length > 1 && r.data[1] == 'x' ? ScanNumber(r.data + 2, r.length - 2, true, c)
                                                   : ScanNumber(r.data + 1, r.length - 1, false, c);
        // A value of 0 is no character.
        if (!ok || *c == 0)
            return Fail(p, "invalid character escape  sequence");
        return kOk;
    }
    static const struct {
        const char* name;
        int32_t c;
    } kNamed[] = {{"apos", '\''}, {"amp", '&'}, {"gt", '>'}, {"lt", '<'}, {"quot", '"'}};
    for (const auto& e : kNamed) {
        if (NameIs(r, e.name)) {
            *c = e.c;
            return kOk;
        }
    }
    return Fail(p, "unrecognized escape sequence");
}

// ---------------------------------------------------------------------------------------------
// Transitions

inline bool ElementOpen(const MXMLParser* p) {
    return p->depth > 0;
}

// A state the phases do not know.
int InternalError(MXMLParser* p) {
    std::snprintf(p->error, sizeof p->error, "internal error");
    return kFail;
}

// Returned by a phase when the character is to be taken again in the state it moved to.
constexpr int kAgain = 1;

// The document before and between elements: the byte order mark, blanks, the first '<'.
int StepProlog(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kStart:
            p->text.length = 0;
            p->state = kProlog;
            if (c == 0xFEFF)
                return kOk;
            return kAgain;

        case kProlog:
            if (Is(c, kWs)) {
                AppendByte(p->text, (char)c);
                return kOk;
            }
            if (c == '<') {
                ReportText(p);
                p->state = kTagOpen;
                return kOk;
            }
            return Fail(p, "expecting '<'");
        default:
            return InternalError(p);
    }
}

// The '<' of a tag and a start tag's name.
int StepTagOpen(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kTagOpen:
            p->name.length = 0;
            p->nameIsTop = 0;
            p->attributeCount = 0;
            if (c == '!') {
                p->text.length = 0;
                p->state = kMarkupDecl;
                return kOk;
            }
            if (c == '?') {
                p->text.length = 0;
                p->state = kPIText;
                return kOk;
            }
            if (Is(c, kNameStart)) {
                if (p->rootClosed)
                    return Fail(p, "already parsed document root element");
                Push(p);
                AppendByte(p->name, (char)c);
                p->state = kElementName;
                return kOk;
            }
            return FailChar(p, "invalid name start '%c' line %d, col %d", c);

        case kElementName:
            if (Is(c, kNameChar)) {
                AppendByte(p->name, (char)c);
                return kOk;
            }
            if (Is(c, kWs)) {
                EndElementName(p);
                p->state = kInTag;
                return kOk;
            }
            if (c == '/' || c == '>') {
                EndElementName(p);
                p->state = kInTag;
                return kAgain;
            }
            return FailChar(p, "unexpected character '%c' line %d, col %d", c);
        default:
            return InternalError(p);
    }
}

// Inside a start tag: blanks, the start of each attribute, the close ('>' or "/>").
int StepInTag(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kInTag:
            if (Is(c, kWs))
                return kOk;
            if (c == '/') {
                p->state = kEmptyTagClose;
                return kOk;
            }
            if (Is(c, kNameStart)) {
                AppendByte(AddAttribute(p).name, (char)c);
                p->state = kAttrName;
                return kOk;
            }
            if (c == '>') {
                CallStartElement(p);
                p->text.length = 0;
                p->state = kContent;
                p->nameIsTop = 1;
                return kOk;
            }
            return FailChar(p, "unexpected character '%c' line %d, col %d", c);

        case kEmptyTagClose:
            if (c == '>') {
                CallStartElement(p);
                CallEndElement(p);
                p->text.length = 0;
                Pop(p);
                p->state = ElementOpen(p) ? kContent : kProlog;
                return kOk;
            }
            return Fail(p, "expecting '>'");
        default:
            return InternalError(p);
    }
}

// An attribute: its name, the '=', its quoted value.
int StepAttribute(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kAttrName:
            if (Is(c, kNameChar)) {
                AppendByte(CurrentAttribute(p).name, (char)c);
                return kOk;
            }
            if (Is(c, kWs)) {
                p->state = kAttrNameEnd;
                return kOk;
            }
            if (c == '=') {
                p->state = kAttrEquals;
                return kOk;
            }
            return Fail(p, "expecting '='");

        case kAttrNameEnd:
            if (Is(c, kWs))
                return kOk;
            if (c == '=') {
                p->state = kAttrEquals;
                return kOk;
            }
            return Fail(p, "expecting '='");

        case kAttrEquals:
            if (Is(c, kWs))
                return kOk;
            if (c == '"') {
                p->state = kAttrValue;
                return kOk;
            }
            return Fail(p, "expecting '\"'");

        case kAttrValue:
            if (c == '"') {
                p->state = kInTag;
                return kOk;
            }
            if (c == '&') {
                p->reference.length = 0;
                p->returnState = kAttrValue;
                p->state = kReference;
                return kOk;
            }
            AppendChar(CurrentAttribute(p).value, c);
            return kOk;
        default:
            return InternalError(p);
    }
}

// Element content: text, references, the '<' that opens a tag.
int StepContent(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kContent:
            if (c == '&') {
                p->reference.length = 0;
                p->returnState = kContent;
                p->state = kReference;
                return kOk;
            }
            if (c == '<') {
                ReportText(p);
                p->state = kContentTagOpen;
                return kOk;
            }
            AppendChar(p->text, c);
            return kOk;

        case kContentTagOpen:
            if (c == '/') {
                p->state = kEndTagStart;
                return kOk;
            }
            p->state = kTagOpen;
            return kAgain;

        case kReference:
            if (c == ';') {
                int32_t resolved;
                if (ResolveReference(p, &resolved) != kOk)
                    return kFail;
                if (p->returnState == kAttrValue) {
                    AppendChar(CurrentAttribute(p).value, resolved);
                } else {
                    AppendChar(p->text, resolved);
                }
                p->state = p->returnState;
                return kOk;
            }
            AppendChar(p->reference, c);
            return kOk;
        default:
            return InternalError(p);
    }
}

// An end tag: its name, checked against the open element, and its close.
int StepEndTag(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kEndTagStart:
            p->name.length = 0;
            p->nameIsTop = 0;
            if (Is(c, kNameStart)) {
                AppendByte(p->name, (char)c);
                p->state = kEndTagName;
                return kOk;
            }
            return FailChar(p, "unexpected char '%c' line %d, col %d", c);

        case kEndTagName:
            if (Is(c, kNameChar)) {
                AppendByte(p->name, (char)c);
                return kOk;
            }
            if (!ElementOpen(p) ||
                MXMLNameHash(p->name.data, p->name.length) != p->stack[p->depth - 1]) {
                return Fail(p, "end tag does not match start tag,");
            }
            p->state = kEndTagClose;
            return kAgain;

        case kEndTagClose:
            if (Is(c, kWs))
                return kOk;
            if (c == '>') {
                CallEndElement(p);
                p->text.length = 0;
                Pop(p);
                p->state = ElementOpen(p) ? kContent : kProlog;
                return kOk;
            }
            return FailChar(p, "unexpected char '%c' line %d, col %d", c);
        default:
            return InternalError(p);
    }
}

// "<!" declarations and CDATA sections.
int StepCData(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kMarkupDecl:
            if (c == '-') {
                p->state = kCommentStart;
                return kOk;
            }
            if (c == '[') {
                if (!ElementOpen(p))
                    return Fail(p, "expecting element");
                p->state = kCDATA1;
                return kOk;
            }
            return Fail(p, "expecting '-' or '['");

        case kCDATA1:
        case kCDATA2:
        case kCDATA3:
        case kCDATA4:
        case kCDATA5:
        case kCDATA6:
            if (c != "CDATA["[p->state - kCDATA1])
                return Fail(p, "invalid CDATA");
            p->state = p->state == kCDATA6 ? kCDATAText : p->state + 1;
            return kOk;

        case kCDATAText:
            if (c == ']') {
                p->state = kCDATABracket1;
                return kOk;
            }
            AppendChar(p->text, c);
            return kOk;

        case kCDATABracket1:
            if (c == ']') {
                p->state = kCDATABracket2;
                return kOk;
            }
            AppendByte(p->text, ']');
            AppendChar(p->text, c);
            p->state = kCDATAText;
            return kOk;

        case kCDATABracket2:
            if (c == '>') {
                Report(p, kMXMLDataCDATA);
                p->text.length = 0;
                p->state = kContent;
                return kOk;
            }
            AppendByte(p->text, ']');
            AppendByte(p->text, ']');
            AppendChar(p->text, c);
            p->state = kCDATAText;
            return kOk;
        default:
            return InternalError(p);
    }
}

// Comments.
int StepComment(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kCommentStart:
            if (c == '-') {
                p->state = kCommentText;
                return kOk;
            }
            return Fail(p, "expecting '-'");

        case kCommentText:
            if (c == '-') {
                p->state = kCommentDash1;
                return kOk;
            }
            AppendChar(p->text, c);
            return kOk;

        case kCommentDash1:
            if (c == '-') {
                p->state = kCommentDash2;
                return kOk;
            }
            AppendByte(p->text, '-');
            AppendChar(p->text, c);
            p->state = kCommentText;
            return kOk;

        case kCommentDash2:
            if (c == '>') {
                Report(p, kMXMLDataComment);
                p->text.length = 0;
                p->state = ElementOpen(p) ? kContent : kProlog;
                return kOk;
            }
            AppendByte(p->text, '-');
            AppendByte(p->text, '-');
            AppendChar(p->text, c);
            p->state = kCommentText;
            return kOk;
        default:
            return InternalError(p);
    }
}

// "<?" processing instructions.
int StepProcessingInstruction(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kPIText:
            if (c == '?') {
                p->state = kPIQuestion;
                return kOk;
            }
            AppendChar(p->text, c);
            return kOk;

        case kPIQuestion:
            if (c == '>') {
                Report(p, kMXMLDataDeclaration);
                p->text.length = 0;
                p->state = ElementOpen(p) ? kContent : kProlog;
                return kOk;
            }
            AppendByte(p->text, '?');
            AppendChar(p->text, c);
            p->state = kPIText;
            return kOk;
        default:
            return InternalError(p);
    }
}

// The phase a state belongs to.
int StepPhase(MXMLParser* p, int32_t c) {
    switch (p->state) {
        case kStart:
        case kProlog:
            return StepProlog(p, c);
        case kTagOpen:
        case kElementName:
            return StepTagOpen(p, c);
        case kInTag:
        case kEmptyTagClose:
            return StepInTag(p, c);
        case kAttrName:
        case kAttrNameEnd:
        case kAttrEquals:
        case kAttrValue:
            return StepAttribute(p, c);
        case kContent:
        case kContentTagOpen:
        case kReference:
            return StepContent(p, c);
        case kEndTagStart:
        case kEndTagName:
        case kEndTagClose:
            return StepEndTag(p, c);
        case kPIText:
        case kPIQuestion:
            return StepProcessingInstruction(p, c);
        case kMarkupDecl:
        case kCDATA1:
        case kCDATA2:
        case kCDATA3:
        case kCDATA4:
        case kCDATA5:
        case kCDATA6:
        case kCDATAText:
        case kCDATABracket1:
        case kCDATABracket2:
            return StepCData(p, c);
        case kCommentStart:
        case kCommentText:
        case kCommentDash1:
        case kCommentDash2:
            return StepComment(p, c);
        default:
            return InternalError(p);
    }
}

// One character in the current state; a phase that moves to a state which must see the same
// character again says so, and the character goes round once more.
int Step(MXMLParser* p, int32_t c) {
    for (;;) {
        const int result = StepPhase(p, c);
        if (result != kAgain) {
            return result;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Runs of ordinary characters

// The buffer a state appends plain characters to and the class bit of those characters, or
// null when the state has no run to take.
MXMLBuffer* RunTarget(MXMLParser* p, uint8_t* bit) {
    switch (p->state) {
        case kContent:
            *bit = kPlainContent;
            return &p->text;
        case kAttrValue:
            *bit = kPlainValue;
            return &CurrentAttribute(p).value;
        case kElementName:
        case kEndTagName:
            *bit = kNameChar;
            return &p->name;
        case kAttrName:
            *bit = kNameChar;
            return &CurrentAttribute(p).name;
        case kCommentText:
            *bit = kPlainComment;
            return &p->text;
        case kCDATAText:
            *bit = kPlainCDATA;
            return &p->text;
        case kPIText:
            *bit = kPlainPI;
            return &p->text;
        default:
            return nullptr;
    }
}

// The characters besides LF and the bytes 0x80-0xFF that end a run of a "plain" class.
inline void PlainStops(uint8_t bit, unsigned* a, unsigned* b) {
    switch (bit) {
        case kPlainContent:
            *a = '&';
            *b = '<';
            return;
        case kPlainValue:
            *a = '"';
            *b = '&';
            return;
        case kPlainComment:
            *a = *b = '-';
            return;
        case kPlainCDATA:
            *a = *b = ']';
            return;
        default:
            *a = *b = '?';
            return;
    }
}

// Marks (bit 7 of each byte) the zero bytes of v; a byte above a marked one may be marked
// wrongly, never one below, so the lowest mark is exact.
inline uint64_t ZeroBytes(uint64_t v) {
    return (v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull;
}

// The end of the run of characters of class `bit` from i: the first position whose byte lacks
// the bit, or `end`. Plain classes are scanned eight bytes at a time on little-endian
// machines; the result is the same as byte by byte.
inline size_t ScanRun(const unsigned char* s, size_t i, size_t end, uint8_t bit) {
    if constexpr (std::endian::native == std::endian::little) {
        if (bit != kNameChar) {
            unsigned a, b;
            PlainStops(bit, &a, &b);
            const uint64_t ones = 0x0101010101010101ull;
            const uint64_t lf = ones * '\n', ca = ones * a, cb = ones * b;
            while (i + 8 <= end) {
                uint64_t x;
                std::memcpy(&x, s + i, 8);
                uint64_t m = (x & 0x8080808080808080ull) | ZeroBytes(x ^ lf) | ZeroBytes(x ^ ca) |
                             ZeroBytes(x ^ cb);
                if (m)
                    return i + (size_t)(std::countr_zero(m) >> 3);
                i += 8;
            }
        }
    }
    const uint8_t* t = kClass.bits;
    while (i + 4 <= end) {
        if (!(t[s[i]] & bit))
            return i;
        if (!(t[s[i + 1]] & bit))
            return i + 1;
        if (!(t[s[i + 2]] & bit))
            return i + 2;
        if (!(t[s[i + 3]] & bit))
            return i + 3;
        i += 4;
    }
    while (i < end && (t[s[i]] & bit)) ++i;
    return i;
}

inline int32_t Wrap(int32_t v, uint32_t add) {
    return (int32_t)((uint32_t)v + add);
}

inline bool IsBlankNoLineFeed(unsigned c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Content with whole simple tags at once: text runs and line feeds, end tags "</name>", and
// start tags "<name attr="value" ...>" or ".../>" whose attribute values hold only plain ASCII
// (no reference, no line feed). Anything else, and any tag not complete within the chunk,
// stops the path before it has changed anything, and the character-by-character path takes
// over at that '<'. A handled tag leaves exactly the state, buffers, stack, counters and
// callbacks that its characters one at a time would. Returns the new position.
size_t FastContent(MXMLParser* p, const unsigned char* s, size_t pos, size_t size) {
    const uint8_t* t = kClass.bits;
    while (pos < size) {
        size_t end = ScanRun(s, pos, size, kPlainContent);
        if (end > pos) {
            AppendBytes(p->text, s + pos, end - pos);
            p->column = Wrap(p->column, (uint32_t)(end - pos));
            pos = end;
            if (pos == size)
                break;
        }
        unsigned b = s[pos];
        if (b == '\n') {
            AppendByte(p->text, '\n');
            p->line = Wrap(p->line, 1);
            p->column = 1;
            ++pos;
            continue;
        }
        if (b != '<' || pos + 1 >= size)
            break;
        unsigned b1 = s[pos + 1];
        if (b1 == '/') {
            size_t q = pos + 2;
            if (q >= size || !(t[s[q]] & kNameStart))
                break;
            size_t r = ScanRun(s, q + 1, size, kNameChar);
            if (r >= size || s[r] != '>')
                break;
            // Equal bytes have equal hashes: a leaf's end tag needs no hashing.
            bool same = p->nameIsTop && p->name.length == r - q &&
                        std::memcmp(p->name.data, s + q, r - q) == 0;
            if (!same && MXMLNameHash(reinterpret_cast<const char*>(s + q), r - q) !=
                             p->stack[p->depth - 1]) {
                break;
            }
            ReportText(p);
            if (!same) {
                p->name.length = 0;
                AppendBytes(p->name, s + q, r - q);
            }
            p->column = Wrap(p->column, (uint32_t)(r + 1 - pos));
            CallEndElement(p);
            p->text.length = 0;
            Pop(p);
            pos = r + 1;
            if (!ElementOpen(p)) {
                p->state = kProlog;
                break;
            }
            continue;
        }
        if (!(t[b1] & kNameStart))
            break;
        size_t nameEnd = ScanRun(s, pos + 2, size, kNameChar);
        // Attributes go straight into the records; if the tag is not taken, the slow path's
        // TagOpen resets them anyway.
        p->attributeCount = 0;
        size_t q = nameEnd;
        bool taken = false, empty = false;
        for (;;) {
            while (q < size && IsBlankNoLineFeed(s[q])) ++q;
            if (q >= size)
                break;
            unsigned c = s[q];
            if (c == '>') {
                taken = true;
                ++q;
                break;
            }
            if (c == '/') {
                if (q + 1 < size && s[q + 1] == '>') {
                    taken = empty = true;
                    q += 2;
                }
                break;
            }
            if (!(t[c] & kNameStart))
                break;
            size_t attributeName = q;
            q = ScanRun(s, q + 1, size, kNameChar);
            size_t attributeNameEnd = q;
            while (q < size && IsBlankNoLineFeed(s[q])) ++q;
            if (q >= size || s[q] != '=')
                break;
            ++q;
            while (q < size && IsBlankNoLineFeed(s[q])) ++q;
            if (q >= size || s[q] != '"')
                break;
            size_t value = ++q;
            q = ScanRun(s, q, size, kPlainValue);
            if (q >= size || s[q] != '"')
                break;
            MXMLAttributeRecord& a = AddAttribute(p);
            AppendBytes(a.name, s + attributeName, attributeNameEnd - attributeName);
            AppendBytes(a.value, s + value, q - value);
            ++q;
        }
        if (!taken)
            break;
        ReportText(p);
        p->name.length = 0;
        AppendBytes(p->name, s + pos + 1, nameEnd - pos - 1);
        Push(p);
        EndElementName(p);
        p->column = Wrap(p->column, (uint32_t)(q - pos));
        CallStartElement(p);
        p->text.length = 0;
        p->nameIsTop = 1;
        pos = q;
        if (empty) {
            CallEndElement(p);
            Pop(p);
            if (!ElementOpen(p)) {
                p->state = kProlog;
                break;
            }
        }
    }
    return pos;
}

}  // namespace

// =============================================================================================
// Entry points

// Four bytes at a time: h * 131^4 + c0 * 131^3 + c1 * 131^2 + c2 * 131 + c3 is the same sum
// modulo 2^32 as four single steps, with a shorter dependency chain.
namespace {
// Each byte as the hash adds it: lowered by 0x20 when bits 0x40 and 0x20 are both set, then
// taken as a signed 8-bit value.
struct FoldTable {
    uint32_t value[256];
    constexpr FoldTable() : value() {
        for (unsigned b = 0; b < 256; ++b) {
            unsigned f = (b & 0x60) == 0x60 ? b - 0x20 : b;
            value[b] = (uint32_t)(int32_t)(int8_t)(uint8_t)f;
        }
    }
};
constexpr FoldTable kFold;
}  // namespace

uint32_t MXMLNameHash(const char* name, size_t length) {
    auto fold = [](char c) -> uint32_t { return kFold.value[(unsigned char)c]; };
    uint32_t hash = 0;
    size_t i = 0;
    for (; i + 4 <= length; i += 4) {
        hash = hash * 294499921u + fold(name[i]) * 2248091u + fold(name[i + 1]) * 17161u +
               fold(name[i + 2]) * 131u + fold(name[i + 3]);
    }
    for (; i < length; ++i) hash = hash * 131u + fold(name[i]);
    return hash;
}

MXMLParser* CreateParser(MXMLReleaseFn release, MXMLAllocFn allocate, void* user) {
    if (!release || !allocate) {
        release = HeapRelease;
        allocate = HeapAllocate;
        user = nullptr;
    }
    auto* p = static_cast<MXMLParser*>(allocate(sizeof(MXMLParser), user));
    std::memset(p, 0, sizeof *p);
    p->allocate = allocate;
    p->release = release;
    p->allocUser = user;
    p->attributePointers = static_cast<const char**>(allocate(sizeof(const char*), user));
    p->pointerCapacity = 1;
    InitBuffer(p->text, p);
    InitBuffer(p->reference, p);
    InitBuffer(p->name, p);
    p->line = 1;
    p->column = 1;
    p->state = kStart;
    return p;
}

int ParseChunk(MXMLParser* p, const char* bytes, size_t size, bool final) {
    if (p->failed)
        return kMXMLError;
    const auto* s = reinterpret_cast<const unsigned char*>(bytes);
    p->chunk = s;
    p->size = size;
    size_t pos = 0;
    while (pos < size) {
        int32_t c;
        if (p->pendingCount == 0) {
            if (!p->oneAtATime) {
                if (p->state == kContent) {
                    pos = FastContent(p, s, pos, size);
                    if (pos == size)
                        break;
                }
                uint8_t bit;
                if (MXMLBuffer* target = RunTarget(p, &bit)) {
                    size_t end = ScanRun(s, pos, size, bit);
                    if (end > pos) {
                        AppendBytes(*target, s + pos, end - pos);
                        p->column = Wrap(p->column, (uint32_t)(end - pos));
                        pos = end;
                        if (pos == size)
                            break;
                    }
                }
            }
            unsigned b = s[pos++];
            int length = LeadLength(b);
            if (length == 1) {
                c = (int32_t)b;
            } else {
                p->pending[0] = (unsigned char)b;
                p->pendingLength = length;
                p->pendingCount = 1;
                continue;
            }
        } else {
            p->pending[p->pendingCount++] = s[pos++];
            if (p->pendingCount < p->pendingLength)
                continue;
            c = Decode(p->pending, p->pendingLength);
            p->pendingCount = 0;
        }
        if (c == 10) {
            p->line = Wrap(p->line, 1);
            p->column = 1;
        } else {
            p->column = Wrap(p->column, 1);
        }
        if (Step(p, c) != kOk) {
            p->position = pos;
            p->failed = 1;
            return kMXMLError;
        }
    }
    p->position = pos;
    if (!final)
        return kMXMLNeedMore;
    if (p->rootClosed)
        return kMXMLFinished;
    Fail(p, "expecting '<'");
    p->failed = 1;
    return kMXMLError;
}

const char* ParserErrorText(const MXMLParser* p) {
    return p->error;
}

void DestroyParser(MXMLParser* p) {
    if (!p)
        return;
    MXMLReleaseFn release = p->release;
    void* user = p->allocUser;
    if (p->stack)
        release(p->stack, user);
    FreeBuffer(p->text);
    FreeBuffer(p->reference);
    FreeBuffer(p->name);
    for (int32_t i = 0; i < p->attributeCapacity; ++i) {
        FreeBuffer(p->attributes[i].name);
        FreeBuffer(p->attributes[i].value);
    }
    if (p->attributes)
        release(p->attributes, user);
    if (p->attributePointers)
        release(p->attributePointers, user);
    release(p, user);
}
