// Building the indexed mesh: chunks per material, welding, neighbours, degenerate removal,
// chunk bone weights and the attachment copy.
#include <cstring>
#include <vector>

#include "MeshAnimConverter/mesh/ChunkMeasures.h"
#include "MeshAnimConverter/mesh/ChunkNeighbours.h"
#include "MeshAnimConverter/mesh/ChunkWelding.h"
#include "MeshAnimConverter/mesh/FanSplit.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "toolkit/gtParallelFor.h"

namespace {

// The triangles of one chunk: a run of a material's triangles in face order.
struct ChunkPlan {
    uint32_t material = 0;
    std::vector<uint32_t> triangles;  // indices into the split triangle list
};

std::vector<ChunkPlan> PlanChunks(const std::vector<TriangleFace>& triangles,
                                  uint32_t materialCount) {
    std::vector<std::vector<uint32_t>> byMaterial(materialCount);
    for (uint32_t t = 0; t < triangles.size(); ++t) {
        const int32_t material = triangles[t].material;
        if (material >= 0 && static_cast<uint32_t>(material) < materialCount) {
            byMaterial[static_cast<uint32_t>(material)].push_back(t);
        }
    }
    std::vector<ChunkPlan> plans;
    for (uint32_t m = 0; m < materialCount; ++m) {
        const std::vector<uint32_t>& list = byMaterial[m];
        size_t start = 0;
        do {
            const size_t count =
                list.size() - start < kMaxChunkTriangles ? list.size() - start : kMaxChunkTriangles;
            ChunkPlan& plan = plans.emplace_back();
            plan.material = m;
            plan.triangles.assign(list.begin() + static_cast<std::ptrdiff_t>(start),
                                  list.begin() + static_cast<std::ptrdiff_t>(start + count));
            start += count;
        } while (start < list.size());
    }
    return plans;
}

float Progress(size_t i, size_t count) {
    return static_cast<float>(i) / static_cast<float>(count);
}

void BuildChunk(const GenericMesh& mesh, const std::vector<TriangleFace>& triangles,
                const ChunkPlan& plan, IndexedMeshChunk& chunk, std::vector<uint32_t>& sources) {
    static_cast<GenericMaterial&>(chunk) = mesh.materials[plan.material];
    chunk.sourceMaterial = plan.material;

    const uint32_t n = static_cast<uint32_t>(plan.triangles.size());
    float sum = 0.0f;
    for (uint32_t t : plan.triangles) {
        const TriangleFace& face = triangles[t];
        sum += TriangleAreaTwice(mesh.positions[face.position[0]], mesh.positions[face.position[1]],
                                 mesh.positions[face.position[2]]);
    }
    chunk.meanTriangleArea = MeanTriangleArea(sum, n);

    const bool hasMaps = chunk.numMaps > 0;
    chunk.vertices.resize(3u * n);
    chunk.normals.resize(3u * n);
    chunk.triangles.resize(n);
    sources.resize(3u * n);
    for (uint32_t m = 0; m < n; ++m) {
        const TriangleFace& face = triangles[plan.triangles[m]];
        for (uint32_t c = 0; c < 3; ++c) {
            const uint32_t v = 3u * m + c;
            const gtVector3& p = mesh.positions[face.position[c]];
            ChunkVertex& vertex = chunk.vertices[v];
            vertex.x = p.x;
            vertex.y = p.y;
            vertex.z = p.z;
            if (hasMaps) {
                vertex.u = mesh.texCoords[face.texCoord[c]].u;
                vertex.v = mesh.texCoords[face.texCoord[c]].v;
            }
            chunk.normals[v] = mesh.normals[face.normal[c]];
            sources[v] = face.position[c];
            chunk.triangles[m].v[c] = static_cast<uint16_t>(v);
        }
    }
}

// Every bone record of the mesh, copied without weights into each chunk's list; each weight of
// corner k goes to the chunk vertices whose source corner is k, in vertex order.
void ExtractInfluences(const GenericMesh& mesh, IndexedMesh& indexed, ExportUserInterface& ui) {
    ui.ShowStatus("Extracting mesh influence");
    const size_t chunkCount = indexed.chunks.size();
    const size_t cornerCount = static_cast<size_t>(mesh.numPositions);

    // source lookup as flat lists per (chunk, corner): a corner reaches one chunk at most when
    // the mesh is as the fill makes it, but any number are allowed
    std::vector<uint32_t> start(cornerCount + 1, 0);
    for (size_t i = 0; i < chunkCount; ++i) {
        for (uint32_t corner : indexed.sourceCorners[i]) {
            if (corner < cornerCount) {
                ++start[corner + 1];
            }
        }
    }
    for (size_t k = 0; k < cornerCount; ++k) {
        start[k + 1] += start[k];
    }
    struct Entry {
        uint32_t chunk;
        uint32_t vertex;
    };
    std::vector<Entry> entries(start[cornerCount]);
    std::vector<uint32_t> fill(start.begin(), start.end() - 1);
    for (size_t i = 0; i < chunkCount; ++i) {
        const std::vector<uint32_t>& sources = indexed.sourceCorners[i];
        for (uint32_t v = 0; v < sources.size(); ++v) {
            if (sources[v] < cornerCount) {
                entries[fill[sources[v]]++] = {static_cast<uint32_t>(i), v};
            }
        }
    }

    indexed.chunkInfluences.clear();
    for (size_t i = 0; i < chunkCount; ++i) {
        indexed.chunkInfluences.push_back(std::make_unique<GenericMeshInfluence>());
    }
    const GenericMeshInfluence& bones = *mesh.influences;
    for (size_t i = 0; i < chunkCount; ++i) {
        ui.ShowProgress(Progress(i, chunkCount));
    }
    // one pass over the weights fills every chunk's copy in the same order as chunk by chunk
    std::vector<GenericBoneInfluence*> copies(chunkCount);
    for (int b = 0; b < bones.Count(); ++b) {
        const GenericBoneInfluence& bone = bones[b];
        for (size_t i = 0; i < chunkCount; ++i) {
            GenericBoneInfluence& copy = indexed.chunkInfluences[i]->Add();
            std::memcpy(copy.boneName, bone.boneName, sizeof copy.boneName);
            std::memcpy(copy.parentName, bone.parentName, sizeof copy.parentName);
            copy.bindPosition = bone.bindPosition;
            copy.bindMatrix = bone.bindMatrix;
            copies[i] = &copy;
        }
        for (const GenericVertexWeight& weight : bone.weights) {
            if (weight.vertex < 0 || static_cast<size_t>(weight.vertex) >= cornerCount) {
                continue;
            }
            const size_t k = static_cast<size_t>(weight.vertex);
            for (uint32_t e = start[k]; e < start[k + 1]; ++e) {
                GenericVertexWeight moved = weight;
                moved.vertex = static_cast<int32_t>(entries[e].vertex);
                copies[entries[e].chunk]->weights.push_back(moved);
            }
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

IndexedMesh::~IndexedMesh() = default;
ExIndexedMesh::~ExIndexedMesh() = default;

ExIndexedMesh::ExIndexedMesh(const GenericMesh& mesh, bool buildNeighbours, ExportUserInterface& ui,
                             unsigned threads) {
    const std::vector<TriangleFace> triangles = SplitFacesIntoTriangles(mesh);
    const uint32_t materialCount =
        mesh.numMaterials > 0 ? static_cast<uint32_t>(mesh.numMaterials) : 0u;
    const std::vector<ChunkPlan> plans = PlanChunks(triangles, materialCount);

    chunks.reserve(plans.size());
    sourceCorners.resize(plans.size());
    for (size_t i = 0; i < plans.size(); ++i) {
        chunks.push_back(std::make_unique<IndexedMeshChunk>());
    }
    if (threads > 1 && plans.size() > 1) {
        ui.ShowStatus("Building chunks");
        gtParallelFor(plans.size(), threads, [&](size_t i) {
            BuildChunk(mesh, triangles, plans[i], *chunks[i], sourceCorners[i]);
            IndexedMeshChunk& chunk = *chunks[i];
            WeldChunkVertices(chunk.vertices, chunk.normals, chunk.triangles, sourceCorners[i]);
        });
    } else {
        ui.ShowStatus("Building chunks");
        for (size_t i = 0; i < plans.size(); ++i) {
            ui.ShowProgress(Progress(i, plans.size()));
            BuildChunk(mesh, triangles, plans[i], *chunks[i], sourceCorners[i]);
        }
        ui.ShowStatus("Optimizing chunks");
        for (size_t i = 0; i < chunks.size(); ++i) {
            ui.ShowProgress(Progress(i, chunks.size()));
            IndexedMeshChunk& chunk = *chunks[i];
            WeldChunkVertices(chunk.vertices, chunk.normals, chunk.triangles, sourceCorners[i]);
        }
    }

    if (buildNeighbours) {
        ui.ShowStatus("Building neighbour info");
        std::vector<NeighbourChunkView> views;
        for (const auto& chunk : chunks) {
            views.push_back({&chunk->vertices, &chunk->triangles});
        }
        for (size_t i = 0; i < chunks.size(); ++i) {
            BuildChunkNeighbours(views, i, chunks[i]->neighbours, &ui);
        }
    }

    for (const auto& chunk : chunks) {
        RemoveDegenerateTriangles(chunk->triangles);
    }

    for (const auto& chunk : chunks) {
        vertexTotal += chunk->VertexCount();
        triangleTotal += chunk->TriangleCount();
    }
    influencesPerVertex.assign(chunks.size(), 0);

    if (mesh.influences != nullptr) {
        ExtractInfluences(mesh, *this, ui);
    }

    for (int32_t a = 0; a < mesh.numAttachments; ++a) {
        attachments.push_back(mesh.attachments[a]);
    }
}

void ComputeInfluenceStats(IndexedMesh& mesh) {
    mesh.maxBonesPerChunk = 0;
    mesh.maxInfluencesPerVertex = 0;
    mesh.influencesPerVertex.assign(mesh.chunks.size(), 0);
    if (!mesh.HasChunkInfluences()) {
        return;
    }
    std::vector<uint32_t> perVertex;
    for (size_t i = 0; i < mesh.chunks.size(); ++i) {
        perVertex.assign(mesh.chunks[i]->VertexCount(), 0);
        uint32_t bones = 0;
        uint32_t largest = 0;
        const GenericMeshInfluence& list = *mesh.chunkInfluences[i];
        for (int b = 0; b < list.Count(); ++b) {
            const GenericBoneInfluence& bone = list[b];
            bool weighted = false;
            for (const GenericVertexWeight& weight : bone.weights) {
                if (!(weight.weight > 0.0f)) {
                    continue;
                }
                weighted = true;
                if (weight.vertex >= 0 && static_cast<size_t>(weight.vertex) < perVertex.size()) {
                    const uint32_t count = ++perVertex[static_cast<size_t>(weight.vertex)];
                    largest = count > largest ? count : largest;
                }
            }
            bones += weighted ? 1u : 0u;
        }
        mesh.influencesPerVertex[i] = largest;
        mesh.maxInfluencesPerVertex =
            largest > mesh.maxInfluencesPerVertex ? largest : mesh.maxInfluencesPerVertex;
        mesh.maxBonesPerChunk = bones > mesh.maxBonesPerChunk ? bones : mesh.maxBonesPerChunk;
    }
}
