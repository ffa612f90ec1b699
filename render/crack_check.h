// Counts the sky showing through the planet: pixels whose view ray meets a
// sphere, which solid ground fills wherever the terrain is whole, but whose
// colour is exactly the sky's clear colour. Cracks between meshes of
// different detail show up as such pixels.
//
// Inputs: a rendered image, top row first, drawn over the whole viewport;
// the view-projection it was drawn with (either depth mode: clip = (p, 1) x
// viewProjection, depth 0 to w); the eye; the sphere's radius, centred at the
// world origin. A pixel counts when the ray from the eye through its centre
// meets the sphere ahead of the eye and its four bytes equal
// clearColorBytes. The rays are worked out in double precision from the
// matrix's inverse.
//
// Threads: a pure function; any thread.
#pragma once

#include <cstdint>

#include "camera/vector_math.h"
#include "render/image_file.h"

namespace gravelkin {

// The top of the solid shells: the earth terrain fills shells 0 to 8, 32
// units thick each, solid whatever the seed, so ground covers this sphere
// everywhere: the sphere to count against.
inline constexpr float solidShellsTop = 288.0f;

std::uint64_t countCrackPixels(const RgbaImage& image, const Mat4& viewProjection, const Vec3& eye,
                               float sphereRadius);

}  // namespace gravelkin
