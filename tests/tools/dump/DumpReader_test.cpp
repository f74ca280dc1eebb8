// The dump of converter outputs checked against the scenes they were made from: the generated
// scene field by field (expected values worked out by hand from the scene), the examples'
// counts and events, progressive-mesh chunks inserted by hand, an INFO of an older version, and
// every truncated prefix and flipped byte of real files read without a crash.
#include "tools/dump/DumpReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "DumpTestFiles.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tools/dump/DumpValidator.h"
#include "tools/dump/GltfExport.h"
#include "tools/dump/JsonDump.h"
#include "tools/dump/TextDump.h"

namespace {

using Json = nlohmann::json;

// The document without its "offset" keys, which move when bytes are inserted.
Json WithoutOffsets(Json doc) {
    if (doc.is_object()) {
        doc.erase("offset");
        for (auto& [key, value] : doc.items()) value = WithoutOffsets(value);
    } else if (doc.is_array()) {
        for (auto& value : doc) value = WithoutOffsets(value);
    }
    return doc;
}

Json DumpJsonOf(const std::string& path) {
    const DumpRun run = RunDump({path, "--json", "--all"});
    EXPECT_EQ(run.status, 0) << run.err;
    return Json::parse(run.out);
}

std::array<float, 3> Triple(const Json& j) {
    return {j[0].get<float>(), j[1].get<float>(), j[2].get<float>()};
}

struct DumpReaderTest : ::testing::Test {
    ScratchFolder folder;
};

TEST_F(DumpReaderTest, GeneratedMeshFieldsMatchTheScene) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const Json doc = DumpJsonOf(folder.File("sample.im"));
    EXPECT_EQ(doc["format"], 1);
    EXPECT_EQ(doc["form"], "IDXM");
    EXPECT_EQ(doc["info"]["chunkCount"], 2);
    EXPECT_EQ(doc["info"]["bonesPerChunk"], 2);
    EXPECT_EQ(doc["info"]["influencesPerVertex"], 2);
    EXPECT_EQ(Triple(doc["info"]["boundingBox"]["min"]), (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(Triple(doc["info"]["boundingBox"]["max"]), (std::array<float, 3>{1, 1, 1}));

    // the quad: four vertices (two corners shared), two triangles, the diffuse map's descriptor
    const Json& paint = doc["meshChunks"][0];
    const std::string paintName = paint["material"]["name"];
    EXPECT_EQ(paintName.rfind("*sample*", 0), 0u) << paintName;
    EXPECT_NE(paintName.find("*paint*m.onetex"), std::string::npos) << paintName;
    EXPECT_EQ(Triple(paint["material"]["diffuse"]), (std::array<float, 3>{0.5f, 0.25f, 1.0f}));
    ASSERT_EQ(paint["material"]["maps"].size(), 1u);
    EXPECT_EQ(paint["material"]["maps"][0]["slot"], 1);
    EXPECT_EQ(paint["material"]["maps"][0]["slotName"], "diffuse");
    EXPECT_EQ(paint["material"]["maps"][0]["fileName"], folder.File("paint.texture"));
    const Json& quad = paint["geometry"];
    EXPECT_EQ(quad["vertexCount"], 4);
    EXPECT_EQ(quad["triangleCount"], 2);
    EXPECT_EQ(quad["indexCount"], 6);
    EXPECT_EQ(quad["tangents"], false);
    std::set<std::array<float, 3>> positions;
    for (const Json& v : quad["vertices"]) positions.insert(Triple(v));
    EXPECT_EQ(positions,
              (std::set<std::array<float, 3>>{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}));

    const Json& metal = doc["meshChunks"][1]["material"];
    EXPECT_EQ(metal["twoSided"], 1);
    EXPECT_EQ(metal["opacity"], 0.5);
    EXPECT_TRUE(metal["maps"].empty());
    EXPECT_NE(metal["name"].get<std::string>().find("*metal*m.notex"), std::string::npos);

    // bones: the arm's bind transform relative to the root, its matrix the transpose of a
    // quarter turn about z
    const Json& bones = doc["influences"];
    ASSERT_EQ(bones.size(), 2u);
    EXPECT_EQ(bones[0]["name"], "b.root");
    EXPECT_EQ(bones[0]["parent"], "");
    EXPECT_EQ(bones[1]["name"], "b.arm");
    EXPECT_EQ(bones[1]["parent"], "b.root");
    EXPECT_EQ(Triple(bones[1]["position"]), (std::array<float, 3>{1, 0, 0}));
    const float rows[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(bones[1]["matrix"][i].get<float>(), rows[i], 1e-6f) << i;
    EXPECT_EQ(doc["meshChunks"][0]["palette"].size(), 2u);

    // weights by vertex position: x = 0 on the root, x = 1 on the arm, (1, 1, 0) split
    std::map<std::pair<std::array<float, 3>, std::string>, float> weights;
    for (const Json& bone : bones) {
        for (const Json& entry : bone["entries"]) {
            const Json& geometry = doc["meshChunks"][entry["chunk"].get<int>()]["geometry"];
            for (const Json& w : entry["weights"]) {
                auto p = Triple(geometry["vertices"][w["vertex"].get<int>()]);
                weights[{p, bone["name"]}] += w["weight"].get<float>();
            }
        }
    }
    EXPECT_EQ((weights[{{0, 0, 0}, "b.root"}]), 1.0f);
    EXPECT_EQ((weights[{{1, 0, 0}, "b.arm"}]), 1.0f);
    EXPECT_EQ((weights[{{1, 1, 0}, "b.root"}]), 0.25f);
    EXPECT_EQ((weights[{{1, 1, 0}, "b.arm"}]), 0.75f);
    EXPECT_EQ(weights.count({{0, 1, 1}, "b.root"}) + weights.count({{0, 1, 1}, "b.arm"}), 0u);

    ASSERT_EQ(doc["attachments"].size(), 1u);
    EXPECT_EQ(doc["attachments"][0]["name"], "a.hand");
    EXPECT_EQ(Triple(doc["attachments"][0]["position"]), (std::array<float, 3>{1, 2, 3}));
    EXPECT_TRUE(doc["progressive"].empty());
}

TEST_F(DumpReaderTest, GeneratedAnimationFieldsMatchTheScene) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const Json doc = DumpJsonOf(folder.File("swing.kin"));
    EXPECT_EQ(doc["form"], "ANIM");
    const Json& a = doc["animation"];
    EXPECT_EQ(a["name"], "swing.kin");
    EXPECT_EQ(a["frameCount"], 3);
    EXPECT_EQ(a["frameRate"], 24);
    EXPECT_EQ(a["scale"], 1.0);
    ASSERT_EQ(a["bones"].size(), 2u);
    EXPECT_EQ(a["bones"][0]["name"], "b.root");
    EXPECT_EQ(a["bones"][1]["name"], "b.arm");
    EXPECT_EQ(a["bones"][1]["parent"], 0);
    ASSERT_EQ(a["frames"].size(), 3u);
    const float s = 0.70710677f;
    for (int f = 0; f < 3; ++f) {
        const Json& poses = a["frames"][f]["poses"];
        EXPECT_EQ(a["frames"][f]["frame"], f);
        // model-space positions as keyed; rotations stored as their conjugates
        EXPECT_EQ(Triple(poses[0]), (std::array<float, 3>{0, static_cast<float>(f), 0}));
        EXPECT_EQ(Triple(poses[1]), (std::array<float, 3>{1, static_cast<float>(f), 0}));
        EXPECT_NEAR(poses[1][5].get<float>(), f < 2 ? -s : 0.0f, 1e-6f);
        EXPECT_NEAR(poses[1][6].get<float>(), f < 2 ? s : 1.0f, 1e-6f);
    }
}

TEST_F(DumpReaderTest, ExamplesMatchTheirScenes) {
    for (const char* name : kExamples) {
        SCOPED_TRACE(name);
        ConvertTo(ExamplePath(name), folder.File(name));
        SceneData scene;
        int32_t version = 0;
        programLog.SetOutput(std::tmpfile());
        ASSERT_TRUE(ReadInterchangeFile(ExamplePath(name).c_str(), version, scene, programLog,
                                        TestPreparer()));
        programLog.SetOutput(nullptr);
        programLog.Reset();
        const Json doc = DumpJsonOf(folder.File(std::string(name) + ".im"));
        // every scene triangle is in one chunk (the examples have no degenerate triangles)
        std::size_t triangles = 0;
        for (const Json& c : doc["meshChunks"])
            triangles += c["geometry"]["triangleCount"].get<std::size_t>();
        EXPECT_EQ(triangles, static_cast<std::size_t>(scene.triangles.Count()));
        // an .im has an ATCH chunk only when the scene has attachments
        EXPECT_EQ(doc.value("attachments", Json::array()).size(),
                  static_cast<std::size_t>(scene.attachments.Count()));
        if (scene.bones.Count() > 0) {
            EXPECT_EQ(doc.value("influences", Json::array()).size(),
                      static_cast<std::size_t>(scene.bones.Count()));
        }
    }
    // the flag's events, by hand from the example: an unknown type is generic (4)
    const Json wave = DumpJsonOf(folder.File("wave.kin"));
    const Json& events = wave["animation"]["events"];
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["type"], 1);
    EXPECT_EQ(events[0]["name"], "flap.wav");
    EXPECT_EQ(events[1]["typeName"], "generic");
    EXPECT_EQ(events[1]["name"], "wind");
    EXPECT_EQ(events[2]["frame"], 2);
    EXPECT_EQ(events[2]["type"], 9);
}

TEST_F(DumpReaderTest, TextDumpShowsTreeFieldsAndRows) {
    ConvertScene(GeneratedScene(), folder, "sample");
    DumpRun run = RunDump({folder.File("sample.im")});
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* line :
         {"form IDXM", "    INFO         12          68", "      MATL", "INFL (2 bones)",
          "map diffuse  (slot 1)", "4 vertices, 2 triangles, tangents no",
          "palette (bone weights)  b.root", "ATCH (1 attachments)", "a.hand"})
        EXPECT_NE(run.out.find(line), std::string::npos) << line << "\n" << run.out;
    run = RunDump({folder.File("swing.kin")});
    EXPECT_NE(run.out.find("SKEL (2 bones)\n  b.root\n    b.arm\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("3 frames at 24 per second"), std::string::npos) << run.out;
}

// A .pm made from an .im by hand: a NINF at the end of CHNK 0 (sizes of CHNK and VIRF grown)
// and a PMIN at the end of the file.
TEST_F(DumpReaderTest, ProgressiveChunksAreListedWhereTrimmingFindsThem) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("sample.im"));
    const std::size_t chunk = 88;  // INFO: 12 + 8 + 68
    ASSERT_EQ(bytes.substr(chunk, 4), "CHNK");
    const std::size_t chunkEnd = chunk + 8 + Get32(bytes, chunk + 4);
    const std::string ninf =
        std::string("NINF") + std::string("\x08\0\0\0\x64\0\0\0\x01\x02\x03\x04", 12);
    bytes.insert(chunkEnd, ninf);
    Put32(bytes, chunk + 4, Get32(bytes, chunk + 4) + 16);
    const std::size_t pminAt = bytes.size();
    bytes += std::string("PMIN") + std::string("\x04\0\0\0\x64\0\0\0", 8);
    Put32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
    const std::string pm = folder.File("sample.pm");
    WriteWholeFile(pm, bytes);

