// AtomicOutputFile: temporary file beside the target, renamed into place on success.
#include "MeshAnimConverter/chunks/AtomicOutputFile.h"

#include <cstdint>
#include <cstdio>
#include <random>
#include <utility>

#include "toolkit/platform/Platform.h"

namespace {

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
    : m_target(std::move(targetPath)), m_temp(m_target + "." + RandomSuffix() + ".tmp") {}

AtomicOutputFile::~AtomicOutputFile() {
    Discard();
}

bool AtomicOutputFile::Commit() {
    if (m_done)
        return false;
    // replaces an existing target on every platform; never throws
    if (!platform::RenameFile(m_temp.c_str(), m_target.c_str())) {
        Discard();
        return false;
    }
    m_done = true;
    return true;
}

void AtomicOutputFile::Discard() {
    if (m_done)
        return;
    m_done = true;
    platform::RemoveFile(m_temp.c_str());
}
