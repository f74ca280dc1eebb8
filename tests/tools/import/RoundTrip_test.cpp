// Round trips the suite builds itself (no test-models package needed): a textured glTF quad
// whose texture coordinates are asymmetric in u and v, and skinned glTF models whose bind pose
// differs from their rest pose by one rotation and by a per-bone offset, through import,
// conversion and glTF export with the checks of RoundTrip.h. Expected outcomes follow from the
// construction: with every vertex on one bone the per-bone offsets change no animated pose, so
// the model stands at rest; with vertices blended between bones whose offsets disagree, they
// would, so the bind pose is kept with a warning.
#include "tests/tools/roundtrip/RoundTrip.h"

#include <gtest/gtest.h>
#include <stb/stb_image_write.h>

#include <cmath>
#include <string>
#include <vector>

#include "ModelWriters.h"

namespace {

std::string N(int i) {
    return std::to_string(i);
}

void AppendPng(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

// A 4 x 2 image, every texel a different colour, so that any flip or swap shows.
std::string AsymmetricPng() {
    std::vector<unsigned char> pixels;
    for (int i = 0; i < 8; ++i) {
        pixels.insert(pixels.end(),
                      {static_cast<unsigned char>(30 * i), static_cast<unsigned char>(200 - 20 * i),
                       static_cast<unsigned char>(i % 2 ? 255 : 0), 255});
    }
    std::string png;
    stbi_write_png_to_func(AppendPng, &png, 4, 2, 4, pixels.data(), 16);
    return png;
}

std::string TexturedQuad(const ScratchFolder& folder) {
    GltfWriter g;
    const int pos = g.Floats({0, 0, 0, 2, 0, 0, 2, 1, 0, 0, 1, 0}, "VEC3", 4);
    const int uv = g.Floats({0.1f, 0.9f, 0.95f, 0.8f, 0.7f, 0.05f, 0.2f, 0.25f}, "VEC2", 4);
    const int idx = g.Shorts({0, 1, 2, 0, 2, 3}, "SCALAR", 6);
    WriteWholeFile(folder.File("grid.png"), AsymmetricPng());
    return g.Write(
        folder, "quad",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],\"meshes\":[{"
        "\"primitives\":[{\"attributes\":{\"POSITION\":" +
            N(pos) + ",\"TEXCOORD_0\":" + N(uv) + "},\"indices\":" + N(idx) +
            ",\"material\":0}]}],\"materials\":[{\"name\":\"Grid\",\"pbrMetallicRoughness\":{"
            "\"baseColorTexture\":{\"index\":0}}}],\"textures\":[{\"source\":0}],"
            "\"images\":[{\"uri\":\"grid.png\"}]");
}

// A joint's bind pose: Rz(30 degrees) x T(rest + offset); its rest pose is T(rest).
aiMatrix4x4 BindPose(float restY, aiVector3D offset) {
    aiMatrix4x4 rotation, translation;
    aiMatrix4x4::RotationZ(0.5235988f, rotation);
    aiMatrix4x4::Translation(aiVector3D(0, restY, 0) + offset, translation);
    return rotation * translation;
}

std::vector<float> ColumnMajor(const aiMatrix4x4& m) {
    std::vector<float> out;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) out.push_back(m[r][c]);
    return out;
}

