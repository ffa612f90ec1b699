// The renderer's targets: the offscreen framebuffer, the reversed-depth one
// that far terrain draws into (32-bit float depth) and its copy to the
// window, and reading pixels and depths back from whichever is drawn.
#include <algorithm>
#include <vector>

#include <epoxy/gl.h>

#include "render/renderer.h"

namespace gravelkin {

namespace {

// A framebuffer with an RGBA8 colour renderbuffer and a `depthFormat`
// depth-stencil one; whether it is complete. The names are set either way.
bool createFramebuffer(int width, int height, GLenum depthFormat, std::uint32_t& framebuffer,
                       std::uint32_t& color, std::uint32_t& depth) {
    glCreateFramebuffers(1, &framebuffer);
    glCreateRenderbuffers(1, &color);
    glNamedRenderbufferStorage(color, GL_RGBA8, width, height);
    glNamedFramebufferRenderbuffer(framebuffer, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    glCreateRenderbuffers(1, &depth);
    glNamedRenderbufferStorage(depth, depthFormat, width, height);
    glNamedFramebufferRenderbuffer(framebuffer, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
    return glCheckNamedFramebufferStatus(framebuffer, GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

}  // namespace

bool Renderer::createTargets(std::string& error) {
    if (!settings_.offscreen) return true;  // the window's default framebuffer, with its 24/8 depth-stencil
    if (!createFramebuffer(settings_.width, settings_.height, GL_DEPTH24_STENCIL8, framebuffer_, colorTarget_,
                           depthTarget_)) {
        error = "the offscreen framebuffer (RGBA8 colour, 24/8 depth-stencil) is not complete";
        return false;
    }
    return true;
}

bool Renderer::createReversedTarget(std::string& error) {
    if (!createFramebuffer(settings_.width, settings_.height, GL_DEPTH32F_STENCIL8, reversedFramebuffer_,
                           reversedColorTarget_, reversedDepthTarget_)) {
        error = "the reversed-depth framebuffer (RGBA8 colour, 32-bit float depth, 8-bit stencil) is not complete";
        glDeleteFramebuffers(1, &reversedFramebuffer_);
        glDeleteRenderbuffers(1, &reversedColorTarget_);
        glDeleteRenderbuffers(1, &reversedDepthTarget_);
        reversedFramebuffer_ = reversedColorTarget_ = reversedDepthTarget_ = 0;
        return false;
    }
    return true;
}

bool Renderer::setDepthMode(DepthMode mode, std::string& error) {
    if (mode == DepthMode::ReversedInfinite && reversedFramebuffer_ == 0 && !createReversedTarget(error)) return false;
    depthMode_ = mode;
    applyDepthMode();
    return true;
}

void Renderer::applyDepthMode() {
    glBindFramebuffer(GL_FRAMEBUFFER, renderedFramebuffer());
    glDepthFunc(depthMode_ == DepthMode::ReversedInfinite ? GL_GREATER : GL_LESS);
}

std::uint32_t Renderer::renderedFramebuffer() const {
    return depthMode_ == DepthMode::ReversedInfinite ? reversedFramebuffer_ : framebuffer_;
}

void Renderer::finishFrame() {
    if (depthMode_ != DepthMode::ReversedInfinite || settings_.offscreen) return;
    glBlitNamedFramebuffer(reversedFramebuffer_, 0, 0, 0, settings_.width, settings_.height, 0, 0, settings_.width,
                           settings_.height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

RgbaImage Renderer::readColor() const {
    RgbaImage image;
    image.width = settings_.width;
    image.height = settings_.height;
    image.pixels.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4);
    std::vector<std::uint8_t> bottomUp(image.pixels.size());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, renderedFramebuffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    // GL reads from the bottom row up; images are stored top row first.
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    for (int row = 0; row < image.height; ++row) {
        const std::size_t from = static_cast<std::size_t>(image.height - 1 - row) * rowBytes;
        std::copy_n(bottomUp.begin() + static_cast<std::ptrdiff_t>(from), rowBytes,
                    image.pixels.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * rowBytes));
    }
    return image;
}

float Renderer::readDepth(int x, int y) const {
    float depth = 0.0f;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, renderedFramebuffer());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, settings_.height - 1 - y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

}  // namespace gravelkin
