// The export interface: the null implementation's answers and the referenced-texture list.
#include "MeshAnimConverter/report/ExportUserInterface.h"

#include <gtest/gtest.h>

TEST(ExportUserInterface, NullInterfaceAnswersNo) {
    NullExportUserInterface ui;
    ui.ShowStatus("Building chunks");
    ui.ShowProgress(0.5f);
    EXPECT_FALSE(ui.Query());
    EXPECT_FALSE(ui.Ask("Overwrite?", 1, 0));
    EXPECT_FALSE(ui.Ask("Notice", 0, 0));
}

TEST(ExportUserInterface, ReferencedTexturesAreKeptOnceIgnoringCase) {
    NullExportUserInterface ui;
    ui.AddReferencedTexture("wood.tga");
    ui.AddReferencedTexture("WOOD.TGA");
    ui.AddReferencedTexture("stone.tga");
    ASSERT_EQ(ui.ReferencedTextures().Count(), 2);
    EXPECT_STREQ(ui.ReferencedTextures()[0].c_str(), "wood.tga");
    EXPECT_STREQ(ui.ReferencedTextures()[1].c_str(), "stone.tga");
}
