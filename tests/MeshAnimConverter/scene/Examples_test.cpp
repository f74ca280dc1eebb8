// The hand-written example files under examples/ read into exactly the scene they describe,
// field by field, and the sample files made from real models read cleanly.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/scene/ReaderTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct FileRead {
    bool ok = false;
    Lines lines;
    Lines boxes;
};

FileRead ReadPath(const std::string& path, SceneData& scene) {
    LogCapture log;
    BoxCapture boxes;
    FileRead result;
    int32_t version = 0;
    result.ok = ReadInterchangeFile(path.c_str(), version, scene, programLog, TestPreparer());
    result.lines = log.Lines();
    result.boxes = boxes.Texts();
    return result;
}

std::string Example(const char* name) {
    return std::string(VANTOK_SOURCE_DIR) + "/examples/" + name;
}

void ExpectVec(const gtVector3& v, float x, float y, float z, float tolerance = 0.0f) {
    if (tolerance == 0.0f) {
        EXPECT_EQ(v, (gtVector3{x, y, z})) << v.x << ' ' << v.y << ' ' << v.z;
        return;
    }
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void ExpectQuat(const gtQuat& q, float x, float y, float z, float w, float tolerance = 0.0f) {
    if (tolerance == 0.0f) {
        EXPECT_EQ(q, (gtQuat{x, y, z, w})) << q.x << ' ' << q.y << ' ' << q.z << ' ' << q.w;
        return;
    }
    EXPECT_NEAR(q.x, x, tolerance);
    EXPECT_NEAR(q.y, y, tolerance);
    EXPECT_NEAR(q.z, z, tolerance);
    EXPECT_NEAR(q.w, w, tolerance);
}

void ExpectCorner(const SceneVertex& v, gtVector3 position, gtVector3 normal, float u, float w) {
    EXPECT_EQ(v.position, position);
    EXPECT_EQ(v.normal, normal);
    EXPECT_EQ(v.texcoord.u, u);
    EXPECT_EQ(v.texcoord.v, w);
}

void ExpectTexture(const SceneTexture& t, const char* file, const char* type, int tileU, int tileV,
                   float opacity) {
    EXPECT_STREQ(t.textureName.c_str(), file);
    EXPECT_STREQ(t.typeName.c_str(), type);
    EXPECT_EQ(t.tileU, tileU);
    EXPECT_EQ(t.tileV, tileV);
    EXPECT_EQ(t.layerOpacity, opacity);
}

Lines InfoLines(const std::string& path, bool skeleton, int animations) {
    Lines lines{"Info: Reading input file: '" + path + "'", "Info: Read Mesh",
                "Info: Read Materials"};
    if (skeleton) {
        lines.push_back("Info: Read Skeleton");
    }
    for (int i = 1; i <= animations; ++i) {
        lines.push_back("Info: Read Animation (" + std::to_string(i) + ")");
    }
    return lines;
}

TEST(Examples, CrateStaticMaterials) {
    const std::string path = Example("crate_static_materials.xml");
    SceneData scene;
    const FileRead r = ReadPath(path, scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, InfoLines(path, false, 0));
    EXPECT_EQ(r.boxes, Lines{});
    EXPECT_STREQ(scene.meshName.c_str(), "crate");

    ASSERT_EQ(scene.triangles.Count(), 5);
    const int materials[] = {0, 0, 1, 1, 2};
    for (int t = 0; t < 5; ++t) {
        EXPECT_EQ(scene.triangles[t].materialId, materials[t]) << t;
        for (const SceneVertex& v : scene.triangles[t].vertices) {
            for (int s = 0; s < 4; ++s) {
                EXPECT_EQ(v.boneId[s], 0);
                EXPECT_EQ(v.blend[s], 0.0f);
            }
        }
    }
    const gtVector3 up{0, 0, 1}, down{0, 0, -1}, side{1, 0, 0};
    ExpectCorner(scene.triangles[0].vertices[0], {0, 0, 0}, up, 0, 0);
    ExpectCorner(scene.triangles[0].vertices[1], {1, 0, 0}, up, 1, 0);
    ExpectCorner(scene.triangles[0].vertices[2], {1, 1, 0}, up, 1, 1);
    ExpectCorner(scene.triangles[1].vertices[0], {0, 0, 0}, up, 0, 0);
    ExpectCorner(scene.triangles[1].vertices[1], {1, 1, 0}, up, 1, 1);
    ExpectCorner(scene.triangles[1].vertices[2], {0, 1, 0}, up, 0, 1);
    // The wall gives no normals: (p2 - p1) x (p0 - p1) points along +x for both triangles.
    ExpectCorner(scene.triangles[2].vertices[0], {1, 0, 0}, side, 0, 0);
    ExpectCorner(scene.triangles[2].vertices[1], {1, 1, 1}, side, 1, 1);
    ExpectCorner(scene.triangles[2].vertices[2], {1, 0, 1}, side, 1, 0);
    ExpectCorner(scene.triangles[3].vertices[0], {1, 0, 0}, side, 0, 0);
    ExpectCorner(scene.triangles[3].vertices[1], {1, 1, 0}, side, 0, 1);
    ExpectCorner(scene.triangles[3].vertices[2], {1, 1, 1}, side, 1, 1);
    ExpectCorner(scene.triangles[4].vertices[0], {0, 0, 1}, down, 0.25f, 0.5f);
    ExpectCorner(scene.triangles[4].vertices[1], {0, 1, 1}, down, 0.25f, 0.75f);
    ExpectCorner(scene.triangles[4].vertices[2], {1, 1, 1}, down, 0.5f, 0.75f);

    ASSERT_EQ(scene.attachments.Count(), 2);
    EXPECT_STREQ(scene.attachments[0].name.c_str(), "a.handle");
    ExpectVec(scene.attachments[0].position, 0.5f, 1, 0.5f);
    ExpectQuat(scene.attachments[0].orientation, 0, 0, 0, 1);
    EXPECT_STREQ(scene.attachments[1].name.c_str(), "a.lid");
    ExpectVec(scene.attachments[1].position, 0.5f, 0.5f, 1);
    const float h = 180.0f * 0.017453292f * 0.5f;
    ExpectQuat(scene.attachments[1].orientation,
               static_cast<float>(std::sin(static_cast<double>(h))), 0, 0,
               static_cast<float>(std::cos(static_cast<double>(h))));

    ASSERT_EQ(scene.materials.Count(), 3);
    const SceneMaterial& wood = scene.materials[0];
    EXPECT_STREQ(wood.name.c_str(), "wood");
    EXPECT_EQ(wood.id, 0);
    ExpectVec(wood.ambient, 0.2f, 0.2f, 0.2f);
    ExpectVec(wood.diffuse, 0.8f, 0.6f, 0.4f);
    ExpectVec(wood.specular, 0.1f, 0.1f, 0.1f);
    ExpectVec(wood.emissive, 0, 0, 0);
    EXPECT_EQ(wood.shine, 0.25f);
    EXPECT_EQ(wood.opacity, 1.0f);
    EXPECT_EQ(wood.twoSided, 0);
    ASSERT_EQ(wood.textures.Count(), 2);
    ExpectTexture(wood.textures[0], "textures\\wood.tga", "diffuse", 1, 1, 1.0f);
    ExpectTexture(wood.textures[1], "textures\\wood_gloss.tga", "specular", 0, 1, 0.5f);

    const SceneMaterial& stone = scene.materials[1];
    EXPECT_STREQ(stone.name.c_str(), "stone.tbump");
    EXPECT_EQ(stone.id, 1);
    ExpectVec(stone.ambient, 0.1f, 0.1f, 0.1f);
    ExpectVec(stone.diffuse, 0.5f, 0.5f, 0.5f);
    ExpectVec(stone.specular, 0.3f, 0.3f, 0.3f);
    ExpectVec(stone.emissive, 0, 0, 0);
    EXPECT_EQ(stone.shine, 0.5f);
    EXPECT_EQ(stone.opacity, 1.0f);
    EXPECT_EQ(stone.twoSided, 0);
    ASSERT_EQ(stone.textures.Count(), 2);
    ExpectTexture(stone.textures[0], "textures\\stone.tga", "diffuse", 1, 1, 1.0f);
    ExpectTexture(stone.textures[1], "textures\\stone_normal.tga", "bump", 1, 0, 0.75f);

    const SceneMaterial& paint = scene.materials[2];
    EXPECT_STREQ(paint.name.c_str(), "paint");
    EXPECT_EQ(paint.id, 2);
    ExpectVec(paint.ambient, 0, 0, 0);
    ExpectVec(paint.diffuse, 1, 0, 0);
    ExpectVec(paint.emissive, 0.5f, 0, 0);
    EXPECT_EQ(paint.shine, 0.0f);
    EXPECT_EQ(paint.opacity, 0.5f);
    EXPECT_EQ(paint.twoSided, 1);
    EXPECT_EQ(paint.textures.Count(), 0);

    EXPECT_EQ(scene.materialIndexById, (std::map<int32_t, int32_t>{{10, 0}, {20, 1}, {30, 2}}));
    EXPECT_EQ(scene.bones.Count(), 0);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    EXPECT_EQ(scene.animations.Count(), 0);
}

TEST(Examples, FlagSkinnedGlobal) {
    const std::string path = Example("flag_skinned_global.xml");
    SceneData scene;
    const FileRead r = ReadPath(path, scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, InfoLines(path, true, 1));
    EXPECT_EQ(r.boxes, Lines{});
    EXPECT_STREQ(scene.meshName.c_str(), "flag");

    ASSERT_EQ(scene.triangles.Count(), 2);
    const gtVector3 up{0, 0, 1};
    const SceneTriangle& t0 = scene.triangles[0];
    EXPECT_EQ(t0.materialId, 0);
    ExpectCorner(t0.vertices[0], {0, 0, 0}, up, 0, 0);
    ExpectCorner(t0.vertices[1], {2, 0, 0}, up, 1, 0);
    ExpectCorner(t0.vertices[2], {2, 1, 0}, up, 1, 1);
    const int32_t ids[3][2] = {{1, 0}, {1, 2}, {2, 0}};
    const float blends[3][2] = {{1, 0}, {0.75f, 0.25f}, {1, 0}};
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(t0.vertices[c].boneId[0], ids[c][0]);
        EXPECT_EQ(t0.vertices[c].boneId[1], ids[c][1]);
        EXPECT_EQ(t0.vertices[c].blend[0], blends[c][0]);
        EXPECT_EQ(t0.vertices[c].blend[1], blends[c][1]);
        EXPECT_EQ(t0.vertices[c].blend[2], 0.0f);
        EXPECT_EQ(t0.vertices[c].blend[3], 0.0f);
    }
    const SceneTriangle& t1 = scene.triangles[1];
    ExpectCorner(t1.vertices[2], {0, 1, 0}, up, 0, 1);
    EXPECT_EQ(t1.vertices[2].boneId[1], 2);
    EXPECT_EQ(t1.vertices[2].blend[0], 0.5f);
    EXPECT_EQ(t1.vertices[2].blend[1], 0.5f);

    ASSERT_EQ(scene.materials.Count(), 1);
    EXPECT_STREQ(scene.materials[0].name.c_str(), "cloth");
    EXPECT_EQ(scene.materials[0].twoSided, 1);
    ExpectVec(scene.materials[0].diffuse, 1, 1, 1);
    ASSERT_EQ(scene.materials[0].textures.Count(), 1);
    ExpectTexture(scene.materials[0].textures[0], "flag.tga", "diffuse", 1, 1, 1.0f);

    ASSERT_EQ(scene.bones.Count(), 2);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    const SceneBone& pole = scene.bones[0];
    EXPECT_EQ(pole.id, 1);
    EXPECT_STREQ(pole.name.c_str(), "b.pole");
    EXPECT_STREQ(pole.parentName.c_str(), "");
    EXPECT_EQ(pole.parentIndex, -1);
    ASSERT_EQ(pole.children.Count(), 1);
    EXPECT_EQ(pole.children[0], 1);
    ExpectVec(pole.localPosition, 0, 0, 0);
    const SceneBone& cloth = scene.bones[1];
    EXPECT_EQ(cloth.id, 2);
    EXPECT_STREQ(cloth.parentName.c_str(), "b.pole");
    EXPECT_EQ(cloth.parentIndex, 0);
    ExpectVec(cloth.position, 0, 1, 0);
    ExpectVec(cloth.localPosition, 0, 1, 0);
    ExpectQuat(cloth.localOrientation, 0, 0, 0, 1);

    ASSERT_EQ(scene.animations.Count(), 1);
    const SceneAnimation& wave = scene.animations[0];
    EXPECT_STREQ(wave.name.c_str(), "wave");
    EXPECT_EQ(wave.frameRate, 30);
    ASSERT_EQ(wave.tracks.Count(), 2);
    EXPECT_STREQ(wave.tracks[0].targetName.c_str(), "b.pole");
    EXPECT_STREQ(wave.tracks[1].targetName.c_str(), "b.cloth");
    for (const SceneTrack& track : wave.tracks) {
        ASSERT_EQ(track.keyFrames.Count(), 3);
    }
    const float r2 = 1.0f / std::sqrt(2.0f);
    const SceneKeyFrame& flap = wave.tracks[1].keyFrames[1];
    ExpectVec(flap.globalPosition, 0, 1, 0.5f);
    ExpectQuat(flap.globalRotation, 0, r2, 0, r2);
    ExpectVec(flap.localPosition, 0, 1, 0.5f);  // the pole stays at the origin, unrotated
    ExpectQuat(flap.localRotation, 0, r2, 0, r2);
    ExpectVec(wave.tracks[1].keyFrames[2].localPosition, 0, 1, 0);
    ExpectVec(wave.tracks[0].keyFrames[2].localPosition, 0, 0, 0);

    ASSERT_EQ(wave.events.Count(), 3);
    const struct {
        int frame;
        const char* type;
        const char* name;
    } events[] = {{0, "soundsync", "flap.wav"}, {1, "gust", "wind"}, {2, "anim_complete", ""}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(wave.events[i].frameIndex, events[i].frame);
        EXPECT_STREQ(wave.events[i].typeName.c_str(), events[i].type);
        EXPECT_STREQ(wave.events[i].eventName.c_str(), events[i].name);
    }
}

