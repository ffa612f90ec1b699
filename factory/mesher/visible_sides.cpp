#include "factory/mesher/visible_sides.h"

#include <bit>
#include <cstdint>

#include "factory/mesher/neighbour_voxel.h"
#include "geometry/level_table.h"

namespace gravelkin {

namespace {

// Bits of `candidates` (voxels (i, r, j) of one row) whose neighbour in
// `direction`, read the general way, is not solid.
std::uint32_t notSolidAcross(const Chunk& chunk, std::uint32_t i, std::uint32_t r, std::uint32_t candidates,
                             Direction direction, std::uint32_t columns) {
    std::uint32_t open = 0;
    while (candidates != 0) {
        const auto j = static_cast<std::uint32_t>(std::countr_zero(candidates));
        candidates &= candidates - 1;
        if (!(neighbourVoxelAcrossChunk(chunk, i, r, j, direction, columns).density < 0.0f)) open |= 1u << j;
    }
    return open;
}

bool solid(const Voxel& voxel) { return voxel.density < 0.0f; }

// A row of a grid half as fine, bit k standing for bits 2k and 2k + 1.
std::uint32_t doubledBits(std::uint32_t half) {
    std::uint32_t x = half & 0xFFFFu;
    x = (x | (x << 8)) & 0x00FF00FFu;
    x = (x | (x << 4)) & 0x0F0F0F0Fu;
    x = (x | (x << 2)) & 0x33333333u;
    x = (x | (x << 1)) & 0x55555555u;
    return x | (x << 1);
}

// Where one layer's voxels find their neighbours beyond the layer's own
// rows. A null chunk means: ask neighbour_voxel.h voxel by voxel.
//
// The shortcuts are the cases where the general lookup lands, for every
// voxel of the border, in a chunk laid out like this one: the step stays on
// the cube face (no edge crossing), at a radius with the same column grid, so
// the global column maps back to the same index on the far side of the chunk
// border. The general lookup then picks neighbours[direction], since the
// holding key is not this chunk's; so do these.
struct LayerSources {
    const Chunk* plusJ = nullptr;   // voxel (i, r, 0) of it, for j = columns - 1
    const Chunk* minusJ = nullptr;  // voxel (i, r, columns - 1), for j = 0
    const Chunk* minusI = nullptr;  // row (columns - 1, r), for i = 0
    const Chunk* plusI = nullptr;   // row (0, r), for i = columns - 1
    // HalfRow (inward only): row (i / 2, r - 1) of this chunk, a grid half as
    // fine.
    enum Radial { General, Drawn, OwnRow, ChunkRow, HalfRow } outward = General, inward = General;
    const Chunk* above = nullptr;  // ChunkRow: row (i, 0) of it
    const Chunk* below = nullptr;  // ChunkRow: row (i, 31) of it
};

LayerSources layerSources(const Chunk& chunk, std::uint32_t r, std::uint32_t columns) {
    LayerSources s;
    const ChunkKey& key = chunk.key;
    const std::uint32_t radius = 32 * key.shell + r;
    const std::uint8_t level = columnLevel(radius);

    const bool finerAbove = columnLevel(radius + 1) != level;
    if (finerAbove) {
        // The layer above is divided more finely: the outward side is drawn
        // without looking.
        s.outward = LayerSources::Drawn;
    }

    // The centre voxel's other steps all lead to odd places: leave them
    // general.
    if (radius == 0) return s;

    const std::uint32_t faceColumns = 1u << level;
    const std::uint32_t firstX = key.x * columns;
    const std::uint32_t firstY = key.y * columns;
    if (firstY + columns < faceColumns) s.plusJ = chunk.neighbours[Direction::PlusY];
    if (firstY > 0) s.minusJ = chunk.neighbours[Direction::MinusY];
    if (firstX > 0) s.minusI = chunk.neighbours[Direction::MinusX];
    if (firstX + columns < faceColumns) s.plusI = chunk.neighbours[Direction::PlusX];

    if (!finerAbove) {
        if (r + 1 < Chunk::size) {
            // The same grid above, inside this shell: this chunk's next layer
            // (the plain in-chunk neighbour where the shell has no level step).
            s.outward = LayerSources::OwnRow;
        } else if (columnsPerChunk(radius + 1) == Chunk::size && chunk.neighbours[Direction::Outward] != nullptr) {
            s.outward = LayerSources::ChunkRow;
            s.above = chunk.neighbours[Direction::Outward];
        }
    }

    if (columnLevel(radius - 1) == level) {
        if (r > 0) {
            s.inward = LayerSources::OwnRow;
        } else if (columns == Chunk::size && chunk.neighbours[Direction::Inward] != nullptr) {
            s.inward = LayerSources::ChunkRow;
            s.below = chunk.neighbours[Direction::Inward];
        }
    } else if (r > 0 && radius > 1 && 2 * columnsPerChunk(radius - 1) == columns) {
        // Below a level step inside the shell the grid halves: the step
        // inward from column (x, y) of the face lands on (x / 2, y / 2),
        // which lies in this chunk at (i / 2, j / 2).
        s.inward = LayerSources::HalfRow;
    }
    return s;
}

}  // namespace

void findVisibleSides(const Chunk& chunk, const SolidMasks& masks, std::uint32_t r, LayerSides& layer) {
    const std::uint32_t columns = columnsPerChunk(32 * chunk.key.shell + r);
    const std::uint32_t last = columns - 1;
    const std::uint32_t innerJ = lowBits(last);           // j + 1 < columns
    const std::uint32_t upperJ = lowBits(columns) & ~1u;  // j > 0
    const LayerSources from = layerSources(chunk, r, columns);

    for (std::uint32_t i = 0; i < columns; ++i) {
        RowSides& sides = layer[i];
        const std::uint32_t drawn = masks.drawn[r][i];
        if (drawn == 0) {
            for (std::uint32_t& side : sides) side = 0;
            continue;
        }
        const std::uint32_t solidRow = masks.solid[r][i];
        const std::uint32_t lastBit = 1u << last;

        // +j: voxel j + 1 of the row; the last column looks across.
        std::uint32_t plusJ = drawn & innerJ & ~(solidRow >> 1);
        if (drawn & lastBit) {
            if (from.plusJ != nullptr) {
                if (!solid(from.plusJ->voxel(i, r, 0))) plusJ |= lastBit;
            } else {
                plusJ |= notSolidAcross(chunk, i, r, lastBit, Direction::PlusY, columns);
            }
        }
        sides[Direction::PlusY] = plusJ;

        // -j: voxel j - 1; column 0 looks across.
        std::uint32_t minusJ = drawn & upperJ & ~(solidRow << 1);
        if (drawn & 1u) {
            if (from.minusJ != nullptr) {
                if (!solid(from.minusJ->voxel(i, r, last))) minusJ |= 1u;
            } else {
                minusJ |= notSolidAcross(chunk, i, r, 1u, Direction::MinusY, columns);
            }
        }
        sides[Direction::MinusY] = minusJ;

        // -i and +i: the neighbouring row, or the far row of the chunk
        // across at the ends.
        std::uint32_t& minusI = sides[Direction::MinusX];
        if (i > 0) {
            minusI = drawn & ~masks.solid[r][i - 1];
        } else if (from.minusI != nullptr) {
            minusI = drawn & ~rowMasks(from.minusI->voxels.data() + Chunk::voxelIndex(last, r, 0), columns).solid;
        } else {
            minusI = notSolidAcross(chunk, i, r, drawn, Direction::MinusX, columns);
        }
        std::uint32_t& plusI = sides[Direction::PlusX];
        if (i < last) {
            plusI = drawn & ~masks.solid[r][i + 1];
        } else if (from.plusI != nullptr) {
            plusI = drawn & ~rowMasks(from.plusI->voxels.data() + Chunk::voxelIndex(0, r, 0), columns).solid;
        } else {
            plusI = notSolidAcross(chunk, i, r, drawn, Direction::PlusX, columns);
        }

        // Outward and inward: the row of the next layer.
        std::uint32_t& outward = sides[Direction::Outward];
        switch (from.outward) {
            case LayerSources::Drawn: outward = drawn; break;
            case LayerSources::OwnRow: outward = drawn & ~masks.solid[r + 1][i]; break;
            case LayerSources::ChunkRow:
                outward = drawn & ~rowMasks(from.above->voxels.data() + Chunk::voxelIndex(i, 0, 0), columns).solid;
                break;
            default: outward = notSolidAcross(chunk, i, r, drawn, Direction::Outward, columns); break;
        }
        std::uint32_t& inward = sides[Direction::Inward];
        switch (from.inward) {
            case LayerSources::OwnRow: inward = drawn & ~masks.solid[r - 1][i]; break;
            case LayerSources::HalfRow: inward = drawn & ~doubledBits(masks.solid[r - 1][i / 2]); break;
            case LayerSources::ChunkRow:
                inward = drawn & ~rowMasks(from.below->voxels.data() + Chunk::voxelIndex(i, 31, 0), columns).solid;
                break;
            default: inward = notSolidAcross(chunk, i, r, drawn, Direction::Inward, columns); break;
        }
    }
}

}  // namespace gravelkin
