// The import end to end on models written by the tests themselves, whose content is known by
// construction: each is imported, converted in-process, and the interchange file, the .im and the
// .kin are read back and checked against the construction. Every conversion must end with no
// errors and no warnings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "ModelWriters.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/e2e/OutputFiles.h"
#include "tools/import/InterchangeWriter.h"
#include "tools/import/ModelImporter.h"

namespace {

namespace fs = std::filesystem;

constexpr float kHalfRoot2 = 0.70710678f;
const std::string kClean = "with 0 errors and 0 warnings";

// Reads an interchange file with the converter's own reader.
bool ReadScene(const std::string& path, SceneData& scene) {
    programLog.Reset();
    programLog.SetOutput(std::tmpfile());
    int32_t version = 0;
    const bool ok = ReadInterchangeFile(path.c_str(), version, scene, programLog, TestPreparer());
    const bool clean = programLog.numErrors == 0 && programLog.numWarnings == 0;
    std::fclose(programLog.Output());
    programLog.SetOutput(nullptr);
    programLog.Reset();
    return ok && clean;
}

ImportOptions Options(const std::string& model, const std::string& output) {
    ImportOptions o;
    o.modelPath = model;
    o.outputPath = output;
    o.convert = true;
    return o;
}

// -------------------------------------------------------------------------------------------
// A triangle moved and scaled by its node, and the same triangle mirrored by another node.

std::string StaticGltf(const ScratchFolder& folder) {
    GltfWriter g;
    const int pos = g.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3", 3);
    const int nrm = g.Floats({0, 0, 1, 0, 0, 1, 0, 0, 1}, "VEC3", 3);
    const int idx = g.Shorts({0, 1, 2, 0}, "SCALAR", 3);
    return g.Write(
        folder, "static",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"Root\",\"children\":[1,"
        "2]},{\"name\":\"Moved\",\"mesh\":0,\"translation\":[1,2,3],\"scale\":[2,2,2]},{"
        "\"name\":\"Mirrored\",\"mesh\":0,\"scale\":[-1,1,1]}],\"meshes\":[{\"primitives\":[{"
        "\"attributes\":{\"POSITION\":" +
            std::to_string(pos) + ",\"NORMAL\":" + std::to_string(nrm) + "},\"indices\":" +
            std::to_string(idx) + ",\"material\":0}]}],\"materials\":[{\"name\":\"Paint\"}]");
}

TEST(ImportedModels, NodeTransformMovesScalesAndMirrorsTriangles) {
    ScratchFolder folder;
    const std::string xml = folder.File("static.xml");
    ImportOptions options = Options(StaticGltf(folder), xml);
    const ImportOutcome run = RunImportCaptured(options);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find("1 triangles") == std::string::npos ? run.out.find("2 triangles")
                                                               : std::string::npos,
              std::string::npos);
    EXPECT_NE(run.out.find(kClean), std::string::npos) << run.out;

    SceneData scene;
    ASSERT_TRUE(ReadScene(xml, scene));
    ASSERT_EQ(scene.triangles.Count(), 2);
    // moved: p * 2 + (1, 2, 3); mirrored: x negated, corners 1 and 2 swapped to keep the facing
    const float expected[2][3][3] = {{{1, 2, 3}, {3, 2, 3}, {1, 4, 3}},
                                     {{0, 0, 0}, {0, 1, 0}, {-1, 0, 0}}};
    for (int t = 0; t < 2; ++t) {
        for (int c = 0; c < 3; ++c) {
            const SceneVertex& v = scene.triangles[t].vertices[c];
            EXPECT_EQ(v.position.x, expected[t][c][0]) << t << c;
            EXPECT_EQ(v.position.y, expected[t][c][1]) << t << c;
            EXPECT_EQ(v.position.z, expected[t][c][2]) << t << c;
            EXPECT_EQ(v.normal.z, 1.0f);  // normals by the inverse transpose stay +z
        }
    }
    ASSERT_EQ(scene.bones.Count(), 0);

    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(folder.File("static.im"), im, error)) << error;
    ASSERT_EQ(im.chunks.size(), 1u);
    EXPECT_EQ(im.chunks[0].triangleCount, 2u);
    for (const auto& n : im.chunks[0].faceNormals) {
        EXPECT_EQ(n[2], 1.0f);  // both triangles face +z
    }
    EXPECT_EQ(im.boxMin[0], -1.0f);
    EXPECT_EQ(im.boxMax[1], 4.0f);
    EXPECT_EQ(im.boxMax[2], 3.0f);
}