    const Json doc = DumpJsonOf(pm);
    EXPECT_EQ(doc["progressiveMesh"], true);
    ASSERT_EQ(doc["meshChunks"][0]["progressive"].size(), 1u);
    EXPECT_EQ(doc["meshChunks"][0]["progressive"][0]["offset"], chunkEnd);
    EXPECT_EQ(doc["meshChunks"][0]["progressive"][0]["size"], 8);
    ASSERT_EQ(doc["progressive"].size(), 1u);
    EXPECT_EQ(doc["progressive"][0]["id"], "PMIN");
    EXPECT_EQ(doc["progressive"][0]["offset"], pminAt);
    // the rest reads as the .im does
    const Json im = DumpJsonOf(folder.File("sample.im"));
    EXPECT_EQ(WithoutOffsets(doc["meshChunks"][1]), WithoutOffsets(im["meshChunks"][1]));
    EXPECT_EQ(WithoutOffsets(doc["influences"]), WithoutOffsets(im["influences"]));
    const DumpRun valid = RunDump({pm, "--validate"});
    EXPECT_EQ(valid.status, 0) << valid.out;
    EXPECT_NE(RunDump({pm}).out.find("NINF at offset " + std::to_string(chunkEnd) + ", 16 bytes"),
              std::string::npos);
}

