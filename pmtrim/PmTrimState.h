// PmTrimState: the library's process-wide state, shared by the run, the scan and the removal.
//
// It lives from load to unload. The error text is set by every failure that has a message and
// never cleared; the counts and paths describe the current (or last) Converter call; the scan
// results describe the last NINF (with its enclosing CHNK) and the last PMIN of the file most
// recently scanned, 0 meaning "none found".
#pragma once

#include <cstdint>
#include <string>

struct PmScanResult {
    std::uint32_t ninfStart = 0;       // start of the last NINF header
    std::uint32_t ninfLength = 0;      // its size + 8
    std::uint32_t ninfChunkStart = 0;  // start of the CHNK that encloses it
    std::uint32_t pminStart = 0;       // start of the last PMIN header
    std::uint32_t pminLength = 0;      // its size + 8
};

struct PmTrimState {
    std::string errorText;
    std::int32_t chunkCount = 0;
    std::int32_t removedCount = 0;
    bool counting = false;   // on for the first scan of a call only
    std::string sourcePath;  // the file the next scan reads
    std::string workFolder;  // the source's folder, with its trailing separator
    PmScanResult scan;
};

PmTrimState& TrimState();

// Names of the working files in the working folder.
inline std::string TempPath(const PmTrimState& state) {
    return state.workFolder + "temp.pm";
}
inline std::string WorkPath(const PmTrimState& state) {
    return state.workFolder + "temp1.pm";
}
