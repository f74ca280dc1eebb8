// ResolveSkeleton, ConformAnimation and the frame conversions: linking, warnings and their
// order, padding and reordering of tracks, and the global/local round trip.
#include "MeshAnimConverter/anim/SkeletonPreparation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "MeshAnimConverter/anim/QuatMath.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "tests/MeshAnimConverter/anim/SceneBuilders.h"
#include "tests/MeshAnimConverter/scene/LogCapture.h"

namespace {

using Lines = std::vector<std::string>;

const float kHalfSqrt2 = 0.70710678f;

void ExpectNear(const gtVector3& v, float x, float y, float z, float tolerance = 1e-5f) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

void ExpectNear(const gtQuat& q, const gtQuat& e, float tolerance = 1e-5f) {
    EXPECT_NEAR(q.x, e.x, tolerance);
    EXPECT_NEAR(q.y, e.y, tolerance);
    EXPECT_NEAR(q.z, e.z, tolerance);
    EXPECT_NEAR(q.w, e.w, tolerance);
}

// ---------------------------------------------------------------- ResolveSkeleton

TEST(ResolveSkeleton, LinksChildrenInBoneOrderWhateverTheFileOrder) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.c2", "b.root");
    AddBone(scene, "b.leaf", "b.c1");
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.c1", "B.ROOT");  // parent matched ignoring case
    EXPECT_TRUE(ResolveSkeleton(scene, programLog));
    EXPECT_EQ(scene.rootBoneIndex, 2);
    ASSERT_EQ(scene.bones[2].children.Count(), 2);
    EXPECT_EQ(scene.bones[2].children[0], 0);
    EXPECT_EQ(scene.bones[2].children[1], 3);
    ASSERT_EQ(scene.bones[3].children.Count(), 1);
    EXPECT_EQ(scene.bones[3].children[0], 1);
    EXPECT_EQ(scene.bones[0].parentIndex, 2);
    EXPECT_EQ(scene.bones[1].parentIndex, 3);
    EXPECT_EQ(scene.bones[2].parentIndex, -1);
    EXPECT_EQ(log.Lines(), Lines{});
}

TEST(ResolveSkeleton, LastParentlessBoneBecomesRootWithOneWarningPerExtraRoot) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.first", "");
    AddBone(scene, "b.child", "b.first");
    AddBone(scene, "b.second", "");
    AddBone(scene, "b.third", "");
    ResolveSkeleton(scene, programLog);
    EXPECT_EQ(scene.rootBoneIndex, 3);
    EXPECT_EQ(log.Lines(),
              (Lines{"Warning: Expecting single root bone but found another 'b.second'",
                     "Warning: Expecting single root bone but found another 'b.third'"}));
    EXPECT_EQ(programLog.numWarnings, 2);
    EXPECT_EQ(programLog.numErrors, 0);
}

TEST(ResolveSkeleton, MissingParentNamesTheBoneItselfAndLeavesItDetached) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.orphan", "b.nowhere", {1, 2, 3});
    ResolveSkeleton(scene, programLog);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    EXPECT_EQ(scene.bones[1].parentIndex, -1);
    EXPECT_EQ(scene.bones[0].children.Count(), 0);
    // Its local bind transform stays the identity.
    EXPECT_EQ(scene.bones[1].localPosition, (gtVector3{}));
    EXPECT_EQ(log.Lines(), Lines{"Warning: Expecting parent bone 'b.orphan' in skeleton"});
}

TEST(ResolveSkeleton, NoRootOrNoBonesWarnsOnce) {
    {
        LogCapture log;
        SceneData scene;
        AddBone(scene, "b.a", "b.b");
        AddBone(scene, "b.b", "b.a");
        ResolveSkeleton(scene, programLog);
        EXPECT_EQ(scene.rootBoneIndex, -1);
        EXPECT_EQ(log.Lines(), Lines{"Warning: No skeleton or skeleton root bone found"});
    }
    {
        LogCapture log;
        SceneData scene;
        ResolveSkeleton(scene, programLog);
        EXPECT_EQ(scene.rootBoneIndex, -1);
        EXPECT_EQ(log.Lines(), Lines{"Warning: No skeleton or skeleton root bone found"});
    }
}