// -------------------------------------------------------------------------------------------
// OBJ with a material file: two materials, one with a normal map; a point and a line.

std::string TwoMaterialObj(const ScratchFolder& folder) {
    WriteWholeFile(folder.File("two.mtl"),
                   "newmtl Plain\nKa 0.125 0.125 0.125\nKd 0.5 0.25 1\nKs 1 1 1\nNs 50\nd 0.5\n"
                   "newmtl Bumpy\nKd 1 1 1\nmap_Kd tex/brick.png\nnorm tex/brick_n.png\n");
    WriteWholeFile(folder.File("two.obj"),
                   "mtllib two.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
                   "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\n"
                   "usemtl Plain\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"
                   "usemtl Bumpy\nf 2/1/1 5/2/1 6/3/1 3/4/1\np 1\nl 1 2\n");
    return folder.File("two.obj");
}

TEST(ImportedModels, MaterialsInFirstUseOrderWithNormalMapTagged) {
    ScratchFolder folder;
    const std::string xml = folder.File("two.xml");
    const ImportOutcome run = RunImportCaptured(Options(TwoMaterialObj(folder), xml));
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find(kClean), std::string::npos) << run.out;
    EXPECT_NE(
        run.err.find("warning: '" + folder.File("two.obj") + "': dropped 1 point(s) and 1 line(s)"),
        std::string::npos)
        << run.err;

    SceneData scene;
    ASSERT_TRUE(ReadScene(xml, scene));
    ASSERT_EQ(scene.triangles.Count(), 4);
    ASSERT_EQ(scene.materials.Count(), 2);
    const SceneMaterial& plain = scene.materials[0];
    EXPECT_STREQ(plain.name.c_str(), "Plain");
    EXPECT_EQ(plain.diffuse.x, 0.5f);
    EXPECT_EQ(plain.diffuse.y, 0.25f);
    EXPECT_EQ(plain.diffuse.z, 1.0f);
    EXPECT_EQ(plain.ambient.x, 0.125f);
    EXPECT_EQ(plain.shine, 0.5f);  // exponent 50 of 100
    EXPECT_EQ(plain.opacity, 0.5f);
    EXPECT_EQ(plain.textures.Count(), 0);
    const SceneMaterial& bumpy = scene.materials[1];
    EXPECT_STREQ(bumpy.name.c_str(), "Bumpy.tbump");
    ASSERT_EQ(bumpy.textures.Count(), 2);
    EXPECT_STREQ(bumpy.textures[0].typeName.c_str(), "diffuse");
    EXPECT_STREQ(bumpy.textures[0].textureName.c_str(), "tex/brick.png");
    EXPECT_STREQ(bumpy.textures[1].typeName.c_str(), "bump");
    EXPECT_STREQ(bumpy.textures[1].textureName.c_str(), "tex/brick_n.png");
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(scene.triangles[t].materialId, t < 2 ? 0 : 1);
    }

    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(folder.File("two.im"), im, error)) << error;
    ASSERT_EQ(im.chunks.size(), 2u);
    EXPECT_EQ(im.chunks[0].shine, 50.0f);
    EXPECT_EQ(im.chunks[0].opacity, 0.5f);
    EXPECT_TRUE(im.chunks[0].tangents.empty());
    EXPECT_EQ(im.chunks[1].maps.size(), 2u);
    EXPECT_EQ(im.chunks[1].tangents.size(), im.chunks[1].vertexCount);  // tangent frames
}

