// The referenced-texture list of the export interface.
#include "MeshAnimConverter/report/ExportUserInterface.h"

void ExportUserInterface::AddReferencedTexture(const gtString& name) {
    for (const gtString& known : m_referencedTextures) {
        if (known.EqualsNoCase(name.c_str())) {
            return;
        }
    }
    m_referencedTextures.Add(name);
}
