// TextureDescriptorWriter: the `.texture.txt` descriptors written next to an .im file.
//
// The engine loads a texture through a small text descriptor naming the image, an optional
// alpha image and the tiling. For one map (and optionally the opacity map folded into it as
// its alpha image) WriteTextureDescriptor writes that descriptor in the folder of the .im file
// and rewrites the map's file name into the `.texture` reference the .im file stores. Existing
// descriptors are replaced or kept according to the two overwrite flags and the answers of the
// user interface. A descriptor is written beside its target and renamed into place, so a failed
// write leaves any old descriptor as it was and no temporary file; an existing descriptor that
// is not writable is kept. Nothing here fails the caller: a descriptor that cannot be written is
// reported as a notice through the interface and the name is rewritten all the same. Names and
// paths have no length limit.
#pragma once

#include <cstdint>

#include "toolkit/gtString.h"

class ExportUserInterface;
class gtLineSink;

// What lives for one .im file.
struct TextureDescriptorState {
    gtString imPath;                    // the target .im path (never a temporary file)
    ExportUserInterface* ui = nullptr;  // questions, notices and the referenced-texture list
    bool askAboutAll = false;           // the "overwrite all" question is still to be asked
    bool overwriteAll = true;           // replace existing descriptors without asking
    gtLineSink* written = nullptr;      // told the path of each descriptor written (optional)
};

// Writes the descriptor of the map named `mapFileName` with tiling bits `tiling` (bit 0 s,
// bit 1 t), and `alphaFileName` (may be null) as its alpha image; then rewrites `mapFileName`
// to the descriptor's `.texture` reference. A name that already contains ".texture" is left
// as it is and no descriptor is written.
void WriteTextureDescriptor(TextureDescriptorState& state, gtString& mapFileName, uint8_t tiling,
                            const gtString* alphaFileName);

// The descriptor file contents for an image, its optional alpha image and its tiling: the
// "Primary=", "Alpha=" and "Tile=" lines, each ending in "\n".
gtString TextureDescriptorText(const gtString& imageName, const gtString* alphaName, uint8_t tiling,
                               bool noTile);
