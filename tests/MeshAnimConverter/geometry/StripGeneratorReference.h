// The strip generator as the plain procedure: linked edge lists walked for
// every lookup, linear scans for seeds, repeats and the cache, fresh marks for
// every trial. Slow and obvious on purpose; the tests and the benchmark compare
// the production generator with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "MeshAnimConverter/geometry/StripGenerator.h"

namespace stripref {

// The list run's indices of MakeIndexRuns in lists-only mode (the options'
// listsOnly flag is not consulted); diagnostic lines are appended to
// `diagnostics` when it is not null.
std::vector<uint16_t> MakeList(const std::vector<uint16_t>& indices, const StripOptions& options,
                               std::string* diagnostics);

}  // namespace stripref
