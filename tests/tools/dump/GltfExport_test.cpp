// The glTF export checked by construction: container framing, one primitive per chunk with
// matching counts, every vertex's weights summing to 1 on valid joints, inverse bind matrices
// that undo the composed bind pose, animation channels that recompose each frame's model-space
// pose from the .kin (a differential check), and each repair with its one warning line.
#include "tools/dump/GltfExport.h"

#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <filesystem>

#include "DumpTestFiles.h"
#include "GlbTestFiles.h"
#include "tools/dump/DumpReader.h"
#include "tools/dump/TextureDescriptor.h"

namespace {

struct GltfExportTest : ::testing::Test {
    ScratchFolder folder;

    // images stay references here (their embedding has tests of its own)
    Glb Export(const DumpFile& mesh, const std::vector<DumpFile>& kins, GltfResult* out = nullptr) {
        GltfOptions options;
        options.externalImages = true;
        GltfResult result = BuildGlb(mesh, kins, options);
        EXPECT_TRUE(result.ok) << result.error;
        Glb glb;
        EXPECT_TRUE(glb.Parse(result.glb));
        if (out != nullptr)
            *out = result;
        return glb;
    }
};

bool Has(const std::vector<std::string>& warnings, const std::string& text) {
    return std::find(warnings.begin(), warnings.end(), text) != warnings.end();
}

// Node transforms composed from the root, with `local` overriding a node's own.
Rigid Global(const nlohmann::json& doc, int node, const std::map<int, Rigid>& local) {
    std::map<int, int> parent;
    for (std::size_t n = 0; n < doc["nodes"].size(); ++n)
        for (const auto& c : doc["nodes"][n].value("children", nlohmann::json::array()))
            parent[c.get<int>()] = static_cast<int>(n);
    std::vector<int> chain;
    for (int n = node;; n = parent[n]) {
        chain.push_back(n);
        if (!parent.count(n))
            break;
    }
    Rigid g;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        Rigid l;
        if (local.count(*it)) {
            l = local.at(*it);
        } else {
            const auto& n = doc["nodes"][*it];
            if (n.contains("translation"))
                l.p = {n["translation"][0], n["translation"][1], n["translation"][2]};
            if (n.contains("rotation"))
                l.q = {n["rotation"][0], n["rotation"][1], n["rotation"][2], n["rotation"][3]};
        }
        g = Then(g, l);
    }
    return g;
}

