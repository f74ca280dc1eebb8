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
    Scan(PmFile& file, PmTrimState& state) : m_file(file), m_state(state) {}

    bool Run();

private:
    bool ReadHeader(ChunkHeader& header, bool fileHeader);
    bool Skip();
    bool Fail(const char* message) {
        m_state.errorText = message;
        return false;
    }
    void Count() {
        if (m_state.counting)
            ++m_state.chunkCount;
    }
    bool ScanChunk();
    bool ScanNestedChunk(std::uint64_t chunkEnd);

    PmFile& m_file;
    PmTrimState& m_state;
    std::uint64_t m_length = 0;      // bytes in the file
    std::uint64_t m_position = 0;    // bytes consumed from the start
    std::uint64_t m_end = 0;         // "VIRF" size + 8
    std::uint64_t m_next = 0;        // start of the chunk after the current one
    std::uint64_t m_chunkStart = 0;  // start of the last CHNK header, 0 before any
    std::uint64_t m_chunkEnd = 0;    // end of the last CHNK
};

// Reads an id, a size and the form type (file header) or version (any other chunk).
bool Scan::ReadHeader(ChunkHeader& header, bool fileHeader) {
    if (m_file.Read(header.id, 4) != 4 || !m_file.ReadU32(header.size) ||
        !m_file.ReadU32(header.versionOrForm))
        return false;
    if (fileHeader && IsId(header, "VIRF")) {
        m_end = std::uint64_t{header.size} + 8;
        m_position = 12;
    } else {
        m_next = m_position + 8 + header.size;
        m_position += 12;
    }
    return true;
}

bool Scan::Skip() {
    m_position = m_next;
    return m_file.Seek(m_next);
}

bool Scan::Run() {
    ChunkHeader header;
    if (!m_file.Length(m_length))
        return Fail("File read error in file header");
    m_position = 0;
    if (!ReadHeader(header, true))
        return Fail("File read error in file header");
    if (IsId(header, "CFIL"))
        return Fail("Cannot decode built-in content, processing stopped.");
    if (!IsId(header, "VIRF"))
        return Fail("Cannot find \"VIRF\" Vorn file ID, processing stopped.");
    if (std::memcmp(&header.versionOrForm, "IDXM", 4) != 0)
        return Fail("Cannot find \"IDXM\" Vorn Progressive Mesh file type ID, processing stopped.");
    if (m_end > m_length || m_end < 12 || m_end > 0xFFFFFFFFu)
        return Fail(kPastEnd);

    // INFO: its words by version, read one after another; a short read does not stop the scan.
    if (!ReadHeader(header, false))
        return false;
    if (!IsId(header, "INFO"))
        return Fail("Cannot find \"INFO\" chunk.");
    if (m_next > m_end)
        return Fail(kPastEnd);
    const auto version = static_cast<std::int32_t>(header.versionOrForm);
    int words = 8;
    if (version >= 102)
        words += 2;
    if (version >= 104)
        words += 6;
    for (int i = 0; i < words; ++i) {
        std::uint32_t word = 0;
        m_file.ReadU32(word);
    }
    m_position += 4u * static_cast<unsigned>(words);

    while (m_position < m_end)
        if (!ScanChunk())
            return false;
    return true;
}

// One top-level chunk: dispatch on the id, check its end, then record and skip it.
bool Scan::ScanChunk() {
    ChunkHeader header;
    if (!ReadHeader(header, false))
        return Fail("File read error in Chunk Header");
    const std::uint64_t start = m_position - 12;
    const bool isChunk = IsId(header, "CHNK");
    const bool isNinf = IsId(header, "NINF");
    const bool isPmin = IsId(header, "PMIN");
    if (!isChunk && !isNinf && !isPmin && !IsId(header, "INFL") && !IsId(header, "ATCH") &&
        !IsId(header, "SKEL"))
        return Fail("Cannot identify chunk..  processing stopped");
    if (m_next > m_end)
        return Fail(kPastEnd);

    if (isChunk) {
        // A CHNK inside the last one would leave the outer size wrong after a removal.
        if (m_chunkStart != 0 && start < m_chunkEnd)
            return Fail(kInsideChunk);
        m_chunkStart = start;
        m_chunkEnd = m_next;
        std::uint32_t index = 0;
        if (!m_file.ReadU32(index))
            return Fail("File read error in Chunk Header");
        m_position += 4;
        return ScanNestedChunk(m_chunkEnd) && ScanNestedChunk(m_chunkEnd);
    }
    if (isNinf) {
        Count();
        // The removal corrects the size of the last CHNK, so the NINF must lie inside it.
        if (m_chunkStart == 0 || m_next > m_chunkEnd)
            return Fail(kNoEnclosingChunk);
        m_state.scan.ninfStart = static_cast<std::uint32_t>(start);
        m_state.scan.ninfLength = header.size + 8u;
        m_state.scan.ninfChunkStart = static_cast<std::uint32_t>(m_chunkStart);
    } else if (isPmin) {
        Count();
        // Only the file's own size is corrected for a PMIN.
        if (m_chunkStart != 0 && start < m_chunkEnd)
            return Fail(kInsideChunk);
        m_state.scan.pminStart = static_cast<std::uint32_t>(start);
        m_state.scan.pminLength = header.size + 8u;
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
    if (m_next > chunkEnd)
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
