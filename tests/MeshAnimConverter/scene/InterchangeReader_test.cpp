// The interchange reader, block by block: the file and root checks, the mesh with its stream and
// weight rules, face normals, attachments, materials and texture layers, material ids, and the
// log lines (texts, levels and order) each warning and error path produces.
#include "MeshAnimConverter/scene/InterchangeReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "tests/MeshAnimConverter/scene/ReaderTestSupport.h"

namespace {

using Lines = std::vector<std::string>;

std::string InfoReading(const std::string& path) {
    return "Info: Reading input file: '" + path + "'";
}

// ---------------------------------------------------------------- file and root

TEST(InterchangeReader, MissingFileFailsWithOneError) {
    LogCapture log;
    SceneData scene;
    int32_t version = 0;
    const std::string path =
        (std::filesystem::temp_directory_path() / "vantok_no_such_dir/none.xml").string();
    EXPECT_FALSE(ReadInterchangeFile(path.c_str(), version, scene, programLog, TestPreparer()));
    EXPECT_EQ(log.Lines(), Lines{"Error: Failed to open file: '" + path + "'"});
}

TEST(InterchangeReader, BrokenXmlLogsBothErrors) {
    TempInput input("<vantokImport><version>1</version>\n<mesh></vantokImport>");
    LogCapture log;
    SceneData scene;
    int32_t version = 0;
    EXPECT_FALSE(
        ReadInterchangeFile(input.Path().c_str(), version, scene, programLog, TestPreparer()));
    const Lines lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], InfoReading(input.Path()));
    EXPECT_EQ(lines[1], "Error: Failed to read file: '" + input.Path() + "'");
    EXPECT_EQ(lines[2].rfind("Error: XML parser error: ", 0), 0u) << lines[2];
    EXPECT_GT(lines[2].size(), std::string("Error: XML parser error: ").size());
    EXPECT_EQ(programLog.numErrors, 2);
}

TEST(InterchangeReader, RejectsOtherRootsAndVersions) {
    struct Case {
        std::string xml;
        std::string error;
        int32_t version;
    };
    const Case cases[] = {
        {"<other><version>1</version></other>", "Error: Invalid XML file file: '%s'", 0},
        {"<VantokImport><version>1</version></VantokImport>", "Error: Invalid XML file file: '%s'",
         0},
        {"<vantokImport><mesh/></vantokImport>", "Error: Incompatible file version (0)", 0},
        {"<vantokImport><version>2</version></vantokImport>",
         "Error: Incompatible file version (2)", 2},
        {"<vantokImport><version> 1x</version></vantokImport>", "", 1},
    };
    for (const Case& c : cases) {
        SceneData scene;
        TempInput input(c.xml);
        LogCapture log;
        int32_t version = 0;
        const bool ok =
            ReadInterchangeFile(input.Path().c_str(), version, scene, programLog, TestPreparer());
        EXPECT_EQ(version, c.version) << c.xml;
        if (c.error.empty()) {
            // Version accepted: the next complaint is the missing mesh.
            EXPECT_FALSE(ok);
            EXPECT_EQ(log.Problems(), Lines{"Error: invalid XML node (Mesh)"});
            continue;
        }
        EXPECT_FALSE(ok);
        std::string error = c.error;
        const size_t at = error.find("%s");
        if (at != std::string::npos) {
            error.replace(at, 2, input.Path());
        }
        EXPECT_EQ(log.Lines(), (Lines{InfoReading(input.Path()), error})) << c.xml;
    }
}

