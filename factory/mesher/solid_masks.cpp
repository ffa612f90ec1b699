#include "factory/mesher/solid_masks.h"

#include <cstring>

#include "geometry/level_table.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace gravelkin {

namespace {

RowMasks scalarRowMasks(const Voxel* row) {
    std::uint32_t solid = 0;
    std::uint32_t drawn = 0;
    for (std::uint32_t j = 0; j < 32; ++j) {
        solid |= static_cast<std::uint32_t>(row[j].density < 0.0f) << j;
        drawn |= static_cast<std::uint32_t>(!(row[j].density >= 0.0f)) << j;
    }
    return {solid, drawn};
}

#if defined(__SSE2__)
static_assert(sizeof(Voxel) == 8, "two voxels per 16-byte load");

// The densities of voxels 4k .. 4k + 3 of a row: two loads of two voxels
// each, the densities picked out of the even lanes (the colour lanes are
// dropped unused).
inline __m128 densities(const float* row, int k) {
    const __m128 a = _mm_loadu_ps(row + 8 * k);
    const __m128 b = _mm_loadu_ps(row + 8 * k + 4);
    return _mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0));
}

// Sixteen lane masks (all ones or zero) of 32 bits, in voxel order, to one
// bit per voxel.
inline std::uint32_t packMasks(const __m128i (&m)[8]) {
    const __m128i low = _mm_packs_epi16(_mm_packs_epi32(m[0], m[1]), _mm_packs_epi32(m[2], m[3]));
    const __m128i high = _mm_packs_epi16(_mm_packs_epi32(m[4], m[5]), _mm_packs_epi32(m[6], m[7]));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(low)) |
           (static_cast<std::uint32_t>(_mm_movemask_epi8(high)) << 16);
}
#endif

}  // namespace

RowMasks rowMasks(const Voxel* row, std::uint32_t columns) {
#if defined(__SSE2__)
    // The same comparison as the scalar one, lane by lane: ordered < 0, so
    // -0.0 and NaN are not solid. NaN is the one density for which "solid"
    // and "drawn" differ; a row holding one takes the scalar path.
    const __m128 zero = _mm_setzero_ps();
    const auto* floats = reinterpret_cast<const float*>(row);
    __m128i below[8];
    __m128 unordered = _mm_setzero_ps();
    // Written out rather than looped: the eight results then stay in
    // registers.
    const auto compare = [&](int k) {
        const __m128 d = densities(floats, k);
        below[k] = _mm_castps_si128(_mm_cmplt_ps(d, zero));
        unordered = _mm_or_ps(unordered, _mm_cmpunord_ps(d, d));
    };
    compare(0);
    compare(1);
    compare(2);
    compare(3);
    compare(4);
    compare(5);
    compare(6);
    compare(7);
    RowMasks masks;
    if (_mm_movemask_ps(unordered) != 0) {
        masks = scalarRowMasks(row);
    } else {
        const std::uint32_t solid = packMasks(below);
        masks = {solid, solid};
    }
#else
    RowMasks masks = scalarRowMasks(row);
#endif
    const std::uint32_t used = lowBits(columns);
    return {masks.solid & used, masks.drawn & used};
}

void buildSolidMasks(const Chunk& chunk, SolidMasks& masks) {
    std::memset(&masks, 0, sizeof masks);
    const Voxel* voxels = chunk.voxels.data();
    const std::uint32_t inner = 32 * chunk.key.shell;
    // A chunk without a block of its own reads a constant block: every row
    // is the first one.
    const bool constant = !chunk.voxels.ownsBlock();
    const RowMasks first = rowMasks(voxels, Chunk::size);
    for (std::uint32_t r = 0; r < Chunk::size; ++r) {
        const std::uint32_t columns = columnsPerChunk(inner + r);
        if (constant) {
            const std::uint32_t used = lowBits(columns);
            for (std::uint32_t i = 0; i < columns; ++i) {
                masks.solid[r][i] = first.solid & used;
                masks.drawn[r][i] = first.drawn & used;
            }
            continue;
        }
        for (std::uint32_t i = 0; i < columns; ++i) {
            const RowMasks row = rowMasks(voxels + Chunk::voxelIndex(i, r, 0), columns);
            masks.solid[r][i] = row.solid;
            masks.drawn[r][i] = row.drawn;
        }
    }
}

}  // namespace gravelkin
