// TextureDescriptor: reads a .texture.txt descriptor beside an .im file.
//
// A material map names "<folder>/<name>.texture"; the descriptor "<name>.texture.txt" beside
// the .im holds "Primary=<image>", an optional "Alpha=<image>" and an optional "Tile=" line
// ("st", "s" or "t"). A map that names an image directly (no ".texture") is that image, tiled.
#pragma once

#include <string>

struct TextureImage {
    bool found = false;  // an image is known
    bool fromDescriptor = false;
    std::string descriptor;  // the descriptor's path, when one was looked for
    std::string primary;     // the image's file name
    std::string alpha;
    bool tileS = false;
    bool tileT = false;
};

// The image of the map named `mapFileName` of the .im file at `imPath`.
TextureImage FindTextureImage(const std::string& imPath, const std::string& mapFileName);

// The part after the last '/' or '\'.
std::string FileNamePart(const std::string& path);
