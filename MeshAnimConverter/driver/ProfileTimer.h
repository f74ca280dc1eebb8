// ProfileTimer: named stopwatch entries over the current time device, and the duration text
// of the closing summary ("2.34 Seconds", "1 Hours, 0 Minutes, 0 Seconds", "no time", ...).
#pragma once

#include <cstdint>

#include "toolkit/gtArray.h"
#include "toolkit/gtString.h"

class ProfileTimer {
public:
    struct Entry {
        gtString name;
        uint32_t start = 0;    // 0: not running
        uint32_t elapsed = 0;  // accumulated over finished runs
    };

    ProfileTimer() : m_entries(16) {}
    ProfileTimer(const ProfileTimer&) = delete;
    ProfileTimer& operator=(const ProfileTimer&) = delete;
    virtual ~ProfileTimer();

    Entry* Find(const char* name);
    void Start(const char* name);
    void Stop(const char* name);
    gtString ElapsedText(const char* name);

private:
    gtArray<Entry*> m_entries;
};

// The duration text of a count of milliseconds.
gtString DurationText(uint32_t milliseconds);