TEST(ImportedModels, TangentBumpChoiceNamesTheMaterials) {
    struct Case {
        TangentBump choice;
        const char* plain;
        const char* bumpy;
    };
    const Case cases[] = {{TangentBump::Auto, "Plain", "Bumpy.tbump"},
                          {TangentBump::All, "Plain.tbump", "Bumpy.tbump"},
                          {TangentBump::None, "Plain", "Bumpy"}};
    ScratchFolder folder;
    const std::string model = TwoMaterialObj(folder);
    for (const Case& c : cases) {
        ImportOptions options = Options(model, folder.File("two.xml"));
        options.convert = false;
        options.tbump = c.choice;
        ASSERT_EQ(RunImportCaptured(options).status, 0);
        SceneData scene;
        ASSERT_TRUE(ReadScene(folder.File("two.xml"), scene));
        ASSERT_EQ(scene.materials.Count(), 2);
        EXPECT_STREQ(scene.materials[0].name.c_str(), c.plain);
        EXPECT_STREQ(scene.materials[1].name.c_str(), c.bumpy);
    }
}

// -------------------------------------------------------------------------------------------
// A skin of five joints (Hip > Knee > Toe1, Toe2, Toe3) with known weights, one vertex with five
// weights and one with none, an animation of three keys over one second, and an attachment.

std::string SkinnedGltf(const ScratchFolder& folder) {
    GltfWriter g;
    const int pos = g.Floats({0, 0, 0, 1, 0, 0, 0, 2, 0, 1, 2, 0, 2, 0, 0, 2, 2, 0}, "VEC3", 6);
    const int nrm = g.Floats({0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1}, "VEC3", 6);
    const int j0 = g.Shorts(
        {0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 2, 3, 0, 0, 0, 0, 2, 0, 0, 0}, "VEC4", 6);
    const int w0 = g.Floats({1,    0,    0,     0,    0.75f, 0.25f, 0, 0, 1, 0, 0, 0,
                             0.4f, 0.3f, 0.15f, 0.1f, 0,     0,     0, 0, 1, 0, 0, 0},
                            "VEC4", 6);
    std::vector<float> w1v(24, 0.0f);
    w1v[12] = 0.05f;  // the fifth weight of vertex 3
    std::vector<std::uint16_t> j1v(24, 0);
    j1v[12] = 4;
    const int j1b = g.Shorts(j1v, "VEC4", 6);
    const int w1 = g.Floats(w1v, "VEC4", 6);
    const int idx = g.Shorts({0, 1, 2, 1, 3, 2, 1, 4, 5, 0}, "SCALAR", 9);
    auto translation = [](float x, float y, float z) {
        return std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1};
    };
    std::vector<float> ibm;
    for (const auto& m : {translation(0, 0, 0), translation(0, -1, 0), translation(-1, -1, 0),
                          translation(0, -1, -1), translation(1, -1, 0)}) {
        ibm.insert(ibm.end(), m.begin(), m.end());
    }
    const int ibms = g.Floats(ibm, "MAT4", 5);
    const int times = g.Floats({0, 0.5f, 1}, "SCALAR", 3);
    const int moves = g.Floats({0, 0, 0, 0, 0, 1, 0, 0, 2}, "VEC3", 3);
    const int turns = g.Floats({0, 0, 0, 1, 0, 0, kHalfRoot2, kHalfRoot2, 0, 0, 0, 1}, "VEC4", 3);
    const auto n = [](int i) { return std::to_string(i); };
    return g.Write(
        folder, "skinned",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":["
        "{\"name\":\"Root\",\"children\":[1,5,6]},"
        "{\"name\":\"Hip\",\"children\":[2]},"
        "{\"name\":\"Knee\",\"translation\":[0,1,0],\"children\":[3,4,7]},"
        "{\"name\":\"Toe1\",\"translation\":[1,0,0]},"
        "{\"name\":\"Toe2\",\"translation\":[0,0,1]},"
        "{\"name\":\"Body\",\"mesh\":0,\"skin\":0},"
        "{\"name\":\"a.muzzle\",\"translation\":[1,2,3],\"rotation\":[0,0," +
            FormatReal(kHalfRoot2) + "," + FormatReal(kHalfRoot2) +
            "]},"
            "{\"name\":\"Toe3\",\"translation\":[-1,0,0]}],"
            "\"skins\":[{\"joints\":[1,2,3,4,7],\"inverseBindMatrices\":" +
            n(ibms) + "}],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" + n(pos) +
            ",\"NORMAL\":" + n(nrm) + ",\"JOINTS_0\":" + n(j0) + ",\"WEIGHTS_0\":" + n(w0) +
            ",\"JOINTS_1\":" + n(j1b) + ",\"WEIGHTS_1\":" + n(w1) + "},\"indices\":" + n(idx) +
            ",\"material\":0}]}],\"materials\":[{\"name\":\"Skin\"}],"
            "\"animations\":[{\"name\":\"walk\",\"samplers\":["
            "{\"input\":" +
            n(times) + ",\"output\":" + n(moves) + "},{\"input\":" + n(times) +
            ",\"output\":" + n(turns) +
            "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":1,\"path\":\"translation\"}},"
            "{\"sampler\":1,\"target\":{\"node\":2,\"path\":\"rotation\"}}]}]");
}

