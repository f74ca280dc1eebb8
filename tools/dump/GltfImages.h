// GltfImages: the images a glTF export embeds, found and put into a form glTF accepts.
//
// An image named by a texture descriptor is looked up as the descriptor names it, relative to
// the .im's folder, then by its file name in each image folder given, in order. PNG and JPEG
// files (told by their first bytes) are embedded as they are; every other format stb reads
// (TGA, BMP, PSD, GIF, HDR, PIC, PNM) is decoded and written again as PNG. An alpha image
// becomes the PNG's alpha channel (its luminance), so the colour image is decoded then too.
// Cost: one read of each file, and a decode and PNG encode where a conversion is needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The path of the image `name` for the .im at `imPath`, or empty when no candidate exists.
std::string FindImageFile(const std::string& imPath, const std::string& name,
                          const std::vector<std::string>& imageDirs);

struct GltfImage {
    bool ok = false;
    std::string mimeType;  // image/png or image/jpeg
    std::vector<std::uint8_t> bytes;
    std::string problem;  // why it could not be used, when not ok
};

// The embeddable form of the image at `primaryPath`, with the alpha channel taken from the image
// at `alphaPath` when that is not empty (of the same size).
GltfImage LoadGltfImage(const std::string& primaryPath, const std::string& alphaPath);