TEST(Examples, ArmLocalMatrixAxisAngle) {
    const std::string path = Example("arm_local_matrix_axisangle.xml");
    SceneData scene;
    const FileRead r = ReadPath(path, scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.lines, InfoLines(path, true, 1));
    EXPECT_EQ(r.boxes, Lines{});
    EXPECT_STREQ(scene.meshName.c_str(), "arm");
    ASSERT_EQ(scene.triangles.Count(), 1);
    const SceneVertex& v2 = scene.triangles[0].vertices[2];
    EXPECT_EQ(v2.blend[0], 0.25f);
    EXPECT_EQ(v2.blend[1], 0.25f);
    EXPECT_EQ(v2.blend[2], 0.5f);
    EXPECT_EQ(v2.boneId[2], 2);
    ExpectCorner(v2, {1, 0, -1}, {0, 1, 0}, 0.5f, 1);

    // Bind orientations: the identity matrix exactly; the 90-degree matrix gives t = 1 and
    // s = 0.5 / sqrt(2); the axis-angle the single-precision sine and cosine of 45 degrees.
    ASSERT_EQ(scene.bones.Count(), 3);
    const float s = 0.5f * (1.0f / std::sqrt(2.0f));
    const float h = 90.0f * 0.017453292f * 0.5f;
    const float sinH = static_cast<float>(std::sin(static_cast<double>(h)));
    const float cosH = static_cast<float>(std::cos(static_cast<double>(h)));
    ExpectQuat(scene.bones[0].orientation, 0, 0, 0, 1);
    ExpectQuat(scene.bones[1].orientation, 0, 0, 2 * s, 2 * s);
    ExpectQuat(scene.bones[2].orientation, 0, 0, sinH, cosH);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    EXPECT_EQ(scene.bones[2].parentIndex, 1);
    ExpectVec(scene.bones[1].localPosition, 1, 0, 0);
    ExpectVec(scene.bones[2].localPosition, 1, 0, 0, 1e-6f);
    ExpectQuat(scene.bones[2].localOrientation, 0, 0, 0, 1, 1e-6f);

    ASSERT_EQ(scene.animations.Count(), 1);
    const SceneAnimation& bend = scene.animations[0];
    EXPECT_STREQ(bend.name.c_str(), "bend");
    EXPECT_EQ(bend.frameRate, 24);
    EXPECT_EQ(bend.events.Count(), 0);
    ASSERT_EQ(bend.tracks.Count(), 3);
    // Local frames as read.
    ExpectQuat(bend.tracks[0].keyFrames[0].localRotation, 0, 0, 0, 1);
    ExpectQuat(bend.tracks[0].keyFrames[1].localRotation, 0, 0, sinH, cosH);
    ExpectQuat(bend.tracks[1].keyFrames[0].localRotation, 0, 0, sinH, cosH);
    ExpectQuat(bend.tracks[1].keyFrames[1].localRotation, 0, 0, 2 * s, 2 * s);
    ExpectQuat(bend.tracks[2].keyFrames[1].localRotation, 0, 0, 0, 1);  // angle 0 keeps identity
    // Global frames composed down the arm.
    const float e = 1e-6f;
    ExpectVec(bend.tracks[1].keyFrames[0].globalPosition, 1, 0, 0, e);
    ExpectVec(bend.tracks[2].keyFrames[0].globalPosition, 1, 1, 0, e);
    ExpectQuat(bend.tracks[2].keyFrames[0].globalRotation, 0, 0, sinH, cosH, e);
    ExpectVec(bend.tracks[0].keyFrames[1].globalPosition, 0, 0, 1);
    ExpectVec(bend.tracks[1].keyFrames[1].globalPosition, 0, 1, 1, e);
    ExpectQuat(bend.tracks[1].keyFrames[1].globalRotation, 0, 0, 1, 0, e);
    ExpectVec(bend.tracks[2].keyFrames[1].globalPosition, -1, 1, 1, e);
    ExpectQuat(bend.tracks[2].keyFrames[1].globalRotation, 0, 0, 1, 0, e);
}

