// Edge neighbours among the triangles that meet at one position.
//
// Takes the list of triangles listed at one position (a triangle appears once
// per corner it has there) and the corner positions of every triangle. For each
// slot of the list it gives the first and second other slot, in list order, whose
// triangle shares an edge with the slot's triangle: the same two end positions,
// in either direction, compared exactly. Slots holding the slot's own triangle
// are skipped; a triangle listed twice can be both neighbours. -1 means none.
//
// FindPositionNeighboursLinear scans the list for every slot (O(n²));
// FindPositionNeighboursIndexed hashes the edges first (O(n)) and gives the same
// answer; FindPositionNeighbours picks one by list length.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "MeshAnimConverter/geometry/Float3.h"

// corners: three positions per triangle, indexed by triangle number.
// first/second: resized to count; triangle numbers of the neighbours, or -1.
void FindPositionNeighboursLinear(const uint32_t* list, size_t count,
                                  const std::vector<geometry::Float3>& corners,
                                  std::vector<int32_t>& first, std::vector<int32_t>& second);
void FindPositionNeighboursIndexed(const uint32_t* list, size_t count,
                                   const std::vector<geometry::Float3>& corners,
                                   std::vector<int32_t>& first, std::vector<int32_t>& second);
void FindPositionNeighbours(const uint32_t* list, size_t count,
                            const std::vector<geometry::Float3>& corners,
                            std::vector<int32_t>& first, std::vector<int32_t>& second);
