// The indexed mesh build and the IM writer on a small scene whose chunks were worked out by hand:
// two materials, welded corners, one weighted bone and a triangle that welding makes degenerate
// (built on 1, 2 and 8 threads).
#include "MeshAnimConverter/mesh/IndexedMesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/chunks/ChunkReader.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/mesh/FillGenericMesh.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/mesh/R250Random.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "MeshTestFiles.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"

namespace {

SceneVertex Corner(float x, float y, float z, float u = 0, float v = 0) {
    SceneVertex c;
    c.position = {x, y, z};
    c.normal = {0, 0, 1};
    c.texcoord = {u, v};
    return c;
}

// Material 0 "red" (no maps): T0 = A B C, T1 = C B D. Material 1 "blue" (diffuse brick.tga):
// T2 = E F F, T3 = E F G. Bone 7 weights corner 0 (A of T0) by 1 and corner 3 (C of T1) by 0.5.
void BuildScene(SceneData& scene) {
    const SceneVertex A = Corner(0, 0, 0), B = Corner(1, 0, 0), C = Corner(0, 1, 0),
                      D = Corner(1, 1, 0);
    const SceneVertex E = Corner(0, 0, 0, 0, 0), F = Corner(1, 0, 0, 1, 0),
                      G = Corner(0, 0, 1, 0, 1);
    const SceneVertex corners[4][3] = {{A, B, C}, {C, B, D}, {E, F, F}, {E, F, G}};
    for (int t = 0; t < 4; ++t) {
        SceneTriangle& triangle = scene.triangles.AddNew();
        triangle.materialId = t < 2 ? 0 : 1;
        for (int c = 0; c < 3; ++c) {
            triangle.vertices[c] = corners[t][c];
        }
    }
    scene.triangles[0].vertices[0].boneId[0] = 7;
    scene.triangles[0].vertices[0].blend[0] = 1.0f;
    scene.triangles[1].vertices[0].boneId[0] = 7;
    scene.triangles[1].vertices[0].blend[0] = 0.5f;

    SceneMaterial& red = scene.materials.AddNew();
    red.name = "Red";
    red.id = 0;
    SceneMaterial& blue = scene.materials.AddNew();
    blue.name = "Blue";
    blue.id = 1;
    SceneTexture& texture = blue.textures.AddNew();
    texture.textureName = "c:\\art\\brick.tga";
    texture.typeName = "diffuse";

    SceneBone& bone = scene.bones.AddNew();
    bone.id = 7;
    bone.name = "b.root";
    scene.rootBoneIndex = 0;
}

struct IndexedMeshFixture : ::testing::Test {
    SceneData scene;
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    std::FILE* sink = nullptr;

