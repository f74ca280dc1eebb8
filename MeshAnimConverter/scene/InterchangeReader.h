// InterchangeReader: reads one interchange file (XML, root element `vantokImport`, version 1)
// into an empty SceneData.
//
// Order: open through the current file device, load the document, check the root and its
// version, read the mesh (triangles and attachments), the materials, resolve material ids, then
// the skeleton and each animation, which the skeleton and animation preparation completes as
// they are read. Every problem is reported to the log the caller passes; false means the file was
// not read (the scene may then hold what was read so far and is to be discarded). Cost: linear
// in the size of the file; the document is released before returning.
#pragma once

#include <cstdint>

#include "MeshAnimConverter/scene/SceneData.h"

class ExportUserInterface;
class gtLineSink;
class gtXmlElementRef;
class SkeletonPreparer;
class gtStream;
class tlLog;
class TriangleFollower;

// Reads `path`, stores the file's version in `fileVersion` (left unchanged when the root check
// fails first) and fills `scene`, reporting to `log`. Each skeleton and animation block is
// handed to `preparer` as soon as it is read.
// `ui`, when given, is shown the share of the file read so far. `lexerErrors`, when given,
// receives the error box texts of the lexers that read the numbers (null: the box itself). The
// triangles are read on up to `threads` threads, with the same scene and messages for every
// count.
bool ReadInterchangeFile(const char* path, int32_t& fileVersion, SceneData& scene, tlLog& log,
                         SkeletonPreparer& preparer, ExportUserInterface* ui = nullptr,
                         gtLineSink* lexerErrors = nullptr, unsigned threads = 1);
// The same from an open stream (read to its end); `path` names it in the messages.
bool ReadInterchangeStream(gtStream& stream, const char* path, int32_t& fileVersion,
                           SceneData& scene, tlLog& log, SkeletonPreparer& preparer,
                           gtLineSink* lexerErrors = nullptr, unsigned threads = 1);

// The blocks, for the reader and its tests. The mesh and materials readers take the root
// element; the skeleton and animation readers take their own element.
// `follower`: the triangles read while the document was loaded (TriangleFollower.h).
bool ReadMeshBlock(gtXmlElementRef root, SceneData& scene, tlLog& log,
                   gtLineSink* lexerErrors = nullptr, unsigned threads = 1,
                   TriangleFollower* follower = nullptr);
bool ReadMaterialsBlock(gtXmlElementRef root, SceneData& scene, tlLog& log,
                        gtLineSink* lexerErrors = nullptr);
void ResolveMaterialIds(SceneData& scene);
void ReadSkeletonBlock(gtXmlElementRef skeleton, SceneData& scene, tlLog& log,
                       SkeletonPreparer& preparer, gtLineSink* lexerErrors = nullptr);
bool ReadAnimationBlock(gtXmlElementRef animation, SceneData& scene, tlLog& log,
                        SkeletonPreparer& preparer, gtLineSink* lexerErrors = nullptr);
