// The IM writer: the "IDXM" form with its chunks, written through an atomic output file.
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "MeshAnimConverter/anim/BoneTreeWriter.h"
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/QuatMath.h"
#include "MeshAnimConverter/chunks/AtomicOutputFile.h"
#include "MeshAnimConverter/chunks/ChunkWriter.h"
#include "MeshAnimConverter/chunks/FormatVersions.h"
#include "MeshAnimConverter/chunks/binofstream.h"
#include "MeshAnimConverter/mesh/ChunkMeasures.h"
#include "MeshAnimConverter/mesh/ChunkOptimiser.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/MapSlotTable.h"
#include "MeshAnimConverter/mesh/MaterialMaps.h"
#include "MeshAnimConverter/mesh/R250Random.h"
#include "MeshAnimConverter/mesh/TextureDescriptorWriter.h"
#include "MeshAnimConverter/report/ReportContext.h"
#include "toolkit/ConsoleLine.h"
#include "toolkit/gtLineSink.h"
#include "toolkit/gtPath.h"
#include "toolkit/platform/Platform.h"

namespace {

constexpr float kLargest = 3.4028235e38f;

// Text a stage printed (whole lines): to the run's line sink, or to its console.
void PrintText(const std::string& text, const ReportContext& report) {
    if (report.printed == nullptr) {
        ConsoleLine::Clear();
        std::fputs(text.c_str(), report.console);
        std::fflush(report.console);
        return;
    }
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        report.printed->Line(text.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void WriteVector(binofstream& out, const gtVector3& v) {
    out.WriteF32(v.x);
    out.WriteF32(v.y);
    out.WriteF32(v.z);
}

void WriteMatrix(binofstream& out, const gtMatrix3& m) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            out.WriteF32(m.m[r][c]);
        }
    }
}

void WriteInfo(binofstream& out, const IndexedMesh& mesh) {
    const ChunkMark mark = BeginChunk(out, "INFO");
    out.WriteU32(ImVersion::kInfo);
    WriteVector(out, mesh.origin);
    for (float f : mesh.orientation) {
        out.WriteF32(f);
    }
    out.WriteU32(mesh.ChunkCount());
    out.WriteU32(mesh.maxInfluencesPerVertex);
    out.WriteU32(mesh.maxBonesPerChunk);
    gtVector3 minimum{kLargest, kLargest, kLargest};
    gtVector3 maximum{-kLargest, -kLargest, -kLargest};
    for (const auto& chunk : mesh.chunks) {
        GrowBoundingBox(chunk->vertices, minimum, maximum);
    }
    WriteVector(out, minimum);
    WriteVector(out, maximum);
    EndChunk(out, mark);
}

// The chunk's maps with names of any length, for the reference name and the descriptors.
std::vector<DescriptorMap> ChunkDescriptorMaps(const IndexedMeshChunk& chunk) {
    std::vector<DescriptorMap> maps;
    for (int i = 0; i < chunk.maps.Count(); ++i) {
        const MaterialMap& map = chunk.maps[i];
        DescriptorMap& copy = maps.emplace_back();
        copy.slot = map.slot;
        copy.tiling = map.tiling;
        copy.fileName = map.fileName;
        copy.amount = map.amount;
    }
    return maps;
}

void WriteMaterialPairs(binofstream& out, const IndexedMeshChunk& chunk) {
    out.WriteU32(static_cast<uint32_t>(chunk.propertyPairs.Count()));
    for (const GenericPropertyPair& pair : chunk.propertyPairs) {
        WritePaddedString(out, pair.name.c_str());
        WritePaddedString(out, pair.value.c_str());
    }
}

void WriteMaterial(binofstream& out, IndexedMeshChunk& chunk, const gtString& baseName,
                   R250Random& random, TextureDescriptorState& descriptors) {
    std::vector<DescriptorMap> maps = ChunkDescriptorMaps(chunk);
    const ChunkMark mark = BeginChunk(out, "MATL");
    out.WriteU32(ImVersion::kMaterial);
    WritePaddedString(out, BuildMaterialReferenceName(chunk.name, maps, baseName, random).c_str());
    WriteMaterialPairs(out, chunk);
    out.WriteU32(chunk.twoSided ? 1u : 0u);
    out.WriteF32(chunk.opacity);
    WriteVector(out, chunk.ambient);
    WriteVector(out, chunk.diffuse);
    WriteVector(out, chunk.specular);
    WriteVector(out, chunk.emissive);
    out.WriteF32(chunk.shine);
    WriteMaterialTextureDescriptors(maps, descriptors);
    uint32_t count = 0;
    for (const DescriptorMap& map : maps) {
        count += map.slot != kMapSlotOpacity ? 1u : 0u;
    }
    out.WriteU32(count);
    for (const DescriptorMap& map : maps) {
        if (map.slot == kMapSlotOpacity) {
            continue;
        }
        out.WriteI32(map.slot);
        WritePaddedString(out, map.fileName.c_str());
        out.WriteF32(map.amount);
    }
    EndChunk(out, mark);
}