// Per .im vertex position: bone name -> weight.
std::map<std::array<float, 3>, std::map<std::string, float>> WeightsByPosition(const ImFile& im) {
    std::map<std::array<float, 3>, std::map<std::string, float>> out;
    for (const ImBone& bone : im.bones) {
        for (const ImChunkEntry& entry : bone.entries) {
            for (const ImWeight& w : entry.weights) {
                const auto& v = im.chunks[entry.chunk].vertices[w.vertex];
                out[{v[0], v[1], v[2]}][bone.name] += w.weight;
            }
        }
    }
    return out;
}

TEST(ImportedModels, SkinWeightsBonesAttachmentAndAnimation) {
    ScratchFolder folder;
    const std::string xml = folder.File("skinned.xml");
    const ImportOutcome run = RunImportCaptured(Options(SkinnedGltf(folder), xml));
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find(kClean), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("5 bones, 1 animations, 31 frames, 1 attachments"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("1 vertex(es) had more than 4 weights"), std::string::npos) << run.err;

    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(folder.File("skinned.im"), im, error)) << error;
    // the bone tree, rooted at the joints' common ancestor: bone names and parents in INFL
    const std::vector<std::pair<std::string, std::string>> tree = {{"b.Hip", ""},
                                                                   {"b.Knee", "b.Hip"},
                                                                   {"b.Toe1", "b.Knee"},
                                                                   {"b.Toe2", "b.Knee"},
                                                                   {"b.Toe3", "b.Knee"}};
    ASSERT_EQ(im.bones.size(), tree.size());
    for (size_t b = 0; b < tree.size(); ++b) {
        EXPECT_EQ(im.bones[b].name, tree[b].first);
        EXPECT_EQ(im.bones[b].parent, tree[b].second);
    }
    EXPECT_EQ(im.bones[2].position[0], 1.0f);  // Toe1 one unit along x from Knee

    using W = std::map<std::string, float>;
    const float s = 0.95f;  // the four largest of the five weights, renormalised
    const std::map<std::array<float, 3>, W> expected = {
        {{0, 0, 0}, W{{"b.Hip", 1}}},
        {{1, 0, 0}, W{{"b.Hip", 0.75f}, {"b.Knee", 0.25f}}},
        {{0, 2, 0}, W{{"b.Knee", 1}}},
        {{1, 2, 0},
         W{{"b.Hip", 0.4f / s}, {"b.Knee", 0.3f / s}, {"b.Toe1", 0.15f / s}, {"b.Toe2", 0.1f / s}}},
        {{2, 0, 0}, W{{"b.Hip", 1}}},  // no weight: bound to the root
        {{2, 2, 0}, W{{"b.Toe1", 1}}}};
    const auto weights = WeightsByPosition(im);
    ASSERT_EQ(weights.size(), expected.size());
    for (const auto& [position, bones] : expected) {
        const auto it = weights.find(position);
        ASSERT_NE(it, weights.end()) << position[0] << " " << position[1];
        ASSERT_EQ(it->second.size(), bones.size()) << position[0] << " " << position[1];
        for (const auto& [name, weight] : bones) {
            EXPECT_NEAR(it->second.at(name), weight, 1e-6) << name;
        }
    }

    ASSERT_EQ(im.attachments.size(), 1u);
    const ImAttachment& a = im.attachments[0];
    EXPECT_EQ(a.name, "a.muzzle");
    const float position[3] = {1, 2, 3};
    const float rows[9] = {0, 1, 0, -1, 0, 0, 0, 0, 1};  // 90 degrees about z, transposed
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(a.position[k], position[k], 1e-6);
    }
    for (int k = 0; k < 9; ++k) {
        EXPECT_NEAR(a.matrix[k], rows[k], 1e-6) << k;
    }

    // 31 frames at 30 fps; Hip moves 2 along z, Knee turns to 90 degrees about z and back
    KinFile kin;
    ASSERT_TRUE(ReadKinFile(folder.File("walk.kin"), kin, error)) << error;
    EXPECT_EQ(kin.frameRate, 30u);
    ASSERT_EQ(kin.frameCount, 31u);
    const std::vector<std::string> order = {"b.Hip", "b.Knee", "b.Toe1", "b.Toe2", "b.Toe3"};
    ASSERT_EQ(kin.bones, order);
    ASSERT_EQ(kin.poses.size(), 31u);
    for (int f = 0; f <= 30; ++f) {
        const double z = f / 15.0;
        const double angle = 3.14159265358979 / 2 * std::min(f, 30 - f) / 15.0;
        const std::vector<float>& p = kin.poses[f];
        const double hipPose[7] = {0, 0, z, 0, 0, 0, 1};
        const double knee[7] = {0, 1, z, 0, 0, -std::sin(angle / 2), std::cos(angle / 2)};
        const double toe1[3] = {std::cos(angle), 1 + std::sin(angle), z};
        for (int k = 0; k < 7; ++k) {
            EXPECT_NEAR(p[k], hipPose[k], 2e-6) << "frame " << f;
            EXPECT_NEAR(p[7 + k], knee[k], 2e-6) << "frame " << f;
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(p[14 + k], toe1[k], 2e-6) << "frame " << f;
        }
    }
}

