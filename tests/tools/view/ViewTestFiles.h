// Helpers of the vantok-view tests: a served folder holding the converted flag example (with
// its .kin), damaged copies of its .im, and a page folder; the server run on a free loopback
// port in a thread, and requests sent with raw request paths.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "../dump/DumpTestFiles.h"
#include "tools/dump/DumpReader.h"
#include "tools/view/ViewServer.h"

// The flag example converted into `assets`, with the damaged copies of its .im:
// truncated.im (cut in half), wrong_form.im (form "ABCD"), bad_index.im (the first triangle's
// first index 999 of 4 vertices); a secret file outside the served folders; page/index.html.
struct ViewFixture {
    ScratchFolder scratch;
    std::filesystem::path assets = scratch.Dir() / "assets";
    std::filesystem::path page = scratch.Dir() / "page";

    ViewFixture() {
        std::filesystem::create_directories(assets);
        std::filesystem::create_directories(page);
        ConvertTo(ExamplePath("flag_skinned_global"), (assets / "flag").string());
        const std::string flag = ReadWholeFile((assets / "flag.im").string());
        WriteWholeFile((assets / "truncated.im").string(), flag.substr(0, flag.size() / 2));
        std::string wrongForm = flag;
        wrongForm.replace(8, 4, "ABCD");
        WriteWholeFile((assets / "wrong_form.im").string(), wrongForm);
        std::string badIndex = flag;
        const DumpFile read = ReadDumpFile((assets / "flag.im").string());
        const std::size_t at = read.im.chunks.at(0).geometry.trianglesOffset;
        badIndex[at] = static_cast<char>(999 & 0xFF);
        badIndex[at + 1] = static_cast<char>(999 >> 8);
        WriteWholeFile((assets / "bad_index.im").string(), badIndex);
        WriteWholeFile((scratch.Dir() / "secret.txt").string(), "secret");
        WriteWholeFile((page / "index.html").string(), "<!doctype html><title>t</title>");
        WriteWholeFile((page / "app.js").string(), "export {};");
    }
};

// The server over a fixture's folder, on a free port, running until destroyed.
struct RunningServer {
    AssetCatalog catalog;
    ViewServer server;
    std::thread thread;
    int port = 0;

    RunningServer(const ViewFixture& fixture, int threads = 8)
        : catalog({fixture.assets}, fixture.scratch.Dir() / "cache"),
          server(catalog, fixture.page, threads) {
        std::string error;
        if (!server.Bind("127.0.0.1", 0, error))
            throw std::runtime_error(error);
        port = server.Port();
        thread = std::thread([this] { server.Run(); });
    }
    ~RunningServer() {
        server.Stop();
        thread.join();
    }

    // A client that sends request paths exactly as given.
    std::unique_ptr<httplib::Client> Client() const {
        auto client = std::make_unique<httplib::Client>("127.0.0.1", port);
        client->set_url_encode(false);
        client->set_connection_timeout(5);
        client->set_read_timeout(30);
        return client;
    }
};
