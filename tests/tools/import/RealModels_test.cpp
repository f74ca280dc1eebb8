// Real models of many formats from Debian's assimp-testmodels package: each is imported and
// converted in-process with no errors, and every .im and .kin written reads back whole. A BVH
// motion clip (a skeleton without triangles) is imported and its interchange file read. Skipped
// when the package is not installed.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <ostream>
#include <string>

#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "ModelWriters.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/e2e/OutputFiles.h"

namespace {

namespace fs = std::filesystem;

const fs::path kModels = "/usr/share/assimp/models";

struct RealModel {
    const char* path;
    bool animated;
};

// static and skinned, X, FBX, glTF, COLLADA, MD5, OBJ with several materials, and a glTF
// binary with 32,280 triangles in one material (split into chunks by the converter)
const RealModel kRealModels[] = {
    {"X/test.x", false},
    {"X/anim_test.x", true},
    {"FBX/spider.fbx", false},
    {"FBX/animation_with_skeleton.fbx", true},
    {"FBX/huesitos.fbx", true},
    {"glTF2/BoxTextured-glTF/BoxTextured.gltf", false},
    {"glTF2/BoxTextured-glTF-Binary/BoxTextured.glb", false},
    {"glTF2/simple_skin/simple_skin.gltf", true},
    {"glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb", false},
    {"Collada/duck.dae", false},
    {"Collada/box_nested_animation.dae", true},
    {"MD5/SimpleCube.md5mesh", false},
    {"OBJ/spider.obj", false},
};

void PrintTo(const RealModel& model, std::ostream* os) {
    *os << model.path;
}

class RealModels : public testing::TestWithParam<RealModel> {};

TEST_P(RealModels, ImportsAndConvertsWithoutErrors) {
    const fs::path model = kModels / GetParam().path;
    if (!fs::exists(model)) {
        GTEST_SKIP() << model << " is not installed (package assimp-testmodels)";
    }
    ScratchFolder folder;
    ImportOptions options;
    options.modelPath = model.string();
    options.outputPath = folder.File(model.stem().string() + ".xml");
    options.convert = true;
    options.converterOptions = {"-info", "true"};
    const ImportOutcome run = RunImportCaptured(options);
    ASSERT_EQ(run.status, 0) << run.err << run.out;
    EXPECT_NE(run.out.find(" with 0 errors and "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Error: "), std::string::npos) << run.out;

    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(folder.File(model.stem().string() + ".im"), im, error)) << error;
    EXPECT_GT(im.chunks.size(), 0u);
    int kinFiles = 0;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        if (entry.path().extension() == ".kin") {
            KinFile kin;
            EXPECT_TRUE(ReadKinFile(entry.path().string(), kin, error)) << error;
            EXPECT_GT(kin.frameCount, 0u);
            ++kinFiles;
        }
    }
    EXPECT_EQ(kinFiles > 0, GetParam().animated);
}

INSTANTIATE_TEST_SUITE_P(AssimpTestModels, RealModels, testing::ValuesIn(kRealModels),
                         [](const testing::TestParamInfo<RealModel>& param) {
                             std::string name = fs::path(param.param.path).filename().string();
                             for (char& c : name) {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });

TEST(RealMotionClip, BvhSkeletonAndAnimationRead) {
    const fs::path model = kModels / "BVH/01_01.bvh";
    if (!fs::exists(model)) {
        GTEST_SKIP() << model << " is not installed (package assimp-testmodels)";
    }
    ScratchFolder folder;
    ImportOptions options;
    options.modelPath = model.string();
    options.outputPath = folder.File("clip.xml");
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
