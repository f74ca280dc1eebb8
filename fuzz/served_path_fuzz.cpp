// Fuzz target for vantok-view's served-path check: arbitrary names against a folder holding a
// file, a subfolder and symbolic links out of it and back in. A name that resolves must give
// a regular file inside the served folder, and only names made of plain segments resolve.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/view/ServedRoots.h"

namespace fs = std::filesystem;

namespace {

struct Layout {
    fs::path base;
    fs::path root;
    ServedRoots roots{{}};

    Layout() {
        base = fs::temp_directory_path() / ("served_path_fuzz_" + std::to_string(getpid()));
        root = base / "root";
        fs::create_directories(root / "sub");
        std::ofstream(root / "a.im") << "a";
        std::ofstream(root / "sub" / "b.im") << "b";
        std::ofstream(base / "secret") << "s";
        std::error_code ec;
        fs::create_symlink(base / "secret", root / "out", ec);
        fs::create_directory_symlink(base, root / "up", ec);
        root = fs::canonical(root);
        roots = ServedRoots({root});
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Layout layout;
    const std::string name(reinterpret_cast<const char*>(data), size);
    const auto file = layout.roots.Resolve(name);
    if (!file)
        return 0;
    const std::string inside = layout.root.string() + "/";
    if (file->string().rfind(inside, 0) != 0 || !fs::is_regular_file(*file) ||
        !IsPlainRelativeName(name.substr(name.find('/') + 1)))
        __builtin_trap();
    return 0;
}
