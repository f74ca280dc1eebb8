// Random XML documents like the interchange files (names, numbers, references, UTF-8, CDATA,
// comments, declarations, long texts, end tags in other letter cases), and damaged copies of
// them, for the differential tests of the XML fast paths.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <random>
#include <string>

class Generator {
public:
    explicit Generator(uint32_t seed) : m_rng(seed) {}

    std::string Make() {
        std::string out;
        if (Chance(5))
            out += "\xEF\xBB\xBF";
        if (Chance(2))
            out += "<?xml version=\"1.0\"?>\n";
        Element(out, 0);
        if (Chance(3))
            out += "\n<!-- end -->\n";
        return out;
    }

    // A copy with a few bytes damaged, inserted or the end cut off.
    std::string Damage(std::string doc) {
        static const char bytes[] = "<>&\"/!?=x\n \xC3\xE2-];#";
        for (int i = Pick(3); i >= 0 && !doc.empty(); --i) {
            size_t at = m_rng() % doc.size();
            switch (Pick(3)) {
                case 0:
                    doc[at] = bytes[Pick((int)sizeof bytes - 1)];
                    break;
                case 1:
                    doc.insert(at, 1, bytes[Pick((int)sizeof bytes - 1)]);
                    break;
                default:
                    doc.resize(at);
                    break;
            }
        }
        return doc;
    }

private:
    bool Chance(int n) { return m_rng() % (uint32_t)n == 0; }
    int Pick(int n) { return (int)(m_rng() % (uint32_t)n); }

    std::string Name() {
        static const char* names[] = {"vertex", "position", "normal", "texcoord", "boneId", "blend",
                                      "a",      "x:y",      "_n-1.2", "Mesh",     "MESH",   "mesh"};
        return names[Pick(12)];
    }

    std::string Number() {
        std::string s = Chance(2) ? "-" : "";
        s += std::to_string(Pick(1000)) + "." + std::to_string(m_rng() % 1000000000u);
        if (Chance(8))
            s += "e-05";
        return s;
    }

    std::string Text() {
        static const char* pieces[] = {" ",
                                       "\n",
                                       "\t",
                                       "\r\n",
                                       "&amp;",
                                       "&lt;",
                                       "&#65;",
                                       "&#x20AC;",
                                       "\xC3\xA9",
                                       "\xE2\x82\xAC",
                                       "\xF0\x9F\x98\x80",
                                       "\x80",
                                       "]]>",
                                       "-->",
                                       "?>",
                                       "plain ",
                                       ">",
                                       "\"",
                                       "'",
                                       "\x01"};
        std::string t;
        for (int i = Pick(5); i >= 0; --i) {
            if (Chance(2)) {
                t += Number();
                t += Chance(3) ? "," : ", ";
            } else {
                t += pieces[Pick(20)];
            }
        }
        if (Chance(40))
            t += std::string(4000 + Pick(5000), 'z');
        return t;
    }

    std::string Value() {
        static const char* pieces[] = {"0",      "axisangle", " ",        "\n", "\t", "&quot;",
                                       "&#x41;", "<>",        "\xC3\xA9", "'",  "a b"};
        std::string v;
        for (int i = Pick(4); i > 0; --i) v += pieces[Pick(11)];
        return v;
    }

    std::string Blank() {
        static const char* blanks[] = {" ", "  ", "\t", "\n", "\r\n ", ""};
        return blanks[Pick(Chance(2) ? 1 : 6)];
    }

    void Element(std::string& out, int depth) {
        std::string name = Name();
        out += "<" + name;
        for (int i = Pick(3); i > 0; --i) {
            out += " " + Blank();
            out += (Chance(2) ? "stream" : "k" + std::to_string(i)) + Blank() + "=" + Blank() +
                   "\"" + Value() + "\"";
        }
        out += Blank();
        if (depth > 5 || Chance(5)) {
            out += "/>";
            return;
        }
        out += ">";
        for (int i = Pick(7); i > 0; --i) {
            switch (Pick(8)) {
                case 0:
                case 1:
                case 2:
                    Element(out, depth + 1);
                    break;
                case 3:
                case 4:
                    out += Text();
                    break;
                case 5:
                    out += "<!--" + std::string(Chance(2) ? " c-o-m " : "--x") + "-->";
                    break;
                case 6:
                    out += "<![CDATA[" + std::string(Chance(2) ? "a]b]]c<&>" : "") + "]]>";
                    break;
                default:
                    out += "<?pi " + std::string(Chance(2) ? "x?y" : "") + "?>";
                    break;
            }
        }
        // The end tag in another letter case matches too (case-folded hash).
        std::string end = name;
        if (Chance(6))
            std::transform(end.begin(), end.end(), end.begin(), ::toupper);
        out += "</" + end + Blank() + ">";
    }

    std::mt19937 m_rng;
};