TEST(ResolveSkeleton, DerivesLocalBindTransforms) {
    LogCapture log;
    SceneData scene;
    const gtQuat turnZ{0, 0, kHalfSqrt2, kHalfSqrt2};  // 90 degrees about z
    AddBone(scene, "b.root", "", {1, 0, 0}, turnZ);
    AddBone(scene, "b.arm", "b.root", {1, 2, 0}, turnZ);
    ResolveSkeleton(scene, programLog);
    // The root copies its global transform exactly.
    EXPECT_EQ(scene.bones[0].localPosition, (gtVector3{1, 0, 0}));
    EXPECT_EQ(scene.bones[0].localOrientation, turnZ);
    // (0, 2, 0) seen from a frame turned 90 degrees about z is (2, 0, 0).
    ExpectNear(scene.bones[1].localPosition, 2, 0, 0);
    ExpectNear(scene.bones[1].localOrientation, gtQuat{0, 0, 0, 1});
}

// ---------------------------------------------------------------- ConformAnimation

TEST(ConformAnimation, PadsShortTracksWithIdentityFramesNotTheLastFrame) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.arm", "b.root");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.root", 10);
    SceneTrack& arm = AddTrack(animation, "b.arm", 7);
    arm.keyFrames[6].globalPosition = {5, 5, 5};
    arm.keyFrames[6].localRotation = {0, 1, 0, 0};
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    ASSERT_EQ(animation.tracks[1].keyFrames.Count(), 10);
    for (int f = 7; f < 10; ++f) {
        const SceneKeyFrame& k = animation.tracks[1].keyFrames[f];
        EXPECT_EQ(k.globalPosition, (gtVector3{}));
        EXPECT_EQ(k.globalRotation, (gtQuat{}));
        EXPECT_EQ(k.localPosition, (gtVector3{}));
        EXPECT_EQ(k.localRotation, (gtQuat{}));
    }
    EXPECT_EQ(
        log.Lines(),
        Lines{"Warning: Animation track 'b.arm' differs in frame count. Found 7 expecting 10"});
}

TEST(ConformAnimation, BoneWithoutTrackGetsItsBindPoseInEveryFrame) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "", {0, 1, 0});
    AddBone(scene, "b.arm", "b.root", {0, 3, 0}, {0, 0, kHalfSqrt2, kHalfSqrt2});
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.root", 3);
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    ASSERT_EQ(animation.tracks.Count(), 2);
    const SceneTrack& arm = animation.tracks[1];
    EXPECT_STREQ(arm.targetName.c_str(), "b.arm");
    ASSERT_EQ(arm.keyFrames.Count(), 3);
    for (const SceneKeyFrame& k : arm.keyFrames) {
        EXPECT_EQ(k.globalPosition, scene.bones[1].position);
        EXPECT_EQ(k.globalRotation, scene.bones[1].orientation);
        EXPECT_EQ(k.localPosition, scene.bones[1].localPosition);
        EXPECT_EQ(k.localRotation, scene.bones[1].localOrientation);
    }
    EXPECT_EQ(log.Lines(), Lines{"Warning: No animation track for bone 'b.arm'"});
}

TEST(ConformAnimation, ClampsEventsIntoTheFrameRange) {
    struct Case {
        int frames;
        std::vector<int> in;
        std::vector<int> out;
        Lines lines;
    };
    const Case cases[] = {
        {10,
         {-3, 0, 9, 12},
         {0, 0, 9, 9},
         {"Warning: Animation event of range. frame: -3 type: 'sound'",
          "Warning: Animation event of range. frame: 12 type: 'sound'"}},
        // Without frames every event ends at 0; frame 0 itself is out of range then.
        {0,
         {-3, 0, 12},
         {0, 0, 0},
         {"Warning: Animation event of range. frame: -3 type: 'sound'",
          "Warning: Animation event of range. frame: 0 type: 'sound'",
          "Warning: Animation event of range. frame: 12 type: 'sound'"}},
    };
    for (const Case& c : cases) {
        SceneData scene;
        AddBone(scene, "b.root", "");
        ResolveSkeleton(scene, programLog);
        SceneAnimation animation;
        AddTrack(animation, "b.root", c.frames);
        for (int frame : c.in) {
            SceneEvent& e = animation.events.AddNew();
            e.frameIndex = frame;
            e.typeName = "sound";
        }
        LogCapture log;
        ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
        std::vector<int> got;
        for (const SceneEvent& e : animation.events) {
            got.push_back(e.frameIndex);
        }
        EXPECT_EQ(got, c.out);
        EXPECT_EQ(log.Lines(), c.lines);
    }
}

