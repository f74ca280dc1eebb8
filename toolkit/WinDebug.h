// WinDebug: the debug log-file sink and the error box.
//
// The sink appends ". <text>\n" to log.txt in the current directory, opening and closing the
// file for every line so the file is complete after each message; the first line of a process
// truncates the file and writes a banner. The program switches the sink off at start-up.
// The error box shows a modal message box on Windows and prints its text as one line on
// standard error elsewhere; tests may divert it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "toolkit/tlLog.h"

class WinDebug {
public:
    static constexpr int kPathSize = 260;
    static constexpr int kLineBufferSize = 4096;

    // The settings record, created on first use and living until the process ends. `enabled`
    // is atomic: conversions running at once each switch the sink off.
    struct Settings {
        char path[kPathSize] = {};
        char programName[kPathSize] = {};
        int32_t firstWritePending = 1;
        std::atomic<int32_t> enabled{1};
    };
    static Settings& GetSettings();

    static void SetProgramName(const char* name);
    static void SetEnabled(bool enabled);
    // Points the sink at another file (tests); also re-arms the banner.
    static void SetPath(const char* path);

    // Writes one line to the log file when the sink is enabled.
    static void Line(const char* text);
    static void Printf(const char* format, ...) GT_PRINTF_FORMAT(1, 2);

    // Formats into a 4096-byte buffer, sends "ERROR BOX: <text>" to the sink and shows the box;
    // returns the box's result.
    static int ErrorBox(void* parentWindow, const char* format, ...) GT_PRINTF_FORMAT(2, 3);
    // Replaces the box (null restores it); the handler receives the formatted text.
    static void SetErrorBoxHandler(std::function<int(const char*)> handler);
};

// The program's own name, used in the sink's banner when none was set.
extern const char* const gtProgramName;
