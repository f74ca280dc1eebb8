// The generic mesh records: the defaults the fill and the IM writer rely on, the 20-byte vertex
// weight, the order of influences, and a skeleton that is carried but not owned.
#include "MeshAnimConverter/mesh/GenericMesh.h"

#include <gtest/gtest.h>

#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/scene/SceneData.h"

namespace {

TEST(GenericMesh, RecordDefaults) {
    const GenericMaterial material;
    EXPECT_EQ(material.numMaps, 0);
    EXPECT_EQ(material.opacity, 1.0f);
    EXPECT_EQ(material.ambient, (gtVector3{1, 1, 1}));
    EXPECT_EQ(material.diffuse, (gtVector3{1, 1, 1}));
    EXPECT_EQ(material.specular, (gtVector3{1, 1, 1}));
    EXPECT_EQ(material.emissive, (gtVector3{0, 0, 0}));
    EXPECT_EQ(material.shine, 0.25f);
    EXPECT_EQ(material.numPropertyPairs, 0);
    EXPECT_EQ(material.boundNode, nullptr);
    const MaterialMap map;
    EXPECT_EQ(map.slot, -1);
    EXPECT_EQ(sizeof map.fileName, 512u);
    EXPECT_EQ(sizeof(GenericVertexWeight), 20u);
    EXPECT_EQ(sizeof(GenericAttachment::name), 256u);
}

TEST(GenericMesh, InfluencesIterateInAppendOrder) {
    ExGenericMeshInfluence influences;
    for (int i = 0; i < 40; ++i) {
        influences.Add().bindPosition.x = static_cast<float>(i);
    }
    ASSERT_EQ(influences.Count(), 40);
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(influences[i].bindPosition.x, static_cast<float>(i));
    }
}

TEST(GenericMesh, LeavesTheSkeletonBesideItAlive) {
    SceneData scene;
    scene.bones.AddNew().name = "b.root";
    ConverterExGenericSkeleton skeleton(scene, programLog);
    {
        ExGenericMesh mesh;
        mesh.influences = std::make_unique<ExGenericMeshInfluence>();
        mesh.influences->Add();
    }
    EXPECT_EQ(skeleton.NodeCount(), 1);  // still alive after the mesh is gone
}

}  // namespace