// Frame counts: one frame per 1 / fps seconds from the first key to the last, and one at the
// last key when it falls between two steps (keys at 0, 0.5 and 1 second).
TEST(ImportedModels, SamplingRateSetsTheFrameCount) {
    struct Case {
        int fps;
        int frames;
    };
    const Case cases[] = {{1, 2}, {2, 3}, {3, 4}, {7, 8}, {30, 31}, {60, 61}};
    ScratchFolder folder;
    const std::string model = SkinnedGltf(folder);
    for (const Case& c : cases) {
        ImportOptions options = Options(model, folder.File("rate.xml"));
        options.convert = false;
        options.fps = c.fps;
        ASSERT_EQ(RunImportCaptured(options).status, 0);
        SceneData scene;
        ASSERT_TRUE(ReadScene(folder.File("rate.xml"), scene));
        ASSERT_EQ(scene.animations.Count(), 1);
        EXPECT_EQ(scene.animations[0].frameRate, c.fps);
        const SceneTrack& hip = scene.animations[0].tracks[0];
        ASSERT_EQ(hip.keyFrames.Count(), c.frames) << c.fps;
        // the last frame is the last key: Hip two units along z
        EXPECT_EQ(hip.keyFrames[c.frames - 1].globalPosition.z, 2.0f) << c.fps;
        if (c.fps == 7) {  // frame 3 at 3/7 s, between the first two keys
            EXPECT_NEAR(hip.keyFrames[3].globalPosition.z, 6.0f / 7.0f, 1e-6);
        }
    }
}

