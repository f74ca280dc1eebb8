// ConvertProcess: one conversion, with the fields the command line fills, and RunOptions, the
// driver's own flags.
#pragma once

#include <cstdint>

#include "toolkit/gtString.h"

class ExportUserInterface;

struct RunOptions {
    int32_t waitKeyOnExit = 0;   // -k
    int32_t waitKeyOnError = 0;  // -ke
    int32_t showHelp = 0;        // -?
    int32_t errorCount = 0;      // option errors, plus 1 when the run failed
};

class ConvertProcess {
public:
    ConvertProcess() = default;
    virtual ~ConvertProcess() = default;

    // Reads inFile and writes the outputs named after outFile; true on success. Every failing
    // stage has logged its own message when this returns false.
    bool Run();

    gtString inFile;
    gtString outFile;         // base path of the outputs; its extension is ignored
    int32_t outputIM = 1;     // write the .im file
    int32_t outputKIN = 1;    // write the .kin files
    int32_t fileVersion = 0;  // the input's version number, 0 when it has none
    // Progress and questions of the run; null shows nothing and answers "no". Not owned.
    ExportUserInterface* ui = nullptr;
};
