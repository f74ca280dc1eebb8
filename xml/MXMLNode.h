// MXMLNode and its subclasses: the nodes of an XML tree.
//
//   MXMLNode
//     MXMLElement                    kind 33
//     MXMLTextBase
//       MXMLDeclaration              kind 3
//       MXMLComment                  kind 5
//       MXMLText                     kind 9
//         MXMLCDATA                  kind 25
//
// Kind bits: 1 every node, 2 declaration, 4 comment, 8 character data (text and CDATA),
// 16 CDATA, 32 element. Every node, its text, its attributes and its name come from its
// owning document's allocator; nodes are created by the document (or the Add... operations)
// and destroyed only by Release, which detaches the node and frees its whole subtree.
// Children form a doubly linked list under their parent element.
//
// Reading, as the interchange reader does it:
//   MXMLElement* root = doc.GetRoot()->FirstChildElement();       // the document element
//   for (MXMLElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) ...
//   const char* v = e->GetAttribute("stream");                    // "" when absent
//   const char* t = e->FindChildElement("position")->GetText();   // joined text, see GetText
// Names are compared as exact, case-sensitive byte strings. Nothing here recurses: trees of
// any depth are released, written, copied and indented with loops.
#pragma once

#include <cstddef>
#include <cstdint>

class MXMLDocument;
class MXMLElement;
class MXMLStream;

// Node kind words and bits.
enum : uint32_t {
    kMXMLNodeBit = 1,
    kMXMLDeclarationBit = 2,
    kMXMLCommentBit = 4,
    kMXMLCharacterDataBit = 8,
    kMXMLCDATABit = 16,
    kMXMLElementBit = 32,

    kMXMLDeclarationKind = 3,
    kMXMLCommentKind = 5,
    kMXMLTextKind = 9,
    kMXMLCDATAKind = 25,
    kMXMLElementKind = 33,
};

// The caller's growable buffer for escaped text while writing: capacity 64 at first, then
// the next power of two that fits.
class MXMLEscapeBuffer {
public:
    MXMLEscapeBuffer() = default;
    MXMLEscapeBuffer(const MXMLEscapeBuffer&) = delete;
    MXMLEscapeBuffer& operator=(const MXMLEscapeBuffer&) = delete;
    ~MXMLEscapeBuffer();

    char* Reserve(size_t size);
    size_t Capacity() const { return m_capacity; }

private:
    char* m_data = nullptr;
    size_t m_capacity = 0;
};

class MXMLNode {
public:
    MXMLNode(const MXMLNode&) = delete;
    MXMLNode& operator=(const MXMLNode&) = delete;

    // Detaches the node, destroys it with its subtree and gives the memory back.
    virtual void Release();
    // Null for a bare node; see the subclasses.
    virtual const char* GetText() const;
    // Text-like nodes: take a copy of other's GetText. Elements: deep copy (MXMLElement).
    virtual void CopyFrom(const MXMLNode* other) = 0;
    // Writes the node as XML; true when the stream accepted every byte offered.
    virtual bool Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const = 0;

    bool IsElement() const { return (kind & kMXMLElementBit) != 0; }
    bool IsCharacterData() const { return (kind & kMXMLCharacterDataBit) != 0; }
    bool IsPlainText() const { return kind == kMXMLTextKind; }
    MXMLElement* AsElement();
    const MXMLElement* AsElement() const;

    // The next sibling that is an element, or null.
    MXMLElement* NextSiblingElement() const;
    // Unlinks the node from its parent; it stays alive, detached.
    void Detach();

    const uint32_t kind;

protected:
    // Text nodes: where `text` lives (TextStorage). Kept here, in the space beside `kind`.
    uint32_t m_textStorage = 0;

public:
    MXMLDocument* const document;
    MXMLElement* parent = nullptr;
    MXMLNode* next = nullptr;
    MXMLNode* prev = nullptr;

protected:
    MXMLNode(uint32_t kindWord, MXMLDocument* owner) : kind(kindWord), document(owner) {}
    virtual ~MXMLNode() = default;
};

// A node holding one NUL-terminated text (null reads as "").
//
// The text is a block of its own, or (for nodes made by Load) stored right behind the node in
// the node's own block, or a whitespace text shared through the document's name table; only
// the first is freed with the node. SetText always gives the node a block of its own.
class MXMLTextBase : public MXMLNode {
public:
    enum TextStorage : uint32_t { kOwnBlock = 0, kBehindNode = 1, kShared = 2 };

    const char* GetText() const override { return text ? text : ""; }
    void CopyFrom(const MXMLNode* other) override;
    // Replaces the text by a copy of `length` bytes (0: up to the first NUL).
    void SetText(const char* value, size_t length = 0);
    // Set by the document when it places the text itself (Load).
    void SetTextStorage(char* value, TextStorage storage) {
        text = value;
        m_textStorage = storage;
    }
    TextStorage Storage() const { return static_cast<TextStorage>(m_textStorage); }

    char* text = nullptr;

protected:
    using MXMLNode::MXMLNode;
    ~MXMLTextBase() override;
};

