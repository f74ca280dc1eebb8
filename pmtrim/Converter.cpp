// Converter and the getters: the library's four exports and its process-wide state.
//
// A run checks the extension, clears the working files, removes the NINF chunks one pass at a
// time (last first), then the PMIN chunks the same way, and renames the last working file to
// the output name. Cost: one scan per pass plus one copy of the file per removed chunk.
#include <string>

#include "pmtrim/ChunkRemover.h"
#include "pmtrim/PmPlatform.h"
#include "pmtrim/PmScanner.h"
#include "pmtrim/PmTrimState.h"
#include "pmtrim/pmtrim.h"

namespace {

// The text up to and including the last separator; empty when there is none.
std::string FolderPart(const std::string& path) {
    const std::size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

// The text after the last separator.
std::string FileNamePart(const std::string& path) {
    const std::size_t at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Removes the chunks of one kind, last first, rescanning after each pass.
bool RemoveAll(PmTrimState& state, PmChunkKind kind) {
    for (;;) {
        if (!ScanPmFile())
            return false;
        const std::uint32_t found =
            kind == PmChunkKind::Ninf ? state.scan.ninfStart : state.scan.pminStart;
        if (found == 0)
            return true;
        if (!RemoveChunk(kind))
            return false;
        PmDispatchWindowMessages();
    }
}

bool Run(const std::string& source, const std::string& destination) {
    PmTrimState& state = TrimState();
    const std::size_t dot = source.rfind('.');
    if (dot == std::string::npos || AsciiLower(source.substr(dot)) != ".pm") {
        state.errorText = "Not a pm file";
        return false;
    }
    // The working files would overwrite a source of the same name before it is read.
    const std::string name = AsciiLower(FileNamePart(source));
    if (name == "temp.pm" || name == "temp1.pm") {
        state.errorText = "Source file name is used for working files, processing stopped.";
        return false;
    }

    state.sourcePath = source;
    state.workFolder = FolderPart(source);
    PmDeleteFile(TempPath(state));
    PmDeleteFile(WorkPath(state));
    state.chunkCount = 0;
    state.removedCount = 0;
    state.counting = true;

    if (!RemoveAll(state, PmChunkKind::Ninf) || !RemoveAll(state, PmChunkKind::Pmin))
        return false;
    // Nothing removed: the result is a copy of the source.
    if (state.removedCount == 0 && !CopySourceToWorkFile())
        return false;

    const std::string output = destination.empty() ? source.substr(0, source.size() - 3) + ".im"
                                                   : state.workFolder + FileNamePart(destination);
    // A replacing rename: any file at the output path goes, the source stays until then.
    if (output != WorkPath(state) && !PmRenameFile(WorkPath(state), output)) {
        state.errorText = "file rename error";
        return false;
    }
    return true;
}

}  // namespace

PmTrimState& TrimState() {
    static PmTrimState state;
    return state;
}

// ---------------------------------------------------------------------------------------------
// Exports

extern "C" {

PMTRIM_EXPORT bool PMTRIM_CALL Converter(const char* source, const char* destination) {
    try {
        return Run(source ? source : "", destination ? destination : "");
    } catch (...) {
        // Nothing may leave the library; only allocation can throw here.
        TrimState().counting = false;
        TrimState().errorText = "Out of memory, processing stopped.";
        return false;
    }
}

PMTRIM_EXPORT const char* PMTRIM_CALL GetError() {
    return TrimState().errorText.c_str();
}

PMTRIM_EXPORT std::int32_t PMTRIM_CALL GetChunkCount() {
    return TrimState().chunkCount;
}

PMTRIM_EXPORT std::int32_t PMTRIM_CALL GetRemovedCount() {
    return TrimState().removedCount;
}
}
