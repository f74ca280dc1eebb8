// The program log: console output with level prefixes and colours, and the debug sink.
#include "MeshAnimConverter/driver/LogFile.h"

#include <cstdarg>

#include "toolkit/ConsoleLine.h"
#include "toolkit/WinDebug.h"
#include "toolkit/platform/Platform.h"

LogFile programLog;

void LogFile::Print(const char* prefix, int colour, const char* format, va_list args) {
    FormatMessage(m_message, format, args);
    std::snprintf(m_line, sizeof m_line, prefix, m_message);
    m_line[kBufferSize - 1] = 0;
    WinDebug::Line(m_line);
    ConsoleLine::Clear();
    std::FILE* out = Output();
    if (colour != 0) {
        platform::SetConsoleColour(out, static_cast<platform::ConsoleColour>(colour));
    }
    // non-ASCII names show correctly on a Windows console; elsewhere the bytes as they are
    platform::WriteLine(out, m_line);
    if (colour != 0) {
        platform::SetConsoleColour(out, platform::kColourDefault);
    }
    std::fflush(out);
}

void LogFile::Error(const char* format, ...) {
    ++numErrors;
    va_list args;
    va_start(args, format);
    Print("Error: %s", platform::kColourError, format, args);
    va_end(args);
}

void LogFile::Warning(const char* format, ...) {
    ++numWarnings;
    if (logWarnings == 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    Print("Warning: %s", platform::kColourWarning, format, args);
    va_end(args);
}

void LogFile::Info(const char* format, ...) {
    if (logInfo == 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    Print("Info: %s", 0, format, args);
    va_end(args);
}

void LogFile::Reset() {
    numErrors = 0;
    numWarnings = 0;
    logInfo = 1;
    logWarnings = 1;
}
