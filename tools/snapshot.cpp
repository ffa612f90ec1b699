// Renders one frame of the planet headless and writes it as a PNG.
//
// Streams the planet with the real manager and factories around a camera
// pose (by default the program's start: (0, 400, 0) looking along +z), waits
// until the streaming has converged, renders one 1440 x 900 frame with the
// real pipeline on an EGL context without a display (Mesa's software
// rasteriser where there is no GPU) and writes it. Run it from the folder
// that holds shaders.hlsl and assets/.
//
// Prints `name: value` lines: the renderer, whether streaming converged and
// how long it took, the chunks drawn and culled, the frame time, the output path.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "render/gl/headless_snapshot.h"

namespace {

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: snapshot [options]\n"
                 "  --position X Y Z   camera position (default 0 400 0)\n"
                 "  --yaw DEGREES      heading, positive turns from +z toward +x (default 0)\n"
                 "  --pitch DEGREES    elevation, positive looks down (default 0)\n"
                 "  --output PATH      PNG to write (default snapshot.png)\n"
                 "  --time-limit S     stop waiting for streaming after S seconds (default 600)\n"
                 "  --no-cull          draw every meshed chunk, not only those in the view frustum\n"
                 "  --help             this text\n");
}

bool parseFloat(const char* text, float& value) {
    char* end = nullptr;
    value = std::strtof(text, &end);
    return end != text && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    gravelkin::SnapshotOptions options;
    std::string output = "snapshot.png";
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        auto needs = [&](int count) {
            if (i + count >= argc) {
                std::fprintf(stderr, "snapshot: %s needs %d value(s)\n", option.c_str(), count);
                std::exit(2);
            }
        };
        auto number = [&](float& value) {
            if (!parseFloat(argv[++i], value)) {
                std::fprintf(stderr, "snapshot: %s: not a number: %s\n", option.c_str(), argv[i]);
                std::exit(2);
            }
        };
        if (option == "--help") {
            usage(stdout);
            return 0;
        } else if (option == "--position") {
            needs(3);
            number(options.position.x);
            number(options.position.y);
            number(options.position.z);
        } else if (option == "--yaw") {
            needs(1);
            number(options.yawDegrees);
        } else if (option == "--pitch") {
            needs(1);
            number(options.pitchDegrees);
        } else if (option == "--output") {
            needs(1);
            output = argv[++i];
        } else if (option == "--no-cull") {
            options.cull = false;
        } else if (option == "--time-limit") {
            needs(1);
            float seconds = 0.0f;
            number(seconds);
            options.timeLimitSeconds = seconds;
        } else {
            std::fprintf(stderr, "snapshot: unknown option %s\n", option.c_str());
            usage(stderr);
            return 2;
        }
    }

    const gravelkin::SnapshotResult result = gravelkin::renderSnapshot(options);
    if (!result.ok) {
        std::fprintf(stderr, "snapshot: %s\n", result.error.c_str());
        return 1;
    }
    if (!gravelkin::writePng(output, result.image)) {
        std::fprintf(stderr, "snapshot: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("renderer: %s\n", result.rendererName.c_str());
    std::printf("converged: %s\n", result.converged ? "yes" : "no (time limit)");
    std::printf("stream seconds: %.1f\n", result.streamSeconds);
    std::printf("chunks resident: %zu\n", result.chunksResident);
    std::printf("chunks drawn: %zu\n", result.chunksDrawn);
    std::printf("chunks culled: %zu\n", result.chunksCulled);
    std::printf("frame ms: %.1f\n", result.frameMilliseconds);
    std::printf("output: %s (%d x %d)\n", output.c_str(), result.image.width, result.image.height);
    return result.converged ? 0 : 3;
}
