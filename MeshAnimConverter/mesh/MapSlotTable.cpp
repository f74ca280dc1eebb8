// The texture map slot table.
#include "MeshAnimConverter/mesh/MapSlotTable.h"

#include <cstring>

namespace {

struct SlotEntry {
    const char* name;
    int slot;
};

constexpr SlotEntry kSlots[] = {
    {"invalid", kMapSlotInvalid},
    {"ambient", kMapSlotAmbient},
    {"diffuse", kMapSlotDiffuse},
    {"specular", kMapSlotSpecular},
    {"shine", kMapSlotShine},
    {"shinestrength", kMapSlotShineStrength},
    {"selfillum", kMapSlotSelfIllum},
    {"opacity", kMapSlotOpacity},
    {"filtercolor", kMapSlotFilterColor},
    {"bump", kMapSlotBump},
    {"reflect", kMapSlotReflect},
    {"refract", kMapSlotRefract},
    {"displacement", kMapSlotDisplacement},
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

int FindMapSlot(const char* typeName) {
    if (typeName == nullptr) {
        return kMapSlotInvalid;
    }
    for (const SlotEntry& entry : kSlots) {
        if (std::strcmp(entry.name, typeName) == 0) {
            return entry.slot;
        }
    }
    return kMapSlotInvalid;
}

const char* MapSlotName(int slot) {
    for (const SlotEntry& entry : kSlots) {
        if (entry.slot == slot) {
            return entry.name;
        }
    }
    return nullptr;
}
