// tlLog: the log interface every part reports through (Error, Warning, Info with a printf
// format), with counters and display switches. The base implementation writes each message,
// with its terminating zero byte, to an optional gtStream; subclasses print elsewhere.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "toolkit/gtStream.h"

#if defined(__GNUC__)
#define GT_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define GT_PRINTF_FORMAT(fmt, args)
#endif

class tlLog {
public:
    // Size of the formatting buffers: a message keeps at most kBufferSize - 1 characters.
    static constexpr int kBufferSize = 1024;

    virtual ~tlLog() = default;
    virtual void Error(const char* format, ...) GT_PRINTF_FORMAT(2, 3);
    virtual void Warning(const char* format, ...) GT_PRINTF_FORMAT(2, 3);
    virtual void Info(const char* format, ...) GT_PRINTF_FORMAT(2, 3);

    gtStream* stream = nullptr;
    int32_t numErrors = 0;
    int32_t numWarnings = 0;
    int32_t logInfo = 1;
    int32_t logWarnings = 1;

protected:
    // Formats into a kBufferSize buffer, cutting to fit; the result is always terminated.
    static void FormatMessage(char* buffer, const char* format, va_list args);

private:
    void WriteToStream(const char* prefix, const char* format, va_list args);
};
