// MXMLDocument: name table, scratch text, node creation and Load (see MXMLDocument.h).
//
// Load drives the parser over 4096-byte reads and builds the tree from its callbacks into a new
// root container, which replaces the old one only when the whole stream parsed.
#include "xml/MXMLDocument.h"

#include <cstdlib>
#include <cstring>

namespace {

void* HeapAllocate(size_t size, void*) {
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}
void HeapRelease(void* block, void*) {
    std::free(block);
}

// Byte order of two names (strcmp order, lengths breaking ties of equal prefixes).
int CompareNames(const char* a, size_t na, const char* b, size_t nb) {
    int c = std::memcmp(a, b, na < nb ? na : nb);
    if (c != 0)
        return c;
    return na < nb ? -1 : na > nb ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Tree building from the parser's callbacks

struct LoadContext {
    MXMLDocument* document;
    MXMLElement* current;
    MXMLParser* parser;
    // The last attribute name interned (files repeat a few attribute names).
    const char* lastAttributeName;
    size_t lastAttributeLength;
    // Element names already interned, by the low bits of their hash (files repeat a few names).
    struct Known {
        uint32_t hash;
        uint32_t length;
        const char* name;
    };
    static constexpr uint32_t kKnown = 64;
    Known known[kKnown];
    // Whitespace texts already shared, by length (files repeat a few indentations).
    static constexpr size_t kSharedWhitespace = 64;
    const char* whitespace[kSharedWhitespace + 1];
};

inline bool AllWhitespace(const char* s, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        char c = s[i];
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r')
            return false;
    }
    return true;
}

inline bool SameBytes(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (a[i] != b[i])
            return false;
    }
    return true;
}

// The parser's own buffers give the lengths, and its element stack the name's hash, so
// nothing is measured or hashed twice.
void OnStartElement(void* user, const char* name, const char**) {
    auto* ctx = static_cast<LoadContext*>(user);
    const MXMLParser* p = ctx->parser;
    MXMLDocument* document = ctx->document;
    MXMLElement* e = new (document->AllocatePacked(sizeof(MXMLElement))) MXMLElement(document);
    uint32_t hash = p->stack[p->depth - 1];
    size_t length = p->name.length;
    LoadContext::Known& k = ctx->known[hash % LoadContext::kKnown];
    if (k.name && k.hash == hash && k.length == length && SameBytes(k.name, name, length)) {
        e->name = k.name;
    } else {
        e->name = ctx->document->InternName(name, length, hash);
        if (length <= UINT32_MAX)
            k = LoadContext::Known{hash, (uint32_t)length, e->name};
    }
    ctx->current->LinkLast(e);
    for (int32_t i = 0; i < p->attributeCount; ++i) {
        const MXMLAttributeRecord& a = p->attributes[i];
        if (!ctx->lastAttributeName || ctx->lastAttributeLength != a.name.length ||
            std::memcmp(ctx->lastAttributeName, a.name.data, a.name.length) != 0) {
            ctx->lastAttributeName = ctx->document->InternName(a.name.data, a.name.length);
            ctx->lastAttributeLength = a.name.length;
        }
        e->AddLoadedAttribute(ctx->lastAttributeName, a.value.data, a.value.length);
    }
    ctx->current = e;
}

void OnEndElement(void* user, const char*) {
    auto* ctx = static_cast<LoadContext*>(user);
    if (ctx->current->parent)
        ctx->current = ctx->current->parent;
}

// A text node in one packed block with its text behind it; a short whitespace-only text (the
// indentation between elements) is shared through the name table instead of copied.
void AddLoadedText(LoadContext* ctx, const char* content, size_t length) {
    MXMLDocument* document = ctx->document;
    MXMLText* node;
    if (length <= LoadContext::kSharedWhitespace && AllWhitespace(content, length)) {
        const char*& shared = ctx->whitespace[length];
        if (!shared || std::memcmp(shared, content, length) != 0)
            shared = document->InternName(content, length);
        node = new (document->AllocatePacked(sizeof(MXMLText))) MXMLText(document);
        node->SetTextStorage(const_cast<char*>(shared), MXMLTextBase::kShared);
    } else {
        static_assert(sizeof(MXMLText) % 8 == 0, "the text behind a node starts aligned");
        node = new (document->AllocatePacked(sizeof(MXMLText) + length + 1)) MXMLText(document);
        char* text = reinterpret_cast<char*>(node) + sizeof(MXMLText);
        std::memcpy(text, content, length);
        text[length] = 0;
        node->SetTextStorage(text, MXMLTextBase::kBehindNode);
    }
    ctx->current->LinkLast(node);
}

void OnCharacterData(void* user, const char* content, size_t length, int kind) {
    auto* ctx = static_cast<LoadContext*>(user);
    switch (kind) {
        case kMXMLDataDeclaration:
            ctx->current->AddDeclaration(content, length);
            break;
        case kMXMLDataComment:
            ctx->current->AddComment(content, length);
            break;
        case kMXMLDataText:
            AddLoadedText(ctx, content, length);
            break;
        case kMXMLDataCDATA:
            ctx->current->AddCDATA(content, length);
            break;
        default:
            break;
    }
}

}  // namespace

// =============================================================================================
// Construction and destruction

MXMLDocument::MXMLDocument(MXMLAllocFn allocate, MXMLReleaseFn release, void* user) {
    BindAllocator(allocate, release, user);
    CreateRoot();
}

MXMLDocument::MXMLDocument(DeferRoot) {
    BindAllocator(nullptr, nullptr, nullptr);
}

