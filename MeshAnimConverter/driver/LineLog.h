// LineLog: the log of a conversion run inside a process. It counts and formats exactly as the
// console program's log (LogFile) does, level prefixes included and cut to 1023 characters,
// and hands each printed line, without colour or line end, to a receiver instead of the console.
// LineSplitter passes the run's other printed text (strip diagnostics, the lexer's box texts)
// to the same receiver line by line.
#pragma once

#include <functional>
#include <string>

#include "toolkit/gtLineSink.h"
#include "toolkit/tlLog.h"

using LineReceiver = std::function<void(const std::string&)>;

// Splits `text` printed with a line end after it into its lines: "a\nb" gives "a" and "b";
// "a\n" gives "a" and an empty line, as the console shows it.
void SplitPrintedLine(const char* text, const LineReceiver& receive);

class LineLog : public tlLog {
public:
    explicit LineLog(LineReceiver receive) : m_receive(std::move(receive)) {}

    void Error(const char* format, ...) override GT_PRINTF_FORMAT(2, 3);
    void Warning(const char* format, ...) override GT_PRINTF_FORMAT(2, 3);
    void Info(const char* format, ...) override GT_PRINTF_FORMAT(2, 3);

private:
    void Print(const char* prefix, const char* format, va_list args);

    LineReceiver m_receive;
};

// A line sink whose lines go to a receiver; each line is split at its inner line ends.
class LineSplitter : public gtLineSink {
public:
    explicit LineSplitter(LineReceiver receive) : m_receive(std::move(receive)) {}
    void Line(const char* text) override { SplitPrintedLine(text, m_receive); }

private:
    LineReceiver m_receive;
};
