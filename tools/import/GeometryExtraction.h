// GeometryExtraction: every mesh instance of the node tree as interchange triangles in model
// space (positions by the node's transform; with `atRest` a skinned vertex is posed by its bones
// at the nodes' rest transforms instead: the weighted sum of rest x offset x vertex, normals by its
// inverse transpose, winding kept when the transform mirrors), the first texture-coordinate set,
// and bone weights: the largest `maxWeights` of a vertex, renormalised to sum 1; a vertex with none
// (in a model with bones) is bound to its node's bone when the node is one, else to the root, with
// weight 1. Points and lines are dropped and counted. Material ids are assigned in order of first
// use. Cost: linear in vertices and faces, plus a sort of each vertex's weights.
#pragma once

#include <assimp/scene.h>

#include <string>
#include <vector>

#include "tools/import/ImportedModel.h"
#include "tools/import/MaterialExtraction.h"
#include "tools/import/NodeTable.h"
#include "tools/import/SkeletonBuilder.h"

// Appends the triangles to model.triangles and the materials they use to model.materials;
// warnings for what was dropped or changed go to model.warnings.
void ExtractGeometry(const aiScene& scene, const NodeTable& table, const Skeleton& skeleton,
                     int maxWeights, bool atRest, MaterialExtractor& materials,
                     ImportedModel& model);
