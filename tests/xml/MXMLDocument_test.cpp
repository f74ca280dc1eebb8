// MXMLDocument / gtXmlDoc: Load, element text, navigation, attributes, building, the name table
// and the scratch text.
#include "xml/MXMLDocument.h"

#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "toolkit/gtFile.h"
#include "toolkit/gtFileDevice.h"
#include "xml/gtXmlDoc.h"

namespace {

MXMLElement* LoadTop(gtXmlDoc& doc, const std::string& text) {
    StringGtStream s(text);
    EXPECT_TRUE(doc.Load(s)) << doc.GetErrorText();
    return doc.GetRoot()->FirstChildElement();
}

TEST(MXMLDocumentTest, KindWords) {
    gtXmlDoc doc;
    MXMLElement* top = LoadTop(doc, "<?d?><!--c--><a>t<![CDATA[c]]></a>");
    MXMLNode* n = doc.GetRoot()->firstChild;
    EXPECT_EQ(n->kind, 3u);
    EXPECT_EQ(n->next->kind, 5u);
    EXPECT_EQ(n->next->next->kind, 33u);
    EXPECT_EQ(top->firstChild->kind, 9u);
    EXPECT_EQ(top->lastChild->kind, 25u);
    EXPECT_TRUE(top->lastChild->IsCharacterData());
    EXPECT_FALSE(top->lastChild->IsPlainText());
    EXPECT_EQ(doc.GetRoot()->name, nullptr);
    EXPECT_EQ(doc.GetRoot()->parent, nullptr);
}

TEST(MXMLDocumentTest, ElementText) {
    gtXmlDoc doc;
    MXMLElement* top = LoadTop(
        doc, "<r><a>1</a><b> <c/> </b><d>x<![CDATA[y]]>z</d><e>x<!--c-->y</e><f/><g><h/></g></r>");
    EXPECT_STREQ(top->FindChildElement("a")->GetText(), "1");
    EXPECT_STREQ(top->FindChildElement("b")->GetText(), "  ");
    EXPECT_STREQ(top->FindChildElement("d")->GetText(), "xyz");
    EXPECT_STREQ(top->FindChildElement("e")->GetText(), "xy");
    EXPECT_STREQ(top->FindChildElement("f")->GetText(), "");
    EXPECT_STREQ(top->FindChildElement("g")->GetText(), "");
    // One piece is the child's own text; joined texts share the scratch text.
    MXMLElement* a = top->FindChildElement("a");
    EXPECT_EQ(a->GetText(), static_cast<MXMLText*>(a->firstChild)->text);
    EXPECT_EQ(top->FindChildElement("d")->GetText(), doc.GetScratch());
    EXPECT_EQ(doc.GetRoot()->GetText(), std::string(""));
}

TEST(MXMLDocumentTest, LeafTextKeepsSurroundingWhitespace) {
    gtXmlDoc doc;
    MXMLElement* top = LoadTop(doc, "<p>\n  1.5, 2 \t</p>");
    EXPECT_STREQ(top->GetText(), "\n  1.5, 2 \t");
}

TEST(MXMLDocumentTest, DuplicateAttributeKeepsFirstPlaceAndLastValue) {
    gtXmlDoc doc;
    MXMLElement* a = LoadTop(doc, "<a k=\"1\" j=\"x\" k=\"2\"/>");
    ASSERT_NE(a->attributes.head, nullptr);
    EXPECT_STREQ(a->attributes.head->name, "k");
    EXPECT_STREQ(a->attributes.head->value, "2");
    EXPECT_STREQ(a->attributes.head->next->name, "j");
    EXPECT_EQ(a->attributes.head->next->next, nullptr);
    EXPECT_STREQ(a->GetAttribute("k"), "2");
}

TEST(MXMLDocumentTest, MissingAttributeIsEmptyNotNull) {
    gtXmlDoc doc;
    MXMLElement* a = LoadTop(doc, "<a k=\"\"/>");
    ASSERT_NE(a->GetAttribute("nope"), nullptr);
    EXPECT_STREQ(a->GetAttribute("nope"), "");
    EXPECT_STREQ(a->GetAttribute("k"), "");
    EXPECT_STREQ(a->GetAttribute("K"), "");
}

TEST(MXMLDocumentTest, Navigation) {
    gtXmlDoc doc;
    MXMLElement* t = LoadTop(doc,
                             "<triangle>\n<vertex i=\"0\"/>\n<other/>text<vertex i=\"1\"/>"
                             "<!--c--><vertex i=\"2\"/>\n</triangle>");
    MXMLElement* third = t->FindNthChildElement("vertex", 2);
    ASSERT_NE(third, nullptr);
    EXPECT_STREQ(third->GetAttribute("i"), "2");
    EXPECT_EQ(t->FindNthChildElement("vertex", 3), nullptr);
    EXPECT_EQ(t->FindNthChildElement("vertex", -1), nullptr);
    EXPECT_EQ(t->CountChildElements("vertex"), 3);
    EXPECT_EQ(t->CountChildElements("other"), 1);
    EXPECT_EQ(t->CountChildElements("none"), 0);
    // Element siblings skip text and comments.
    MXMLElement* e = t->FirstChildElement();
    std::string order;
    for (; e; e = e->NextSiblingElement()) order += std::string(e->name) + " ";
    EXPECT_EQ(order, "vertex other vertex vertex ");
    EXPECT_TRUE(t->IsNamed("triangle"));
    EXPECT_FALSE(t->IsNamed("Triangle"));
    EXPECT_FALSE(doc.GetRoot()->IsNamed(""));
}

TEST(MXMLDocumentTest, NamesAreCaseSensitiveInLookups) {
    gtXmlDoc doc;
    MXMLElement* top = LoadTop(doc, "<r><mesh/></r>");
    EXPECT_EQ(top->FindChildElement("Mesh"), nullptr);
    EXPECT_NE(top->FindChildElement("mesh"), nullptr);
}

TEST(MXMLDocumentTest, DocumentElementFollowsDeclarationCommentAndWhitespace) {
    gtXmlDoc doc;
    MXMLElement* top = LoadTop(doc, "<?xml version=\"1.0\"?>\n<!-- x -->\n<vantokImport/>\n");
    ASSERT_NE(top, nullptr);
    EXPECT_STREQ(top->name, "vantokImport");
    EXPECT_NE(doc.GetRoot()->firstChild, top);
}

TEST(MXMLDocumentTest, FailedLoadKeepsOldTreeAndSetsErrorText) {
    gtXmlDoc doc;
    EXPECT_STREQ(doc.GetErrorText(), "");
    MXMLElement* first = LoadTop(doc, "<a><b>1</b></a>");
    StringGtStream bad("<a><b>2</c></a>");
    EXPECT_FALSE(doc.Load(bad));
    EXPECT_STREQ(doc.GetErrorText(), "end tag does not match start tag, line 1, col 12");
    EXPECT_EQ(doc.GetRoot()->FirstChildElement(), first);
    EXPECT_STREQ(first->FindChildElement("b")->GetText(), "1");
    // A later success replaces the tree.
    MXMLElement* second = LoadTop(doc, "<z/>");
    EXPECT_STREQ(second->name, "z");
    EXPECT_EQ(doc.GetRoot()->firstChild, second);
}

TEST(MXMLDocumentTest, EmptyStreamFails) {
    gtXmlDoc doc;
    StringGtStream empty("");
    EXPECT_FALSE(doc.Load(empty));
    EXPECT_STREQ(doc.GetErrorText(), "expecting '<' line 1, col 1");
}

TEST(MXMLDocumentTest, LoadReadsFullPiecesUntilAShortOne) {
    for (size_t size : {10000u, 8192u, 4095u}) {
        std::string text = "<a>" + std::string(size - 7, 'x') + "</a>";
        StringStream s(text);
        gtXmlDoc doc;
        EXPECT_TRUE(doc.Load(&s)) << size;
        EXPECT_EQ(s.reads, (int)(size / 4096 + 1)) << size;
        EXPECT_EQ(strlen(doc.GetRoot()->FirstChildElement()->GetText()), size - 7);
    }
}

TEST(MXMLDocumentTest, PlainDocumentUsesTheHeap) {
    MXMLDocument doc;
    StringStream s("<a x=\"1\"><b>t</b></a>");
    ASSERT_TRUE(doc.Load(&s));
    EXPECT_STREQ(doc.GetRoot()->FirstChildElement()->FindChildElement("b")->GetText(), "t");
}

TEST(MXMLDocumentTest, InternedNamesAreSharedAndExact) {
    gtXmlDoc doc;
    const char* a = doc.InternName("mesh");
    EXPECT_EQ(doc.InternName("mesh"), a);
    EXPECT_NE(doc.InternName("MESH"), a);  // same hash, other entry
    EXPECT_NE(doc.InternName("mes"), a);
    EXPECT_STREQ(doc.InternName("MESH"), "MESH");
    EXPECT_STREQ(doc.InternName(""), "");
    // Many names in 233 buckets stay distinct and stable.
    std::vector<const char*> names;
    for (int i = 0; i < 2000; ++i)
        names.push_back(doc.InternName(("n" + std::to_string(i)).c_str()));
    for (int i = 0; i < 2000; ++i) {
        EXPECT_EQ(doc.InternName(("n" + std::to_string(i)).c_str()), names[i]);
    }
    MXMLElement* top = LoadTop(doc, "<mesh/>");
    EXPECT_EQ(top->name, a);
}

TEST(MXMLDocumentTest, ScratchTextGrowsToPowersOfTwo) {
    gtXmlDoc doc;
    doc.ClearScratch();
    EXPECT_STREQ(doc.GetScratch(), "");
    std::string big(3000, 'q');
    doc.AppendScratch("ab", 0);
    doc.AppendScratch(big.c_str(), big.size());
    doc.AppendScratch("cd", 1);
    EXPECT_EQ(std::string(doc.GetScratch()), "ab" + big + "c");
    doc.ClearScratch();
    EXPECT_STREQ(doc.GetScratch(), "");
}

TEST(MXMLDocumentTest, BuildingAndSetAttributeKeepsPosition) {
    gtXmlDoc doc;
    MXMLElement* e = doc.GetRoot()->AddElement("e");
    e->SetAttribute("a", "1");
    e->SetAttribute("b", "2");
    e->SetAttribute("c", "3");
    e->SetAttribute("b", "two");
    std::string order;
    for (auto* a = e->attributes.head; a; a = a->next) order += std::string(a->name) + a->value;
    EXPECT_EQ(order, "a1btwoc3");
    e->ClearAttributes();
    EXPECT_EQ(e->attributes.head, nullptr);
    EXPECT_STREQ(e->AddText("abc", 2)->text, "ab");
    EXPECT_STREQ(e->AddCDATA("xyz")->text, "xyz");
    EXPECT_EQ(e->AddComment("c")->kind, 5u);
    EXPECT_EQ(e->AddDeclaration("d")->kind, 3u);
    EXPECT_STREQ(e->GetText(), "abxyz");
}

TEST(MXMLDocumentTest, DetachAppendAndRelease) {
    gtXmlDoc doc;
    MXMLElement* top = LoadTop(doc, "<r><a/><b/><c/></r>");
    MXMLElement* b = top->FindChildElement("b");
    MXMLElement* a = top->FindChildElement("a");
    // Appending an attached node moves it.
    a->AppendChild(b);
    EXPECT_EQ(top->CountChildElements("b"), 0);
    EXPECT_EQ(b->parent, a);
    EXPECT_EQ(top->firstChild, a);
    EXPECT_EQ(a->next, top->lastChild);
    EXPECT_EQ(top->lastChild->prev, a);
    // A node cannot become its own descendant.
    b->AppendChild(top);
    EXPECT_EQ(top->parent, doc.GetRoot());
    b->Detach();
    EXPECT_EQ(b->parent, nullptr);
    EXPECT_EQ(a->firstChild, nullptr);
    EXPECT_EQ(a->lastChild, nullptr);
    b->Release();
    top->FindChildElement("c")->Release();
    EXPECT_EQ(top->firstChild, a);
    EXPECT_EQ(top->lastChild, a);
}

TEST(MXMLDocumentTest, CreateLikeMatchesKind) {
    gtXmlDoc doc;
    LoadTop(doc, "<?d?><!--c--><a>t<![CDATA[c]]></a>");
    for (MXMLNode* n :
         {doc.GetRoot()->firstChild, doc.GetRoot()->firstChild->next,
          doc.GetRoot()->lastChild->AsElement()->firstChild,
          doc.GetRoot()->lastChild->AsElement()->lastChild, doc.GetRoot()->lastChild}) {
        MXMLNode* like = doc.CreateLike(n);
        EXPECT_EQ(like->kind, n->kind);
        EXPECT_STREQ(like->GetText(), "");
        EXPECT_EQ(like->parent, nullptr);
        like->Release();
    }
}

TEST(MXMLDocumentTest, LoadsExampleThroughFile) {
    gtFile file;
    ASSERT_TRUE(
        file.Open(VANTOK_SOURCE_DIR "/examples/flag_skinned_global.xml", gtFileDevice::kRead));
    gtXmlDoc doc;
    ASSERT_TRUE(doc.Load(file)) << doc.GetErrorText();
    MXMLElement* top = doc.GetRoot()->FirstChildElement();
    EXPECT_STREQ(top->name, "vantokImport");
    EXPECT_STREQ(top->FindChildElement("version")->GetText(), "1");
    MXMLElement* tri =
        top->FindChildElement("mesh")->FindChildElement("triangles")->FirstChildElement();
    EXPECT_STREQ(tri->FindNthChildElement("vertex", 1)->FindChildElement("position")->GetText(),
                 "2, 0, 0");
    EXPECT_STREQ(tri->FindNthChildElement("vertex", 1)
                     ->FindNthChildElement("blend", 1)
                     ->GetAttribute("stream"),
                 "1");
}

}  // namespace
