// MXMLParser: the incremental XML tokenizer under the document classes.
//
// Turns UTF-8 bytes into callbacks: element start (with its attribute pairs), element end, and
// character data of four kinds (declaration, comment, text, CDATA). It is fed chunks of any
// size and keeps its whole state between them, so a boundary may fall anywhere, even inside a
// multi-byte character; callbacks fire while the chunk that completes their markup is parsed.
// It builds no tree. The first error stops the parse with a message carrying line and column.
//
// Usage:
//   MXMLParser* p = CreateParser(release, allocate, user);   // both callbacks null: the heap
//   p->startElement = ...; p->endElement = ...; p->characterData = ...; p->userData = ...;
//   int r;  // 0 finished, 1 needs more input, 2 error (ParserErrorText(p) says why)
//   do { r = ParseChunk(p, bytes, n, isLast); } while (r == 1 && more);
//   DestroyParser(p);
//
// Cost: one pass over the bytes; runs of ordinary ASCII characters inside text, names, values,
// comments and CDATA are consumed at once with exactly the results of one at a time.
#pragma once

#include <cstddef>
#include <cstdint>

// Allocation callbacks shared by the parser and the documents: a block of at least `size`
// bytes aligned to at least 8 (pointers, 64-bit integers and doubles), and its release.
using MXMLAllocFn = void* (*)(size_t size, void* user);
using MXMLReleaseFn = void (*)(void* block, void* user);

// Callbacks. `attributes` alternates name and value and ends with a null name. Texts are
// NUL-terminated; `length` excludes the terminator.
using MXMLStartElementFn = void (*)(void* user, const char* name, const char** attributes);
using MXMLEndElementFn = void (*)(void* user, const char* name);
using MXMLCharacterDataFn = void (*)(void* user, const char* content, size_t length, int kind);

// Character data kinds.
enum MXMLDataKind {
    kMXMLDataDeclaration = 0,
    kMXMLDataComment = 1,
    kMXMLDataText = 2,
    kMXMLDataCDATA = 3,
};

// ParseChunk results.
enum MXMLParseResult {
    kMXMLFinished = 0,
    kMXMLNeedMore = 1,
    kMXMLError = 2,
};

// A growable byte buffer with its own allocator; holds UTF-8.
struct MXMLBuffer {
    char* data;
    size_t length;
    size_t capacity;
    MXMLAllocFn allocate;
    MXMLReleaseFn release;
    void* user;
};

struct MXMLAttributeRecord {
    MXMLBuffer name;
    MXMLBuffer value;
};

struct MXMLParser {
    static constexpr int kErrorSize = 128;

    MXMLStartElementFn startElement;
    MXMLEndElementFn endElement;
    MXMLCharacterDataFn characterData;
    void* userData;

    MXMLAllocFn allocate;
    MXMLReleaseFn release;
    void* allocUser;

    // One name hash per open element.
    uint32_t* stack;
    int32_t depth;
    int32_t stackCapacity;

    // The chunk being parsed.
    const unsigned char* chunk;
    size_t position;
    size_t size;

    int32_t line;
    int32_t column;

    // A multi-byte character split across chunks.
    unsigned char pending[4];
    int32_t pendingLength;  // expected length
    int32_t pendingCount;   // bytes gathered

    int32_t state;
    int32_t returnState;  // AttrValue or Content, for a reference

    MXMLBuffer text;
    MXMLBuffer reference;
    MXMLBuffer name;

    int32_t rootClosed;
    int32_t nameIsTop;  // the name buffer holds the open element's start-tag name
    int32_t failed;     // a result of 2 was given; later calls give 2 again

    MXMLAttributeRecord* attributes;
    int32_t attributeCount;
    int32_t attributeCapacity;
    const char** attributePointers;
    int32_t pointerCapacity;

    char error[kErrorSize];

    // Nonzero: every character goes through the state machine one at a time, without the runs
    // and whole tags of the fast path (tests compare the two; results are the same).
    int32_t oneAtATime;
};

// Creates a parser allocating through the callbacks (the process heap when either is null).
MXMLParser* CreateParser(MXMLReleaseFn release, MXMLAllocFn allocate, void* user);

// Parses one chunk; `final` says no bytes follow. Returns an MXMLParseResult. After a result of
// 2 the parser is spent: further calls return 2 and change nothing.
int ParseChunk(MXMLParser* parser, const char* bytes, size_t size, bool final);

// The message of the error that stopped the parse; empty before any error.
const char* ParserErrorText(const MXMLParser* parser);

// Releases the parser and everything it allocated. Null is accepted.
void DestroyParser(MXMLParser* parser);

// The case-folding name hash shared with the document's name table: h = h * 131 + c', where c'
// is the byte lowered by 0x20 when both bits 0x40 and 0x20 are set, taken as signed 8-bit;
// 32-bit wrap-around.
uint32_t MXMLNameHash(const char* name, size_t length);
