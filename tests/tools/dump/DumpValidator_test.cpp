// --validate: every file the converter writes for the examples and for generated scenes is
// valid; hand-damaged copies fail with the chunk and offset worked out from the layout; and a
// table of single faults on a small model pins each rule and its boundary.
#include "tools/dump/DumpValidator.h"

#include <gtest/gtest.h>

#include <random>

#include "DumpTestFiles.h"
#include "tools/dump/DumpReader.h"

namespace {

struct TopChunk {
    std::string id;
    std::size_t offset;
};

// The form's own chunks, walked from the bytes without the dump's reader.
std::vector<TopChunk> TopChunks(const std::string& bytes) {
    std::vector<TopChunk> chunks;
    for (std::size_t at = 12; at + 8 <= bytes.size(); at += 8 + Get32(bytes, at + 4))
        chunks.push_back({bytes.substr(at, 4), at});
    return chunks;
}

std::size_t Find(const std::vector<TopChunk>& chunks, const std::string& id, int nth = 0) {
    for (const TopChunk& c : chunks) {
        if (c.id == id && nth-- == 0)
            return c.offset;
    }
    ADD_FAILURE() << "no " << id;
    return 0;
}

struct DumpValidatorTest : ::testing::Test {
    ScratchFolder folder;

    DumpRun ValidateBytes(const std::string& name, const std::string& bytes) {
        WriteWholeFile(folder.File(name), bytes);
        return RunDump({folder.File(name), "--validate"});
    }
    std::string Line(const std::string& name, const std::string& chunk, std::size_t offset) {
        return "error: " + folder.File(name) + ": " + chunk + " at offset " +
               std::to_string(offset) + ": ";
    }
};

TEST_F(DumpValidatorTest, ConverterOutputsAreValid) {
    for (const char* name : kExamples) ConvertTo(ExamplePath(name), folder.File(name));
    ConvertScene(GeneratedScene(), folder, "sample");
    // a bump-mapped material gets tangents; bones differing only in case share one record
    InterchangeBuilder bump = GeneratedScene();
    bump.materials[0].name = "paint.tbump";
    bump.materials[0].textures.push_back(IxTexture{"art/paint_n.tga", "bump", 1, 1, 1.0f});
    bump.bones.push_back(IxBone{3, "B.ARM", "b.root", {0, 1, 0}, {0, 0, 0, 1}});
    ConvertScene(bump, folder, "bump");
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".im" && ext != ".kin")
            continue;
        ++files;
        const DumpRun run = RunDump({entry.path().string(), "--validate"});
        EXPECT_EQ(run.status, 0) << entry.path() << "\n" << run.out;
        EXPECT_EQ(run.out.substr(run.out.size() - 6), "valid\n") << run.out;
        EXPECT_EQ(run.out.find("error:"), std::string::npos) << run.out;
    }
    EXPECT_EQ(files, 8u);  // 3 examples (2 with an animation); sample and bump share swing.kin
}

// Property: random skinned scenes (fixed seed) always validate: welding keeps one corner's
// weights per vertex, and the reorder and tangent steps keep indices in range.
TEST_F(DumpValidatorTest, RandomScenesAreValid) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int round = 0; round < 6; ++round) {
        InterchangeBuilder scene = GeneratedScene();
        scene.triangles.clear();
        if (round % 2 == 1)
            scene.materials[1].name = "metal.tbump";
        for (int t = 0; t < 60; ++t) {
            IxTriangle tri;
            tri.materialId = t % 2;
            for (IxCorner& c : tri.corners) {
                // a coarse grid, so corners weld
                for (float& p : c.position)
                    p = static_cast<float>(static_cast<int>(unit(random) * 3));
                c.uv[0] = c.position[0];
                c.uv[1] = c.position[1];
                const int bones = static_cast<int>(unit(random) * 3);
                for (int k = 0; k < bones; ++k) c.weights.emplace_back(1 + k, 0.1f + unit(random));
            }
            scene.triangles.push_back(tri);
        }
        const std::string title = "random" + std::to_string(round);
        ConvertScene(scene, folder, title);
        const DumpRun run = RunDump({folder.File(title + ".im"), "--validate"});
        EXPECT_EQ(run.status, 0) << run.out;
    }
}

