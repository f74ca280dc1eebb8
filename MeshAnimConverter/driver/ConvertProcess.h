// ConvertProcess: one conversion run over its options and what it reports to. Run puts the
// stages together (ConvertRun.cpp); RunLogged is the run as both programs start it.
#pragma once

#include <cstdint>

#include "MeshAnimConverter/driver/Conversion.h"
#include "MeshAnimConverter/report/ReportContext.h"

// The console program's own flags, beside the conversion's options.
struct RunOptions {
    int32_t waitKeyOnExit = 0;   // -k
    int32_t waitKeyOnError = 0;  // -ke
    int32_t showHelp = 0;        // -?
    int32_t errorCount = 0;      // option errors, plus 1 when the run failed
};

class ConvertProcess {
public:
    // Neither is copied: both must outlive the process object.
    ConvertProcess(const ConversionOptions& options, const ReportContext& report)
        : m_options(options), m_report(report) {}
    virtual ~ConvertProcess() = default;

    // Reads inFile and writes the outputs named after outFile; true on success. Every failing
    // stage has logged its own message when this returns false.
    bool Run();

    // Logs "Process started. This may take some time. Please wait...", runs, and logs
    // "Failed to process files" when the run failed or threw (running out of memory first logs
    // "Out of memory."). The log's display switches are set from the options first.
    bool RunLogged();

    int32_t FileVersion() const { return m_fileVersion; }

private:
    const ConversionOptions& m_options;
    const ReportContext& m_report;
    int32_t m_fileVersion = 0;  // the input's version number, 0 when it has none
};
