// RoundTrip: one model through import, conversion and glTF export, compared with the source read
// by the tests' own code (SourceScene), with the figures of every comparison.
//
// Checks: the .im's box against the source's at rest (1 % of its diagonal); every vertex skinned
// by the .kin at three frames of each animation against the source posed at those times (0.1 %
// of the model's size, as the distance between the two point sets); for glTF sources each
// textured corner of the .glb against the source's corners (uv within 1e-6 x max(1, |v|)); the
// .glb alone in an empty folder under the Khronos validator. Sources whose node scale changes
// in an animation or with more than four weights per vertex get their figures only.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/import/ModelWriters.h"
#include "tests/tools/roundtrip/ExportedModel.h"
#include "tests/tools/roundtrip/SourceScene.h"
#include "tools/dump/DumpReader.h"
#include "tools/dump/GltfExport.h"

struct RoundTripFigures {
    std::string err;  // the import's standard error
    Box source, before, after;
    bool bindPoseKept = false;
    bool figuresOnly = false;  // scale changes or more than 4 weights per vertex
    double boxError = 0;       // largest corner difference / source diagonal
    double poseError = 0;      // largest skinned distance / size, over animations and times
    int animations = 0;
    long uvCorners = 0, uvUnmatched = 0;
    int validatorErrors = -1;  // -1: the validator is not installed
};

inline std::string ValidatorFolder() {
    for (const char* dir : {VANTOK_GLTF_VALIDATOR_DIR, VANTOK_GLTF_VALIDATOR_MAIN_DIR}) {
        if (std::filesystem::exists(std::string(dir) + "/node_modules/gltf-validator"))
            return dir;
    }
    return "";
}

// Errors the Khronos validator finds in `glb` copied alone into an empty folder; -1 without it.
inline int ValidatorErrors(const std::string& glb, const ScratchFolder& folder) {
    if (ValidatorFolder().empty() || std::system("node --version >/dev/null 2>&1") != 0)
        return -1;
    const std::filesystem::path alone = folder.File("alone");
    std::filesystem::create_directories(alone);
    const std::filesystem::path copy = alone / std::filesystem::path(glb).filename();
    std::filesystem::copy_file(glb, copy, std::filesystem::copy_options::overwrite_existing);
    const std::string report = folder.File("report.json");
    const std::string command = "NODE_PATH='" + ValidatorFolder() + "/node_modules' node '" +
                                std::string(VANTOK_SOURCE_DIR) +
                                "/tests/tools/dump/gltf/validate.js' '" + copy.string() + "' > '" +
                                report + "'";
    if (std::system(command.c_str()) != 0)
        return 1000;
    const nlohmann::json doc = nlohmann::json::parse(ReadWholeFile(report));
    return doc["issues"]["numErrors"].get<int>();
}

inline std::vector<Point3> Positions(const std::vector<SourceCorner>& corners) {
    std::vector<Point3> points;
    for (const SourceCorner& c : corners)
        points.push_back({c.position.x, c.position.y, c.position.z});
    return points;
}

inline double BoxError(const Box& a, const Box& b) {
    const aiVector3D d1 = a.lo - b.lo, d2 = a.hi - b.hi;
    return std::max({std::fabs(d1.x), std::fabs(d1.y), std::fabs(d1.z), std::fabs(d2.x),
                     std::fabs(d2.y), std::fabs(d2.z)}) /
           std::max(1e-30f, a.Diagonal());
}

// The .kin written for source animation `a`, by the name the import gives it (the file's stem).
inline const DumpFile* KinFor(const std::vector<DumpFile>& kins, const aiAnimation& a,
                              const std::string& stem, int index) {
    std::string name =
        a.mName.length > 0 ? a.mName.C_Str() : stem + "_" + std::to_string(index + 1);
    for (char& c : name) c = std::string("\\/:*?\"<>|").find(c) != std::string::npos ? '_' : c;
    for (const DumpFile& k : kins) {
        if (SameNameIgnoringCase(std::filesystem::path(k.path).stem().string(), name))
            return &k;
    }
    return nullptr;
}

inline void CheckCorners(const SourceScene& source, const std::vector<SourceCorner>& rest,
                         const std::string& glb, double size, RoundTripFigures& figures) {
    const double cell = 1e-3 * size;
    std::map<std::tuple<long, long, long>, std::vector<const SourceCorner*>> grid;
    auto key = [cell](double x, double y, double z) {
        return std::make_tuple(static_cast<long>(std::floor(x / cell)),
                               static_cast<long>(std::floor(y / cell)),
                               static_cast<long>(std::floor(z / cell)));
    };
    for (const SourceCorner& c : rest)
        grid[key(c.position.x, c.position.y, c.position.z)].push_back(&c);
    (void)source;
    if (std::none_of(rest.begin(), rest.end(), [](const SourceCorner& c) { return c.textured; })) {
        return;  // no texture coordinates to compare
    }
    for (const GlbCorner& g : GlbCorners(glb)) {
        ++figures.uvCorners;
        bool matched = false;
        const auto [kx, ky, kz] = key(g.position.x, g.position.y, g.position.z);
        for (long dx = -1; dx <= 1 && !matched; ++dx)
            for (long dy = -1; dy <= 1 && !matched; ++dy)
                for (long dz = -1; dz <= 1 && !matched; ++dz) {
                    const auto it = grid.find({kx + dx, ky + dy, kz + dz});
                    if (it == grid.end())
                        continue;
                    for (const SourceCorner* c : it->second) {
                        const Point3 p{c->position.x, c->position.y, c->position.z};
                        if (c->textured && Distance(p, g.position) <= 1e-5 * size &&
                            std::fabs(c->u - g.u) <= 1e-6 * std::max(1.0, std::fabs(g.u)) &&
                            std::fabs(c->v - g.v) <= 1e-6 * std::max(1.0, std::fabs(g.v))) {
                            matched = true;
                            break;
                        }
                    }
                }
        figures.uvUnmatched += matched ? 0 : 1;
    }
}

