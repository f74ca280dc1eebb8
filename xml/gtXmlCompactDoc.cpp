// gtXmlCompactDoc: element records, attribute records and texts in chunked arrays addressed by
// 32-bit indices, built from the parser's callbacks in one pass (see gtXmlCompactDoc.h).
//
// While loading, each open element gathers its character data in an accumulator of its depth;
// at its end tag the joined text is stored once in the text arena. Records never move: the
// arrays grow by whole chunks, so a load touches each byte it keeps once.
#include "xml/gtXmlCompactDoc.h"

#include <atomic>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "xml/MXMLParser.h"
#include "xml/gtXmlLoadWatcher.h"

namespace {

constexpr uint32_t kHasChildren = 0x80000000u;  // in an element's name field
constexpr uint32_t kNoName = 0x7FFFFFFF;
constexpr uint32_t kLimit = 0x7FFFFFFF;
constexpr size_t kSharedWhitespace = 64;

// Records in chunks of 2^12 behind a directory of fixed size: nothing written ever moves, so
// threads may read records while more are added (see gtXmlLoadWatcher.h).
template <class T>
class ChunkedArray {
public:
    static constexpr uint32_t kBits = 12;
    static constexpr uint32_t kMask = (1u << kBits) - 1;
    static constexpr uint32_t kTableBits = 10;
    static constexpr uint32_t kTables = 1u << (31 - kBits - kTableBits);

    T& operator[](uint32_t i) { return Chunk(i)[i & kMask]; }
    const T& operator[](uint32_t i) const { return Chunk(i)[i & kMask]; }
    uint32_t Count() const { return m_count; }
    uint32_t Add(const T& value) {
        const uint32_t i = Count();
        if ((i & kMask) == 0) {
            std::unique_ptr<std::unique_ptr<T[]>[]>& table = m_tables[i >> (kBits + kTableBits)];
            if (!table)
                table.reset(new std::unique_ptr<T[]>[size_t{1} << kTableBits]);
            table[(i >> kBits) & ((1u << kTableBits) - 1)].reset(new T[size_t{1} << kBits]);
            ++m_chunks;
        }
        (*this)[i] = value;
        m_count = i + 1;
        return i;
    }
    size_t Bytes() const { return m_chunks * (sizeof(T) << kBits); }

private:
    T* Chunk(uint32_t i) const {
        return m_tables[i >> (kBits + kTableBits)][(i >> kBits) & ((1u << kTableBits) - 1)].get();
    }

    // the directory, read by every thread, apart from the counts the loading thread updates
    alignas(64) std::unique_ptr<std::unique_ptr<T[]>[]> m_tables[kTables];
    alignas(64) uint32_t m_count = 0;
    size_t m_chunks = 0;
};

// NUL-terminated texts in blocks of 4 MB; an offset is block << 22 | position. A text longer
// than a block gets a block of its own (at position 0). Offset 0 is "".
class TextArena {
public:
    static constexpr uint32_t kBits = 22;
    static constexpr size_t kBlock = size_t{1} << kBits;
    static constexpr size_t kMaxBlocks = (size_t{kLimit} + 1) >> kBits;

    TextArena() {
        m_blocks.reserve(kMaxBlocks);  // never moves: see ChunkedArray
        Store("", 0);
    }

    // UINT32_MAX when the arena is full.
    uint32_t Store(const char* text, size_t length) {
        if (length + 1 > kBlock - m_used || m_current < 0) {
            if (m_blocks.size() >= kMaxBlocks)
                return UINT32_MAX;
            m_blocks.emplace_back(new char[length + 1 > kBlock ? length + 1 : kBlock]);
            m_bytes += length + 1 > kBlock ? length + 1 : kBlock;
            if (length + 1 > kBlock) {
                char* own = m_blocks.back().get();
                std::memcpy(own, text, length);
                own[length] = 0;
                return (uint32_t)((m_blocks.size() - 1) << kBits);
            }
            m_current = (int)m_blocks.size() - 1;
            m_used = 0;
        }
        char* at = m_blocks[(size_t)m_current].get() + m_used;
        std::memcpy(at, text, length);
        at[length] = 0;
        uint32_t offset = (uint32_t)(((size_t)m_current << kBits) | m_used);
        m_used += length + 1;
        return offset;
    }
    const char* At(uint32_t offset) const {
        return m_blocks[offset >> kBits].get() + (offset & (kBlock - 1));
    }
    size_t Bytes() const { return m_bytes; }

private:
    // the block list, read by every thread, apart from the position the loading thread updates
    alignas(64) std::vector<std::unique_ptr<char[]>> m_blocks;
    alignas(64) int m_current = -1;
    size_t m_used = 0;
    size_t m_bytes = 0;
};

// Elements are numbered in the order of their start tags, so an element's first child, when it
// has one, is the element after it: a bit of the name field says whether it has.
struct ElementRecord {
    uint32_t name;  // index into the name table, kNoName for the root; | kHasChildren
    uint32_t next;
    uint32_t text;            // offset in the text arena
    uint32_t firstAttribute;  // its attributes run to the next element's first
};

struct AttributeRecord {
    uint32_t name;
    uint32_t value;
};

bool AllWhitespace(const std::string& s) {
    for (char c : s) {
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r')
            return false;
    }
    return true;
}

}  // namespace

