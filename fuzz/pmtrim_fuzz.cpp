// Fuzz target for pmtrim: writes each input as a .pm file in a private folder and converts it
// through the Converter export. Every input must end the call, and a successful call must leave
// an output no longer than its input.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "pmtrim/pmtrim.h"

namespace {

namespace fs = std::filesystem;

// A private folder for the input, its output and the working files, removed at exit.
struct ScratchFolder {
    fs::path path;
    ScratchFolder()
        : path(fs::temp_directory_path() /
               ("pmtrim_fuzz_" + std::to_string(std::random_device{}()))) {
        fs::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
};

const fs::path& Folder() {
    static const ScratchFolder folder;
    return folder.path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path source = Folder() / "input.pm";
    const fs::path output = Folder() / "input.im";
    {
        std::ofstream out(source, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    std::error_code error;
    fs::remove(output, error);
    if (Converter(source.string().c_str(), nullptr)) {
        const auto length = fs::file_size(output, error);
        if (error || length > size || GetRemovedCount() != GetChunkCount())
            __builtin_trap();
    }
    return 0;
}
