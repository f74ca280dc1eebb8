#include "tools/view/AssetCatalog.h"

#include <algorithm>
#include <functional>
#include <system_error>

#include "MeshAnimConverter/driver/Conversion.h"
#include "tools/dump/DumpReader.h"
#include "tools/dump/GltfExport.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxCachedGlbs = 64;

std::string OneStamp(const fs::path& file) {
    std::error_code ec;
    const auto size = fs::file_size(file, ec);
    if (ec)
        return "missing;";
    const auto time = fs::last_write_time(file, ec).time_since_epoch().count();
    return std::to_string(size) + "@" + std::to_string(time) + ";";
}

bool IsAsset(const fs::path& path) {
    return path.extension() == ".im" || path.extension() == ".xml";
}

void ScanFolder(const fs::path& root, std::vector<fs::path>& found) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        if (IsAsset(it->path()) && it->is_regular_file(ec))
            found.push_back(it->path());
    }
}

// A folder serves itself; a file serves its folder.
std::vector<fs::path> RootsOf(const std::vector<fs::path>& inputs) {
    std::vector<fs::path> roots;
    for (const fs::path& input : inputs)
        roots.push_back(fs::is_directory(input)       ? input
                        : input.parent_path().empty() ? fs::path(".")
                                                      : input.parent_path());
    return roots;
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

std::string FileStamp(const fs::path& file) {
    std::string stamp = OneStamp(file);
    if (file.extension() != ".im")
        return stamp;
    std::vector<fs::path> kins;
    std::error_code ec;
    for (fs::directory_iterator it(file.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() == ".kin")
            kins.push_back(it->path());
    }
    std::sort(kins.begin(), kins.end());
    for (const fs::path& kin : kins) stamp += kin.filename().string() + "=" + OneStamp(kin);
    return stamp;
}

AssetCatalog::AssetCatalog(const std::vector<fs::path>& inputs, fs::path cacheFolder)
    : roots_(RootsOf(inputs)), cacheFolder_(std::move(cacheFolder)) {
    for (const fs::path& input : inputs) {
        std::error_code ec;
        singleFiles_.push_back(fs::is_directory(input, ec) ? fs::path() : fs::canonical(input, ec));
    }
}

std::vector<std::string> AssetCatalog::List() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < roots_.Roots().size(); ++i) {
        if (roots_.Roots()[i].empty())
            continue;
        std::vector<fs::path> found;
        if (!singleFiles_[i].empty())
            found.push_back(singleFiles_[i]);
        else
            ScanFolder(roots_.Roots()[i], found);
        std::sort(found.begin(), found.end());
        for (const fs::path& file : found) names.push_back(roots_.NameOf(i, file));
    }
    return names;
}

std::shared_ptr<const AssetSummary> AssetCatalog::Summary(const std::string& name) {
    const auto file = roots_.Resolve(name);
    if (!file || !IsAsset(*file))
        return nullptr;
    const std::string stamp = FileStamp(*file);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = summaries_.find(name);
        if (it != summaries_.end() && it->second.stamp == stamp)
            return it->second.summary;
    }
    auto summary = std::make_shared<AssetSummary>();
    summary->name = name;
    summary->title = file->filename().string();
    summary->interchange = file->extension() == ".xml";
    std::error_code ec;
    summary->size = fs::file_size(*file, ec);
    summary->meshPath = summary->interchange ? ConvertInterchange(*file, *summary) : *file;
    if (!summary->meshPath.empty())
        SummarizeMesh(*summary);
    std::lock_guard<std::mutex> lock(mutex_);
    summaries_[name] = {stamp, summary};
    return summary;
}

fs::path AssetCatalog::ConvertInterchange(const fs::path& xml, AssetSummary& summary) {
    // one folder per source path, emptied before each conversion: no file of an older one stays
    const std::string key = std::to_string(std::hash<std::string>{}(xml.string()));
    const fs::path folder = cacheFolder_ / key;
    const fs::path base = folder / xml.stem();
    std::lock_guard<std::mutex> lock(convertMutex_);
    std::error_code ec;
    fs::remove_all(folder, ec);
    fs::create_directories(folder, ec);
    if (ec) {
        summary.error =
            "error: cannot create the cache folder '" + folder.string() + "': " + ec.message();
        return {};
    }
    ConversionOptions options;
    options.inFile = xml.string();
    options.outFile = base.string();
    options.threads = 1;
    const ConversionResult result = RunConversion(options);
    summary.log = result.lines;
    if (!result.success || !fs::exists(base.string() + ".im")) {
        summary.error = "error: " + summary.title + ": the conversion failed";
        for (const std::string& line : result.lines) {
            if (line.rfind("Error:", 0) == 0) {
                summary.error = "error: " + summary.title + ": " + line.substr(7);
                break;
            }
        }
        return {};
    }
    return base.string() + ".im";
}

GlbResult AssetCatalog::Glb(const std::string& name, const std::vector<std::string>& kins) {
    const auto summary = Summary(name);
    if (!summary)
        return {nullptr, "not found"};
    if (!summary->error.empty())
        return {nullptr, summary->error};
    std::vector<DumpFile> animations;
    std::string key = name + "|" + FileStamp(summary->meshPath);
    for (const std::string& kin : kins) {
        const auto at = std::find(summary->kins.begin(), summary->kins.end(), kin);
        if (at == summary->kins.end())
            return {nullptr, "error: " + summary->title + ": no animation '" + kin + "' fits it"};
        key += "|" + kin;
        animations.push_back(ReadDumpFile(summary->kinPaths[at - summary->kins.begin()].string()));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const auto it = glbs_.find(key);
        if (it != glbs_.end())
            return {it->second, ""};
    }
    const GltfResult built = BuildGlb(ReadDumpFile(summary->meshPath.string()), animations);
    if (!built.ok)
        return {nullptr, "error: " + summary->title + ": " + built.error};
    auto bytes = std::make_shared<const std::vector<std::uint8_t>>(built.glb);
    std::lock_guard<std::mutex> lock(mutex_);
    if (glbs_.size() >= kMaxCachedGlbs)
        glbs_.clear();
    glbs_[key] = bytes;
    return {bytes, ""};
}
