// The scene records: initial values, list growth steps, and the name lookups.
#include "MeshAnimConverter/scene/SceneData.h"

#include <gtest/gtest.h>

#include "MeshAnimConverter/scene/SceneNameIndex.h"

namespace {

TEST(SceneData, StartsEmptyWithTheListStepsOfTheModel) {
    SceneData scene;
    EXPECT_EQ(scene.rootBoneIndex, 0);
    EXPECT_TRUE(scene.meshName.IsEmpty());
    EXPECT_TRUE(scene.materialIndexById.empty());
    EXPECT_EQ(scene.triangles.GrowStep(), 1000);
    EXPECT_EQ(scene.attachments.GrowStep(), 10);
    EXPECT_EQ(scene.animations.GrowStep(), 4);
    EXPECT_EQ(scene.bones.GrowStep(), 10);
    EXPECT_EQ(scene.materials.GrowStep(), 16);
    // The first append grows a list by its step.
    scene.bones.AddNew();
    EXPECT_EQ(scene.bones.Capacity(), 10);
    SceneMaterial& material = scene.materials.AddNew();
    EXPECT_EQ(material.textures.GrowStep(), 8);
    SceneAnimation& animation = scene.animations.AddNew();
    EXPECT_EQ(animation.tracks.GrowStep(), 10);
    EXPECT_EQ(animation.events.GrowStep(), 10);
    EXPECT_EQ(animation.tracks.AddNew().keyFrames.GrowStep(), 100);
    EXPECT_EQ(scene.bones[0].children.GrowStep(), 4);
}

TEST(SceneData, RecordsStartAtTheirInitialValues) {
    SceneData scene;
    const SceneBone& bone = scene.bones.AddNew();
    EXPECT_EQ(bone.id, -1);
    EXPECT_EQ(bone.parentIndex, -1);
    EXPECT_EQ(bone.orientation, (gtQuat{0, 0, 0, 1}));
    EXPECT_EQ(bone.localOrientation, (gtQuat{0, 0, 0, 1}));
    EXPECT_EQ(bone.position, (gtVector3{0, 0, 0}));
    EXPECT_TRUE(bone.name.IsEmpty());
    EXPECT_EQ(bone.children.Count(), 0);

    SceneMaterial& material = scene.materials.AddNew();
    EXPECT_EQ(material.opacity, 1.0f);
    const SceneTexture& texture = material.textures.AddNew();
    EXPECT_STREQ(texture.textureName.c_str(), "unnamed");
    EXPECT_STREQ(texture.typeName.c_str(), "unnamed");
    EXPECT_EQ(texture.tileU, 1);
    EXPECT_EQ(texture.tileV, 1);
    EXPECT_EQ(texture.layerOpacity, 1.0f);
}

TEST(SceneData, FindsTheFirstNameIgnoringCase) {
    SceneData scene;
    for (const char* name : {"b.Root", "b.arm", "B.ROOT", ""}) {
        scene.bones.AddNew().name = name;
    }
    EXPECT_EQ(scene.FindBone("b.root"), 0);
    EXPECT_EQ(scene.FindBone("B.ARM"), 1);
    EXPECT_EQ(scene.FindBone(""), 3);
    EXPECT_EQ(scene.FindBone("b.ar"), -1);
    EXPECT_EQ(scene.FindBone("b.arm "), -1);

    SceneAnimation animation;
    for (const char* name : {"b.x", "b.Y", "B.X"}) {
        animation.tracks.AddNew().targetName = name;
    }
    EXPECT_EQ(animation.FindTrack("B.x"), 0);
    EXPECT_EQ(animation.FindTrack("b.y"), 1);
    EXPECT_EQ(animation.FindTrack("b.z"), -1);
}

TEST(SceneNameIndex, AgreesWithTheLinearLookupAndCuts) {
    SceneNameIndex index;
    index.Add("b.Root", 0);
    index.Add("B.ROOT", 1);  // not the first: ignored
    index.Add("b.arm", 2);
    EXPECT_EQ(index.Find("b.root"), 0);
    EXPECT_EQ(index.Find("B.Arm"), 2);
    EXPECT_EQ(index.Find("b.leg"), -1);
    SceneNameIndex cut(4);
    cut.Add("b.abcdef", 7);
    EXPECT_EQ(cut.Find("B.AB"), 7);
    EXPECT_EQ(cut.Find("b.abXX"), 7);
    EXPECT_EQ(cut.Find("b.a"), -1);
}

}  // namespace
