// AssetCatalog: the assets of the folders and files given on the command line, their summaries
// and their glTF binaries, each cached by the size and time of the files it was made from.
//
// Every .im under the folders (recursively) and every interchange .xml is an asset; a folder
// is scanned again on each listing, so new files appear. An interchange file is converted on
// first use into its own folder of the cache folder through the converter's typed entry (one
// conversion at a time, so two requests for one file never write its folder together), and its
// summary carries the conversion's lines. The glTF binary
// is the dump library's export of the mesh with the chosen .kin files. Thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/view/AssetSummary.h"
#include "tools/view/ServedRoots.h"

struct GlbResult {
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;  // null on failure
    std::string error;
};

class AssetCatalog {
public:
    // `inputs`: folders and files (a file's folder becomes its root, listing only that file).
    AssetCatalog(const std::vector<std::filesystem::path>& inputs,
                 std::filesystem::path cacheFolder);

    // The served names of every asset, sorted by root then path.
    std::vector<std::string> List() const;

    // The summary of a listed name; null when the name is refused or not an asset.
    std::shared_ptr<const AssetSummary> Summary(const std::string& name);

    // The mesh with the named .kin files of its summary (file names, as listed there).
    GlbResult Glb(const std::string& name, const std::vector<std::string>& kins);

    const ServedRoots& Roots() const { return roots_; }

private:
    struct Cached {
        std::string stamp;
        std::shared_ptr<const AssetSummary> summary;
    };
    std::filesystem::path ConvertInterchange(const std::filesystem::path& xml,
                                             AssetSummary& summary);

    ServedRoots roots_;
    std::vector<std::filesystem::path> singleFiles_;  // per root: the one file, or empty
    std::filesystem::path cacheFolder_;
    std::mutex mutex_;
    std::mutex convertMutex_;
    std::map<std::string, Cached> summaries_;
    std::map<std::string, std::shared_ptr<const std::vector<std::uint8_t>>> glbs_;
};

// Size and modification time of a file, and of the .kin files beside it, as one text: the key
// every cached result is checked against.
std::string FileStamp(const std::filesystem::path& file);
