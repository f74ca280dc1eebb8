// The writing side of the node classes: Write for every kind, TrimText, Indent and the deep
// CopyFrom of elements.
//
// Escaping (text and attribute values; names, comments, declarations and CDATA are raw): each
// byte alone; control bytes other than tab, LF and CR, and bytes 0x80-0xFF become "&#x%02X;"
// (so a multi-byte character becomes one reference per byte); " & ' < > become their entity
// references. Subtrees are walked with loops over the parent links, never by recursion, so any
// depth is written, copied, trimmed and indented in constant stack.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>

#include "xml/MXMLDocument.h"
#include "xml/MXMLNode.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Output helpers

bool Put(MXMLStream* stream, const char* bytes, size_t n) {
    while (n > 0) {
        int chunk = n > (size_t)INT_MAX ? INT_MAX : (int)n;
        if (stream->Write(bytes, chunk) != chunk)
            return false;
        bytes += chunk;
        n -= (size_t)chunk;
    }
    return true;
}

bool Put(MXMLStream* stream, const char* text) {
    return Put(stream, text, std::strlen(text));
}

// The escaped form of one byte, or null when it is written as it is.
const char* EntityFor(unsigned char c) {
    switch (c) {
        case '"':
            return "&quot;";
        case '&':
            return "&amp;";
        case '\'':
            return "&apos;";
        case '<':
            return "&lt;";
        case '>':
            return "&gt;";
        default:
            return nullptr;
    }
}

inline bool NeedsCharacterReference(unsigned char c) {
    return c <= 0x08 || c == 0x0B || c == 0x0C || (c >= 0x0E && c <= 0x1F) || c >= 0x80;
}

bool PutEscaped(MXMLStream* stream, const char* text, MXMLEscapeBuffer* escape) {
    size_t length = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (NeedsCharacterReference(*p)) {
            length += 6;
        } else if (const char* entity = EntityFor(*p)) {
            length += std::strlen(entity);
        } else {
            length += 1;
        }
    }
    if (length == 0)
        return true;
    MXMLEscapeBuffer local;
    char* out = (escape ? escape : &local)->Reserve(length);
    char* o = out;
    static const char kHex[] = "0123456789ABCDEF";
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (NeedsCharacterReference(*p)) {
            std::memcpy(o, "&#x", 3);
            o[3] = kHex[*p >> 4];
            o[4] = kHex[*p & 15];
            o[5] = ';';
            o += 6;
        } else if (const char* entity = EntityFor(*p)) {
            size_t n = std::strlen(entity);
            std::memcpy(o, entity, n);
            o += n;
        } else {
            *o++ = (char)*p;
        }
    }
    return Put(stream, out, length);
}

// Indent width for the attribute separator, from a plain-text previous sibling: its trailing
// spaces (1 each) and tabs (2 each), scanned back to the second character, count when
// everything before them down to the second character is white space; a count above 0 gets 2
// added.
int IndentWidth(const MXMLNode* previous) {
    if (!previous || !previous->IsPlainText())
        return 0;
    const char* t = previous->GetText();
    size_t length = std::strlen(t);
    int count = 0;
    size_t i = length;
    while (i > 1) {
        char c = t[i - 1];
        if (c == ' ') {
            count += 1;
        } else if (c == '\t') {
            count += 2;
        } else {
            break;
        }
        --i;
    }
    for (size_t j = i; j > 1; --j) {
        char c = t[j - 1];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            return 0;
    }
    return count > 0 ? count + 2 : 0;
}

bool PutSeparator(MXMLStream* stream, int width) {
    if (width <= 0)
        return Put(stream, " ", 1);
    static const char kEight[] = "        ";
    if (!Put(stream, "\n", 1))
        return false;
    for (; width >= 8; width -= 8) {
        if (!Put(stream, kEight, 8))
            return false;
    }
    return width == 0 || Put(stream, kEight, (size_t)width);
}

bool PutEndTag(MXMLStream* stream, const MXMLElement* e) {
    return Put(stream, "</", 2) && Put(stream, e->name ? e->name : "") && Put(stream, ">", 1);
}

bool IsWhite(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

}  // namespace

// =============================================================================================
// Escape buffer

