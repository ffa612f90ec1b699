// The renderer's GL objects and the order in which shutdown releases them.
//
// Every step runs with the context current; the context itself goes last,
// with the window or the headless display that made it. The bindings the
// frames made are cleared before the buffers, targets, texture and sampler
// they name are deleted, and the VertexBuffers step frees every vertex buffer
// still pending on the device, so it must come after the planet has stopped
// (see app/shutdown.h).
//
// Threads: plain values.
#pragma once

#include <array>

namespace gravelkin {

enum class RendererObject {
    VertexShader,
    FragmentShader,  // and the program linked from the pair
    VertexArray,
    Bindings,        // program, vertex array, uniform buffer, sampler, texture, framebuffer
    VertexBuffers,   // every chunk buffer the device still holds
    ColorTarget,     // the offscreen and reversed-depth framebuffers and their colour renderbuffers
    UniformBuffer,   // and the quad index buffer
    DepthStencilTarget,  // both depth-stencil renderbuffers
    Texture,
    Sampler,
};

inline constexpr std::array<RendererObject, 10> rendererReleaseOrder{
    RendererObject::VertexShader,  RendererObject::FragmentShader, RendererObject::VertexArray,
    RendererObject::Bindings,      RendererObject::VertexBuffers,  RendererObject::ColorTarget,
    RendererObject::UniformBuffer, RendererObject::DepthStencilTarget, RendererObject::Texture,
    RendererObject::Sampler,
};

}  // namespace gravelkin
