// ImReader: the chunks of an "IDXM" form (.im and .pm files) into the dump model.
//
// Every chunk is read to its last byte; array lengths are checked against the bytes the chunk
// holds before anything is allocated, so no count can make the reader allocate more than the
// file. The NINF and PMIN chunks of progressive meshes are recorded, not interpreted: NINF
// after the MATL and GEOM of a CHNK, PMIN at the top level, as trimming finds them.
#include <string>

#include "tools/dump/DumpReader.h"

namespace {

// Words of the INFO payload after the version, by version (older files lack the later fields).
std::size_t InfoWords(std::uint32_t version) {
    return 8u + (version >= 102 ? 2u : 0u) + (version >= 104 ? 6u : 0u);
}

bool ReadInfo(DumpWalk& walk, const ChunkInfo& chunk) {
    ChunkReader& r = walk.reader;
    MeshInfo& info = walk.file.im.info;
    info.offset = chunk.start;
    if (!r.ReadU32(info.version))
        return walk.Fail("INFO");
    const std::size_t expected = 4u + 4u * InfoWords(info.version);
    if (chunk.size != expected)
        return walk.Fail("INFO", chunk.start,
                         "INFO of version " + std::to_string(info.version) + " has size " +
                             std::to_string(chunk.size) + ", expected " + std::to_string(expected));
    if (!ReadFloatArray(r, info.origin) || !ReadFloatArray(r, info.orientation) ||
        !r.ReadU32(info.chunkCount))
        return walk.Fail("INFO");
    if (info.version >= 102 &&
        (!r.ReadU32(info.influencesPerVertex) || !r.ReadU32(info.bonesPerChunk)))
        return walk.Fail("INFO");
    if (info.version >= 104 && (!ReadFloatArray(r, info.boxMin) || !ReadFloatArray(r, info.boxMax)))
        return walk.Fail("INFO");
    return r.LeaveChunk() || walk.Fail("INFO");
}

bool ReadMaterial(DumpWalk& walk, MeshMaterial& m, const std::string& label) {
    ChunkReader& r = walk.reader;
    ChunkInfo chunk;
    if (!walk.Enter(chunk))
        return walk.Fail(label);
    if (chunk.id != "MATL")
        return walk.Fail(label, chunk.start, "Chunk '" + chunk.id + "' where MATL was expected");
    m.offset = chunk.start;
    std::uint32_t pairs = 0;
    if (!r.ReadU32(m.version) || !r.ReadPaddedString(m.referenceName) || !r.ReadU32(pairs))
        return walk.Fail(label);
    if (pairs > r.Remaining() / 8u)
        return walk.Fail(label, chunk.start,
                         "Pair count " + std::to_string(pairs) + " exceeds the chunk");
    m.pairs.resize(pairs);
    for (auto& pair : m.pairs) {
        if (!r.ReadPaddedString(pair.first) || !r.ReadPaddedString(pair.second))
            return walk.Fail(label);
    }
    std::uint32_t maps = 0;
    if (!r.ReadU32(m.twoSided) || !r.ReadF32(m.opacity) || !ReadFloatArray(r, m.ambient) ||
        !ReadFloatArray(r, m.diffuse) || !ReadFloatArray(r, m.specular) ||
        !ReadFloatArray(r, m.emissive) || !r.ReadF32(m.shine) || !r.ReadU32(maps))
        return walk.Fail(label);
    if (maps > r.Remaining() / 12u)
        return walk.Fail(label, chunk.start,
                         "Map count " + std::to_string(maps) + " exceeds the chunk");
    m.maps.resize(maps);
    for (MeshMap& map : m.maps) {
        if (!r.ReadI32(map.slot) || !r.ReadPaddedString(map.fileName) || !r.ReadF32(map.amount))
            return walk.Fail(label);
    }
    return r.LeaveChunk() || walk.Fail(label);
}

bool ReadGeometry(DumpWalk& walk, MeshGeometry& g, const std::string& label) {
    ChunkReader& r = walk.reader;
    ChunkInfo chunk;
    if (!walk.Enter(chunk))
        return walk.Fail(label);
    if (chunk.id != "GEOM")
        return walk.Fail(label, chunk.start, "Chunk '" + chunk.id + "' where GEOM was expected");
    g.offset = chunk.start;
    if (!r.ReadU32(g.version) || !r.ReadU32(g.primitiveCode) || !r.ReadU32(g.flags) ||
        !r.ReadF32(g.meanTriangleArea) || !r.ReadU32(g.vertexCount) ||
        !r.ReadU32(g.triangleCount) || !r.ReadU32(g.indexCount) ||
        !r.ReadU32(g.triangleCountAgain) || !r.ReadU32(g.influencesPerVertex) ||
        !r.ReadPaddedString(g.boundNode))
        return walk.Fail(label);
    // the arrays must fill the rest of the chunk exactly
    const std::uint64_t v = g.vertexCount;
    const std::uint64_t t = g.triangleCount;
    const std::uint64_t need = 20 * v + 6 * t + 12 * v + 12 * t + (g.HasTangents() ? 12 * v : 0);
    if (need != r.Remaining())
        return walk.Fail(label, chunk.start,
                         "GEOM arrays for " + std::to_string(v) + " vertices and " +
                             std::to_string(t) + " triangles need " + std::to_string(need) +
                             " bytes, the chunk holds " + std::to_string(r.Remaining()));
    g.vertices.resize(g.vertexCount);
    for (auto& vertex : g.vertices) {
        if (!ReadFloatArray(r, vertex))
            return walk.Fail(label);
    }
    g.trianglesOffset = r.Offset();
    g.triangles.resize(g.triangleCount);
    for (auto& triangle : g.triangles) {
        for (std::uint16_t& index : triangle) {
            if (!r.ReadU16(index))
                return walk.Fail(label);
        }
    }
    g.normals.resize(g.vertexCount);
    for (Float3& n : g.normals) {
        if (!ReadFloatArray(r, n))
            return walk.Fail(label);
    }
    g.faceNormals.resize(g.triangleCount);
    for (Float3& n : g.faceNormals) {
        if (!ReadFloatArray(r, n))
            return walk.Fail(label);
    }
    if (g.HasTangents()) {
        g.tangents.resize(g.vertexCount);
        for (Float3& tangent : g.tangents) {
            if (!ReadFloatArray(r, tangent))
                return walk.Fail(label);
        }
    }
    return r.LeaveChunk() || walk.Fail(label);
}

bool ReadChunk(DumpWalk& walk, const ChunkInfo& chunk) {
    ChunkReader& r = walk.reader;
    MeshChunk& c = walk.file.im.chunks.emplace_back();
    const std::string label = "CHNK " + std::to_string(walk.file.im.chunks.size() - 1);
    c.offset = chunk.start;
    if (!r.ReadU32(c.version) || !r.ReadU32(c.index))
        return walk.Fail(label);
    if (!ReadMaterial(walk, c.material, label + " MATL") ||
        !ReadGeometry(walk, c.geometry, label + " GEOM"))
        return false;
    // what follows MATL and GEOM: the progressive mesh's NINF chunks
    while (!r.AtEnd()) {
        ChunkInfo inner;
        if (!walk.Enter(inner))
            return walk.Fail(label);
        if (inner.id == "NINF") {
            c.progressive.push_back(ChunkNode{inner.id, inner.start, inner.size, 1});
        } else {
            walk.Issue(walk.file.progressiveMesh, label, inner.start,
                       "Chunk '" + inner.id + "' inside CHNK after MATL and GEOM");
        }
        if (!r.SkipChunk())
            return walk.Fail(label);
    }
    return r.LeaveChunk() || walk.Fail(label);
}

bool ReadInfluences(DumpWalk& walk, const ChunkInfo& chunk) {
    ChunkReader& r = walk.reader;
    MeshModel& im = walk.file.im;
    im.hasInfluences = true;
    im.influencesOffset = chunk.start;
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    if (!r.ReadU32(version) || !r.ReadU32(count))
        return walk.Fail("INFL");
    // a bone record takes at least 60 bytes
    if (count > r.Remaining() / 60u)
        return walk.Fail("INFL", chunk.start,
                         "Bone count " + std::to_string(count) + " exceeds the chunk");
    im.bones.resize(count);
    for (MeshBone& bone : im.bones) {
        bone.offset = r.Offset();
        std::uint32_t entries = 0;
        if (!r.ReadPaddedString(bone.name) || !r.ReadPaddedString(bone.parent) ||
            !ReadFloatArray(r, bone.position) || !ReadFloatArray(r, bone.matrix) ||
            !r.ReadU32(entries))
            return walk.Fail("INFL");
        if (entries > r.Remaining() / 8u)
            return walk.Fail("INFL", bone.offset,
                             "Chunk entry count " + std::to_string(entries) + " of bone '" +
                                 bone.name + "' exceeds the chunk");
        bone.entries.resize(entries);
        for (MeshChunkEntry& entry : bone.entries) {
            entry.offset = r.Offset();
            std::uint32_t weights = 0;
            if (!r.ReadU32(entry.chunk) || !r.ReadU32(weights))
                return walk.Fail("INFL");
            if (weights > r.Remaining() / 20u)
                return walk.Fail("INFL", entry.offset,
                                 "Weight count " + std::to_string(weights) + " of bone '" +
                                     bone.name + "' exceeds the chunk");
            entry.weights.resize(weights);
            for (MeshWeight& w : entry.weights) {
                if (!r.ReadI32(w.vertex) || !r.ReadF32(w.weight) || !ReadFloatArray(r, w.position))
                    return walk.Fail("INFL");
            }
        }
    }
    return r.LeaveChunk() || walk.Fail("INFL");
}

bool ReadAttachments(DumpWalk& walk) {
    ChunkReader& r = walk.reader;
    MeshModel& im = walk.file.im;
    im.hasAttachments = true;
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    if (!r.ReadU32(version) || !r.ReadU32(count))
        return walk.Fail("ATCH");
    if (count > r.Remaining() / 52u)
        return walk.Fail("ATCH", r.Offset(),
                         "Attachment count " + std::to_string(count) + " exceeds the chunk");
    im.attachments.resize(count);
    for (MeshAttachment& a : im.attachments) {
        if (!r.ReadPaddedString(a.name) || !ReadFloatArray(r, a.matrix) ||
            !ReadFloatArray(r, a.position))
            return walk.Fail("ATCH");
    }
    return r.LeaveChunk() || walk.Fail("ATCH");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry point

bool ReadIndexedMeshForm(DumpWalk& walk) {
    ChunkReader& r = walk.reader;
    MeshModel& im = walk.file.im;
    const bool pm = walk.file.progressiveMesh;
    bool first = true;
    bool sawInfo = false;
    while (!r.AtEnd()) {
        ChunkInfo chunk;
        if (!walk.Enter(chunk))
            return walk.Fail("");
        if (first && chunk.id != "INFO")
            walk.Issue(true, chunk.id, chunk.start,
                       "The first chunk is '" + chunk.id + "', not INFO");
        first = false;
        bool ok = true;
        if (chunk.id == "INFO" && !sawInfo) {
            sawInfo = true;
            ok = ReadInfo(walk, chunk);
        } else if (chunk.id == "CHNK") {
            ok = ReadChunk(walk, chunk);
        } else if (chunk.id == "INFL" && !im.hasInfluences) {
            ok = ReadInfluences(walk, chunk);
        } else if (chunk.id == "SKEL" && !im.hasSkeleton) {
            im.hasSkeleton = true;
            std::uint32_t version = 0;
            ok = (r.ReadU32(version) || walk.Fail("SKEL")) &&
                 ReadBoneTree(walk, im.skeleton, true) && (r.LeaveChunk() || walk.Fail("SKEL"));
        } else if (chunk.id == "ATCH" && !im.hasAttachments) {
            ok = ReadAttachments(walk);
        } else if (chunk.id == "PMIN" || chunk.id == "NINF") {
            im.progressive.push_back(ChunkNode{chunk.id, chunk.start, chunk.size, 0});
            if (chunk.id == "NINF")
                walk.Issue(pm, chunk.id, chunk.start, "NINF outside any CHNK");
            ok = r.SkipChunk() || walk.Fail(chunk.id);
        } else {
            walk.Issue(pm, chunk.id, chunk.start,
                       "Unexpected chunk '" + chunk.id + "' at the top level, skipped");
            ok = r.SkipChunk() || walk.Fail(chunk.id);
        }
        if (!ok)
            return false;
    }
    if (!sawInfo)
        walk.Issue(true, "", 12, "The file has no INFO chunk");
    return r.Ok() || walk.Fail("");
}
