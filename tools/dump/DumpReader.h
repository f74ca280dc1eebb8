// DumpReader: reads an .im, .kin or .pm file into the dump model.
//
// The form type decides how the chunks are read ("IDXM": indexed mesh, "ANIM": animation); a
// file named .pm is read by the stricter rules of progressive-mesh trimming, which list the
// NINF and PMIN chunks it would remove (read only: no library state is touched). Reading walks
// the project's bounds-checked ChunkReader, so a damaged file ends in one `fatal` issue with
// its offset, never in a crash. Cost: one pass over the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshAnimConverter/chunks/ChunkReader.h"
#include "tools/dump/DumpModel.h"

// Reads the file at `path`; a file that cannot be loaded gives a `fatal` issue.
DumpFile ReadDumpFile(const std::string& path);

// Reads a file already in memory; `path` is used for its name (extension .pm) and messages.
DumpFile ReadDumpBytes(std::vector<std::uint8_t> bytes, const std::string& path);

// The chunk reader together with the model's tree: every chunk entered is recorded.
struct DumpWalk {
    ChunkReader& reader;
    DumpFile& file;

    // Enters the next chunk and records it in the tree.
    bool Enter(ChunkInfo& chunk);
    // Records the reader's error as fatal, naming `chunk`; always false.
    bool Fail(const std::string& chunk);
    // Records an error of our own as fatal; always false.
    bool Fail(const std::string& chunk, std::size_t offset, const std::string& message);
    // Records a finding that does not stop the reading.
    void Issue(bool error, const std::string& chunk, std::size_t offset,
               const std::string& message);
};

// The form readers, called after the form header: true when the whole form was read.
bool ReadIndexedMeshForm(DumpWalk& walk);
bool ReadAnimationForm(DumpWalk& walk);

// Reads the BONE chunk tree that follows in the current chunk (SKEL), without recursion, into
// `bones` in pre-order. `withTransform`: each BONE holds a position and a rotation (.im).
bool ReadBoneTree(DumpWalk& walk, std::vector<TreeBone>& bones, bool withTransform);

// Reads n floats; false on a reader error.
template <std::size_t N>
bool ReadFloatArray(ChunkReader& reader, std::array<float, N>& values) {
    for (float& v : values) {
        if (!reader.ReadF32(v))
            return false;
    }
    return true;
}