TEST_F(DumpReaderTest, ProgressiveMeshRulesAreStricterThanIm) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("sample.im"));
    // a top-level MATL: skipped with a warning in an .im, refused by trimming in a .pm
    bytes += std::string("MATL") + std::string("\x04\0\0\0\x67\0\0\0", 8);
    Put32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
    for (const char* name : {"odd.im", "odd.pm"}) {
        WriteWholeFile(folder.File(name), bytes);
        const DumpRun run = RunDump({folder.File(name), "--validate"});
        const bool pm = std::string(name) == "odd.pm";
        EXPECT_EQ(run.status, pm ? 1 : 0) << run.out;
        EXPECT_NE(run.out.find(std::string(pm ? "error: " : "warning: ") + folder.File(name) +
                               ": MATL at offset " + std::to_string(bytes.size() - 12) +
                               ": Unexpected chunk"),
                  std::string::npos)
            << run.out;
    }
}

TEST_F(DumpReaderTest, OlderInfoVersionIsReadByItsWords) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("sample.im"));
    // version 101: origin, orientation and chunk count only (8 words); drop the last 8 words
    Put32(bytes, 20, 101);
    bytes.erase(20 + 4 + 32, 32);
    Put32(bytes, 16, 36);
    Put32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
    const DumpFile file = ReadDumpBytes(Bytes(bytes), "old.pm");
    ASSERT_FALSE(file.fatal) << file.fatal->message;
    EXPECT_EQ(file.im.info.version, 101u);
    EXPECT_EQ(file.im.info.chunkCount, 2u);
    EXPECT_EQ(file.im.chunks.size(), 2u);
    // a version 104 INFO of the 101 size is a framing error at INFO
    Put32(bytes, 20, 104);
    const DumpFile wrong = ReadDumpBytes(Bytes(bytes), "old.pm");
    ASSERT_TRUE(wrong.fatal);
    EXPECT_EQ(wrong.fatal->chunk, "INFO");
    EXPECT_EQ(wrong.fatal->offset, 12u);
}

