// DumpMain: parses the options with CLI11 and maps the results to exit codes.
#include "tools/dump/DumpMain.h"

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "tools/dump/DumpReader.h"
#include "tools/dump/DumpValidator.h"
#include "tools/dump/GltfExport.h"
#include "tools/dump/JsonDump.h"
#include "tools/dump/TextDump.h"

namespace {

void Print(std::FILE* to, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

}  // namespace

int DumpMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    CLI::App app("Shows, checks and exports .im, .kin and .pm files.", "vantok-dump");
    std::string input;
    std::string gltf;
    std::vector<std::string> kins;
    DumpOptions options;
    bool json = false;
    bool validate = false;
    app.add_option("FILE", input, "an .im, .kin or .pm file")->required();
    app.add_flag("--all", options.all,
                 "every vertex, triangle, weight and frame, not only the first");
    app.add_flag("--json", json, "one JSON document instead of text");
    app.add_flag("--validate", validate,
                 "check the file: one line per error or warning, or \"valid\"");
    auto* gltfOption = app.add_option("--gltf", gltf, "write a glTF 2.0 binary of the .im file");
    app.add_option("--kin", kins, "an animation to add to the glTF export (repeatable)")
        ->needs(gltfOption);
    GltfOptions gltfOptions;
    app.add_option("--image-dir", gltfOptions.imageDirs,
                   "a folder to look for images not found beside the .im (repeatable)")
        ->needs(gltfOption);
    app.add_flag("--external-images", gltfOptions.externalImages,
                 "refer to images beside the .glb instead of embedding them")
        ->needs(gltfOption);
    app.set_version_flag("--version", "vantok-dump 1");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        std::string text;
        if (e.get_exit_code() == 0) {
            Print(out,
                  e.get_name() == "CallForVersion" ? std::string(e.what()) + "\n" : app.help());
            return 0;
        }
        Print(err,
              "error: " + std::string(e.what()) + "\n" + "Run with --help for more information.\n");
        return 2;
    }

    const DumpFile file = ReadDumpFile(input);
    int status = 0;
    std::vector<DumpIssue> issues;
    if (validate)
        issues = ValidateDump(file);
    if (json) {
        const auto doc = DumpJson(file, options, validate ? &issues : nullptr);
        Print(out,
              doc.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
    } else if (validate) {
        for (const DumpIssue& issue : issues) Print(out, FormatIssue(input, issue) + "\n");
        if (!HasErrors(issues))
            Print(out, "valid\n");
    } else if (gltf.empty() && !file.fatal) {
        Print(out, DumpText(file, options));
    }
    if (validate && HasErrors(issues))
        status = 1;
    if (file.fatal) {
        if (!validate || json)
            Print(err, FormatIssue(input, *file.fatal) + "\n");
        return 1;
    }
    if (!gltf.empty()) {
        std::vector<DumpFile> animations;
        for (const std::string& kin : kins) {
            animations.push_back(ReadDumpFile(kin));
            if (animations.back().fatal) {
                Print(err, FormatIssue(kin, *animations.back().fatal) + "\n");
                return 1;
            }
        }
        const GltfResult result = ExportGlb(file, animations, gltf, gltfOptions);
        for (const std::string& warning : result.warnings)
            Print(err, "warning: " + gltf + ": " + warning + "\n");
        if (!result.ok) {
            Print(err, "error: " + gltf + ": " + result.error + "\n");
            return 1;
        }
    }
    return status;
}
