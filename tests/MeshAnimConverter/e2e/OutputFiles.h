// Helpers of the end-to-end tests: running the converter in-process with its console captured,
// and reading back every chunk of the .im and .kin files it wrote with the chunk reader. The
// readers are strict: every chunk must be read to its last byte, so a wrong size, a missing
// field or a field too many is a failure with the reader's message.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "../mesh/MeshTestFiles.h"  // kJoin, ScratchFolder
#include "MeshAnimConverter/chunks/ChunkReader.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/driver/ProgramEntry.h"
#include "toolkit/WinDebug.h"

// ---------------------------------------------------------------------------------------------
// Running the program

struct ProgramRun {
    int status = -1;
    std::string console;
};

// `seed` fixes the reference names' random part.
inline ProgramRun RunConverter(std::vector<std::string> args,
                               std::optional<uint32_t> seed = std::nullopt) {
    std::FILE* out = std::tmpfile();
    std::FILE* in = std::tmpfile();
    programLog.Reset();
    WinDebug::SetEnabled(false);
    args.insert(args.begin(), "VantokMeshImporter");
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    ProgramRun run;
    run.status = ProgramMain(static_cast<int>(argv.size()), argv.data(), out, in, seed);
    programLog.SetOutput(nullptr);
    std::fflush(out);
    const long end = std::ftell(out);
    run.console.resize(end > 0 ? static_cast<size_t>(end) : 0u);
    std::rewind(out);
    run.console.resize(std::fread(run.console.data(), 1, run.console.size(), out));
    std::fclose(out);
    std::fclose(in);
    programLog.Reset();
    return run;
}

// The console text without the closing summary's elapsed time, which changes from run to run:
// "Process completed after <time> with" becomes "Process completed after * with".
inline std::string WithoutElapsedTime(const std::string& console) {
    const std::string head = "Process completed after ";
    std::string text = console;
    const size_t at = text.find(head);
    if (at != std::string::npos) {
        const size_t end = text.find(" with ", at);
        if (end != std::string::npos) {
            text.replace(at + head.size(), end - at - head.size(), "*");
        }
    }
    return text;
}

// ---------------------------------------------------------------------------------------------
// The .im file

struct ImMap {
    int32_t slot = 0;
    std::string fileName;
    float amount = 0;
};

struct ImChunk {
    // CHNK
    uint32_t version = 0;
    uint32_t index = 0;
    // MATL
    uint32_t materialVersion = 0;
    std::string referenceName;
    uint32_t pairCount = 0;
    uint32_t twoSided = 0;
    float opacity = 0;
    std::array<float, 12> colours{};  // ambient, diffuse, specular, emissive
    float shine = 0;
    std::vector<ImMap> maps;
    // GEOM
    uint32_t geometrySize = 0;
    uint32_t geometryVersion = 0;
    uint32_t primitiveCode = 0;
    uint32_t flags = 0;
    float meanArea = 0;
    uint32_t vertexCount = 0;
    uint32_t triangleCount = 0;
    uint32_t indexCount = 0;
    uint32_t triangleCountAgain = 0;
    uint32_t influencesPerVertex = 0;
    std::string boundNode;
    std::vector<std::array<float, 5>> vertices;
    std::vector<std::array<uint16_t, 3>> triangles;
    std::vector<std::array<float, 3>> normals;
    std::vector<std::array<float, 3>> faceNormals;
    std::vector<std::array<float, 3>> tangents;
};

struct ImWeight {
    int32_t vertex = 0;
    float weight = 0;
    std::array<float, 3> position{};
};

struct ImChunkEntry {
    uint32_t chunk = 0;
    std::vector<ImWeight> weights;
};

struct ImBone {
    std::string name;
    std::string parent;
    std::array<float, 3> position{};
    std::array<float, 9> matrix{};
    std::vector<ImChunkEntry> entries;
};

