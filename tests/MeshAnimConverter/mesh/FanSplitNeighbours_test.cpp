// The two construction steps the converter never takes: splitting faces of more than three
// corners into fans, and the per-triangle neighbour step. Expected values are worked out by hand
// from the written rules.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "MeshAnimConverter/mesh/ChunkNeighbours.h"
#include "MeshAnimConverter/mesh/FanSplit.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"

namespace {

void AddFace(GenericMesh& mesh, int32_t material, std::vector<int32_t> positions,
             int32_t normalBase, int32_t texBase) {
    GenericFace& face = mesh.faces.AddNew();
    face.materialIndex = material;
    face.numCorners = static_cast<int32_t>(positions.size());
    for (size_t c = 0; c < positions.size(); ++c) {
        face.positionIndices[c] = positions[c];
        face.normalIndices[c] = normalBase + static_cast<int32_t>(c);
        face.texCoordIndices[c] = texBase + static_cast<int32_t>(c);
    }
    mesh.numFaces = mesh.faces.Count();
}

struct Expected {
    int32_t material;
    uint32_t position[3];
    uint32_t normal[3];
    uint32_t texCoord[3];
};

class RecordingInterface : public NullExportUserInterface {
public:
    void ShowStatus(const char* text) override { statuses.push_back(text); }
    void ShowProgress(float fraction) override { progress.push_back(fraction); }
    std::vector<std::string> statuses;
    std::vector<float> progress;
};

}  // namespace

TEST(FanSplit, FacesBecomeFansAroundTheirFirstCorner) {
    ExGenericMesh mesh;
    AddFace(mesh, 0, {0, 1, 2}, 100, 200);
    AddFace(mesh, 2, {10, 11, 12, 13}, 20, 30);
    AddFace(mesh, 1, {7, 8}, 0, 0);  // fewer than three corners: nothing
    AddFace(mesh, 3, {40, 41, 42, 43, 44}, 50, 60);

    const Expected expected[] = {
        {0, {0, 1, 2}, {100, 101, 102}, {200, 201, 202}},
        {2, {10, 11, 12}, {20, 21, 22}, {30, 31, 32}},
        {2, {10, 12, 13}, {20, 22, 23}, {30, 32, 33}},
        {3, {40, 41, 42}, {50, 51, 52}, {60, 61, 62}},
        {3, {40, 42, 43}, {50, 52, 53}, {60, 62, 63}},
        {3, {40, 43, 44}, {50, 53, 54}, {60, 63, 64}},
    };
    const std::vector<TriangleFace> triangles = SplitFacesIntoTriangles(mesh);
    ASSERT_EQ(triangles.size(), std::size(expected));
    for (size_t t = 0; t < triangles.size(); ++t) {
        EXPECT_EQ(triangles[t].material, expected[t].material) << t;
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(triangles[t].position[c], expected[t].position[c]) << t << "," << c;
            EXPECT_EQ(triangles[t].normal[c], expected[t].normal[c]) << t << "," << c;
            EXPECT_EQ(triangles[t].texCoord[c], expected[t].texCoord[c]) << t << "," << c;
        }
    }
}

TEST(FanSplit, CornerCountsAboveTheSlotsAreCut) {
    ExGenericMesh mesh;
    std::vector<int32_t> corners;
    for (int32_t c = 0; c < 32; ++c) {
        corners.push_back(c);
    }
    AddFace(mesh, 0, corners, 0, 0);
    mesh.faces[0].numCorners = 1000;
    EXPECT_EQ(SplitFacesIntoTriangles(mesh).size(), 30u);
}

TEST(ChunkNeighbours, LastQualifyingTriangleInScanOrderWins) {
    // Chunk 0: the square A B C / B D C; chunk 1 repeats the edge B-C in another triangle.
    const std::vector<ChunkVertex> v0 = {
        {0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {1, 1, 0, 0, 0}};
    const std::vector<ChunkTriangle> t0 = {{{0, 1, 2}}, {{1, 3, 2}}};
    const std::vector<ChunkVertex> v1 = {{0, 1, 0, 0.5f, 0.5f}, {1, 0, 0, 0, 0}, {5, 5, 5, 0, 0}};
    const std::vector<ChunkTriangle> t1 = {{{0, 1, 2}}};
    const std::vector<NeighbourChunkView> chunks = {{&v0, &t0}, {&v1, &t1}};

    RecordingInterface ui;
    std::vector<int32_t> neighbours;
    BuildChunkNeighbours(chunks, 0, neighbours, &ui);
    // T0 (A B C): itself marks edges 0 and 2; T1 marks edge 1 (B-C); chunk 1's triangle shares
    // B-C too and comes last, so edge 1 names triangle 0 of chunk 1.
    // T1 (B D C): T0 marks edge 2 (C-B); itself marks edges 0 and 2; chunk 1 marks edge 2 last.
    const std::vector<int32_t> expected = {0, 65536, 0, 1, -1, 65536};
    EXPECT_EQ(neighbours, expected);
    ASSERT_EQ(ui.statuses.size(), 1u);
    EXPECT_EQ(ui.statuses[0], "Building neighbor array");
    EXPECT_EQ(ui.progress, (std::vector<float>{0.0f, 0.5f}));

    BuildChunkNeighbours(chunks, 1, neighbours, nullptr);
    // C' B' E: chunk 0's T0 (A B C) gives pair (C', C) first, then (B', B): edge 0; T1 (B D C)
    // gives (C', C) then (B', B): edge 0 again, now triangle 1; then itself: edges 0 and 2.
    EXPECT_EQ(neighbours, (std::vector<int32_t>{65536, -1, 65536}));
}

TEST(ChunkNeighbours, ComparisonIsExactFloatEquality) {
    const float nan = std::nanf("");
    const std::vector<ChunkVertex> v = {{0, 0, 0, 0, 0},     {1, 0, 0, 0, 0},     {0, 1, 0, 0, 0},
                                        {-0.0f, 0, 0, 0, 0}, {1, 0, 0, 0, 0},     {nan, 2, 0, 0, 0},
                                        {0, 0, 0, 0, 0},     {1, 1e-7f, 0, 0, 0}, {0, 0, 1, 0, 0}};
    // T1 shares A-B through -0.0 == +0.0; T2 shares A but B differs in the last bits; T0's C never
    // meets the NaN corner.
    const std::vector<ChunkTriangle> t = {{{0, 1, 2}}, {{3, 4, 5}}, {{6, 7, 8}}};
    const std::vector<NeighbourChunkView> chunks = {{&v, &t}};
    std::vector<int32_t> neighbours;
    BuildChunkNeighbours(chunks, 0, neighbours, nullptr);
    EXPECT_EQ(neighbours[0], 1);   // edge A-B: T1 is the last to share it
    EXPECT_EQ(neighbours[2], 0);   // edge C-A: only itself
    EXPECT_EQ(neighbours[1], -1);  // B-C: the triangle itself never marks edge 1
    ASSERT_EQ(neighbours.size(), 9u);
    EXPECT_EQ(neighbours[6], 2);   // T2 marks its own edge 0 ...
    EXPECT_EQ(neighbours[7], -1);  // ... but never its edge 1
    EXPECT_EQ(neighbours[3], 1);   // T1's edge 0 (-0.0 and +0.0 are equal): itself last
}
