#include "tools/view/AssetJson.h"

#include "tools/dump/DumpReader.h"
#include "tools/dump/TextDump.h"

nlohmann::ordered_json SummaryJson(const AssetSummary& summary) {
    nlohmann::ordered_json json;
    json["name"] = summary.name;
    json["title"] = summary.title;
    json["kind"] = summary.interchange ? "xml" : "im";
    json["size"] = summary.size;
    json["error"] = summary.error;
    json["chunks"] = summary.chunks;
    json["triangles"] = summary.triangles;
    json["vertices"] = summary.vertices;
    json["bones"] = summary.bones;
    json["kins"] = summary.kins;
    json["errors"] = summary.errors;
    json["warnings"] = summary.warnings;
    json["issues"] = summary.issues;
    json["log"] = summary.log;
    return json;
}

nlohmann::ordered_json DetailJson(const AssetSummary& summary) {
    nlohmann::ordered_json json = SummaryJson(summary);
    if (summary.meshPath.empty()) {
        json["dump"] = "";
        return json;
    }
    // named by its file name alone: the page shows no folder of the server's machine
    DumpFile file = ReadDumpFile(summary.meshPath.string());
    file.path = summary.meshPath.filename().string();
    json["dump"] = DumpText(file, DumpOptions{});
    return json;
}

std::string ContentTypeOf(const std::string& fileName) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".json", "application/json"},
        {".png", "image/png"},
        {".glb", "model/gltf-binary"},
        {".svg", "image/svg+xml"}};
    for (const auto& [extension, type] : kTypes) {
        const std::string ext(extension);
        if (fileName.size() >= ext.size() &&
            fileName.compare(fileName.size() - ext.size(), ext.size(), ext) == 0)
            return type;
    }
    return "application/octet-stream";
}
