// OutputFolderCompare: the canonical chunk text of .im files and the folder comparison.
#include "OutputFolderCompare.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "MeshAnimConverter/chunks/ChunkReader.h"

namespace {

namespace fs = std::filesystem;

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Appends `id`, the payload length and the payload, so no two trees share a text.
void AppendRecord(std::string& text, const std::string& id, const std::string& payload) {
    text += id;
    text += ' ';
    text += std::to_string(payload.size());
    text += ':';
    text += payload;
    text += '\n';
}

bool ReadRest(ChunkReader& reader, std::string& payload) {
    std::string rest(reader.Remaining(), '\0');
    if (!reader.ReadBytes(rest.data(), rest.size()))
        return false;
    payload += rest;
    return true;
}

// A leaf chunk, read to its end; MATL starts with its version and the reference name.
bool AppendLeaf(ChunkReader& reader, const ChunkInfo& chunk, std::string& text) {
    std::string payload;
    if (chunk.id == "MATL") {
        std::uint32_t version = 0;
        std::string name;
        if (!reader.ReadU32(version) || !reader.ReadPaddedString(name))
            return false;
        payload = std::to_string(version) + ' ' + MaskReferenceName(name) + '|';
    }
    if (!ReadRest(reader, payload) || !reader.LeaveChunk())
        return false;
    AppendRecord(text, chunk.id, payload);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

std::string MaskReferenceName(const std::string& name) {
    if (name.empty() || name[0] != '*')
        return name;
    const size_t second = name.find('*', 1);
    if (second == std::string::npos)
        return name;
    const size_t third = name.find('*', second + 1);
    if (third == std::string::npos)
        return name;
    const size_t length = third - second - 1;
    if (length < 1 || length > 8 ||
        !std::all_of(name.begin() + second + 1, name.begin() + third, IsUpperHex))
        return name;
    return name.substr(0, second + 1) + '#' + name.substr(third);
}

bool CanonicalIndexedMesh(const std::vector<std::uint8_t>& bytes, std::string& canonical,
                          std::string& error) {
    ChunkReader reader(bytes);
    std::string form;
    canonical.clear();
    bool ok = reader.ReadForm(form);
    if (ok)
        AppendRecord(canonical, "VIRF", form);
    while (ok && !reader.AtEnd()) {
        ChunkInfo chunk;
        ok = reader.EnterChunk(chunk);
        if (!ok)
            break;
        if (chunk.id != "CHNK") {
            ok = AppendLeaf(reader, chunk, canonical);
            continue;
        }
        // CHNK: version and index, then its nested chunks.
        std::string header(8, '\0');
        ok = reader.ReadBytes(header.data(), header.size());
        if (ok)
            AppendRecord(canonical, "CHNK", header);
        while (ok && !reader.AtEnd()) {
            ChunkInfo nested;
            ok = reader.EnterChunk(nested) && AppendLeaf(reader, nested, canonical);
        }
        ok = ok && reader.LeaveChunk();
    }
    if (!ok)
        error = reader.Error().empty() ? "unreadable chunk tree" : reader.Error();
    return ok;
}

std::vector<std::string> CompareOutputFolders(const std::string& expected,
                                              const std::string& actual) {
    std::vector<std::string> differences;
    std::set<std::string> names[2];
    const std::string folders[2] = {expected, actual};
    for (int side = 0; side < 2; ++side) {
        std::error_code failure;
        for (const fs::directory_entry& entry : fs::directory_iterator(folders[side], failure)) {
            if (entry.is_regular_file())
                names[side].insert(entry.path().filename().string());
        }
        if (failure)
            differences.push_back("cannot list " + folders[side] + ": " + failure.message());
    }
    for (const std::string& name : names[0]) {
        if (!names[1].count(name))
            differences.push_back("missing: " + name);
    }
    for (const std::string& name : names[1]) {
        if (!names[0].count(name))
            differences.push_back("unexpected: " + name);
    }
    for (const std::string& name : names[0]) {
        if (!names[1].count(name))
            continue;
        std::vector<std::uint8_t> bytes[2];
        std::string error;
        if (!ChunkReader::LoadFile(expected + "/" + name, bytes[0], error) ||
            !ChunkReader::LoadFile(actual + "/" + name, bytes[1], error)) {
            differences.push_back(error);
            continue;
        }
        if (fs::path(name).extension() != ".im") {
            if (bytes[0] != bytes[1])
                differences.push_back("bytes differ: " + name);
            continue;
        }
        std::string text[2];
        for (int side = 0; side < 2; ++side) {
            if (!CanonicalIndexedMesh(bytes[side], text[side], error))
                differences.push_back(folders[side] + "/" + name + ": " + error);
        }
        if (text[0] != text[1])
            differences.push_back("chunks differ: " + name);
    }
    return differences;
}
