// The conversion of the examples and of generated inputs, each .im file checked chunk by chunk
// against the scene the reader makes of the input; and the edge cases of the mesh build and
// the IM file: the cube that welds to 24 vertices, unused materials, bones differing only in
// case, ".tbump" tangents, opacity folding, "notile_", an odd triangle count, the later bone
// of one id, SKEL and ATCH spelled out, and a material split into chunks of 21845 triangles.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <string>

#include "../mesh/MeshTestFiles.h"
#include "InterchangeBuilder.h"
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/mesh/ChunkOptimisation.h"
#include "MeshAnimConverter/mesh/FillGenericMesh.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/mesh/R250Random.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "OutputFiles.h"
#include "SceneChecks.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"

namespace {

namespace fs = std::filesystem;

struct Converted {
    ProgramRun run;
    SceneData scene;
    ImFile im;
};

// Converts `input` into folder/<title>.im and reads back the scene and the file.
void Convert(const std::string& input, const std::string& out, Converted& c,
             std::vector<std::string> extra = {}, std::optional<uint32_t> seed = std::nullopt) {
    std::vector<std::string> args = {"-inFile", input, "-outFile", out};
    args.insert(args.end(), extra.begin(), extra.end());
    c.run = RunConverter(args, seed);
    ASSERT_EQ(c.run.status, 0) << c.run.console;
    int32_t version = 0;
    programLog.SetOutput(std::tmpfile());
    ASSERT_TRUE(ReadInterchangeFile(input.c_str(), version, c.scene, programLog, TestPreparer()));
    programLog.SetOutput(nullptr);
    programLog.Reset();
    std::string error;
    ASSERT_TRUE(ReadImFile(out + ".im", c.im, error)) << error;
}

IxCorner Corner(float x, float y, float z, float u, float v, float nx, float ny, float nz) {
    IxCorner c;
    const float values[8] = {x, y, z, u, v, nx, ny, nz};
    std::copy(values, values + 3, c.position);
    std::copy(values + 3, values + 5, c.uv);
    std::copy(values + 5, values + 8, c.normal);
    return c;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct GeneratedTest : ::testing::Test {
    ScratchFolder folder;
};

TEST_F(GeneratedTest, Examples) {
    for (const char* name :
         {"crate_static_materials", "flag_skinned_global", "arm_local_matrix_axisangle"}) {
        SCOPED_TRACE(name);
        Converted c;
        Convert(std::string(VANTOK_SOURCE_DIR) + "/examples/" + name + ".xml", folder.File(name),
                c);
        EXPECT_EQ(c.run.console.find("Error:"), std::string::npos) << c.run.console;
        CheckImAgainstScene(c.scene, c.im, {name});
        // every rewritten map name names a descriptor that was written
        for (const ImChunk& chunk : c.im.chunks) {
            for (const ImMap& map : chunk.maps) {
                if (map.fileName.find(folder.Path()) == 0) {
                    EXPECT_TRUE(fs::exists(map.fileName + ".txt")) << map.fileName;
                }
            }
        }
    }
}

// Random triangles over a 4 x 4 x 2 lattice of corners (so corners weld and some triangles
// become degenerate), three used materials and an unused one, bones with a case-twin and a
// shared id, weights that depend only on the corner's key (so welded corners agree).
InterchangeBuilder RandomScene(unsigned seed, int triangles) {
    std::mt19937 random(seed);
    InterchangeBuilder b;
    const char* names[4] = {"Plain", "Unused", "Stone.tbump", "Glass"};
    for (int m = 0; m < 4; ++m) {
        IxMaterial& material = b.materials.emplace_back();
        material.name = names[m];
        material.id = 10 * m + 5;
    }
    b.materials[2].textures = {{"art\\stone.tga", "diffuse"}, {"art/stone_n.tga", "bump"}};
    b.materials[3].textures = {{"glass.tga", "diffuse"}, {"glass_a.tga", "opacity"}};
    const char* bones[4][2] = {
        {"b.root", ""}, {"b.Arm", "b.root"}, {"b.arm", "b.root"}, {"b.hand", "b.Arm"}};
    const int ids[4] = {1, 2, 3, 2};  // b.hand shares id 2 with b.Arm and wins
    for (int i = 0; i < 4; ++i) {
        IxBone& bone = b.bones.emplace_back();
        bone.id = ids[i];
        bone.name = bones[i][0];
        bone.parent = bones[i][1];
        bone.position[0] = 0.25f * static_cast<float>(i);
    }
    std::set<std::vector<float>> seen;
    while (static_cast<int>(b.triangles.size()) < triangles) {
        IxTriangle t;
        const int material = static_cast<int>(random() % 3);
        t.materialId = material == 0 ? 5 : material == 1 ? 25 : 35;
        std::vector<float> key = {static_cast<float>(t.materialId)};
        for (IxCorner& c : t.corners) {
            const int x = static_cast<int>(random() % 4), y = static_cast<int>(random() % 4);
            const int n = static_cast<int>(random() % 2);
            c = Corner(static_cast<float>(x), static_cast<float>(y),
                       0.5f * static_cast<float>(x * y % 3), 0.25f * static_cast<float>(x),
                       0.25f * static_cast<float>(y), 0, static_cast<float>(n),
                       static_cast<float>(1 - n));
            const int h = (x * 7 + y * 3 + n) % 5;
            if (h == 1) {
                c.weights = {{1, 1.0f}};
            } else if (h == 2) {
                c.weights = {{2, 0.75f}, {3, 0.25f}};
            } else if (h == 3) {
                c.weights = {{3, 0.5f}, {1, 0.25f}, {9, 0.25f}};  // id 9 names no bone
            } else if (h == 4) {
                c.weights = {{2, 0.5f}, {1, 0.0f}, {3, 0.5f}};
            }
            key.insert(key.end(), {c.position[0], c.position[1], c.position[2], c.uv[0], c.uv[1],
                                   c.normal[1]});
        }
        if (seen.insert(key).second) {
            b.triangles.push_back(t);
        }
    }
    return b;
}

TEST_F(GeneratedTest, RandomScenesMatchTheirChunks) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const std::string in = folder.File("random" + std::to_string(seed) + ".xml");
        WriteWholeFile(in, RandomScene(seed, 60 + 41 * static_cast<int>(seed)).Text());
        Converted c;
        Convert(in, folder.File("random" + std::to_string(seed)), c, {}, seed);
        CheckImAgainstScene(c.scene, c.im, {"random" + std::to_string(seed)});
        ASSERT_EQ(c.im.chunks.size(), 3u);  // "Unused" is gone
        EXPECT_EQ(c.im.order, (std::vector<std::string>{"INFO", "CHNK", "CHNK", "CHNK", "INFL"}));
        // b.Arm and b.arm share one entry: the first one's name, two chunk entries per chunk
        ASSERT_EQ(c.im.bones.size(), 3u);
        EXPECT_EQ(c.im.bones[1].name, "b.Arm");
        EXPECT_EQ(c.im.bones[1].entries.size(), 6u);
        // the "later bone wins" rule: id 2 goes to b.hand, never to b.Arm
        for (size_t k = 0; k < 6; k += 2) {
            EXPECT_TRUE(c.im.bones[1].entries[k].weights.empty());
        }
        // tangents only on the ".tbump" chunk; the opacity map is folded into the diffuse one
        EXPECT_EQ(c.im.chunks[0].flags, 0u);
        EXPECT_EQ(c.im.chunks[1].flags, 1u);
        EXPECT_EQ(c.im.chunks[2].flags, 0u);
        EXPECT_TRUE(EndsWith(c.im.chunks[0].referenceName, "*plain*m.notex"))
            << c.im.chunks[0].referenceName;
        EXPECT_TRUE(EndsWith(c.im.chunks[1].referenceName, "*stone.tbump*m.onetex"))
            << c.im.chunks[1].referenceName;
        ASSERT_EQ(c.im.chunks[1].maps.size(), 2u);
        EXPECT_EQ(c.im.chunks[1].maps[0].slot, 1);
        EXPECT_EQ(c.im.chunks[1].maps[0].fileName, folder.Path() + kJoin + "stone.texture");
        EXPECT_EQ(c.im.chunks[1].maps[1].slot, 8);
        EXPECT_EQ(c.im.chunks[1].maps[1].fileName, folder.Path() + kJoin + "stone_n.texture");
        ASSERT_EQ(c.im.chunks[2].maps.size(), 1u);
        EXPECT_EQ(c.im.chunks[2].maps[0].fileName, folder.Path() + kJoin + "glass-glass_a.texture");
        EXPECT_TRUE(EndsWith(c.im.chunks[2].referenceName, "*glass*m.onetex"))
            << c.im.chunks[2].referenceName;
    }
    EXPECT_EQ(ReadWholeFile(folder.File("glass-glass_a.texture.txt")),
              "Primary=glass.tga\nAlpha=glass_a.tga\nTile=st\n");
    EXPECT_EQ(ReadWholeFile(folder.File("stone_n.texture.txt")), "Primary=stone_n.tga\nTile=st\n");
    EXPECT_FALSE(fs::exists(folder.File("glass_a.texture.txt")));
}

