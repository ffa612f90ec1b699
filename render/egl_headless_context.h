// An OpenGL 4.5 core context without any display or window: Mesa's
// surfaceless EGL platform, for the rendering tests, the snapshot tool and
// the program's headless fallback. The renderer draws into its own
// framebuffer object (RendererSettings::offscreen), so no surface is made.
//
// Threads: create() makes the context current on the calling thread; use and
// destroy it on that thread.
#pragma once

#include <memory>
#include <string>

namespace gravelkin {

class EglHeadlessContext {
public:
    // Null with a reason in `error` when no such context can be made.
    static std::unique_ptr<EglHeadlessContext> create(std::string& error);

    // Releases the context from the thread, destroys it and closes the display.
    ~EglHeadlessContext();
    EglHeadlessContext(const EglHeadlessContext&) = delete;
    EglHeadlessContext& operator=(const EglHeadlessContext&) = delete;

    // The GL_RENDERER string, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)".
    std::string rendererName() const;

private:
    EglHeadlessContext() = default;

    void* display_ = nullptr;  // EGLDisplay
    void* context_ = nullptr;  // EGLContext
};

}  // namespace gravelkin
