// ScanPmFile: header checks and the chunk walk of a progressive-mesh file.
#include "pmtrim/PmScanner.h"

#include <cstring>

#include "pmtrim/PmFile.h"
#include "pmtrim/PmPlatform.h"
#include "pmtrim/PmTrimState.h"

namespace {

constexpr const char* kPastEnd = "Chunk extends past end of file, processing stopped.";
constexpr const char* kNoEnclosingChunk =
    "Cannot find \"CHNK\" chunk enclosing \"NINF\", processing stopped.";
constexpr const char* kInsideChunk = "Chunk inside \"CHNK\" chunk, processing stopped.";

struct ChunkHeader {
    char id[4] = {0, 0, 0, 0};
    std::uint32_t size = 0;
    std::uint32_t versionOrForm = 0;  // the version, or the form type of "VIRF"
};

bool IsId(const ChunkHeader& header, const char* id) {
    return std::memcmp(header.id, id, 4) == 0;
}

bool HasPmExtension(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.size() - dot != 3)
        return false;
    return (path[dot + 1] == 'p' || path[dot + 1] == 'P') &&
           (path[dot + 2] == 'm' || path[dot + 2] == 'M');
}

// The walk over one open file. Positions are 64-bit here so that a size that would wrap a
// 32-bit position is seen as lying past the end instead of wrapping.
class Scan {
public:
    Scan(PmFile& file, PmTrimState& state) : file_(file), state_(state) {}

    bool Run();

private:
    bool ReadHeader(ChunkHeader& header, bool fileHeader);
    bool Skip();
    bool Fail(const char* message) {
        state_.errorText = message;
        return false;
    }
    void Count() {
        if (state_.counting)
            ++state_.chunkCount;
    }
    bool ScanChunk();
    bool ScanNestedChunk(std::uint64_t chunkEnd);

    PmFile& file_;
    PmTrimState& state_;
    std::uint64_t length_ = 0;      // bytes in the file
    std::uint64_t position_ = 0;    // bytes consumed from the start
    std::uint64_t end_ = 0;         // "VIRF" size + 8
    std::uint64_t next_ = 0;        // start of the chunk after the current one
    std::uint64_t chunkStart_ = 0;  // start of the last CHNK header, 0 before any
    std::uint64_t chunkEnd_ = 0;    // end of the last CHNK
};

// Reads an id, a size and the form type (file header) or version (any other chunk).
bool Scan::ReadHeader(ChunkHeader& header, bool fileHeader) {
    if (file_.Read(header.id, 4) != 4 || !file_.ReadU32(header.size) ||
        !file_.ReadU32(header.versionOrForm))
        return false;
    if (fileHeader && IsId(header, "VIRF")) {
        end_ = std::uint64_t{header.size} + 8;
        position_ = 12;
    } else {
        next_ = position_ + 8 + header.size;
        position_ += 12;
    }
    return true;
}

bool Scan::Skip() {
    position_ = next_;
    return file_.Seek(next_);
}

bool Scan::Run() {
    ChunkHeader header;
    if (!file_.Length(length_))
        return Fail("File read error in file header");
    position_ = 0;
    if (!ReadHeader(header, true))
        return Fail("File read error in file header");
    if (IsId(header, "CFIL"))
        return Fail("Cannot decode built-in content, processing stopped.");
    if (!IsId(header, "VIRF"))
        return Fail("Cannot find \"VIRF\" Vorn file ID, processing stopped.");
    if (std::memcmp(&header.versionOrForm, "IDXM", 4) != 0)
        return Fail("Cannot find \"IDXM\" Vorn Progressive Mesh file type ID, processing stopped.");
    if (end_ > length_ || end_ < 12 || end_ > 0xFFFFFFFFu)
        return Fail(kPastEnd);

    // INFO: its words by version, read one after another; a short read does not stop the scan.
    if (!ReadHeader(header, false))
        return false;
    if (!IsId(header, "INFO"))
        return Fail("Cannot find \"INFO\" chunk.");
    if (next_ > end_)
        return Fail(kPastEnd);
    const auto version = static_cast<std::int32_t>(header.versionOrForm);
    int words = 8;
    if (version >= 102)
        words += 2;
    if (version >= 104)
        words += 6;
    for (int i = 0; i < words; ++i) {
        std::uint32_t word = 0;
        file_.ReadU32(word);
    }
    position_ += 4u * static_cast<unsigned>(words);

    while (position_ < end_)
        if (!ScanChunk())
            return false;
    return true;
}

// One top-level chunk: dispatch on the id, check its end, then record and skip it.
bool Scan::ScanChunk() {
    ChunkHeader header;
    if (!ReadHeader(header, false))
        return Fail("File read error in Chunk Header");
    const std::uint64_t start = position_ - 12;
    const bool isChunk = IsId(header, "CHNK");
    const bool isNinf = IsId(header, "NINF");
    const bool isPmin = IsId(header, "PMIN");
    if (!isChunk && !isNinf && !isPmin && !IsId(header, "INFL") && !IsId(header, "ATCH") &&
        !IsId(header, "SKEL"))
        return Fail("Cannot identify chunk..  processing stopped");
    if (next_ > end_)
        return Fail(kPastEnd);

    if (isChunk) {
        // A CHNK inside the last one would leave the outer size wrong after a removal.
        if (chunkStart_ != 0 && start < chunkEnd_)
            return Fail(kInsideChunk);
        chunkStart_ = start;
        chunkEnd_ = next_;
        std::uint32_t index = 0;
        if (!file_.ReadU32(index))
            return Fail("File read error in Chunk Header");
        position_ += 4;
        return ScanNestedChunk(chunkEnd_) && ScanNestedChunk(chunkEnd_);
    }
    if (isNinf) {
        Count();
        // The removal corrects the size of the last CHNK, so the NINF must lie inside it.
        if (chunkStart_ == 0 || next_ > chunkEnd_)
            return Fail(kNoEnclosingChunk);
        state_.scan.ninfStart = static_cast<std::uint32_t>(start);
        state_.scan.ninfLength = header.size + 8u;
        state_.scan.ninfChunkStart = static_cast<std::uint32_t>(chunkStart_);
    } else if (isPmin) {
        Count();
        // Only the file's own size is corrected for a PMIN.
        if (chunkStart_ != 0 && start < chunkEnd_)
            return Fail(kInsideChunk);
        state_.scan.pminStart = static_cast<std::uint32_t>(start);
        state_.scan.pminLength = header.size + 8u;
    }
    if (!Skip())
        return Fail("File read error in Chunk Header");
    return true;
}

// One of the two chunks at the start of a CHNK payload, skipped whatever its id.
bool Scan::ScanNestedChunk(std::uint64_t chunkEnd) {
    ChunkHeader header;
    if (!ReadHeader(header, false))
        return Fail("File read error in Chunk Header");
    if (next_ > chunkEnd)
        return Fail(kPastEnd);
    if (!Skip())
        return Fail("File read error in Chunk Header");
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry point

bool ScanPmFile() {
    PmTrimState& state = TrimState();
    state.scan = PmScanResult{};
    bool ok = false;
    if (!PmFileExists(state.sourcePath)) {
        state.errorText = "File Not Found.";
    } else if (HasPmExtension(state.sourcePath)) {
        PmFile file;
        if (!file.OpenRead(state.sourcePath)) {
            state.errorText = "file open error";
        } else {
            ok = Scan(file, state).Run();
            file.Close();
        }
    }
    state.counting = false;
    return ok;
}