TEST_F(GltfExportTest, SkinnedMeshPrimitivesWeightsAndBindMatrices) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const DumpFile mesh = ReadDumpFile(folder.File("sample.im"));
    GltfResult result;
    const Glb glb = Export(mesh, {}, &result);
    const auto& doc = glb.doc;
    EXPECT_EQ(doc["asset"]["version"], "2.0");
    ASSERT_EQ(doc["meshes"][0]["primitives"].size(), 2u);
    const auto& joints = doc["skins"][0]["joints"];
    ASSERT_EQ(joints.size(), 2u);
    EXPECT_EQ(doc["nodes"][joints[0].get<int>()]["name"], "b.root");
    EXPECT_EQ(doc["nodes"][joints[1].get<int>()]["name"], "b.arm");

    for (std::size_t c = 0; c < 2; ++c) {
        const auto& prim = doc["meshes"][0]["primitives"][c];
        const std::size_t vertices = mesh.im.chunks[c].geometry.vertexCount;
        EXPECT_EQ(doc["accessors"][prim["attributes"]["POSITION"].get<int>()]["count"], vertices);
        EXPECT_EQ(doc["accessors"][prim["indices"].get<int>()]["count"],
                  3 * mesh.im.chunks[c].geometry.triangleCount);
        const auto w = glb.Read(prim["attributes"]["WEIGHTS_0"]);
        const auto j = glb.Read(prim["attributes"]["JOINTS_0"]);
        const auto p = glb.Read(prim["attributes"]["POSITION"]);
        ASSERT_EQ(w.size(), 4 * vertices);
        for (std::size_t v = 0; v < vertices; ++v) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) {
                sum += static_cast<float>(w[4 * v + k]);
                EXPECT_LT(j[4 * v + k], 2.0);
            }
            EXPECT_NEAR(sum, 1.0f, 1e-6f);
            // the unweighted corner (0, 1, 1) hangs on the root joint alone
            if (p[3 * v] == 0 && p[3 * v + 1] == 1 && p[3 * v + 2] == 1) {
                EXPECT_EQ(j[4 * v], 0.0);
                EXPECT_EQ(w[4 * v], 1.0);
            }
        }
    }
    EXPECT_TRUE(Has(result.warnings,
                    "vertices without weights were bound to the root joint with weight 1"));
    EXPECT_EQ(result.warnings.size(), 1u);

    // inverse bind matrix times the composed bind pose is the identity, for every joint
    const auto inverse = glb.Read(doc["skins"][0]["inverseBindMatrices"]);
    for (std::size_t k = 0; k < joints.size(); ++k) {
        std::array<double, 16> ibm;
        std::copy(inverse.begin() + 16 * k, inverse.begin() + 16 * (k + 1), ibm.begin());
        const auto product = Times(ibm, Matrix(Global(doc, joints[k], {})));
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(product[i], i % 5 == 0 ? 1.0 : 0.0, 1e-6) << k << " " << i;
    }
    // the arm's bind pose: at (1, 0, 0), a quarter turn about z
    const Rigid arm = Global(doc, joints[1], {});
    EXPECT_NEAR(arm.p[0], 1.0, 1e-6);
    EXPECT_NEAR(QDistance(arm.q, {0, 0, 0.70710678, 0.70710678}), 0.0, 1e-6);

    // materials: the diffuse image through its descriptor; the metal half transparent
    const auto& paint = doc["materials"][doc["meshes"][0]["primitives"][0]["material"].get<int>()];
    const int texture = paint["pbrMetallicRoughness"]["baseColorTexture"]["index"];
    EXPECT_EQ(doc["images"][doc["textures"][texture]["source"].get<int>()]["uri"], "paint.tga");
    EXPECT_EQ(doc["samplers"][doc["textures"][texture]["sampler"].get<int>()]["wrapS"], 10497);
    const auto& metal = doc["materials"][doc["meshes"][0]["primitives"][1]["material"].get<int>()];
    EXPECT_EQ(metal["alphaMode"], "BLEND");
    EXPECT_EQ(metal["doubleSided"], true);
}

// Differential: the channels, composed up the node tree, give back each frame's model-space
// pose as the .kin holds it.
TEST_F(GltfExportTest, AnimationRecomposesTheFramePoses) {
    for (const std::string example :
         {"arm_local_matrix_axisangle", "flag_skinned_global", "sample"}) {
        SCOPED_TRACE(example);
        std::string kinName;
        if (example == "sample") {
            ConvertScene(GeneratedScene(), folder, "sample");
            kinName = "swing";
        } else {
            ConvertTo(ExamplePath(example), folder.File(example));
            kinName = example[0] == 'a' ? "bend" : "wave";
        }
        const DumpFile mesh = ReadDumpFile(folder.File(example + ".im"));
        const DumpFile kin = ReadDumpFile(folder.File(kinName + ".kin"));
        const Glb glb = Export(mesh, {kin});
        const auto& doc = glb.doc;
        const auto& animation = doc["animations"][0];
        EXPECT_EQ(animation["name"], kinName);
        const std::size_t frames = kin.kin.frames.size();
        // node -> its sampled local transform per frame
        std::map<int, std::vector<Rigid>> tracks;
        for (const auto& channel : animation["channels"]) {
            const int node = channel["target"]["node"];
            const auto& sampler = animation["samplers"][channel["sampler"].get<int>()];
            const auto times = glb.Read(sampler["input"]);
            ASSERT_EQ(times.size(), frames);
            for (std::size_t f = 0; f < frames; ++f)
                EXPECT_NEAR(times[f], static_cast<double>(f) / kin.kin.frameRate, 1e-6);
            const auto values = glb.Read(sampler["output"]);
            auto& track = tracks[node];
            track.resize(frames);
            for (std::size_t f = 0; f < frames; ++f) {
                if (channel["target"]["path"] == "translation")
                    track[f].p = {values[3 * f], values[3 * f + 1], values[3 * f + 2]};
                else
                    track[f].q = {values[4 * f], values[4 * f + 1], values[4 * f + 2],
                                  values[4 * f + 3]};
            }
        }
        ASSERT_EQ(tracks.size(), kin.kin.bones.size());
        for (std::size_t f = 0; f < frames; ++f) {
            std::map<int, Rigid> local;
            for (const auto& [node, track] : tracks) local[node] = track[f];
            for (std::size_t b = 0; b < kin.kin.bones.size(); ++b) {
                int node = -1;
                for (std::size_t n = 0; n < doc["nodes"].size(); ++n)
                    if (doc["nodes"][n]["name"] == kin.kin.bones[b].name)
                        node = static_cast<int>(n);
                ASSERT_GE(node, 0);
                const Rigid g = Global(doc, node, local);
                const auto& pose = kin.kin.frames[f].poses[b];
                for (int i = 0; i < 3; ++i) EXPECT_NEAR(g.p[i], pose[i], 1e-5) << f << " " << b;
                EXPECT_NEAR(QDistance(g.q, {-pose[3], -pose[4], -pose[5], pose[6]}), 0.0, 1e-5)
                    << f << " " << b;
            }
        }
    }
}

