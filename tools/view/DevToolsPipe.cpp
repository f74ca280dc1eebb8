#include "tools/view/DevToolsPipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace {

const char* const kBrowserFlags[] = {"--headless",
                                     "--disable-gpu",
                                     "--use-angle=swiftshader",
                                     "--enable-unsafe-swiftshader",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--disable-quic",
                                     "--disable-extensions",
                                     "--mute-audio",
                                     "--hide-scrollbars",
                                     "--remote-debugging-pipe",
                                     "--force-color-profile=srgb"};

std::string MakeProfileFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantok-view-XXXXXX").string();
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

bool DevToolsPipe::Start(const std::string& browser, std::string& error) {
    int in[2], out[2];  // in: we write, browser reads fd 3; out: browser writes fd 4
    profile_ = MakeProfileFolder();
    if (profile_.empty() || pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        error = "cannot prepare the browser's pipes or profile folder";
        return false;
    }
    std::vector<std::string> args = {browser};
    args.insert(args.end(), std::begin(kBrowserFlags), std::end(kBrowserFlags));
    args.push_back("--user-data-dir=" + profile_);
    if (geteuid() == 0)
        args.push_back("--no-sandbox");
    args.push_back("about:blank");
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 3);
        dup2(out[1], 4);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 1);
        dup2(devNull, 2);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(browser.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toBrowser_ = in[1];
    fromBrowser_ = out[0];
    if (pid_ < 0) {
        error = "cannot start '" + browser + "'";
        return false;
    }
    return true;
}

DevToolsPipe::~DevToolsPipe() {
    if (pid_ > 0) {
        nlohmann::json ignored;
        std::string error;
        Send("Browser.close", nlohmann::json::object(), ignored, error, "",
             std::chrono::seconds(5));
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (toBrowser_ >= 0)
        close(toBrowser_);
    if (fromBrowser_ >= 0)
        close(fromBrowser_);
    if (!profile_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(profile_, ec);
    }
}

bool DevToolsPipe::Send(const std::string& method, const nlohmann::json& params,
                        nlohmann::json& result, std::string& error, const std::string& session,
                        std::chrono::seconds timeout) {
    const int id = nextId_++;
    nlohmann::json command = {{"id", id}, {"method", method}, {"params", params}};
    if (!session.empty())
        command["sessionId"] = session;
    std::string text = command.dump();
    text.push_back('\0');
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t n = write(toBrowser_, text.data() + written, text.size() - written);
        if (n <= 0 && errno != EINTR) {
            error = "the browser closed its pipe";
            return false;
        }
        written += n > 0 ? static_cast<std::size_t>(n) : 0u;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (nlohmann::json message; ReadMessage(message, deadline, error);) {
        if (!message.contains("id") || message["id"] != id)
            continue;  // an event or an older answer
        if (message.contains("error")) {
            error = method + ": " + message["error"].value("message", std::string("failed"));
            return false;
        }
        result = message.value("result", nlohmann::json::object());
        return true;
    }
    return false;
}

bool DevToolsPipe::ReadMessage(nlohmann::json& message,
                               std::chrono::steady_clock::time_point deadline, std::string& error) {
    for (;;) {
        const std::size_t end = pending_.find('\0');
        if (end != std::string::npos) {
            message = nlohmann::json::parse(pending_.substr(0, end), nullptr, false);
            pending_.erase(0, end + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{fromBrowser_, POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) == 0) {
            error = "the browser did not answer in time";
            return false;
        }
        char buffer[65536];
        const ssize_t n = read(fromBrowser_, buffer, sizeof buffer);
        if (n <= 0 && errno != EINTR) {
            error = "the browser closed its pipe";
            return false;
        }
        pending_.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0u);
    }
}
