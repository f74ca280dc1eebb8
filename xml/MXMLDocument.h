// MXMLDocument: owner of one XML tree, its name table and its scratch text; MXMLStream: the
// byte stream a document is loaded from and written to.
//
// The document allocates every node, name and text through its two callbacks (the process heap
// when none are given) and always has a root container: a nameless element whose children are
// the top-level nodes (whitespace text, declarations, comments and the document element).
//
// Usage:
//   if (!doc.Load(&stream)) printf("%s\n", doc.GetErrorText());   // old tree kept on failure
//   MXMLElement* top = doc.GetRoot()->FirstChildElement();
//
// Names are interned in a table of 233 buckets (hash of MXMLNameHash, chains kept in ascending
// byte order); interned names live until the document is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "xml/MXMLNode.h"
#include "xml/MXMLParser.h"

class MXMLStream {
public:
    virtual ~MXMLStream() = default;
    // Returns the number of bytes read (fewer than asked only at the end).
    virtual int Read(void* buffer, int size) = 0;
    // Returns the number of bytes written.
    virtual int Write(const void* buffer, int size) = 0;
};

class MXMLDocument {
public:
    static constexpr uint32_t kNameBuckets = 233;
    static constexpr int kReadSize = 4096;
    static constexpr size_t kScratchStart = 1024;

    // Either callback null: the process heap.
    explicit MXMLDocument(MXMLAllocFn allocate = nullptr, MXMLReleaseFn release = nullptr,
                          void* user = nullptr);
    MXMLDocument(const MXMLDocument&) = delete;
    MXMLDocument& operator=(const MXMLDocument&) = delete;
    virtual ~MXMLDocument();

    // Parses the whole stream in 4096-byte reads. On success the new tree replaces the old
    // one; on failure the old tree stays and GetErrorText() holds the parser's message.
    bool Load(MXMLStream* stream);
    // Writes every top-level node in order (see MXMLNode::Write).
    bool Save(MXMLStream* stream, bool formatted) const;

    MXMLElement* GetRoot() const { return m_root; }
    // The scratch text: the parser's message after a failed Load. Never null.
    const char* GetErrorText() const { return m_scratch ? m_scratch : ""; }

    // Shared copy of a name, valid until the document is destroyed.
    const char* InternName(const char* name);
    const char* InternName(const char* name, size_t length);
    // The same with the name's MXMLNameHash already known.
    const char* InternName(const char* name, size_t length, uint32_t hash);

    // Scratch text: ClearScratch empties it (1024 bytes at first); AppendScratch appends
    // `length` bytes (0: up to the first NUL), growing to the next power of two that fits.
    void ClearScratch();
    void AppendScratch(const char* bytes, size_t length);
    const char* GetScratch() const { return m_scratch ? m_scratch : ""; }

    // A new detached node of the same kind, with no text or name; null for an unknown kind.
    MXMLNode* CreateLike(const MXMLNode* node);

    // Node construction: a detached node of this document.
    template <class T>
    T* NewNode() {
        return new (Allocate(sizeof(T))) T(this);
    }

    // The document's allocator.
    void* Allocate(size_t size) { return m_allocate(size, m_user); }
    // For the records Load makes, which mostly live as long as the tree: the allocator's packed
    // form when it has one (exact sizes, one after another), else Allocate. Released by Free.
    void* AllocatePacked(size_t size) { return m_allocatePacked(size, m_user); }
    void Free(void* block) {
        if (block)
            m_release(block, m_user);
    }
    // A NUL-terminated copy of `length` bytes (0: up to the first NUL).
    char* CopyText(const char* text, size_t length);

protected:
    struct DeferRoot {};
    // For subclasses that must set up their allocator first: no root until CreateRoot.
    explicit MXMLDocument(DeferRoot);
    // `packed`, optional, serves AllocatePacked.
    void BindAllocator(MXMLAllocFn allocate, MXMLReleaseFn release, void* user,
                       MXMLAllocFn packed = nullptr);
    // Parses the stream in reads of `readSize` bytes (see Load).
    bool LoadInPieces(MXMLStream* stream, int readSize);
    void CreateRoot();
    // Forgets the tree, the names and the scratch text without freeing them (the allocator
    // frees its memory in bulk).
    void AbandonAll();

private:
    struct NameEntry {
        NameEntry* next;
        size_t length;
        char* name;
    };

    NameEntry** m_buckets = nullptr;
    uint32_t m_bucketCount = kNameBuckets;
    char* m_scratch = nullptr;
    size_t m_scratchLength = 0;  // including the terminator
    size_t m_scratchCapacity = 0;
    MXMLElement* m_root = nullptr;
    MXMLAllocFn m_allocate = nullptr;
    MXMLAllocFn m_allocatePacked = nullptr;
    MXMLReleaseFn m_release = nullptr;
    void* m_user = nullptr;
};
