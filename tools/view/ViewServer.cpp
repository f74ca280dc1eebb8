#include "tools/view/ViewServer.h"

#include <httplib.h>
#include <sys/socket.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "tools/view/AssetJson.h"

namespace fs = std::filesystem;

namespace {

void SendJson(httplib::Response& res, const nlohmann::ordered_json& json) {
    res.set_content(json.dump(), "application/json");
}

void SendText(httplib::Response& res, int status, const std::string& text) {
    res.status = status;
    res.set_content(text + "\n", "text/plain; charset=utf-8");
}

void SendFile(httplib::Response& res, const ServedRoots& roots, const std::string& name) {
    const auto file = roots.Resolve(name);
    if (!file)
        return SendText(res, 404, "not found");
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        return SendText(res, 404, "not found");
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    res.set_header("Cache-Control", "no-cache");
    res.set_content(std::move(bytes), ContentTypeOf(file->filename().string()));
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

ViewServer::ViewServer(AssetCatalog& catalog, const fs::path& pageFolder, int threads)
    : catalog_(catalog), page_({pageFolder}), server_(std::make_unique<httplib::Server>()) {
    const std::size_t count = static_cast<std::size_t>(threads > 0 ? threads : 1);
    server_->new_task_queue = [count] { return new httplib::ThreadPool(count); };
    // SO_REUSEADDR only: the library's default adds SO_REUSEPORT, which would let a second
    // server share a busy port instead of failing.
    server_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    Route();
}

ViewServer::~ViewServer() = default;

void ViewServer::Route() {
    httplib::Server& s = *server_;
    s.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        SendFile(res, page_, "0/index.html");
    });
    s.Get("/page/(.+)", [this](const httplib::Request& req, httplib::Response& res) {
        SendFile(res, page_, "0/" + req.matches[1].str());
    });
    s.Get("/api/assets", [this](const httplib::Request&, httplib::Response& res) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const std::string& name : catalog_.List()) {
            if (const auto summary = catalog_.Summary(name))
                list.push_back(SummaryJson(*summary));
        }
        SendJson(res, {{"assets", list}});
    });
    s.Get("/api/asset", [this](const httplib::Request& req, httplib::Response& res) {
        const auto summary = catalog_.Summary(req.get_param_value("name"));
        if (!summary)
            return SendText(res, 404, "not found");
        SendJson(res, DetailJson(*summary));
    });
    s.Get("/api/glb", [this](const httplib::Request& req, httplib::Response& res) {
        std::vector<std::string> kins;
        for (std::size_t i = 0; i < req.get_param_value_count("kin"); ++i)
            kins.push_back(req.get_param_value("kin", i));
        const std::string name = req.get_param_value("name");
        if (!catalog_.Summary(name))
            return SendText(res, 404, "not found");
        const GlbResult glb = catalog_.Glb(name, kins);
        if (!glb.bytes)
            return SendText(res, 422, glb.error);
        res.set_content(reinterpret_cast<const char*>(glb.bytes->data()), glb.bytes->size(),
                        "model/gltf-binary");
    });
    const auto refuse = [](const httplib::Request&, httplib::Response& res) {
        res.set_header("Allow", "GET");
        SendText(res, 405, "method not allowed");
    };
    s.Post(".*", refuse);
    s.Put(".*", refuse);
    s.Delete(".*", refuse);
    s.Patch(".*", refuse);
    s.Options(".*", refuse);
    s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty())
            res.set_content(std::to_string(res.status) + "\n", "text/plain; charset=utf-8");
    });
}

bool ViewServer::Bind(const std::string& host, int port, std::string& error) {
    port_ = port == 0 ? server_->bind_to_any_port(host)
                      : (server_->bind_to_port(host, port) ? port : -1);
    if (port_ <= 0) {
        error = "cannot listen on " + host + ":" + std::to_string(port) +
                " (the port is in use or the address is not local)";
        return false;
    }
    return true;
}

void ViewServer::Run() {
    started_ = true;
    if (!stopRequested_)
        server_->listen_after_bind();
    finished_ = true;
}

void ViewServer::Stop() {
    stopRequested_ = true;
    // a Run that has begun but not yet listens would miss the stop
    while (started_ && !finished_ && !server_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server_->stop();
}
