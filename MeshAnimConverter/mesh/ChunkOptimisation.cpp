// The tangent, reorder and face-normal steps of one chunk.
#include "MeshAnimConverter/mesh/ChunkOptimisation.h"

#include <cstring>
#include <string>
#include <vector>

#include "MeshAnimConverter/geometry/StripGenerator.h"
#include "MeshAnimConverter/geometry/TangentFrameGenerator.h"
#include "MeshAnimConverter/mesh/ChunkMeasures.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"

namespace {

constexpr uint32_t kUnused = 0xFFFFFFFFu;

GenericMeshInfluence* ChunkWeights(IndexedMesh& mesh, uint32_t chunk) {
    return mesh.HasChunkInfluences() ? mesh.chunkInfluences[chunk].get() : nullptr;
}

// Tangent step. False (nothing changed) when the output would exceed 16-bit vertex numbers.
bool GenerateTangents(IndexedMeshChunk& chunk, GenericMeshInfluence* weights,
                      uint32_t& vertexCount) {
    const uint32_t inputCount = chunk.VertexCount();
    std::vector<TangentFrameGenerator::Vertex> vertices(inputCount);
    for (uint32_t v = 0; v < inputCount; ++v) {
        TangentFrameGenerator::Vertex& out = vertices[v];
        std::memset(&out, 0, sizeof out);
        out.position[0] = chunk.vertices[v].x;
        out.position[1] = chunk.vertices[v].y;
        out.position[2] = chunk.vertices[v].z;
        out.normal[0] = chunk.normals[v].x;
        out.normal[1] = chunk.normals[v].y;
        out.normal[2] = chunk.normals[v].z;
        out.s = chunk.vertices[v].u;
        out.t = chunk.vertices[v].v;
    }
    std::vector<uint32_t> indices;
    indices.reserve(chunk.IndexCount());
    for (const ChunkTriangle& t : chunk.triangles) {
        indices.insert(indices.end(), {t.v[0], t.v[1], t.v[2]});
    }
    std::vector<uint32_t> mapping;
    TangentFrameGenerator generator;
    if (!generator.Generate(vertices, indices, mapping, 0.0f, 0.0f, 0.0f)) {
        vertexCount = inputCount;
        return true;
    }
    vertexCount = static_cast<uint32_t>(vertices.size());
    if (vertexCount > kMaxChunkVertices) {
        return false;
    }

    chunk.vertices.resize(vertexCount);
    chunk.normals.resize(vertexCount);
    chunk.tangents.resize(vertexCount);
    for (uint32_t v = 0; v < vertexCount; ++v) {
        const TangentFrameGenerator::Vertex& in = vertices[v];
        chunk.vertices[v] = {in.position[0], in.position[1], in.position[2], in.s, in.t};
        chunk.normals[v] = {in.normal[0], in.normal[1], in.normal[2]};
        chunk.tangents[v] = {in.tangent[0], in.tangent[1], in.tangent[2]};
    }
    chunk.hasTangents = true;
    for (size_t t = 0; t < chunk.triangles.size(); ++t) {
        for (int c = 0; c < 3; ++c) {
            chunk.triangles[t].v[c] =
                static_cast<uint16_t>(indices[3 * t + static_cast<size_t>(c)]);
        }
    }

    // each weight of a split vertex is repeated, right after itself, for every appended copy
    if (weights == nullptr || vertexCount == inputCount) {
        return true;
    }
    std::vector<uint32_t> copyStart(inputCount + 1, 0);
    for (uint32_t o = inputCount; o < vertexCount; ++o) {
        ++copyStart[mapping[o] + 1];
    }
    for (uint32_t v = 0; v < inputCount; ++v) {
        copyStart[v + 1] += copyStart[v];
    }
    std::vector<uint32_t> copies(vertexCount - inputCount);
    std::vector<uint32_t> fill(copyStart.begin(), copyStart.end() - 1);
    for (uint32_t o = inputCount; o < vertexCount; ++o) {
        copies[fill[mapping[o]]++] = o;
    }
    for (int b = 0; b < weights->Count(); ++b) {
        GenericBoneInfluence& bone = (*weights)[b];
        std::vector<GenericVertexWeight> grown;
        grown.reserve(bone.weights.size());
        for (const GenericVertexWeight& w : bone.weights) {
            grown.push_back(w);
            if (w.vertex < 0 || static_cast<uint32_t>(w.vertex) >= inputCount) {
                continue;
            }
            const uint32_t v = static_cast<uint32_t>(w.vertex);
            for (uint32_t c = copyStart[v]; c < copyStart[v + 1]; ++c) {
                GenericVertexWeight copy = w;
                copy.vertex = static_cast<int32_t>(copies[c]);
                grown.push_back(copy);
            }
        }
        bone.weights.swap(grown);
    }
    return true;
}

// Reorder step: vertex-cache order of the triangles, vertices numbered by first use.
void ReorderForVertexCache(IndexedMeshChunk& chunk, GenericMeshInfluence* weights,
                           std::string* printed) {
    const size_t indexCount = chunk.IndexCount();
    std::vector<uint16_t> indices;
    indices.reserve(indexCount);
    for (const ChunkTriangle& t : chunk.triangles) {
        indices.insert(indices.end(), {t.v[0], t.v[1], t.v[2]});
    }

    StripOptions options;
    options.cacheSize = 16;
    options.stitch = true;
    options.minLength = 0;
    options.listsOnly = true;
    std::vector<IndexRun> runs;
    std::vector<IndexRun> renumbered;
    // the generator's diagnostic lines go to the caller, who prints them in the chunk's turn
    const bool made = MakeIndexRuns(indices, options, runs, false, printed);
    if (!made || !RenumberRunVertices(runs, chunk.VertexCount(), renumbered)) {
        return;
    }
    if (runs.size() != 1 || renumbered.size() != 1 || renumbered[0].indexCount != indexCount ||
        renumbered[0].indices.size() != indexCount || runs[0].indices.size() != indexCount) {
        return;
    }

    const std::vector<ChunkVertex> vertices = chunk.vertices;
    const std::vector<gtVector3> normals = chunk.normals;
    const std::vector<gtVector3> tangents = chunk.tangents;
    std::vector<uint32_t> table(chunk.VertexCount(), kUnused);
    for (size_t k = 0; k < indexCount; ++k) {
        const uint16_t n = renumbered[0].indices[k];
        const uint16_t o = runs[0].indices[k];
        table[o] = n;
        chunk.vertices[n] = vertices[o];
        chunk.normals[n] = normals[o];
        if (!tangents.empty()) {
            chunk.tangents[n] = tangents[o];
        }
    }
    for (size_t t = 0; t < chunk.triangles.size(); ++t) {
        for (size_t c = 0; c < 3; ++c) {
            chunk.triangles[t].v[c] = renumbered[0].indices[3 * t + c];
        }
    }

    if (weights == nullptr) {
        return;
    }
    // weights of vertices that no triangle uses are dropped
    for (int b = 0; b < weights->Count(); ++b) {
        GenericBoneInfluence& bone = (*weights)[b];
        std::vector<GenericVertexWeight> kept;
        kept.reserve(bone.weights.size());
        for (const GenericVertexWeight& w : bone.weights) {
            const size_t old = static_cast<size_t>(w.vertex);
            if (w.vertex >= 0 && old < table.size() && table[old] != kUnused) {
                GenericVertexWeight moved = w;
                moved.vertex = static_cast<int32_t>(table[old]);
                kept.push_back(moved);
            }
        }
        bone.weights.swap(kept);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool PrepareChunkForOutput(IndexedMesh& mesh, uint32_t chunkIndex, bool optimise,
                           uint32_t& vertexCount, std::string* printed) {
    IndexedMeshChunk& chunk = *mesh.chunks[chunkIndex];
    GenericMeshInfluence* weights = ChunkWeights(mesh, chunkIndex);
    vertexCount = chunk.VertexCount();
    if (chunk.name.Find(".tbump") >= 0) {
        if (!GenerateTangents(chunk, weights, vertexCount)) {
            return false;
        }
    } else if (!optimise) {
        return true;
    }
    ReorderForVertexCache(chunk, weights, printed);
    ComputeFaceNormals(chunk.vertices, chunk.triangles, chunk.faceNormals);
    return true;
}