TEST_F(GltfExportTest, RepairsAreMadeAndReportedOncePerKind) {
    ConvertScene(GeneratedScene(0), folder, "sample");
    DumpFile mesh = ReadDumpFile(folder.File("sample.im"));
    MeshGeometry& quad = mesh.im.chunks[0].geometry;
    quad.normals[0] = {0, 0, 0};  // replaced by the face normal of the quad, (0, 0, 1)
    quad.normals[1] = {0, 0, 2};  // normalised
    // a vertex whose weights sum to 0.5: renormalised
    for (MeshBone& bone : mesh.im.bones)
        for (MeshChunkEntry& e : bone.entries)
            for (MeshWeight& w : e.weights)
                if (e.chunk == 0 && w.vertex == 2)
                    w.weight *= 0.5f;
    const DumpFile kin = ReadDumpFile(folder.File("swing.kin"));
    GltfResult result;
    const Glb glb = Export(mesh, {kin}, &result);
    const auto normals = glb.Read(glb.doc["meshes"][0]["primitives"][0]["attributes"]["NORMAL"]);
    for (int v = 0; v < 2; ++v) {
        EXPECT_EQ(normals[3 * v], 0.0);
        EXPECT_EQ(normals[3 * v + 2], 1.0);
    }
    const auto weights = glb.Read(glb.doc["meshes"][0]["primitives"][0]["attributes"]["WEIGHTS_0"]);
    EXPECT_NEAR(weights[8] + weights[9] + weights[10] + weights[11], 1.0, 1e-6);
    const auto times = glb.Read(glb.doc["animations"][0]["samplers"][0]["input"]);
    EXPECT_NEAR(times[2], 2.0 / 30.0, 1e-7);
    for (const char* warning :
         {"normals were normalised, a zero normal replaced by its face normal",
          "weights were renormalised to sum to 1",
          "a frame rate of 0 was taken as 30 frames per second",
          "vertices without weights were bound to the root joint with weight 1"})
        EXPECT_TRUE(Has(result.warnings, warning)) << warning;
    EXPECT_EQ(result.warnings.size(), 4u);
}

TEST_F(GltfExportTest, TangentsGetWOne) {
    InterchangeBuilder scene = GeneratedScene();
    scene.materials[0].name = "paint.tbump";
    ConvertScene(scene, folder, "bump");
    const Glb glb = Export(ReadDumpFile(folder.File("bump.im")), {});
    const auto& attributes = glb.doc["meshes"][0]["primitives"][0]["attributes"];
    ASSERT_TRUE(attributes.contains("TANGENT"));
    const auto tangents = glb.Read(attributes["TANGENT"]);
    for (std::size_t i = 0; i < tangents.size(); i += 4) {
        EXPECT_NEAR(std::sqrt(tangents[i] * tangents[i] + tangents[i + 1] * tangents[i + 1] +
                              tangents[i + 2] * tangents[i + 2]),
                    1.0, 1e-6);
        EXPECT_EQ(tangents[i + 3], 1.0);
    }
    EXPECT_FALSE(glb.doc["meshes"][0]["primitives"][1]["attributes"].contains("TANGENT"));
}