MXMLEscapeBuffer::~MXMLEscapeBuffer() {
    std::free(m_data);
}

char* MXMLEscapeBuffer::Reserve(size_t size) {
    if (size > m_capacity) {
        size_t capacity = 64;
        while (capacity < size) capacity *= 2;
        char* data = static_cast<char*>(std::malloc(capacity));
        if (!data)
            throw std::bad_alloc();
        std::free(m_data);
        m_data = data;
        m_capacity = capacity;
    }
    return m_data;
}

// =============================================================================================
// Write

bool MXMLDeclaration::Write(MXMLStream* stream, bool, MXMLEscapeBuffer*) const {
    return Put(stream, "<?", 2) && Put(stream, GetText()) && Put(stream, "?>", 2);
}

bool MXMLComment::Write(MXMLStream* stream, bool, MXMLEscapeBuffer*) const {
    return Put(stream, "<!--", 4) && Put(stream, GetText()) && Put(stream, "-->", 3);
}

bool MXMLText::Write(MXMLStream* stream, bool, MXMLEscapeBuffer* escape) const {
    return PutEscaped(stream, GetText(), escape);
}

bool MXMLCDATA::Write(MXMLStream* stream, bool, MXMLEscapeBuffer*) const {
    return Put(stream, "<![CDATA[", 9) && Put(stream, GetText()) && Put(stream, "]]>", 3);
}

bool MXMLElement::WriteStartTag(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape,
                                bool empty) const {
    if (!Put(stream, "<", 1) || !Put(stream, name ? name : ""))
        return false;
    int width = -1;
    for (const Attribute* a = attributes.head; a; a = a->next) {
        if (width < 0)
            width = formatted ? IndentWidth(prev) : 0;
        if (!PutSeparator(stream, width) || !Put(stream, a->name) || !Put(stream, "=\"", 2) ||
            !PutEscaped(stream, a->value ? a->value : "", escape) || !Put(stream, "\"", 1)) {
            return false;
        }
    }
    return empty ? Put(stream, "/>", 2) : Put(stream, ">", 1);
}

// Pre-order walk: start tags on the way down, end tags when the last child of an element is
// done; non-element children write themselves.
bool MXMLElement::Write(MXMLStream* stream, bool formatted, MXMLEscapeBuffer* escape) const {
    if (!WriteStartTag(stream, formatted, escape, firstChild == nullptr))
        return false;
    const MXMLNode* cur = firstChild;
    while (cur) {
        if (const MXMLElement* e = cur->AsElement()) {
            if (!e->WriteStartTag(stream, formatted, escape, e->firstChild == nullptr))
                return false;
            if (e->firstChild) {
                cur = e->firstChild;
                continue;
            }
        } else if (!cur->Write(stream, formatted, escape)) {
            return false;
        }
        while (!cur->next) {
            const MXMLElement* up = cur->parent;
            if (!PutEndTag(stream, up))
                return false;
            if (up == this)
                return true;
            cur = up;
        }
        cur = cur->next;
    }
    return true;
}

// =============================================================================================
// TrimText and Indent

// Releases character-data children that are empty or white space only; with `trim`, cuts
// leading and trailing white space from the others.
void MXMLElement::TrimCharacterData(bool trim) {
    for (MXMLNode* n = firstChild; n;) {
        MXMLNode* after = n->next;
        if (n->IsCharacterData()) {
            auto* t = static_cast<MXMLTextBase*>(n);
            const char* s = t->GetText();
            size_t length = std::strlen(s);
            size_t first = 0;
            while (first < length && IsWhite(s[first])) ++first;
            if (first == length) {
                n->Release();
            } else if (trim) {
                size_t last = length;
                while (IsWhite(s[last - 1])) --last;
                if (first > 0 || last < length)
                    t->SetText(s + first, last - first);
            }
        }
        n = after;
    }
}

void MXMLElement::TrimText(bool trim) {
    MXMLElement* e = this;
    for (;;) {
        e->TrimCharacterData(trim);
        if (MXMLElement* child = e->FirstChildElement()) {
            e = child;
            continue;
        }
        while (e != this) {
            if (MXMLElement* sibling = e->NextSiblingElement()) {
                e = sibling;
                break;
            }
            e = e->parent;
        }
        if (e == this)
            return;
    }
}

