// The neighbour step: a brute-force scan of every triangle pair by exact corner positions.
#include "MeshAnimConverter/mesh/ChunkNeighbours.h"

#include "MeshAnimConverter/report/ExportUserInterface.h"

namespace {

bool SamePosition(const ChunkVertex& a, const ChunkVertex& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Edge number of the corner pair {a, c}: 0-1 is 0, 1-2 is 1, 2-0 is 2.
int EdgeOf(int a, int c) {
    const int low = a < c ? a : c;
    const int high = a < c ? c : a;
    return (low == 0 && high == 2) ? 2 : low;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void BuildChunkNeighbours(const std::vector<NeighbourChunkView>& chunks, size_t chunk,
                          std::vector<int32_t>& neighbours, ExportUserInterface* ui) {
    const std::vector<ChunkVertex>& vertices = *chunks[chunk].vertices;
    const std::vector<ChunkTriangle>& triangles = *chunks[chunk].triangles;
    neighbours.assign(triangles.size() * 3, -1);
    if (ui != nullptr) {
        ui->ShowStatus("Building neighbor array");
    }
    for (size_t t = 0; t < triangles.size(); ++t) {
        if (ui != nullptr) {
            ui->ShowProgress(static_cast<float>(t) / static_cast<float>(triangles.size()));
        }
        const ChunkTriangle& tri = triangles[t];
        for (size_t k = 0; k < chunks.size(); ++k) {
            const std::vector<ChunkVertex>& otherVertices = *chunks[k].vertices;
            const std::vector<ChunkTriangle>& others = *chunks[k].triangles;
            for (size_t l = 0; l < others.size(); ++l) {
                // the first equal corner pair fixes (a, b); each later pair on other corners
                // shares an edge with a
                int a = -1;
                int b = -1;
                for (int i = 0; i < 3; ++i) {
                    for (int j = 0; j < 3; ++j) {
                        if (!SamePosition(vertices[tri.v[i]], otherVertices[others[l].v[j]])) {
                            continue;
                        }
                        if (a < 0) {
                            a = i;
                            b = j;
                        } else if (i != a && j != b) {
                            neighbours[t * 3 + static_cast<size_t>(EdgeOf(a, i))] =
                                static_cast<int32_t>(l + 65536u * k);
                        }
                    }
                }
            }
        }
    }
}