// Every frame space and orientation form gives the same posed frames after conversion.
TEST(ImportedModels, FrameSpacesAndOrientationFormsAgree) {
    ScratchFolder folder;
    const std::string model = SkinnedGltf(folder);
    std::string error;
    KinFile reference;
    ASSERT_EQ(RunImportCaptured(Options(model, folder.File("skinned.xml"))).status, 0);
    ASSERT_TRUE(ReadKinFile(folder.File("walk.kin"), reference, error)) << error;
    for (const FrameSpace frames : {FrameSpace::Global, FrameSpace::Local}) {
        for (const OrientationForm form :
             {OrientationForm::Quaternion, OrientationForm::Matrix, OrientationForm::AxisAngle}) {
            ImportOptions options = Options(model, folder.File("other.xml"));
            options.frames = frames;
            options.orientation = form;
            const ImportOutcome run = RunImportCaptured(options);
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find(kClean), std::string::npos) << run.out;
            KinFile kin;
            ASSERT_TRUE(ReadKinFile(folder.File("walk.kin"), kin, error)) << error;
            ASSERT_EQ(kin.poses.size(), reference.poses.size());
            for (size_t f = 0; f < kin.poses.size(); ++f) {
                for (size_t k = 0; k < kin.poses[f].size(); ++k) {
                    EXPECT_NEAR(kin.poses[f][k], reference.poses[f][k], 2e-5)
                        << static_cast<int>(frames) << static_cast<int>(form) << " " << f;
                }
            }
        }
    }
}

// Property: with any cap, a vertex keeps at most that many weights, the largest, summing to 1.
TEST(ImportedModels, WeightCapKeepsTheLargestRenormalised) {
    ScratchFolder folder;
    const std::string model = SkinnedGltf(folder);
    const std::vector<float> five = {0.4f, 0.3f, 0.15f, 0.1f, 0.05f};
    for (int cap = 1; cap <= 4; ++cap) {
        ImportOptions options = Options(model, folder.File("capped.xml"));
        options.convert = false;
        options.maxWeights = cap;
        ASSERT_EQ(RunImportCaptured(options).status, 0);
        SceneData scene;
        ASSERT_TRUE(ReadScene(folder.File("capped.xml"), scene));
        for (int t = 0; t < scene.triangles.Count(); ++t) {
            for (const SceneVertex& v : scene.triangles[t].vertices) {
                int used = 0;
                float sum = 0;
                for (int k = 0; k < 4; ++k) {
                    used += v.blend[k] > 0 ? 1 : 0;
                    sum += v.blend[k];
                }
                EXPECT_LE(used, cap);
                EXPECT_NEAR(sum, 1.0f, 1e-6);
                if (v.position.x == 1 && v.position.y == 2) {  // the five-weight vertex
                    float kept = 0;
                    for (int k = 0; k < cap; ++k) {
                        kept += five[k];
                    }
                    for (int k = 0; k < cap; ++k) {
                        EXPECT_EQ(v.boneId[k], k);
                        EXPECT_NEAR(v.blend[k], five[k] / kept, 1e-6);
                    }
                }
            }
        }
    }
}

// -------------------------------------------------------------------------------------------
// Rigid parts: a door that an animation turns and a wall that nothing moves, no skin.

