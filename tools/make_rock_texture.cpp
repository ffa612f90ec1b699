// Generates the rock texture the shaders sample: a seamless (tileable)
// greyish-brown rock made from the terrain's own noise, written as a JPEG.
//
//   make_rock_texture [output.jpg] [size]
//
// Defaults: assets/seamless_rock.jpg, 512 x 512. The picture is the same on
// every run; the committed asset is this program's output.
//
// Tiling: each noise field is sampled four times, shifted by one tile in x,
// in y and in both, and the samples are blended with weights that trade one
// copy for the other across the tile, so the left edge meets the right and the
// top meets the bottom. Dividing by the root of the summed squared weights
// keeps the contrast of the blended field even across the tile.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "render/image_file.h"
#include "noise/noise.h"

namespace gravelkin {
namespace {

using Field = std::function<float(float x, float y)>;

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

// The field made periodic over size x size.
float tiled(const Field& field, float x, float y, float size) {
    const float wx = smooth(x / size);  // weight of the copy shifted by one tile in x
    const float wy = smooth(y / size);
    const float weights[4] = {(1 - wx) * (1 - wy), wx * (1 - wy), (1 - wx) * wy, wx * wy};
    const float samples[4] = {field(x, y), field(x - size, y), field(x, y - size), field(x - size, y - size)};
    float sum = 0.0f;
    float squares = 0.0f;
    for (int i = 0; i < 4; ++i) {
        sum += weights[i] * samples[i];
        squares += weights[i] * weights[i];
    }
    return sum / std::sqrt(squares);
}

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

RgbaImage makeRock(int size) {
    NoiseLayer body;
    body.seed = 1337;
    body.octaves = 6;
    body.lacunarity = 2.0f;
    body.gain = 0.5f;
    NoiseLayer cracks = body;
    cracks.seed = 4242;
    cracks.octaves = 3;
    cracks.gain = 0.45f;
    NoiseLayer grain = body;
    grain.seed = 97;
    grain.octaves = 2;

    const float scale = 6.0f / static_cast<float>(size);  // about six features across the tile
    const Field bodyField = [&](float x, float y) {
        // Warped a little, so the layers look folded rather than round.
        float px = x * scale, py = y * scale, pz = 0.5f;
        gradientPerturb(px, py, pz, 0.7f, 0.35f);
        return fractalSum(body, px, py, pz);
    };
    const Field crackField = [&](float x, float y) { return fractalRidge(cracks, x * scale * 1.7f, y * scale * 1.7f, 3.5f); };
    const Field grainField = [&](float x, float y) { return valueNoise3(grain, grain.seed, x * 0.45f, y * 0.45f, 7.0f); };
    const Field tintField = [&](float x, float y) { return simplexNoise3(11, x * scale * 0.5f, y * scale * 0.5f, 1.0f); };

    RgbaImage image;
    image.width = size;
    image.height = size;
    image.pixels.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size) * 4);
    const float s = static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const float b = tiled(bodyField, fx, fy, s);
            const float ridge = tiled(crackField, fx, fy, s);
            const float g = tiled(grainField, fx, fy, s);
            const float t = tiled(tintField, fx, fy, s);
            // Ridged noise peaks along thin lines: those become dark cracks.
            const float crack = clamp01((ridge - 0.55f) * 3.0f);
            const float brightness = clamp01(0.64f + 0.17f * b - 0.28f * crack + 0.05f * g);
            const float warm = 0.04f * t;
            const float rgb[3] = {brightness * (1.00f + warm), brightness * 0.96f, brightness * (0.90f - warm)};
            std::uint8_t* out = &image.pixels[(static_cast<std::size_t>(y) * size + x) * 4];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(std::lround(clamp01(rgb[c]) * 255.0f));
            out[3] = 255;
        }
    }
    return image;
}

}  // namespace
}  // namespace gravelkin

int main(int argc, char** argv) {
    const std::string path = argc > 1 ? argv[1] : "assets/seamless_rock.jpg";
    const int size = argc > 2 ? std::atoi(argv[2]) : 512;
    if (size < 8 || size > 8192) {
        std::fprintf(stderr, "usage: make_rock_texture [output.jpg] [size, 8 to 8192]\n");
        return 2;
    }
    const gravelkin::RgbaImage image = gravelkin::makeRock(size);
    if (!gravelkin::writeJpeg(path, image, 92)) {
        std::fprintf(stderr, "make_rock_texture: cannot write %s\n", path.c_str());
        return 1;
    }
    double mean = 0.0;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) mean += image.pixels[i + 1];
    mean /= static_cast<double>(image.pixels.size() / 4) * 255.0;
    std::printf("wrote %s: %d x %d, mean brightness %.3f\n", path.c_str(), size, size, mean);
    return 0;
}