// Two joints (Base, Arm one unit above it) and two quads standing at rest at y 0..1 and 1.2..2;
// the vertices are stored in the bind pose (bind x rest^-1 x rest position). `blended`: the
// upper quad's lower vertices take half of each joint. Arm turns 90 degrees about z over one
// second.
std::string SkinnedArm(const ScratchFolder& folder, bool blended) {
    const float restY[2] = {0, 1};
    const aiMatrix4x4 bind[2] = {BindPose(0, aiVector3D(0.2f, 0, 0)),
                                 BindPose(1, aiVector3D(-0.3f, 0.1f, 0.4f))};
    const float at[8][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 1.2f}, {1, 1.2f}, {1, 2}, {0, 2}};
    std::vector<float> raw;
    for (int v = 0; v < 8; ++v) {
        const int b = v < 4 ? 0 : 1;
        aiMatrix4x4 toRest;
        aiMatrix4x4::Translation(aiVector3D(0, -restY[b], 0), toRest);
        const aiVector3D p = bind[b] * toRest * aiVector3D(at[v][0], at[v][1], 0);
        raw.insert(raw.end(), {p.x, p.y, p.z});
    }
    GltfWriter g;
    const int pos = g.Floats(raw, "VEC3", 8);
    const float h = blended ? 0.5f : 0.0f;
    const int joints = g.Shorts({0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0,  //
                                 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0},
                                "VEC4", 8);
    const int weights = g.Floats({1,     0, 0, 0, 1,     0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,  //
                                  1 - h, h, 0, 0, 1 - h, h, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0},
                                 "VEC4", 8);
    const int idx = g.Shorts({0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7}, "SCALAR", 12);
    std::vector<float> ibm = ColumnMajor(aiMatrix4x4(bind[0]).Inverse());
    const std::vector<float> arm = ColumnMajor(aiMatrix4x4(bind[1]).Inverse());
    ibm.insert(ibm.end(), arm.begin(), arm.end());
    const int ibms = g.Floats(ibm, "MAT4", 2);
    const int times = g.Floats({0, 1}, "SCALAR", 2);
    const int turns = g.Floats({0, 0, 0, 1, 0, 0, 0.70710678f, 0.70710678f}, "VEC4", 2);
    return g.Write(
        folder, blended ? "blended" : "rigid",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0,1]}],\"nodes\":["
        "{\"name\":\"Body\",\"mesh\":0,\"skin\":0},"
        "{\"name\":\"Base\",\"children\":[2]},"
        "{\"name\":\"Arm\",\"translation\":[0,1,0]}],"
        "\"skins\":[{\"joints\":[1,2],\"inverseBindMatrices\":" +
            N(ibms) + "}],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" + N(pos) +
            ",\"JOINTS_0\":" + N(joints) + ",\"WEIGHTS_0\":" + N(weights) +
            "},\"indices\":" + N(idx) +
            "}]}],\"animations\":[{\"name\":\"raise\",\"samplers\":[{\"input\":" + N(times) +
            ",\"output\":" + N(turns) +
            "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":2,\"path\":\"rotation\"}}]}]");
}

TEST(RoundTrip, AsymmetricTextureComesBackAsItWas) {
    ScratchFolder folder;
    const RoundTripFigures f = RoundTrip(TexturedQuad(folder), folder);
    PrintFigures("quad.gltf", f);
    ExpectRoundTrip(f);
    EXPECT_EQ(f.uvCorners, 6);
    // the image travels inside the .glb
    const std::string glb = ReadWholeFile(folder.File("quad.glb"));
    EXPECT_NE(glb.find("\"mimeType\":\"image/png\""), std::string::npos);
    EXPECT_EQ(glb.find("grid.png"), std::string::npos);
    EXPECT_NE(glb.find(AsymmetricPng()), std::string::npos);
}

TEST(RoundTrip, OneBonePerVertexStandsAtRest) {
    ScratchFolder folder;
    const RoundTripFigures f = RoundTrip(SkinnedArm(folder, false), folder);
    PrintFigures("rigid.gltf", f);
    EXPECT_FALSE(f.bindPoseKept) << f.err;
    EXPECT_EQ(f.animations, 1);
    ExpectRoundTrip(f);
    // at rest the quads stand where the joints hold them: 0..1 in x, 0..2 in y
    EXPECT_NEAR(f.after.lo.x, 0, 1e-5);
    EXPECT_NEAR(f.after.hi.x, 1, 1e-5);
    EXPECT_NEAR(f.after.lo.y, 0, 1e-5);
    EXPECT_NEAR(f.after.hi.y, 2, 1e-5);
}

TEST(RoundTrip, BlendedBonesWithDisagreeingOffsetsKeepTheBindPose) {
    ScratchFolder folder;
    const RoundTripFigures f = RoundTrip(SkinnedArm(folder, true), folder);
    PrintFigures("blended.gltf", f);
    EXPECT_TRUE(f.bindPoseKept) << f.err;
    EXPECT_EQ(f.err.find("warning: "), 0u);
    ExpectRoundTrip(f);
}

TEST(RoundTrip, BindPoseOptionKeepsTheRawVertices) {
    ScratchFolder folder;
    ImportOptions options;
    options.modelPath = SkinnedArm(folder, false);
    options.outputPath = folder.File("arm.xml");
    options.bindPose = true;
    options.convert = true;
    ASSERT_EQ(RunImportCaptured(options).status, 0);
    const DumpFile im = ReadDumpFile(folder.File("arm.im"));
    Box box;
    for (const Point3& p : ImPoints(im.im, nullptr, 0)) box.Add(aiVector3D(p.x, p.y, p.z));
    // the box of the stored (bind-pose) vertices, not the 0..1 x 0..2 of the rest pose
    SourceScene source;
    std::string error;
    ASSERT_TRUE(source.Load(options.modelPath, error)) << error;
    Box raw;
    for (const SourceCorner& c : source.Corners(source.Globals(-1, 0), true)) raw.Add(c.position);
    EXPECT_LE(BoxError(raw, box), 1e-5);
    EXPECT_GT(BoxError(raw, Box{aiVector3D(0, 0, 0), aiVector3D(1, 2, 0)}), 0.05);
}

}  // namespace
