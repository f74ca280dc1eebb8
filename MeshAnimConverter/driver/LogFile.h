// LogFile: the program's log. Errors, warnings and info lines are formatted (cut to 1023
// characters), prefixed with their level, handed to the debug sink and printed on the console,
// errors in red and warnings in yellow. Errors and warnings are always counted; warnings and
// info lines are printed only while their display switch is on.
#pragma once

#include <cstdio>

#include "toolkit/tlLog.h"

class LogFile : public tlLog {
public:
    void Error(const char* format, ...) override GT_PRINTF_FORMAT(2, 3);
    void Warning(const char* format, ...) override GT_PRINTF_FORMAT(2, 3);
    void Info(const char* format, ...) override GT_PRINTF_FORMAT(2, 3);

    // Where lines are printed (standard output unless redirected, as tests do). Colour codes are
    // written only when the output is a console or terminal.
    void SetOutput(std::FILE* output) { m_output = output; }
    std::FILE* Output() const { return m_output != nullptr ? m_output : stdout; }
    // Forgets counts and restores the display switches (tests).
    void Reset();

private:
    void Print(const char* prefix, int colour, const char* format, va_list args);

    std::FILE* m_output = nullptr;
    // The formatting buffers, one pair per log: the message, and the prefixed line.
    char m_message[kBufferSize] = {};
    char m_line[kBufferSize] = {};
};

// The console program's log (VantokMeshImporter's ProgramMain); a conversion run reports to the
// log it is handed, never to this one.
extern LogFile programLog;
