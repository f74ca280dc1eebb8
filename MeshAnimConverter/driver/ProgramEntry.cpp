// The console program's entry: options from the command line and the environment, the run
// over the program log, the closing summary.
#include "MeshAnimConverter/driver/ProgramEntry.h"

#include <string>
#include <vector>

#include "MeshAnimConverter/driver/ConsoleExportUserInterface.h"
#include "MeshAnimConverter/driver/ConvertProcess.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/driver/OptionParser.h"
#include "MeshAnimConverter/driver/ProfileTimer.h"
#include "MeshAnimConverter/driver/ThreadCount.h"
#include "toolkit/WinDebug.h"
#include "toolkit/gtTimeDevice.h"

// ---------------------------------------------------------------------------------------------
// Entry points

int ProgramMain(int argc, const char* const* argv, std::FILE* out, std::FILE* in,
                std::optional<std::uint32_t> referenceNameSeed) {
    programLog.SetOutput(out);
    WinDebug::SetProgramName("VantokMeshImporter");
    WinDebug::SetEnabled(false);
    gtSetTimeDevice(&gtPlatformTimeDevice());
    gtGetTimeDevice()->Initialise();

    RunOptions options;
    bool nothingToDo = false;
    {
        ConsoleExportUserInterface progress(stderr);
        ConversionOptions conversion;
        conversion.ui = &progress;
        conversion.threads = ConfiguredThreadCount();
        conversion.referenceNameSeed = referenceNameSeed;
        ProfileTimer timer;
        timer.Start("Process");

        bool runStarted = false;
        std::vector<std::string> args;
        for (int i = 1; i < argc; ++i) {
            args.emplace_back(argv[i]);
        }
        const bool parsed = ParseOptions(args, options, conversion, programLog);
        if (!parsed || options.showHelp != 0) {
            // An option parse that fails without counting an error found nothing to do.
            nothingToDo = !parsed && options.errorCount == 0;
            PrintUsage(out);
        } else {
            runStarted = true;
            const ReportContext report{programLog, progress, out};
            ConvertProcess process(conversion, report);
            if (!process.RunLogged()) {
                ++options.errorCount;
            }
            progress.Finish();
        }
        timer.Stop("Process");
        if (runStarted) {
            programLog.Info("Process completed after %s with %d errors and %d warnings",
                            timer.ElapsedText("Process").c_str(), programLog.numErrors,
                            programLog.numWarnings);
        }

        const bool wait = options.errorCount > 0
                              ? (options.waitKeyOnExit != 0 || options.waitKeyOnError != 0)
                              : options.waitKeyOnExit != 0;
        if (wait) {
            std::fputs("\nPress enter to close window. ", out);
            std::fflush(out);
            std::fgetc(in);
        }
    }
    std::fflush(out);
    return (options.errorCount > 0 || nothingToDo) ? 1 : 0;
}