    void SetUp() override {
        sink = std::tmpfile();
        programLog.Reset();
        programLog.SetOutput(sink);
        BuildScene(scene);
        ASSERT_TRUE(FillGenericMesh(scene, mesh, skeleton, programLog));
    }
    void TearDown() override {
        programLog.SetOutput(nullptr);
        programLog.Reset();
        if (sink != nullptr) {
            std::fclose(sink);
        }
    }
};

// Chunk 0: corners A B C C B D; runs A(0), C(2 3), B(1 4), D(5); pairs (3, 2), (4, 1); D moves
// into slot 3; new numbers 0 1 2 2 1 3; the source map exchanges give [0 4 3 5].
// Chunk 1: corners E F F E F G (6..11); pairs (2, 1), (3, 0), (4, 1); G moves into slot 2; new
// numbers 0 1 1 0 1 2; the map becomes [9 10 11]; T2 = (0 1 1) is removed and T3 takes its slot.
TEST_F(IndexedMeshFixture, HandWorkedChunks) {
    NullExportUserInterface ui;
    // the same chunks whatever the number of threads that build and weld them
    for (unsigned threads : {1u, 2u, 8u}) {
        SCOPED_TRACE(std::to_string(threads) + " threads");
        ExIndexedMesh indexed(*mesh, false, ui, threads);
        ASSERT_EQ(indexed.ChunkCount(), 2u);
        const IndexedMeshChunk& c0 = *indexed.chunks[0];
        const IndexedMeshChunk& c1 = *indexed.chunks[1];

        ASSERT_EQ(c0.VertexCount(), 4u);
        const float expected0[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
        for (int v = 0; v < 4; ++v) {
            EXPECT_EQ(c0.vertices[v].x, expected0[v][0]) << v;
            EXPECT_EQ(c0.vertices[v].y, expected0[v][1]) << v;
        }
        EXPECT_EQ(indexed.sourceCorners[0], (std::vector<uint32_t>{0, 4, 3, 5}));
        ASSERT_EQ(c0.TriangleCount(), 2u);
        EXPECT_EQ(std::vector<uint16_t>(c0.triangles[0].v, c0.triangles[0].v + 3),
                  (std::vector<uint16_t>{0, 1, 2}));
        EXPECT_EQ(std::vector<uint16_t>(c0.triangles[1].v, c0.triangles[1].v + 3),
                  (std::vector<uint16_t>{2, 1, 3}));
        EXPECT_EQ(c0.meanTriangleArea, 0.5f);

        ASSERT_EQ(c1.VertexCount(), 3u);
        EXPECT_EQ(c1.vertices[2].z, 1.0f);
        EXPECT_EQ(c1.vertices[2].v, 1.0f);
        EXPECT_EQ(c1.vertices[1].u, 1.0f);
        EXPECT_EQ(indexed.sourceCorners[1], (std::vector<uint32_t>{9, 10, 11}));
        ASSERT_EQ(c1.TriangleCount(), 1u);
        EXPECT_EQ(std::vector<uint16_t>(c1.triangles[0].v, c1.triangles[0].v + 3),
                  (std::vector<uint16_t>{0, 1, 2}));
        EXPECT_EQ(c1.meanTriangleArea, 0.25f);

        EXPECT_EQ(indexed.vertexTotal, 7u);
        EXPECT_EQ(indexed.triangleTotal, 3u);

        ASSERT_TRUE(indexed.HasChunkInfluences());
        const GenericBoneInfluence& w0 = (*indexed.chunkInfluences[0])[0];
        ASSERT_EQ(w0.weights.size(), 2u);
        EXPECT_EQ(w0.weights[0].vertex, 0);
        EXPECT_EQ(w0.weights[0].weight, 1.0f);
        EXPECT_EQ(w0.weights[1].vertex, 2);
        EXPECT_EQ(w0.weights[1].weight, 0.5f);
        EXPECT_EQ(w0.weights[1].position, (gtVector3{0, 1, 0}));
        EXPECT_STREQ((*indexed.chunkInfluences[1])[0].boneName, "b.root");
        EXPECT_TRUE((*indexed.chunkInfluences[1])[0].weights.empty());

        ComputeInfluenceStats(indexed);
        EXPECT_EQ(indexed.influencesPerVertex, (std::vector<uint32_t>{1, 0}));
        EXPECT_EQ(indexed.maxInfluencesPerVertex, 1u);
        EXPECT_EQ(indexed.maxBonesPerChunk, 1u);
    }
}

struct Triangle3 {
    float p[3][3];
};

// Reads the whole file and checks its chunks; returns the triangles of each chunk by position.
void CheckFile(const std::string& path, const std::string& folder, uint32_t seed,
               std::vector<std::vector<Triangle3>>& triangles) {
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ChunkReader::LoadFile(path, bytes, error)) << error;
    ChunkReader reader(bytes);
    std::string form;
    ASSERT_TRUE(reader.ReadForm(form));
    EXPECT_EQ(form, "IDXM");
    ChunkInfo chunk;
    uint32_t u = 0;
    float f = 0;

    ASSERT_TRUE(reader.EnterChunk(chunk));
    EXPECT_EQ(chunk.id, "INFO");
    EXPECT_EQ(chunk.size, 4u + 68u - 4u);
    reader.ReadU32(u);
    EXPECT_EQ(u, 104u);
    const float head[7] = {0, 0, 0, 1, 0, 0, 0};
    for (float expected : head) {
        reader.ReadF32(f);
        EXPECT_EQ(f, expected);
    }
    const uint32_t counts[3] = {2, 1, 1};  // chunks, influences per vertex, bones per chunk
    for (uint32_t expected : counts) {
        reader.ReadU32(u);
        EXPECT_EQ(u, expected);
    }
    const float box[6] = {0, 0, 0, 1, 1, 1};
    for (float expected : box) {
        reader.ReadF32(f);
        EXPECT_EQ(f, expected);
    }
    ASSERT_TRUE(reader.LeaveChunk());

    R250Random random(seed);
    const char* names[2] = {"red", "blue"};
    const char* suffixes[2] = {"notex", "onetex"};
    const uint32_t vertexCounts[2] = {4, 3};
    const uint32_t triangleCounts[2] = {2, 1};
    triangles.assign(2, {});
    for (uint32_t i = 0; i < 2; ++i) {
        ASSERT_TRUE(reader.EnterChunk(chunk));
        EXPECT_EQ(chunk.id, "CHNK");
        reader.ReadU32(u);
        EXPECT_EQ(u, 100u);
        reader.ReadU32(u);
        EXPECT_EQ(u, i);

        ASSERT_TRUE(reader.EnterChunk(chunk));
        EXPECT_EQ(chunk.id, "MATL");
        reader.ReadU32(u);
        EXPECT_EQ(u, 103u);
        std::string text;
        reader.ReadPaddedString(text);
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", random.Next());
        EXPECT_EQ(text, std::string("*wall*") + hex + "*" + names[i] + "*m." + suffixes[i]);
        reader.ReadU32(u);
        EXPECT_EQ(u, 0u);  // property pairs
        reader.ReadU32(u);
        EXPECT_EQ(u, 0u);  // two-sided
        for (int k = 0; k < 14; ++k) {
            reader.ReadF32(f);
        }
        EXPECT_EQ(f, 0.0f);  // shine 0 x 100
        reader.ReadU32(u);
        EXPECT_EQ(u, i);  // map count
        if (i == 1) {
            int32_t slot = 0;
            reader.ReadI32(slot);
            EXPECT_EQ(slot, 1);
            reader.ReadPaddedString(text);
            EXPECT_EQ(text, folder + kJoin + "brick.texture");
            reader.ReadF32(f);
            EXPECT_EQ(f, 1.0f);
        }
        ASSERT_TRUE(reader.LeaveChunk());

        ASSERT_TRUE(reader.EnterChunk(chunk));
        EXPECT_EQ(chunk.id, "GEOM");
        const uint32_t V = vertexCounts[i];
        const uint32_t T = triangleCounts[i];
        EXPECT_EQ(chunk.size, 40u + 20u * V + 6u * T + 12u * V + 12u * T);
        const uint32_t header[3] = {201, 4, 0};
        for (uint32_t expected : header) {
            reader.ReadU32(u);
            EXPECT_EQ(u, expected);
        }
        reader.ReadF32(f);
        EXPECT_EQ(f, i == 0 ? 0.5f : 0.25f);
        const uint32_t geometryCounts[5] = {V, T, 3 * T, T, i == 0 ? 1u : 0u};
        for (uint32_t expected : geometryCounts) {
            reader.ReadU32(u);
            EXPECT_EQ(u, expected);
        }
        reader.ReadPaddedString(text);
        EXPECT_EQ(text, "");
        std::vector<float> vertices(5 * V);
        for (float& value : vertices) {
            reader.ReadF32(value);
        }
        for (uint32_t t = 0; t < T; ++t) {
            Triangle3 tri;
            for (int c = 0; c < 3; ++c) {
                uint16_t index = 0;
                reader.ReadU16(index);
                ASSERT_LT(index, V);
                std::memcpy(tri.p[c], &vertices[5 * index], sizeof tri.p[c]);
            }
            triangles[i].push_back(tri);
        }
        ASSERT_TRUE(reader.SkipChunk());
        ASSERT_TRUE(reader.LeaveChunk());
    }

    ASSERT_TRUE(reader.EnterChunk(chunk));
    EXPECT_EQ(chunk.id, "INFL");
    reader.ReadU32(u);
    EXPECT_EQ(u, 100u);
    reader.ReadU32(u);
    EXPECT_EQ(u, 1u);
    std::string text;
    reader.ReadPaddedString(text);
    EXPECT_EQ(text, "b.root");
    reader.ReadPaddedString(text);
    EXPECT_EQ(text, "");
    for (int k = 0; k < 12; ++k) {
        reader.ReadF32(f);
    }
    reader.ReadU32(u);
    EXPECT_EQ(u, 2u);
    const uint32_t weightCounts[2] = {2, 0};
    for (uint32_t i = 0; i < 2; ++i) {
        reader.ReadU32(u);
        EXPECT_EQ(u, i);
        reader.ReadU32(u);
        EXPECT_EQ(u, weightCounts[i]);
        for (uint32_t w = 0; w < weightCounts[i]; ++w) {
            for (int k = 0; k < 5; ++k) {
                reader.ReadU32(u);
            }
        }
    }
    ASSERT_TRUE(reader.LeaveChunk());
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_TRUE(reader.Ok()) << reader.Error();
}

bool SameTriangleRotated(const Triangle3& a, const Triangle3& b) {
    for (int r = 0; r < 3; ++r) {
        bool same = true;
        for (int c = 0; c < 3; ++c) {
            same = same && std::memcmp(a.p[c], b.p[(c + r) % 3], sizeof a.p[c]) == 0;
        }
        if (same) {
            return true;
        }
    }
    return false;
}

TEST_F(IndexedMeshFixture, WritesEveryChunkAndKeepsEachTriangleOnceWithItsWinding) {
    ScratchFolder folder;
    const std::string path = folder.File("wall.im");
    ASSERT_TRUE(WriteImFile(path.c_str(), *mesh, nullptr, 4242u));
    std::vector<std::vector<Triangle3>> triangles;
    CheckFile(path, folder.Path(), 4242u, triangles);
    const Triangle3 expected0[2] = {{{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}},
                                    {{{0, 1, 0}, {1, 0, 0}, {1, 1, 0}}}};
    ASSERT_EQ(triangles[0].size(), 2u);
    for (const Triangle3& e : expected0) {
        EXPECT_EQ(std::count_if(triangles[0].begin(), triangles[0].end(),
                                [&e](const Triangle3& t) { return SameTriangleRotated(t, e); }),
                  1);
    }
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\nTile=st\n");
}

TEST_F(IndexedMeshFixture, SameSeedGivesTheSameBytes) {
    ScratchFolder folder;
    ASSERT_TRUE(WriteImFile(folder.File("a.im").c_str(), *mesh, nullptr, 99u));
    const std::string first = ReadWholeFile(folder.File("a.im"));
    ASSERT_TRUE(WriteImFile(folder.File("a.im").c_str(), *mesh, nullptr, 99u));
    EXPECT_EQ(ReadWholeFile(folder.File("a.im")), first);
}

TEST_F(IndexedMeshFixture, UnopenableTargetFailsAndKeepsNothing) {
    ScratchFolder folder;
    const std::string path = folder.Path() + "/missing/wall.im";
    EXPECT_FALSE(WriteImFile(path.c_str(), *mesh));
    EXPECT_EQ(programLog.numErrors, 1);
}

TEST(FillGenericMesh, FailsWithoutTrianglesOrMaterials) {
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    SceneData empty;
    empty.materials.AddNew();
    EXPECT_FALSE(FillGenericMesh(empty, mesh, skeleton, programLog));
    EXPECT_NE(mesh, nullptr);
    SceneData noMaterial;
    noMaterial.triangles.AddNew();
    EXPECT_FALSE(FillGenericMesh(noMaterial, mesh, skeleton, programLog));
}

TEST(FillGenericMesh, UnusedMaterialsDisappearAndFacesFollow) {
    SceneData scene;
    for (int m = 0; m < 3; ++m) {
        SceneMaterial& material = scene.materials.AddNew();
        material.id = m;
        material.shine = 0.5f;
    }
    scene.triangles.AddNew().materialId = 2;
    scene.triangles.AddNew().materialId = 0;
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    ASSERT_TRUE(FillGenericMesh(scene, mesh, skeleton, programLog));
    EXPECT_EQ(mesh->numMaterials, 2);
    EXPECT_EQ(mesh->faces[0].materialIndex, 1);
    EXPECT_EQ(mesh->faces[1].materialIndex, 0);
    EXPECT_EQ(mesh->materials[1].materialNumber, 2);
    EXPECT_EQ(mesh->materials[0].shine, 50.0f);
    EXPECT_EQ(skeleton, nullptr);
}

}  // namespace
