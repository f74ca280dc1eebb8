// The triangles read on several threads: the same scene, log lines and lexer boxes as on one,
// with faults placed at the ends of the ranges the threads read ahead, and with triangles read
// while the document loaded (a follower given chosen triangles, of this block and others).
#include "MeshAnimConverter/scene/TriangleReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "MeshAnimConverter/scene/TriangleFollower.h"
#include "tests/MeshAnimConverter/scene/ReaderTestSupport.h"
#include "tests/xml/XmlTestSupport.h"
#include "xml/gtXmlCompactDoc.h"

namespace {

// 2, 3 and 8 threads: ranges of 600, 400 and 300 (at least 256 triangles a range)
constexpr int kTriangles = 1200;

enum class Fault { kBadNumber, kFourVertices, kComment, kTwoVertices };

// Triangle i of a strip of quads; faults replace some triangles.
std::string Mesh(const std::map<int, Fault>& faults) {
    std::string text = "<mesh><name>m</name><triangles>";
    for (int i = 0; i < kTriangles; ++i) {
        const std::string x = std::to_string(i);
        const std::string x1 = std::to_string(i + 1);
        std::string a = Corner((x + ", 0, 0").c_str());
        const std::string b = Corner((x1 + ", 0, 0").c_str(), "0, 0, 0");  // face normal
        const std::string c = Corner((x + ", 1, 0.5").c_str());
        const auto fault = faults.find(i);
        if (fault == faults.end()) {
            text += Triangle(a, b, c, i % 3);
            continue;
        }
        switch (fault->second) {
            case Fault::kBadNumber:
                text += Triangle(Corner((x + ", oops, 0").c_str()), b, c);
                break;
            case Fault::kFourVertices:
                text += "<triangle><vertex>" + a + "</vertex><vertex>" + b + "</vertex><vertex>" +
                        c + "</vertex><vertex>" + a + "</vertex></triangle>";
                break;
            case Fault::kComment:
                text += Triangle(Corner((x + ", /* up */ 2, 0").c_str()), b, c);
                break;
            case Fault::kTwoVertices:
                text += "<triangle><vertex>" + a + "</vertex><vertex>" + b + "</vertex></triangle>";
                break;
        }
    }
    return text + "</triangles></mesh>";
}

struct Reading {
    bool ok = false;
    std::vector<std::string> lines;
    std::vector<std::string> boxes;
    std::vector<SceneTriangle> triangles;
};

Reading Read(const TempInput& input, unsigned threads) {
    LogCapture log;
    BoxCapture boxes;
    SceneData scene;
    int32_t version = 0;
    Reading r;
    r.ok = ReadInterchangeFile(input.Path().c_str(), version, scene, programLog, TestPreparer(),
                               nullptr, nullptr, threads);
    r.lines = log.Lines();
    r.boxes = boxes.Texts();
    r.triangles.assign(scene.triangles.begin(), scene.triangles.end());
    return r;
}

// Bit-exact comparison of two triangle lists.
bool SameTriangles(const std::vector<SceneTriangle>& a, const std::vector<SceneTriangle>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].materialId != b[i].materialId)
            return false;
        for (int c = 0; c < 3; ++c) {
            const SceneVertex& u = a[i].vertices[c];
            const SceneVertex& v = b[i].vertices[c];
            if (std::memcmp(&u.position, &v.position, sizeof u.position) != 0 ||
                std::memcmp(&u.normal, &v.normal, sizeof u.normal) != 0 ||
                std::memcmp(&u.texcoord, &v.texcoord, sizeof u.texcoord) != 0 ||
                std::memcmp(u.boneId, v.boneId, sizeof u.boneId) != 0 ||
                std::memcmp(u.blend, v.blend, sizeof u.blend) != 0) {
                return false;
            }
        }
    }
    return true;
}

}  // namespace

TEST(TriangleReader, EveryThreadCountReadsAsOneThread) {
    struct Case {
        const char* name;
        std::map<int, Fault> faults;
        bool ok;
        size_t triangles;  // read, by construction
        size_t boxes;      // a bad first position is read, and reported, twice
        size_t warnings;
    };
    const Case cases[] = {
        {"clean", {}, true, kTriangles, 0, 0},
        {"bad numbers at range ends",
         {{0, Fault::kBadNumber},
          {299, Fault::kBadNumber},
          {300, Fault::kBadNumber},
          {599, Fault::kBadNumber},
          {600, Fault::kBadNumber},
          {1199, Fault::kBadNumber}},
         true,
         kTriangles,
         12,
         0},
        {"four vertices and a comment",
         {{399, Fault::kFourVertices}, {400, Fault::kComment}, {900, Fault::kFourVertices}},
         true,
         kTriangles,
         0,
         2},
        {"two vertices stop the reading after earlier messages",
         {{100, Fault::kBadNumber},
          {601, Fault::kFourVertices},
          {700, Fault::kTwoVertices},
          {900, Fault::kBadNumber}},
         false,
         701,
         2,
         1},
    };
    for (const Case& c : cases) {
        const TempInput xml(Document(Mesh(c.faults), SimpleMaterials()));
        const Reading one = Read(xml, 1);
        EXPECT_EQ(one.ok, c.ok) << c.name;
        EXPECT_EQ(one.triangles.size(), c.triangles) << c.name;
        EXPECT_EQ(one.boxes.size(), c.boxes) << c.name;
        size_t warnings = 0;
        for (const std::string& line : one.lines) warnings += line.rfind("Warning:", 0) == 0;
        EXPECT_EQ(warnings, c.warnings) << c.name;
        for (unsigned threads : {2u, 3u, 8u}) {
            const Reading many = Read(xml, threads);
            EXPECT_EQ(many.ok, one.ok) << c.name << ", " << threads << " threads";
            EXPECT_EQ(many.lines, one.lines) << c.name << ", " << threads << " threads";
            EXPECT_EQ(many.boxes, one.boxes) << c.name << ", " << threads << " threads";
            EXPECT_TRUE(SameTriangles(many.triangles, one.triangles))
                << c.name << ", " << threads << " threads";
        }
    }
}

