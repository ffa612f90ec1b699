// The renderer's objects and the order in which shutdown releases them.
//
// The order is the one the renderer has always released its objects in. On
// OpenGL the swap chain, the immediate context and the device are one thing,
// the context, which every other object lives in; their steps therefore
// release what the renderer keeps for them (the device's step frees every
// vertex buffer still pending), and the context itself goes last, with the
// window or the headless display that made it.
//
// Threads: plain values.
//
// Depends on: nothing.
#pragma once

#include <array>
#include <string_view>

namespace gravelkin {

enum class RendererObject {
    VertexShader,
    PixelShader,
    InputLayout,
    SwapChain,
    ImmediateContext,
    Device,
    RenderTargetView,
    ConstantBuffer,
    DepthStencilView,
    TextureView,
    SamplerState,
};

inline constexpr std::array<RendererObject, 11> rendererReleaseOrder{
    RendererObject::VertexShader,     RendererObject::PixelShader,   RendererObject::InputLayout,
    RendererObject::SwapChain,        RendererObject::ImmediateContext, RendererObject::Device,
    RendererObject::RenderTargetView, RendererObject::ConstantBuffer, RendererObject::DepthStencilView,
    RendererObject::TextureView,      RendererObject::SamplerState,
};

constexpr std::string_view rendererObjectName(RendererObject object) {
    switch (object) {
        case RendererObject::VertexShader: return "vertex shader";
        case RendererObject::PixelShader: return "pixel shader";
        case RendererObject::InputLayout: return "input layout";
        case RendererObject::SwapChain: return "swap chain";
        case RendererObject::ImmediateContext: return "immediate context";
        case RendererObject::Device: return "device";
        case RendererObject::RenderTargetView: return "render-target view";
        case RendererObject::ConstantBuffer: return "constant buffer";
        case RendererObject::DepthStencilView: return "depth-stencil view";
        case RendererObject::TextureView: return "texture view";
        case RendererObject::SamplerState: return "sampler state";
    }
    return "?";
}

}  // namespace gravelkin
