// DumpModel: what vantok-dump reads out of an .im, .kin or .pm file, field by field.
//
// The readers fill it (DumpReader), and the text and JSON dumps, the validator and the glTF
// export read it. Every record keeps the file offset of the chunk it came from, so findings
// can name where they are. Problems met while reading are kept as issues; a framing error
// that stops the reading is the `fatal` issue.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Float3 = std::array<float, 3>;

// One finding: an error or a warning, the chunk it concerns and the offset in the file.
struct DumpIssue {
    bool error = true;
    std::string chunk;  // such as "CHNK 2 GEOM"; empty for the file as a whole
    std::size_t offset = 0;
    std::string message;
    bool wholeFile = false;  // about the file as a whole (cannot be read): no offset is named
};

// A chunk of the tree as stored: id, header offset, payload size and nesting depth (the form's
// own chunks have depth 0).
struct ChunkNode {
    std::string id;
    std::size_t offset = 0;
    std::uint32_t size = 0;
    int depth = 0;
};

struct MeshMap {
    std::int32_t slot = 0;
    std::string fileName;
    float amount = 0;
};

struct MeshMaterial {
    std::size_t offset = 0;
    std::uint32_t version = 0;
    std::string referenceName;
    std::vector<std::pair<std::string, std::string>> pairs;
    std::uint32_t twoSided = 0;
    float opacity = 0;
    Float3 ambient{}, diffuse{}, specular{}, emissive{};
    float shine = 0;
    std::vector<MeshMap> maps;
};

struct MeshGeometry {
    std::size_t offset = 0;
    std::uint32_t version = 0;
    std::uint32_t primitiveCode = 0;
    std::uint32_t flags = 0;
    float meanTriangleArea = 0;
    std::uint32_t vertexCount = 0;
    std::uint32_t triangleCount = 0;
    std::uint32_t indexCount = 0;
    std::uint32_t triangleCountAgain = 0;
    std::uint32_t influencesPerVertex = 0;
    std::string boundNode;
    std::size_t trianglesOffset = 0;             // file offset of the first triangle
    std::vector<std::array<float, 5>> vertices;  // x, y, z, u, v
    std::vector<std::array<std::uint16_t, 3>> triangles;
    std::vector<Float3> normals;
    std::vector<Float3> faceNormals;
    std::vector<Float3> tangents;  // present when flag bit 0 is set
    bool HasTangents() const { return (flags & 1u) != 0; }
};

struct MeshChunk {
    std::size_t offset = 0;
    std::uint32_t version = 0;
    std::uint32_t index = 0;
    MeshMaterial material;
    MeshGeometry geometry;
    std::vector<ChunkNode> progressive;  // NINF chunks nested after MATL and GEOM
};

struct MeshWeight {
    std::int32_t vertex = 0;
    float weight = 0;
    Float3 position{};
};

struct MeshChunkEntry {
    std::size_t offset = 0;
    std::uint32_t chunk = 0;
    std::vector<MeshWeight> weights;
};

struct MeshBone {
    std::size_t offset = 0;
    std::string name;
    std::string parent;
    Float3 position{};
    std::array<float, 9> matrix{};  // row by row
    std::vector<MeshChunkEntry> entries;
};

// A BONE chunk of a bone tree, flattened in pre-order; `parent` is an index into the same list.
struct TreeBone {
    std::size_t offset = 0;
    std::string name;
    int parent = -1;
    int depth = 0;
    std::uint32_t childCount = 0;  // as stored
    Float3 position{};             // .im SKEL only: relative to the parent
    std::array<float, 4> rotation{0, 0, 0, 1};
};

struct MeshAttachment {
    std::string name;
    std::array<float, 9> matrix{};
    Float3 position{};
};

struct MeshInfo {
    std::size_t offset = 0;
    std::uint32_t version = 0;
    Float3 origin{};
    std::array<float, 4> orientation{};
    std::uint32_t chunkCount = 0;
    std::uint32_t influencesPerVertex = 0;
    std::uint32_t bonesPerChunk = 0;
    Float3 boxMin{}, boxMax{};
};

struct MeshModel {
    MeshInfo info;
    std::vector<MeshChunk> chunks;
    bool hasInfluences = false;
    std::size_t influencesOffset = 0;
    std::vector<MeshBone> bones;  // INFL
    bool hasSkeleton = false;
    std::vector<TreeBone> skeleton;  // SKEL
    bool hasAttachments = false;
    std::vector<MeshAttachment> attachments;
    std::vector<ChunkNode> progressive;  // top-level PMIN (and stray NINF) chunks
};

struct KinEvent {
    std::int32_t frame = 0;
    std::int32_t type = 0;
    std::string name;
};

struct KinFrame {
    std::size_t offset = 0;
    std::uint32_t size = 0;
    std::int32_t frame = 0;
    // per bone of the tree in pre-order: model-space position x, y, z and the conjugate of the
    // model-space rotation x, y, z, w
    std::vector<std::array<float, 7>> poses;
};

struct KinModel {
    std::size_t infoOffset = 0;
    std::string name;
    std::int32_t frameCount = 0;
    std::int32_t frameRate = 0;
    float scale = 0;  // the float after the frame rate, 1.0 as written
    std::size_t eventsOffset = 0;
    std::vector<KinEvent> events;
    std::vector<TreeBone> bones;
    std::vector<KinFrame> frames;
};

enum class DumpKind { Unknown, IndexedMesh, Animation };

struct DumpFile {
    std::string path;
    bool progressiveMesh = false;  // the name ends in .pm: the scan rules of trimming apply
    std::size_t length = 0;
    std::string form;
    DumpKind kind = DumpKind::Unknown;
    std::vector<ChunkNode> tree;
    MeshModel im;
    KinModel kin;
    std::vector<DumpIssue> issues;   // found while reading
    std::optional<DumpIssue> fatal;  // the error that stopped the reading
};