// One element's step of Indent; *descend tells whether its child elements are indented next.
void MXMLElement::IndentOne(bool trim, int depth, bool* descend) {
    *descend = false;
    TrimCharacterData(trim);
    if (!firstChild)
        return;
    // The line break: "\r\n" and depth - 1 indents of two spaces.
    static const char kSpaces[] =
        "                                                                ";
    document->ClearScratch();
    document->AppendScratch("\r\n", 2);
    for (long long spaces = depth > 1 ? 2LL * (depth - 1) : 0; spaces > 0; spaces -= 64) {
        document->AppendScratch(kSpaces, spaces < 64 ? (size_t)spaces : 64);
    }
    if (firstChild == lastChild && firstChild->IsPlainText())
        return;
    if (depth < 1) {
        for (MXMLNode* n = firstChild; n;) {
            MXMLNode* after = n->next;
            MXMLText* brk = document->NewNode<MXMLText>();
            brk->SetText(document->GetScratch(), 0);
            InsertBefore(brk, after);
            n = after;
        }
    } else {
        MXMLText* closing = document->NewNode<MXMLText>();
        closing->SetText(document->GetScratch(), 0);
        document->AppendScratch("  ", 2);
        for (MXMLNode* n = firstChild; n; n = n->next) {
            MXMLText* brk = document->NewNode<MXMLText>();
            brk->SetText(document->GetScratch(), 0);
            InsertBefore(brk, n);
        }
        AppendChild(closing);
    }
    *descend = true;
}

// Pre-order over the elements of the subtree, depth rising by one per level.
void MXMLElement::Indent(bool trim, int depth) {
    MXMLElement* e = this;
    int d = depth;
    for (;;) {
        bool descend;
        e->IndentOne(trim, d, &descend);
        if (MXMLElement* child = descend ? e->FirstChildElement() : nullptr) {
            e = child;
            ++d;
            continue;
        }
        while (e != this) {
            if (MXMLElement* sibling = e->NextSiblingElement()) {
                e = sibling;
                break;
            }
            e = e->parent;
            --d;
        }
        if (e == this)
            return;
    }
}

// =============================================================================================
// CopyFrom (elements)

// Name and a fresh copy of the attribute list.
void MXMLElement::CopyShallow(const MXMLElement* other) {
    name = document->InternName(other->name ? other->name : "");
    ClearAttributes();
    Attribute** link = &attributes.head;
    for (const Attribute* a = other->attributes.head; a; a = a->next) {
        auto* copy = static_cast<Attribute*>(document->Allocate(sizeof(Attribute)));
        copy->name = document->InternName(a->name);
        copy->value = document->CopyText(a->value ? a->value : "", 0);
        copy->next = nullptr;
        *link = copy;
        link = &copy->next;
    }
}

void MXMLElement::CopyFrom(const MXMLNode* other) {
    const MXMLElement* source = other ? other->AsElement() : nullptr;
    if (!source)
        return;
    // Copying an ancestor (or itself) into this element would walk into its own copies: copy
    // through a detached temporary instead.
    for (const MXMLNode* e = this; e; e = e->parent) {
        if (e == source) {
            MXMLElement* temp = document->NewNode<MXMLElement>();
            temp->CopyFrom(source);
            CopyFrom(temp);
            temp->Release();
            return;
        }
    }
    CopyShallow(source);
    // Walk the source subtree in pre-order, creating each copy under the copy of its parent.
    const MXMLNode* cur = source->firstChild;
    MXMLElement* target = this;
    while (cur) {
        MXMLNode* copy = document->CreateLike(cur);
        if (copy)
            target->LinkLast(copy);
        const MXMLElement* e = cur->AsElement();
        if (e && copy) {
            auto* ce = static_cast<MXMLElement*>(copy);
            ce->CopyShallow(e);
            if (e->firstChild) {
                cur = e->firstChild;
                target = ce;
                continue;
            }
        } else if (copy) {
            copy->CopyFrom(cur);
        }
        while (!cur->next && cur->parent != source) {
            cur = cur->parent;
            target = target->parent;
        }
        cur = cur->next;
    }
}
