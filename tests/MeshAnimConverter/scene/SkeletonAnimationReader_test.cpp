// The skeleton and animation blocks: the "b." prefix rule, the orientation forms, tracks, key
// frames and events, and the failure paths with their log lines.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "MeshAnimConverter/scene/OrientationForms.h"
#include "tests/MeshAnimConverter/scene/ReaderTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

ReadResult ReadRest(const std::string& rest, SceneData& scene) {
    return ReadText(Document(SimpleMesh(), SimpleMaterials(), rest), scene);
}

// The log lines between "Read Materials" and the end.
Lines After(const ReadResult& r, const char* marker = "Info: Read Materials") {
    for (size_t i = 0; i < r.lines.size(); ++i) {
        if (r.lines[i] == marker) {
            return Lines(r.lines.begin() + static_cast<long>(i) + 1, r.lines.end());
        }
    }
    return r.lines;
}

std::string Bone(const std::string& inner) {
    return "<bone>" + inner + "</bone>";
}

std::string Skeleton(const std::string& bones) {
    return "<skeleton><bones>" + bones + "</bones></skeleton>";
}

// ---------------------------------------------------------------- prefix rule

TEST(SkeletonReader, PrefixesNamesAndParentsWithWarnings) {
    SceneData scene;
    const ReadResult r = ReadRest(
        Skeleton(Bone("<name>pelvis</name>") +
                 Bone("<name>spine</name><parentName>pelvis</parentName>") +
                 Bone("<name>rb.x</name><parentName>b.pelvis</parentName>") +
                 Bone("<name> b.lead</name><parentName>b.spine</parentName>") +
                 Bone("<id>4</id><parentName>b.spine</parentName>") + Bone("<name></name>")),
        scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(After(r), (Lines{"Warning:  Missing prefix, renaming bone (name) to 'b.pelvis'",
                               "Warning:  Missing prefix, renaming bone (name) to 'b.spine'",
                               "Warning:  Missing prefix, renaming bone (parentName) to 'b.pelvis'",
                               "Warning:  Missing prefix, renaming bone (name) to 'b.rb.x'",
                               "Warning:  Missing prefix, renaming bone (name) to 'b. b.lead'",
                               "Warning:  Missing prefix, renaming bone (name) to 'b.unnamed'",
                               // The empty name is not prefixed; it becomes the last root.
                               "Warning: Expecting single root bone but found another ''",
                               "Info: Read Skeleton"}));
    ASSERT_EQ(scene.bones.Count(), 6);
    EXPECT_STREQ(scene.bones[1].name.c_str(), "b.spine");
    EXPECT_STREQ(scene.bones[1].parentName.c_str(), "b.pelvis");
    EXPECT_STREQ(scene.bones[2].name.c_str(), "b.rb.x");
    EXPECT_STREQ(scene.bones[3].name.c_str(), "b. b.lead");
    EXPECT_STREQ(scene.bones[4].name.c_str(), "b.unnamed");
    EXPECT_EQ(scene.bones[4].id, 4);
    EXPECT_EQ(scene.bones[0].id, -1);
    EXPECT_STREQ(scene.bones[5].name.c_str(), "");
    EXPECT_EQ(scene.rootBoneIndex, 5);
    EXPECT_EQ(scene.bones[1].parentIndex, 0);
    EXPECT_EQ(scene.bones[4].parentIndex, 1);
}

TEST(SkeletonReader, SkeletonWithoutBonesLeavesRootZeroSilently) {
    SceneData scene;
    const ReadResult r = ReadRest("<skeleton><bone><name>b.x</name></bone></skeleton>", scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(scene.bones.Count(), 0);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    EXPECT_EQ(After(r), Lines{"Info: Read Skeleton"});
}

TEST(SkeletonReader, EmptyBonesBlockFindsNoRoot) {
    SceneData scene;
    const ReadResult r = ReadRest("<skeleton><bones/></skeleton>", scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(scene.rootBoneIndex, -1);
    EXPECT_EQ(After(r),
              (Lines{"Warning: No skeleton or skeleton root bone found", "Info: Read Skeleton"}));
}

// ---------------------------------------------------------------- orientations

gtQuat BoneOrientation(const std::string& orientation) {
    SceneData scene;
    const ReadResult r = ReadRest(
        Skeleton(Bone("<name>b.r</name><position>1, 2, 3</position>" + orientation)), scene);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.boxes, Lines{});
    return scene.bones.Count() > 0 ? scene.bones[0].orientation : gtQuat{9, 9, 9, 9};
}

TEST(OrientationReader, TheThreeForms) {
    const float s = 0.5f * (1.0f / std::sqrt(2.0f));  // 0.5 / sqrt(t + 1) with t = 1
    const struct {
        const char* xml;
        gtQuat expected;
    } cases[] = {
        {"", {0, 0, 0, 1}},
        {"<orientation>0, 0, 0, 2</orientation>", {0, 0, 0, 1}},
        {"<orientation>0 0 0 0</orientation>", {0, 0, 0, 0}},
        {"<orientation format=\"quat\">0, 3, 0, 4</orientation>", {0, 0.6f, 0, 0.8f}},
        {"<orientation format=\"MATRIX\">1 0 0 0 1 0 0 0 1</orientation>", {0, 0, 0, 1}},
        // Columns scaled: orthonormalised back to the identity.
        {"<orientation format=\"matrix\">2,0,0, 0,3,0, 0,0,5</orientation>", {0, 0, 0, 1}},
        // 90 degrees about z: columns (0, 1, 0), (-1, 0, 0), (0, 0, 1).
        {"<orientation format=\"matrix\">0,1,0,-1,0,0,0,0,1</orientation>", {0, 0, 2 * s, 2 * s}},
        // 180 degrees about x: trace -1, the second branch with i = 0, r = 4, s = 0.25.
        {"<orientation format=\"Matrix\">1,0,0, 0,-1,0, 0,0,-1</orientation>", {1, 0, 0, 0}},
        // 180 degrees about y: i = 1 (M11 > M00), j = 2, k = 0.
        {"<orientation format=\"matrix\">-1,0,0, 0,1,0, 0,0,-1</orientation>", {0, 1, 0, 0}},
        {"<orientation format=\"axisangle\">0, 0, 0, 90</orientation>", {0, 0, 0, 1}},
        {"<orientation format=\"axisangle\">0, 0, 1, 0</orientation>", {0, 0, 0, 1}},
        {"<orientation format=\"axisangle\">0, 0, 1e-8, 90</orientation>", {0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        const gtQuat q = BoneOrientation(c.xml);
        EXPECT_EQ(q, c.expected) << c.xml << " -> " << q.x << ' ' << q.y << ' ' << q.z << ' '
                                 << q.w;
    }
}

TEST(OrientationReader, AxisAngleUsesHalfTheAngleInRadians) {
    const gtQuat q = BoneOrientation("<orientation format=\"AXISANGLE\">0, 0, 2, 90</orientation>");
    EXPECT_NEAR(q.z, 0.70710678f, 1e-7f);
    EXPECT_NEAR(q.w, 0.70710678f, 1e-7f);
    EXPECT_EQ(q.x, 0.0f);
    const float h = 90.0f * 0.017453292f * 0.5f;
    EXPECT_EQ(q.w, static_cast<float>(std::cos(static_cast<double>(h))));
    EXPECT_EQ(q.z, static_cast<float>(std::sin(static_cast<double>(h))) * 1.0f);
}

TEST(OrientationForms, MatrixFormsMatchTheirRotations) {
    // Property: the quaternion of a rotation matrix rotates the axes onto the matrix columns.
    const float angles[] = {0.0f, 30.0f, 90.0f, 179.0f, 180.0f, 270.0f, -45.0f};
    const gtVector3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 1, 0}, {1, -2, 3}};
    for (const gtVector3& axis : axes) {
        for (float angle : angles) {
            const gtQuat q = QuatFromAxisAngle(axis, angle, gtQuat{});
            // Columns of q's rotation: rotate the unit axes.
            const float x = q.x, y = q.y, z = q.z, w = q.w;
            const float m[9] = {
                1 - 2 * (y * y + z * z), 2 * (x * y + w * z),     2 * (x * z - w * y),
                2 * (x * y - w * z),     1 - 2 * (x * x + z * z), 2 * (y * z + w * x),
                2 * (x * z + w * y),     2 * (y * z - w * x),     1 - 2 * (x * x + y * y)};
            const gtQuat back = QuatFromMatrixColumns(m);
            // q and -q are the same rotation.
            const float sign =
                (back.w * q.w + back.x * q.x + back.y * q.y + back.z * q.z) < 0 ? -1.0f : 1.0f;
            EXPECT_NEAR(back.x * sign, q.x, 2e-6f) << angle;
            EXPECT_NEAR(back.y * sign, q.y, 2e-6f) << angle;
            EXPECT_NEAR(back.z * sign, q.z, 2e-6f) << angle;
            EXPECT_NEAR(back.w * sign, q.w, 2e-6f) << angle;
        }
    }
}

TEST(OrientationReader, MalformedNumbersReadAsZeroWithABox) {
    SceneData scene;
    const ReadResult r = ReadRest(
        Skeleton(
            Bone("<name>b.r</name><orientation format=\"matrix\">1 0 0 0 1 0 0 0</orientation>")),
        scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.boxes, Lines{"Parse Error file: , line 1: couldn't read expected float"});
    EXPECT_EQ(r.errors, 0);
    // Third column zero: c2 = 0, c0 = 0, c1 = 0; trace 0, second branch with r = 1, s = 0.5.
    EXPECT_EQ(scene.bones[0].orientation, (gtQuat{0.5f, 0, 0, 0}));
}

// ---------------------------------------------------------------- animations

std::string TwoBones() {
    return Skeleton(
        Bone("<name>b.root</name><position>0,1,0</position>") +
        Bone("<name>b.arm</name><parentName>b.root</parentName><position>1,1,0</position>"));
}

TEST(AnimationReader, GlobalFramesGetTheirLocalTransforms) {
    SceneData scene;
    const ReadResult r = ReadRest(
        TwoBones() +
            "<animations><animation><name>walk</name><frameRate>25</frameRate>"
            "<animationTracks><anything><targetName>arm</targetName><keyFrames>"
            "<keyFrame><position>1,1,0</position></keyFrame><junk/>"
            "<keyFrame><position>2,1,0</position><rotation>0,0,0,4</rotation></keyFrame>"
            "</keyFrames></anything>"
            "<t><targetName>b.root</targetName><keyFrames><keyFrame><position>0,1,0</position>"
            "</keyFrame></keyFrames></t></animationTracks>"
            "<events><event><frameIndex>1</frameIndex><typeName>sound</typeName>"
            "<eventName>step</eventName></event><event/><ignored/></events>"
            "<events><event/></events></animation></animations>",
        scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(
        After(r, "Info: Read Skeleton"),
        (Lines{"Warning:  Missing prefix, renaming (targetName) to 'b.arm'",
               "Warning: Multiple <events> blocks found, only the first will be used.",
               "Warning: Animation track 'b.root' differs in frame count. Found 1 expecting 2",
               "Info: Read Animation (1)"}));
    ASSERT_EQ(scene.animations.Count(), 1);
    const SceneAnimation& a = scene.animations[0];
    EXPECT_STREQ(a.name.c_str(), "walk");
    EXPECT_EQ(a.frameRate, 25);
    ASSERT_EQ(a.tracks.Count(), 2);
    EXPECT_STREQ(a.tracks[0].targetName.c_str(), "b.root");  // moved to its bone's slot
    EXPECT_STREQ(a.tracks[1].targetName.c_str(), "b.arm");
    const SceneKeyFrame& k1 = a.tracks[1].keyFrames[1];
    EXPECT_EQ(k1.globalPosition, (gtVector3{2, 1, 0}));
    EXPECT_EQ(k1.globalRotation, (gtQuat{0, 0, 0, 1}));
    // The root's padded frame 1 is the identity, so arm's local frame 1 equals its global one.
    EXPECT_EQ(a.tracks[1].keyFrames[1].localPosition, (gtVector3{2, 1, 0}));
    EXPECT_EQ(a.tracks[1].keyFrames[0].localPosition, (gtVector3{1, 0, 0}));
    ASSERT_EQ(a.events.Count(), 2);
    EXPECT_EQ(a.events[0].frameIndex, 1);
    EXPECT_STREQ(a.events[0].typeName.c_str(), "sound");
    EXPECT_STREQ(a.events[0].eventName.c_str(), "step");
    EXPECT_EQ(a.events[1].frameIndex, 0);
    EXPECT_STREQ(a.events[1].typeName.c_str(), "generic");
    EXPECT_STREQ(a.events[1].eventName.c_str(), "");
}

TEST(AnimationReader, LocalFramesComposeDownTheTree) {
    SceneData scene;
    const ReadResult r = ReadRest(
        TwoBones() +
            "<animations><animation><useLocalSpace> TRUE</useLocalSpace><animationTracks>"
            "<t><targetName>b.arm</targetName><keyFrames><keyFrame><position>1,0,0</position>"
            "</keyFrame></keyFrames></t>"
            "<t><targetName>b.root</targetName><keyFrames><keyFrame><position>0,0,5</position>"
            "<rotation>0.5,0.5,0.5,0.5</rotation></keyFrame></keyFrames></t>"
            "</animationTracks><animationTracks/></animation></animations>",
        scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(
        After(r, "Info: Read Skeleton"),
        (Lines{"Warning: Multiple <animationTracks> blocks found, only the first will be used.",
               "Info: Read Animation (1)"}));
    const SceneAnimation& a = scene.animations[0];
    EXPECT_STREQ(a.name.c_str(), "unnamed");
    EXPECT_EQ(a.tracks[0].keyFrames[0].globalPosition, (gtVector3{0, 0, 5}));
    EXPECT_EQ(a.tracks[1].keyFrames[0].globalPosition, (gtVector3{0, 1, 5}));  // x -> y
    EXPECT_EQ(a.tracks[1].keyFrames[0].localPosition, (gtVector3{1, 0, 0}));
}

TEST(AnimationReader, LocalFramesWithoutBonesPassTheRootCheck) {
    SceneData scene;
    const ReadResult r = ReadRest(
        "<animations><animation><useLocalSpace>true</useLocalSpace><animationTracks/>"
        "</animation></animations>",
        scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(After(r), Lines{"Info: Read Animation (1)"});
}

TEST(AnimationReader, LocalFramesWithoutRootFail) {
    SceneData scene;
    const ReadResult r =
        ReadRest(Skeleton(Bone("<name>b.a</name><parentName>b.b</parentName>") +
                          Bone("<name>b.b</name><parentName>b.a</parentName>")) +
                     "<animations><animation><useLocalSpace>true</useLocalSpace><animationTracks/>"
                     "</animation><animation><animationTracks/></animation></animations>",
                 scene);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(After(r), (Lines{"Warning: No skeleton or skeleton root bone found",
                               "Info: Read Skeleton", "Warning: No animation track for bone 'b.a'",
                               "Warning: No animation track for bone 'b.b'",
                               "Error: No root bone, can't convert local to global anim frames"}));
}

TEST(AnimationReader, TrackForAMissingBoneStopsTheRead) {
    SceneData scene;
    const ReadResult r =
        ReadRest(TwoBones() +
                     "<animations><animation><animationTracks><t/></animationTracks>"
                     "</animation></animations>",
                 scene);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(After(r, "Info: Read Skeleton"),
              (Lines{"Warning:  Missing prefix, renaming (targetName) to 'b.notarget'",
                     "Warning: No animation track for bone 'b.root'",
                     "Warning: No animation track for bone 'b.arm'",
                     "Error: Animation track can't match bone 'b.notarget'"}));
}

}  // namespace
