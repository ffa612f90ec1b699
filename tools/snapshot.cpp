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
// how long it took, the chunks drawn and culled, the faces drawn and left out
// (facing away, outside the frustum), the frame time, the output path; with
// --crack-check also `crack pixels: N` (render/crack_check.h).
#include <cstdio>
#include <memory>
#include <string>

#include "app/overlay_panel.h"
#include "app/view_snapshot.h"
#include "cli/view_options.h"
#include "app/heap_policy.h"
#include "render/crack_check.h"
#include "render/headless_snapshot.h"

namespace {

using namespace gravelkin;

std::string usage() {
    return "usage: snapshot [options]\n" + viewOptionsHelp() +
           "  --overlay          draw the statistics overlay over the frame (as F3 shows it)\n"
           "  --no-cull          draw every face of every meshed chunk, not only the chunks in the\n"
           "                     view frustum and the faces that do not all face away\n"
           "  --crack-check      also print `crack pixels: N`: sky pixels where the view ray meets\n"
           "                     the solid shells (radius " + std::to_string(static_cast<int>(solidShellsTop)) + ")\n"
           "  --output PATH      PNG to write (default snapshot.png)\n"
           "  --time-limit S     stop waiting for streaming after S seconds (default 600)\n"
           "  --help             this text\n"
           "Exit status: 0 written, 1 failed, 2 bad command line, 3 written before streaming converged.\n";
}

struct ToolOptions {
    SnapshotOptions snapshot;
    std::string output = "snapshot.png";
    bool overlay = false;
    bool cull = true;
    bool crackCheck = false;
    bool help = false;
};

ToolOptions parseOptions(int argc, char** argv) {
    ToolOptions options;
    ViewOptions view;
    double timeLimit = options.snapshot.timeLimitSeconds;
    Arguments args(argc, argv);
    while (!args.done()) {
        const std::string_view option = args.option();
        if (takeViewOption(option, args, view)) continue;
        if (option == "--help") {
            options.help = true;
        } else if (option == "--overlay") {
            options.overlay = true;
        } else if (option == "--no-cull") {
            options.cull = false;
        } else if (option == "--crack-check") {
            options.crackCheck = true;
        } else if (option == "--output") {
            options.output = args.text(option);
        } else if (option == "--time-limit") {
            timeLimit = args.numberAbove(option, 0.0f, 1e6f);
        } else {
            throw unknownOption(option);
        }
    }
    options.snapshot = snapshotOptionsFor(view);
    options.snapshot.timeLimitSeconds = timeLimit;
    options.snapshot.cull = options.cull;
    return options;
}

// The statistics overlay over each frame, as the program draws it.
SnapshotOverlay makeOverlayPanel(int width, int height) {
    std::string error;
    std::shared_ptr<OverlayPanel> overlay = OverlayPanel::create(width, height, error);
    if (!overlay) {
        std::fprintf(stderr, "snapshot: no overlay: %s\n", error.c_str());
        return {};
    }
    auto statistics = std::make_shared<OverlayFigureRecorder>();
    return [overlay, statistics](const Planet& planet, const Camera& camera, float previousFrameSeconds) {
        if (previousFrameSeconds > 0.0f) statistics->recordFrame(previousFrameSeconds);
        overlay->draw(statistics->update(planet, camera.position()), previousFrameSeconds);
    };
}

}  // namespace

int main(int argc, char** argv) {
    gravelkin::keepLargeFreedBlocksForReuse();
    ToolOptions tool;
    try {
        tool = parseOptions(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "snapshot: %s\n%s", error.what(), usage().c_str());
        return 2;
    }
    if (tool.help) {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    SnapshotOptions& options = tool.snapshot;
    const std::string& output = tool.output;
    if (tool.overlay) {
        options.overlay = [&options] { return makeOverlayPanel(options.width, options.height); };
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
    std::printf("faces drawn: %llu\n", static_cast<unsigned long long>(result.facesDrawn));
    std::printf("faces facing away: %llu\n", static_cast<unsigned long long>(result.facesFacingAway));
    std::printf("faces outside the frustum: %llu\n", static_cast<unsigned long long>(result.facesOutside));
    std::printf("frame ms: %.1f\n", result.frameMilliseconds);
    std::printf("output: %s (%d x %d)\n", output.c_str(), result.image.width, result.image.height);
    if (tool.crackCheck) {
        std::printf("crack pixels: %llu\n", static_cast<unsigned long long>(countCrackPixels(
                                                 result.image, result.viewProjection, result.eye, solidShellsTop)));
    }
    return result.converged ? 0 : 3;
}
