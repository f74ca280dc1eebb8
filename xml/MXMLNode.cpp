// MXMLNode, MXMLTextBase and MXMLElement: linking, release, navigation, attributes and the
// building operations (see MXMLNode.h). The writing side lives in MXMLWrite.cpp.
#include "xml/MXMLNode.h"

#include <cstring>

#include "xml/MXMLDocument.h"

// =============================================================================================
// MXMLNode

void MXMLNode::Release() {
    Detach();
    MXMLDocument* owner = document;
    this->~MXMLNode();
    owner->Free(this);
}

const char* MXMLNode::GetText() const {
    return nullptr;
}

MXMLElement* MXMLNode::NextSiblingElement() const {
    for (MXMLNode* n = next; n; n = n->next) {
        if (n->IsElement())
            return static_cast<MXMLElement*>(n);
    }
    return nullptr;
}

void MXMLNode::Detach() {
    if (parent) {
        if (prev) {
            prev->next = next;
        } else {
            parent->firstChild = next;
        }
        if (next) {
            next->prev = prev;
        } else {
            parent->lastChild = prev;
        }
    }
    parent = nullptr;
    next = prev = nullptr;
}

// =============================================================================================
// MXMLTextBase

MXMLTextBase::~MXMLTextBase() {
    if (Storage() == kOwnBlock)
        document->Free(text);
}

void MXMLTextBase::SetText(const char* value, size_t length) {
    char* copy = document->CopyText(value ? value : "", value ? length : 0);
    if (Storage() == kOwnBlock)
        document->Free(text);
    SetTextStorage(copy, kOwnBlock);
}

void MXMLTextBase::CopyFrom(const MXMLNode* other) {
    const char* t = other ? other->GetText() : nullptr;
    SetText(t ? t : "", 0);
}

// =============================================================================================
// MXMLElement: lifetime

MXMLElement::~MXMLElement() {
    ReleaseChildren();
    ClearAttributes();
}

// Post-order release of the whole subtree without recursion: descend to a node without
// children, release it, continue with its next sibling or, after the last, with its parent.
void MXMLElement::ReleaseChildren() {
    MXMLNode* cur = firstChild;
    while (cur) {
        MXMLElement* e = cur->AsElement();
        if (e && e->firstChild) {
            cur = e->firstChild;
            continue;
        }
        MXMLElement* up = cur->parent;
        MXMLNode* after = cur->next;
        cur->Release();
        cur = after ? after : (up == this ? nullptr : up);
    }
}

void MXMLElement::ClearAttributes() {
    for (Attribute* a = attributes.head; a;) {
        Attribute* nextAttribute = a->next;
        if (a->OwnsValueBlock())
            document->Free(a->value);
        document->Free(a);
        a = nextAttribute;
    }
    attributes.head = nullptr;
}

// =============================================================================================
// MXMLElement: navigation and reading

bool MXMLElement::IsNamed(const char* elementName) const {
    return name && elementName && std::strcmp(name, elementName) == 0;
}

MXMLElement* MXMLElement::FirstChildElement() const {
    for (MXMLNode* n = firstChild; n; n = n->next) {
        if (n->IsElement())
            return static_cast<MXMLElement*>(n);
    }
    return nullptr;
}

MXMLElement* MXMLElement::FindChildElement(const char* elementName) const {
    return FindNthChildElement(elementName, 0);
}

MXMLElement* MXMLElement::FindNthChildElement(const char* elementName, int index) const {
    if (index < 0)
        return nullptr;
    for (MXMLNode* n = firstChild; n; n = n->next) {
        if (n->IsElement() && static_cast<MXMLElement*>(n)->IsNamed(elementName)) {
            if (index-- == 0)
                return static_cast<MXMLElement*>(n);
        }
    }
    return nullptr;
}

int MXMLElement::CountChildElements(const char* elementName) const {
    int count = 0;
    for (MXMLNode* n = firstChild; n; n = n->next) {
        if (n->IsElement() && static_cast<MXMLElement*>(n)->IsNamed(elementName))
            ++count;
    }
    return count;
}

const char* MXMLElement::GetAttribute(const char* attributeName) const {
    if (!attributeName)
        return "";
    for (const Attribute* a = attributes.head; a; a = a->next) {
        if (std::strcmp(a->name, attributeName) == 0)
            return a->value ? a->value : "";
    }
    return "";
}

