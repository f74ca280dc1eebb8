// The output skeleton: nodes built from the bones (names cut in the scene, rest pose, child
// order, detached subtrees, no root) and posing at a frame.
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "tests/MeshAnimConverter/anim/SceneBuilders.h"
#include "tests/MeshAnimConverter/scene/LogCapture.h"

namespace {

using Lines = std::vector<std::string>;

std::vector<std::string> Names(const std::vector<ExGenericSkeleton::Node*>& nodes) {
    std::vector<std::string> names;
    for (const auto* node : nodes) {
        names.emplace_back(node->Name());
    }
    return names;
}

TEST(ConverterExGenericSkeleton, BuildsNodesInBoneOrderWithRestPose) {
    LogCapture log;
    SceneData scene;
    AddBone(scene, "b.A", "", {1, 2, 3}, {0.5f, -0.5f, 0.5f, 0.5f});
    AddBone(scene, "b.D", "b.B");
    AddBone(scene, "b.B", "b.A");
    AddBone(scene, "b.C", "b.a");
    ResolveSkeleton(scene, programLog);
    ConverterExGenericSkeleton skeleton(scene, programLog);
    ASSERT_EQ(skeleton.NodeCount(), 4);
    EXPECT_STREQ(skeleton.NodeAt(1)->Name(), "b.D");
    ASSERT_EQ(skeleton.RootNode(), skeleton.NodeAt(0));
    const ExGenericSkeleton::Node* a = skeleton.RootNode();
    EXPECT_EQ(a->Position(), (gtVector3{1, 2, 3}));
    EXPECT_EQ(a->Rotation(), (gtQuat{-0.5f, 0.5f, -0.5f, 0.5f}));  // the conjugate
    // Children in bone order: B (bone 2) before C (bone 3); D under B.
    ASSERT_EQ(a->children.Count(), 2);
    EXPECT_EQ(a->children[0], skeleton.NodeAt(2));
    EXPECT_EQ(a->children[1], skeleton.NodeAt(3));
    EXPECT_EQ(skeleton.NodeAt(1)->parent, skeleton.NodeAt(2));
    EXPECT_EQ(Names(skeleton.PreOrder()), (std::vector<std::string>{"b.A", "b.B", "b.D", "b.C"}));
    EXPECT_EQ(skeleton.inData, &scene);
    EXPECT_EQ(skeleton.animation, nullptr);
}

TEST(ConverterExGenericSkeleton, CutsNamesTo255InTheSceneItself) {
    LogCapture log;
    SceneData scene;
    const std::string longName = "b." + std::string(300, 'x');
    AddBone(scene, longName.c_str(), "");
    AddBone(scene, "b.child", longName.c_str());
    ResolveSkeleton(scene, programLog);
    ConverterExGenericSkeleton skeleton(scene, programLog);
    EXPECT_EQ(scene.bones[0].name.Length(), 255);
    EXPECT_EQ(scene.bones[1].parentName.Length(), 255);
    EXPECT_EQ(std::string(skeleton.NodeAt(0)->Name()), longName.substr(0, 255));
    EXPECT_EQ(skeleton.RootNode()->children.Count(), 1);
}

TEST(ConverterExGenericSkeleton, DetachedAndRootlessBonesAreUnreachable) {
    LogCapture log;
    {
        // Two parentless bones: the second is the root, the first and its child hang nowhere.
        SceneData scene;
        AddBone(scene, "b.first", "");
        AddBone(scene, "b.under", "b.first");
        AddBone(scene, "b.second", "");
        ResolveSkeleton(scene, programLog);
        ConverterExGenericSkeleton skeleton(scene, programLog);
        EXPECT_EQ(Names(skeleton.PreOrder()), std::vector<std::string>{"b.second"});
        EXPECT_EQ(skeleton.NodeAt(0)->children.Count(), 1);
    }
    {
        SceneData scene;
        AddBone(scene, "b.a", "b.b");
        AddBone(scene, "b.b", "b.a");
        AddBone(scene, "b.self", "b.self");
        ResolveSkeleton(scene, programLog);
        ConverterExGenericSkeleton skeleton(scene, programLog);
        EXPECT_EQ(skeleton.Root(), nullptr);
        EXPECT_TRUE(skeleton.PreOrder().empty());
        skeleton.PrepareForFrame(0);  // nothing to pose, nothing to crash on
    }
    {
        SceneData scene;  // no bones block: rootBoneIndex 0 and no bones
        ConverterExGenericSkeleton skeleton(scene, programLog);
        EXPECT_EQ(skeleton.Root(), nullptr);
    }
}

class PoseTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddBone(scene, "b.root", "", {7, 7, 7}, {0, 0, 1, 0});
        AddBone(scene, "b.arm", "b.root", {1, 0, 0});
        ResolveSkeleton(scene, programLog);
        SceneTrack& root = AddTrack(animation, "B.ROOT", 2);
        root.keyFrames[1].globalPosition = {1, 2, 3};
        root.keyFrames[1].globalRotation = {0.1f, 0.2f, 0.3f, 0.9f};
        AddTrack(animation, "b.other", 2);
        skeleton = std::make_unique<ConverterExGenericSkeleton>(scene, programLog);
    }
    SceneData scene;
    SceneAnimation animation;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
};

