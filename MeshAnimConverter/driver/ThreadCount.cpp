// ThreadCount: the VANTOK_THREADS rule.
#include "MeshAnimConverter/driver/ThreadCount.h"

#include <cstdlib>
#include <thread>

unsigned ThreadCountSetting(const char* value, unsigned hardware) {
    const unsigned available = hardware > 0 ? hardware : 1;
    if (value == nullptr || *value == 0) {
        return available;
    }
    unsigned long long cap = 0;
    for (const char* c = value; *c != 0; ++c) {
        if (*c < '0' || *c > '9') {
            return available;  // not a number
        }
        cap = cap * 10 + static_cast<unsigned>(*c - '0');
        if (cap > available) {
            cap = available;  // saturate: any larger cap is the hardware's count
        }
    }
    return cap == 0 ? available : static_cast<unsigned>(cap);
}

unsigned ConfiguredThreadCount() {
    return ThreadCountSetting(std::getenv("VANTOK_THREADS"), std::thread::hardware_concurrency());
}
