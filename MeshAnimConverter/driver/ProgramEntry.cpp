// The program entry.
#include "MeshAnimConverter/driver/ProgramEntry.h"

#include <new>

#include "MeshAnimConverter/driver/ConsoleExportUserInterface.h"
#include "MeshAnimConverter/driver/ConvertProcess.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/driver/OptionParser.h"
#include "MeshAnimConverter/driver/ProfileTimer.h"
#include "toolkit/WinDebug.h"
#include "toolkit/gtTimeDevice.h"

namespace {

// Last-resort guard: an exception that escapes the run fails it like any stage failure.
bool RunGuarded(ConvertProcess& process) {
    try {
        return process.Run();
    } catch (const std::bad_alloc&) {
        programLog.Error("Out of memory.");
    } catch (...) {
    }
    return false;
}

}  // namespace

int ProgramMain(int argc, const char* const* argv, std::FILE* out, std::FILE* in) {
    programLog.SetOutput(out);
    WinDebug::SetProgramName("VantokMeshImporter");
    WinDebug::SetEnabled(false);
    gtSetTimeDevice(&gtPlatformTimeDevice());
    gtGetTimeDevice()->Initialise();

    RunOptions options;
    bool nothingToDo = false;
    {
        ConvertProcess process;
        ConsoleExportUserInterface progress(stderr);
        process.ui = &progress;
        ProfileTimer timer;
        timer.Start("Process");

        bool runStarted = false;
        const bool parsed = ParseOptions(argc, argv, options, process);
        if (!parsed || options.showHelp != 0) {
            // An option parse that fails without counting an error found nothing to do.
            nothingToDo = !parsed && options.errorCount == 0;
            PrintUsage(out);
        } else {
            programLog.Info("Process started. This may take some time. Please wait...");
            runStarted = true;
            const bool ran = RunGuarded(process);
            progress.Finish();
            if (!ran) {
                programLog.Error("Failed to process files");
                ++options.errorCount;
            }
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