TEST(ConformAnimation, MovesEachTrackToTheSlotOfItsBone) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.a", "b.root");
    AddBone(scene, "b.b", "b.root");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "B.B", 2).keyFrames[0].globalPosition = {2, 0, 0};
    AddTrack(animation, "b.root", 2).keyFrames[0].globalPosition = {0, 0, 0};
    AddTrack(animation, "b.A", 2).keyFrames[0].globalPosition = {1, 0, 0};
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    ASSERT_EQ(animation.tracks.Count(), 3);
    for (int k = 0; k < 3; ++k) {
        EXPECT_TRUE(animation.tracks[k].targetName.EqualsNoCase(scene.bones[k].name.c_str()));
        EXPECT_EQ(animation.tracks[k].keyFrames[0].globalPosition.x, static_cast<float>(k));
    }
    EXPECT_EQ(log.Lines(), Lines{});
}

TEST(ConformAnimation, TrackForNoBoneFails) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.root", 1);
    AddTrack(animation, "b.ghost", 1);
    EXPECT_FALSE(ConformAnimation(scene, animation, programLog));
    EXPECT_EQ(log.Lines(), Lines{"Error: Animation track can't match bone 'b.ghost'"});
    EXPECT_EQ(programLog.numErrors, 1);
}

TEST(ConformAnimation, WarningsComeInStepOrder) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.arm", "b.root");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.root", 2);
    AddTrack(animation, "b.root", 1);
    animation.events.AddNew().frameIndex = 5;
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    EXPECT_EQ(
        log.Lines(),
        (Lines{"Warning: Animation track 'b.root' differs in frame count. Found 1 expecting 2",
               "Warning: No animation track for bone 'b.arm'",
               "Warning: Animation event of range. frame: 5 type: ''"}));
    // Both b.root tracks land in slot 0, the later one winning; slot 2 keeps b.arm's track.
    ASSERT_EQ(animation.tracks.Count(), 3);
    EXPECT_STREQ(animation.tracks[0].targetName.c_str(), "b.root");
    EXPECT_EQ(animation.tracks[0].keyFrames[1].globalRotation, (gtQuat{}));
    EXPECT_STREQ(animation.tracks[1].targetName.c_str(), "b.arm");
    EXPECT_STREQ(animation.tracks[2].targetName.c_str(), "b.arm");
}

TEST(ConformAnimation, BonesEqualIgnoringCaseShareTheFirstTrack) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.arm", "b.root");
    AddBone(scene, "B.ROOT", "b.root");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.arm", 1);
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    ASSERT_EQ(animation.tracks.Count(), 2);
    EXPECT_STREQ(animation.tracks[0].targetName.c_str(), "b.root");
    EXPECT_STREQ(animation.tracks[1].targetName.c_str(), "b.arm");
    EXPECT_EQ(log.Lines(), Lines{"Warning: No animation track for bone 'b.root'"});
    // The walk skips the bone beyond the tracks instead of reading past them.
    LocalToGlobalFrames(animation, scene.rootBoneIndex, scene);
    EXPECT_TRUE(GlobalToLocalFrames(animation, scene, programLog));
}

// ---------------------------------------------------------------- frame conversions

TEST(GlobalToLocalFrames, DerivesLocalFromTheParentTrack) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.arm", "b.root");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    SceneTrack& root = AddTrack(animation, "b.root", 1);
    root.keyFrames[0].globalPosition = {1, 0, 0};
    root.keyFrames[0].globalRotation = {0, 0, kHalfSqrt2, kHalfSqrt2};
    SceneTrack& arm = AddTrack(animation, "b.arm", 1);
    arm.keyFrames[0].globalPosition = {1, 2, 0};
    arm.keyFrames[0].globalRotation = {0, 0, 1, 0};  // 180 degrees about z
    ASSERT_TRUE(GlobalToLocalFrames(animation, scene, programLog));
    EXPECT_EQ(animation.tracks[0].keyFrames[0].localPosition, (gtVector3{1, 0, 0}));
    EXPECT_EQ(animation.tracks[0].keyFrames[0].localRotation, root.keyFrames[0].globalRotation);
    ExpectNear(animation.tracks[1].keyFrames[0].localPosition, 2, 0, 0);
    ExpectNear(animation.tracks[1].keyFrames[0].localRotation, {0, 0, kHalfSqrt2, kHalfSqrt2});
    EXPECT_EQ(log.Lines(), Lines{});
}

