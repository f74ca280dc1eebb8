// AtomicOutputFile: temporary file beside the target, renamed into place on success.
#include "MeshAnimConverter/chunks/AtomicOutputFile.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <system_error>
#include <utility>

namespace {

std::filesystem::path PathFromUtf8(const std::string& path) {
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t*>(path.data()), path.size()));
}

// Eight hex digits, so that two writers of the same target never share a temporary file.
std::string RandomSuffix() {
    std::uint32_t value = 0;
    try {
        std::random_device device;
        value = device();
    } catch (...) {
        value = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&value) ^ 0x9e3779b9u);
    }
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

}  // namespace

AtomicOutputFile::AtomicOutputFile(std::string targetPath)
    : target_(std::move(targetPath)), temp_(target_ + "." + RandomSuffix() + ".tmp") {}

AtomicOutputFile::~AtomicOutputFile() {
    Discard();
}

bool AtomicOutputFile::Commit() {
    if (done_)
        return false;
    std::error_code error;
    // std::filesystem::rename replaces an existing target, on Windows too.
    std::filesystem::rename(PathFromUtf8(temp_), PathFromUtf8(target_), error);
    if (error) {
        Discard();
        return false;
    }
    done_ = true;
    return true;
}

void AtomicOutputFile::Discard() {
    if (done_)
        return;
    done_ = true;
    std::error_code error;
    std::filesystem::remove(PathFromUtf8(temp_), error);
}
