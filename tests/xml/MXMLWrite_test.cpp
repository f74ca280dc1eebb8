// Writing: the forms of every node kind, escaping, the formatted attribute separator, TrimText,
// Indent and CopyFrom, and write-then-load round trips. Expected bytes are spelled out by hand.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "XmlTestSupport.h"
#include "xml/MXMLDocument.h"
#include "xml/gtXmlDoc.h"

namespace {

std::string Written(const MXMLNode* node, bool formatted = false) {
    StringStream s;
    MXMLEscapeBuffer escape;
    EXPECT_TRUE(node->Write(&s, formatted, &escape));
    return s.text;
}

std::string Saved(const MXMLDocument& doc, bool formatted = false) {
    StringStream s;
    EXPECT_TRUE(doc.Save(&s, formatted));
    return s.text;
}

MXMLElement* Load(gtXmlDoc& doc, const std::string& text) {
    StringGtStream s(text);
    EXPECT_TRUE(doc.Load(s)) << doc.GetErrorText();
    return doc.GetRoot()->FirstChildElement();
}

TEST(MXMLWriteTest, FormsOfEveryKind) {
    gtXmlDoc doc;
    MXMLElement* e = doc.GetRoot()->AddElement("e");
    EXPECT_EQ(Written(e), "<e/>");
    e->SetAttribute("k", "v");
    e->SetAttribute("j", "");
    EXPECT_EQ(Written(e), "<e k=\"v\" j=\"\"/>");
    e->AddText("a<b");
    e->AddCDATA("<&>");
    e->AddComment("-c-");
    e->AddDeclaration("pi x");
    e->AddElement("f")->AddText("1");
    EXPECT_EQ(Written(e), "<e k=\"v\" j=\"\">a&lt;b<![CDATA[<&>]]><!---c---><?pi x?><f>1</f></e>");
    // The root container has no name.
    EXPECT_EQ(Written(doc.GetRoot()).substr(0, 4), "<><e");
    EXPECT_EQ(Written(doc.GetRoot()).substr(Written(doc.GetRoot()).size() - 3), "</>");
}

TEST(MXMLWriteTest, EscapesEachByteAlone) {
    gtXmlDoc doc;
    MXMLElement* e = doc.GetRoot()->AddElement("e");
    std::string all;
    for (int c = 1; c < 256; ++c) all += (char)c;
    e->AddText(all.c_str());
    std::string expected;
    char ref[8];
    for (int c = 1; c < 256; ++c) {
        if (c == '"') {
            expected += "&quot;";
        } else if (c == '&') {
            expected += "&amp;";
        } else if (c == '\'') {
            expected += "&apos;";
        } else if (c == '<') {
            expected += "&lt;";
        } else if (c == '>') {
            expected += "&gt;";
        } else if (c <= 8 || c == 11 || c == 12 || (c >= 14 && c <= 31) || c >= 128) {
            snprintf(ref, sizeof ref, "&#x%02X;", c);
            expected += ref;
        } else {
            expected += (char)c;  // tab, LF, CR, printable ASCII and 0x7F
        }
    }
    EXPECT_EQ(Written(e->firstChild), expected);
    e->SetAttribute("v", "\xC3\xA9\t\"");
    EXPECT_EQ(Written(e).substr(0, 33), "<e v=\"&#xC3;&#xA9;\t&quot;\">&#x01;");
}

TEST(MXMLWriteTest, NonAsciiTextBecomesOneReferencePerByte) {
    gtXmlDoc doc;
    MXMLElement* e = doc.GetRoot()->AddElement("t");
    e->AddText("caf\xC3\xA9");
    std::string bytes = Saved(doc);
    EXPECT_EQ(bytes, "<t>caf&#xC3;&#xA9;</t>");
    // Read back, each reference is a character of its own: U+00C3 U+00A9 in UTF-8.
    gtXmlDoc again;
    EXPECT_STREQ(Load(again, bytes)->GetText(), "caf\xC3\x83\xC2\xA9");
}

TEST(MXMLWriteTest, FormattedSeparatorFollowsPlainTextIndent) {
    struct Case {
        const char* previous;  // text of the previous sibling; null: none
        const char* expected;
    } cases[] = {
        {nullptr, "<e a=\"1\" b=\"2\"/>"},
        {"\r\n    ", "<e\n      a=\"1\"\n      b=\"2\"/>"},               // 4 + 2
        {"\n\t", "<e\n    a=\"1\"\n    b=\"2\"/>"},                       // tab 2, + 2
        {"\n         ", "<e\n           a=\"1\"\n           b=\"2\"/>"},  // 9 + 2 = 11
        {"x  ", "<e\n    a=\"1\"\n    b=\"2\"/>"},                        // first char unread
        {"ab  ", "<e a=\"1\" b=\"2\"/>"},                                 // 'b' is not blank
        {"\n", "<e a=\"1\" b=\"2\"/>"},                                   // count 0
        {" ", "<e a=\"1\" b=\"2\"/>"},
    };
    for (const Case& c : cases) {
        gtXmlDoc doc;
        MXMLElement* p = doc.GetRoot()->AddElement("p");
        if (c.previous)
            p->AddText(c.previous);
        MXMLElement* e = p->AddElement("e");
        e->SetAttribute("a", "1");
        e->SetAttribute("b", "2");
        EXPECT_EQ(Written(e, true), c.expected) << (c.previous ? c.previous : "none");
        EXPECT_EQ(Written(e, false), "<e a=\"1\" b=\"2\"/>");
    }
    // A CDATA sibling is not plain text.
    gtXmlDoc doc;
    MXMLElement* p = doc.GetRoot()->AddElement("p");
    p->AddCDATA("\n    ");
    p->AddElement("e")->SetAttribute("a", "1");
    EXPECT_EQ(Written(p->lastChild, true), "<e a=\"1\"/>");
}

TEST(MXMLWriteTest, WriteReportsAShortStream) {
    gtXmlDoc doc;
    MXMLElement* top = Load(doc, "<a><b>text</b><c x=\"1\"/></a>");
    for (int limit = 0; limit < 27; ++limit) {
        StringStream s;
        s.limit = limit;
        MXMLEscapeBuffer escape;
        EXPECT_FALSE(top->Write(&s, false, &escape)) << limit;
        EXPECT_EQ(s.text, std::string("<a><b>text</b><c x=\"1\"/></a>").substr(0, limit));
    }
}

TEST(MXMLWriteTest, TrimText) {
    gtXmlDoc doc;
    MXMLElement* top = Load(doc, "<a>  x  <b> \n\t</b><c>\r\n</c>  <d> y<![CDATA[ ]]></d></a>");
    top->TrimText(false);
    EXPECT_EQ(Written(top), "<a>  x  <b/><c/><d> y</d></a>");
    top->TrimText(true);
    EXPECT_EQ(Written(top), "<a>x<b/><c/><d>y</d></a>");
}

TEST(MXMLWriteTest, IndentLaysOutElements) {
    gtXmlDoc doc;
    MXMLElement* top = Load(doc, "<a><b>t</b><c/></a>");
    top->Indent(false, 1);
    EXPECT_EQ(Written(top), "<a>\r\n  <b>t</b>\r\n  <c/>\r\n</a>");

    gtXmlDoc deep;
    top = Load(deep, "<a>\n <b><c k=\"1\" j=\"2\"/></b>\n</a>");
    top->Indent(false, 1);
    EXPECT_EQ(Written(top), "<a>\r\n  <b>\r\n    <c k=\"1\" j=\"2\"/>\r\n  </b>\r\n</a>");
    EXPECT_EQ(Written(top, true),
              "<a>\r\n  <b>\r\n    <c\n      k=\"1\"\n      j=\"2\"/>\r\n  </b>\r\n</a>");
}

TEST(MXMLWriteTest, IndentFromDepthZeroPutsBreaksAfterTopLevelNodes) {
    gtXmlDoc doc;
    Load(doc, "<?x?><a><b/></a>");
    doc.GetRoot()->Indent(false, 0);
    EXPECT_EQ(Saved(doc), "<?x?>\r\n<a>\r\n  <b/>\r\n</a>\r\n");
}

TEST(MXMLWriteTest, IndentWithTrimKeepsShortTextOnItsLine) {
    gtXmlDoc doc;
    MXMLElement* top = Load(doc, "<a> x <b> 1 </b></a>");
    top->Indent(true, 1);
    EXPECT_EQ(Written(top), "<a>\r\n  x\r\n  <b>1</b>\r\n</a>");
}

TEST(MXMLWriteTest, CopyFromAcrossDocuments) {
    gtXmlDoc source;
    MXMLElement* top =
        Load(source, "<a k=\"1\" j=\"&amp;\">x<b><!--c--><?d?><![CDATA[z]]></b>y<e/></a>");
    gtXmlDoc target;
    MXMLElement* copy = target.GetRoot()->AddElement("old");
    copy->SetAttribute("gone", "1");
    copy->CopyFrom(top);
    EXPECT_EQ(Written(copy), Written(top));
    EXPECT_EQ(copy->name, target.InternName("a"));
    // Texts are copies, not shared.
    EXPECT_NE(static_cast<MXMLText*>(copy->firstChild)->text,
              static_cast<MXMLText*>(top->firstChild)->text);
    // Existing children stay in front of the copies.
    MXMLElement* again = target.GetRoot()->AddElement("z");
    again->AddText("keep");
    again->CopyFrom(top);
    EXPECT_EQ(Written(again),
              "<a k=\"1\" j=\"&amp;\">keepx<b><!--c--><?d?><![CDATA[z]]></b>y<e/></a>");
    // A nameless source gives an empty name; text nodes copy GetText of any node.
    MXMLElement* nameless = target.GetRoot()->AddElement("n");
    nameless->CopyFrom(source.GetRoot());
    EXPECT_STREQ(nameless->name, "");
    MXMLText* t = target.GetRoot()->AddText("old");
    t->CopyFrom(top->FindChildElement("b"));
    EXPECT_STREQ(t->text, "z");
}

TEST(MXMLWriteTest, CopyFromOwnAncestorTerminates) {
    gtXmlDoc doc;
    MXMLElement* top = Load(doc, "<a><b>t</b></a>");
    MXMLElement* b = top->FindChildElement("b");
    b->CopyFrom(top);
    EXPECT_EQ(Written(top), "<a><a>t<b>t</b></a></a>");
    top->CopyFrom(top);
    EXPECT_EQ(Written(top), "<a><a>t<b>t</b></a><a>t<b>t</b></a></a>");
}

// Random ASCII trees without adjacent text nodes come back equal after write and load.
class TreeBuilder {
public:
    explicit TreeBuilder(uint32_t seed) : m_rng(seed) {}
    void Fill(MXMLElement* e, int depth) {
        int n = (int)(m_rng() % 5);
        bool lastWasText = false;
        for (int i = 0; i < n; ++i) {
            int kind = (int)(m_rng() % 5);
            if (kind == 0 && lastWasText)
                kind = 1;
            lastWasText = kind == 0;
            switch (kind) {
                case 0:
                    e->AddText(Text(1).c_str());
                    break;
                case 1:
                case 2: {
                    MXMLElement* c = e->AddElement(Name().c_str());
                    for (int a = (int)(m_rng() % 3); a > 0; --a)
                        c->SetAttribute(Name().c_str(), Text(0).c_str());
                    if (depth < 5)
                        Fill(c, depth + 1);
                    break;
                }
                case 3:
                    e->AddComment(("c" + Name() + " c").c_str());
                    break;
                default:
                    e->AddCDATA(("d" + Text(0)).c_str());
                    break;
            }
        }
    }

private:
    std::string Name() {
        static const char* names[] = {"a", "b1", "x:y", "_n-.", "Mesh", "vertex"};
        return names[m_rng() % 6];
    }
    std::string Text(int minimum) {
        static const char alphabet[] = "ab <>&\"'\t\n\r\x01\x1F\x7F;#x0123";
        std::string t;
        int n = minimum + (int)(m_rng() % 8);
        for (int i = 0; i < n; ++i) t += alphabet[m_rng() % (sizeof alphabet - 1)];
        // CDATA and attribute texts must not hold their closers; texts start with a non-NUL.
        return t;
    }
    std::mt19937 m_rng;
};

bool SameTree(const MXMLNode* a, const MXMLNode* b) {
    if (a->kind != b->kind)
        return false;
    if (!a->IsElement())
        return std::string(a->GetText()) == b->GetText();
    auto* ea = a->AsElement();
    auto* eb = b->AsElement();
    if (std::string(ea->name ? ea->name : "") != (eb->name ? eb->name : ""))
        return false;
    const MXMLElement::Attribute *x = ea->attributes.head, *y = eb->attributes.head;
    for (; x && y; x = x->next, y = y->next) {
        if (std::string(x->name) != y->name || std::string(x->value) != y->value)
            return false;
    }
    if (x || y)
        return false;
    const MXMLNode *ca = ea->firstChild, *cb = eb->firstChild;
    for (; ca && cb; ca = ca->next, cb = cb->next) {
        if (!SameTree(ca, cb))
            return false;
    }
    return !ca && !cb;
}

TEST(MXMLWriteTest, WriteThenLoadGivesTheSameTree) {
    for (uint32_t seed = 0; seed < 200; ++seed) {
        gtXmlDoc doc;
        MXMLElement* top = doc.GetRoot()->AddElement("root");
        TreeBuilder(seed).Fill(top, 0);
        for (bool formatted : {false, true}) {
            std::string bytes = Saved(doc, formatted);
            gtXmlDoc again;
            StringGtStream s(bytes);
            ASSERT_TRUE(again.Load(s)) << again.GetErrorText() << "\n" << bytes;
            if (!formatted) {
                EXPECT_TRUE(SameTree(top, again.GetRoot()->FirstChildElement())) << bytes;
            }
            EXPECT_EQ(Saved(again, formatted), bytes);
        }
    }
}

}  // namespace
