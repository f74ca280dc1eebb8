// Deep nesting: a document 100,000 elements deep loads, is navigated, written, copied, trimmed,
// indented and destroyed in constant stack. (Indenting a deep chain at positive depths writes
// quadratically many blanks, so the deep Indent starts far below 1, where it only adds line
// breaks, and reaches real indentation for the innermost levels.)
#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "xml/MXMLDocument.h"
#include "xml/gtXmlDoc.h"

namespace {

constexpr int kDepth = 100000;

std::string DeepText() {
    std::string text;
    text.reserve(kDepth * 8 + 16);
    for (int i = 0; i < kDepth; ++i) text += i % 2 ? "<b k=\"1\">" : "<a>";
    text += "x";
    for (int i = kDepth - 1; i >= 0; --i) text += i % 2 ? "</b>" : "</a>";
    return text;
}

TEST(XmlDeepTest, LoadNavigateWriteCopyTrimAndDestroy) {
    const std::string text = DeepText();
    gtXmlDoc doc;
    StringGtStream in(text);
    ASSERT_TRUE(doc.Load(in)) << doc.GetErrorText();

    MXMLElement* e = doc.GetRoot()->FirstChildElement();
    int depth = 1;
    while (MXMLElement* child = e->FirstChildElement()) {
        e = child;
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    EXPECT_STREQ(e->GetText(), "x");
    EXPECT_STREQ(e->GetAttribute("k"), "1");

    StringStream out;
    ASSERT_TRUE(doc.Save(&out, true));
    EXPECT_EQ(out.text, text);

    gtXmlDoc copy;
    copy.GetRoot()->AddElement("c")->CopyFrom(doc.GetRoot()->FirstChildElement());
    StringStream copied;
    ASSERT_TRUE(copy.Save(&copied, false));
    EXPECT_EQ(copied.text, text);

    doc.GetRoot()->TrimText(true);
    StringStream trimmed;
    ASSERT_TRUE(doc.Save(&trimmed, false));
    EXPECT_EQ(trimmed.text, text);

    // Releasing a deep subtree node by node, then a plain heap document destroyed whole.
    copy.GetRoot()->FirstChildElement()->Release();
    EXPECT_EQ(copy.GetRoot()->firstChild, nullptr);
    {
        MXMLDocument heapDoc;
        StringStream again(text);
        ASSERT_TRUE(heapDoc.Load(&again));
    }
}

TEST(XmlDeepTest, IndentDeepChain) {
    const std::string text = DeepText();
    gtXmlDoc doc;
    StringGtStream in(text);
    ASSERT_TRUE(doc.Load(in));
    // Depths below 1 add "\r\n" after each child; the innermost three levels get depths 0 to 2.
    doc.GetRoot()->FirstChildElement()->Indent(false, 3 - kDepth);
    MXMLElement* e = doc.GetRoot()->FirstChildElement();
    for (int i = 1; i <= kDepth - 3; ++i) e = e->FirstChildElement();
    // e is at depth 0: its one element child is followed by a break; the innermost element
    // holds only its text and stays on its line.
    ASSERT_TRUE(e->firstChild->IsElement());
    EXPECT_STREQ(e->lastChild->GetText(), "\r\n");
    StringStream out;
    ASSERT_TRUE(e->Write(&out, false, nullptr));
    EXPECT_EQ(out.text, "<b k=\"1\"><a>\r\n  <b k=\"1\">x</b>\r\n</a>\r\n</b>");
}

}  // namespace
