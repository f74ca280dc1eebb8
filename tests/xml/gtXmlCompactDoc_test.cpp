// gtXmlCompactDoc against gtXmlDoc on the same bytes: the same outcome and error text, and every
// reading operation (names, child elements by name and position, counts, attributes, joined
// texts) gives equal results, on random and damaged documents and on hand-made edge cases.
#include "xml/gtXmlCompactDoc.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XmlDocumentGenerator.h"
#include "XmlTestSupport.h"
#include "xml/gtXmlDoc.h"

namespace {

std::string Str(const char* s) {
    return s ? std::string(s) : std::string("(null)");
}

// Compares every reading result of one element and of its child elements.
void ExpectSameElement(const MXMLElement* e, gtXmlElementRef c) {
    EXPECT_EQ(Str(e->name), Str(c->Name()));
    EXPECT_EQ(std::string(e->GetText()), std::string(c->GetText())) << Str(e->name);
    std::vector<std::string> asked = {"stream", "k1", "k2", "missing", ""};
    for (const MXMLElement::Attribute* a = e->attributes.head; a; a = a->next)
        asked.push_back(a->name);
    for (const std::string& name : asked)
        EXPECT_EQ(std::string(e->GetAttribute(name.c_str())), c->GetAttribute(name.c_str()));
    EXPECT_STREQ(c->GetAttribute(nullptr), "");
    EXPECT_FALSE(c->IsNamed(nullptr));
    // Searches by the names of the first children (each search walks all children).
    const MXMLElement* x = e->FirstChildElement();
    gtXmlElementRef y = c->FirstChildElement();
    for (int i = 0; x && y && i < 16;
         x = x->NextSiblingElement(), y = y->NextSiblingElement(), ++i) {
        const char* name = x->name;
        EXPECT_TRUE(y->IsNamed(name));
        EXPECT_EQ(e->CountChildElements(name), c->CountChildElements(name));
        for (int k = -1; k < 3; ++k) {
            EXPECT_EQ(e->FindNthChildElement(name, k) == nullptr,
                      c->FindNthChildElement(name, k) == nullptr);
        }
        EXPECT_EQ(e->FindChildElement(name) == x, c->FindChildElement(name) == y);
    }
}

// Walks both trees together (without recursion: documents may be deep).
void ExpectSameTree(const MXMLElement* root, gtXmlElementRef compactRoot) {
    std::vector<std::pair<const MXMLElement*, gtXmlElementRef>> pending = {{root, compactRoot}};
    while (!pending.empty()) {
        auto [e, c] = pending.back();
        pending.pop_back();
        ExpectSameElement(e, c);
        const MXMLElement* x = e->FirstChildElement();
        gtXmlElementRef y = c->FirstChildElement();
        for (; x && y; x = x->NextSiblingElement(), y = y->NextSiblingElement())
            pending.emplace_back(x, y);
        EXPECT_EQ(x == nullptr, y == nullptr);
    }
}

void ExpectSameLoad(const std::string& text, const char* label) {
    SCOPED_TRACE(label);
    gtXmlDoc doc;
    gtXmlCompactDoc compact;
    StringGtStream a(text), b(text);
    bool ok = doc.Load(a);
    ASSERT_EQ(ok, compact.Load(b));
    if (!ok) {
        EXPECT_STREQ(doc.GetErrorText(), compact.GetErrorText());
        return;
    }
    ExpectSameTree(doc.GetRoot(), compact.GetRoot());
}

TEST(gtXmlCompactDoc, RandomDocumentsReadAlike) {
    for (uint32_t seed = 0; seed < 150; ++seed) {
        Generator g(seed + 21000);
        std::string text = g.Make();
        ExpectSameLoad(text, ("seed " + std::to_string(seed)).c_str());
        ExpectSameLoad(g.Damage(text), ("damaged seed " + std::to_string(seed)).c_str());
    }
}

TEST(gtXmlCompactDoc, EdgeCasesReadAlike) {
    static const char* cases[] = {
        "<a/>",
        "  \n<a></A>\n  ",
        "<a>one<b/>two<![CDATA[three]]><!--no-->four<?pi?></a>",
        "<a>x&#0;y</a>",  // fails
        "<a k=\"1\" j=\"2\" k=\"3\"><k/></a>",
        "<a>\n    </a>",
        "<a><b>\n    </b><c>\n    </c><d>\n   \t</d></a>",
        "<a><b/><b>1</b><c/><b>2</b></a>",
        "",
        "<a>",
        "<?xml version=\"1.0\"?><!-- c --><r a=\"&lt;&#x41;\"/>\n<!-- tail -->",
        // names met again under the same lookup key: case variants (one folded hash), attribute
        // names of one length, first and last byte, names too long to be kept for comparison
        "<Mesh><MESH/><mesh kax=\"1\" kbx=\"2\"><mesh kbx=\"3\" kax=\"4\"/></mesh><MESH/></Mesh>",
        "<elementNameLongerThan24Bytes_a attributeNameLongerThan24Bytes_a=\"1\" "
        "attributeNameLongerThan24Bytes_b=\"2\"><elementNameLongerThan24Bytes_b/>"
        "<elementNameLongerThan24Bytes_a attributeNameLongerThan24Bytes_b=\"3\"/>"
        "</elementNameLongerThan24Bytes_a>",
    };
    int i = 0;
    for (const char* text : cases) ExpectSameLoad(text, ("case " + std::to_string(i++)).c_str());
    // A NUL inside a text: each piece of a joined text counts up to its first NUL.
    ExpectSameLoad(std::string("<a>x\0y<b/>z</a>", 15), "embedded NUL");
    ExpectSameLoad(std::string("<a>x\0y</a>", 10), "embedded NUL, one piece");
}

TEST(gtXmlCompactDoc, DeepAndWideDocumentsAcrossPieces) {
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<d>" + std::to_string(i % 10);
    for (int i = 0; i < 20000; ++i) deep += "</d>";
    ExpectSameLoad(deep, "deep");
    std::string wide = "<w>";
    for (int i = 0; i < 30000; ++i)
        wide += "<v s=\"" + std::to_string(i % 3) + "\">" + std::to_string(i) + "</v>\n  ";
    wide += std::string(5 << 20, 'z') + "</w>";  // a text longer than an arena block
    ExpectSameLoad(wide, "wide");
}

// A failed load keeps the previous tree; texts stay valid without any scratch text.
TEST(gtXmlCompactDoc, FailedLoadKeepsThePreviousTree) {
    gtXmlCompactDoc doc;
    EXPECT_EQ(doc.GetRoot()->FirstChildElement(), nullptr);
    EXPECT_STREQ(doc.GetRoot()->GetText(), "");
    StringGtStream good("<a>1<b>2</b>3</a>"), bad("<a><b></a>");
    ASSERT_TRUE(doc.Load(good));
    const char* joined = doc.GetRoot()->FirstChildElement()->GetText();
    EXPECT_FALSE(doc.Load(bad));
    EXPECT_STREQ(doc.GetErrorText(), "end tag does not match start tag, line 1, col 11");
    EXPECT_STREQ(joined, "13");
    EXPECT_TRUE(doc.GetRoot()->FirstChildElement()->IsNamed("a"));
    EXPECT_EQ(doc.GetRoot()->Name(), nullptr);
}

}  // namespace
