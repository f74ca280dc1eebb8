// The tree Load builds keeps its records packed: texts behind their nodes, indentation shared,
// attribute values behind their records, all in the pool's packed pages, read in 64 KB pieces.
// Against the plain procedure (a heap document loaded in 4096-byte reads, or built with the
// public operations): the same tree, the same results of every editing operation on it, and
// memory that comes back to the pool.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "XmlTestSupport.h"
#include "xml/MXMLDocument.h"
#include "xml/gtXmlDoc.h"

namespace {

std::string Describe(const MXMLDocument& doc) {
    std::string out;
    Describe(doc.GetRoot(), out);
    return out;
}

bool LoadPooled(gtXmlDoc& doc, const std::string& text) {
    StringGtStream stream(text);
    return doc.Load(stream);
}

bool LoadHeap(MXMLDocument& doc, const std::string& text) {
    StringStream stream(text);
    return doc.Load(&stream);
}

// A document of `count` triangles like the interchange files, with the cases the packed load
// treats apart: indentation up to and past the shared length (64), texts past the packed
// limit (1024), references, CDATA, comments and repeated attributes.
std::string BigDocument(uint32_t seed, int count) {
    std::mt19937 rng(seed);
    std::string out = "<?xml version=\"1.0\"?>\n<vantokImport>\n<triangles>\n";
    for (int t = 0; t < count; ++t) {
        out += "<triangle a=\"1\" b=\"x&amp;y\" a=\"2\">";
        out += std::string(rng() % 80, rng() % 2 ? ' ' : '\t') + "\n";
        for (int v = 0; v < 3; ++v) {
            out += "<vertex><position>" + std::to_string(rng()) + ", " + std::to_string(rng()) +
                   "</position>\r\n  <boneId stream=\"0\">" + std::to_string(rng() % 9) +
                   "</boneId></vertex>\n";
        }
        switch (rng() % 8) {
            case 0:
                out += "<long>" + std::string(1000 + rng() % 100, 'z') + "</long>";
                break;
            case 1:
                out += "<![CDATA[ <raw> ]]><!-- note -->&lt;&#65;";
                break;
            case 2:
                out += "<empty/><spaces>" + std::string(64, ' ') + "</spaces>";
                break;
            default:
                break;
        }
        out += "</triangle>\n";
    }
    out += "</triangles>\n</vantokImport>\n";
    return out;
}

TEST(MXMLLoadedTree, PooledLoadInPiecesGivesTheHeapLoadsTree) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        const std::string text = BigDocument(seed, 700 * (int)seed);
        ASSERT_GT(text.size(), 2u * gtXmlDoc::kPieceSize);
        gtXmlDoc pooled;
        MXMLDocument heap;
        ASSERT_TRUE(LoadPooled(pooled, text)) << pooled.GetErrorText();
        ASSERT_TRUE(LoadHeap(heap, text)) << heap.GetErrorText();
        EXPECT_EQ(Describe(pooled), Describe(heap)) << "seed " << seed;
    }
}

TEST(MXMLLoadedTree, ErrorsPastTheFirstPieceAreReportedAlike) {
    std::string text = BigDocument(7, 900);
    text.insert(text.size() - 200, "<bad attr='x'/>");
    gtXmlDoc pooled;
    MXMLDocument heap;
    EXPECT_FALSE(LoadPooled(pooled, text));
    EXPECT_FALSE(LoadHeap(heap, text));
    EXPECT_STREQ(pooled.GetErrorText(), heap.GetErrorText());
    EXPECT_NE(std::string(pooled.GetErrorText()).find("expecting '\"'"), std::string::npos);
}

// The same edit on a loaded tree and on the same tree built by the public operations, then
// both compared and written.
struct EditPair {
    gtXmlDoc loaded;
    MXMLDocument built;

    explicit EditPair(const std::string& text) {
        EXPECT_TRUE(LoadPooled(loaded, text));
        EXPECT_TRUE(LoadHeap(built, text));
        // The heap document keeps every text in a block of its own: rebuild it by copying.
        MXMLElement* copy = built.NewNode<MXMLElement>();
        copy->CopyFrom(built.GetRoot());
        built.GetRoot()->ClearAttributes();
        while (built.GetRoot()->firstChild) built.GetRoot()->firstChild->Release();
        for (MXMLNode* n = copy->firstChild; n;) {
            MXMLNode* next = n->next;
            built.GetRoot()->AppendChild(n);
            n = next;
        }
        copy->Release();
    }

