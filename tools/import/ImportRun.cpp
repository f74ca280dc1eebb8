// ImportRun: paths, the import, the files, the summary and the optional conversion.
#include "tools/import/ImportRun.h"

#include <chrono>
#include <filesystem>
#include <vector>

#include "MeshAnimConverter/driver/Conversion.h"
#include "MeshAnimConverter/driver/ProfileTimer.h"
#include "tools/common/FileChecks.h"
#include "tools/import/InterchangeWriter.h"
#include "tools/import/ModelImporter.h"

namespace {

namespace fs = std::filesystem;

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::weakly_canonical(a, error) == fs::weakly_canonical(b, error) && !error;
}

int CountFrames(const ImportedModel& model) {
    int frames = 0;
    for (const ImportAnimation& a : model.animations) {
        frames += a.frameCount;
    }
    return frames;
}

// The conversion in this process, its lines and closing summary printed as the converter's
// console program prints them.
int ConvertInProcess(const std::vector<std::string>& args, std::FILE* out) {
    auto print = [out](const std::string& line) {
        std::fputs(line.c_str(), out);
        std::fputc('\n', out);
    };
    ConversionOptions conversion;
    std::vector<std::string> errorLines;
    if (!ConversionOptionsFromArguments(args, conversion, errorLines)) {
        for (const std::string& line : errorLines) {
            print(line);
        }
        std::fflush(out);
        return 1;
    }
    conversion.onLine = print;
    const auto start = std::chrono::steady_clock::now();
    const ConversionResult result = RunConversion(conversion);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    if (conversion.logInfo) {
        std::fprintf(out, "Info: Process completed after %s with %d errors and %d warnings\n",
                     DurationText(static_cast<uint32_t>(elapsed.count())).c_str(),
                     result.errorCount, result.warningCount);
    }
    std::fflush(out);
    return result.success ? 0 : 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

std::string DefaultOutputPath(const std::string& modelPath) {
    return fs::path(modelPath).replace_extension(".xml").string();
}

int RunImport(const ImportOptions& options, std::FILE* out, std::FILE* err) {
    const std::string& model = options.modelPath;
    const std::string output =
        options.outputPath.empty() ? DefaultOutputPath(model) : options.outputPath;
    if (SameFile(model, output)) {
        std::fprintf(err, "error: cannot import '%s': the output would replace the model\n",
                     model.c_str());
        return 1;
    }
    const std::string problem = InputProblem(model);
    if (!problem.empty()) {
        std::fprintf(err, "error: %s: %s\n", model.c_str(), problem.c_str());
        return 1;
    }

    // embedded images are named after the model, beside the output
    const fs::path folder = fs::path(output).parent_path();
    ImportedModel imported;
    std::string reason;
    if (!ImportModel(options, fs::path(model).stem().string(), imported, reason)) {
        std::fprintf(err, "error: cannot import '%s': %s\n", model.c_str(), reason.c_str());
        return 1;
    }
    if (imported.triangles.empty()) {
        if (options.convert) {
            std::fprintf(err, "error: '%s' has no triangles: the converter needs a mesh\n",
                         model.c_str());
            return 1;
        }
        imported.warnings.push_back("the model has no triangles: the converter needs a mesh");
    }
    const std::string text = InterchangeText(imported, options.frames, options.orientation);
    for (const ImportImage& image : imported.images) {
        const std::string path = (folder / image.fileName).string();
        const std::string bytes(image.bytes.begin(), image.bytes.end());
        if (!WriteFileAtomically(path, bytes, reason)) {
            std::fprintf(err, "error: cannot write '%s': %s\n", path.c_str(), reason.c_str());
            return 1;
        }
    }
    if (!WriteFileAtomically(output, text, reason)) {
        std::fprintf(err, "error: cannot write '%s': %s\n", output.c_str(), reason.c_str());
        return 1;
    }
    for (const std::string& warning : imported.warnings) {
        std::fprintf(err, "warning: '%s': %s\n", model.c_str(), warning.c_str());
    }
    std::fprintf(out,
                 "wrote '%s': %zu triangles, %zu materials, %zu bones, %zu animations, %d "
                 "frames, %zu attachments\n",
                 output.c_str(), imported.triangles.size(), imported.materials.size(),
                 imported.bones.size(), imported.animations.size(), CountFrames(imported),
                 imported.attachments.size());
    std::fflush(out);
    std::fflush(err);
    if (!options.convert) {
        return 0;
    }

    // the converter's own options; without animations no .kin is asked for (a later
    // -outputKIN among the user's options still wins)
    std::vector<std::string> args = {"-inFile", output};
    if (imported.animations.empty()) {
        args.insert(args.end(), {"-outputKIN", "false"});
    }
    args.insert(args.end(), options.converterOptions.begin(), options.converterOptions.end());
    return ConvertInProcess(args, out);
}
