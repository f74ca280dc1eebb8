// ViewServer: the HTTP side of vantok-view over cpp-httplib: the page files, the index of
// assets, each asset's details and its glTF binary.
//
//   GET /                      the page (index.html of the page folder)
//   GET /page/<file>           a page file or a three.js module under the page folder
//   GET /api/assets            {"assets": [summary...]}
//   GET /api/asset?name=N      one summary with the dump's text
//   GET /api/glb?name=N&kin=K  the mesh with the chosen .kin files (model/gltf-binary)
//
// Every name passes ServedRoots; refused and unknown names get 404, other methods 405, an
// asset that cannot be exported 422 with its error text. Requests are served by a fixed pool
// of threads. Bind, then Run (blocking) until Stop.
#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>

#include "tools/view/AssetCatalog.h"

namespace httplib {
class Server;
}

class ViewServer {
public:
    ViewServer(AssetCatalog& catalog, const std::filesystem::path& pageFolder, int threads = 8);
    ~ViewServer();

    // Binds to host:port (port 0: a free one); false with `error` set when it cannot.
    bool Bind(const std::string& host, int port, std::string& error);
    int Port() const { return port_; }

    void Run();   // serves until Stop
    void Stop();  // callable from any thread

private:
    void Route();

    AssetCatalog& catalog_;
    ServedRoots page_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::atomic<bool> started_{false}, finished_{false}, stopRequested_{false};
};