struct ImSkeletonBone {
    std::string name;
    std::array<float, 3> position{};
    std::array<float, 4> rotation{};
    std::vector<ImSkeletonBone> children;
};

struct ImAttachment {
    std::string name;
    std::array<float, 9> matrix{};
    std::array<float, 3> position{};
};

struct ImFile {
    std::string form;
    std::vector<std::string> order;  // ids of the chunks inside the form
    uint32_t infoSize = 0;
    uint32_t infoVersion = 0;
    std::array<float, 3> origin{};
    std::array<float, 4> orientation{};
    uint32_t chunkCount = 0;
    uint32_t influencesPerVertex = 0;
    uint32_t bonesPerChunk = 0;
    std::array<float, 3> boxMin{};
    std::array<float, 3> boxMax{};
    std::vector<ImChunk> chunks;
    uint32_t influenceVersion = 0;
    std::vector<ImBone> bones;
    uint32_t skeletonVersion = 0;
    std::vector<ImSkeletonBone> skeleton;  // the root, when there is a SKEL chunk
    uint32_t attachmentVersion = 0;
    std::vector<ImAttachment> attachments;
};

namespace e2e_detail {

template <size_t N>
bool ReadFloats(ChunkReader& r, std::array<float, N>& values) {
    for (float& v : values) {
        if (!r.ReadF32(v)) {
            return false;
        }
    }
    return true;
}

inline bool ReadSkeletonBone(ChunkReader& r, ImSkeletonBone& bone, int depth) {
    ChunkInfo info;
    uint32_t version = 0;
    uint32_t children = 0;
    if (depth > 64 || !r.EnterChunk(info) || info.id != "BONE" || !r.ReadU32(version) ||
        version != 100 || !r.ReadPaddedString(bone.name) || !ReadFloats(r, bone.position) ||
        !ReadFloats(r, bone.rotation) || !r.ReadU32(children)) {
        return false;
    }
    bone.children.resize(children);
    for (ImSkeletonBone& child : bone.children) {
        if (!ReadSkeletonBone(r, child, depth + 1)) {
            return false;
        }
    }
    return r.LeaveChunk();
}

inline bool ReadMaterial(ChunkReader& r, ImChunk& c) {
    ChunkInfo info;
    if (!r.EnterChunk(info) || info.id != "MATL" || !r.ReadU32(c.materialVersion) ||
        !r.ReadPaddedString(c.referenceName) || !r.ReadU32(c.pairCount)) {
        return false;
    }
    for (uint32_t p = 0; p < c.pairCount; ++p) {
        std::string a;
        std::string b;
        if (!r.ReadPaddedString(a) || !r.ReadPaddedString(b)) {
            return false;
        }
    }
    uint32_t mapCount = 0;
    if (!r.ReadU32(c.twoSided) || !r.ReadF32(c.opacity) || !ReadFloats(r, c.colours) ||
        !r.ReadF32(c.shine) || !r.ReadU32(mapCount)) {
        return false;
    }
    c.maps.resize(mapCount);
    for (ImMap& m : c.maps) {
        if (!r.ReadI32(m.slot) || !r.ReadPaddedString(m.fileName) || !r.ReadF32(m.amount)) {
            return false;
        }
    }
    return r.LeaveChunk();
}

inline bool ReadGeometry(ChunkReader& r, ImChunk& c) {
    ChunkInfo info;
    if (!r.EnterChunk(info) || info.id != "GEOM") {
        return false;
    }
    c.geometrySize = info.size;
    if (!r.ReadU32(c.geometryVersion) || !r.ReadU32(c.primitiveCode) || !r.ReadU32(c.flags) ||
        !r.ReadF32(c.meanArea) || !r.ReadU32(c.vertexCount) || !r.ReadU32(c.triangleCount) ||
        !r.ReadU32(c.indexCount) || !r.ReadU32(c.triangleCountAgain) ||
        !r.ReadU32(c.influencesPerVertex) || !r.ReadPaddedString(c.boundNode)) {
        return false;
    }
    if (c.vertexCount > 65536u || c.triangleCount > 65536u * 4u) {
        return false;
    }
    c.vertices.resize(c.vertexCount);
    for (auto& v : c.vertices) {
        if (!ReadFloats(r, v)) {
            return false;
        }
    }
    c.triangles.resize(c.triangleCount);
    for (auto& t : c.triangles) {
        for (uint16_t& i : t) {
            if (!r.ReadU16(i)) {
                return false;
            }
        }
    }
    c.normals.resize(c.vertexCount);
    for (auto& n : c.normals) {
        if (!ReadFloats(r, n)) {
            return false;
        }
    }
    c.faceNormals.resize(c.triangleCount);
    for (auto& n : c.faceNormals) {
        if (!ReadFloats(r, n)) {
            return false;
        }
    }
    if ((c.flags & 1u) != 0) {
        c.tangents.resize(c.vertexCount);
        for (auto& t : c.tangents) {
            if (!ReadFloats(r, t)) {
                return false;
            }
        }
    }
    return r.LeaveChunk();
}

inline bool ReadInfluences(ChunkReader& r, ImFile& file) {
    uint32_t count = 0;
    if (!r.ReadU32(file.influenceVersion) || !r.ReadU32(count) || count > 100000u) {
        return false;
    }
    file.bones.resize(count);
    for (ImBone& b : file.bones) {
        uint32_t entries = 0;
        if (!r.ReadPaddedString(b.name) || !r.ReadPaddedString(b.parent) ||
            !ReadFloats(r, b.position) || !ReadFloats(r, b.matrix) || !r.ReadU32(entries) ||
            entries > 100000u) {
            return false;
        }
        b.entries.resize(entries);
        for (ImChunkEntry& e : b.entries) {
            uint32_t weights = 0;
            if (!r.ReadU32(e.chunk) || !r.ReadU32(weights) || weights > r.Remaining() / 20u) {
                return false;
            }
            e.weights.resize(weights);
            for (ImWeight& w : e.weights) {
                if (!r.ReadI32(w.vertex) || !r.ReadF32(w.weight) || !ReadFloats(r, w.position)) {
                    return false;
                }
            }
        }
    }
    return true;
}

}  // namespace e2e_detail