TEST(InterchangeReader, WarnsAboutRepeatedBlocksInOrderAndUsesTheFirst) {
    SceneData scene;
    const std::string secondMesh = "<mesh><name>second</name><triangles/></mesh>";
    const std::string attachments =
        "<attachments><attachment><name>a.one</name></attachment></attachments>"
        "<attachments><attachment><name>a.two</name></attachment></attachments>";
    const std::string mesh = "<mesh><name>first</name><triangles>" +
                             Triangle(Corner("0,0,0"), Corner("1,0,0"), Corner("0,1,0")) +
                             "</triangles>" + attachments + "</mesh>";
    const std::string xml =
        Document(mesh + secondMesh, SimpleMaterials() + SimpleMaterials(),
                 "<skeleton/><skeleton><bones><bone><name>b.x</name></bone></bones></skeleton>");
    const ReadResult r = ReadText(xml, scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(
        r.problems,
        (Lines{"Warning: Multiple <mesh> blocks found, only the first will be used.",
               "Warning: Multiple <materials> blocks found, only the first will be used.",
               "Warning: Multiple <skeleton> blocks found, only the first will be used.",
               "Warning: Multiple <attachments> blocks found, only the first will be used."}));
    EXPECT_STREQ(scene.meshName.c_str(), "first");
    ASSERT_EQ(scene.attachments.Count(), 1);
    EXPECT_STREQ(scene.attachments[0].name.c_str(), "a.one");
    EXPECT_EQ(scene.materials.Count(), 1);
    EXPECT_EQ(scene.bones.Count(), 0);  // the first skeleton has no bones block
    EXPECT_EQ(scene.rootBoneIndex, 0);
}

TEST(InterchangeReader, MissingRequiredBlocks) {
    struct Case {
        std::string xml;
        Lines tail;  // the lines after "Reading input file"
    };
    const Case cases[] = {
        {Document("", SimpleMaterials()), {"Error: invalid XML node (Mesh)"}},
        {Document("<mesh><name>m</name></mesh>", SimpleMaterials()),
         {"Error: Expecting triangle node"}},
        {Document(SimpleMesh(), ""), {"Info: Read Mesh", "Error: Invalid XML node (Materials)"}},
        {Document("<Mesh/>" + SimpleMesh(), SimpleMaterials(),
                  "<animations><animation><name>a</name></animation>"
                  "<animation><name>b</name></animation></animations>"),
         {"Info: Read Mesh", "Info: Read Materials", "Error: Expect animation track(s)"}},
    };
    for (const Case& c : cases) {
        SceneData scene;
        const ReadResult r = ReadText(c.xml, scene);
        EXPECT_FALSE(r.ok);
        ASSERT_FALSE(r.lines.empty());
        const Lines tail(r.lines.begin() + 1, r.lines.end());
        EXPECT_EQ(tail, c.tail) << c.xml;
    }
}

TEST(InterchangeReader, InfoLinesOfACompleteRead) {
    SceneData scene;
    const ReadResult r =
        ReadText(Document(SimpleMesh(), SimpleMaterials(),
                          "<skeleton><bones><bone><name>b.root</name></bone></bones></skeleton>"
                          "<animations><animation><animationTracks/></animation><other/>"
                          "<animation><animationTracks/></animation></animations>"),
                 scene);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.lines.size(), 8u);
    EXPECT_EQ(Lines(r.lines.begin() + 1, r.lines.end()),
              (Lines{"Info: Read Mesh", "Info: Read Materials", "Info: Read Skeleton",
                     "Warning: No animation track for bone 'b.root'", "Info: Read Animation (1)",
                     "Warning: No animation track for bone 'b.root'", "Info: Read Animation (2)"}));
    EXPECT_EQ(r.fileVersion, 1);
}

// ---------------------------------------------------------------- triangles

TEST(InterchangeReader, TriangleVertexCount) {
    {
        SceneData scene;
        const std::string four =
            "<triangle><vertex><position>1,0,0</position></vertex><junk/>"
            "<vertex><position>2,0,0</position></vertex><vertex><position>3,0,0</position></vertex>"
            "<vertex><position>4,0,0</position></vertex></triangle>";
        const ReadResult r = ReadText(
            Document("<mesh><triangles>" + four + "</triangles></mesh>", SimpleMaterials()), scene);
        ASSERT_TRUE(r.ok);
        EXPECT_EQ(
            r.problems,
            Lines{"Warning: Expecting 3 vertices per triangle. Only the first 3 will be used."});
        ASSERT_EQ(scene.triangles.Count(), 1);
        EXPECT_EQ(scene.triangles[0].vertices[2].position.x, 3.0f);
        EXPECT_STREQ(scene.meshName.c_str(), "unnamed");
    }
    {
        SceneData scene;
        const std::string two = "<triangle><vertex/><vertex/></triangle>";
        const ReadResult r = ReadText(
            Document("<mesh><triangles>" + two + "</triangles></mesh>", SimpleMaterials()), scene);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.lines.back(), "Error: Expecting 3 vertices per triangle");
        EXPECT_EQ(r.problems.size(), 1u);
    }
}

