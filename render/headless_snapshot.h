// One frame of the planet rendered without any display: streams the planet
// around a camera pose with the real manager and factories, waits until the
// streaming has converged, renders one frame with the real pipeline into an
// offscreen target and hands back the image.
//
// Used by the snapshot tool and by the program when it finds no display.
//
// Threads: the calling thread becomes the "main" thread: it owns the EGL
// context for the whole call. Not reentrant (one camera per process).
#pragma once

#include <functional>
#include <string>

#include "camera/camera.h"
#include "planet/planet.h"
#include "render/image_file.h"

namespace gravelkin {

// Drawn over each frame after the planet, within the frame's time, with the
// previous frame's time in seconds (0 for the first).
using SnapshotOverlay = std::function<void(const Planet& planet, const Camera& camera, float previousFrameSeconds)>;
// Makes the overlay once the GL context is current; what it returns is
// destroyed before the context goes. An empty result draws nothing.
using SnapshotOverlayFactory = std::function<SnapshotOverlay()>;

struct SnapshotOptions {
    Vec3 position = cameraStartPosition;
    float yawDegrees = 0.0f;
    float pitchDegrees = 0.0f;
    int width = 1440;
    int height = 900;
    float viewRadius = Planet::defaultViewRadius;
    std::int32_t seed = defaultTerrainSeed;
    // Streaming has converged when the planet is idle and its manager has
    // made this many passes in a row with nothing to do.
    int quietPasses = 3;
    double timeLimitSeconds = 600.0;
    // Frames rendered once streaming has converged; the frame time reported
    // is the mean of all but the first (which also uploads the buffers).
    int timedFrames = 5;
    std::string shaderPath = "shaders.hlsl";
    std::string texturePath = "assets/seamless_rock.jpg";
    SnapshotOverlayFactory overlay;  // none when empty
    bool cull = true;                // see RendererSettings::cull
    // Far terrain: drawn with reversed infinite depth, and handed to the
    // planet (far_terrain_switch.h).
    bool farTerrain = false;
    std::uint64_t memoryBudgetBytes = 0;  // the planet's; 0: its default
};

struct SnapshotResult {
    bool ok = false;
    std::string error;        // why not, when !ok
    RgbaImage image;          // top row first
    bool converged = false;   // false: the time limit came first
    double streamSeconds = 0.0;
    double frameMilliseconds = 0.0;  // clear, constants, draw and finish
    std::size_t chunksResident = 0;
    std::size_t chunksDrawn = 0;
    std::size_t chunksCulled = 0;  // meshed, left out by the frustum test
    std::uint64_t facesDrawn = 0;
    std::uint64_t facesFacingAway = 0;  // of the chunks drawn, left out in groups facing away
    std::uint64_t facesOutside = 0;     // of the chunks drawn, left out in groups outside the frustum
    std::string rendererName;  // GL_RENDERER
    Mat4 viewProjection{};     // what the image was drawn with
    Vec3 eye{};                // the camera's position
};

SnapshotResult renderSnapshot(const SnapshotOptions& options);

class GlGraphicsDevice;
class Planet;

// Uploads the planet's new buffers on `device` as they arrive until the
// planet has converged (idle, and quietPasses manager passes in a row with
// nothing to do) or timeLimitSeconds have passed; whether it converged. The
// thread that owns the device's context calls it.
bool streamUntilConverged(Planet& planet, GlGraphicsDevice& device, int quietPasses, double timeLimitSeconds);

// Whether the planet has converged: idle, and quietPasses manager passes in
// a row with nothing to do. Any thread.
bool streamingConverged(const Planet& planet, int quietPasses);

}  // namespace gravelkin