TEST(GlobalToLocalFrames, FailsOnUnknownTargetOrLengthMismatch) {
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.arm", "b.root");
    ResolveSkeleton(scene, programLog);
    {
        LogCapture log;
        SceneAnimation animation;
        AddTrack(animation, "b.root", 1);
        AddTrack(animation, "b.ghost", 1);
        EXPECT_FALSE(GlobalToLocalFrames(animation, scene, programLog));
        EXPECT_EQ(log.Lines(), Lines{"Error: Animation tracks do not match bones. Cur animation "
                                     "track target 'b.ghost'"});
    }
    {
        LogCapture log;
        SceneAnimation animation;
        AddTrack(animation, "b.root", 2);
        AddTrack(animation, "b.arm", 3);
        EXPECT_FALSE(GlobalToLocalFrames(animation, scene, programLog));
        EXPECT_EQ(log.Lines(), Lines{"Error: Animation tracks are not the same length. Track "
                                     "'b.arm' frames=3 Track 'b.root' frames=2"});
    }
    {
        // The parent's slot lies beyond the tracks.
        LogCapture log;
        SceneData deep;
        AddBone(deep, "b.arm", "b.root");
        AddBone(deep, "b.root", "");
        ResolveSkeleton(deep, programLog);
        SceneAnimation animation;
        AddTrack(animation, "b.arm", 1);
        EXPECT_FALSE(GlobalToLocalFrames(animation, deep, programLog));
        EXPECT_EQ(log.Lines(), Lines{"Error: Animation tracks do not match bones. Cur animation "
                                     "track target 'b.arm'"});
    }
}

TEST(LocalToGlobalFrames, ComposesParentsBeforeChildren) {
    SceneData scene;
    AddBone(scene, "b.hand", "b.arm");
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.arm", "b.root");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.hand", 1).keyFrames[0].localPosition = {1, 0, 0};
    SceneTrack& root = AddTrack(animation, "b.root", 1);
    root.keyFrames[0].localPosition = {0, 0, 5};
    root.keyFrames[0].localRotation = {0.5f, 0.5f, 0.5f, 0.5f};  // x -> y -> z
    AddTrack(animation, "b.arm", 1).keyFrames[0].localPosition = {1, 0, 0};
    LocalToGlobalFrames(animation, scene.rootBoneIndex, scene);
    // arm = root + R(1, 0, 0) = (0, 1, 5); hand = arm + R(1, 0, 0) = (0, 2, 5): exact values.
    EXPECT_EQ(animation.tracks[2].keyFrames[0].globalPosition, (gtVector3{0, 1, 5}));
    EXPECT_EQ(animation.tracks[0].keyFrames[0].globalPosition, (gtVector3{0, 2, 5}));
    EXPECT_EQ(animation.tracks[0].keyFrames[0].globalRotation, (gtQuat{0.5f, 0.5f, 0.5f, 0.5f}));
}

TEST(LocalToGlobalFrames, LeavesBonesOutsideTheTreeAndOutOfRangeStartsAlone) {
    SceneData scene;
    AddBone(scene, "b.root", "");
    AddBone(scene, "b.orphan", "b.missing");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, "b.root", 1).keyFrames[0].localPosition = {1, 1, 1};
    SceneTrack& orphan = AddTrack(animation, "b.orphan", 1);
    orphan.keyFrames[0].localPosition = {4, 4, 4};
    orphan.keyFrames[0].globalPosition = {9, 9, 9};
    LocalToGlobalFrames(animation, -1, scene);
    LocalToGlobalFrames(animation, 7, scene);
    EXPECT_EQ(animation.tracks[0].keyFrames[0].globalPosition, (gtVector3{}));
    LocalToGlobalFrames(animation, 0, scene);
    EXPECT_EQ(animation.tracks[0].keyFrames[0].globalPosition, (gtVector3{1, 1, 1}));
    EXPECT_EQ(animation.tracks[1].keyFrames[0].globalPosition, (gtVector3{9, 9, 9}));
}

