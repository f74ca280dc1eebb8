// ConsoleExportUserInterface: the export user interface of an interactive run. Status and
// progress calls draw one updating line on standard error, "<status>  <percent>%  <seconds> s",
// only when standard error is a terminal. The line is plain characters (a carriage return, the
// text, spaces to cover a longer earlier line), so any terminal shows it. It is cleared before
// any other console line (through ConsoleLine) and when the interface is finished or destroyed.
// Questions answer as the null interface does ("no", nothing shown). Safe from any thread.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include "MeshAnimConverter/report/ExportUserInterface.h"

class ConsoleExportUserInterface : public ExportUserInterface {
public:
    // Draws on `stream` when `enabled` (by default: when the stream is a terminal).
    explicit ConsoleExportUserInterface(std::FILE* stream = stderr);
    ConsoleExportUserInterface(std::FILE* stream, bool enabled);
    ~ConsoleExportUserInterface() override;
    ConsoleExportUserInterface(const ConsoleExportUserInterface&) = delete;
    ConsoleExportUserInterface& operator=(const ConsoleExportUserInterface&) = delete;

    void ShowStatus(const char* text) override;
    void ShowProgress(float fraction) override;
    bool Query() override { return false; }
    bool Ask(const char* text, int yesNo, int flags) override;

    // Clears the line for good: later calls draw nothing.
    void Finish();

private:
    static void ClearLine(void* self);
    void Draw();   // with m_lock held
    void Erase();  // with m_lock held

    std::FILE* m_stream;
    bool m_enabled;
    std::mutex m_lock;
    std::string m_status;
    int m_percent = -1;        // -1: no progress shown for this status
    size_t m_drawnLength = 0;  // characters of the line on the terminal; 0: none
    std::chrono::steady_clock::time_point m_start;
};
