// One computed voxel stored into a voxel record, as the Earth generator and
// the far-node sampler write them. Pure.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "terrain/earth/earth_columns.h"
#include "voxel/voxel.h"

namespace gravelkin {

// Writes density and colour into a voxel. Where the record is a float
// followed by the three colour bytes and one byte of padding, as one 8-byte
// store (the padding gets 0) rather than four.
inline void storeVoxel(Voxel& voxel, float density, PackedColour colour) {
    if constexpr (sizeof(Voxel) == 8 && offsetof(Voxel, density) == 0 && offsetof(Voxel, colour) == 4 &&
                  std::endian::native == std::endian::little) {
        const std::uint64_t bits = std::uint64_t{std::bit_cast<std::uint32_t>(density)} | std::uint64_t{colour} << 32;
        std::memcpy(static_cast<void*>(&voxel), &bits, sizeof bits);
    } else {
        voxel.density = density;
        voxel.colour[0] = static_cast<std::uint8_t>(colour);
        voxel.colour[1] = static_cast<std::uint8_t>(colour >> 8);
        voxel.colour[2] = static_cast<std::uint8_t>(colour >> 16);
    }
}

}  // namespace gravelkin
