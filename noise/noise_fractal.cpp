// Fractal sums of simplex noise. Each octave after the first samples at
// `lacunarity` times the frequency, with the next seed (so octaves are not
// scaled copies of one another) and `gain` times the amplitude.
#include "noise/noise.h"

#include <cmath>

namespace gravelkin {

namespace {

// Steps the sample point and seed to the next octave.
void nextOctave(const NoiseLayer& layer, std::uint32_t& seed, float& x, float& y, float& z) {
    x *= layer.lacunarity;
    y *= layer.lacunarity;
    z *= layer.lacunarity;
    seed += 1u;  // unsigned: the seed wraps
}

float simplexAt(std::uint32_t seed, float x, float y, float z) {
    return simplexNoise3(static_cast<std::int32_t>(seed), x, y, z);
}

float billowOf(float n) {
    return std::fabs(n) * 2.0f - 1.0f;
}

// The octaves' shaped samples, weighted by amplitude and divided by the
// amplitudes' total.
template <class Shape>
float normalisedSum(const NoiseLayer& layer, float x, float y, float z, Shape shape) {
    std::uint32_t seed = static_cast<std::uint32_t>(layer.seed);
    float sum = shape(simplexAt(seed, x, y, z));
    float amplitude = 1.0f;
    float total = 1.0f;
    for (std::uint32_t octave = 1; octave < layer.octaves; ++octave) {
        nextOctave(layer, seed, x, y, z);
        amplitude *= layer.gain;
        total += amplitude;
        sum += amplitude * shape(simplexAt(seed, x, y, z));
    }
    return sum / total;
}

}  // namespace

float fractalSum(const NoiseLayer& layer, float x, float y, float z) {
    return normalisedSum(layer, x, y, z, [](float n) { return n; });
}

float fractalBillow(const NoiseLayer& layer, float x, float y, float z) {
    return normalisedSum(layer, x, y, z, billowOf);
}

// Peaks of 1 where the first octave crosses zero, carved down by the finer
// octaves. Not divided by a total, so a ridge line keeps its full height.
float fractalRidge(const NoiseLayer& layer, float x, float y, float z) {
    std::uint32_t seed = static_cast<std::uint32_t>(layer.seed);
    float result = 1.0f - std::fabs(simplexAt(seed, x, y, z));
    float amplitude = 1.0f;
    for (std::uint32_t octave = 1; octave < layer.octaves; ++octave) {
        nextOctave(layer, seed, x, y, z);
        amplitude *= layer.gain;
        result -= amplitude * (1.0f - std::fabs(simplexAt(seed, x, y, z)));
    }
    return result;
}

}  // namespace gravelkin
