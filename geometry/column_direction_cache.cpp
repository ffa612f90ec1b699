#include "geometry/column_direction_cache.h"

#include "geometry/face_mapping.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

constexpr float notComputed = 1.0f;

bool isComputed(const Vec4& entry) { return entry.w == 0.0f; }

void markRange(ColumnDirectionCache& cache, int count) {
    for (int i = 0; i < count; ++i) {
        cache.edgeNear[i].w = notComputed;
        cache.edgeFar[i].w = notComputed;
        for (int j = 0; j < count; ++j) cache.directions[i][j].w = notComputed;
    }
}

}  // namespace

void resetForChunk(ColumnDirectionCache& cache, const ChunkKey& key) {
    cache.face = key.face;
    cache.corner0 = faceCorners[key.face].corner0;
    cache.corner1 = faceCorners[key.face].corner1;
    cache.corner0.w = 0.0f;
    cache.corner1.w = 0.0f;
    const std::uint8_t level = columnLevel(32 * key.shell + 31);
    cache.columnStep = 1.0f / static_cast<float>(std::uint64_t{1} << level);
    cache.columnBaseU = 32 * key.x;
    cache.columnBaseV = 32 * key.y;
    cache.resolutionShift = 0;
    markRange(cache, ColumnDirectionCache::memoSize);
}

namespace {

// Computes row i's edge entries if they are not computed yet.
void ensureEdges(ColumnDirectionCache& cache, std::uint32_t i, std::uint32_t memoI) {
    Vec4& near = cache.edgeNear[memoI];
    if (isComputed(near)) return;
    const float u = (static_cast<float>(i + cache.columnBaseU) + cache.columnOffset) * cache.columnStep;
    near = slerpCubeEdge(cache.corner0, cache.corner1, u);
    cache.edgeFar[memoI] = negateComponent(near, mirrorAxis(cache.face));
}

float columnV(const ColumnDirectionCache& cache, std::uint32_t j) {
    return (static_cast<float>(j + cache.columnBaseV) + cache.columnOffset) * cache.columnStep;
}

}  // namespace

const Vec4& columnDirection(ColumnDirectionCache& cache, std::uint32_t i, std::uint32_t j) {
    const std::uint32_t memoI = i << cache.resolutionShift;
    const std::uint32_t memoJ = j << cache.resolutionShift;
    Vec4& direction = cache.directions[memoI][memoJ];
    if (isComputed(direction)) return direction;
    ensureEdges(cache, i, memoI);
    direction = slerpUnit(cache.edgeNear[memoI], cache.edgeFar[memoI], columnV(cache, j));
    return direction;
}

void halveResolution(ColumnDirectionCache& cache) {
    cache.columnStep *= 2.0f;
    cache.columnBaseU >>= 1;
    cache.columnBaseV >>= 1;
    cache.resolutionShift += 1;
}

void markStale(ColumnDirectionCache& cache) { markRange(cache, 32); }

void stepDownToCoarserGrid(ColumnDirectionCache& cache) {
    halveResolution(cache);
    if (cache.columnOffset != 0.0f) markStale(cache);
}

void gatherColumnDirections(ColumnDirectionCache& cache, std::uint32_t n, float* x, float* y, float* z) {
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint32_t memoI = i << cache.resolutionShift;
        // Every column of a row lies on one arc between the row's edges:
        // the arc is worked out once, when the first column needs it.
        bool arcKnown = false;
        UnitArc arc{};
        for (std::uint32_t j = 0; j < n; ++j) {
            Vec4& d = cache.directions[memoI][j << cache.resolutionShift];
            if (!isComputed(d)) {
                if (!arcKnown) {
                    ensureEdges(cache, i, memoI);
                    arc = unitArc(cache.edgeNear[memoI], cache.edgeFar[memoI]);
                    arcKnown = true;
                }
                d = pointOnArc(arc, columnV(cache, j));
            }
            x[i * n + j] = d.x;
            y[i * n + j] = d.y;
            z[i * n + j] = d.z;
        }
    }
}

}  // namespace gravelkin
