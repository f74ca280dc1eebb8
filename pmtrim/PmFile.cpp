// PmFile: buffered binary file over std::filebuf, and the copy loop of the removal pass.
#include "pmtrim/PmFile.h"

#include <algorithm>

namespace {

// The stream buffer serves the scan's small reads between seeks, so it stays small; the copy
// loop moves large blocks, which the stream passes straight to the system.
constexpr std::size_t kBufferSize = 16 * 1024;
constexpr std::size_t kCopyBlock = 1024 * 1024;

}  // namespace

PmFile::PmFile() : m_buffer(kBufferSize) {
    // Must precede open to take effect.
    m_file.pubsetbuf(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
}

PmFile::~PmFile() {
    m_file.close();
}

bool PmFile::OpenRead(const std::string& path) {
    return m_file.open(path.c_str(), std::ios::in | std::ios::binary) != nullptr;
}

bool PmFile::Create(const std::string& path) {
    return m_file.open(path.c_str(), std::ios::in | std::ios::out | std::ios::trunc |
                                         std::ios::binary) != nullptr;
}

std::size_t PmFile::Read(void* data, std::size_t n) {
    const std::streamsize done =
        m_file.sgetn(static_cast<char*>(data), static_cast<std::streamsize>(n));
    return done > 0 ? static_cast<std::size_t>(done) : 0;
}

std::size_t PmFile::Write(const void* data, std::size_t n) {
    const std::streamsize done =
        m_file.sputn(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    return done > 0 ? static_cast<std::size_t>(done) : 0;
}

bool PmFile::ReadU32(std::uint32_t& value) {
    unsigned char bytes[4];
    if (Read(bytes, 4) != 4)
        return false;
    value = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
            std::uint32_t{bytes[3]} << 24;
    return true;
}

bool PmFile::WriteU32(std::uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    return Write(bytes, 4) == 4;
}

bool PmFile::Seek(std::uint64_t position) {
    const auto target = static_cast<std::streamoff>(position);
    return m_file.pubseekpos(std::streampos(target)) == std::streampos(target);
}

bool PmFile::Length(std::uint64_t& length) {
    const std::streampos end = m_file.pubseekoff(0, std::ios::end);
    if (end == std::streampos(std::streamoff(-1)))
        return false;
    length = static_cast<std::uint64_t>(std::streamoff(end));
    return Seek(0);
}

bool PmFile::Flush() {
    return m_file.pubsync() == 0;
}

bool PmFile::Close() {
    if (!m_file.is_open())
        return true;
    return m_file.close() != nullptr;
}

// ---------------------------------------------------------------------------------------------
// Copy loop

PmCopyResult PmCopy(PmFile& from, PmFile& to, std::uint64_t count, bool toEnd) {
    std::vector<char> block(kCopyBlock);
    while (toEnd || count > 0) {
        const std::size_t want =
            toEnd ? block.size()
                  : static_cast<std::size_t>(std::min<std::uint64_t>(count, block.size()));
        const std::size_t got = from.Read(block.data(), want);
        if (got > 0 && to.Write(block.data(), got) != got)
            return PmCopyResult::ShortWrite;
        if (!toEnd)
            count -= got;
        if (got < want)
            return toEnd ? PmCopyResult::Done : PmCopyResult::ShortRead;
    }
    return PmCopyResult::Done;
}

bool PmDrop(PmFile& from, std::uint64_t count) {
    std::vector<char> block(kCopyBlock);
    while (count > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(count, block.size()));
        const std::size_t got = from.Read(block.data(), want);
        count -= got;
        if (got < want)
            return false;
    }
    return true;
}
