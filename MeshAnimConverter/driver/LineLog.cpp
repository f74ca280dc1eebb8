// The in-process run's log: LogFile's counting and formatting, lines handed to a receiver.
#include "MeshAnimConverter/driver/LineLog.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void SplitPrintedLine(const char* text, const LineReceiver& receive) {
    const char* start = text;
    for (;;) {
        const char* end = std::strchr(start, '\n');
        if (end == nullptr) {
            receive(std::string(start));
            return;
        }
        receive(std::string(start, end));
        start = end + 1;
    }
}

void LineLog::Print(const char* prefix, const char* format, va_list args) {
    char message[kBufferSize];
    FormatMessage(message, format, args);
    char line[kBufferSize];
    std::snprintf(line, sizeof line, prefix, message);
    line[kBufferSize - 1] = 0;
    SplitPrintedLine(line, m_receive);
}

void LineLog::Error(const char* format, ...) {
    ++numErrors;
    va_list args;
    va_start(args, format);
    Print("Error: %s", format, args);
    va_end(args);
}

void LineLog::Warning(const char* format, ...) {
    ++numWarnings;
    if (logWarnings == 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    Print("Warning: %s", format, args);
    va_end(args);
}

void LineLog::Info(const char* format, ...) {
    if (logInfo == 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    Print("Info: %s", format, args);
    va_end(args);
}