void MXMLDocument::BindAllocator(MXMLAllocFn allocate, MXMLReleaseFn release, void* user,
                                 MXMLAllocFn packed) {
    if (allocate && release) {
        m_allocate = allocate;
        m_release = release;
        m_user = user;
        m_allocatePacked = packed ? packed : allocate;
    } else {
        m_allocate = m_allocatePacked = HeapAllocate;
        m_release = HeapRelease;
        m_user = nullptr;
    }
}

void MXMLDocument::CreateRoot() {
    m_root = NewNode<MXMLElement>();
}

void MXMLDocument::AbandonAll() {
    m_root = nullptr;
    m_buckets = nullptr;
    m_scratch = nullptr;
    m_scratchLength = m_scratchCapacity = 0;
}

MXMLDocument::~MXMLDocument() {
    if (m_root)
        m_root->Release();
    m_root = nullptr;
    if (m_buckets) {
        for (uint32_t i = 0; i < m_bucketCount; ++i) {
            for (NameEntry* e = m_buckets[i]; e;) {
                NameEntry* next = e->next;
                Free(e->name);
                Free(e);
                e = next;
            }
        }
        Free(m_buckets);
    }
    Free(m_scratch);
}

// =============================================================================================
// Names, scratch text, node helpers

const char* MXMLDocument::InternName(const char* name) {
    return InternName(name, std::strlen(name));
}

const char* MXMLDocument::InternName(const char* name, size_t length) {
    return InternName(name, length, MXMLNameHash(name, length));
}

const char* MXMLDocument::InternName(const char* name, size_t length, uint32_t hash) {
    if (!m_buckets) {
        m_buckets = static_cast<NameEntry**>(Allocate(m_bucketCount * sizeof(NameEntry*)));
        for (uint32_t i = 0; i < m_bucketCount; ++i) m_buckets[i] = nullptr;
    }
    NameEntry** link = &m_buckets[hash % m_bucketCount];
    for (; *link; link = &(*link)->next) {
        int c = CompareNames((*link)->name, (*link)->length, name, length);
        if (c == 0)
            return (*link)->name;
        if (c > 0)
            break;
    }
    auto* e = static_cast<NameEntry*>(Allocate(sizeof(NameEntry)));
    e->name = static_cast<char*>(Allocate(length + 1));
    std::memcpy(e->name, name, length);
    e->name[length] = 0;
    e->length = length;
    e->next = *link;
    *link = e;
    return e->name;
}

void MXMLDocument::ClearScratch() {
    if (!m_scratch) {
        m_scratch = static_cast<char*>(Allocate(kScratchStart));
        m_scratchCapacity = kScratchStart;
    }
    m_scratchLength = 1;
    m_scratch[0] = 0;
}

void MXMLDocument::AppendScratch(const char* bytes, size_t length) {
    if (!m_scratch)
        ClearScratch();
    if (length == 0)
        length = std::strlen(bytes);
    size_t needed = m_scratchLength + length;
    if (needed >= m_scratchCapacity) {
        size_t capacity = 1;
        while (capacity < needed) capacity *= 2;
        auto* scratch = static_cast<char*>(Allocate(capacity));
        std::memcpy(scratch, m_scratch, m_scratchLength);
        Free(m_scratch);
        m_scratch = scratch;
        m_scratchCapacity = capacity;
    }
    std::memcpy(m_scratch + m_scratchLength - 1, bytes, length);
    m_scratchLength += length;
    m_scratch[m_scratchLength - 1] = 0;
}

char* MXMLDocument::CopyText(const char* text, size_t length) {
    if (length == 0)
        length = std::strlen(text);
    auto* copy = static_cast<char*>(Allocate(length + 1));
    std::memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

MXMLNode* MXMLDocument::CreateLike(const MXMLNode* node) {
    uint32_t k = node->kind;
    if (k & kMXMLDeclarationBit)
        return NewNode<MXMLDeclaration>();
    if (k & kMXMLCommentBit)
        return NewNode<MXMLComment>();
    if (k & kMXMLCDATABit)
        return NewNode<MXMLCDATA>();
    if (k & kMXMLCharacterDataBit)
        return NewNode<MXMLText>();
    if (k & kMXMLElementBit)
        return NewNode<MXMLElement>();
    return nullptr;
}

// =============================================================================================
// Load

bool MXMLDocument::Load(MXMLStream* stream) {
    return LoadInPieces(stream, kReadSize);
}

bool MXMLDocument::LoadInPieces(MXMLStream* stream, int readSize) {
    auto* buffer = static_cast<char*>(Allocate((size_t)readSize));
    MXMLParser* parser = CreateParser(m_release, m_allocate, m_user);
    MXMLElement* root = NewNode<MXMLElement>();
    LoadContext ctx{this, root, parser, nullptr, 0, {}, {}};
    parser->startElement = OnStartElement;
    parser->endElement = OnEndElement;
    parser->characterData = OnCharacterData;
    parser->userData = &ctx;

    bool ok;
    for (;;) {
        int n = stream->Read(buffer, readSize);
        if (n < 0)
            n = 0;
        bool final = n < readSize;
        if (ParseChunk(parser, buffer, (size_t)n, final) == kMXMLError) {
            ok = false;
            break;
        }
        if (final) {
            ok = true;
            break;
        }
    }

    if (ok) {
        m_root->Release();
        m_root = root;
    } else {
        root->Release();
        ClearScratch();
        AppendScratch(ParserErrorText(parser), 0);
    }
    DestroyParser(parser);
    Free(buffer);
    return ok;
}

bool MXMLDocument::Save(MXMLStream* stream, bool formatted) const {
    MXMLEscapeBuffer escape;
    for (MXMLNode* n = m_root->firstChild; n; n = n->next) {
        if (!n->Write(stream, formatted, &escape))
            return false;
    }
    return true;
}