struct gtXmlCompactDoc::Storage {
    ChunkedArray<ElementRecord> elements;
    ChunkedArray<AttributeRecord> attributes;
    TextArena texts;
    ChunkedArray<uint32_t> names;  // text offsets
    // Element records other threads may read with their successor: all of them once loaded,
    // those before the last start tag while a watched load goes on.
    alignas(64) std::atomic<uint32_t> readable{1};

    const char* Name(uint32_t id) const {
        id &= ~kHasChildren;
        return id == kNoName ? nullptr : texts.At(names[id]);
    }
    uint32_t AttributeEnd(uint32_t element) const {
        return element + 1 < readable.load(std::memory_order_relaxed)
                   ? elements[element + 1].firstAttribute
                   : attributes.Count();
    }
};

// Makes handles for the loading code.
struct gtXmlCompactBuilder {
    static gtXmlElementRef Ref(const gtXmlCompactDoc::Storage* s, uint32_t index) {
        return gtXmlElementRef(s, index);
    }
};

namespace {

using Storage = gtXmlCompactDoc::Storage;

// ---------------------------------------------------------------------------------------------
// Building from the parser's callbacks

struct Builder {
    Builder(Storage* storage, MXMLParser* p) : s(storage), parser(p) {}

    Storage* s;
    MXMLParser* parser;
    bool tooLarge = false;
    // A watcher is told of an element of its depth at the next start tag: by then the record
    // after the element's subtree exists, so the subtree's attribute runs are final too.
    gtXmlLoadWatcher* watcher = nullptr;
    size_t watchedDepth = 0;
    uint32_t pending = 0;  // an element to tell of (0: none), and its parent
    uint32_t pendingParent = 0;
    std::vector<uint32_t> open;     // element indices, the root first
    std::vector<uint32_t> last;     // each open element's last child element (0: none yet)
    std::vector<std::string> text;  // each open element's joined character data
    std::unordered_map<std::string, uint32_t> nameIds;
    // The names met last, by a key (the parser's name hash for elements, a quick one for
    // attributes): most names repeat, and a hit costs a comparison of a few bytes.
    static constexpr uint32_t kKnownLength = 24;
    struct Known {
        uint32_t key = UINT32_MAX;
        uint32_t id = 0;
        uint32_t length = UINT32_MAX;  // UINT32_MAX: nothing kept
        char text[kKnownLength];
    };
    Known knownElements[64];
    Known knownAttributes[16];
    uint32_t whitespace[kSharedWhitespace + 1] = {};

    static uint32_t QuickKey(const char* name, size_t length) {
        return length ? (uint32_t)length * 0x9E3779B1u ^ ((uint32_t)(unsigned char)name[0] << 8) ^
                            (uint32_t)(unsigned char)name[length - 1]
                      : 0;
    }

    static bool Same(const Known& k, const char* name, size_t length) {
        if (k.length != length)
            return false;
        for (size_t i = 0; i < length; ++i) {
            if (k.text[i] != name[i])
                return false;
        }
        return true;
    }

    uint32_t NameId(Known& k, const char* name, size_t length, uint32_t key) {
        if (k.key == key && Same(k, name, length))
            return k.id;
        auto [it, added] = nameIds.try_emplace(std::string(name, length), 0u);
        if (added) {
            uint32_t offset = s->texts.Store(name, length);
            if (offset == UINT32_MAX) {
                tooLarge = true;
                offset = 0;
            }
            it->second = s->names.Add(offset);
        }
        k.key = key;
        k.id = it->second;
        k.length = length <= kKnownLength ? (uint32_t)length : UINT32_MAX;
        if (length <= kKnownLength)
            std::memcpy(k.text, name, length);
        return it->second;
    }
    uint32_t ElementNameId(const char* name, size_t length, uint32_t hash) {
        return NameId(knownElements[hash % 64], name, length, hash);
    }
    uint32_t AttributeNameId(const char* name, size_t length) {
        const uint32_t key = QuickKey(name, length);
        return NameId(knownAttributes[key % 16], name, length, key);
    }

