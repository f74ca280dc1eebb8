// Real models of many formats from Debian's assimp-testmodels package, each imported, converted
// and exported to glTF, and compared with the source read through assimp by the tests' own code
// (tests/tools/roundtrip/RoundTrip.h): the box at rest, the animated poses at three times of every
// animation, glTF sources' (position, uv) corners, and the Khronos validator on the .glb alone.
// Each prints its figures. A BVH motion clip (a skeleton without triangles) is imported and its
// interchange file read, and refused by --convert. Skipped when the package is not installed.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>

#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "ModelWriters.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/e2e/OutputFiles.h"
#include "tests/tools/roundtrip/RoundTrip.h"

namespace {

namespace fs = std::filesystem;

const fs::path kModels = "/usr/share/assimp/models";

struct RealModel {
    const char* path;
    bool animated;
};

// static and skinned, textured and not, in X, FBX, glTF, COLLADA, MS3D, SMD, IQM, B3D, MD5 and
// OBJ, and a glTF binary with 32,280 triangles in one material (split into chunks)
const RealModel kRealModels[] = {
    {"X/test.x", false},
    {"X/anim_test.x", true},
    {"X/Testwuson.X", true},
    {"X/BCN_Epileptic.X", true},
    {"FBX/spider.fbx", false},
    {"FBX/animation_with_skeleton.fbx", true},
    {"FBX/huesitos.fbx", true},
    {"glTF2/BoxTextured-glTF/BoxTextured.gltf", false},
    {"glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", false},
    {"glTF2/BoxTexcoords-glTF/boxTexcoords.gltf", false},
    {"glTF2/simple_skin/simple_skin.gltf", true},
    {"glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb", false},
    {"Collada/duck.dae", false},
    {"Collada/box_nested_animation.dae", true},
    {"MS3D/jeep1.ms3d", false},
    {"SMD/holy_grailref.smd", true},  // a reference pose: one frame
    {"IQM/mrfixit.iqm", false},       // assimp reads its mesh only
    {"B3D/WusonBlitz.b3d", false},
    {"MD5/SimpleCube.md5mesh", false},
    {"OBJ/spider.obj", false},
    {"OBJ/WusonOBJ.obj", false},
};

void PrintTo(const RealModel& model, std::ostream* os) {
    *os << model.path;
}

class RealModels : public testing::TestWithParam<RealModel> {};

TEST_P(RealModels, RoundTripMatchesTheSource) {
    const fs::path model = kModels / GetParam().path;
    if (!fs::exists(model)) {
        GTEST_SKIP() << model << " is not installed (package assimp-testmodels)";
    }
    ScratchFolder folder;
    const RoundTripFigures figures = RoundTrip(model.string(), folder);
    PrintFigures(GetParam().path, figures);
    ExpectRoundTrip(figures);
    EXPECT_EQ(figures.animations > 0, GetParam().animated) << figures.err;
}

INSTANTIATE_TEST_SUITE_P(AssimpTestModels, RealModels, testing::ValuesIn(kRealModels),
                         [](const testing::TestParamInfo<RealModel>& param) {
                             std::string name = fs::path(param.param.path).filename().string();
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

// The motion-capture clip of the test models, imported into a scratch folder (skipped when the
// package is absent).
class RealMotionClip : public testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(model)) {
            GTEST_SKIP() << model << " is not installed (package assimp-testmodels)";
        }
        options.modelPath = model.string();
        options.outputPath = folder.File("clip.xml");
    }

    const fs::path model = kModels / "BVH/01_01.bvh";
    ScratchFolder folder;
    ImportOptions options;
};

TEST_F(RealMotionClip, RefusedByConvertBeforeAnyFile) {
    options.convert = true;
    const ImportOutcome run = RunImportCaptured(options);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "error: '" + model.string() + "' has no triangles: the converter needs a mesh\n");
    EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST_F(RealMotionClip, BvhSkeletonAndAnimationRead) {
    options.frames = FrameSpace::Local;
    const ImportOutcome run = RunImportCaptured(options);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.err.find("the model has no triangles"), std::string::npos);

    SceneData scene;
    programLog.Reset();
    programLog.SetOutput(std::tmpfile());
    int32_t version = 0;
    const bool read =
        ReadInterchangeFile(options.outputPath.c_str(), version, scene, programLog, TestPreparer());
    std::fclose(programLog.Output());
    programLog.SetOutput(nullptr);
    EXPECT_TRUE(read);
    EXPECT_EQ(programLog.numErrors, 0);
    EXPECT_EQ(programLog.numWarnings, 0);
    programLog.Reset();
    EXPECT_EQ(scene.triangles.Count(), 0);
    ASSERT_GT(scene.bones.Count(), 20);
    EXPECT_EQ(scene.rootBoneIndex, 0);
    ASSERT_EQ(scene.animations.Count(), 1);
    const SceneAnimation& clip = scene.animations[0];
    EXPECT_EQ(clip.frameRate, 30);
    ASSERT_EQ(clip.tracks.Count(), scene.bones.Count());
    EXPECT_GT(clip.tracks[0].keyFrames.Count(), 100);
}

}  // namespace
