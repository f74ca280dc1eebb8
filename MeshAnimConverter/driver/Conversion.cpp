// The in-process conversion: the run over a log, line sinks and a file list of its own.
#include "MeshAnimConverter/driver/Conversion.h"

#include "MeshAnimConverter/driver/ConvertProcess.h"
#include "MeshAnimConverter/driver/LineLog.h"
#include "MeshAnimConverter/driver/OptionParser.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "toolkit/WinDebug.h"

namespace {

class FileList : public gtLineSink {
public:
    explicit FileList(std::vector<std::string>& files) : m_files(files) {}
    void Line(const char* text) override { m_files.emplace_back(text); }

private:
    std::vector<std::string>& m_files;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

ConversionResult RunConversion(const ConversionOptions& options) {
    // the converter keeps the debug sink off; every run may say so again
    WinDebug::SetEnabled(false);
    ConversionResult result;
    const LineReceiver receive = [&result, &options](const std::string& line) {
        result.lines.push_back(line);
        if (options.onLine) {
            options.onLine(line);
        }
    };
    LineLog log(receive);
    LineSplitter printed(receive);
    LineSplitter lexerErrors(receive);
    FileList written(result.filesWritten);
    NullExportUserInterface silent;
    const ReportContext report{log,     options.ui != nullptr ? *options.ui : silent,
                               stdout,  &printed,
                               &written, &lexerErrors};
    ConvertProcess process(options, report);
    result.success = process.RunLogged();
    result.errorCount = log.numErrors;
    result.warningCount = log.numWarnings;
    return result;
}

bool ConversionOptionsFromArguments(const std::vector<std::string>& args,
                                    ConversionOptions& options,
                                    std::vector<std::string>& errorLines) {
    LineLog log([&errorLines](const std::string& line) { errorLines.push_back(line); });
    RunOptions run;
    if (ParseOptions(args, run, options, log) && run.showHelp == 0) {
        return true;
    }
    for (std::string& line : UsageLines()) {
        errorLines.push_back(std::move(line));
    }
    return false;
}
