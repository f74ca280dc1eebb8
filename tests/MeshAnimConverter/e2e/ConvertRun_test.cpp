// The whole conversion, in-process through the program entry: a small scene whose chunks were
// worked out by hand from the build procedure, the exact console lines, byte-identical output
// with a fixed seed, the naming of animation files, the run's warnings and its failure paths.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../mesh/MeshTestFiles.h"
#include "InterchangeBuilder.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/mesh/R250Random.h"
#include "OutputFiles.h"

namespace {

namespace fs = std::filesystem;

IxCorner Corner(float x, float y, float z, float u = 0, float v = 0) {
    IxCorner c;
    c.position[0] = x;
    c.position[1] = y;
    c.position[2] = z;
    c.uv[0] = u;
    c.uv[1] = v;
    return c;
}

// Material 0 "Red" (no maps): T0 = A B C, T1 = C' B D, where C' is C with other texture
// coordinates (a material without maps writes u, v = 0, so C and C' weld). Material 1 "Blue"
// (diffuse c:\art\brick.tga): T2 = E F F (degenerate), T3 = E F G. Bone 7 "b.root" at
// (0.5, 0, 0) weights A of T0 by 1 and C' of T1 by 0.5, which the reader scales to 1 (a
// corner's blends sum to 1); C of T0 has no weight.
InterchangeBuilder HandWorkedScene() {
    InterchangeBuilder b;
    const IxCorner A = Corner(0, 0, 0, 0.5f, 0.5f), B = Corner(1, 0, 0), C = Corner(0, 1, 0),
                   C2 = Corner(0, 1, 0, 0.25f, 0.75f), D = Corner(1, 1, 0);
    const IxCorner E = Corner(0, 0, 0, 0, 0), F = Corner(1, 0, 0, 1, 0), G = Corner(0, 0, 1, 0, 1);
    const IxCorner corners[4][3] = {{A, B, C}, {C2, B, D}, {E, F, F}, {E, F, G}};
    for (int t = 0; t < 4; ++t) {
        IxTriangle& tri = b.triangles.emplace_back();
        tri.materialId = t < 2 ? 0 : 1;
        for (int c = 0; c < 3; ++c) {
            tri.corners[c] = corners[t][c];
        }
    }
    b.triangles[0].corners[0].weights = {{7, 1.0f}};
    b.triangles[1].corners[0].weights = {{7, 0.5f}};
    IxMaterial& red = b.materials.emplace_back();
    red.name = "Red";
    red.id = 0;
    red.shine = 0.5f;
    const float ambient[3] = {0.125f, 0.25f, 0.375f}, diffuse[3] = {0.5f, 0.625f, 0.75f},
                specular[3] = {0.875f, 1.0f, 0.0625f}, emissive[3] = {0.25f, 0.5f, 0.75f};
    for (int k = 0; k < 3; ++k) {
        red.ambient[k] = ambient[k];
        red.diffuse[k] = diffuse[k];
        red.specular[k] = specular[k];
        red.emissive[k] = emissive[k];
    }
    IxMaterial& blue = b.materials.emplace_back();
    blue.name = "Blue";
    blue.id = 1;
    blue.twoSided = true;
    blue.opacity = 0.5f;
    blue.textures.push_back({"c:\\art\\brick.tga", "diffuse", 1, 1, 0.75f});
    IxBone& bone = b.bones.emplace_back();
    bone.id = 7;
    bone.name = "b.root";
    bone.position[0] = 0.5f;
    return b;
}

struct ConvertRunTest : ::testing::Test {
    ScratchFolder folder;

