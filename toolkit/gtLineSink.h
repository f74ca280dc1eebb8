// gtLineSink: where a part hands whole lines of text that are not log lines (the lexer's error
// box texts, the strip generator's diagnostics, the names of files written), so that a caller
// can print them, collect them or pass them on. A line comes without its line end.
#pragma once

class gtLineSink {
public:
    virtual ~gtLineSink() = default;
    virtual void Line(const char* text) = 0;
};
