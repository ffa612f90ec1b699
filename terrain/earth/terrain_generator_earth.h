// The planet's terrain: a sphere of radius 400 roughened by noise and coloured
// by four biomes scattered over the sphere.
//
// Density of a voxel at radius rho (the middle of its layer) in the unwarped
// column direction d, P = rho * d:
//   (1 - |mask(P)|) * (relief(P) * 32) + (rho - surfaceRadius)
//   + elevation(P) * 64
//   + (value(P) + 1) * -16 where the outcrop gradient noise is positive.
// The biome is that of the nearest biome point to d warped by repeated
// gradient perturbation; it only colours the voxel.
//
// Shells 0 to 8 lie wholly below solidBelowRadius and shells 17 and up wholly
// above emptyAboveRadius: the chunk factory fills those without calling
// generate.
//
// Immutable after construction; generate may run on every factory thread at
// once, each with its own chunk and cache.
#pragma once

#include <array>
#include <cstdint>

#include "noise/noise.h"
#include "noise/noise_bounds.h"
#include "terrain/earth/biome_cells.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

using ColourBytes = std::array<std::uint8_t, 3>;  // red, green, blue

// The biome scatter's starting state for a terrain seed: the default seed
// gives ClassicRandom's initial state (1), and distinct seeds give distinct
// states (an exclusive or is one to one).
constexpr std::uint32_t biomeScatterState(std::int32_t seed) {
    return static_cast<std::uint32_t>(seed) ^ static_cast<std::uint32_t>(defaultTerrainSeed) ^ 1u;
}

class TerrainGeneratorEarth : public TerrainGeneratorBase {
public:
    // Sets the layers and fill settings, every noise layer taking `seed`, then
    // scatters the biome points from a ClassicRandom started at
    // biomeScatterState(seed), so every generator of one seed has the same
    // layout.
    explicit TerrainGeneratorEarth(std::int32_t seed = defaultTerrainSeed);

    // Fills the chunk through the SIMD path, on the best instruction set the
    // CPU offers; bit for bit the same voxels and fill state as
    // generateReference.
    ChunkFillState generate(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override;

    // The plain scalar generator, one voxel at a time: the definition the
    // fast path is tested against, and the baseline of the benchmarks.
    ChunkFillState generateReference(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache) const override;

    // AllAir or AllSolid when bounds of the density over the chunk's pieces
    // prove it (every voxel air; every voxel at density <= -10, so stone like
    // the solid fill), else Unknown; and what the bounds prove of each piece.
    // See earth_classify.cpp.
    ChunkFillState classifyPieces(const ChunkKey& key, ColumnDirectionCache& cache,
                                  ChunkPieces& pieces) const override;

    // The SIMD path over the columns of the pieces left Unknown only.
    ChunkFillState generateSparse(const ChunkKey& key, Voxel* voxels, ColumnDirectionCache& cache,
                                  const ChunkPieces& pieces) const override;

    // The node's samples through the SIMD kernels (earth_columns.h): the
    // same density and colour rule as generate, at the coarse voxels'
    // centres; layers wholly below solidBelowRadius are the solid fill and
    // wholly above emptyAboveRadius air, as for chunks, and so are layers
    // that the density bounds prove stone or air (never sampled).
    bool sampleFarBlock(const FarNodeKey& key, FarBlock& block) const override;

    // Bounds of densityAt's terms over sample points in `points` at radii
    // within [rhoLo, rhoHi]: density = damping * relief * 32 + rest, where
    // relief is the relief fractal's value.
    struct DensityTerms {
        Interval damping;  // 1 - |mask|
        Interval rest;     // height above the surface, elevation and outcrop
        Interval given(const Interval& relief) const { return damping * (relief * 32.0) + rest; }
    };
    DensityTerms densityTerms(const NoiseBox& points, double rhoLo, double rhoHi) const;
    // Bounds of densityAt over the same sample points.
    Interval densityBounds(const NoiseBox& points, double rhoLo, double rhoHi) const;

    // Stone at density >= 0 (never visible as surface); the biome's surface
    // colour just below the surface, blending to the subsoil colour at -5 and
    // to stone at -10 and below. A biome outside 0..3 colours like biome 0.
    ColourBytes voxelColour(float density, std::int32_t biome) const;

    // The biome of a column whose unwarped direction is d.
    std::int32_t biomeAt(const Vec4& d) const;

    // The density of a sample point p = rho * d, where rho is its radius.
    float densityAt(const Vec4& p, float rho) const;

    NoiseLayer reliefNoise;      // fractal chosen by fractalKind; ridged for Earth
    NoiseLayer elevationNoise;   // gradient noise
    NoiseLayer reliefMaskNoise;  // gradient noise; damps the relief where large
    NoiseLayer outcropNoise;     // gradient noise gates value noise
    NoiseLayer biomeWarpNoise;   // gradient perturbation, once per octave
    // The candidates of biomePoints by cell, built with them; the biome
    // kernel uses them only while they are the cells of biomePoints.
    BiomeCells biomeCells;

    std::array<ColourBytes, 4> surfaceColours = {{{133, 177, 56}, {202, 165, 93}, {110, 80, 80}, {225, 241, 254}}};
    ColourBytes subsoilColour = {97, 75, 66};
    ColourBytes stoneColour = {120, 120, 120};
};

}  // namespace gravelkin
