// gtXmlCompactDoc: a read-only XML document for readers that only navigate elements and read
// attributes and element text, in a fraction of gtXmlDoc's memory.
//
// It parses with the same parser as gtXmlDoc, so a file loads or fails alike, with the same
// error text. It keeps no node objects: each element is a 16-byte record (name and whether it
// has children, next sibling, text, first attribute, as 32-bit indices; elements are numbered
// in document order, so a first child is the element after its parent), each attribute 8
// bytes, and each element's text is stored once, already joined the way MXMLElement::GetText
// joins it (the texts and CDATA sections among its children, each up to its first NUL byte);
// whitespace texts of up to 64 bytes are shared. Comments, declarations and the positions of
// texts among child elements are not kept. Results of every reading operation equal
// MXMLElement's on the same file, and texts stay valid as long as the document (no scratch
// text).
//
// Usage (drop-in for the reading side of gtXmlDoc, handles instead of pointers):
//   gtXmlCompactDoc doc;
//   if (!doc.Load(file)) log.Error("XML parser error: %s", doc.GetErrorText());
//   gtXmlElementRef top = doc.GetRoot()->FirstChildElement();
//   for (gtXmlElementRef e = top->FirstChildElement(); e != nullptr; e = e->NextSiblingElement())
//
// Records and texts never move once written: handles stay valid when a loaded tree moves into
// the document, and a watched load lets other threads read complete elements before it ends
// (gtXmlLoadWatcher.h).
//
// Limits: 2^31 - 1 elements, attributes and bytes of text; a larger file fails to load with
// "document too large".
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "toolkit/gtStream.h"

class gtXmlCompactDoc;
class gtXmlLoadWatcher;

// A handle to one element of a gtXmlCompactDoc (or null); it reads like a const MXMLElement*.
class gtXmlElementRef {
public:
    gtXmlElementRef() = default;

    explicit operator bool() const { return m_doc != nullptr; }
    bool operator==(std::nullptr_t) const { return m_doc == nullptr; }
    bool operator==(const gtXmlElementRef& other) const = default;
    const gtXmlElementRef* operator->() const { return this; }

    // Null for the root container.
    const char* Name() const;
    bool IsNamed(const char* elementName) const;
    gtXmlElementRef FirstChildElement() const;
    gtXmlElementRef NextSiblingElement() const;
    gtXmlElementRef FindChildElement(const char* elementName) const;
    gtXmlElementRef FindNthChildElement(const char* elementName, int index) const;
    int CountChildElements(const char* elementName) const;
    // "" when there is no such attribute.
    const char* GetAttribute(const char* attributeName) const;
    // The joined character data of the element's children ("" without any).
    const char* GetText() const;
    // The element's place in document order (of start tags; the root container is 0), to match
    // handles of one document.
    uint32_t Position() const { return m_index; }

private:
    friend class gtXmlCompactDoc;
    friend struct gtXmlCompactBuilder;
    gtXmlElementRef(const void* storage, uint32_t index) : m_doc(storage), m_index(index) {}

    // The document's storage, which stays where it is when a loaded tree moves into the document.
    const void* m_doc = nullptr;
    uint32_t m_index = 0;
};

class gtXmlCompactDoc {
public:
    static constexpr int kPieceSize = 1 << 16;

    gtXmlCompactDoc();
    gtXmlCompactDoc(const gtXmlCompactDoc&) = delete;
    gtXmlCompactDoc& operator=(const gtXmlCompactDoc&) = delete;
    ~gtXmlCompactDoc();

    // Parses the stream to its end (pieces of kPieceSize bytes; a short read ends it). On
    // success the new tree replaces the old one; on failure the old one stays and
    // GetErrorText() holds the parser's message. A watcher, when given, is told of elements
    // complete before the load ends (see gtXmlLoadWatcher.h).
    bool Load(gtStream& stream, gtXmlLoadWatcher* watcher = nullptr);
    const char* GetErrorText() const { return m_error.c_str(); }

    // The nameless root container; its first child element is the document element.
    gtXmlElementRef GetRoot() const { return gtXmlElementRef(m_storage.get(), 0); }

    // Bytes held by the tree (records and texts), for benchmarks.
    size_t MemoryUsed() const;

    struct Storage;

private:
    friend class gtXmlElementRef;
    std::unique_ptr<Storage> m_storage;
    std::string m_error;
};