// Every prefix and every single-byte flip of real files: a fatal error with an offset inside
// the file, or a model every consumer handles; never a crash.
TEST_F(DumpReaderTest, DamagedFilesNeverCrash) {
    ConvertScene(GeneratedScene(), folder, "sample");
    for (const char* name : {"sample.im", "swing.kin"}) {
        SCOPED_TRACE(name);
        const std::string bytes = ReadWholeFile(folder.File(name));
        auto consume = [](const std::string& data, const std::string& path) {
            const DumpFile file = ReadDumpBytes(Bytes(data), path);
            const auto issues = ValidateDump(file);
            DumpJson(file, DumpOptions{}, &issues)
                .dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
            DumpText(file, DumpOptions{true});
            if (!file.fatal && file.kind == DumpKind::IndexedMesh)
                BuildGlb(file, {});
            return file;
        };
        for (std::size_t n = 0; n < bytes.size(); ++n) {
            const DumpFile file = consume(bytes.substr(0, n), name);
            ASSERT_TRUE(file.fatal) << n;
            EXPECT_LE(file.fatal->offset, bytes.size()) << n;
            EXPECT_FALSE(file.fatal->message.empty());
        }
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            std::string flipped = bytes;
            flipped[at] = static_cast<char>(flipped[at] ^ 0xA5);
            consume(flipped, name);
        }
    }
}

}  // namespace
