// ReportContext: what a conversion stage reports to. The stages never reach a process-wide
// log; the run hands them this pair (or just the log), so every stage can be driven from a
// test with a log and an interface of its own.
#pragma once

#include <cstdio>

#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "toolkit/gtLineSink.h"
#include "toolkit/tlLog.h"

struct ReportContext {
    tlLog& log;                         // errors, warnings and info lines
    ExportUserInterface& ui;            // progress, questions and the referenced-texture list
    std::FILE* console = stdout;        // where text a stage prints (not a log line) goes...
    gtLineSink* printed = nullptr;      // ...or, when given, line by line instead
    gtLineSink* written = nullptr;      // when given, told the path of each output file in place
    gtLineSink* lexerErrors = nullptr;  // when given, the lexers' error box texts, not the box
};