TEST_F(DumpValidatorTest, IndexOutOfRange) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("sample.im"));
    // CHNK 0 at 88: version, index, then MATL; GEOM after it. The GEOM payload: 9 words and an
    // empty bound-node string (48 bytes with the header), 4 vertices of 20 bytes, then triangles.
    const std::size_t matl = 88 + 16;
    const std::size_t geom = matl + 8 + Get32(bytes, matl + 4);
    ASSERT_EQ(bytes.substr(geom, 4), "GEOM");
    const std::size_t corner = geom + 48 + 4 * 20 + 6 + 4;  // triangle 1, third index
    bytes[corner] = 4;
    bytes[corner + 1] = 0;
    const DumpRun run = ValidateBytes("index.im", bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(Line("index.im", "CHNK 0 GEOM", corner) +
                           "triangle 1 index 4 is not below the vertex count 4"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("valid\n"), std::string::npos);
}

TEST_F(DumpValidatorTest, SizeOneByteShort) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("sample.im"));
    const std::size_t matl = 88 + 16;
    const std::size_t geom = matl + 8 + Get32(bytes, matl + 4);
    const std::uint32_t size = Get32(bytes, geom + 4);
    Put32(bytes, geom + 4, size - 1);
    const DumpRun run = ValidateBytes("short.im", bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(Line("short.im", "CHNK 0 GEOM", geom) +
                           "GEOM arrays for 4 vertices and 2 triangles need " +
                           std::to_string(size - 40) + " bytes, the chunk holds " +
                           std::to_string(size - 41)),
              std::string::npos)
        << run.out;
}

TEST_F(DumpValidatorTest, WeightsSummingToHalf) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("sample.im"));
    const std::size_t infl = Find(TopChunks(bytes), "INFL");
    // INFL: header, version, count; bone "b.root": name (12), parent (4), position (12), matrix
    // (36), entry count; entry: chunk, weight count; the first weight record at +92
    const std::size_t record = infl + 92;
    std::uint32_t vertex = Get32(bytes, record);
    float weight = 0;
    const std::uint32_t bits = Get32(bytes, record + 4);
    std::memcpy(&weight, &bits, 4);
    PutFloat(bytes, record + 4, weight - 0.5f);
    const DumpRun run = ValidateBytes("half.im", bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(Line("half.im", "INFL chunk 0", record) + "the weights of vertex " +
                           std::to_string(vertex) + " sum to 0.5"),
              std::string::npos)
        << run.out;
}

TEST_F(DumpValidatorTest, FrameMissingABone) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("swing.kin"));
    const std::size_t last = Find(TopChunks(bytes), "FRAM", 2);
    ASSERT_EQ(Get32(bytes, last + 4), 8u + 2 * 28u);
    bytes.erase(bytes.size() - 28);
    Put32(bytes, last + 4, 8 + 28);
    Put32(bytes, 4, static_cast<std::uint32_t>(bytes.size() - 8));
    const DumpRun run = ValidateBytes("missing.kin", bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(Line("missing.kin", "FRAM", last) +
                           "FRAM 2 holds 1 bones, the skeleton has 2"),
              std::string::npos)
        << run.out;
}

TEST_F(DumpValidatorTest, FrameCountNotMatchingTheFrames) {
    ConvertScene(GeneratedScene(), folder, "sample");
    std::string bytes = ReadWholeFile(folder.File("swing.kin"));
    const std::size_t info = Find(TopChunks(bytes), "INFO");
    // INFO: version, the name "swing.kin" (4 + 12 bytes), then the frame count
    ASSERT_EQ(Get32(bytes, info + 28), 3u);
    Put32(bytes, info + 28, 4);
    const DumpRun run = ValidateBytes("count.kin", bytes);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(Line("count.kin", "INFO", info) +
                           "frame count 4 but the file holds 3 FRAM chunks"),
              std::string::npos)
        << run.out;
}

// ---------------------------------------------------------------------------------------------
// Single faults on a small model