inline RoundTripFigures RoundTrip(const std::string& model, const ScratchFolder& folder) {
    RoundTripFigures figures;
    const std::string stem = std::filesystem::path(model).stem().string();
    ImportOptions options;
    options.modelPath = model;
    options.outputPath = folder.File(stem + ".xml");
    options.convert = true;
    const ImportOutcome run = RunImportCaptured(options);
    figures.err = run.err;
    EXPECT_EQ(run.status, 0) << run.err << run.out;
    figures.bindPoseKept = run.err.find("bind pose kept") != std::string::npos;

    SourceScene source;
    std::string error;
    EXPECT_TRUE(source.Load(model, error)) << error;
    const std::vector<aiMatrix4x4> restGlobals = source.Globals(-1, 0);
    const std::vector<SourceCorner> rest = source.Corners(restGlobals);
    for (const SourceCorner& c : rest) figures.source.Add(c.position);
    for (const SourceCorner& c : source.Corners(restGlobals, true)) figures.before.Add(c.position);
    const double size = figures.source.Diagonal();

    const DumpFile im = ReadDumpFile(folder.File(stem + ".im"));
    EXPECT_FALSE(im.fatal.has_value());
    for (const Point3& p : ImPoints(im.im, nullptr, 0))
        figures.after.Add(aiVector3D(p.x, p.y, p.z));
    figures.boxError = BoxError(figures.source, figures.after);

    std::vector<DumpFile> kins;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        if (entry.path().extension() == ".kin")
            kins.push_back(ReadDumpFile(entry.path().string()));
    }
    figures.figuresOnly = source.MaxInfluences() > 4;
    const aiScene& scene = source.Scene();
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const DumpFile* kin = KinFor(kins, *scene.mAnimations[a], stem, static_cast<int>(a));
        if (kin == nullptr || kin->kin.frames.empty())
            continue;
        ++figures.animations;
        double first = 0, last = 0;
        source.KeyRange(static_cast<int>(a), first, last);
        const double tps = scene.mAnimations[a]->mTicksPerSecond > 0
                               ? scene.mAnimations[a]->mTicksPerSecond
                               : 25.0;
        const int frames = static_cast<int>(kin->kin.frames.size());
        for (int f : {0, frames / 2, frames - 1}) {
            const double ticks = std::min(first + f / 30.0 * tps, last);
            const std::vector<aiMatrix4x4> globals = source.Globals(static_cast<int>(a), ticks);
            figures.figuresOnly = figures.figuresOnly || source.ScaleChanges(globals);
            const double d = SetDistance(ImPoints(im.im, &kin->kin, f),
                                         Positions(source.Corners(globals)), 0.05 * size);
            figures.poseError = std::max(figures.poseError, d / size);
        }
    }

    GltfOptions gltf;
    gltf.imageDirs.push_back(std::filesystem::path(model).parent_path().string());
    const std::string glb = folder.File(stem + ".glb");
    const GltfResult exported = ExportGlb(im, kins, glb, gltf);
    EXPECT_TRUE(exported.ok) << exported.error;
    const std::string extension = std::filesystem::path(model).extension().string();
    if (extension == ".gltf" || extension == ".glb")
        CheckCorners(source, rest, glb, size, figures);
    figures.validatorErrors = ValidatorErrors(glb, folder);
    return figures;
}

inline void PrintFigures(const std::string& name, const RoundTripFigures& f) {
    auto box = [](const Box& b) {
        char text[160];
        std::snprintf(text, sizeof text, "(%.4g %.4g %.4g)..(%.4g %.4g %.4g)", b.lo.x, b.lo.y,
                      b.lo.z, b.hi.x, b.hi.y, b.hi.z);
        return std::string(text);
    };
    std::printf(
        "[round trip] %s\n  source at rest %s\n  before (bind)  %s\n  after (.im)    %s\n"
        "  box error %.3g %% of diagonal%s; %d animation(s), pose error %.3g %% of size%s; "
        "uv corners %ld, unmatched %ld; validator errors %d\n",
        name.c_str(), box(f.source).c_str(), box(f.before).c_str(), box(f.after).c_str(),
        100 * f.boxError, f.bindPoseKept ? " (bind pose kept)" : "", f.animations,
        100 * f.poseError, f.figuresOnly ? " (figures only: scale or > 4 weights)" : "",
        f.uvCorners, f.uvUnmatched, f.validatorErrors);
}

// The assertions every round trip makes.
inline void ExpectRoundTrip(const RoundTripFigures& f) {
    if (!f.bindPoseKept) {
        EXPECT_LE(f.boxError, 0.01);
    }
    if (!f.figuresOnly) {
        EXPECT_LE(f.poseError, 1e-3);
    }
    EXPECT_EQ(f.uvUnmatched, 0);
    if (f.validatorErrors >= 0) {
        EXPECT_EQ(f.validatorErrors, 0);
    }
}
