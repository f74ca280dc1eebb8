#include "tools/view/ServedRoots.h"

#include <charconv>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// Whether `inner` is `outer` or lies below it; both canonical.
bool IsInside(const fs::path& inner, const fs::path& outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

bool IsPlainRelativeName(std::string_view relative) {
    if (relative.empty() || relative.front() == '/')
        return false;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos)
            end = relative.size();
        const std::string_view segment = relative.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == ".." ||
            segment.find_first_of(std::string_view("\\\0", 2)) != std::string_view::npos)
            return false;
        start = end + 1;
    }
    return true;
}

ServedRoots::ServedRoots(const std::vector<fs::path>& roots) {
    for (const fs::path& root : roots) {
        std::error_code ec;
        fs::path canonical = fs::canonical(root, ec);
        roots_.push_back(ec ? fs::path() : canonical);
    }
}

std::optional<fs::path> ServedRoots::Resolve(std::string_view name) const {
    const std::size_t slash = name.find('/');
    if (slash == std::string_view::npos || slash == 0)
        return std::nullopt;
    std::size_t index = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + slash, index);
    if (ec != std::errc() || end != name.data() + slash || index >= roots_.size() ||
        roots_[index].empty())
        return std::nullopt;
    const std::string_view relative = name.substr(slash + 1);
    if (!IsPlainRelativeName(relative))
        return std::nullopt;
    std::error_code error;
    const fs::path file = fs::canonical(roots_[index] / fs::path(std::string(relative)), error);
    if (error || !IsInside(file, roots_[index]) || !fs::is_regular_file(file, error))
        return std::nullopt;
    return file;
}

std::string ServedRoots::NameOf(std::size_t index, const fs::path& file) const {
    return std::to_string(index) + "/" + file.lexically_relative(roots_[index]).generic_string();
}
