// DevToolsPipe: a headless Chromium started with its DevTools protocol on a pipe (file
// descriptors 3 and 4, messages ended by a NUL byte), and commands sent to it one at a time.
//
// Start runs the browser with software WebGL and a fresh profile folder, no network of its own
// and no sandbox when run as root. Send waits for the answer to its command (events in between
// are skipped) up to a deadline; an answer with an error, a closed pipe or a late answer give
// false with `error` set. The browser is closed and waited for on destruction.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <nlohmann/json.hpp>
#include <string>

class DevToolsPipe {
public:
    DevToolsPipe() = default;
    ~DevToolsPipe();
    DevToolsPipe(const DevToolsPipe&) = delete;
    DevToolsPipe& operator=(const DevToolsPipe&) = delete;

    // Starts `browser`; false with `error` set when it cannot be started.
    bool Start(const std::string& browser, std::string& error);

    // Sends one command (to `session` when not empty) and gives its "result".
    bool Send(const std::string& method, const nlohmann::json& params, nlohmann::json& result,
              std::string& error, const std::string& session = "",
              std::chrono::seconds timeout = std::chrono::seconds(60));

private:
    bool ReadMessage(nlohmann::json& message, std::chrono::steady_clock::time_point deadline,
                     std::string& error);

    pid_t pid_ = -1;
    int toBrowser_ = -1;
    int fromBrowser_ = -1;
    int nextId_ = 1;
    std::string pending_;
    std::string profile_;
};
