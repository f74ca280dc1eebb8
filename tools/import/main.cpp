// vantok-import: a model in any format assimp reads to the interchange file, and with
// --convert on to .im and .kin files in one command. Usage errors exit with 2.
#include <assimp/version.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <string>

#include "tools/import/ImportRun.h"

int main(int argc, char** argv) {
    ImportOptions options;
    CLI::App app{
        "Imports a model (FBX, glTF, COLLADA, X, OBJ, MD5, BVH and every other format "
        "assimp reads) into a vantok interchange file, and optionally converts it."};
    app.set_version_flag("--version", std::string("vantok-import 1.0 (assimp ") +
                                          std::to_string(aiGetVersionMajor()) + "." +
                                          std::to_string(aiGetVersionMinor()) + "." +
                                          std::to_string(aiGetVersionPatch()) + ")");
    app.add_option("MODEL", options.modelPath, "the model to import")->required();
    app.add_option("-o,--output", options.outputPath,
                   "the interchange file to write (default: MODEL with the extension .xml)");
    app.add_option("--fps", options.fps, "animation sampling rate (default 30)")
        ->check(CLI::Range(1, 1000));
    std::string frames = "global", orientation = "quaternion", tbump = "auto";
    app.add_option("--frames", frames, "animation frames: global (default) or local")
        ->check(CLI::IsMember({"global", "local"}));
    app.add_option("--orientation", orientation,
                   "orientation form: quaternion (default), matrix or axisangle")
        ->check(CLI::IsMember({"quaternion", "matrix", "axisangle"}));
    app.add_option("--tbump", tbump,
                   "tangent frames: auto (default: materials with a bump map), all or none")
        ->check(CLI::IsMember({"auto", "all", "none"}));
    app.add_option("--attachment-prefix", options.attachmentPrefix,
                   "nodes whose names start with this become attachment points (default a.)");
    app.add_option("--max-weights", options.maxWeights, "bone weights per vertex (default 4)")
        ->check(CLI::Range(1, 4));
    app.add_flag("--bind-pose", options.bindPose,
                 "write skinned meshes in their bind pose, not posed at the nodes' rest");
    app.add_flag("--convert", options.convert,
                 "convert the interchange file in-process; converter options follow --");
    app.footer("Example: vantok-import hero.fbx --convert -- -outFile out/hero");
    // everything after "--" belongs to the converter
    int ownCount = argc;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--") {
            ownCount = i;
            break;
        }
    }
    for (int i = ownCount + 1; i < argc; ++i) {
        options.converterOptions.emplace_back(argv[i]);
    }
    try {
        app.parse(ownCount, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e);
        return status == 0 ? 0 : 2;
    }
    options.frames = frames == "local" ? FrameSpace::Local : FrameSpace::Global;
    options.orientation = orientation == "matrix"      ? OrientationForm::Matrix
                          : orientation == "axisangle" ? OrientationForm::AxisAngle
                                                       : OrientationForm::Quaternion;
    options.tbump = tbump == "all"    ? TangentBump::All
                    : tbump == "none" ? TangentBump::None
                                      : TangentBump::Auto;
    if (!options.converterOptions.empty() && !options.convert) {
        std::fprintf(stderr, "error: converter options need --convert\n");
        return 2;
    }
    return RunImport(options, stdout, stderr);
}
