// Helpers of the import tests: a glTF writer (JSON text plus one binary buffer file) for models
// whose content is known by construction, and running the import in-process with its standard
// output and standard error captured.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MeshAnimConverter/driver/LogFile.h"
#include "tests/MeshAnimConverter/mesh/MeshTestFiles.h"
#include "toolkit/WinDebug.h"
#include "tools/import/ImportRun.h"

// Accessors and buffer views appended to one binary buffer; the JSON around them is written by
// the test, which refers to accessors by the indices returned here.
class GltfWriter {
public:
    int Floats(const std::vector<float>& values, const char* type, int count) {
        return Add(values.data(), values.size() * 4, 5126, type, count);
    }
    int Shorts(const std::vector<std::uint16_t>& values, const char* type, int count) {
        return Add(values.data(), values.size() * 2, 5123, type, count);
    }
    // The file pair: `name`.gltf with `body` (the JSON members other than asset, buffers,
    // bufferViews and accessors) and `name`.bin. Returns the .gltf path.
    std::string Write(const ScratchFolder& folder, const std::string& name,
                      const std::string& body) const {
        WriteWholeFile(folder.File(name + ".bin"), m_bin);
        std::string json = "{\"asset\":{\"version\":\"2.0\"},\"buffers\":[{\"uri\":\"" + name +
                           ".bin\",\"byteLength\":" + std::to_string(m_bin.size()) +
                           "}],\"bufferViews\":[" + Join(m_views) + "],\"accessors\":[" +
                           Join(m_accessors) + "]," + body + "}";
        WriteWholeFile(folder.File(name + ".gltf"), json);
        return folder.File(name + ".gltf");
    }

private:
    int Add(const void* data, size_t bytes, int component, const char* type, int count) {
        while (m_bin.size() % 4 != 0) {
            m_bin.push_back('\0');
        }
        m_views.push_back("{\"buffer\":0,\"byteOffset\":" + std::to_string(m_bin.size()) +
                          ",\"byteLength\":" + std::to_string(bytes) + "}");
        m_bin.append(static_cast<const char*>(data), bytes);
        m_accessors.push_back("{\"bufferView\":" + std::to_string(m_views.size() - 1) +
                              ",\"componentType\":" + std::to_string(component) + ",\"count\":" +
                              std::to_string(count) + ",\"type\":\"" + type + "\"}");
        return static_cast<int>(m_accessors.size()) - 1;
    }
    static std::string Join(const std::vector<std::string>& items) {
        std::string text;
        for (size_t i = 0; i < items.size(); ++i) {
            text += (i > 0 ? "," : "") + items[i];
        }
        return text;
    }

    std::string m_bin;
    std::vector<std::string> m_views;
    std::vector<std::string> m_accessors;
};

struct ImportOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string ReadBack(std::FILE* f) {
    std::fflush(f);
    std::string text;
    const long end = std::ftell(f);
    text.resize(end > 0 ? static_cast<size_t>(end) : 0u);
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    return text;
}

// Runs the import (and with options.convert the converter) with the console captured.
inline ImportOutcome RunImportCaptured(const ImportOptions& options) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    programLog.Reset();
    WinDebug::SetEnabled(false);
    ImportOutcome outcome;
    outcome.status = RunImport(options, out, err);
    programLog.SetOutput(nullptr);
    programLog.Reset();
    outcome.out = ReadBack(out);
    outcome.err = ReadBack(err);
    return outcome;
}