void WriteGeometry(binofstream& out, const IndexedMeshChunk& chunk, uint32_t influencesPerVertex) {
    const bool tangents = chunk.name.Find(".tbump") >= 0 && chunk.HasTangents();
    const ChunkMark mark = BeginChunk(out, "GEOM");
    out.WriteU32(ImVersion::kGeometry);
    out.WriteU32(chunk.primitiveCode);
    out.WriteU32(tangents ? 1u : 0u);
    out.WriteF32(chunk.meanTriangleArea);
    out.WriteU32(chunk.VertexCount());
    out.WriteU32(chunk.TriangleCount());
    out.WriteU32(chunk.IndexCount());
    out.WriteU32(chunk.TriangleCount());
    out.WriteU32(influencesPerVertex);
    // the bound node is never set by the converter: its name is empty
    WritePaddedString(out, "");
    for (const ChunkVertex& v : chunk.vertices) {
        out.WriteF32(v.x);
        out.WriteF32(v.y);
        out.WriteF32(v.z);
        out.WriteF32(v.u);
        out.WriteF32(v.v);
    }
    for (const ChunkTriangle& t : chunk.triangles) {
        out.WriteU16(t.v[0]);
        out.WriteU16(t.v[1]);
        out.WriteU16(t.v[2]);
    }
    for (const gtVector3& n : chunk.normals) {
        WriteVector(out, n);
    }
    for (const gtVector3& n : chunk.faceNormals) {
        WriteVector(out, n);
    }
    if (tangents) {
        for (const gtVector3& t : chunk.tangents) {
            WriteVector(out, t);
        }
    }
    EndChunk(out, mark);
}

// Bones merged by name ignoring case, in order of first appearance over the chunks' lists.
void WriteInfluences(binofstream& out, const IndexedMesh& mesh) {
    std::vector<const GenericBoneInfluence*> firsts;
    for (const auto& list : mesh.chunkInfluences) {
        for (int b = 0; b < list->Count(); ++b) {
            const GenericBoneInfluence& bone = (*list)[b];
            bool known = false;
            for (const GenericBoneInfluence* first : firsts) {
                if (gtString::CompareNoCase(first->boneName, bone.boneName) == 0) {
                    known = true;
                    break;
                }
            }
            if (!known) {
                firsts.push_back(&bone);
            }
        }
    }

    const ChunkMark mark = BeginChunk(out, "INFL");
    out.WriteU32(ImVersion::kInfluences);
    out.WriteU32(static_cast<uint32_t>(firsts.size()));
    for (const GenericBoneInfluence* first : firsts) {
        WritePaddedString(out, first->boneName);
        WritePaddedString(out, first->parentName);
        WriteVector(out, first->bindPosition);
        WriteMatrix(out, first->bindMatrix);
        const ChunkMark countMark = RecordCount(out);
        uint32_t entries = 0;
        for (size_t i = 0; i < mesh.chunkInfluences.size(); ++i) {
            const GenericMeshInfluence& list = *mesh.chunkInfluences[i];
            for (int b = 0; b < list.Count(); ++b) {
                const GenericBoneInfluence& bone = list[b];
                if (gtString::CompareNoCase(first->boneName, bone.boneName) != 0) {
                    continue;
                }
                ++entries;
                out.WriteU32(static_cast<uint32_t>(i));
                out.WriteU32(static_cast<uint32_t>(bone.weights.size()));
                for (const GenericVertexWeight& w : bone.weights) {
                    out.WriteI32(w.vertex);
                    out.WriteF32(w.weight);
                    WriteVector(out, w.position);
                }
            }
        }
        PatchCount(out, countMark, entries);
    }
    EndChunk(out, mark);
}

// The bone tree at the rest pose; each BONE holds its name and its transform relative to its
// parent (the root's in model space), then its child count.
void WriteSkeleton(binofstream& out, ConverterExGenericSkeleton& skeleton) {
    skeleton.PrepareForFrame(0);
    WriteBoneTree(out, skeleton.RootNode(), ImVersion::kSkeleton, ImVersion::kBone,
                  [](binofstream& stream, const ExGenericSkeleton::Node& node) {
                      WritePaddedString(stream, node.name);
                      gtVector3 position = node.position;
                      gtQuat rotation = node.rotation;
                      if (node.parent != nullptr) {
                          const gtQuat inverse = QuatConjugate(node.parent->rotation);
                          rotation = QuatMultiply(inverse, node.rotation);
                          position = QuatRotate(inverse, node.position - node.parent->position);
                      }
                      WriteVector(stream, position);
                      stream.WriteF32(rotation.x);
                      stream.WriteF32(rotation.y);
                      stream.WriteF32(rotation.z);
                      stream.WriteF32(rotation.w);
                      stream.WriteU32(static_cast<uint32_t>(node.children.Count()));
                  });
}