TEST(ImportedModels, AnimatedMeshNodesBecomeRigidlyBoundBones) {
    ScratchFolder folder;
    GltfWriter g;
    const int pos = g.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3", 3);
    const int times = g.Floats({0, 0.5f, 1}, "SCALAR", 3);
    const int turns = g.Floats({0, 0, 0, 1, 0, kHalfRoot2, 0, kHalfRoot2, 0, 1, 0, 0}, "VEC4", 3);
    const auto n = [](int i) { return std::to_string(i); };
    const std::string model = g.Write(
        folder, "door",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"Hall\",\"children\":["
        "1,2]},{\"name\":\"Door\",\"mesh\":0},{\"name\":\"Wall\",\"mesh\":0,\"translation\":"
        "[5,0,0]}],\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" +
            n(pos) + "}}]}],\"animations\":[{\"name\":\"open\",\"samplers\":[{\"input\":" +
            n(times) + ",\"output\":" + n(turns) +
            "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":1,\"path\":\"rotation\"}}]}]");
    const ImportOutcome run = RunImportCaptured(Options(model, folder.File("door.xml")));
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find(kClean), std::string::npos) << run.out;

    SceneData scene;
    ASSERT_TRUE(ReadScene(folder.File("door.xml"), scene));
    ASSERT_EQ(scene.bones.Count(), 2);
    EXPECT_STREQ(scene.bones[0].name.c_str(), "b.Hall");
    EXPECT_STREQ(scene.bones[1].name.c_str(), "b.Door");
    EXPECT_STREQ(scene.bones[1].parentName.c_str(), "b.Hall");
    ASSERT_EQ(scene.triangles.Count(), 2);
    for (int t = 0; t < 2; ++t) {
        for (const SceneVertex& v : scene.triangles[t].vertices) {
            EXPECT_EQ(v.boneId[0], t == 0 ? 1 : 0);  // the door's own bone, the wall the root
            EXPECT_EQ(v.blend[0], 1.0f);
            EXPECT_EQ(v.blend[1], 0.0f);
        }
    }

    // the door turns 90 then 180 degrees about y; the hall stays
    KinFile kin;
    std::string error;
    ASSERT_TRUE(ReadKinFile(folder.File("open.kin"), kin, error)) << error;
    ASSERT_EQ(kin.frameCount, 31u);
    const std::vector<float>& last = kin.poses[30];
    const float hall[7] = {0, 0, 0, 0, 0, 0, 1};
    const float door[7] = {0, 0, 0, 0, -1, 0, 0};
    for (int k = 0; k < 7; ++k) {
        EXPECT_NEAR(last[k], hall[k], 1e-6);
        EXPECT_NEAR(last[7 + k], door[k], 1e-6);
    }
    EXPECT_NEAR(kin.poses[15][7 + 4], -kHalfRoot2, 1e-6);
}

// -------------------------------------------------------------------------------------------
// Embedded images, failures

TEST(ImportedModels, EmbeddedImageIsWrittenBesideTheOutput) {
    ScratchFolder folder;
    GltfWriter g;
    const int pos = g.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3", 3);
    const int uv = g.Floats({0, 0, 1, 0, 0, 1}, "VEC2", 3);
    // the eight bytes of a PNG signature, base64
    const std::string model = g.Write(
        folder, "crate",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],\"meshes\":[{"
        "\"primitives\":[{\"attributes\":{\"POSITION\":" +
            std::to_string(pos) + ",\"TEXCOORD_0\":" + std::to_string(uv) +
            "},\"material\":0}]}],\"materials\":[{\"name\":\"Wood\",\"pbrMetallicRoughness\":{"
            "\"baseColorTexture\":{\"index\":0}}}],\"textures\":[{\"source\":0}],\"images\":[{"
            "\"uri\":\"data:image/png;base64,iVBORw0KGgo=\"}]");
    fs::create_directories(folder.File("out"));
    ImportOptions options = Options(model, folder.File("out/box.xml"));
    options.converterOptions = {"-outputKIN", "false"};
    const ImportOutcome run = RunImportCaptured(options);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find(kClean), std::string::npos) << run.out;
    EXPECT_EQ(ReadWholeFile(folder.File("out/crate_0.png")), std::string("\x89PNG\r\n\x1a\n", 8));
    SceneData scene;
    ASSERT_TRUE(ReadScene(folder.File("out/box.xml"), scene));
    ASSERT_EQ(scene.materials.Count(), 1);
    ASSERT_EQ(scene.materials[0].textures.Count(), 1);
    EXPECT_STREQ(scene.materials[0].textures[0].textureName.c_str(), "crate_0.png");
}

