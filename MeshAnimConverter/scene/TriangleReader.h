// TriangleReader: the <triangle> elements of the mesh block into SceneData::triangles, on one
// thread or several, with the same triangles and messages either way.
//
// A triangle is its materialId and its first three <vertex> children: the first position,
// normal and texcoord of each, then every stream-0 channel again in document order (the last
// wins), the bone ids and blend weights of streams 0 to 3 (weights scaled to sum to 1), and the
// face normal for corners given none. More than three vertices is a warning; fewer is an error
// that stops the reading.
//
// Triangles read while the document was loaded (TriangleFollower.h) are taken as they are. With
// several threads the triangles left are cut into ranges read ahead quietly, each on its own
// thread, up to the first triangle whose reading would show a message (a lexer error or
// warning, or a vertex count other than three). Afterwards this thread reads the rest of each
// range, in order, the way one thread reads it: every message, its text and its order are
// those of a one-thread reading, whatever the thread count. Cost: linear in the triangles.
#pragma once

#include "MeshAnimConverter/scene/SceneData.h"

class gtLineSink;
class gtXmlElementRef;
class tlLog;
class TriangleFollower;

// Appends the <triangle> children of `triangles` to scene.triangles, using up to `threads`
// threads (1: this thread alone) and what `follower` (when given) read while the document was
// loaded, which is stopped first; the lexers' box texts go to `lexerErrors` (null: the box
// itself). False after the error of a triangle with fewer than three vertices;
// scene.triangles then ends with that triangle.
bool ReadTriangleElements(gtXmlElementRef triangles, SceneData& scene, tlLog& log,
                          gtLineSink* lexerErrors, unsigned threads,
                          TriangleFollower* follower = nullptr);

// A triangle read without a message into a fresh `triangle`: false when the one-thread reading
// would show one (the result is then not to be used). Safe on any thread.
bool ReadTriangleQuietly(gtXmlElementRef element, SceneTriangle& triangle);
