// GltfImages: file lookup, format sniffing, and stb's decode and PNG encode.
#include "tools/dump/GltfImages.h"

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "tools/common/FileChecks.h"
#include "tools/dump/TextureDescriptor.h"

namespace {

namespace fs = std::filesystem;

using Pixels = std::unique_ptr<stbi_uc, void (*)(void*)>;

bool IsFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool ReadBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& problem) {
    problem = InputProblem(path);
    if (!problem.empty()) {
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        problem = "cannot be read";
        return false;
    }
    return true;
}

bool StartsWith(const std::vector<std::uint8_t>& bytes, const char* magic, std::size_t size) {
    return bytes.size() >= size && std::memcmp(bytes.data(), magic, size) == 0;
}

Pixels Decode(const std::vector<std::uint8_t>& bytes, int channels, int& width, int& height) {
    int stored = 0;
    stbi_uc* pixels = bytes.size() > 0x7fffffffu
                          ? nullptr
                          : stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()),
                                                  &width, &height, &stored, channels);
    return Pixels(pixels, stbi_image_free);
}

void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* p = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), p, p + size);
}

bool EncodePng(const stbi_uc* pixels, int width, int height, std::vector<std::uint8_t>& out) {
    out.clear();
    return stbi_write_png_to_func(AppendBytes, &out, width, height, 4, pixels, width * 4) != 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

std::string FindImageFile(const std::string& imPath, const std::string& name,
                          const std::vector<std::string>& imageDirs) {
    if (name.empty()) {
        return std::string();
    }
    std::string relative = name;
    for (char& c : relative) {
        c = c == '\\' ? '/' : c;
    }
    const fs::path beside = fs::path(imPath).parent_path() / relative;
    if (IsFile(beside)) {
        return beside.string();
    }
    for (const std::string& dir : imageDirs) {
        const fs::path candidate = fs::path(dir) / FileNamePart(name);
        if (IsFile(candidate)) {
            return candidate.string();
        }
    }
    return std::string();
}

GltfImage LoadGltfImage(const std::string& primaryPath, const std::string& alphaPath) {
    GltfImage image;
    std::vector<std::uint8_t> bytes;
    if (!ReadBytes(primaryPath, bytes, image.problem)) {
        return image;
    }
    const bool png = StartsWith(bytes, "\x89PNG\r\n\x1a\n", 8);
    const bool jpeg = StartsWith(bytes, "\xff\xd8\xff", 3);
    if ((png || jpeg) && alphaPath.empty()) {
        image.ok = true;
        image.mimeType = png ? "image/png" : "image/jpeg";
        image.bytes = std::move(bytes);
        return image;
    }
    int width = 0, height = 0;
    const Pixels colour = Decode(bytes, 4, width, height);
    if (colour == nullptr) {
        image.problem = std::string("not an image stb reads (") + stbi_failure_reason() + ")";
        return image;
    }
    if (!alphaPath.empty()) {
        std::vector<std::uint8_t> alphaBytes;
        int aw = 0, ah = 0;
        if (!ReadBytes(alphaPath, alphaBytes, image.problem)) {
            image.problem = "alpha image '" + alphaPath + "' " + image.problem;
            return image;
        }
        const Pixels alpha = Decode(alphaBytes, 1, aw, ah);
        if (alpha == nullptr || aw != width || ah != height) {
            image.problem = "alpha image '" + alphaPath + "' unreadable or of another size";
            return image;
        }
        const std::size_t count = static_cast<std::size_t>(width) * height;
        for (std::size_t i = 0; i < count; ++i) colour.get()[4 * i + 3] = alpha.get()[i];
    }
    if (!EncodePng(colour.get(), width, height, image.bytes)) {
        image.problem = "could not be written as PNG";
        return image;
    }
    image.ok = true;
    image.mimeType = "image/png";
    return image;
}