// A cube of 12 triangles, one normal per face, no maps: 24 vertices, not 8.
TEST_F(GeneratedTest, CubeWeldsToTwentyFourVertices) {
    InterchangeBuilder b;
    b.materials.push_back({});
    b.materials[0].name = "cube";
    const float n[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, -1, 0}, {0, 1, 0}, {-1, 0, 0}, {1, 0, 0}};
    for (int f = 0; f < 6; ++f) {
        const int axis = f / 2;
        const float side = static_cast<float>(f % 2);
        float q[4][3];
        const int a = (axis + 1) % 3, c = (axis + 2) % 3;
        const int corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        for (int k = 0; k < 4; ++k) {
            q[k][axis] = side;
            q[k][a] = static_cast<float>(corners[k][0]);
            q[k][c] = static_cast<float>(corners[k][1]);
        }
        const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
        for (const auto& t : tris) {
            IxTriangle& tri = b.triangles.emplace_back();
            for (int k = 0; k < 3; ++k) {
                tri.corners[k] = Corner(q[t[k]][0], q[t[k]][1], q[t[k]][2], 0.5f, 0.5f, n[f][0],
                                        n[f][1], n[f][2]);
            }
        }
    }
    const std::string in = folder.File("cube.xml");
    WriteWholeFile(in, b.Text());
    Converted c;
    Convert(in, folder.File("cube"), c);
    CheckImAgainstScene(c.scene, c.im, {"cube"});
    ASSERT_EQ(c.im.chunks.size(), 1u);
    EXPECT_EQ(c.im.chunks[0].vertexCount, 24u);
    EXPECT_EQ(c.im.chunks[0].triangleCount, 12u);
    EXPECT_NE(c.run.console.find("numTriangles=12\nnumVertices=24\n"), std::string::npos);
}

