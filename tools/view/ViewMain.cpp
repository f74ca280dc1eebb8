#include "tools/view/ViewMain.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "tools/view/Snapshot.h"
#include "tools/view/ViewOptions.h"
#include "tools/view/ViewServer.h"

namespace fs = std::filesystem;

namespace {

void Print(std::FILE* to, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), to);
    std::fflush(to);
}

// The page files: $VANTOK_VIEW_PAGE, else share/vantok/view beside the program's bin folder.
fs::path PageFolder() {
    if (const char* chosen = std::getenv("VANTOK_VIEW_PAGE"); chosen != nullptr && *chosen)
        return chosen;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return exe.parent_path().parent_path() / "share" / "vantok" / "view";
}

fs::path CacheFolder(const ViewOptions& options) {
    if (!options.cache.empty())
        return options.cache;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg)
        return fs::path(xdg) / "vantok-view";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home)
        return fs::path(home) / ".cache" / "vantok-view";
    return fs::temp_directory_path() / "vantok-view";
}

// Percent-encodes every byte but the unreserved ones.
std::string EncodeQueryValue(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            encoded.push_back(static_cast<char>(c));
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    return encoded;
}

bool IsLoopback(const std::string& host) {
    return host == "127.0.0.1" || host == "localhost" || host == "::1";
}

std::vector<fs::path> Inputs(const ViewOptions& options, std::FILE* err, bool& ok) {
    std::vector<fs::path> inputs;
    for (const std::string& input : options.inputs) {
        std::error_code ec;
        if (!fs::exists(input, ec)) {
            Print(err, "error: '" + input + "': no such file or folder\n");
            ok = false;
        }
        inputs.push_back(input);
    }
    if (inputs.empty())
        inputs.push_back(".");
    return inputs;
}

// Opens the page in the desktop's browser, without waiting for it.
void OpenInBrowser(const std::string& url, std::FILE* err) {
    if (access("/usr/bin/xdg-open", X_OK) != 0) {
        Print(err, "warning: --open: xdg-open is not installed; open " + url + " yourself\n");
        return;
    }
    if (fork() == 0) {
        execl("/usr/bin/xdg-open", "xdg-open", url.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

int Serve(const ViewOptions& options, AssetCatalog& catalog, std::FILE* out, std::FILE* err) {
    if (!IsLoopback(options.host))
        Print(err, "warning: listening on " + options.host +
                       ": every machine that reaches it can read the served folders\n");
    ViewServer server(catalog, PageFolder());
    std::string error;
    if (!server.Bind(options.host, options.port, error)) {
        Print(err, "error: " + error + "\n");
        return 1;
    }
    // Ctrl+C and SIGTERM are taken by one thread, which stops the server; blocked before the
    // server starts its threads, so they inherit the mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    const std::string url = "http://" + options.host + ":" + std::to_string(server.Port()) + "/";
    Print(out, "vantok-view: serving " + std::to_string(catalog.List().size()) + " assets at " +
                   url + " (Ctrl+C stops)\n");
    if (options.open)
        OpenInBrowser(url, err);
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    });
    server.Run();
    stopper.join();
    Print(out, "vantok-view: stopped\n");
    return 0;
}

std::string PictureQuery(const ViewOptions& options, AssetCatalog& catalog, std::string& error) {
    if (!options.contactSheet.empty())
        return "?sheet=1&size=" + std::to_string(options.width) + "x" +
               std::to_string(options.height);
    const std::vector<std::string> names = catalog.List();
    const auto summary = names.empty() ? nullptr : catalog.Summary(names.front());
    if (!summary) {
        error = "'" + options.inputs.front() + "' is not an .im or interchange file";
        return "";
    }
    std::string query = (options.page ? "?model=" : "?snapshot=") + EncodeQueryValue(summary->name);
    if (!options.look.empty())
        query += "&look=" + options.look;
    if (options.skeleton)
        query += "&skeleton=1";
    if (!options.kin.empty()) {
        const std::string kin = fs::path(options.kin).filename().string();
        if (std::find(summary->kins.begin(), summary->kins.end(), kin) == summary->kins.end()) {
            error = "'" + options.kin + "' is not beside '" + options.inputs.front() +
                    "' or names bones the mesh does not have";
            return "";
        }
        query += (options.page ? "&clip=" : "&kin=") + EncodeQueryValue(kin) +
                 "&time=" + std::to_string(options.time);
    }
    return query;
}

int Picture(const ViewOptions& options, AssetCatalog& catalog, std::FILE* err) {
    SnapshotRequest request;
    request.browser = FindBrowser();
    if (request.browser.empty()) {
        Print(err,
              "error: Chromium is needed for pictures: install the Debian package 'chromium'\n");
        return 1;
    }
    std::string error;
    const std::string query = PictureQuery(options, catalog, error);
    ViewServer server(catalog, PageFolder(), 4);
    if (query.empty() || !server.Bind("127.0.0.1", 0, error)) {
        Print(err, "error: " + error + "\n");
        return 1;
    }
    std::thread serving([&] { server.Run(); });
    request.url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/" + query;
    const bool sheet = !options.contactSheet.empty();
    request.outPath = sheet ? options.contactSheet : options.snapshot;
    request.width = options.width > 0 ? options.width : sheet ? 1200 : 800;
    request.height = options.height > 0 ? options.height : 600;
    request.fitHeight = sheet && options.height == 0;
    const bool ok = CaptureSnapshot(request, error);
    server.Stop();
    serving.join();
    if (!ok)
        Print(err, "error: " + request.outPath + ": " + error + "\n");
    return ok ? 0 : 1;
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

int ViewMain(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    ViewOptions options;
    const int status = ParseViewOptions(argc, argv, options, out, err);
    if (status >= 0)
        return status;
    bool ok = true;
    AssetCatalog catalog(Inputs(options, err, ok), CacheFolder(options));
    if (!ok)
        return 1;
    if (!options.snapshot.empty() || !options.contactSheet.empty())
        return Picture(options, catalog, err);
    return Serve(options, catalog, out, err);
}