// Reads the whole .im file; false with a message in `error` at the first problem.
inline bool ReadImFile(const std::string& path, ImFile& file, std::string& error) {
    using namespace e2e_detail;
    std::vector<std::uint8_t> bytes;
    if (!ChunkReader::LoadFile(path, bytes, error)) {
        return false;
    }
    ChunkReader r(std::move(bytes));
    auto fail = [&r, &error](const std::string& what) {
        error = what + (r.Ok() ? std::string() : ": " + r.Error());
        return false;
    };
    if (!r.ReadForm(file.form)) {
        return fail("form");
    }
    ChunkInfo info;
    while (!r.AtEnd()) {
        if (!r.EnterChunk(info)) {
            return fail("chunk header");
        }
        file.order.push_back(info.id);
        if (info.id == "INFO") {
            file.infoSize = info.size;
            if (!r.ReadU32(file.infoVersion) || !ReadFloats(r, file.origin) ||
                !ReadFloats(r, file.orientation) || !r.ReadU32(file.chunkCount) ||
                !r.ReadU32(file.influencesPerVertex) || !r.ReadU32(file.bonesPerChunk) ||
                !ReadFloats(r, file.boxMin) || !ReadFloats(r, file.boxMax) || !r.LeaveChunk()) {
                return fail("INFO");
            }
        } else if (info.id == "CHNK") {
            ImChunk& c = file.chunks.emplace_back();
            if (!r.ReadU32(c.version) || !r.ReadU32(c.index) || !ReadMaterial(r, c) ||
                !ReadGeometry(r, c) || !r.LeaveChunk()) {
                return fail("CHNK " + std::to_string(file.chunks.size() - 1));
            }
        } else if (info.id == "INFL") {
            if (!ReadInfluences(r, file) || !r.LeaveChunk()) {
                return fail("INFL");
            }
        } else if (info.id == "SKEL") {
            file.skeleton.resize(1);
            if (!r.ReadU32(file.skeletonVersion) || !ReadSkeletonBone(r, file.skeleton[0], 0) ||
                !r.LeaveChunk()) {
                return fail("SKEL");
            }
        } else if (info.id == "ATCH") {
            uint32_t count = 0;
            if (!r.ReadU32(file.attachmentVersion) || !r.ReadU32(count) || count > 100000u) {
                return fail("ATCH");
            }
            file.attachments.resize(count);
            for (ImAttachment& a : file.attachments) {
                if (!r.ReadPaddedString(a.name) || !ReadFloats(r, a.matrix) ||
                    !ReadFloats(r, a.position)) {
                    return fail("ATCH");
                }
            }
            if (!r.LeaveChunk()) {
                return fail("ATCH");
            }
        } else {
            return fail("unexpected chunk " + info.id);
        }
    }
    if (!r.Ok()) {
        return fail("end");
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// The .kin file: the header, the bone names in pre-order and the frames.

struct KinFile {
    std::string form;
    std::string name;
    uint32_t frameCount = 0;
    uint32_t frameRate = 0;
    float one = 0;
    uint32_t eventCount = 0;
    std::vector<std::string> bones;  // pre-order
    std::vector<uint32_t> frames;    // the frame number of each FRAM chunk
    std::vector<std::vector<float>> poses;
};

inline bool ReadKinFile(const std::string& path, KinFile& file, std::string& error) {
    std::vector<std::uint8_t> bytes;
    if (!ChunkReader::LoadFile(path, bytes, error)) {
        return false;
    }
    ChunkReader r(std::move(bytes));
    ChunkInfo info;
    uint32_t version = 0;
    auto fail = [&r, &error](const std::string& what) {
        error = what + (r.Ok() ? std::string() : ": " + r.Error());
        return false;
    };
    if (!r.ReadForm(file.form) || !r.EnterChunk(info) || info.id != "INFO" || !r.ReadU32(version) ||
        !r.ReadPaddedString(file.name) || !r.ReadU32(file.frameCount) ||
        !r.ReadU32(file.frameRate) || !r.ReadF32(file.one) || !r.LeaveChunk()) {
        return fail("INFO");
    }
    if (!r.EnterChunk(info) || info.id != "EVNT" || !r.ReadU32(version) ||
        !r.ReadU32(file.eventCount) || !r.SkipChunk()) {
        return fail("EVNT");
    }
    if (!r.EnterChunk(info) || info.id != "SKEL" || !r.ReadU32(version)) {
        return fail("SKEL");
    }
    // BONE chunks nest; walk them with the reader's own depth
    const size_t base = r.Depth();
    while (r.Depth() >= base) {
        if (r.AtEnd()) {
            if (!r.LeaveChunk()) {
                return fail("BONE");
            }
            continue;
        }
        uint32_t children = 0;
        std::string name;
        if (!r.EnterChunk(info) || info.id != "BONE" || !r.ReadU32(version) ||
            !r.ReadPaddedString(name) || !r.ReadU32(children)) {
            return fail("BONE");
        }
        file.bones.push_back(name);
    }
    while (!r.AtEnd()) {
        uint32_t frame = 0;
        if (!r.EnterChunk(info) || info.id != "FRAM" || !r.ReadU32(version) || !r.ReadU32(frame) ||
            info.size != 8u + 28u * file.bones.size()) {
            return fail("FRAM");
        }
        file.frames.push_back(frame);
        std::vector<float>& pose = file.poses.emplace_back(7u * file.bones.size());
        for (float& f : pose) {
            r.ReadF32(f);
        }
        if (!r.LeaveChunk()) {
            return fail("FRAM");
        }
    }
    return r.Ok() || fail("end");
}
