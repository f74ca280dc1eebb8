// The whole conversion with VANTOK_THREADS 1, 2 and 8: the same console text (the strip
// generator's diagnostics included, each in its chunk's turn) and the same bytes in every
// output file, on a scene with many chunks of uneven size, bump-mapped materials whose
// tangents split vertices, edges shared by three triangles and an animation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "../mesh/MeshTestFiles.h"
#include "InterchangeBuilder.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "OutputFiles.h"

namespace {

namespace fs = std::filesystem;

// Sets VANTOK_THREADS for the run (null: unset).
void SetThreads(const char* value) {
#ifdef _WIN32
    _putenv_s("VANTOK_THREADS", value != nullptr ? value : "");
#else
    if (value != nullptr) {
        ::setenv("VANTOK_THREADS", value, 1);
    } else {
        ::unsetenv("VANTOK_THREADS");
    }
#endif
}

InterchangeBuilder ManyChunkScene() {
    std::mt19937 random(77);
    InterchangeBuilder b;
    for (int m = 0; m < 9; ++m) {
        IxMaterial& material = b.materials.emplace_back();
        material.name = "m" + std::to_string(m) + (m % 3 == 0 ? ".tbump" : "");
        material.id = m;
        material.textures = {{"t" + std::to_string(m) + ".tga", "diffuse"}};
        if (m % 3 == 0) {
            material.textures.push_back({"t" + std::to_string(m) + "_n.tga", "bump"});
        }
    }
    for (int i = 0; i < 3; ++i) {
        IxBone& bone = b.bones.emplace_back();
        bone.id = i;
        bone.name = "b.bone" + std::to_string(i);
        bone.parent = i == 0 ? "" : "b.bone0";
        bone.position[1] = static_cast<float>(i);
    }
    // chunk sizes from a handful to a few thousand triangles, on curved grids with seams
    for (int m = 0; m < 9; ++m) {
        const int side = 2 + (m * 5) % 23;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                for (int half = 0; half < 2; ++half) {
                    IxTriangle& t = b.triangles.emplace_back();
                    t.materialId = m;
                    const int corners[2][3][2] = {{{0, 0}, {1, 0}, {0, 1}},
                                                  {{1, 0}, {1, 1}, {0, 1}}};
                    for (int c = 0; c < 3; ++c) {
                        const float px = static_cast<float>(x + corners[half][c][0]);
                        const float py = static_cast<float>(y + corners[half][c][1]);
                        IxCorner& corner = t.corners[c];
                        corner.position[0] = px;
                        corner.position[1] = py;
                        corner.position[2] = 0.1f * static_cast<float>((x * y) % 4);
                        corner.normal[0] = 0.25f * static_cast<float>(random() % 3);
                        corner.uv[0] = (x % 4 == 3 ? -1.0f : 1.0f) * px / side;
                        corner.uv[1] = py / side;
                        corner.weights = {{static_cast<int>(random() % 3), 1.0f}};
                    }
                }
            }
        }
        // two fins on the last triangle's first edge: three triangles share it
        for (float height : {5.0f, -5.0f}) {
            IxTriangle fin = b.triangles.back();
            fin.corners[2].position[2] = height;
            b.triangles.push_back(fin);
        }
    }
    IxAnimation& walk = b.animations.emplace_back();
    walk.name = "walk";
    for (const IxBone& bone : b.bones) {
        IxTrack& track = walk.tracks.emplace_back();
        track.target = bone.name;
        for (int f = 0; f < 3; ++f) {
            IxKey& key = track.keys.emplace_back();
            key.position[0] = static_cast<float>(f);
        }
    }
    return b;
}

std::map<std::string, std::string> FolderBytes(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
    }
    return files;
}

struct Conversion {
    int status = -1;
    std::string console;
    std::map<std::string, std::string> files;
};

// Converts `in` into the emptied `folder` with VANTOK_THREADS set to `threads`.
Conversion ConvertWithThreads(const std::string& in, const ScratchFolder& folder,
                              const char* threads) {
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        fs::remove(entry.path());
    }
    SetThreads(threads);
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", folder.File("many")}, 31u);
    SetThreads(nullptr);
    Conversion result;
    result.status = run.status;
    result.console = WithoutElapsedTime(run.console);
    result.files = FolderBytes(folder.Path());
    return result;
}

TEST(ParallelConversion, EveryThreadCountGivesTheSameConsoleAndBytes) {
    ScratchFolder input;
    const std::string in = input.File("many.xml");
    WriteWholeFile(in, ManyChunkScene().Text());
    ScratchFolder output;  // one folder: the .im names its descriptors by path

    const Conversion first = ConvertWithThreads(in, output, "1");
    ASSERT_EQ(first.status, 0) << first.console;
    // nine chunks, and the strip generator's diagnostics of the fins on the console
    EXPECT_NE(first.console.find("BuildStripifyInfo: > 2 triangles on an edge"), std::string::npos);
    EXPECT_NE(first.console.find("numChunks=9"), std::string::npos) << first.console;
    EXPECT_EQ(first.files.count("many.im"), 1u);
    EXPECT_EQ(first.files.count("walk.kin"), 1u);
    EXPECT_GE(first.files.size(), 2u + 9u);  // and a descriptor per material at least

    for (const char* threads : {"2", "8"}) {
        const Conversion other = ConvertWithThreads(in, output, threads);
        ASSERT_EQ(other.status, 0) << other.console;
        EXPECT_EQ(other.console, first.console) << threads << " threads";
        ASSERT_EQ(other.files.size(), first.files.size());
        for (const auto& [name, bytes] : other.files) {
            EXPECT_TRUE(first.files.count(name) == 1 && first.files.at(name) == bytes)
                << name << " differs with " << threads << " threads";
        }
    }
}

}  // namespace