TEST_F(PoseTest, WithoutAnimationKeepsTheRestPoseSilently) {
    LogCapture log;
    skeleton->PrepareForFrame(0);
    EXPECT_EQ(skeleton->RootNode()->position, (gtVector3{7, 7, 7}));
    EXPECT_EQ(skeleton->RootNode()->rotation, (gtQuat{0, 0, -1, 0}));
    EXPECT_EQ(log.Lines(), Lines{});
}

TEST_F(PoseTest, PosesFromTheMatchingTrackAndIdentityElsewhere) {
    LogCapture log;
    skeleton->animation = &animation;
    skeleton->PrepareForFrame(1);
    const ExGenericSkeleton::Node* root = skeleton->RootNode();
    EXPECT_EQ(root->position, (gtVector3{1, 2, 3}));
    EXPECT_EQ(root->rotation, (gtQuat{-0.1f, -0.2f, -0.3f, 0.9f}));
    // b.arm has no track: identity.
    EXPECT_EQ(skeleton->NodeAt(1)->position, (gtVector3{}));
    EXPECT_EQ(skeleton->NodeAt(1)->rotation, (gtQuat{}));
    // Frames outside the track pose at the identity.
    for (int frame : {-1, 2, 1000}) {
        skeleton->PrepareForFrame(frame);
        EXPECT_EQ(root->position, (gtVector3{}));
        EXPECT_EQ(root->rotation, (gtQuat{}));
    }
    EXPECT_EQ(log.Lines(), Lines{});
}

TEST_F(PoseTest, ReportsMissingSceneOrTracksAndKeepsThePose) {
    LogCapture log;
    skeleton->animation = &animation;
    skeleton->inData = nullptr;
    skeleton->PrepareForFrame(1);
    EXPECT_EQ(skeleton->RootNode()->position, (gtVector3{7, 7, 7}));
    skeleton->inData = &scene;
    SceneAnimation empty;
    skeleton->animation = &empty;
    skeleton->PrepareForFrame(0);
    EXPECT_EQ(skeleton->RootNode()->position, (gtVector3{7, 7, 7}));
    EXPECT_EQ(log.Lines(),
              (Lines{"Error: InData not passed to skelton for animation output.",
                     "Error: No animation tracks, can't prepare skeleton for frame."}));
    EXPECT_EQ(programLog.numErrors, 2);
}

TEST_F(PoseTest, FollowsAChangeOfAnimation) {
    LogCapture log;
    skeleton->animation = &animation;
    skeleton->PrepareForFrame(1);
    SceneAnimation other;
    AddTrack(other, "b.arm", 1).keyFrames[0].globalPosition = {4, 4, 4};
    skeleton->animation = &other;
    skeleton->PrepareForFrame(0);
    EXPECT_EQ(skeleton->NodeAt(1)->position, (gtVector3{4, 4, 4}));
    EXPECT_EQ(skeleton->RootNode()->position, (gtVector3{}));
}

TEST(ConverterExGenericSkeleton, LongTrackTargetsMatchOnTheCutName) {
    LogCapture log;
    SceneData scene;
    const std::string longName = "b." + std::string(300, 'q');
    AddBone(scene, longName.c_str(), "");
    ResolveSkeleton(scene, programLog);
    SceneAnimation animation;
    AddTrack(animation, longName.c_str(), 1).keyFrames[0].globalPosition = {3, 2, 1};
    ConverterExGenericSkeleton skeleton(scene, programLog);  // cuts the bone name, not the target
    skeleton.animation = &animation;
    skeleton.PrepareForFrame(0);
    EXPECT_EQ(skeleton.RootNode()->position, (gtVector3{3, 2, 1}));
}

}  // namespace
