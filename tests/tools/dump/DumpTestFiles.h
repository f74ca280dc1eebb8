// Helpers of the vantok-dump tests: converting examples and generated scenes in-process (random
// seed fixed), running the dump's command line with its output captured, and editing file
// bytes by hand to make damaged copies.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "../../MeshAnimConverter/e2e/InterchangeBuilder.h"
#include "../../MeshAnimConverter/e2e/OutputFiles.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "tools/dump/DumpMain.h"

inline const char* const kExamples[] = {"crate_static_materials", "flag_skinned_global",
                                        "arm_local_matrix_axisangle"};

inline std::string ExamplePath(const std::string& name) {
    return std::string(VANTOK_SOURCE_DIR) + "/examples/" + name + ".xml";
}

// Converts `input` to <folder>/<title>.im (and the .kin files beside it); the reference names
// are made with a fixed seed.
inline void ConvertTo(const std::string& input, const std::string& outBase) {
    const ProgramRun run = RunConverter({"-inFile", input, "-outFile", outBase}, 12345u);
    ASSERT_EQ(run.status, 0) << run.console;
}

inline void ConvertScene(const InterchangeBuilder& scene, const ScratchFolder& folder,
                         const std::string& title) {
    const std::string xml = folder.File(title + ".xml");
    WriteWholeFile(xml, scene.Text());
    ConvertTo(xml, folder.File(title));
}

struct DumpRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadBack(std::FILE* file) {
    std::fflush(file);
    const long end = std::ftell(file);
    std::string text(end > 0 ? static_cast<std::size_t>(end) : 0u, '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    std::fclose(file);
    return text;
}

inline DumpRun RunDump(std::vector<std::string> args) {
    args.insert(args.begin(), "vantok-dump");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    DumpRun run;
    run.status = DumpMain(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = ReadBack(out);
    run.err = ReadBack(err);
    return run;
}

// Little-endian edits of file bytes.
inline std::uint32_t Get32(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

inline void Put32(std::string& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

inline void PutFloat(std::string& bytes, std::size_t at, float f) {
    std::uint32_t v = 0;
    std::memcpy(&v, &f, 4);
    Put32(bytes, at, v);
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

// The generated scene of the tests: a quad of two triangles in material "paint" (diffuse map
// art/paint.tga), one triangle in material "metal" (two-sided, half opaque), bones "b.root" and
// "b.arm" (a child turned 90 degrees about z), an attachment, and an animation of 3 frames.
// Corners at x = 0 hang on the root, at x = 1 on the arm; corner (1, 1, 0) is split 0.25 / 0.75;
// the metal triangle's corner (0, 1, 1) has no weight.
inline InterchangeBuilder GeneratedScene(int frameRate = 24) {
    InterchangeBuilder b;
    b.meshName = "sample";
    IxMaterial paint;
    paint.name = "paint";
    paint.id = 0;
    paint.diffuse[0] = 0.5f;
    paint.diffuse[1] = 0.25f;
    paint.diffuse[2] = 1.0f;
    paint.textures.push_back(IxTexture{"art/paint.tga", "diffuse", 1, 1, 1.0f});
    IxMaterial metal;
    metal.name = "metal";
    metal.id = 1;
    metal.twoSided = true;
    metal.opacity = 0.5f;
    b.materials = {paint, metal};
    auto corner = [](float x, float y, float z, std::vector<std::pair<int, float>> weights) {
        IxCorner c;
        c.position[0] = x;
        c.position[1] = y;
        c.position[2] = z;
        c.uv[0] = x;
        c.uv[1] = y;
        c.weights = std::move(weights);
        return c;
    };
    const auto c00 = corner(0, 0, 0, {{1, 1.0f}});
    const auto c10 = corner(1, 0, 0, {{2, 1.0f}});
    const auto c11 = corner(1, 1, 0, {{1, 0.25f}, {2, 0.75f}});
    const auto c01 = corner(0, 1, 0, {{1, 1.0f}});
    b.triangles.push_back(IxTriangle{0, {c00, c10, c11}});
    b.triangles.push_back(IxTriangle{0, {c00, c11, c01}});
    b.triangles.push_back(IxTriangle{
        1, {corner(0, 0, 1, {{1, 1.0f}}), corner(1, 0, 1, {{2, 1.0f}}), corner(0, 1, 1, {})}});
    b.attachments.push_back(IxAttachment{"a.hand", {1, 2, 3}, {0, 0, 0, 1}});
    b.bones.push_back(IxBone{1, "b.root", "", {0, 0, 0}, {0, 0, 0, 1}});
    b.bones.push_back(IxBone{2, "b.arm", "b.root", {1, 0, 0}, {0, 0, 0.70710677f, 0.70710677f}});
    IxAnimation swing;
    swing.name = "swing";
    swing.frameRate = frameRate;
    IxTrack root{"b.root", {}};
    IxTrack arm{"b.arm", {}};
    for (int f = 0; f < 3; ++f) {
        root.keys.push_back(IxKey{{0, static_cast<float>(f), 0}, {0, 0, 0, 1}});
        arm.keys.push_back(IxKey{{1, static_cast<float>(f), 0}, {0, 0, 0.70710677f, 0.70710677f}});
    }
    arm.keys[2].rotation[2] = 0.0f;  // the last frame turns the arm back to identity
    arm.keys[2].rotation[3] = 1.0f;
    swing.tracks = {root, arm};
    b.animations.push_back(swing);
    return b;
}
