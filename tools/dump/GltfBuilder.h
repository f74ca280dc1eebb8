// GltfBuilder: the glTF document and its binary buffer while an export is assembled.
//
// Views are appended to one buffer, each aligned to 4 bytes; accessors describe them. Repairs
// are collected as warning kinds, each reported once however often it applied.
#pragma once

#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

namespace gltf {

constexpr int kUnsignedByte = 5121;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kFloat = 5126;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;

}  // namespace gltf

struct GltfBuilder {
    nlohmann::ordered_json doc;
    std::vector<std::uint8_t> bin;
    std::vector<std::string> warnings;  // in the order first met, each once

    void Warn(const std::string& kind) {
        for (const std::string& w : warnings) {
            if (w == kind)
                return;
        }
        warnings.push_back(kind);
    }

    // Appends `bytes` as a buffer view; `target` 0 leaves the view without a target.
    int AddView(const void* data, std::size_t bytes, int target) {
        while (bin.size() % 4 != 0) bin.push_back(0);
        nlohmann::ordered_json view = {
            {"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", bytes}};
        if (target != 0)
            view["target"] = target;
        const auto* p = static_cast<const std::uint8_t*>(data);
        bin.insert(bin.end(), p, p + bytes);
        doc["bufferViews"].push_back(view);
        return static_cast<int>(doc["bufferViews"].size()) - 1;
    }

    // An accessor over a whole view.
    int AddAccessor(int view, int componentType, std::size_t count, const char* type,
                    nlohmann::ordered_json min = nullptr, nlohmann::ordered_json max = nullptr) {
        nlohmann::ordered_json a = {{"bufferView", view},
                                    {"componentType", componentType},
                                    {"count", count},
                                    {"type", type}};
        if (!min.is_null()) {
            a["min"] = std::move(min);
            a["max"] = std::move(max);
        }
        doc["accessors"].push_back(a);
        return static_cast<int>(doc["accessors"].size()) - 1;
    }

    // Floats of `width` components per element, with min and max when asked.
    int AddFloats(const std::vector<float>& values, int width, const char* type, int target,
                  bool bounds) {
        const int view = AddView(values.data(), values.size() * sizeof(float), target);
        nlohmann::ordered_json min = nullptr;
        nlohmann::ordered_json max = nullptr;
        if (bounds && !values.empty()) {
            min = nlohmann::ordered_json::array();
            max = nlohmann::ordered_json::array();
            for (int c = 0; c < width; ++c) {
                float lo = values[c];
                float hi = values[c];
                for (std::size_t i = c; i < values.size(); i += width) {
                    lo = values[i] < lo ? values[i] : lo;
                    hi = values[i] > hi ? values[i] : hi;
                }
                min.push_back(lo);
                max.push_back(hi);
            }
        }
        return AddAccessor(view, gltf::kFloat, values.size() / width, type, min, max);
    }
};