TEST_F(GltfExportTest, StaticMeshHasNoSkinAndAnimationsAreLeftOut) {
    ConvertTo(ExamplePath("crate_static_materials"), folder.File("crate"));
    ConvertScene(GeneratedScene(), folder, "sample");
    GltfResult result;
    const Glb glb = Export(ReadDumpFile(folder.File("crate.im")),
                           {ReadDumpFile(folder.File("swing.kin"))}, &result);
    EXPECT_FALSE(glb.doc.contains("skins"));
    EXPECT_FALSE(glb.doc.contains("animations"));
    EXPECT_TRUE(Has(result.warnings, "the mesh has no bones: animations were left out"));
}

TEST_F(GltfExportTest, CommandLineWritesTheFileAndItsWarnings) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const std::string out = folder.File("sample.glb");
    DumpRun run = RunDump({folder.File("sample.im"), "--gltf", out, "--kin",
                           folder.File("swing.kin"), "--external-images"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "warning: " + out +
                  ": vertices without weights were bound to the root joint with weight 1\n");
    Glb glb;
    EXPECT_TRUE(glb.Parse(Bytes(ReadWholeFile(out))));
    // a failed export leaves the existing file as it was
    WriteWholeFile(folder.File("broken.im"), "VIRF");
    run = RunDump({folder.File("broken.im"), "--gltf", out});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(glb.Parse(Bytes(ReadWholeFile(out))));
}

// ---------------------------------------------------------------------------------------------
// Embedded images: the generated scene's material "paint" names art/paint.tga through its
// descriptor; the image is written by the test in various forms and places.

void AppendTo(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), size);
}

// A 3 x 2 image with distinct texels, in the format `kind` ("tga", "bmp" or "png").
std::string SmallImage(const std::string& kind, int channels, unsigned char base) {
    std::vector<unsigned char> pixels;
    for (int i = 0; i < 6 * channels; ++i)
        pixels.push_back(static_cast<unsigned char>(base + 37 * i));
    std::string bytes;
    if (kind == "tga")
        stbi_write_tga_to_func(AppendTo, &bytes, 3, 2, channels, pixels.data());
    else if (kind == "bmp")
        stbi_write_bmp_to_func(AppendTo, &bytes, 3, 2, channels, pixels.data());
    else
        stbi_write_png_to_func(AppendTo, &bytes, 3, 2, channels, pixels.data(), 3 * channels);
    return bytes;
}

// The RGBA texels of the document's one image.
std::vector<unsigned char> EmbeddedTexels(const Glb& glb, const GltfResult& result,
                                          std::string& mime) {
    const auto& image = glb.doc["images"][0];
    mime = image.value("mimeType", "");
    EXPECT_FALSE(image.contains("uri"));
    const auto& view = glb.doc["bufferViews"][image["bufferView"].get<int>()];
    const std::size_t bin = 20 + Get32(std::string(result.glb.begin(), result.glb.end()), 12) + 8;
    const std::size_t at = bin + view.value("byteOffset", 0);
    int w = 0, h = 0, c = 0;
    unsigned char* texels =
        stbi_load_from_memory(result.glb.data() + at, view["byteLength"].get<int>(), &w, &h, &c, 4);
    std::vector<unsigned char> out;
    if (texels != nullptr && w == 3 && h == 2)
        out.assign(texels, texels + 24);
    stbi_image_free(texels);
    return out;
}