    uint32_t StoreText(const char* t, size_t length) {
        uint32_t offset = s->texts.Store(t, length);
        if (offset == UINT32_MAX) {
            tooLarge = true;
            return 0;
        }
        return offset;
    }

    uint32_t StoreElementText(const std::string& t) {
        if (t.empty())
            return 0;
        if (t.size() <= kSharedWhitespace && AllWhitespace(t)) {
            uint32_t& shared = whitespace[t.size()];
            if (shared == 0 || std::memcmp(s->texts.At(shared), t.data(), t.size()) != 0)
                shared = StoreText(t.data(), t.size());
            return shared;
        }
        return StoreText(t.data(), t.size());
    }
};

void OnStart(void* user, const char* name, const char**) {
    auto* b = static_cast<Builder*>(user);
    Storage* s = b->s;
    const MXMLParser* p = b->parser;
    if (b->tooLarge || s->elements.Count() >= kLimit ||
        s->attributes.Count() > kLimit - (uint32_t)p->attributeCount) {
        b->tooLarge = true;
        return;
    }
    ElementRecord r{b->ElementNameId(name, p->name.length, p->stack[p->depth - 1]), 0, 0,
                    s->attributes.Count()};
    uint32_t index = s->elements.Add(r);
    for (int32_t i = 0; i < p->attributeCount; ++i) {
        const MXMLAttributeRecord& a = p->attributes[i];
        uint32_t id = b->AttributeNameId(a.name.data, a.name.length);
        uint32_t value = b->StoreText(a.value.data, a.value.length);
        // An attribute named again keeps its place and takes the last value.
        bool repeated = false;
        for (uint32_t k = r.firstAttribute; k < s->attributes.Count(); ++k) {
            if (s->attributes[k].name == id) {
                s->attributes[k].value = value;
                repeated = true;
                break;
            }
        }
        if (!repeated)
            s->attributes.Add(AttributeRecord{id, value});
    }
    uint32_t& previous = b->last.back();
    if (previous) {
        s->elements[previous].next = index;
    } else {
        s->elements[b->open.back()].name |= kHasChildren;  // its first child: `index`, next to it
    }
    previous = index;
    b->open.push_back(index);
    b->last.push_back(0);
    if (b->text.size() < b->open.size())
        b->text.emplace_back();
    b->text[b->open.size() - 1].clear();
    if (b->pending) {
        s->readable.store(s->elements.Count(), std::memory_order_relaxed);
        b->watcher->Ready(gtXmlCompactBuilder::Ref(s, b->pending),
                          gtXmlCompactBuilder::Ref(s, b->pendingParent));
        b->pending = 0;
    }
}

void OnEnd(void* user, const char*) {
    auto* b = static_cast<Builder*>(user);
    if (b->tooLarge || b->open.size() < 2)
        return;
    b->s->elements[b->open.back()].text = b->StoreElementText(b->text[b->open.size() - 1]);
    if (b->watcher && b->open.size() - 1 == b->watchedDepth) {
        b->pending = b->open.back();
        b->pendingParent = b->open[b->open.size() - 2];
    }
    b->open.pop_back();
    b->last.pop_back();
}

void OnData(void* user, const char* content, size_t length, int kind) {
    auto* b = static_cast<Builder*>(user);
    if (b->tooLarge || (kind != kMXMLDataText && kind != kMXMLDataCDATA))
        return;
    // Each piece counts up to its first NUL, as the joined text of MXMLElement::GetText.
    const void* nul = std::memchr(content, 0, length);
    size_t n = nul ? (size_t)(static_cast<const char*>(nul) - content) : length;
    b->text[b->open.size() - 1].append(content, n);
}

}  // namespace

// =============================================================================================
// Entry points

gtXmlCompactDoc::gtXmlCompactDoc() : m_storage(std::make_unique<Storage>()) {
    m_storage->elements.Add(ElementRecord{kNoName, 0, 0, 0});
}

gtXmlCompactDoc::~gtXmlCompactDoc() = default;

