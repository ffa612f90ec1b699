// What is known of a chunk's fill, and how one more voxel changes it.
//
// The first voxel decides AllAir (density >= 0) or AllSolid (density < 0); a
// later voxel of the other kind makes the chunk Mixed, and Mixed stays.
// Generators call nextFillState for every voxel they write, in writing order.
#pragma once

#include <cstdint>

namespace gravelkin {

enum class ChunkFillState : std::uint32_t {
    Unknown = 0,  // nothing written yet
    Mixed = 1,
    AllAir = 2,
    AllSolid = 3,
};

constexpr const char* fillStateName(ChunkFillState state) {
    switch (state) {
        case ChunkFillState::Mixed:
            return "Mixed";
        case ChunkFillState::AllAir:
            return "AllAir";
        case ChunkFillState::AllSolid:
            return "AllSolid";
        default:
            return "Unknown";
    }
}

constexpr ChunkFillState nextFillState(ChunkFillState state, float density) {
    const bool air = density >= 0.0f;  // zero counts as air
    switch (state) {
        case ChunkFillState::Unknown:
            return air ? ChunkFillState::AllAir : ChunkFillState::AllSolid;
        case ChunkFillState::AllAir:
            return air ? ChunkFillState::AllAir : ChunkFillState::Mixed;
        case ChunkFillState::AllSolid:
            return air ? ChunkFillState::Mixed : ChunkFillState::AllSolid;
        default:
            return ChunkFillState::Mixed;
    }
}

}  // namespace gravelkin