class MXMLDeclaration : public MXMLTextBase {
public:
    explicit MXMLDeclaration(MXMLDocument* owner) : MXMLTextBase(kMXMLDeclarationKind, owner) {}
    bool Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const override;
};

class MXMLComment : public MXMLTextBase {
public:
    explicit MXMLComment(MXMLDocument* owner) : MXMLTextBase(kMXMLCommentKind, owner) {}
    bool Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const override;
};

class MXMLText : public MXMLTextBase {
public:
    explicit MXMLText(MXMLDocument* owner) : MXMLTextBase(kMXMLTextKind, owner) {}
    bool Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const override;

protected:
    MXMLText(uint32_t kindWord, MXMLDocument* owner) : MXMLTextBase(kindWord, owner) {}
};

class MXMLCDATA : public MXMLText {
public:
    explicit MXMLCDATA(MXMLDocument* owner) : MXMLText(kMXMLCDATAKind, owner) {}
    bool Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const override;
};

class MXMLElement : public MXMLNode {
public:
    // One attribute: interned name, owned value, next in document order. The value is a block
    // of its own or, for records made by Load, stored right behind the record (ValueBehind).
    struct Attribute {
        const char* name;
        char* value;
        Attribute* next;
        char* ValueBehind() { return reinterpret_cast<char*>(this + 1); }
        bool OwnsValueBlock() { return value != ValueBehind(); }
    };
    // The list allocates from the element's document.
    struct AttributeList {
        Attribute* head;
    };

    explicit MXMLElement(MXMLDocument* owner)
        : MXMLNode(kMXMLElementKind, owner), attributes{nullptr} {}

    // The element's text: "" without character-data children (text, CDATA), the child's own
    // text with one, and with several their texts joined in the document's scratch text, valid
    // until the next use of the scratch text (copy it to keep it).
    const char* GetText() const override;
    // Deep copy: name (interned here; "" when other has none), a fresh attribute list, and a
    // copy of each child appended after the existing children. Other must be an element.
    void CopyFrom(const MXMLNode* other) override;
    bool Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const override;
    // Lays the subtree out with "\r\n" line breaks and two-space indentation.
    virtual void Indent(bool trim, int depth);
    // Releases whitespace-only character data; with `trim`, trims the rest. Whole subtree.
    virtual void TrimText(bool trim);

    // Navigation and reading.
    bool IsNamed(const char* elementName) const;
    MXMLElement* FirstChildElement() const;
    MXMLElement* FindChildElement(const char* elementName) const;
    MXMLElement* FindNthChildElement(const char* elementName, int index) const;
    int CountChildElements(const char* elementName) const;
    // The value of the first attribute with that name; "" when there is none. Never null.
    const char* GetAttribute(const char* attributeName) const;

    // Building. Lengths of 0 mean up to the first NUL.
    MXMLElement* AddElement(const char* elementName);
    MXMLText* AddText(const char* value, size_t length = 0);
    MXMLCDATA* AddCDATA(const char* value, size_t length = 0);
    MXMLComment* AddComment(const char* value, size_t length = 0);
    MXMLDeclaration* AddDeclaration(const char* value, size_t length = 0);
    // Appends a node of this document as last child (detaching it first if attached).
    void AppendChild(MXMLNode* node);
    // Inserts before `before` (a child of this element), or appends when it is null.
    void InsertBefore(MXMLNode* node, MXMLNode* before);
    // An existing attribute of that name keeps its place and takes the new value.
    void SetAttribute(const char* attributeName, const char* value);
    // The same with known lengths (the value may hold NUL bytes; it is stored up to `length`).
    void SetAttribute(const char* attributeName, size_t nameLength, const char* value,
                      size_t valueLength);
    // The same with a name already interned in this document.
    void SetInternedAttribute(const char* interned, const char* value, size_t valueLength);
    // Load's form: a new record holding its value behind it, packed by the document, when no
    // attribute of that name exists yet.
    void AddLoadedAttribute(const char* interned, const char* value, size_t valueLength);
    void ClearAttributes();

    const char* name = nullptr;  // interned; null for the root container
    AttributeList attributes;
    MXMLNode* firstChild = nullptr;
    MXMLNode* lastChild = nullptr;

protected:
    // Releases the children (iteratively), then the attributes.
    ~MXMLElement() override;

private:
    friend class MXMLDocument;

public:
    // Links a fresh detached node of this document as last child (no checks; Load's path).
    void LinkLast(MXMLNode* node) {
        node->parent = this;
        node->prev = lastChild;
        node->next = nullptr;
        if (lastChild) {
            lastChild->next = node;
        } else {
            firstChild = node;
        }
        lastChild = node;
    }

private:
    void ReleaseChildren();
    void CopyShallow(const MXMLElement* other);
    bool WriteStartTag(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape,
                       bool empty) const;
    void TrimCharacterData(bool trim);
    void IndentOne(bool trim, int depth, bool* descend);
};

inline MXMLElement* MXMLNode::AsElement() {
    return IsElement() ? static_cast<MXMLElement*>(this) : nullptr;
}
inline const MXMLElement* MXMLNode::AsElement() const {
    return IsElement() ? static_cast<const MXMLElement*>(this) : nullptr;
}