TEST_F(GltfExportTest, ImagesAreEmbeddedAsPngOrAsTheyAre) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const DumpFile mesh = ReadDumpFile(folder.File("sample.im"));
    const std::string primary =
        FindTextureImage(mesh.path, mesh.im.chunks[0].material.maps[0].fileName).primary;
    struct Case {
        const char* kind;
        const char* where;  // "beside" the .im, or in an --image-dir
        const char* mime;
    };
    const Case cases[] = {{"tga", "beside", "image/png"},
                          {"bmp", "dir", "image/png"},
                          {"png", "beside", "image/png"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::filesystem::remove_all(folder.File("art"));
        std::filesystem::remove_all(folder.File("images"));
        const bool beside = std::string(c.where) == "beside";
        const std::string path =
            beside ? folder.File(primary) : folder.File("images/" + FileNamePart(primary));
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        const std::string bytes = SmallImage(c.kind, 3, 10);
        WriteWholeFile(path, bytes);
        GltfOptions options;
        if (!beside)
            options.imageDirs = {folder.File("nothing"), folder.File("images")};
        const GltfResult result = BuildGlb(mesh, {}, options);
        ASSERT_TRUE(result.ok) << result.error;
        Glb glb;
        ASSERT_TRUE(glb.Parse(result.glb));
        std::string mime;
        const std::vector<unsigned char> texels = EmbeddedTexels(glb, result, mime);
        EXPECT_EQ(mime, c.mime);
        ASSERT_EQ(texels.size(), 24u);
        for (int i = 0; i < 6; ++i) {
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(texels[4 * i + k], static_cast<unsigned char>(10 + 37 * (3 * i + k)))
                    << i;
            EXPECT_EQ(texels[4 * i + 3], 255);
        }
        if (std::string(c.kind) == "png") {  // a PNG goes in byte for byte
            EXPECT_NE(std::string(result.glb.begin(), result.glb.end()).find(bytes),
                      std::string::npos);
        }
    }
}

TEST_F(GltfExportTest, AlphaImageBecomesTheAlphaChannel) {
    ConvertScene(GeneratedScene(), folder, "sample");
    DumpFile mesh = ReadDumpFile(folder.File("sample.im"));
    const std::string name = FileNamePart(mesh.im.chunks[0].material.maps[0].fileName);
    WriteWholeFile(folder.File(name + ".txt"), "Primary=colour.png\nAlpha=mask.tga\nTile=st\n");
    WriteWholeFile(folder.File("colour.png"), SmallImage("png", 3, 10));
    WriteWholeFile(folder.File("mask.tga"), SmallImage("tga", 1, 5));
    const GltfResult result = BuildGlb(mesh, {});
    ASSERT_TRUE(result.ok) << result.error;
    Glb glb;
    ASSERT_TRUE(glb.Parse(result.glb));
    std::string mime;
    const std::vector<unsigned char> texels = EmbeddedTexels(glb, result, mime);
    EXPECT_EQ(mime, "image/png");
    ASSERT_EQ(texels.size(), 24u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(texels[4 * i], static_cast<unsigned char>(10 + 37 * 3 * i)) << i;
        EXPECT_EQ(texels[4 * i + 3], static_cast<unsigned char>(5 + 37 * i)) << i;
    }
}

TEST_F(GltfExportTest, MissingOrUnreadableImageLeavesTheMaterialWithoutOne) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const DumpFile mesh = ReadDumpFile(folder.File("sample.im"));
    const std::string primary =
        FindTextureImage(mesh.path, mesh.im.chunks[0].material.maps[0].fileName).primary;
    for (const bool present : {false, true}) {
        if (present) {
            std::filesystem::create_directories(
                std::filesystem::path(folder.File(primary)).parent_path());
            WriteWholeFile(folder.File(primary), "not an image at all");
        }
        const GltfResult result = BuildGlb(mesh, {});
        ASSERT_TRUE(result.ok) << result.error;
        Glb glb;
        ASSERT_TRUE(glb.Parse(result.glb));
        EXPECT_FALSE(glb.doc.contains("images"));
        const auto& paint = glb.doc["materials"][0]["pbrMetallicRoughness"];
        EXPECT_FALSE(paint.contains("baseColorTexture"));
        const std::string head = "image '" + primary + "' ";
        const auto warning =
            std::find_if(result.warnings.begin(), result.warnings.end(),
                         [&](const std::string& w) { return w.rfind(head, 0) == 0; });
        ASSERT_NE(warning, result.warnings.end()) << present;
        EXPECT_NE(warning->find(present ? "not an image stb reads" : "not found beside the .im"),
                  std::string::npos)
            << *warning;
    }
}

TEST_F(GltfExportTest, WriteFailureNamesTheSystemsReason) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const GltfResult result =
        ExportGlb(ReadDumpFile(folder.File("sample.im")), {}, folder.File("absent/dir/out.glb"));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "cannot write '" + folder.File("absent/dir/out.glb") +
                                "': No such file or directory");
}

}  // namespace
