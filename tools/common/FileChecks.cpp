// FileChecks: open, write and rename through the C runtime and std::filesystem, keeping errno.
#include "tools/common/FileChecks.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "MeshAnimConverter/chunks/AtomicOutputFile.h"

std::string InputProblem(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return "is a directory";
    }
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return errno != 0 ? std::strerror(errno) : "cannot be opened";
    }
    // a read of one byte finds what an open alone does not (a directory on some systems)
    char byte = 0;
    const bool failed = std::fread(&byte, 1, 1, f) == 0 && std::ferror(f) != 0;
    const int readError = errno;
    std::fclose(f);
    if (failed) {
        return readError != 0 ? std::strerror(readError) : "cannot be read";
    }
    return std::string();
}

bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         std::string& error) {
    AtomicOutputFile file(path);
    errno = 0;
    std::FILE* f = std::fopen(file.TempPath().c_str(), "wb");
    if (f == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be created";
        return false;
    }
    errno = 0;
    const bool written = std::fwrite(data, 1, size, f) == size;
    int reason = errno;
    const bool closed = std::fclose(f) == 0;
    reason = reason != 0 ? reason : errno;
    if (!written || !closed) {
        error = reason != 0 ? std::strerror(reason) : "the write failed";
        return false;
    }
    std::error_code ec;
    std::filesystem::rename(file.TempPath(), path, ec);
    if (ec) {
        error = ec.message();
        return false;  // the temporary file goes with `file`
    }
    return true;
}
