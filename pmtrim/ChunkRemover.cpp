// RemoveChunk: the removal pass and the plain copy, through the working files.
#include "pmtrim/ChunkRemover.h"

#include <cstdint>

#include "pmtrim/PmFile.h"
#include "pmtrim/PmPlatform.h"
#include "pmtrim/PmTrimState.h"

namespace {

struct Removal {
    std::uint64_t start = 0;       // first byte dropped
    std::uint64_t length = 0;      // bytes dropped
    bool patchChunk = false;       // correct the enclosing CHNK's size too
    std::uint64_t chunkStart = 0;  // start of that CHNK
};

bool Fail(PmTrimState& state, const char* message) {
    state.errorText = message;
    return false;
}

// Subtracts `length` from the 32-bit size stored at `offset` of the working file.
bool PatchSize(PmTrimState& state, PmFile& file, std::uint64_t offset, std::uint64_t length) {
    std::uint32_t size = 0;
    if (!file.Seek(offset) || !file.ReadU32(size))
        return Fail(state, "error reading file size");
    if (!file.Seek(offset) || !file.WriteU32(size - static_cast<std::uint32_t>(length)))
        return Fail(state, "error writing file size");
    return true;
}

// Writes the source into temp.pm without the bytes of `removal` and corrects the sizes. Both
// files are closed on return.
bool WriteTempFile(PmTrimState& state, const Removal& removal, const std::string& temp) {
    PmFile source;
    PmFile target;
    if (!source.OpenRead(state.sourcePath) || !target.Create(temp))
        return Fail(state, "file open error");

    PmCopyResult copied = PmCopy(source, target, removal.start, false);
    if (copied == PmCopyResult::Done && !PmDrop(source, removal.length))
        copied = PmCopyResult::ShortRead;
    if (copied == PmCopyResult::Done)
        copied = PmCopy(source, target, 0, true);
    if (copied == PmCopyResult::ShortRead)
        return Fail(state, "file read error");
    if (copied == PmCopyResult::ShortWrite || !target.Flush())
        return Fail(state, "file write error");

    if (removal.length > 0) {
        if (removal.patchChunk && !PatchSize(state, target, removal.chunkStart + 4, removal.length))
            return false;
        if (!PatchSize(state, target, 4, removal.length))
            return false;
    }
    if (!target.Close())
        return Fail(state, "file write error");
    return true;
}

// The pass around WriteTempFile: a failed pass leaves no temp.pm behind; a completed one moves
// it to temp1.pm (a replacing rename stands for "delete temp1.pm, then rename"), which becomes
// the current source.
bool WriteWorkFile(PmTrimState& state, const Removal& removal) {
    const std::string temp = TempPath(state);
    const std::string work = WorkPath(state);
    if (!WriteTempFile(state, removal, temp)) {
        PmDeleteFile(temp);
        return false;
    }
    if (!PmRenameFile(temp, work)) {
        PmDeleteFile(temp);
        return Fail(state, "file rename error");
    }
    state.sourcePath = work;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool RemoveChunk(PmChunkKind kind) {
    PmTrimState& state = TrimState();
    Removal removal;
    if (kind == PmChunkKind::Ninf) {
        removal.start = state.scan.ninfStart;
        removal.length = state.scan.ninfLength;
        removal.patchChunk = true;
        removal.chunkStart = state.scan.ninfChunkStart;
    } else {
        removal.start = state.scan.pminStart;
        removal.length = state.scan.pminLength;
    }
    if (!WriteWorkFile(state, removal))
        return false;
    ++state.removedCount;
    return true;
}

bool CopySourceToWorkFile() {
    return WriteWorkFile(TrimState(), Removal{});
}
