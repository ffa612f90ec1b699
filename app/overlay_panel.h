// The statistics overlay: a small translucent Dear ImGui panel in the top
// left corner, drawn over the current frame with ImGui's OpenGL 3 backend.
// It shows frames per second and a plot of the recorded frame times, the
// chunks by fill state, meshed, queued and in flight, faces, vertex and chunk
// memory, the process's resident memory, while it is on the far terrain's
// nodes (overlay_far_terrain_lines.h), every streaming counter under the
// name the tools print it by, the camera's position, distance from the
// centre and chunk key, and the streaming radius.
//
// It takes no input: ImGui is told to ignore the mouse and to leave the
// cursor alone, and is fed no events, so mouse look works as without it; no
// imgui.ini or log is written. Nothing runs while it is not drawn.
//
// Threads: the main thread, with the GL context current for the overlay's
// whole life. One overlay per process (ImGui's context is global).
#pragma once

#include <memory>
#include <string>

#include "app/overlay_figures.h"

namespace gravelkin {

class OverlayPanel {
public:
    // Sets up ImGui and the backend's GL objects for a `width` x `height`
    // target. Null, with the reason in `error`, when the backend cannot
    // start.
    static std::unique_ptr<OverlayPanel> create(int width, int height, std::string& error);
    // Releases the backend's GL objects and ImGui: with the context current.
    ~OverlayPanel();
    OverlayPanel(const OverlayPanel&) = delete;
    OverlayPanel& operator=(const OverlayPanel&) = delete;

    // Draws the panel into the bound framebuffer, restoring the GL state the
    // renderer set.
    void draw(const OverlayFigures& figures, float frameSeconds);

private:
    OverlayPanel(int width, int height) : width_(width), height_(height) {}
    int width_;
    int height_;
};

}  // namespace gravelkin
