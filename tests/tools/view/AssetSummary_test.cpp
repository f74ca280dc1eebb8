// AssetSummary and AssetCatalog: which animations fit a mesh, counts of a converted example,
// and damaged files summarised with their error instead of failing.
#include "tools/view/AssetSummary.h"

#include <gtest/gtest.h>

#include "ViewTestFiles.h"
#include "tools/view/AssetCatalog.h"

namespace {

DumpFile MeshWithBones(std::vector<std::string> influenceBones, std::vector<std::string> tree) {
    DumpFile file;
    file.kind = DumpKind::IndexedMesh;
    for (auto& name : influenceBones) file.im.bones.push_back(MeshBone{0, name, "", {}, {}, {}});
    for (auto& name : tree) file.im.skeleton.push_back(TreeBone{0, name});
    return file;
}

DumpFile AnimationOf(std::vector<std::string> bones) {
    DumpFile file;
    file.kind = DumpKind::Animation;
    for (auto& name : bones) file.kin.bones.push_back(TreeBone{0, name});
    return file;
}

}  // namespace

TEST(AssetSummary, AnimationFitsWhenEveryBoneIsInTheMeshIgnoringCase) {
    const DumpFile mesh = MeshWithBones({"b.Pole", "b.cloth"}, {"b.tree"});
    struct Case {
        std::vector<std::string> bones;
        bool fits;
    } cases[] = {
        {{"b.pole", "B.CLOTH"}, true},  // case ignored
        {{"b.pole"}, true},             // a subset fits
        {{"b.tree"}, true},             // a bone of the stored tree
        {{"b.pole", "b.flag"}, false},  // one bone the mesh lacks
        {{}, false},                    // nothing to animate
        {{"b.pol"}, false},             // a prefix is not the name
    };
    for (const Case& c : cases)
        EXPECT_EQ(AnimationFitsMesh(AnimationOf(c.bones), mesh), c.fits) << c.bones.size();
    EXPECT_FALSE(AnimationFitsMesh(AnimationOf({"b.pole"}), MeshWithBones({}, {})));
}

TEST(AssetCatalog, SummarisesTheExampleAndEachDamagedCopy) {
    const ViewFixture fixture;
    // An animation of other bones beside the mesh is not offered.
    WriteWholeFile((fixture.assets / "other.kin").string(),
                   ReadWholeFile((fixture.assets / "wave.kin").string()));
    std::string other = ReadWholeFile((fixture.assets / "other.kin").string());
    for (std::size_t at = other.find("b.cloth"); at != std::string::npos;
         at = other.find("b.cloth"))
        other.replace(at, 7, "b.sheet");
    WriteWholeFile((fixture.assets / "other.kin").string(), other);

    AssetCatalog catalog({fixture.assets}, fixture.scratch.Dir() / "cache");
    EXPECT_EQ(catalog.List(), (std::vector<std::string>{"0/bad_index.im", "0/flag.im",
                                                        "0/truncated.im", "0/wrong_form.im"}));
    const auto flag = catalog.Summary("0/flag.im");
    ASSERT_TRUE(flag);
    EXPECT_EQ(flag->error, "");
    // The flag: one material, two triangles over four corners, two bones (see the example).
    EXPECT_EQ(flag->chunks, 1u);
    EXPECT_EQ(flag->triangles, 2u);
    EXPECT_EQ(flag->vertices, 4u);
    EXPECT_EQ(flag->bones, 2u);
    EXPECT_EQ(flag->kins, std::vector<std::string>{"wave.kin"});
    EXPECT_EQ(flag->size, std::filesystem::file_size(fixture.assets / "flag.im"));

    for (const char* name : {"0/truncated.im", "0/wrong_form.im", "0/bad_index.im"}) {
        const auto damaged = catalog.Summary(name);
        ASSERT_TRUE(damaged) << name;
        EXPECT_EQ(damaged->error.rfind("error: " + damaged->title + ": ", 0), 0u) << damaged->error;
    }
    EXPECT_NE(catalog.Summary("0/bad_index.im")->error.find("999"), std::string::npos);
    EXPECT_NE(catalog.Summary("0/wrong_form.im")->error.find("ABCD"), std::string::npos);
    EXPECT_FALSE(catalog.Glb("0/truncated.im", {}).bytes);
    EXPECT_FALSE(catalog.Summary("0/../assets/flag.im"));
}

TEST(AssetCatalog, ConvertsAnInterchangeFileOnOpenAndKeepsItsLog) {
    const ViewFixture fixture;
    std::filesystem::copy_file(ExamplePath("flag_skinned_global"), fixture.assets / "flag.xml");
    WriteWholeFile((fixture.assets / "broken.xml").string(), "<vantokImport><version>1");
    AssetCatalog catalog({fixture.assets / "flag.xml", fixture.assets / "broken.xml"},
                         fixture.scratch.Dir() / "cache");
    EXPECT_EQ(catalog.List(), (std::vector<std::string>{"0/flag.xml", "1/broken.xml"}));
    const auto flag = catalog.Summary("0/flag.xml");
    EXPECT_EQ(flag->error, "");
    EXPECT_EQ(flag->triangles, 2u);
    EXPECT_EQ(flag->kins, std::vector<std::string>{"wave.kin"});
    EXPECT_FALSE(flag->log.empty());
    EXPECT_TRUE(catalog.Glb("0/flag.xml", {"wave.kin"}).bytes);
    const auto broken = catalog.Summary("1/broken.xml");
    EXPECT_EQ(broken->error.rfind("error: broken.xml: ", 0), 0u) << broken->error;
    EXPECT_FALSE(broken->log.empty());
}
