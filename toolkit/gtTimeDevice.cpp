// The time devices, and the 1 ms timer resolution held for the life of the process.
#include "toolkit/gtTimeDevice.h"

#include "toolkit/platform/Platform.h"

namespace {

gtTimeDevice* g_current = nullptr;

// Raised during static initialisation, before the program's entry runs; restored at exit.
struct TimerResolution {
    TimerResolution() { platform::BeginTimerResolution(); }
    ~TimerResolution() { platform::EndTimerResolution(); }
} g_timerResolution;

}  // namespace

#ifdef _WIN32
WinTime::~WinTime() {
    platform::EndTimerResolution();
}
uint32_t WinTime::Now() {
    return platform::Milliseconds();
}
void WinTime::Yield() {
    platform::YieldThread();
}
#else
uint32_t PosixTime::Now() {
    return platform::Milliseconds();
}
void PosixTime::Yield() {
    platform::YieldThread();
}
#endif

gtTimeDevice& gtPlatformTimeDevice() {
#ifdef _WIN32
    static WinTime device;
#else
    static PosixTime device;
#endif
    return device;
}

gtTimeDevice* gtGetTimeDevice() {
    return g_current;
}

void gtSetTimeDevice(gtTimeDevice* device) {
    g_current = device;
}