void WriteAttachments(binofstream& out, const IndexedMesh& mesh) {
    const ChunkMark mark = BeginChunk(out, "ATCH");
    out.WriteU32(ImVersion::kAttachments);
    out.WriteU32(static_cast<uint32_t>(mesh.attachments.size()));
    for (const GenericAttachment& a : mesh.attachments) {
        WritePaddedString(out, a.name);
        WriteMatrix(out, a.rotation);
        WriteVector(out, a.position);
    }
    EndChunk(out, mark);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void ReportOutOfMemoryWritingIm(const gtString& path, tlLog& log) {
    log.Error("Out of memory writing IM file: '%s'", path.c_str());
    log.Error("Failed to write IM file: '%s'", path.c_str());
}

bool WriteIndexedMeshFile(const gtString& path, IndexedMesh& mesh,
                          ConverterExGenericSkeleton* skeleton, ChunkOptimiser& optimiser,
                          const ReportContext& report,
                          const std::optional<uint32_t>& referenceNameSeed) {
    tlLog& log = report.log;
    R250Random random(referenceNameSeed ? *referenceNameSeed : platform::Milliseconds());
    const gtString baseName = PathTitle(path);
    TextureDescriptorState descriptors;
    descriptors.imPath = path;
    descriptors.ui = &report.ui;
    descriptors.askAboutAll = false;
    descriptors.overwriteAll = true;
    descriptors.written = report.written;

    bool ok = false;
    try {
        {
            AtomicOutputFile target(path.c_str());
            binofstream out(target.TempPath().c_str());
            if (out.is_open()) {
                ok = true;
                const ChunkMark form = BeginChunk(out, "VIRF");
                out.WriteId("IDXM");
                ComputeInfluenceStats(mesh);
                WriteInfo(out, mesh);
                optimiser.Begin(mesh);
                for (uint32_t i = 0; i < mesh.ChunkCount() && ok; ++i) {
                    const OptimisedChunk optimised = optimiser.Take(i);
                    const gtString status =
                        gtString::Format("Writing chunk %u of %u", i + 1, mesh.ChunkCount());
                    report.ui.ShowStatus(status.c_str());
                    report.ui.ShowProgress(static_cast<float>(i) /
                                           static_cast<float>(mesh.ChunkCount()));
                    if (!optimised.printed.empty()) {
                        PrintText(optimised.printed, report);
                    }
                    if (!optimised.ok) {
                        log.Error("Too many vertices in chunk %d (%d, at most 65535)",
                                  static_cast<int>(i), static_cast<int>(optimised.vertexCount));
                        ok = false;
                        break;
                    }
                    IndexedMeshChunk& chunk = *mesh.chunks[i];
                    const ChunkMark chunkMark = BeginChunk(out, "CHNK");
                    out.WriteU32(ImVersion::kChunk);
                    out.WriteU32(i);
                    WriteMaterial(out, chunk, baseName, random, descriptors);
                    WriteGeometry(out, chunk, mesh.influencesPerVertex[i]);
                    EndChunk(out, chunkMark);
                }
                if (ok) {
                    if (skeleton != nullptr) {
                        WriteSkeleton(out, *skeleton);
                    } else if (mesh.HasChunkInfluences()) {
                        WriteInfluences(out, mesh);
                    }
                    if (!mesh.attachments.empty()) {
                        WriteAttachments(out, mesh);
                    }
                    EndChunk(out, form);
                }
                ok = out.Close() && ok;
                ok = ok && target.Commit();
                if (ok && report.written != nullptr) {
                    report.written->Line(path.c_str());
                }
            }
        }
    } catch (const std::bad_alloc&) {
        ReportOutOfMemoryWritingIm(path, log);
        return false;
    }

    if (ok) {
        log.Info(
            "Wrote IM file '%s' with:\nnumTriangles=%d\nnumVertices=%d\nnumChunks=%d\n"
            "numAttachments=%d\nskeleton = %s (non-rigid will set 'false')\ninfluenceArray = %s\n",
            path.c_str(), static_cast<int>(mesh.triangleTotal), static_cast<int>(mesh.vertexTotal),
            static_cast<int>(mesh.ChunkCount()), static_cast<int>(mesh.attachments.size()),
            skeleton != nullptr ? "true" : "false", mesh.HasChunkInfluences() ? "true" : "false");
    } else {
        log.Error("Failed to write IM file: '%s'", path.c_str());
    }
    return ok;
}
