// The run as the programs start it: the opening line, the guard and the closing failure line.
#include "MeshAnimConverter/driver/ConvertProcess.h"

#include <new>

bool ConvertProcess::RunLogged() {
    tlLog& log = m_report.log;
    log.logInfo = m_options.logInfo ? 1 : 0;
    log.logWarnings = m_options.logWarnings ? 1 : 0;
    log.Info("Process started. This may take some time. Please wait...");
    bool ran = false;
    // last-resort guard: an exception that escapes the run fails it like any stage failure
    try {
        ran = Run();
    } catch (const std::bad_alloc&) {
        log.Error("Out of memory.");
    } catch (...) {
    }
    if (!ran) {
        log.Error("Failed to process files");
    }
    return ran;
}
