// ProfileTimer entries and the duration text.
#include "MeshAnimConverter/driver/ProfileTimer.h"

#include <cstring>

#include "toolkit/gtTimeDevice.h"

namespace {

uint32_t Now() {
    gtTimeDevice* device = gtGetTimeDevice();
    return device != nullptr ? device->Now() : 0;
}

}  // namespace

ProfileTimer::~ProfileTimer() {
    for (Entry* entry : m_entries) {
        delete entry;
    }
}

ProfileTimer::Entry* ProfileTimer::Find(const char* name) {
    for (Entry* entry : m_entries) {
        if (entry->name == name) {
            return entry;
        }
    }
    return nullptr;
}

void ProfileTimer::Start(const char* name) {
    Entry* entry = Find(name);
    if (entry == nullptr) {
        entry = new Entry;
        entry->name = name;
        m_entries.Add(entry);
    }
    const uint32_t now = Now();
    if (entry->start != 0) {
        entry->elapsed += now - entry->start;
    }
    entry->start = now;
}

void ProfileTimer::Stop(const char* name) {
    Entry* entry = Find(name);
    if (entry == nullptr || entry->start == 0) {
        return;
    }
    entry->elapsed += Now() - entry->start;
    entry->start = 0;
}

gtString ProfileTimer::ElapsedText(const char* name) {
    const Entry* entry = Find(name);
    return DurationText(entry != nullptr ? entry->elapsed : 0);
}

gtString DurationText(uint32_t t) {
    const uint32_t days = t / 86400000u;
    uint32_t r = t % 86400000u;
    const uint32_t hours = r / 3600000u;
    r %= 3600000u;
    const uint32_t minutes = r / 60000u;
    r %= 60000u;
    const uint32_t seconds = r / 1000u;
    const uint32_t ms = r % 1000u;
    const uint32_t hundredths = ms / 10u;
    const int d = static_cast<int>(days);
    const int h = static_cast<int>(hours);
    const int m = static_cast<int>(minutes);
    const int s = static_cast<int>(seconds);
    const int c = static_cast<int>(hundredths);
    if (days > 0) {
        return gtString::Format("%d Days, %d Hours, %d Minutes", d, h, m);
    }
    if (hours > 0) {
        return gtString::Format("%d Hours, %d Minutes, %d Seconds", h, m, s);
    }
    if (minutes > 0) {
        return gtString::Format("%d Minutes, %d.%02d Seconds", m, s, c);
    }
    if (seconds > 0) {
        return gtString::Format("%d.%02d Seconds", s, c);
    }
    if (ms > 0) {
        return gtString::Format("%d Milliseconds", static_cast<int>(ms));
    }
    return gtString("no time");
}
