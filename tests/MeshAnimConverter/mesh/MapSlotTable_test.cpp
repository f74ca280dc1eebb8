// The texture map slot table.
#include "MeshAnimConverter/mesh/MapSlotTable.h"

#include <gtest/gtest.h>

namespace {

TEST(MapSlotTable, NamesAndNumbers) {
    const struct {
        const char* name;
        int slot;
    } cases[] = {{"invalid", -1},     {"ambient", 0},       {"diffuse", 1},   {"specular", 2},
                 {"shine", 3},        {"shinestrength", 4}, {"selfillum", 5}, {"opacity", 6},
                 {"filtercolor", 7},  {"bump", 8},          {"reflect", 9},   {"refract", 10},
                 {"displacement", 11}};
    for (const auto& c : cases) {
        EXPECT_EQ(FindMapSlot(c.name), c.slot) << c.name;
        EXPECT_STREQ(MapSlotName(c.slot), c.name);
    }
}

TEST(MapSlotTable, MatchIsExactAndLowerCase) {
    EXPECT_EQ(FindMapSlot("Diffuse"), -1);
    EXPECT_EQ(FindMapSlot("diffuse "), -1);
    EXPECT_EQ(FindMapSlot("unnamed"), -1);
    EXPECT_EQ(FindMapSlot(""), -1);
    EXPECT_EQ(FindMapSlot(nullptr), -1);
    EXPECT_EQ(MapSlotName(12), nullptr);
}

}  // namespace
