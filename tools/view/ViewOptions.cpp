#include "tools/view/ViewOptions.h"

#include <CLI/CLI.hpp>
#include <charconv>

namespace {

constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

void Print(std::FILE* to, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), to);
}

bool ParseSide(std::string_view text, int& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && value >= kMinSide &&
           value <= kMaxSide;
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

bool ParseSize(const std::string& text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string::npos)
        return false;
    const std::string_view all(text);
    return ParseSide(all.substr(0, x), width) && ParseSide(all.substr(x + 1), height);
}

int ParseViewOptions(int argc, const char* const* argv, ViewOptions& options, std::FILE* out,
                     std::FILE* err) {
    CLI::App app("Shows converted assets in a browser, and draws pictures of them.", "vantok-view");
    std::string size;
    app.add_option("INPUT", options.inputs, "folders, .im files and interchange .xml files");
    app.add_option("--host", options.host, "address to listen on (default 127.0.0.1)");
    app.add_option("--port", options.port, "port (default 8080, 0: a free one)")
        ->check(CLI::Range(0, 65535));
    app.add_flag("--open", options.open, "open the page in the desktop's browser");
    app.add_option("--cache", options.cache, "folder for converted interchange files");
    auto* snap = app.add_option("--snapshot", options.snapshot, "draw FILE into OUT.png");
    auto* sheet = app.add_option("--contact-sheet", options.contactSheet,
                                 "draw every asset of the folders into OUT.png, with names");
    snap->excludes(sheet);
    app.add_option("--kin", options.kin, "animation to pose the snapshot with")->needs(snap);
    app.add_option("--time", options.time, "seconds into the animation")->needs(snap);
    app.add_flag("--page", options.page, "draw the whole model page, panel included")->needs(snap);
    app.add_option("--look", options.look, "colour: material, chunk, order (vertex cache), weight")
        ->check(CLI::IsMember({"material", "chunk", "order", "weight"}))
        ->needs(snap);
    app.add_flag("--skeleton", options.skeleton, "draw the skeleton over the model")->needs(snap);
    app.add_option("--size", size, "picture size WxH (snapshot default 800x600)");
    app.set_version_flag("--version", "vantok-view 1");
    try {
        app.parse(argc, argv);
        if (!size.empty() && !ParseSize(size, options.width, options.height))
            throw CLI::ValidationError("--size", "expected WxH, each from 16 to 8192: " + size);
        if (!options.snapshot.empty() && options.inputs.size() != 1)
            throw CLI::ValidationError("INPUT", "--snapshot draws exactly one file");
        if (!options.contactSheet.empty() && options.inputs.empty())
            throw CLI::ValidationError("INPUT", "--contact-sheet needs a folder");
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            Print(out,
                  e.get_name() == "CallForVersion" ? std::string(e.what()) + "\n" : app.help());
            return 0;
        }
        Print(err, "error: " + std::string(e.what()) + "\nRun with --help for more information.\n");
        return 2;
    }
    return -1;
}