    void ExpectSame(const char* step) {
        EXPECT_EQ(Describe(loaded), Describe(built)) << step;
        StringStream a, b;
        EXPECT_TRUE(loaded.Save(&a, true));
        EXPECT_TRUE(built.Save(&b, true));
        EXPECT_EQ(a.text, b.text) << step;
    }
};

// The n-th node in document order (pre-order), or null.
MXMLNode* NthNode(MXMLElement* root, int n) {
    MXMLNode* cur = root->firstChild;
    while (cur) {
        if (n-- == 0)
            return cur;
        if (MXMLElement* e = cur->AsElement(); e && e->firstChild) {
            cur = e->firstChild;
            continue;
        }
        while (cur && !cur->next && cur->parent != root) cur = cur->parent;
        cur = cur ? cur->next : nullptr;
    }
    return nullptr;
}

TEST(MXMLLoadedTree, EditsOnLoadedNodesMatchEditsOnBuiltNodes) {
    const std::string text =
        "<r k=\"1\" j=\"two\">\n  <a x=\"v\">text</a>\n  <b>  padded  </b>\n"
        "  <c><![CDATA[cd]]><!--c--><?pi?></c>\n  <d/>\n</r>\n";
    std::mt19937 rng(99);
    for (int round = 0; round < 200; ++round) {
        EditPair pair(text);
        for (int step = 0; step < 6; ++step) {
            int which = (int)(rng() % 14);
            MXMLNode* x = NthNode(pair.loaded.GetRoot(), which);
            MXMLNode* y = NthNode(pair.built.GetRoot(), which);
            ASSERT_EQ(x == nullptr, y == nullptr);
            if (!x)
                continue;
            int op = (int)(rng() % 7);
            std::string label = "round " + std::to_string(round) + " op " + std::to_string(op);
            MXMLElement* ex = x->AsElement();
            MXMLElement* ey = y->AsElement();
            switch (op) {
                case 0:
                    x->Release();
                    y->Release();
                    break;
                case 1:
                    if (!ex) {
                        static_cast<MXMLTextBase*>(x)->SetText("new");
                        static_cast<MXMLTextBase*>(y)->SetText("new");
                    }
                    break;
                case 2:
                    if (ex) {
                        ex->SetAttribute("k", "changed");
                        ey->SetAttribute("k", "changed");
                        ex->SetAttribute("x", "");
                        ey->SetAttribute("x", "");
                    }
                    break;
                case 3:
                    if (ex) {
                        ex->ClearAttributes();
                        ey->ClearAttributes();
                    }
                    break;
                case 4:
                    if (ex) {
                        const bool trim = rng() % 2 != 0;
                        ex->TrimText(trim);
                        ey->TrimText(trim);
                    }
                    break;
                case 5:
                    if (ex) {
                        ex->Indent(false, 1);
                        ey->Indent(false, 1);
                    }
                    break;
                default:
                    if (!ex) {
                        MXMLNode* cx = pair.loaded.CreateLike(x);
                        MXMLNode* cy = pair.built.CreateLike(y);
                        cx->CopyFrom(x);
                        cy->CopyFrom(y);
                        pair.loaded.GetRoot()->AppendChild(cx);
                        pair.built.GetRoot()->AppendChild(cy);
                    }
                    break;
            }
            pair.ExpectSame(label.c_str());
        }
    }
}

// Loading again and again into one document: each old tree's packed pages are taken again.
TEST(MXMLLoadedTree, ReloadingReusesThePackedPages) {
    const std::string text = BigDocument(3, 400);
    gtXmlDoc doc;
    ASSERT_TRUE(LoadPooled(doc, text));
    ASSERT_TRUE(LoadPooled(doc, text));
    const int pages = doc.Pool().PageCount();
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(LoadPooled(doc, text));
        EXPECT_EQ(doc.Pool().PageCount(), pages) << "load " << i + 3;
    }
}

}  // namespace