// An odd triangle count leaves GEOM 2 bytes off a multiple of 4; the next chunk follows it
// directly (the strict reader finds it at the byte after).
TEST_F(GeneratedTest, OddTriangleCountPacksTheNextChunkTightly) {
    InterchangeBuilder b;
    for (int m = 0; m < 2; ++m) {
        IxMaterial& material = b.materials.emplace_back();
        material.name = m == 0 ? "one" : "two";
        material.id = m;
        IxTriangle& t = b.triangles.emplace_back();
        t.materialId = m;
        t.corners[0] = Corner(0, 0, 0, 0, 0, 0, 0, 1);
        t.corners[1] = Corner(1, 0, 0, 0, 0, 0, 0, 1);
        t.corners[2] = Corner(0, 1, 0, 0, 0, 0, 0, 1);
    }
    b.attachments.push_back({"a.top", {1, 2, 3}, {0, 0, 0, 1}});
    b.attachments.push_back({"a.side", {0, 0.5f, 0}, {0, 0, 1, 0}});
    const std::string in = folder.File("odd.xml");
    WriteWholeFile(in, b.Text());
    Converted c;
    Convert(in, folder.File("odd"), c);
    CheckImAgainstScene(c.scene, c.im);
    ASSERT_EQ(c.im.chunks.size(), 2u);
    EXPECT_EQ(c.im.chunks[0].geometrySize % 4, 2u);
    EXPECT_EQ(c.im.order, (std::vector<std::string>{"INFO", "CHNK", "CHNK", "ATCH"}));
    // ATCH: version 100, count, then name, rotation rows, position. The half turn about z
    // (0, 0, 1, 0) gives the rows (-1, 0, 0), (0, -1, 0), (0, 0, 1).
    EXPECT_EQ(c.im.attachmentVersion, 100u);
    ASSERT_EQ(c.im.attachments.size(), 2u);
    EXPECT_EQ(c.im.attachments[0].name, "a.top");
    EXPECT_EQ(c.im.attachments[0].matrix, (std::array<float, 9>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(c.im.attachments[0].position, (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(c.im.attachments[1].name, "a.side");
    EXPECT_EQ(c.im.attachments[1].matrix, (std::array<float, 9>{-1, 0, 0, 0, -1, 0, 0, 0, 1}));
    EXPECT_EQ(c.im.attachments[1].position, (std::array<float, 3>{0, 0.5f, 0}));
    EXPECT_NE(c.run.console.find("numAttachments=2\n"), std::string::npos);
}

// "notile_" in any case drops the Tile line; "not" alone does not.
TEST_F(GeneratedTest, NotilePrefixDropsTheTileLine) {
    InterchangeBuilder b;
    const char* textures[3] = {"c:\\art\\NoTile_sky.tga", "c:\\art\\notable.tga", "sky.texture"};
    for (int m = 0; m < 3; ++m) {
        IxMaterial& material = b.materials.emplace_back();
        material.name = "m" + std::to_string(m);
        material.id = m;
        material.textures.push_back({textures[m], "diffuse", 1, 1, 1.0f});
        IxTriangle& t = b.triangles.emplace_back();
        t.materialId = m;
        t.corners[1].position[0] = 1;
        t.corners[2].position[1] = 1;
    }
    const std::string in = folder.File("sky.xml");
    WriteWholeFile(in, b.Text());
    Converted c;
    Convert(in, folder.File("sky"), c);
    EXPECT_EQ(ReadWholeFile(folder.File("NoTile_sky.texture.txt")), "Primary=NoTile_sky.tga\n");
    EXPECT_EQ(ReadWholeFile(folder.File("notable.texture.txt")), "Primary=notable.tga\nTile=st\n");
    ASSERT_EQ(c.im.chunks.size(), 3u);
    EXPECT_EQ(c.im.chunks[0].maps[0].fileName, folder.Path() + kJoin + "NoTile_sky.texture");
    EXPECT_EQ(c.im.chunks[2].maps[0].fileName, "sky.texture");  // already a descriptor
}

// The IM writer given a mesh that carries its skeleton writes SKEL instead of INFL: bones
// relative to their parents at the rest pose.
TEST_F(GeneratedTest, SkeletonIsWrittenRelativeToParents) {
    InterchangeBuilder b;
    b.materials.emplace_back().name = "m";
    IxTriangle& t = b.triangles.emplace_back();
    t.corners[1].position[0] = 1;
    t.corners[2].position[1] = 1;
    t.corners[0].weights = {{1, 1.0f}};
    IxBone root;
    root.id = 1;
    root.name = "b.root";
    root.position[0] = 1;
    IxBone child;
    child.id = 2;
    child.name = "b.tip";
    child.parent = "b.root";
    child.position[0] = 1;
    child.position[1] = 2;
    // a quarter turn about z: (0, 0, sin 45, cos 45) as read
    const float s = 0.707106769f;
    root.orientation[2] = s;
    root.orientation[3] = s;
    child.orientation[2] = s;
    child.orientation[3] = s;
    b.bones = {root, child};
    const std::string in = folder.File("skel.xml");
    WriteWholeFile(in, b.Text());
    SceneData scene;
    int32_t version = 0;
    programLog.SetOutput(std::tmpfile());
    ASSERT_TRUE(ReadInterchangeFile(in.c_str(), version, scene, programLog, TestPreparer()));
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    ASSERT_TRUE(FillGenericMesh(scene, mesh, skeleton, programLog));
    ASSERT_NE(skeleton, nullptr);
    ASSERT_TRUE(WriteImFile(folder.File("skel.im").c_str(), *mesh, skeleton.get()));
    programLog.SetOutput(nullptr);
    programLog.Reset();
    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(folder.File("skel.im"), im, error)) << error;
    EXPECT_EQ(im.order, (std::vector<std::string>{"INFO", "CHNK", "SKEL"}));
    EXPECT_EQ(im.skeletonVersion, 100u);
    ASSERT_EQ(im.skeleton.size(), 1u);
    const ImSkeletonBone& r = im.skeleton[0];
    EXPECT_EQ(r.name, "b.root");
    ASSERT_EQ(r.children.size(), 1u);
    EXPECT_EQ(r.children[0].name, "b.tip");
    EXPECT_TRUE(r.children[0].children.empty());
    // the child relative to the root: the same rotation, so the relative rotation is the
    // identity up to rounding, and the offset (0, 2, 0) seen from the root's frame lies on
    // its -x axis: about (2, 0, 0) after the inverse quarter turn
    EXPECT_NEAR(r.children[0].rotation[3], 1.0f, 1e-6f);
    EXPECT_NEAR(std::fabs(r.children[0].position[0]), 2.0f, 1e-5f);
    EXPECT_NEAR(r.children[0].position[2], 0.0f, 1e-6f);
}

// One material of 21978 triangles (a grid of 111 x 99 quads): a chunk of 21845 triangles in
// face order and one of the remaining 133, each with its own copy of the material, its own
// reference name draw and its own (identical) descriptor.
TEST_F(GeneratedTest, LargeMaterialIsSplitIntoChunksInFaceOrder) {
    SceneData scene;
    SceneMaterial& material = scene.materials.AddNew();
    material.name = "Ground";
    SceneTexture& texture = material.textures.AddNew();
    texture.textureName = "ground.tga";
    texture.typeName = "diffuse";
    const int W = 111, H = 99;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            const float q[4][2] = {{fx, fy}, {fx + 1, fy}, {fx + 1, fy + 1}, {fx, fy + 1}};
            const int tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
            for (const auto& t : tris) {
                SceneTriangle& tri = scene.triangles.AddNew();
                for (int k = 0; k < 3; ++k) {
                    SceneVertex& v = tri.vertices[k];
                    v.position = {q[t[k]][0], q[t[k]][1], 0};
                    v.normal = {0, 0, 1};
                    v.texcoord = {q[t[k]][0] / 8, q[t[k]][1] / 8};
                }
            }
        }
    }
    programLog.SetOutput(std::tmpfile());
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    ASSERT_TRUE(FillGenericMesh(scene, mesh, skeleton, programLog));
    const std::string path = folder.File("ground.im");
    ASSERT_TRUE(WriteImFile(path.c_str(), *mesh, nullptr, 3u));
    programLog.SetOutput(nullptr);
    programLog.Reset();
    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(path, im, error)) << error;
    CheckImAgainstScene(scene, im, {"ground"});
    ASSERT_EQ(im.chunks.size(), 2u);
    EXPECT_EQ(im.chunks[0].triangleCount, 21845u);
    EXPECT_EQ(im.chunks[1].triangleCount, 133u);
    R250Random random(3u);
    for (const ImChunk& c : im.chunks) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", random.Next());
        EXPECT_EQ(c.referenceName, std::string("*ground*") + hex + "*ground*m.onetex");
        ASSERT_EQ(c.maps.size(), 1u);
        EXPECT_EQ(c.maps[0].fileName, folder.Path() + kJoin + "ground.texture");
    }
    EXPECT_EQ(ReadWholeFile(folder.File("ground.texture.txt")), "Primary=ground.tga\nTile=st\n");
}

}  // namespace

