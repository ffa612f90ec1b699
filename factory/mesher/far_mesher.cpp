#include "factory/mesher/far_mesher.h"

#include <cstdint>
#include <memory>

#include "factory/mesher/voxel_corners.h"
#include "geometry/face_mapping.h"

namespace gravelkin {

namespace {

constexpr int n = static_cast<int>(farNodeSide);

bool solid(const Voxel& voxel) { return voxel.density < 0.0f; }

Vec3 scaled(const Vec4& d, float r) { return {d.x * r, d.y * r, d.z * r}; }

// Column corner directions of the node's grid, [i][j] for i, j in 0 .. 32.
struct CornerGrid {
    Vec4 direction[farNodeSide + 1][farNodeSide + 1];
};

void fillCornerGrid(const FarNodeKey& key, CornerGrid& grid) {
    const std::int64_t columnsPerFace = std::int64_t{farNodeSide} * farNodeGrid(key.level, key.band);
    const float step = 1.0f / static_cast<float>(columnsPerFace);
    for (int i = 0; i <= n; ++i) {
        const float u = static_cast<float>(std::int64_t{key.x} * n + i) * step;
        for (int j = 0; j <= n; ++j) {
            const float v = static_cast<float>(std::int64_t{key.y} * n + j) * step;
            grid.direction[i][j] = faceDirection(key.face, u, v);
        }
    }
}

VoxelCorners cornersOf(const CornerGrid& grid, int i, int j, float inner, float outer) {
    VoxelCorners corners;
    for (int di = 0; di < 2; ++di) {
        for (int dj = 0; dj < 2; ++dj) {
            corners.inner[di][dj] = scaled(grid.direction[i + di][j + dj], inner);
            corners.outer[di][dj] = scaled(grid.direction[i + di][j + dj], outer);
        }
    }
    return corners;
}

struct Step {
    int di, dr, dj;
};

constexpr Step stepOf(Direction side) {
    switch (side) {
        case PlusY: return {0, 0, 1};
        case Outward: return {0, 1, 0};
        case MinusY: return {0, 0, -1};
        case Inward: return {0, -1, 0};
        case MinusX: return {-1, 0, 0};
        default: return {1, 0, 0};
    }
}

bool inside(int i, int r, int j) { return i >= 0 && r >= 0 && j >= 0 && i < n && r < n && j < n; }

// One face per run of boundary voxels, along a column of the boundary, that
// are solid on both sides: the side faces of a column's voxels lie in one
// plane through the planet's centre, so a run is one quad. It takes the
// colour of its top voxel.
void addLateralSkirt(const FarBlock& block, const CornerGrid& grid, Direction side, std::vector<FaceRecord>& out) {
    const FarNodeKey& key = block.key;
    const float depth = static_cast<float>(farNodeVoxelDepth(key));
    const float innerRadius = static_cast<float>(farNodeInnerRadius(key));
    const Step s = stepOf(side);
    for (int k = 0; k < n; ++k) {
        const int i = s.di == 0 ? k : (s.di < 0 ? 0 : n - 1);
        const int j = s.dj == 0 ? k : (s.dj < 0 ? 0 : n - 1);
        int r = n - 1;
        while (r >= 0) {
            const auto bothSolid = [&](int layer) {
                return solid(block.at(i, layer, j)) && solid(block.at(i + s.di, layer, j + s.dj));
            };
            if (!bothSolid(r)) {
                --r;
                continue;
            }
            const int top = r;
            while (r >= 0 && bothSolid(r)) --r;
            const float inner = innerRadius + static_cast<float>(r + 1) * depth;
            const float outer = innerRadius + static_cast<float>(top + 1) * depth;
            const VoxelCorners corners = cornersOf(grid, i, j, inner, outer);
            out.push_back(sideFace(corners, side, faceColour(block.at(i, top, j).colour)));
        }
    }
}

}  // namespace

void meshFarBlock(const FarBlock& block, FarMeshFaces& out) {
    out.main.clear();
    for (auto& skirt : out.skirts) skirt.clear();
    const FarNodeKey& key = block.key;
    if (block.interiorFill == ChunkFillState::AllAir) {
        // Only the faces of solid margin samples below could show.
        bool solidBelow = false;
        for (int i = 0; i < n && !solidBelow; ++i) {
            for (int j = 0; j < n && !solidBelow; ++j) solidBelow = solid(block.at(i, -1, j));
        }
        if (!solidBelow) return;
    }

    const FarNodeStep below = farNodeNeighbour(key, Inward);
    const bool showSolidBelow = !below.exists || !below.sameGrid;

    auto grid = std::make_unique<CornerGrid>();
    fillCornerGrid(key, *grid);
    const float depth = static_cast<float>(farNodeVoxelDepth(key));
    const float innerRadius = static_cast<float>(farNodeInnerRadius(key));

    for (int r = n - 1; r >= 0; --r) {
        const float inner = innerRadius + static_cast<float>(r) * depth;
        const float outer = innerRadius + static_cast<float>(r + 1) * depth;
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const Voxel& here = block.at(i, r, j);
                if (!solid(here)) {
                    if (r == 0 && showSolidBelow && solid(block.at(i, -1, j))) {
                        const VoxelCorners corners = cornersOf(*grid, i, j, inner - depth, inner);
                        out.main.push_back(sideFace(corners, Outward, faceColour(block.at(i, -1, j).colour)));
                    }
                    continue;
                }
                bool corned = false;
                VoxelCorners corners;
                const Vec3 colour = faceColour(here.colour);
                for (const Direction side : allDirections) {
                    const Step s = stepOf(side);
                    const int ni = i + s.di, nr = r + s.dr, nj = j + s.dj;
                    const bool across = !inside(ni, nr, nj);
                    const bool neighbourSolid = solid(block.at(ni, nr, nj));
                    std::vector<FaceRecord>* target = nullptr;
                    if (!neighbourSolid) {
                        target = &out.main;
                    } else if (across && side == Outward) {
                        target = &out.skirts[side];
                    }
                    if (target == nullptr) continue;
                    if (!corned) {
                        corners = cornersOf(*grid, i, j, inner, outer);
                        corned = true;
                    }
                    target->push_back(sideFace(corners, side, colour));
                }
            }
        }
    }
    for (const Direction side : {PlusY, MinusY, MinusX, PlusX}) addLateralSkirt(block, *grid, side, out.skirts[side]);
}

}  // namespace gravelkin