    std::string Write(const std::string& name, const InterchangeBuilder& b) {
        const std::string path = folder.File(name);
        WriteWholeFile(path, b.Text());
        return path;
    }
    ImFile ReadIm(const std::string& path) {
        ImFile im;
        std::string error;
        EXPECT_TRUE(ReadImFile(path, im, error)) << error;
        return im;
    }
};

template <size_t N>
std::array<float, N> F(std::initializer_list<float> values) {
    std::array<float, N> a{};
    std::copy(values.begin(), values.end(), a.begin());
    return a;
}

TEST_F(ConvertRunTest, HandWorkedSceneThroughTheProgram) {
    const std::string in = Write("wall.xml", HandWorkedScene());
    const ProgramRun run = RunConverter({"-inFile", in}, 4242u);
    const std::string im = folder.File("wall.im");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WithoutElapsedTime(run.console),
              "Info: Process started. This may take some time. Please wait...\n"
              "Info: Reading input file: '" +
                  in +
                  "'\n"
                  "Info: Read Mesh\n"
                  "Info: Read Materials\n"
                  "Info: Read Skeleton\n"
                  "Info: Finished reading input file\n"
                  "Info: Filled Mesh Geometry\n"
                  "Info: Filled Materials\n"
                  "Info: Filled Attachments\n"
                  "Info: Filled Skeleton\n"
                  "Info: Filled Mesh\n"
                  "Info: Converting formats and optimizing...\n"
                  "Info: Wrote IM file '" +
                  im +
                  "' with:\nnumTriangles=3\nnumVertices=7\n"
                  "numChunks=2\nnumAttachments=0\nskeleton = false (non-rigid will set 'false')\n"
                  "influenceArray = true\n\n"
                  "Warning: No animation to output.\n"
                  "Info: Process completed after * with 0 errors and 1 warnings\n");

    const ImFile f = ReadIm(im);
    EXPECT_EQ(f.form, "IDXM");
    EXPECT_EQ(f.order, (std::vector<std::string>{"INFO", "CHNK", "CHNK", "INFL"}));
    EXPECT_EQ(f.infoSize, 68u);
    EXPECT_EQ(f.infoVersion, 104u);
    EXPECT_EQ(f.origin, F<3>({0, 0, 0}));
    EXPECT_EQ(f.orientation, F<4>({1, 0, 0, 0}));
    EXPECT_EQ(f.chunkCount, 2u);
    EXPECT_EQ(f.influencesPerVertex, 1u);
    EXPECT_EQ(f.bonesPerChunk, 1u);
    EXPECT_EQ(f.boxMin, F<3>({0, 0, 0}));
    EXPECT_EQ(f.boxMax, F<3>({1, 1, 1}));
    ASSERT_EQ(f.chunks.size(), 2u);

    R250Random random(4242u);
    char hex[2][16];
    std::snprintf(hex[0], sizeof hex[0], "%X", random.Next());
    std::snprintf(hex[1], sizeof hex[1], "%X", random.Next());

