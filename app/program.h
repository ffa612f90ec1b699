// Layer app (app/), the top floor: the entry, the GLFW window and input, the
// frame loop, the scene, the overlay and screenshots.
//
// The program: start-up, the frame loop and shutdown.
//
// Start-up, in order: the data folder (data_folder.h; when none holds
// shaders.hlsl the program says where it looked and ends with status 1); the
// window (1440 x 900, "Gravelkin") with its OpenGL 4.5 context; the
// renderer's pipeline, in the depth mode far terrain needs (--far-terrain); a
// 20 ms pause; the Scene (camera at the options' pose, then planet with its
// threads, radius and seed), told whether far terrain is on; the clock. Any failure
// before the loop is reported once on standard error and ends the program
// with a non-zero status; the loop is never entered with anything missing.
// Without a display the program says so, renders the options' view headless
// to a PNG beside the executable instead, says where, and ends with status 2.
//
// The loop: each pass takes the waiting window events; when the window has
// been asked to close (Escape or the close button) the loop ends without
// another frame, otherwise one frame is rendered: far terrain switched when
// F4 was pressed (renderer and planet together, before anything is drawn),
// frame time and title, clear, camera update with the clamped time, frame
// constants from the camera's view, chunk drawing; then, only when asked,
// the statistics overlay (F3 or --overlay) and a screenshot of the frame
// (F12); the renderer's finish of the frame; present without waiting for the
// display.
//
// Shutdown: see shutdown.h; then the window goes. Returns 0.
//
// Threads: the process's main thread.
#pragma once

#include "app/program_options.h"

namespace gravelkin {

int runProgram(const ProgramOptions& options);

}  // namespace gravelkin
