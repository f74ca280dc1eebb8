// The log interface's base implementation: count, then write to the stream when there is one.
#include "toolkit/tlLog.h"

#include <cstdio>
#include <cstring>

void tlLog::FormatMessage(char* buffer, const char* format, va_list args) {
    std::vsnprintf(buffer, kBufferSize, format, args);
    buffer[kBufferSize - 1] = 0;
}

void tlLog::WriteToStream(const char* prefix, const char* format, va_list args) {
    char message[kBufferSize];
    FormatMessage(message, format, args);
    char line[kBufferSize];
    if (prefix != nullptr) {
        std::snprintf(line, sizeof line, prefix, message);
    } else {
        std::memcpy(line, message, sizeof line);
    }
    line[kBufferSize - 1] = 0;
    const int length = static_cast<int>(std::strlen(line));
    if (length > 0) {
        stream->Write(line, length + 1);
    }
}

void tlLog::Error(const char* format, ...) {
    ++numErrors;
    if (stream == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    WriteToStream("Error: %s", format, args);
    va_end(args);
}

void tlLog::Warning(const char* format, ...) {
    ++numWarnings;
    if (stream == nullptr || logWarnings == 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    WriteToStream("Warning: %s", format, args);
    va_end(args);
}

void tlLog::Info(const char* format, ...) {
    if (stream == nullptr || logInfo == 0) {
        return;
    }
    va_list args;
    va_start(args, format);
    WriteToStream(nullptr, format, args);
    va_end(args);
}