// Property: local frames derived from random global frames compose back to the globals.
TEST(FrameConversion, GlobalToLocalToGlobalRoundTrips) {
    std::mt19937 random(1234);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    auto randomQuat = [&] {
        return Normalise(gtQuat{unit(random), unit(random), unit(random), unit(random)});
    };
    SceneData scene;
    const int boneCount = 40;
    for (int i = 0; i < boneCount; ++i) {
        const std::string name = "b.bone" + std::to_string(i);
        const std::string parent =
            i == 0
                ? ""
                : "b.bone" + std::to_string(std::uniform_int_distribution<int>(0, i - 1)(random));
        AddBone(scene, name.c_str(), parent.c_str(), {unit(random), unit(random), unit(random)},
                randomQuat());
    }
    LogCapture log;
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    for (int i = boneCount - 1; i >= 0; --i) {
        SceneTrack& track = AddTrack(animation, scene.bones[i].name.c_str(), 5);
        for (SceneKeyFrame& k : track.keyFrames) {
            k.globalPosition = {unit(random) * 10, unit(random) * 10, unit(random) * 10};
            k.globalRotation = randomQuat();
        }
    }
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    ASSERT_TRUE(GlobalToLocalFrames(animation, scene, programLog));
    SceneAnimation copy = animation;
    for (SceneTrack& track : copy.tracks) {
        for (SceneKeyFrame& k : track.keyFrames) {
            k.globalPosition = {};
            k.globalRotation = {0, 0, 0, 0};
        }
    }
    LocalToGlobalFrames(copy, scene.rootBoneIndex, scene);
    for (int t = 0; t < boneCount; ++t) {
        for (int f = 0; f < 5; ++f) {
            const SceneKeyFrame& want = animation.tracks[t].keyFrames[f];
            const SceneKeyFrame& got = copy.tracks[t].keyFrames[f];
            ExpectNear(got.globalPosition, want.globalPosition.x, want.globalPosition.y,
                       want.globalPosition.z, 1e-4f);
            ExpectNear(got.globalRotation, want.globalRotation, 1e-4f);
        }
    }
    // Bind-pose locals round-trip too.
    for (int i = 1; i < boneCount; ++i) {
        const SceneBone& bone = scene.bones[i];
        const SceneBone& parent = scene.bones[bone.parentIndex];
        const gtVector3 p = parent.position + QuatRotate(parent.orientation, bone.localPosition);
        ExpectNear(p, bone.position.x, bone.position.y, bone.position.z, 1e-4f);
    }
}

// A chain of 100,000 bones is linked, conformed and walked without exhausting the stack.
TEST(FrameConversion, SurvivesAChainOf100000Bones) {
    const int count = 100000;
    SceneData scene;
    scene.bones.Reserve(count);
    for (int i = 0; i < count; ++i) {
        const std::string name = "b." + std::to_string(i);
        const std::string parent = i == 0 ? "" : "b." + std::to_string(i - 1);
        AddBone(scene, name.c_str(), parent.c_str(), {0, static_cast<float>(i), 0});
    }
    LogCapture log;
    ResolveSkeleton(scene, programLog);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    EXPECT_EQ(scene.bones[count - 1].parentIndex, count - 2);
    ExpectNear(scene.bones[count - 1].localPosition, 0, 1, 0);
    SceneAnimation animation;
    SceneTrack& root = AddTrack(animation, "b.0", 1);
    root.keyFrames[0].localPosition = {0, 0, 0};
    programLog.logWarnings = 0;  // one warning per bone without a track
    ASSERT_TRUE(ConformAnimation(scene, animation, programLog));
    LocalToGlobalFrames(animation, scene.rootBoneIndex, scene);
    EXPECT_EQ(animation.tracks[count - 1].keyFrames[0].globalPosition.y,
              static_cast<float>(count - 1));
    EXPECT_TRUE(GlobalToLocalFrames(animation, scene, programLog));
}

}  // namespace