    // Chunk 0. Corners A B C C' B D; keys sorted A, C C', B B, D; pairs (3,2), (4,1); D moves
    // into slot 3: vertices A B C D, triangles (0 1 2) (2 1 3); source corners [0 4 3 5], so
    // vertex 0 has corner 0's weight and vertex 2 corner 3's (C'), though corner 2 (C) welded
    // into it too. The strip order of two triangles on one edge is T0 then T1 and renumbering
    // by first use changes nothing.
    const ImChunk& c0 = f.chunks[0];
    EXPECT_EQ(c0.version, 100u);
    EXPECT_EQ(c0.index, 0u);
    EXPECT_EQ(c0.materialVersion, 103u);
    EXPECT_EQ(c0.referenceName, std::string("*wall*") + hex[0] + "*red*m.notex");
    EXPECT_EQ(c0.pairCount, 0u);
    EXPECT_EQ(c0.twoSided, 0u);
    EXPECT_EQ(c0.opacity, 1.0f);
    EXPECT_EQ(c0.colours, F<12>({0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f, 1.0f, 0.0625f,
                                 0.25f, 0.5f, 0.75f}));
    EXPECT_EQ(c0.shine, 50.0f);
    EXPECT_TRUE(c0.maps.empty());
    EXPECT_EQ(c0.geometrySize, 40u + 20u * 4 + 6u * 2 + 12u * 4 + 12u * 2);
    EXPECT_EQ(c0.geometryVersion, 201u);
    EXPECT_EQ(c0.primitiveCode, 4u);
    EXPECT_EQ(c0.flags, 0u);
    EXPECT_EQ(c0.meanArea, 0.5f);  // two unit cross products over 2 x 2
    EXPECT_EQ(c0.vertexCount, 4u);
    EXPECT_EQ(c0.triangleCount, 2u);
    EXPECT_EQ(c0.indexCount, 6u);
    EXPECT_EQ(c0.triangleCountAgain, 2u);
    EXPECT_EQ(c0.influencesPerVertex, 1u);
    EXPECT_EQ(c0.boundNode, "");
    using V5 = std::array<float, 5>;
    EXPECT_EQ(
        c0.vertices,
        (std::vector<V5>{{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {1, 1, 0, 0, 0}}));
    using T3 = std::array<uint16_t, 3>;
    EXPECT_EQ(c0.triangles, (std::vector<T3>{{0, 1, 2}, {2, 1, 3}}));
    using V3 = std::array<float, 3>;
    EXPECT_EQ(c0.normals, (std::vector<V3>(4, V3{0, 0, 1})));
    EXPECT_EQ(c0.faceNormals, (std::vector<V3>(2, V3{0, 0, 1})));

    // Chunk 1. Corners E F F E F G; sorted E E, G, F F F; pairs (2,1), (3,0), (4,1); G moves
    // into slot 2; T2 becomes (0 1 1) and is removed, T3 (0 1 2) takes its slot.
    const ImChunk& c1 = f.chunks[1];
    EXPECT_EQ(c1.index, 1u);
    EXPECT_EQ(c1.referenceName, std::string("*wall*") + hex[1] + "*blue*m.onetex");
    EXPECT_EQ(c1.twoSided, 1u);
    EXPECT_EQ(c1.opacity, 0.5f);
    ASSERT_EQ(c1.maps.size(), 1u);
    EXPECT_EQ(c1.maps[0].slot, 1);
    EXPECT_EQ(c1.maps[0].fileName, folder.Path() + kJoin + "brick.texture");
    EXPECT_EQ(c1.maps[0].amount, 0.75f);
    EXPECT_EQ(c1.meanArea, 0.25f);  // 0 + 1 over 2 x 2
    EXPECT_EQ(c1.vertices, (std::vector<V5>{{0, 0, 0, 0, 0}, {1, 0, 0, 1, 0}, {0, 0, 1, 0, 1}}));
    EXPECT_EQ(c1.triangles, (std::vector<T3>{{0, 1, 2}}));
    EXPECT_EQ(c1.faceNormals, (std::vector<V3>{{0, -1, 0}}));
    EXPECT_EQ(c1.influencesPerVertex, 0u);
    EXPECT_EQ(c1.geometrySize, 40u + 20u * 3 + 6u + 12u * 3 + 12u);

    ASSERT_EQ(f.bones.size(), 1u);
    const ImBone& bone = f.bones[0];
    EXPECT_EQ(bone.name, "b.root");
    EXPECT_EQ(bone.parent, "");
    EXPECT_EQ(bone.position, F<3>({0.5f, 0, 0}));
    EXPECT_EQ(bone.matrix, F<9>({1, 0, 0, 0, 1, 0, 0, 0, 1}));
    ASSERT_EQ(bone.entries.size(), 2u);
    EXPECT_EQ(bone.entries[0].chunk, 0u);
    ASSERT_EQ(bone.entries[0].weights.size(), 2u);
    EXPECT_EQ(bone.entries[0].weights[0].vertex, 0);
    EXPECT_EQ(bone.entries[0].weights[0].weight, 1.0f);
    EXPECT_EQ(bone.entries[0].weights[0].position, F<3>({-0.5f, 0, 0}));
    EXPECT_EQ(bone.entries[0].weights[1].vertex, 2);
    EXPECT_EQ(bone.entries[0].weights[1].weight, 1.0f);
    EXPECT_EQ(bone.entries[0].weights[1].position, F<3>({-0.5f, 1, 0}));
    EXPECT_EQ(bone.entries[1].chunk, 1u);
    EXPECT_TRUE(bone.entries[1].weights.empty());

    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\nTile=st\n");
}

TEST_F(ConvertRunTest, FixedSeedGivesByteIdenticalFiles) {
    InterchangeBuilder b = HandWorkedScene();
    IxAnimation& a = b.animations.emplace_back();
    a.name = "idle";
    IxTrack& track = a.tracks.emplace_back();
    track.target = "b.root";
    track.keys.resize(3);
    track.keys[1].position[1] = 1.0f;
    const std::string in = Write("wall.xml", b);
    std::string first[2];
    for (int pass = 0; pass < 2; ++pass) {
        const ProgramRun run = RunConverter({"-inFile", in}, 7u);
        ASSERT_EQ(run.status, 0) << run.console;
        const std::string im = ReadWholeFile(folder.File("wall.im"));
        const std::string kin = ReadWholeFile(folder.File("idle.kin"));
        ASSERT_FALSE(im.empty());
        ASSERT_FALSE(kin.empty());
        if (pass == 0) {
            first[0] = im;
            first[1] = kin;
            fs::remove(folder.File("wall.im"));
            fs::remove(folder.File("idle.kin"));
        } else {
            EXPECT_EQ(im, first[0]);
            EXPECT_EQ(kin, first[1]);
        }
    }
    // another seed changes only the reference names' random part
    RunConverter({"-inFile", in}, 8u);
    EXPECT_NE(ReadWholeFile(folder.File("wall.im")), first[0]);
}

// A scene with one bone and `names.size()` animations of two frames. A blank name is an
// unnamed block (a block without a name element is called "unnamed" by the reader).
InterchangeBuilder AnimatedScene(const std::vector<std::string>& names) {
    InterchangeBuilder b = HandWorkedScene();
    for (const std::string& name : names) {
        IxAnimation& a = b.animations.emplace_back();
        a.name = name;
        IxTrack& track = a.tracks.emplace_back();
        track.target = "b.root";
        track.keys.resize(2);
    }
    return b;
}

std::string Lines(const std::string& console, const std::string& prefix) {
    std::string out;
    size_t at = 0;
    while ((at = console.find(prefix, at)) != std::string::npos) {
        const size_t end = console.find('\n', at);
        out += console.substr(at, end - at) + "\n";
        at = end;
    }
    return out;
}

TEST_F(ConvertRunTest, UnnamedAnimationsAreNumberedFromTheSecond) {
    const std::string in = Write("src.xml", AnimatedScene({"", " ", "\t"}));
    const std::string out = folder.File("converted/wheel");
    fs::create_directories(folder.File("converted"));
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", out});
    EXPECT_EQ(run.status, 0);
    const std::string dir = out.substr(0, out.size() - 5);  // up to and including the separator
    EXPECT_EQ(Lines(run.console, "Info: Wrote KIN"), "Info: Wrote KIN file '" + dir +
                                                         "wheel.kin' with:\n"
                                                         "Info: Wrote KIN file '" +
                                                         dir +
                                                         "wheel2.kin' with:\n"
                                                         "Info: Wrote KIN file '" +
                                                         dir + "wheel3.kin' with:\n");
    EXPECT_EQ(run.console.find("Warning:"), std::string::npos) << run.console;
    for (const char* name : {"wheel.kin", "wheel2.kin", "wheel3.kin"}) {
        KinFile kin;
        std::string error;
        ASSERT_TRUE(ReadKinFile(dir + name, kin, error)) << name << ": " << error;
        EXPECT_EQ(kin.form, "ANIM");
        EXPECT_EQ(kin.name, name);
        EXPECT_EQ(kin.frameCount, 2u);
        EXPECT_EQ(kin.frames, (std::vector<uint32_t>{0, 1}));
        EXPECT_EQ(kin.bones, (std::vector<std::string>{"b.root"}));
    }
    EXPECT_TRUE(fs::exists(dir + "wheel.im"));
}

TEST_F(ConvertRunTest, NamedAnimationsAreFileNamesInTheOutputFolder) {
    const std::string in =
        Write("src.xml", AnimatedScene({"  walk.v2  ", "", "up/down:left\\right", "run"}));
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", folder.File("car.bin")});
    EXPECT_EQ(run.status, 0);
    const std::string dir = folder.Path() + kJoin + "";
    EXPECT_EQ(Lines(run.console, "Info: Wrote "), "Info: Wrote IM file '" + dir +
                                                      "car.im' with:\n"
                                                      "Info: Wrote KIN file '" +
                                                      dir +
                                                      "walk.kin' with:\n"
                                                      "Info: Wrote KIN file '" +
                                                      dir +
                                                      "car2.kin' with:\n"
                                                      "Info: Wrote KIN file '" +
                                                      dir +
                                                      "up_down_left_right.kin' with:\n"
                                                      "Info: Wrote KIN file '" +
                                                      dir + "run.kin' with:\n");
    EXPECT_EQ(Lines(run.console, "Warning:"), "Warning: Inconsistent animation names used.\n");
    EXPECT_NE(run.console.find("with 0 errors and 1 warnings"), std::string::npos);
    for (const char* name : {"walk.kin", "car2.kin", "up_down_left_right.kin", "run.kin"}) {
        EXPECT_TRUE(fs::exists(dir + name)) << name;
    }
}

TEST_F(ConvertRunTest, SceneWithoutBonesHasNoInfluences) {
    InterchangeBuilder b = HandWorkedScene();
    b.bones.clear();
    for (IxTriangle& t : b.triangles) {
        for (IxCorner& c : t.corners) {
            c.weights.clear();
        }
    }
    const std::string in = Write("src.xml", b);
    const ProgramRun run = RunConverter({"-inFile", in});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.console, "Warning:"), "Warning: No animation to output.\n");
    // no bones: no INFL, and INFO's maxima are 0
    const ImFile f = ReadIm(folder.File("src.im"));
    EXPECT_EQ(f.order, (std::vector<std::string>{"INFO", "CHNK", "CHNK"}));
    EXPECT_EQ(f.influencesPerVertex, 0u);
    EXPECT_EQ(f.bonesPerChunk, 0u);
    EXPECT_NE(run.console.find("influenceArray = false\n"), std::string::npos);
}