TEST(InterchangeReader, VertexChannelsFollowTheFirstChildAndStreamRules) {
    SceneData scene;
    const std::string a =
        "<position stream=\"1\">1, 2, 3</position>"  // first child, whatever its stream
        "<normal>0, 0, 1</normal><normal stream=\"0\">0, 1, 0</normal>"  // last stream-0 wins
        "<texcoord stream=\"2\">9, 9</texcoord><texcoord>0.25, 0.5</texcoord>"
        "<boneId stream=\"3\">7</boneId><blend stream=\"3\">2</blend>"
        "<boneId stream=\"-1\">5</boneId><blend stream=\"4\">9</blend>"  // out of range: ignored
        "<boneId>4</boneId><blend stream=\"\">2</blend>";  // missing or empty stream: 0
    const std::string b =
        "<position>0,0,0</position><boneId stream=\"+1\">8</boneId>"
        "<blend stream=\" 1\">1</blend><blend stream=\"0\">1</blend>";
    const std::string c = "<position>0,1,0</position><blend stream=\"0\">-1</blend>";
    const ReadResult r =
        ReadText(Document("<mesh><triangles>" + Triangle(a, b, c) + "</triangles></mesh>",
                          SimpleMaterials()),
                 scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.problems, Lines{});
    const SceneVertex& v0 = scene.triangles[0].vertices[0];
    EXPECT_EQ(v0.position, (gtVector3{1, 2, 3}));
    EXPECT_EQ(v0.normal, (gtVector3{0, 1, 0}));
    EXPECT_EQ(v0.texcoord.u, 0.25f);
    EXPECT_EQ(v0.texcoord.v, 0.5f);
    EXPECT_EQ(v0.boneId[0], 4);
    EXPECT_EQ(v0.boneId[3], 7);
    EXPECT_EQ(v0.blend[0], 0.5f);  // 2 and 2 of 4
    EXPECT_EQ(v0.blend[1], 0.0f);
    EXPECT_EQ(v0.blend[3], 0.5f);
    const SceneVertex& v1 = scene.triangles[0].vertices[1];
    EXPECT_EQ(v1.boneId[1], 8);
    EXPECT_EQ(v1.blend[0], 0.5f);  // 1, 1, 0, 0 -> 0.5, 0.5, 0, 0
    EXPECT_EQ(v1.blend[1], 0.5f);
    const SceneVertex& v2 = scene.triangles[0].vertices[2];
    for (float w : v2.blend) {
        EXPECT_EQ(w, 0.0f);  // a sum that is not above 0 clears every weight
    }
}

TEST(InterchangeReader, WeightsScaleByTheReciprocalOfTheirSum) {
    SceneData scene;
    const std::string a =
        "<position>0,0,0</position><blend stream=\"0\">1</blend>"
        "<blend stream=\"1\">1</blend><blend stream=\"2\">1</blend>";
    const ReadResult r =
        ReadText(Document("<mesh><triangles>" + Triangle(a, Corner("1,0,0"), Corner("0,1,0")) +
                              "</triangles></mesh>",
                          SimpleMaterials()),
                 scene);
    ASSERT_TRUE(r.ok);
    const float third = 1.0f * (1.0f / 3.0f);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(scene.triangles[0].vertices[0].blend[s], third);
    }
}

TEST(InterchangeReader, ZeroNormalsBecomeTheFaceNormal) {
    SceneData scene;
    const std::string mesh =
        "<mesh><triangles>" +
        Triangle("<position>1,0,0</position>", "<position>1,1,1</position><normal>0,0,0</normal>",
                 "<position>1,0,1</position><normal>0,2,0</normal>") +
        Triangle("<position>1,1,1</position>", "<position>2,2,2</position>",
                 "<position>3,3,3</position>") +
        "</triangles></mesh>";
    const ReadResult r = ReadText(Document(mesh, SimpleMaterials()), scene);
    ASSERT_TRUE(r.ok);
    // (p2 - p1) x (p0 - p1) = (0, -1, 0) x (0, -1, -1) = (1, 0, 0).
    EXPECT_EQ(scene.triangles[0].vertices[0].normal, (gtVector3{1, 0, 0}));
    EXPECT_EQ(scene.triangles[0].vertices[1].normal, (gtVector3{1, 0, 0}));
    EXPECT_EQ(scene.triangles[0].vertices[2].normal, (gtVector3{0, 2, 0}));  // kept as given
    for (const SceneVertex& v : scene.triangles[1].vertices) {
        EXPECT_EQ(v.normal, (gtVector3{0, 0, 0}));  // degenerate: zero
    }
}