TEST(ImportedModels, UnreadableModelFailsAndWritesNothing) {
    struct Case {
        const char* name;
        const char* content;
    };
    const Case cases[] = {{"broken.fbx", "Kaydara FBX Binary  \x00 garbage"},
                          {"broken.gltf", "{\"asset\": "},
                          {"unknown.qqq", "nothing a reader knows"}};
    ScratchFolder folder;
    for (const Case& c : cases) {
        const std::string model = folder.File(c.name);
        WriteWholeFile(model, c.content);
        WriteWholeFile(folder.File("kept.xml"), "old");
        const ImportOutcome run = RunImportCaptured(Options(model, folder.File("kept.xml")));
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.err.rfind("error: cannot import '" + model + "': ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "") << c.name;
        EXPECT_EQ(ReadWholeFile(folder.File("kept.xml")), "old") << c.name;
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2)
            << "nothing beside the model and the old output";
        fs::remove(model);
    }
    const ImportOutcome missing =
        RunImportCaptured(Options(folder.File("absent.obj"), folder.File("absent.xml")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              folder.File("absent.obj").insert(0, "error: ") + ": No such file or directory\n");
    EXPECT_FALSE(fs::exists(folder.File("absent.xml")));
}

// Inputs that are not models: one line each, exit status 1, nothing written; a model without
// triangles is written with a warning unless --convert asks for a conversion.
TEST(ImportedModels, InputsThatAreNotModelsGetOneLine) {
    ScratchFolder folder;
    fs::create_directories(folder.File("art"));
    WriteWholeFile(folder.File("notes.obj"), "a text file, not a model\n");
    struct Case {
        std::string model;
        bool convert;
        int status;
        std::string err;
        bool written;
    };
    const std::string art = folder.File("art"), notes = folder.File("notes.obj");
    const Case cases[] = {
        {art, false, 1, "error: " + art + ": is a directory\n", false},
        {art, true, 1, "error: " + art + ": is a directory\n", false},
        {notes, true, 1, "error: '" + notes + "' has no triangles: the converter needs a mesh\n",
         false},
        {notes, false, 0,
         "warning: '" + notes + "': the model has no triangles: the converter needs a mesh\n",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.model + (c.convert ? " --convert" : ""));
        ImportOptions options = Options(c.model, folder.File("out.xml"));
        options.convert = c.convert;
        const ImportOutcome run = RunImportCaptured(options);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(fs::exists(folder.File("out.xml")), c.written);
        fs::remove(folder.File("out.xml"));
    }
}

// Animation names become .kin file names: what Windows refuses becomes '_', once warned, and a
// name that then equals another gets a suffix.
TEST(ImportedModels, AnimationNamesBecomeFileNames) {
    ScratchFolder folder;
    GltfWriter g;
    const int pos = g.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0}, "VEC3", 3);
    const int times = g.Floats({0, 1}, "SCALAR", 2);
    const int moves = g.Floats({0, 0, 0, 0, 1, 0}, "VEC3", 2);
    std::string animations;
    const char* names[] = {"walk:left", "walk*left", "run", "a\\\\b/c\\\"d<e>f|g?h"};
    for (const char* name : names) {
        animations += std::string(animations.empty() ? "" : ",") + "{\"name\":\"" + name +
                      "\",\"samplers\":[{\"input\":" + std::to_string(times) +
                      ",\"output\":" + std::to_string(moves) +
                      "}],\"channels\":[{\"sampler\":0,\"target\":{\"node\":0,\"path\":"
                      "\"translation\"}}]}";
    }
    const std::string model = g.Write(
        folder, "moving",
        "\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"name\":\"Box\",\"mesh\":0}],"
        "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":" +
            std::to_string(pos) + "}}]}],\"animations\":[" + animations + "]");
    ImportedModel imported;
    std::string error;
    ASSERT_TRUE(ImportModel(Options(model, folder.File("moving.xml")), "moving", imported, error))
        << error;
    std::vector<std::string> got;
    for (const ImportAnimation& a : imported.animations) got.push_back(a.name);
    EXPECT_EQ(got,
              (std::vector<std::string>{"walk_left", "walk_left_2", "run", "a_b_c_d_e_f_g_h"}));
    int warned = 0;
    for (const std::string& w : imported.warnings) {
        warned += w.find("not allowed in file names") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(warned, 1);
}

TEST(ImportedModels, OutputThatWouldReplaceTheModelIsRefused) {
    ScratchFolder folder;
    const std::string model = TwoMaterialObj(folder);
    const std::string before = ReadWholeFile(model);
    const ImportOutcome run = RunImportCaptured(Options(model, model));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("the output would replace the model"), std::string::npos);
    EXPECT_EQ(ReadWholeFile(model), before);
    EXPECT_EQ(DefaultOutputPath("art/hero.fbx"), "art/hero.xml");
    EXPECT_EQ(DefaultOutputPath("hero"), "hero.xml");
}

}  // namespace