bool gtXmlCompactDoc::Load(gtStream& stream, gtXmlLoadWatcher* watcher) {
    auto storage = std::make_unique<Storage>();
    // Unless the load succeeds, the watcher stops reading the partial tree before it is freed.
    struct AbandonGuard {
        gtXmlLoadWatcher* watcher;
        ~AbandonGuard() {
            if (watcher)
                watcher->Abandon();
        }
    } guard{watcher};
    storage->elements.Add(ElementRecord{kNoName, 0, 0, 0});
    MXMLParser* parser = CreateParser(nullptr, nullptr, nullptr);
    Builder b(storage.get(), parser);
    b.open.push_back(0);
    b.last.push_back(0);
    b.text.emplace_back();
    parser->startElement = OnStart;
    parser->endElement = OnEnd;
    parser->characterData = OnData;
    parser->userData = &b;
    if (watcher && watcher->Depth() > 0) {
        b.watcher = watcher;
        b.watchedDepth = (size_t)watcher->Depth();
    }

    std::vector<char> buffer(kPieceSize);
    bool ok;
    for (;;) {
        int n = stream.Read(buffer.data(), kPieceSize);
        if (n < 0)
            n = 0;
        bool final = n < kPieceSize;
        if (ParseChunk(parser, buffer.data(), (size_t)n, final) == kMXMLError) {
            ok = false;
            m_error = ParserErrorText(parser);
            break;
        }
        if (final) {
            ok = true;
            break;
        }
    }
    DestroyParser(parser);
    if (ok && !b.tooLarge)
        storage->elements[0].text = b.StoreElementText(b.text[0]);
    if (ok && b.tooLarge) {
        ok = false;
        m_error = "document too large";
    }
    if (ok) {
        guard.watcher = nullptr;
        storage->readable.store(storage->elements.Count(), std::memory_order_relaxed);
        m_storage = std::move(storage);
    }
    return ok;
}

size_t gtXmlCompactDoc::MemoryUsed() const {
    const Storage& s = *m_storage;
    return s.elements.Bytes() + s.attributes.Bytes() + s.texts.Bytes() + s.names.Bytes();
}

// ---------------------------------------------------------------------------------------------
// Reading

const char* gtXmlElementRef::Name() const {
    const Storage& s = *static_cast<const Storage*>(m_doc);
    return s.Name(s.elements[m_index].name);
}

bool gtXmlElementRef::IsNamed(const char* elementName) const {
    const char* name = Name();
    return name && elementName && std::strcmp(name, elementName) == 0;
}

gtXmlElementRef gtXmlElementRef::FirstChildElement() const {
    const uint32_t name = static_cast<const Storage*>(m_doc)->elements[m_index].name;
    return name & kHasChildren ? gtXmlElementRef(m_doc, m_index + 1) : gtXmlElementRef();
}

gtXmlElementRef gtXmlElementRef::NextSiblingElement() const {
    uint32_t next = static_cast<const Storage*>(m_doc)->elements[m_index].next;
    return next ? gtXmlElementRef(m_doc, next) : gtXmlElementRef();
}

gtXmlElementRef gtXmlElementRef::FindChildElement(const char* elementName) const {
    return FindNthChildElement(elementName, 0);
}

gtXmlElementRef gtXmlElementRef::FindNthChildElement(const char* elementName, int index) const {
    if (index < 0)
        return {};
    for (gtXmlElementRef e = FirstChildElement(); e; e = e.NextSiblingElement()) {
        if (e.IsNamed(elementName) && index-- == 0)
            return e;
    }
    return {};
}

int gtXmlElementRef::CountChildElements(const char* elementName) const {
    int count = 0;
    for (gtXmlElementRef e = FirstChildElement(); e; e = e.NextSiblingElement()) {
        if (e.IsNamed(elementName))
            ++count;
    }
    return count;
}

const char* gtXmlElementRef::GetAttribute(const char* attributeName) const {
    if (!attributeName)
        return "";
    const Storage& s = *static_cast<const Storage*>(m_doc);
    for (uint32_t k = s.elements[m_index].firstAttribute, end = s.AttributeEnd(m_index); k < end;
         ++k) {
        if (std::strcmp(s.Name(s.attributes[k].name), attributeName) == 0)
            return s.texts.At(s.attributes[k].value);
    }
    return "";
}

const char* gtXmlElementRef::GetText() const {
    const Storage& s = *static_cast<const Storage*>(m_doc);
    return s.texts.At(s.elements[m_index].text);
}
