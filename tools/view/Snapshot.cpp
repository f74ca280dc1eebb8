#include "tools/view/Snapshot.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tools/view/DevToolsPipe.h"

namespace {

// Waits for the page's signal, which exists once its script has run.
const char* const kWaitForDrawn =
    "new Promise(resolve => { const wait = () => window.vantokDrawn ? "
    "window.vantokDrawn.then(resolve, e => resolve(String(e))) : setTimeout(wait, 20); wait(); })";

bool SetSize(DevToolsPipe& browser, const std::string& session, int width, int height,
             std::string& error) {
    nlohmann::json result;
    return browser.Send(
        "Emulation.setDeviceMetricsOverride",
        {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", false}}, result,
        error, session);
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    const std::string temporary = path + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            error = "cannot write '" + path + "'";
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec)
        error = "cannot write '" + path + "': " + ec.message();
    return !ec;
}

// Opens a tab of the given size on `url`, waits for the signal and gives the PNG's bytes.
bool DrawAndCapture(DevToolsPipe& browser, const SnapshotRequest& request, std::string& png,
                    std::string& error) {
    nlohmann::json result;
    if (!browser.Send("Target.createTarget", {{"url", "about:blank"}}, result, error))
        return false;
    const std::string target = result.value("targetId", "");
    if (!browser.Send("Target.attachToTarget", {{"targetId", target}, {"flatten", true}}, result,
                      error))
        return false;
    const std::string session = result.value("sessionId", "");
    if (!SetSize(browser, session, request.width, request.height, error) ||
        !browser.Send("Page.navigate", {{"url", request.url}}, result, error, session) ||
        !browser.Send(
            "Runtime.evaluate",
            {{"expression", kWaitForDrawn}, {"awaitPromise", true}, {"returnByValue", true}},
            result, error, session, std::chrono::seconds(120)))
        return false;
    const std::string failure = result["result"].value("value", std::string("no signal"));
    if (!failure.empty()) {
        error = failure;
        return false;
    }
    if (request.fitHeight) {
        if (!browser.Send("Runtime.evaluate",
                          {{"expression", "document.getElementById('app').scrollHeight"},
                           {"returnByValue", true}},
                          result, error, session))
            return false;
        const int height = result["result"].value("value", request.height);
        if (!SetSize(browser, session, request.width, height, error))
            return false;
    }
    if (!browser.Send("Page.captureScreenshot", {{"format", "png"}}, result, error, session))
        return false;
    if (!DecodeBase64(result.value("data", ""), png) || png.empty()) {
        error = "the browser gave no picture";
        return false;
    }
    return true;
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

std::string FindBrowser() {
    const char* chosen = std::getenv("VANTOK_CHROMIUM");
    const std::string browser = chosen != nullptr && *chosen != '\0' ? chosen : "/usr/bin/chromium";
    return access(browser.c_str(), X_OK) == 0 ? browser : std::string();
}

bool DecodeBase64(const std::string& text, std::string& bytes) {
    bytes.clear();
    unsigned value = 0;
    int bits = 0;
    for (const char c : text) {
        int digit = -1;
        if (c >= 'A' && c <= 'Z')
            digit = c - 'A';
        else if (c >= 'a' && c <= 'z')
            digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            digit = c - '0' + 52;
        else if (c == '+')
            digit = 62;
        else if (c == '/')
            digit = 63;
        else if (c == '=')
            break;
        if (digit < 0)
            return false;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<char>((value >> bits) & 0xFFu));
        }
    }
    return true;
}

bool CaptureSnapshot(const SnapshotRequest& request, std::string& error) {
    DevToolsPipe browser;
    std::string png;
    if (!browser.Start(request.browser, error) || !DrawAndCapture(browser, request, png, error))
        return false;
    return WriteFileAtomically(request.outPath, png, error);
}
