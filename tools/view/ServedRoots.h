// ServedRoots: the folders a server may serve from, and the one check every requested name
// passes before a file is opened.
//
// A name is "<root index>/<relative path>" with '/' separators. It is refused (no path given
// back) when it is empty, absolute, holds a backslash, a NUL, an empty, "." or ".." segment, or
// when the file it names, symbolic links resolved, is not inside its root (resolved the same
// way) or is not a regular file. Names arrive URL-decoded, so encoded dots are refused as dots;
// a doubly encoded dot stays a literal '%' name, which exists nowhere. Cost: one path walk.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ServedRoots {
public:
    // Each root is resolved once; a root that does not exist stays unusable.
    explicit ServedRoots(const std::vector<std::filesystem::path>& roots);

    // The regular file a name refers to, or nothing when the name is refused.
    std::optional<std::filesystem::path> Resolve(std::string_view name) const;

    // The name of a file under root `index` ("0/sub/a.im"); the file need not exist.
    std::string NameOf(std::size_t index, const std::filesystem::path& file) const;

    const std::vector<std::filesystem::path>& Roots() const { return roots_; }

private:
    std::vector<std::filesystem::path> roots_;  // canonical; empty when missing
};

// Whether every '/'-separated segment of `relative` is a plain name (not empty, ".", "..",
// and without '\\' or NUL), and it does not start with '/'.
bool IsPlainRelativeName(std::string_view relative);