DumpFile SmallMesh() {
    DumpFile file;
    file.kind = DumpKind::IndexedMesh;
    file.im.info.chunkCount = 1;
    file.im.info.bonesPerChunk = 2;
    MeshChunk& c = file.im.chunks.emplace_back();
    MeshGeometry& g = c.geometry;
    g.vertexCount = 3;
    g.triangleCount = g.triangleCountAgain = 1;
    g.indexCount = 3;
    g.vertices.resize(3);
    g.triangles = {{0, 1, 2}};
    g.normals.assign(3, {0, 0, 1});
    g.faceNormals = {{0, 0, 1}};
    file.im.hasInfluences = true;
    MeshBone a;
    a.name = "a";
    a.entries.push_back(MeshChunkEntry{0, 0, {{0, 1.0f, {}}, {1, 0.5f, {}}}});
    MeshBone b;
    b.name = "b";
    b.entries.push_back(MeshChunkEntry{0, 0, {{1, 0.5f, {}}}});
    file.im.bones = {a, b};
    return file;
}

TEST(DumpValidatorRules, SingleFaults) {
    struct Case {
        const char* name;
        void (*fault)(DumpFile&);
        int errors;
        int warnings;
    };
    const Case cases[] = {
        {"clean", [](DumpFile&) {}, 0, 0},
        {"equal indices",
         [](DumpFile& f) {
             f.im.chunks[0].geometry.triangles[0] = {1, 2, 1};
         },
         1, 0},
        {"index at the vertex count",
         [](DumpFile& f) { f.im.chunks[0].geometry.triangles[0][2] = 3; }, 1, 0},
        {"index count", [](DumpFile& f) { f.im.chunks[0].geometry.indexCount = 4; }, 1, 0},
        {"second triangle count",
         [](DumpFile& f) { f.im.chunks[0].geometry.triangleCountAgain = 2; }, 1, 0},
        {"chunk count", [](DumpFile& f) { f.im.info.chunkCount = 2; }, 1, 0},
        {"chunk index", [](DumpFile& f) { f.im.chunks[0].index = 1; }, 1, 0},
        {"sum within 1e-4",
         [](DumpFile& f) { f.im.bones[0].entries[0].weights[0].weight = 1.00009f; }, 0, 0},
        {"sum beyond 1e-4",
         [](DumpFile& f) { f.im.bones[0].entries[0].weights[0].weight = 1.0002f; }, 1, 0},
        {"vertex without weights",
         [](DumpFile& f) {
             f.im.bones[1].entries.clear();
             f.im.bones[0].entries[0].weights.pop_back();
         },
         0, 0},
        {"weight of a vertex out of range",
         [](DumpFile& f) { f.im.bones[1].entries[0].weights[0].vertex = 3; }, 2, 0},
        {"chunk outside the file", [](DumpFile& f) { f.im.bones[1].entries[0].chunk = 1; }, 2, 0},
        {"more bones than the palette", [](DumpFile& f) { f.im.info.bonesPerChunk = 1; }, 1, 0},
        {"zero normal",
         [](DumpFile& f) {
             f.im.chunks[0].geometry.normals[1] = {0, 0, 0};
         },
         0, 1},
        {"long face normal",
         [](DumpFile& f) {
             f.im.chunks[0].geometry.faceNormals[0] = {0, 0, 2};
         },
         0, 1},
        {"tangent along its normal",
         [](DumpFile& f) {
             f.im.chunks[0].geometry.tangents = {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}};
         },
         0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DumpFile file = SmallMesh();
        c.fault(file);
        int errors = 0;
        int warnings = 0;
        for (const DumpIssue& issue : ValidateDump(file)) (issue.error ? errors : warnings) += 1;
        EXPECT_EQ(errors, c.errors);
        EXPECT_EQ(warnings, c.warnings);
    }
}

TEST(DumpValidatorRules, ManyFaultsOfOneKindAreCut) {
    DumpFile file = SmallMesh();
    MeshGeometry& g = file.im.chunks[0].geometry;
    g.triangles.assign(30, {0, 0, 1});
    g.triangleCount = g.triangleCountAgain = 30;
    g.indexCount = 90;
    g.faceNormals.assign(30, {0, 0, 1});
    const auto issues = ValidateDump(file);
    ASSERT_EQ(issues.size(), 21u);
    EXPECT_EQ(issues.back().message, "10 more like the above");
}

TEST(DumpValidatorRules, FormatNamesFileChunkAndOffset) {
    EXPECT_EQ(FormatIssue("a.im", DumpIssue{true, "CHNK 1 GEOM", 40, "bad"}),
              "error: a.im: CHNK 1 GEOM at offset 40: bad");
    EXPECT_EQ(FormatIssue("a.im", DumpIssue{false, "", 0, "odd"}),
              "warning: a.im: at offset 0: odd");
}

}  // namespace
