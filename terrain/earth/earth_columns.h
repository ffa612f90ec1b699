// The Earth generator's SIMD kernels, over arrays of columns (one layer's
// columns are independent, so many are computed at once): the density of
// every column at one radius, the biome of every column, and the colours of
// one layer's voxels. Each result is bit for bit what
// TerrainGeneratorEarth::densityAt, biomeAt and voxelColour give for the same
// column.
//
// Run on the best instruction set the CPU offers (simd_targets.h). Pure: any
// thread may call them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gravelkin {

class TerrainGeneratorEarth;

// out[k] = earth.densityAt(d * rho, rho) with d = (x[k], y[k], z[k], 0).
void earthDensities(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z, float rho,
                    float* out, std::size_t count);

// out[k] = earth.densityAt(d * rho, rho) where the voxel's sign or colour
// could depend on it; otherwise 1.0 where the density is proven at least 0.1
// (air), -10.0 where proven at most -10.1 (stone, like the solid fill). The
// relief fractal's octaves stop at the first after which the bounds settle a
// whole vector of columns. So: the same signs as earthDensities, and the same
// colours for every solid voxel.
void earthObservableDensities(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z,
                              float rho, float* out, std::size_t count);

// out[k] = earth.biomeAt(d) with d = (x[k], y[k], z[k], 0).
void earthBiomes(const TerrainGeneratorEarth& earth, const float* x, const float* y, const float* z,
                 std::int32_t* out, std::size_t count);

// A colour as one word: red | green << 8 | blue << 16.
using PackedColour = std::uint32_t;

// out[k] = the surface colour of biome[k], packed (biome 0's outside 0..3).
void earthSurfaceColours(const TerrainGeneratorEarth& earth, const std::int32_t* biome, PackedColour* out,
                         std::size_t count);

// out[k] = earth.voxelColour(density[k], biome) packed, where surface[k] is
// that biome's surface colour packed. Densities are finite.
void earthColours(const TerrainGeneratorEarth& earth, const float* density, const PackedColour* surface,
                  PackedColour* out, std::size_t count);

}  // namespace gravelkin
