// MaterialMaps: a chunk's texture maps as the MATL writer handles them, with names of any
// length, the material's reference name, and the descriptors of all its maps.
//
// BuildMaterialReferenceName gives the first string of the MATL chunk: the lower-cased material
// name when it contains "m.", otherwise "*base*HEX*name*m." and a suffix telling the engine which
// shader family the maps ask for. WriteMaterialTextureDescriptors writes a descriptor for every
// map that is neither diffuse nor opacity, in order, and then one for the last diffuse map with
// the last opacity map folded in as its alpha image, rewriting those maps' names.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/gtString.h"

class R250Random;
struct TextureDescriptorState;

struct DescriptorMap {
    int32_t slot = -1;
    uint8_t tiling = 0;  // bit 0 tile in s, bit 1 tile in t
    gtString fileName;
    float amount = 1.0f;
};

gtString BuildMaterialReferenceName(const gtString& materialName,
                                    const std::vector<DescriptorMap>& maps,
                                    const gtString& baseName, R250Random& random);

// Returns whether the material has an opacity map; false with no maps.
bool WriteMaterialTextureDescriptors(std::vector<DescriptorMap>& maps,
                                     TextureDescriptorState& state);
