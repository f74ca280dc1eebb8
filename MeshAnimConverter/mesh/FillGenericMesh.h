// FillGenericMesh: turns the scene read from the interchange file into the generic mesh.
//
// Unshared geometry (one position, normal and texture coordinate per triangle corner), the
// materials with their texture maps (unused materials removed, faces renumbered), the
// attachments, and, when the scene has bones, the output skeleton and one weight list per bone.
// Linear in the corners plus the weights. Logs one info line per stage.
#pragma once

#include <memory>

class GenericMesh;
class ConverterExGenericSkeleton;
class tlLog;
struct SceneData;

// `mesh` always receives the new mesh; `skeleton` receives the output skeleton when the scene
// has bones, else null (it reports to `log`, like the fill). Fails without a message when the scene
// has no triangle or no material. The scene's bone names may be cut to 255 characters.
bool FillGenericMesh(SceneData& scene, std::unique_ptr<GenericMesh>& mesh,
                     std::unique_ptr<ConverterExGenericSkeleton>& skeleton, tlLog& log);
