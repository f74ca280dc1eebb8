// Material reference names and the descriptors of a material's maps.
#include "MeshAnimConverter/mesh/MaterialMaps.h"

#include <cstdio>

#include "MeshAnimConverter/mesh/MapSlotTable.h"
#include "MeshAnimConverter/mesh/R250Random.h"
#include "MeshAnimConverter/mesh/TextureDescriptorWriter.h"

namespace {

bool Contains(const gtString& text, const char* part) {
    return text.Find(part) >= 0;
}

const char* ReferenceSuffix(const std::vector<DescriptorMap>& maps) {
    if (maps.empty()) {
        return "notex";
    }
    bool hasDiffuse = false;
    bool hasAlpha = false;
    bool hasReflect = false;
    bool billboard = false;
    bool triBillboard = false;
    for (const DescriptorMap& map : maps) {
        if (map.slot == kMapSlotDiffuse) {
            hasDiffuse = true;
            if (Contains(map.fileName, ".texture") && Contains(map.fileName, "-")) {
                hasAlpha = true;
            }
            if (!map.fileName.IsEmpty()) {
                if (Contains(map.fileName, "sb_")) {
                    billboard = true;
                } else if (Contains(map.fileName, "tb_")) {
                    triBillboard = true;
                }
            }
        } else if (map.slot == kMapSlotOpacity) {
            hasAlpha = true;
        } else if (map.slot == kMapSlotReflect) {
            hasReflect = true;
        }
    }
    if (hasReflect) {
        return hasAlpha ? "gloss" : "reflect";
    }
    if (triBillboard) {
        return "tribillboard";
    }
    if (billboard) {
        return "billboard";
    }
    return hasDiffuse ? "onetex" : "notex";
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

gtString BuildMaterialReferenceName(const gtString& materialName,
                                    const std::vector<DescriptorMap>& maps,
                                    const gtString& baseName, R250Random& random) {
    if (Contains(materialName, "m.")) {
        return materialName.Lowered();
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", random.Next());
    gtString name = "*";
    name += baseName;
    name += "*";
    name += hex;
    name += "*";
    name += materialName.Lowered();
    name += "*m.";
    name += ReferenceSuffix(maps);
    return name;
}

bool WriteMaterialTextureDescriptors(std::vector<DescriptorMap>& maps,
                                     TextureDescriptorState& state) {
    if (maps.empty()) {
        return false;
    }
    DescriptorMap* diffuse = nullptr;
    DescriptorMap* opacity = nullptr;
    for (DescriptorMap& map : maps) {
        if (map.slot == kMapSlotDiffuse) {
            diffuse = &map;
        } else if (map.slot == kMapSlotOpacity) {
            opacity = &map;
        } else {
            WriteTextureDescriptor(state, map.fileName, map.tiling, nullptr);
        }
    }
    if (diffuse != nullptr) {
        WriteTextureDescriptor(state, diffuse->fileName, diffuse->tiling,
                               opacity != nullptr ? &opacity->fileName : nullptr);
    }
    return opacity != nullptr;
}
