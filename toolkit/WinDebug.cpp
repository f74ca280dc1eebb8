// The debug log-file sink and the error box.
#include "toolkit/WinDebug.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "toolkit/ConsoleLine.h"
#include "toolkit/platform/Platform.h"

const char* const gtProgramName = "VantokTools";

namespace {

std::function<int(const char*)>& ErrorBoxHandler() {
    static auto* handler = new std::function<int(const char*)>;
    return *handler;
}

void CopyCut(char* target, const char* text) {
    std::snprintf(target, WinDebug::kPathSize, "%s", text);
}

}  // namespace

WinDebug::Settings& WinDebug::GetSettings() {
    static Settings* settings = [] {
        auto* s = new Settings;
        // The current directory joined with "log.txt" by one separator, cut to 259 characters.
        std::string path = platform::CurrentDirectory();
        if (!path.empty()) {
#ifdef _WIN32
            path += '\\';
#else
            path += '/';
#endif
            path += "log.txt";
        }
        CopyCut(s->path, path.c_str());
        return s;
    }();
    return *settings;
}

void WinDebug::SetProgramName(const char* name) {
    CopyCut(GetSettings().programName, name);
}

void WinDebug::SetEnabled(bool enabled) {
    GetSettings().enabled.store(enabled ? 1 : 0, std::memory_order_relaxed);
}

void WinDebug::SetPath(const char* path) {
    Settings& s = GetSettings();
    CopyCut(s.path, path);
    s.firstWritePending = 1;
}

void WinDebug::Line(const char* text) {
    Settings& s = GetSettings();
    if (s.enabled.load(std::memory_order_relaxed) == 0 || s.path[0] == 0) {
        return;
    }
    std::FILE* file = nullptr;
    if (s.firstWritePending != 0) {
        file = platform::OpenFile(s.path, "w");
        if (file == nullptr) {
            return;
        }
        s.firstWritePending = 0;
        if (s.programName[0] == 0) {
            CopyCut(s.programName, gtProgramName);
        }
        std::fprintf(file, "LOGFILE for %s (FINAL), at %s \n", s.programName,
                     platform::LocalTimeText().c_str());
    } else {
        file = platform::OpenFile(s.path, "a");
        if (file == nullptr) {
            return;
        }
    }
    char buffer[kLineBufferSize];
    std::snprintf(buffer, sizeof buffer, ". %s\n", text);
    std::fputs(buffer, file);
    std::fclose(file);
}

void WinDebug::Printf(const char* format, ...) {
    char buffer[kLineBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Line(buffer);
}

int WinDebug::ErrorBox(void* parentWindow, const char* format, ...) {
    (void)parentWindow;
    char buffer[kLineBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Printf("ERROR BOX: %s", buffer);
    if (ErrorBoxHandler()) {
        return ErrorBoxHandler()(buffer);
    }
    ConsoleLine::Clear();
    return platform::ShowErrorBox(buffer, "Error");
}

void WinDebug::SetErrorBoxHandler(std::function<int(const char*)> handler) {
    ErrorBoxHandler() = std::move(handler);
}
