#include "terrain/earth/terrain_generator_earth.h"

#include <algorithm>
#include <cmath>

#include "voxel/fill_state.h"
#include "geometry/chunk_layers.h"
#include "terrain/earth/biome_scatter.h"
#include "terrain/earth/classic_random.h"
#include "terrain/earth/nearest_biome.h"

namespace gravelkin {

namespace {

// The reliefNoise fractal chosen by its fractalKind; a value outside the
// enumeration adds no relief.
float fractalRelief(const NoiseLayer& layer, float x, float y, float z) {
    switch (layer.fractalKind) {
        case FractalKind::Sum:
            return fractalSum(layer, x, y, z);
        case FractalKind::Billow:
            return fractalBillow(layer, x, y, z);
        case FractalKind::Ridge:
            return fractalRidge(layer, x, y, z);
    }
    return 0.0f;
}

// s + trunc(float(to - s) * t), channel by channel, in integers where the
// colours are integers.
ColourBytes blend(const ColourBytes& from, const ColourBytes& to, float t) {
    ColourBytes result;
    for (int c = 0; c < 3; ++c) {
        const int difference = int{to[c]} - int{from[c]};
        const int step = static_cast<int>(static_cast<float>(difference) * t);  // truncates toward zero
        result[c] = static_cast<std::uint8_t>(int{from[c]} + step);
    }
    return result;
}

}  // namespace

TerrainGeneratorEarth::TerrainGeneratorEarth(std::int32_t terrainSeed) {
    seed = terrainSeed;
    // Shells ending below this radius are solid however the noise falls.
    solidBelowRadius = static_cast<std::uint32_t>(std::max(0.0f, 294.0f));
    emptyAboveRadius = 538;
    solidFillVoxel = Voxel{-10.0f, {stoneColour[0], stoneColour[1], stoneColour[2]}};

    for (NoiseLayer* layer : {&reliefNoise, &elevationNoise, &reliefMaskNoise, &outcropNoise, &biomeWarpNoise}) {
        layer->seed = seed;
        layer->interpolation = Interpolation::Quintic;
        layer->lacunarity = 2.0f;
    }
    reliefNoise.frequency = 0.008f;
    reliefNoise.gain = 0.4f;
    reliefNoise.fractalKind = FractalKind::Ridge;
    elevationNoise.frequency = 0.004f;
    reliefMaskNoise.frequency = 0.01f;
    outcropNoise.frequency = 0.02f;
    biomeWarpNoise.frequency = 6.0f;
    biomeWarpNoise.octaves = 2;
    biomeWarpNoise.gain = 0.4f;
    biomeWarpNoise.perturbAmplitude = 0.15f;

    ClassicRandom random(biomeScatterState(seed));
    biomePoints = scatterBiomePoints([&random] { return random.next(); });
    biomeCells = BiomeCells(biomePoints);
}

ColourBytes TerrainGeneratorEarth::voxelColour(float density, std::int32_t biome) const {
    if (density >= 0.0f) return stoneColour;
    const ColourBytes& surface = (biome >= 0 && biome < 4) ? surfaceColours[biome] : surfaceColours[0];
    const float t = density * -0.2f;
    if (density > -5.0f) return blend(surface, subsoilColour, t);
    const float q = std::min(t - 1.0f, 1.0f);
    return blend(subsoilColour, stoneColour, q);
}

std::int32_t TerrainGeneratorEarth::biomeAt(const Vec4& d) const {
    float x = d.x;
    float y = d.y;
    float z = d.z;
    float frequency = biomeWarpNoise.frequency;
    float amplitude = biomeWarpNoise.perturbAmplitude;
    gradientPerturb(x, y, z, frequency, amplitude);
    for (std::uint32_t octave = 1; octave < biomeWarpNoise.octaves; ++octave) {
        frequency *= biomeWarpNoise.lacunarity;
        amplitude *= biomeWarpNoise.gain;
        gradientPerturb(x, y, z, frequency, amplitude);
    }
    return nearestBiome(biomePoints, Vec4{x, y, z, 0.0f});
}

float TerrainGeneratorEarth::densityAt(const Vec4& p, float rho) const {
    const float fr = reliefNoise.frequency;
    const float relief = fractalRelief(reliefNoise, p.x * fr, p.y * fr, p.z * fr);

    const float fm = reliefMaskNoise.frequency;
    const float mask =
        std::fabs(gradientNoise3(reliefMaskNoise, reliefMaskNoise.seed, p.x * fm, p.y * fm, p.z * fm));

    float density = (1.0f - mask) * (relief * 32.0f) + (rho - surfaceRadius);

    const float fe = elevationNoise.frequency;
    density += gradientNoise3(elevationNoise, elevationNoise.seed, p.x * fe, p.y * fe, p.z * fe) * 64.0f;

    const float fo = outcropNoise.frequency;
    const float ox = p.x * fo;
    const float oy = p.y * fo;
    const float oz = p.z * fo;
    if (gradientNoise3(outcropNoise, outcropNoise.seed, ox, oy, oz) > 0.0f) {
        density += (valueNoise3(outcropNoise, outcropNoise.seed, ox, oy, oz) + 1.0f) * -16.0f;
    }
    return density;
}

ChunkFillState TerrainGeneratorEarth::generateReference(const ChunkKey& key, Voxel* voxels,
                                                        ColumnDirectionCache& cache) const {
    ChunkFillState fill = ChunkFillState::Unknown;
    // The biome depends on the column direction only, so it is looked up once
    // per column of each grid rather than once per voxel: the point list is
    // long and the result is the same.
    std::int32_t biomes[chunkSize][chunkSize];
    forEachLayerOutermostFirst(key, [&](const ChunkLayer& layer) {
        const std::uint32_t n = layer.columns;
        if (layer.coarser) stepDownToCoarserGrid(cache);
        if (layer.coarser || layer.layer == chunkSize - 1) {
            for (std::uint32_t i = 0; i < n; ++i) {
                for (std::uint32_t j = 0; j < n; ++j) biomes[i][j] = biomeAt(columnDirection(cache, i, j));
            }
        }

        const float rho = static_cast<float>(layer.radius) + 0.5f;  // the middle of the layer
        for (std::uint32_t i = 0; i < n; ++i) {
            for (std::uint32_t j = 0; j < n; ++j) {
                const Vec4& d = columnDirection(cache, i, j);
                const float density = densityAt(d * rho, rho);
                const ColourBytes colour = voxelColour(density, biomes[i][j]);
                Voxel& voxel = voxels[voxelIndex(i, layer.layer, j)];
                voxel.density = density;
                voxel.colour[0] = colour[0];
                voxel.colour[1] = colour[1];
                voxel.colour[2] = colour[2];
                fill = nextFillState(fill, density);
            }
        }
    });
    return fill;
}

}  // namespace gravelkin
