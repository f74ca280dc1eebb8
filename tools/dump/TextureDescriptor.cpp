// TextureDescriptor: finds and parses the descriptor of a material map.
#include "tools/dump/TextureDescriptor.h"

#include <fstream>

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

TextureImage FindTextureImage(const std::string& imPath, const std::string& mapFileName) {
    TextureImage image;
    const std::string name = FileNamePart(mapFileName);
    if (name.empty())
        return image;
    if (mapFileName.find(".texture") == std::string::npos) {
        image.found = true;
        image.primary = name;
        image.tileS = image.tileT = true;
        return image;
    }
    // the descriptor lies beside the .im, whatever folder the map name gives
    const std::size_t slash = imPath.find_last_of("/\\");
    const std::string folder =
        slash == std::string::npos ? std::string() : imPath.substr(0, slash + 1);
    image.descriptor = folder + name + ".txt";
    std::ifstream in(image.descriptor, std::ios::binary);
    std::string line;
    while (in && std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("Primary=", 0) == 0) {
            image.primary = line.substr(8);
        } else if (line.rfind("Alpha=", 0) == 0) {
            image.alpha = line.substr(6);
        } else if (line.rfind("Tile=", 0) == 0) {
            const std::string tile = line.substr(5);
            image.tileS = tile.find('s') != std::string::npos;
            image.tileT = tile.find('t') != std::string::npos;
        }
    }
    image.found = !image.primary.empty();
    image.fromDescriptor = image.found;
    return image;
}
