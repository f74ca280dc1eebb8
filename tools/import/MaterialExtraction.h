// MaterialExtraction: one assimp material to one interchange material: name, the four colours,
// two-sided, opacity, the shininess exponent mapped to 0..1 (min(exponent, 100) / 100, since
// the converter multiplies by 100), and one texture layer per map slot the model fills. Images
// embedded in the model become files named after the model (stem_N.ext) beside the output.
#pragma once

#include <assimp/scene.h>

#include <map>
#include <string>
#include <vector>

#include "tools/import/ImportOptions.h"
#include "tools/import/ImportedModel.h"

class MaterialExtractor {
public:
    // `imageStem` names embedded images: stem_N.png and so on.
    MaterialExtractor(const aiScene& scene, std::string imageStem, TangentBump tbump);

    // The interchange form of material `index` (an index past the scene's list gives a plain
    // default material named "unnamed").
    ImportMaterial Extract(unsigned index);

    // Embedded images referred to so far, each once.
    std::vector<ImportImage>& Images() { return m_images; }

private:
    std::string EmbeddedFileName(const std::string& path);

    const aiScene& m_scene;
    std::string m_imageStem;
    TangentBump m_tbump;
    std::vector<ImportImage> m_images;
    std::map<int, std::string> m_written;  // embedded texture index -> file name
};
