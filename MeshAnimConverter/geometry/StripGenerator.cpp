// Entry points of the strip generator: MakeIndexRuns (stripper run,
// list output, validation) and RenumberRunVertices.
#include "MeshAnimConverter/geometry/StripGenerator.h"

#include <algorithm>
#include <unordered_set>

#include "MeshAnimConverter/geometry/StripPieces.h"
#include "MeshAnimConverter/geometry/StripifyInfo.h"
#include "MeshAnimConverter/geometry/Stripper.h"

namespace {

constexpr int kCacheSizeMargin = 6;

uint64_t RotationKey(int a, int b, int c) {
    return (static_cast<uint64_t>(a) << 32) | (static_cast<uint64_t>(b) << 16) |
           static_cast<uint64_t>(c);
}

// Every non-degenerate output triangle must be an input triangle in one of
// its three rotations.
bool OutputMatchesInput(const std::vector<uint16_t>& input, const IndexRun& run) {
    std::unordered_set<uint64_t> inputTris;
    for (size_t i = 0; i + 2 < input.size(); i += 3) {
        inputTris.insert(RotationKey(input[i], input[i + 1], input[i + 2]));
    }
    for (size_t i = 0; i + 2 < run.indices.size(); i += 3) {
        const int a = run.indices[i];
        const int b = run.indices[i + 1];
        const int c = run.indices[i + 2];
        if (a == b || b == c || c == a)
            continue;
        if (inputTris.count(RotationKey(a, b, c)) == 0 &&
            inputTris.count(RotationKey(b, c, a)) == 0 &&
            inputTris.count(RotationKey(c, a, b)) == 0) {
            return false;
        }
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry points

bool MakeIndexRuns(const std::vector<uint16_t>& indices, const StripOptions& options,
                   std::vector<IndexRun>& runs, bool validate, std::string* diagnostics) {
    runs.clear();
    if (!options.listsOnly)
        return false;

    const size_t numIndices = indices.size() - indices.size() % 3;
    int maxIndex = 0;
    for (size_t i = 0; i < numIndices; ++i) maxIndex = std::max<int>(maxIndex, indices[i]);
    const int cacheSize = std::max(1, options.cacheSize - kCacheSizeMargin);

    StripifyInfo info;
    BuildStripifyInfo(indices.data(), numIndices, maxIndex, info, diagnostics);
    Stripper stripper(info, diagnostics);
    std::vector<StripPiece> pieces = SplitStrips(stripper.FindStrips(), info, cacheSize);
    std::vector<int> loose;
    DropShortPieces(pieces, options.minLength, loose);
    const std::vector<int> looseOrder = OrderLooseTriangles(loose, info, cacheSize);
    pieces = OrderPieces(std::move(pieces), info, cacheSize);

    IndexRun run;
    run.kind = 0;
    auto emit = [&run](const StripTri& tri) {
        // fake triangles (and any other degenerate one) only steer the order
        if (tri.IsDegenerate())
            return;
        run.indices.push_back(static_cast<uint16_t>(tri.c0));
        run.indices.push_back(static_cast<uint16_t>(tri.c1));
        run.indices.push_back(static_cast<uint16_t>(tri.c2));
    };
    for (const StripPiece& piece : pieces) {
        for (int t : piece.tris) emit(info.tris[t]);
    }
    for (int t : looseOrder) emit(info.tris[t]);
    run.indexCount = static_cast<uint32_t>(run.indices.size());
    runs.push_back(std::move(run));

    if (validate)
        return OutputMatchesInput(indices, runs[0]);
    return true;
}

bool RenumberRunVertices(const std::vector<IndexRun>& runs, uint32_t vertexCount,
                         std::vector<IndexRun>& renumbered) {
    renumbered.clear();
    std::vector<int32_t> table(vertexCount, -1);
    int32_t next = 0;
    std::vector<IndexRun> out;
    out.reserve(runs.size());
    for (const IndexRun& run : runs) {
        IndexRun copy;
        copy.kind = run.kind;
        copy.indexCount = run.indexCount;
        copy.indices.reserve(run.indices.size());
        for (uint16_t index : run.indices) {
            if (index >= vertexCount)
                return false;
            if (table[index] < 0)
                table[index] = next++;
            copy.indices.push_back(static_cast<uint16_t>(table[index]));
        }
        out.push_back(std::move(copy));
    }
    renumbered = std::move(out);
    return true;
}