// The face normal of corners without one, and the material ids, survive the reading ahead.
TEST(TriangleReader, ReadAheadKeepsValuesByConstruction) {
    const Reading r = Read(TempInput(Document(Mesh({}), SimpleMaterials())), 2);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.triangles.size(), static_cast<size_t>(kTriangles));
    const SceneTriangle& t = r.triangles[kTriangles - 1];
    EXPECT_EQ(t.vertices[1].position.x, static_cast<float>(kTriangles));
    // (x, 0, 0), (x + 1, 0, 0), (x, 1, 0.5): cross((-1, 1, 0.5), (-1, 0, 0)) = (0, -0.5, 1)
    EXPECT_EQ(t.vertices[1].normal.x, 0.0f);
    EXPECT_LT(t.vertices[1].normal.y, 0.0f);
    EXPECT_GT(t.vertices[1].normal.z, 0.0f);
    EXPECT_EQ(t.vertices[0].normal.z, 1.0f);  // given
    EXPECT_EQ(r.triangles[1].materialId, 0);  // one material: every id resolves to it
}

namespace {

// Another block of clean triangles, parent named "triangles", four levels down like the mesh's.
std::string Notes(int count) {
    std::string text = "<notes><triangles>";
    for (int i = 0; i < count; ++i)
        text += Triangle(Corner("0, 0, 0"), Corner("1, 0, 0"), Corner("0, 1, 0"));
    return text + "</triangles></notes>";
}

struct Followed {
    Reading reading;
    size_t results = 0;
};

// Reads the mesh's triangles after handing the follower its first `given` triangles, with the
// notes' triangles (before or after the mesh) given in document order around them.
Followed ReadFollowed(const std::string& text, size_t given, unsigned threads) {
    gtXmlCompactDoc doc;
    StringGtStream stream(text);
    EXPECT_TRUE(doc.Load(stream));
    const gtXmlElementRef root = doc.GetRoot()->FirstChildElement();
    const gtXmlElementRef triangles = root->FindChildElement("mesh")->FindChildElement("triangles");
    const gtXmlElementRef notes = root->FindChildElement("notes")->FindChildElement("triangles");
    TriangleFollower follower;
    auto giveNotes = [&] {
        for (gtXmlElementRef t = notes->FirstChildElement(); t; t = t->NextSiblingElement())
            follower.Ready(t, notes);
    };
    const bool notesFirst = notes.Position() < triangles.Position();
    if (notesFirst)
        giveNotes();
    size_t k = 0;
    for (gtXmlElementRef t = triangles->FirstChildElement(); t && k < given;
         t = t->NextSiblingElement(), ++k)
        follower.Ready(t, triangles);
    if (!notesFirst)
        giveNotes();
    follower.Drain();
    Followed f;
    follower.Stop();
    f.results = follower.Count();

    LogCapture log;
    BoxCapture boxes;
    SceneData scene;
    f.reading.ok = ReadTriangleElements(triangles, scene, programLog, nullptr, threads, &follower);
    f.reading.lines = log.Lines();
    f.reading.boxes = boxes.Texts();
    f.reading.triangles.assign(scene.triangles.begin(), scene.triangles.end());
    return f;
}

}  // namespace

TEST(TriangleReader, TrianglesReadDuringTheLoadAreTakenAsOneThreadReadsThem) {
    const std::map<int, Fault> faults = {{0, Fault::kBadNumber},      {5, Fault::kComment},
                                         {6, Fault::kFourVertices},   {699, Fault::kBadNumber},
                                         {700, Fault::kFourVertices}, {1199, Fault::kComment}};
    const std::map<int, Fault> stopping = {{3, Fault::kBadNumber}, {650, Fault::kTwoVertices}};
    for (const auto& [name, set] : {std::pair{"faults", faults}, std::pair{"stop", stopping}}) {
        for (bool notesFirst : {true, false}) {
            const std::string mesh = Mesh(set);
            const std::string text = "<vantokImport><version>1</version>" +
                                     (notesFirst ? Notes(40) + mesh : mesh + Notes(40)) +
                                     SimpleMaterials() + "</vantokImport>";
            const Followed one = ReadFollowed(text, 0, 1);
            for (size_t given : {size_t{1}, size_t{7}, size_t{700}, size_t{kTriangles}}) {
                // clean triangles among those given, and the notes' 40
                size_t clean = 40;
                for (size_t i = 0; i < given; ++i) clean += set.count((int)i) == 0;
                for (unsigned threads : {1u, 2u, 8u}) {
                    SCOPED_TRACE(std::string(name) + (notesFirst ? ", notes first" : "") +
                                 ", given " + std::to_string(given) + ", " +
                                 std::to_string(threads) + " threads");
                    const Followed many = ReadFollowed(text, given, threads);
                    EXPECT_EQ(many.results, clean);
                    EXPECT_EQ(many.reading.ok, one.reading.ok);
                    EXPECT_EQ(many.reading.lines, one.reading.lines);
                    EXPECT_EQ(many.reading.boxes, one.reading.boxes);
                    EXPECT_TRUE(SameTriangles(many.reading.triangles, one.reading.triangles));
                }
            }
        }
    }
}
