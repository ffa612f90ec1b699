#include "geometry/far_node_key.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "geometry/face_mapping.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

std::uint32_t sideCount(std::uint32_t shell) { return static_cast<std::uint32_t>(chunksPerSide(shell)); }

// How many squares of a grid of `fine` lie along one of a grid of `coarse`.
std::uint32_t gridRatio(std::uint32_t fine, std::uint32_t coarse) {
    if (fine < coarse || fine % coarse != 0) throw std::logic_error("far-terrain grids do not nest");
    return fine / coarse;
}

}  // namespace

std::uint32_t farNodeGrid(std::uint32_t level, std::uint32_t band) {
    const std::uint32_t inner = band << level;
    const std::uint32_t outer = inner + (1u << level) - 1;
    return std::max(1u, std::min(sideCount(inner), sideCount(outer) >> level));
}

std::vector<FarNodeKey> farNodeChildren(const FarNodeKey& key) {
    if (key.level < 2) return {};
    const std::uint32_t m = farNodeGrid(key.level, key.band);
    const auto level = static_cast<std::uint8_t>(key.level - 1);
    std::vector<FarNodeKey> children;
    for (std::uint32_t band = 2 * key.band; band < 2 * key.band + 2; ++band) {
        const std::uint32_t ratio = gridRatio(farNodeGrid(level, band), m);
        for (std::uint32_t x = key.x * ratio; x < (key.x + 1) * ratio; ++x) {
            for (std::uint32_t y = key.y * ratio; y < (key.y + 1) * ratio; ++y) {
                children.push_back({x, band, y, key.face, level});
            }
        }
    }
    return children;
}

std::vector<ChunkKey> farNodeChunks(const FarNodeKey& key) {
    if (key.level != 1) return {};
    const std::uint32_t m = farNodeGrid(1, key.band);
    std::vector<ChunkKey> chunks;
    for (std::uint32_t shell = 2 * key.band; shell < 2 * key.band + 2; ++shell) {
        const std::uint32_t ratio = gridRatio(sideCount(shell), m);
        for (std::uint32_t x = key.x * ratio; x < (key.x + 1) * ratio; ++x) {
            for (std::uint32_t y = key.y * ratio; y < (key.y + 1) * ratio; ++y) {
                chunks.push_back({x, shell, y, key.face});
            }
        }
    }
    return chunks;
}

FarNodeKey farNodeParent(const FarNodeKey& key) {
    const auto level = static_cast<std::uint8_t>(key.level + 1);
    const std::uint32_t band = key.band >> 1;
    const std::uint32_t ratio = gridRatio(farNodeGrid(key.level, key.band), farNodeGrid(level, band));
    return {key.x / ratio, band, key.y / ratio, key.face, level};
}

FarNodeKey farNodeOfChunk(const ChunkKey& key) {
    const std::uint32_t band = key.shell >> 1;
    const std::uint32_t ratio = gridRatio(sideCount(key.shell), farNodeGrid(1, band));
    return {key.x / ratio, band, key.y / ratio, key.face, 1};
}

FarNodeStep farNodeNeighbour(const FarNodeKey& key, Direction side) {
    if (side == Outward || side == Inward) {
        if (side == Inward && key.band == 0) return {key, false, false};
        const std::uint32_t band = side == Outward ? key.band + 1 : key.band - 1;
        const std::uint32_t m = farNodeGrid(key.level, key.band);
        const std::uint32_t other = farNodeGrid(key.level, band);
        // The square of the other grid that holds this square's middle.
        const auto squareOf = [&](std::uint32_t i) {
            return static_cast<std::uint32_t>((std::uint64_t{2 * i + 1} * other) / (std::uint64_t{2} * m));
        };
        return {{squareOf(key.x), band, squareOf(key.y), key.face, key.level}, other == m, true};
    }
    const FaceCell cell = stepOnFace(key.x, key.y, key.face, side, farNodeGrid(key.level, key.band));
    return {{cell.x, key.band, cell.y, cell.face, key.level}, true, true};
}

FarNodeSphere farNodeSphere(const FarNodeKey& key) {
    // Sample the region's two curved faces on a 9 x 9 grid; the margin covers
    // the bulge of the sphere between samples (at most about 12 degrees apart).
    constexpr std::uint32_t samples = 9;
    const float m = static_cast<float>(farNodeGrid(key.level, key.band));
    const float inner = static_cast<float>(farNodeInnerRadius(key));
    const float outer = static_cast<float>(farNodeOuterRadius(key));
    Vec3 lo{1e30f, 1e30f, 1e30f};
    Vec3 hi{-1e30f, -1e30f, -1e30f};
    std::vector<Vec3> points;
    points.reserve(samples * samples * 2);
    for (std::uint32_t a = 0; a < samples; ++a) {
        for (std::uint32_t b = 0; b < samples; ++b) {
            const float u = (static_cast<float>(key.x) + static_cast<float>(a) / (samples - 1)) / m;
            const float v = (static_cast<float>(key.y) + static_cast<float>(b) / (samples - 1)) / m;
            const Vec4 d = faceDirection(key.face, u, v);
            for (const float r : {inner, outer}) {
                const Vec3 p{d.x * r, d.y * r, d.z * r};
                points.push_back(p);
                lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
                hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
            }
        }
    }
    const Vec3 centre{(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f};
    float radius = 0.0f;
    for (const Vec3& p : points) {
        const Vec3 d = p - centre;
        radius = std::max(radius, std::sqrt(dot3(d, d)));
    }
    return {centre, radius + 0.012f * outer};
}

bool farNodeOverlapsShells(const FarNodeKey& key, std::uint32_t firstShell, std::uint32_t lastShell) {
    const std::uint32_t first = farNodeFirstShell(key);
    return first <= lastShell && first + farNodeShells(key) > firstShell;
}

std::vector<FarNodeKey> farRootNodes(std::uint32_t firstShell, std::uint32_t lastShell) {
    std::vector<FarNodeKey> roots;
    constexpr auto level = static_cast<std::uint8_t>(farTopLevel);
    for (std::uint32_t band = firstShell >> farTopLevel; band <= (lastShell >> farTopLevel); ++band) {
        const std::uint32_t m = farNodeGrid(level, band);
        for (std::uint8_t face = 0; face < 6; ++face) {
            for (std::uint32_t x = 0; x < m; ++x) {
                for (std::uint32_t y = 0; y < m; ++y) roots.push_back({x, band, y, face, level});
            }
        }
    }
    return roots;
}

}  // namespace gravelkin
