// One sample of a chunk's volume.
#pragma once

#include <cstdint>

namespace gravelkin {

struct Voxel {
    float density;            // < 0 solid, >= 0 air (zero counts as air)
    std::uint8_t colour[3];   // red, green, blue

    friend bool operator==(const Voxel&, const Voxel&) = default;
};

// What every voxel of a newly constructed chunk holds, and what the unused
// columns of a generated chunk's inner layers keep.
inline constexpr Voxel constructionVoxel{0.0f, {127, 127, 127}};

// The voxel of the build step's air shortcut.
inline constexpr Voxel airVoxel{1.0f, {127, 127, 127}};

}  // namespace gravelkin
