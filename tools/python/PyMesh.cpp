// PyMesh: an indexed mesh of the dump model as the values of vantok.Mesh.
//
// Per chunk the bone influences become a palette (the INFL bones that weight the chunk, in file
// order) and two vertices × K arrays, K the most weights any vertex of the chunk has: palette
// indices (-1 in unused slots) and weights (0 there). Weight records naming a vertex or a chunk
// that does not exist are left out of the arrays; vantok.validate reports them.
#include "tools/dump/JsonDump.h"
#include "tools/python/PyArrays.h"
#include "tools/python/PyValues.h"

namespace py = pybind11;

namespace {

// Influences of one vertex: (palette index, weight).
using VertexWeights = std::vector<std::pair<int, float>>;

py::dict Material(const MeshMaterial& m) {
    py::list pairs;
    for (const auto& [name, value] : m.pairs) pairs.append(py::make_tuple(Text(name), Text(value)));
    py::list maps;
    for (const MeshMap& map : m.maps) {
        py::dict entry;
        entry["slot"] = map.slot;
        entry["slot_name"] = SlotNameOf(map.slot);
        entry["file_name"] = Text(map.fileName);
        entry["amount"] = map.amount;
        maps.append(entry);
    }
    py::dict d;
    d["name"] = Text(m.referenceName);
    d["pairs"] = pairs;
    d["two_sided"] = m.twoSided != 0;
    d["opacity"] = m.opacity;
    d["ambient"] = Tuple(m.ambient);
    d["diffuse"] = Tuple(m.diffuse);
    d["specular"] = Tuple(m.specular);
    d["emissive"] = Tuple(m.emissive);
    d["shine"] = m.shine;
    d["maps"] = maps;
    return d;
}

// Fills the palette and the per-vertex influences of chunk `index`.
void ChunkInfluences(const MeshModel& im, std::size_t index, std::size_t vertexCount,
                     py::list& palette, std::vector<VertexWeights>& influences) {
    influences.assign(vertexCount, {});
    int slot = 0;
    for (const MeshBone& bone : im.bones) {
        bool named = false;
        for (const MeshChunkEntry& entry : bone.entries) {
            if (entry.chunk != index)
                continue;
            named = true;
            for (const MeshWeight& w : entry.weights) {
                if (w.vertex >= 0 && static_cast<std::size_t>(w.vertex) < vertexCount)
                    influences[static_cast<std::size_t>(w.vertex)].emplace_back(slot, w.weight);
            }
        }
        if (named) {
            palette.append(Text(bone.name));
            ++slot;
        }
    }
}

void AddInfluences(py::dict& d, const MeshModel& im, std::size_t index, std::size_t vertexCount) {
    py::list palette;
    std::vector<VertexWeights> influences;
    ChunkInfluences(im, index, vertexCount, palette, influences);
    std::size_t k = 0;
    for (const VertexWeights& v : influences) k = std::max(k, v.size());
    py::array_t<std::int32_t> indices({vertexCount, k});
    py::array_t<float> weights({vertexCount, k});
    auto iv = indices.mutable_unchecked<2>();
    auto wv = weights.mutable_unchecked<2>();
    for (std::size_t i = 0; i < vertexCount; ++i) {
        for (std::size_t j = 0; j < k; ++j) {
            const bool used = j < influences[i].size();
            iv(i, j) = used ? influences[i][j].first : -1;
            wv(i, j) = used ? influences[i][j].second : 0.0f;
        }
    }
    d["palette"] = palette;
    d["bone_indices"] = indices;
    d["bone_weights"] = weights;
}

py::dict Chunk(const MeshModel& im, std::size_t index) {
    const MeshChunk& c = im.chunks[index];
    const MeshGeometry& g = c.geometry;
    py::dict d;
    d["index"] = c.index;
    d["material"] = Material(c.material);
    d["positions"] = ColumnsArray(g.vertices, 0, 3);
    d["texcoords"] = ColumnsArray(g.vertices, 3, 2);
    d["normals"] = RowsArray(g.normals);
    d["tangents"] = g.HasTangents() ? py::object(RowsArray(g.tangents)) : py::object(py::none());
    d["triangles"] = RowsArray(g.triangles);
    d["face_normals"] = RowsArray(g.faceNormals);
    AddInfluences(d, im, index, g.vertices.size());
    return d;
}

py::dict Bone(const MeshBone& b) {
    py::dict d;
    d["name"] = Text(b.name);
    d["parent"] = Text(b.parent);
    d["position"] = Tuple(b.position);
    d["matrix"] = Matrix3(b.matrix);
    return d;
}

py::dict Attachment(const MeshAttachment& a) {
    py::dict d;
    d["name"] = Text(a.name);
    d["position"] = Tuple(a.position);
    d["matrix"] = Matrix3(a.matrix);
    return d;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

py::dict MeshValues(const DumpFile& file) {
    const MeshModel& im = file.im;
    py::list chunks;
    for (std::size_t i = 0; i < im.chunks.size(); ++i) chunks.append(Chunk(im, i));
    py::list bones;
    for (const MeshBone& b : im.bones) bones.append(Bone(b));
    py::list attachments;
    for (const MeshAttachment& a : im.attachments) attachments.append(Attachment(a));
    py::dict d;
    d["path"] = file.path;
    d["box_min"] = Tuple(im.info.boxMin);
    d["box_max"] = Tuple(im.info.boxMax);
    d["influences_per_vertex"] = im.info.influencesPerVertex;
    d["bones_per_chunk"] = im.info.bonesPerChunk;
    d["chunks"] = chunks;
    d["bones"] = bones;
    d["attachments"] = attachments;
    return d;
}
