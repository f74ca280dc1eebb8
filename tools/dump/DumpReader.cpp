// DumpReader: loads the file, checks the form header and hands over to the form's reader.
#include "tools/dump/DumpReader.h"

#include <exception>
#include <utility>

#include "tools/common/FileChecks.h"

namespace {

bool EndsWithPm(const std::string& path) {
    if (path.size() < 3)
        return false;
    const std::string tail = path.substr(path.size() - 3);
    return tail[0] == '.' && (tail[1] == 'p' || tail[1] == 'P') &&
           (tail[2] == 'm' || tail[2] == 'M');
}

}  // namespace

bool DumpWalk::Enter(ChunkInfo& chunk) {
    // the tree depth counts chunks inside the form: the form scope is the reader's first
    const int depth = static_cast<int>(reader.Depth()) - 1;
    if (!reader.EnterChunk(chunk))
        return false;
    file.tree.push_back(ChunkNode{chunk.id, chunk.start, chunk.size, depth});
    return true;
}

bool DumpWalk::Fail(const std::string& chunk) {
    if (!file.fatal)
        file.fatal = DumpIssue{true, chunk, reader.Offset(), reader.Error()};
    return false;
}

bool DumpWalk::Fail(const std::string& chunk, std::size_t offset, const std::string& message) {
    if (!file.fatal)
        file.fatal = DumpIssue{true, chunk, offset, message};
    return false;
}

void DumpWalk::Issue(bool error, const std::string& chunk, std::size_t offset,
                     const std::string& message) {
    file.issues.push_back(DumpIssue{error, chunk, offset, message});
}

bool ReadBoneTree(DumpWalk& walk, std::vector<TreeBone>& bones, bool withTransform) {
    ChunkReader& r = walk.reader;
    // the open BONE chunks, innermost last, as indices into `bones`
    std::vector<int> open;
    const std::size_t base = r.Depth();
    if (r.AtEnd())
        return true;  // a skeleton without a root holds no BONE chunk
    do {
        if (!open.empty() && r.AtEnd()) {
            if (!r.LeaveChunk())
                return walk.Fail("BONE");
            open.pop_back();
            continue;
        }
        ChunkInfo info;
        if (!walk.Enter(info))
            return walk.Fail("SKEL");
        if (info.id != "BONE")
            return walk.Fail("SKEL", info.start,
                             "Chunk '" + info.id + "' where a BONE chunk was expected");
        TreeBone bone;
        bone.offset = info.start;
        bone.parent = open.empty() ? -1 : open.back();
        bone.depth = static_cast<int>(open.size());
        std::uint32_t version = 0;
        if (!r.ReadU32(version) || !r.ReadPaddedString(bone.name))
            return walk.Fail("BONE");
        if (withTransform &&
            (!ReadFloatArray(r, bone.position) || !ReadFloatArray(r, bone.rotation)))
            return walk.Fail("BONE");
        if (!r.ReadU32(bone.childCount))
            return walk.Fail("BONE");
        open.push_back(static_cast<int>(bones.size()));
        bones.push_back(std::move(bone));
    } while (r.Depth() > base);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Entry points

DumpFile ReadDumpBytes(std::vector<std::uint8_t> bytes, const std::string& path) {
    DumpFile file;
    file.path = path;
    file.progressiveMesh = EndsWithPm(path);
    file.length = bytes.size();
    ChunkReader reader(std::move(bytes));
    DumpWalk walk{reader, file};
    if (!reader.ReadForm(file.form)) {
        walk.Fail("");
        return file;
    }
    if (file.form == "IDXM") {
        file.kind = DumpKind::IndexedMesh;
        ReadIndexedMeshForm(walk);
    } else if (file.form == "ANIM") {
        file.kind = DumpKind::Animation;
        ReadAnimationForm(walk);
    } else {
        walk.Fail("", 8, "Unknown form type '" + file.form + "' (expected IDXM or ANIM)");
    }
    if (file.progressiveMesh && file.kind != DumpKind::IndexedMesh && !file.fatal)
        walk.Fail("", 8, "A progressive mesh must have the form type IDXM");
    return file;
}

DumpFile ReadDumpFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    std::string error = InputProblem(path);
    bool loaded = false;
    if (error.empty()) {
        try {
            loaded = ChunkReader::LoadFile(path, bytes, error);
        } catch (const std::exception& e) {
            error = std::string("cannot be read: ") + e.what();
        }
    }
    if (!loaded) {
        DumpFile file;
        file.path = path;
        file.fatal = DumpIssue{true, "", 0, error, true};
        return file;
    }
    return ReadDumpBytes(std::move(bytes), path);
}