// Every truncated prefix of an example fails or succeeds cleanly (run under the sanitizers).
TEST(Examples, TruncatedFilesNeverCrash) {
    std::ifstream in(Example("flag_skinned_global.xml"), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    ASSERT_FALSE(text.empty());
    for (size_t n = 0; n < text.size(); n += 7) {
        SceneData scene;
        const ReadResult r = ReadText(text.substr(0, n), scene);
        EXPECT_FALSE(r.ok) << n;
        EXPECT_GE(r.errors, 1) << n;
    }
}

// The samples made from real models (configure with -DVANTOK_SAMPLES_DIR=folder).
TEST(Samples, ReadCleanly) {
#ifndef VANTOK_SAMPLES_DIR
    GTEST_SKIP() << "no samples folder configured (VANTOK_SAMPLES_DIR)";
#else
    const struct {
        const char* file;
        int triangles;
        int materials;
        int bones;
        int frames;
    } cases[] = {
        {"simple_skin_tiny_global.xml", 8, 1, 2, 166},
        {"huesitos_local_axisangle.xml", 120, -1, 9, 40},
        {"spider_static_6mat.xml", 1368, 6, 0, 0},
    };
    for (const auto& c : cases) {
        const std::string path = std::string(VANTOK_SAMPLES_DIR) + "/" + c.file;
        if (!std::ifstream(path).good()) {
            GTEST_SKIP() << "samples not present";
        }
        SceneData scene;
        const FileRead r = ReadPath(path, scene);
        ASSERT_TRUE(r.ok) << c.file;
        EXPECT_EQ(r.boxes, Lines{}) << c.file;
        EXPECT_EQ(scene.triangles.Count(), c.triangles) << c.file;
        if (c.materials >= 0) {
            EXPECT_EQ(scene.materials.Count(), c.materials) << c.file;
        }
        EXPECT_EQ(scene.bones.Count(), c.bones) << c.file;
        if (c.frames > 0) {
            ASSERT_GE(scene.animations.Count(), 1) << c.file;
            for (const SceneTrack& track : scene.animations[0].tracks) {
                EXPECT_EQ(track.keyFrames.Count(), c.frames) << c.file;
            }
            EXPECT_EQ(scene.animations[0].tracks.Count(), c.bones) << c.file;
        }
        for (const std::string& line : r.lines) {
            EXPECT_EQ(line.rfind("Error", 0), std::string::npos) << c.file << ": " << line;
        }
    }
#endif
}

}  // namespace