const char* MXMLElement::GetText() const {
    const MXMLNode* only = nullptr;
    int count = 0;
    for (const MXMLNode* n = firstChild; n && count < 2; n = n->next) {
        if (n->IsCharacterData()) {
            if (!only)
                only = n;
            ++count;
        }
    }
    if (count == 0)
        return "";
    if (count == 1)
        return only->GetText();
    document->ClearScratch();
    for (const MXMLNode* n = firstChild; n; n = n->next) {
        if (n->IsCharacterData())
            document->AppendScratch(n->GetText(), 0);
    }
    return document->GetScratch();
}

// =============================================================================================
// MXMLElement: building

namespace {

template <class T>
T* AddTextNode(MXMLElement* parent, const char* value, size_t length) {
    T* node = parent->document->NewNode<T>();
    node->text = parent->document->CopyText(value ? value : "", value ? length : 0);
    parent->LinkLast(node);
    return node;
}

// True when `node` is this element or one of its ancestors (appending it would make a cycle).
bool IsSelfOrAncestor(const MXMLElement* element, const MXMLNode* node) {
    for (const MXMLNode* e = element; e; e = e->parent) {
        if (e == node)
            return true;
    }
    return false;
}

}  // namespace

MXMLElement* MXMLElement::AddElement(const char* elementName) {
    MXMLElement* e = document->NewNode<MXMLElement>();
    e->name = document->InternName(elementName ? elementName : "");
    LinkLast(e);
    return e;
}

MXMLText* MXMLElement::AddText(const char* value, size_t length) {
    return AddTextNode<MXMLText>(this, value, length);
}

MXMLCDATA* MXMLElement::AddCDATA(const char* value, size_t length) {
    return AddTextNode<MXMLCDATA>(this, value, length);
}

MXMLComment* MXMLElement::AddComment(const char* value, size_t length) {
    return AddTextNode<MXMLComment>(this, value, length);
}

MXMLDeclaration* MXMLElement::AddDeclaration(const char* value, size_t length) {
    return AddTextNode<MXMLDeclaration>(this, value, length);
}

void MXMLElement::AppendChild(MXMLNode* node) {
    InsertBefore(node, nullptr);
}

void MXMLElement::InsertBefore(MXMLNode* node, MXMLNode* before) {
    if (!node || node == before || node->document != document)
        return;
    if (node->IsElement() && IsSelfOrAncestor(this, node))
        return;
    node->Detach();
    if (!before || before->parent != this) {
        LinkLast(node);
        return;
    }
    node->parent = this;
    node->next = before;
    node->prev = before->prev;
    if (before->prev) {
        before->prev->next = node;
    } else {
        firstChild = node;
    }
    before->prev = node;
}

void MXMLElement::SetAttribute(const char* attributeName, const char* value) {
    if (!attributeName)
        return;
    if (!value)
        value = "";
    SetAttribute(attributeName, std::strlen(attributeName), value, std::strlen(value));
}

void MXMLElement::SetAttribute(const char* attributeName, size_t nameLength, const char* value,
                               size_t valueLength) {
    SetInternedAttribute(document->InternName(attributeName, nameLength), value, valueLength);
}

// Names are interned, so equal names are the same pointer.
void MXMLElement::SetInternedAttribute(const char* interned, const char* value,
                                       size_t valueLength) {
    char* copy = static_cast<char*>(document->Allocate(valueLength + 1));
    std::memcpy(copy, value, valueLength);
    copy[valueLength] = 0;
    Attribute** link = &attributes.head;
    for (; *link; link = &(*link)->next) {
        if ((*link)->name == interned) {
            if ((*link)->OwnsValueBlock())
                document->Free((*link)->value);
            (*link)->value = copy;
            return;
        }
    }
    auto* a = static_cast<Attribute*>(document->Allocate(sizeof(Attribute)));
    a->name = interned;
    a->value = copy;
    a->next = nullptr;
    *link = a;
}

void MXMLElement::AddLoadedAttribute(const char* interned, const char* value, size_t valueLength) {
    Attribute** link = &attributes.head;
    for (; *link; link = &(*link)->next) {
        if ((*link)->name == interned) {
            SetInternedAttribute(interned, value, valueLength);
            return;
        }
    }
    auto* a =
        static_cast<Attribute*>(document->AllocatePacked(sizeof(Attribute) + valueLength + 1));
    a->name = interned;
    a->value = a->ValueBehind();
    std::memcpy(a->value, value, valueLength);
    a->value[valueLength] = 0;
    a->next = nullptr;
    *link = a;
}