TEST(InterchangeReader, VectorTextsAndLexerErrors) {
    SceneData scene;
    const std::string mesh =
        "<mesh><triangles>" +
        Triangle("<position>1 2 3</position>", "<position>1, 2, 3</position>",
                 "<position>+1, 2, 3</position><normal/><texcoord>0.5</texcoord>") +
        "</triangles></mesh>";
    const ReadResult r = ReadText(Document(mesh, SimpleMaterials()), scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(scene.triangles[0].vertices[0].position, (gtVector3{1, 2, 3}));
    EXPECT_EQ(scene.triangles[0].vertices[1].position, (gtVector3{1, 2, 3}));
    EXPECT_EQ(scene.triangles[0].vertices[2].position, (gtVector3{0, 1, 2}));
    EXPECT_EQ(scene.triangles[0].vertices[2].texcoord.u, 0.5f);
    EXPECT_EQ(scene.triangles[0].vertices[2].texcoord.v, 0.0f);
    // "+": one box; the empty normal: three; the short pair: one. Each of these first children
    // has stream 0, so it is read a second time in the stream pass and reports again. None
    // counts as a log error.
    const std::string plus = "Parse Error file: , line 1: expected float, found '+'";
    const std::string missing = "Parse Error file: , line 1: couldn't read expected float";
    EXPECT_EQ(r.boxes, (Lines{plus, missing, missing, missing, missing, plus, missing, missing,
                              missing, missing}));
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(r.problems, Lines{});
}

// ---------------------------------------------------------------- attachments

TEST(InterchangeReader, AttachmentsDefaultsAndOrientations) {
    SceneData scene;
    const std::string mesh =
        "<mesh><triangles>" + Triangle(Corner("0,0,0"), Corner("1,0,0"), Corner("0,1,0")) +
        "</triangles><attachments><attachment/><other/>"
        "<attachment><name>a.q</name><position>1,2,3</position>"
        "<orientation>0, 0, 0, 2</orientation></attachment>"
        "<attachment><orientation format=\"AxisAngle\">0, 0, 1, 0</orientation></attachment>"
        "</attachments></mesh>";
    const ReadResult r = ReadText(Document(mesh, SimpleMaterials()), scene);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(scene.attachments.Count(), 3);
    EXPECT_STREQ(scene.attachments[0].name.c_str(), "a.unnamed");
    EXPECT_EQ(scene.attachments[0].orientation, (gtQuat{0, 0, 0, 1}));
    EXPECT_EQ(scene.attachments[1].position, (gtVector3{1, 2, 3}));
    EXPECT_EQ(scene.attachments[1].orientation, (gtQuat{0, 0, 0, 1}));
    EXPECT_EQ(scene.attachments[2].orientation, (gtQuat{0, 0, 0, 1}));  // angle 0 keeps identity
}

// ---------------------------------------------------------------- materials

TEST(InterchangeReader, MaterialsTexturesAndDefaults) {
    SceneData scene;
    const std::string materials =
        "<materials><material/><junk/>"
        "<material><name></name><id>3</id><ambient>0.1,0.2,0.3</ambient><diffuse>1,1,1</diffuse>"
        "<specular>0,0,1</specular><emissive>0.5,0,0</emissive><shine>0.75</shine>"
        "<twoSided>TRUE </twoSided><opacity>0.5</opacity>"
        "<textures><texture/><anything><textureName>Tex.TGA</textureName>"
        "<typeName>DiffUse</typeName><tileU> true</tileU><tileV>false</tileV>"
        "<layerOpacity>0.25</layerOpacity></anything><layer><tileU>yes</tileU>"
        "<typeName></typeName></layer></textures><textures><texture/></textures></material>"
        "</materials>";
    const ReadResult r = ReadText(Document(SimpleMesh(), materials), scene);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(scene.materials.Count(), 2);
    const SceneMaterial& d = scene.materials[0];
    EXPECT_STREQ(d.name.c_str(), "unnamed");
    EXPECT_EQ(d.id, 0);
    EXPECT_EQ(d.opacity, 1.0f);
    EXPECT_EQ(d.shine, 0.0f);
    EXPECT_EQ(d.twoSided, 0);
    EXPECT_EQ(d.textures.Count(), 0);
    const SceneMaterial& m = scene.materials[1];
    EXPECT_STREQ(m.name.c_str(), "");  // present but empty
    EXPECT_EQ(m.id, 1);                // replaced by its index
    EXPECT_EQ(m.ambient, (gtVector3{0.1f, 0.2f, 0.3f}));
    EXPECT_EQ(m.specular, (gtVector3{0, 0, 1}));
    EXPECT_EQ(m.emissive, (gtVector3{0.5f, 0, 0}));
    EXPECT_EQ(m.shine, 0.75f);
    EXPECT_EQ(m.twoSided, 1);
    EXPECT_EQ(m.opacity, 0.5f);
    ASSERT_EQ(m.textures.Count(), 3);  // every child of the first textures, whatever its name
    EXPECT_STREQ(m.textures[0].textureName.c_str(), "unnamed");
    EXPECT_STREQ(m.textures[0].typeName.c_str(), "unnamed");
    EXPECT_EQ(m.textures[0].tileU, 1);
    EXPECT_EQ(m.textures[0].tileV, 1);
    EXPECT_EQ(m.textures[0].layerOpacity, 1.0f);
    EXPECT_STREQ(m.textures[1].textureName.c_str(), "Tex.TGA");
    EXPECT_STREQ(m.textures[1].typeName.c_str(), "diffuse");
    EXPECT_EQ(m.textures[1].tileU, 1);
    EXPECT_EQ(m.textures[1].tileV, 0);
    EXPECT_EQ(m.textures[1].layerOpacity, 0.25f);
    EXPECT_EQ(m.textures[2].tileU, 1);  // "yes" leaves the default
    EXPECT_STREQ(m.textures[2].typeName.c_str(), "");
}

TEST(InterchangeReader, MaterialIdsResolveToIndices) {
    SceneData scene;
    const std::string mesh =
        "<mesh><triangles>" + Triangle(Corner("0,0,0"), Corner("1,0,0"), Corner("0,1,0"), 7) +
        Triangle(Corner("0,0,0"), Corner("1,0,0"), Corner("0,1,0"), 99) +
        Triangle(Corner("0,0,0"), Corner("1,0,0"), Corner("0,1,0"), -4) + "</triangles></mesh>";
    const std::string materials =
        "<materials><material><id>-4</id></material><material><id>7</id></material>"
        "<material><id>7</id></material></materials>";
    const ReadResult r = ReadText(Document(mesh, materials), scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(scene.triangles[0].materialId, 2);  // the later material with id 7
    EXPECT_EQ(scene.triangles[1].materialId, 0);  // no such id: material 0
    EXPECT_EQ(scene.triangles[2].materialId, 0);
    EXPECT_EQ(scene.materialIndexById.size(), 2u);
    EXPECT_EQ(scene.materialIndexById.at(7), 2);
    EXPECT_EQ(scene.materialIndexById.at(-4), 0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(scene.materials[i].id, i);
    }
}

TEST(InterchangeReader, ReadsAHundredThousandTriangles) {
    std::string mesh = "<mesh><name>big</name><triangles>\n";
    const int count = 100000;
    mesh.reserve(static_cast<size_t>(count) * 420);
    for (int i = 0; i < count; ++i) {
        const std::string x = std::to_string(i);
        mesh += "<triangle><materialId>" + std::to_string(i % 2) +
                "</materialId>\n<vertex><position>" + x +
                ", 0, 0</position><normal>0, 0, 1</normal><texcoord>0, 0</texcoord>"
                "<boneId stream=\"0\">0</boneId><blend stream=\"0\">1</blend></vertex>\n"
                "<vertex><position>" +
                x +
                ", 1, 0</position><normal>0, 0, 1</normal>"
                "<texcoord>1, 0</texcoord></vertex>\n<vertex><position>" +
                x +
                ", 1, 1</position><normal>0, 0, 1</normal><texcoord>1, 1</texcoord></vertex>"
                "</triangle>\n";
    }
    mesh += "</triangles></mesh>";
    SceneData scene;
    const ReadResult r = ReadText(
        Document(mesh,
                 "<materials><material><id>0</id></material><material><id>1</id></material>"
                 "</materials>"),
        scene);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(scene.triangles.Count(), count);
    EXPECT_EQ(scene.triangles[count - 1].vertices[2].position, (gtVector3{99999, 1, 1}));
    EXPECT_EQ(scene.triangles[count - 1].materialId, 1);
    EXPECT_EQ(scene.triangles[0].vertices[0].blend[0], 1.0f);
    EXPECT_EQ(r.problems, Lines{});
}

}  // namespace

TEST(InterchangeReader, FirstChildOfAnotherStreamIsReadOnce) {
    SceneData scene;
    // The first position has stream 1: it is read as the first child only; the later stream-0
    // position is read in the stream pass and wins.
    const std::string corner =
        "<position stream=\"1\">+1, 2, 3</position><position>4, 5, 6</position>";
    const std::string mesh =
        "<mesh><triangles>" +
        Triangle(corner, "<position>1, 0, 0</position>", "<position>0, 1, 0</position>") +
        "</triangles></mesh>";
    const ReadResult r = ReadText(Document(mesh, SimpleMaterials()), scene);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(scene.triangles[0].vertices[0].position, (gtVector3{4, 5, 6}));
    EXPECT_EQ(r.boxes, (Lines{"Parse Error file: , line 1: expected float, found '+'"}));
}