namespace {

// A ".tbump" chunk whose tangent step would leave more than 65535 vertices is refused with its
// count (the IM writer then logs "Too many vertices in chunk %d (%d, at most 65535)" and
// writes no file). From a generic mesh a chunk has at most 65535 corners, so the case is made
// by hand: 65536 vertices, one triangle.
TEST(ChunkLimits, TangentStepBeyondSixteenBitsIsRefused) {
    IndexedMesh mesh;
    auto chunk = std::make_unique<IndexedMeshChunk>();
    chunk->name = "big.tbump";
    chunk->vertices.resize(65536);
    chunk->normals.assign(65536, gtVector3{0, 0, 1});
    for (uint32_t v = 0; v < 65536; ++v) {
        chunk->vertices[v] = {static_cast<float>(v), static_cast<float>(v % 7), 0,
                              static_cast<float>(v) / 65536.0f, 0};
    }
    chunk->triangles.push_back({{0, 1, 2}});
    mesh.chunks.push_back(std::move(chunk));
    mesh.sourceCorners.resize(1);
    mesh.influencesPerVertex.assign(1, 0);
    uint32_t vertices = 0;
    EXPECT_FALSE(PrepareChunkForOutput(mesh, 0, true, vertices, nullptr));
    EXPECT_EQ(vertices, 65536u);
}

}  // namespace
