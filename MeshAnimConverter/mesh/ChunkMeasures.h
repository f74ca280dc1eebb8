// ChunkMeasures: the per-triangle quantities of a chunk: twice a triangle's area (for the mean
// triangle area), the unit face normals, and the bounding box of vertex positions.
//
// All arithmetic is in 32-bit floats in the order written: the cross product of
// (p2 - p0) and (p1 - p0) for areas, (p1 - p0) x (p2 - p0) divided by its length for face
// normals. Each function is one linear pass.
#pragma once

#include <vector>

#include "MeshAnimConverter/mesh/ChunkGeometry.h"
#include "toolkit/gtMath.h"

// |(p2 - p0) x (p1 - p0)|, twice the triangle's area.
float TriangleAreaTwice(const gtVector3& p0, const gtVector3& p1, const gtVector3& p2);

// sum / (2n) with the sum of TriangleAreaTwice over n triangles, summed in order; 0 when n is 0.
float MeanTriangleArea(float sumOfAreasTwice, uint32_t triangleCount);

// One unit normal per triangle; (0, 0, 1) when the cross product's squared length is not above 0
// (or not a number).
void ComputeFaceNormals(const std::vector<ChunkVertex>& vertices,
                        const std::vector<ChunkTriangle>& triangles,
                        std::vector<gtVector3>& faceNormals);

// Grows [minimum, maximum] by the positions of `vertices`.
void GrowBoundingBox(const std::vector<ChunkVertex>& vertices, gtVector3& minimum,
                     gtVector3& maximum);
