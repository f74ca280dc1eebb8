// What the geometry benchmarks share.
#pragma once

#include <algorithm>
#include <ctime>

#include "MeshAnimConverter/geometry/StripGenerator.h"

// The strip options of the converter's per-chunk optimisation.
inline StripOptions ConverterStripOptions() {
    StripOptions o;
    o.cacheSize = 16;
    o.stitch = true;
    o.minLength = 0;
    o.listsOnly = true;
    return o;
}

// Best processor time of `runs` calls, in milliseconds (processor time, not wall clock, so that
// other work on a shared machine counts less).
template <typename F>
double BestMs(int runs, F&& f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const std::clock_t start = std::clock();
        f();
        const double took = static_cast<double>(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
        best = std::min(best, took);
    }
    return best;
}
