// The options that place the camera and choose the planet, shared by the
// program and the tools that take a pose (snapshot, stream_probe), so that
// all of them spell and check them alike:
//   --position X Y Z   camera position (default 0 400 0, the program's start)
//   --yaw DEG          heading; positive turns from +z toward +x (default 0)
//   --pitch DEG        elevation, -90 to 90; positive looks down (default 0)
//   --view-radius R    streaming radius, above 0 and at most maxViewRadius
//                      (default Planet::defaultViewRadius)
//   --seed N           terrain seed, any int32 (default defaultTerrainSeed)
//   --far-terrain      coarser terrain beyond the streaming radius, out to
//                      the whole planet, drawn with reversed float depth
//                      (default off)
//   --memory-budget MIB what the planet may hold, minMemoryBudgetMiB to
//                      maxMemoryBudgetMiB (default: a quarter of the
//                      machine's memory, at most 4 GiB)
// The defaults are the program's start and today's planet.
//
// Threads: plain values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "camera/camera.h"
#include "cli/arguments.h"
#include "planet/planet.h"
#include "terrain/terrain_generator_base.h"

namespace gravelkin {

// Far beyond the planet (radius 400): streaming more would take minutes and
// gigabytes.
inline constexpr float maxViewRadius = 4000.0f;
inline constexpr float maxPitchDegrees = 90.0f;
// Below 64 MiB the planet could not hold the ground around the camera.
inline constexpr std::int32_t minMemoryBudgetMiB = 64;
inline constexpr std::int32_t maxMemoryBudgetMiB = 1 << 20;  // 1 TiB

struct ViewOptions {
    Vec3 position = cameraStartPosition;
    float yawDegrees = 0.0f;
    float pitchDegrees = 0.0f;
    float viewRadius = Planet::defaultViewRadius;
    std::int32_t seed = defaultTerrainSeed;
    bool farTerrain = false;
    std::uint64_t memoryBudgetBytes = 0;  // 0: the planet's default
};

// Sets the planet's memory budget when the options name one.
void applyMemoryBudget(const ViewOptions& view, Planet& planet);

// When `option` is one of the view options, reads its values from `args`
// into `view` and returns true; false leaves both untouched. Throws
// UsageError for a missing or bad value.
bool takeViewOption(std::string_view option, Arguments& args, ViewOptions& view);

// The options' lines for a usage text, each ending in a newline.
std::string viewOptionsHelp();
// The lines of the options that choose the planet (--view-radius, --seed,
// --far-terrain), for a tool that sets the pose itself.
std::string planetOptionsHelp();
// Whether `option` places the camera (--position, --yaw, --pitch), which a
// tool that sets the pose itself refuses.
bool isPoseOption(std::string_view option);

}  // namespace gravelkin