TEST_F(ConvertRunTest, GeometryOffStillFillsAndWritesOnlyAnimations) {
    const std::string in = Write("src.xml", AnimatedScene({"walk"}));
    const ProgramRun run = RunConverter({"-inFile", in, "-outputIM", "false"});
    EXPECT_EQ(run.status, 0);
    EXPECT_FALSE(fs::exists(folder.File("src.im")));
    EXPECT_FALSE(fs::exists(folder.File("brick.texture.txt")));
    EXPECT_TRUE(fs::exists(folder.File("walk.kin")));
    EXPECT_NE(run.console.find("Info: Filled Mesh\n"), std::string::npos);

    // the fill still runs, so a scene without triangles fails
    InterchangeBuilder empty = AnimatedScene({"walk"});
    empty.triangles.clear();
    const std::string bare = Write("bare.xml", empty);
    const ProgramRun failed = RunConverter({"-inFile", bare, "-outputIM", "false"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(WithoutElapsedTime(failed.console),
              "Info: Process started. This may take some time. Please wait...\n"
              "Info: Reading input file: '" +
                  bare +
                  "'\n"
                  "Info: Read Mesh\n"
                  "Info: Read Materials\n"
                  "Info: Read Skeleton\n"
                  "Info: Read Animation (1)\n"
                  "Info: Finished reading input file\n"
                  "Error: Failed to process files\n"
                  "Info: Process completed after * with 1 errors and 0 warnings\n");
    EXPECT_FALSE(fs::exists(folder.File("bare.im")));
}

TEST_F(ConvertRunTest, SceneWithoutMaterialsWritesNothing) {
    InterchangeBuilder b = HandWorkedScene();
    b.materials.clear();
    const std::string in = Write("src.xml", b);
    const ProgramRun run = RunConverter({"-inFile", in});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Error: Failed to process files\n"), std::string::npos);
    EXPECT_EQ(run.console.find("Filled Mesh\n"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.File("src.im")));
}

TEST_F(ConvertRunTest, MissingInputFailsTheRun) {
    const ProgramRun run = RunConverter({"-inFile", folder.File("nothing.xml")});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Error: Failed to process files\n"), std::string::npos);
    EXPECT_EQ(run.console.find("Finished reading input file"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(folder.Path()));
}

TEST_F(ConvertRunTest, UnwritableGeometryStopsBeforeTheAnimations) {
    const std::string in = Write("src.xml", AnimatedScene({"walk"}));
    const std::string target = folder.File("missing/car");
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", target});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(Lines(run.console, "Error:"), "Error: Failed to write IM file: '" + target +
                                                ".im'\n"
                                                "Error: Failed to process files\n");
    EXPECT_EQ(run.console.find("KIN"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder.File("walk.kin")));
}

TEST_F(ConvertRunTest, ExistingGeometrySurvivesAFailedWrite) {
    // a folder in place of the target cannot be replaced: the write fails, the folder stays
    const std::string in = Write("src.xml", HandWorkedScene());
    fs::create_directories(folder.File("src.im"));
    const ProgramRun run = RunConverter({"-inFile", in});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Error: Failed to write IM file: '" + folder.File("src.im") + "'\n"),
              std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder.File("src.im")));
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "src.xml" || name == "src.im" || name == "brick.texture.txt") << name;
    }
}

}  // namespace
