// gtTimeDevice: the process-wide time source (32-bit millisecond counts that wrap), with
// WinTime (the multimedia timer) on Windows and PosixTime (a monotonic clock) elsewhere.
#pragma once

#include <cstdint>

class gtTimeDevice {
public:
    virtual ~gtTimeDevice() = default;
    virtual int Initialise() { return 1; }
    virtual int Shutdown() { return 1; }
    virtual uint32_t Now() = 0;
    virtual void Yield() {}
};

#ifdef _WIN32
class WinTime : public gtTimeDevice {
public:
    ~WinTime() override;
    uint32_t Now() override;
    void Yield() override;
};
#else
class PosixTime : public gtTimeDevice {
public:
    uint32_t Now() override;
    void Yield() override;
};
#endif

// The platform's own time device (a static WinTime or PosixTime).
gtTimeDevice& gtPlatformTimeDevice();

// The current time device; null until one is made current.
gtTimeDevice* gtGetTimeDevice();
void gtSetTimeDevice(gtTimeDevice* device);
