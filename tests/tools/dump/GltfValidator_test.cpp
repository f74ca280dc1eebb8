// Every .glb the export writes for the examples and for generated scenes (skinned, animated,
// with tangents) passes the Khronos glTF validator with no error. The validator runs under
// node from the pinned npm package installed by the test script; the test is skipped only when
// node itself is not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "DumpTestFiles.h"

namespace {

bool NodeAvailable() {
    return std::system("node --version >/dev/null 2>&1") == 0;
}

// The folder holding node_modules/gltf-validator: this build's, else the main build's.
std::string ValidatorDir() {
    for (const char* dir : {VANTOK_GLTF_VALIDATOR_DIR, VANTOK_GLTF_VALIDATOR_MAIN_DIR}) {
        if (std::filesystem::exists(std::string(dir) + "/node_modules/gltf-validator"))
            return dir;
    }
    return "";
}

// Runs the validator on `glb`; its JSON report.
nlohmann::json Validate(const std::string& glb, const std::string& reportPath) {
    const std::string command =
        "NODE_PATH='" + ValidatorDir() + "/node_modules' node '" + std::string(VANTOK_SOURCE_DIR) +
        "/tests/tools/dump/gltf/validate.js' '" + glb + "' > '" + reportPath + "'";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << command;
    return nlohmann::json::parse(ReadWholeFile(reportPath));
}

TEST(GltfValidator, EveryExportHasNoError) {
    if (!NodeAvailable())
        GTEST_SKIP() << "node is not installed";
    ASSERT_FALSE(ValidatorDir().empty())
        << "the validator is not installed: run bash scripts/test.sh";
    ScratchFolder folder;
    std::vector<std::vector<std::string>> exports;
    for (const char* name : kExamples) ConvertTo(ExamplePath(name), folder.File(name));
    exports.push_back({"crate_static_materials"});
    exports.push_back({"flag_skinned_global", "wave"});
    exports.push_back({"arm_local_matrix_axisangle", "bend"});
    InterchangeBuilder scene = GeneratedScene(0);
    scene.materials[1].name = "metal.tbump";
    ConvertScene(scene, folder, "sample");
    exports.push_back({"sample", "swing"});
    for (const auto& names : exports) {
        SCOPED_TRACE(names[0]);
        const std::string glb = folder.File(names[0] + ".glb");
        std::vector<std::string> args = {folder.File(names[0] + ".im"), "--gltf", glb};
        for (std::size_t k = 1; k < names.size(); ++k) {
            args.push_back("--kin");
            args.push_back(folder.File(names[k] + ".kin"));
        }
        const DumpRun run = RunDump(args);
        ASSERT_EQ(run.status, 0) << run.err;
        const nlohmann::json report = Validate(glb, folder.File(names[0] + ".report.json"));
        EXPECT_EQ(report["issues"]["numErrors"], 0) << report["issues"].dump(2);
        if (names.size() > 1) {
            EXPECT_EQ(report["info"]["animationCount"], 1);
            EXPECT_EQ(report["info"]["hasSkins"], true);
        }
    }
}

}  // namespace
