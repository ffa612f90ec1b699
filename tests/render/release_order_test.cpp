#include "render/gl/release_order.h"

#include <gtest/gtest.h>

namespace gravelkin {
namespace {

TEST(RendererReleaseOrder, IsTheStatedOrder) {
    const RendererObject expected[] = {
        RendererObject::VertexShader,     RendererObject::PixelShader,    RendererObject::InputLayout,
        RendererObject::SwapChain,        RendererObject::ImmediateContext, RendererObject::Device,
        RendererObject::RenderTargetView, RendererObject::ConstantBuffer, RendererObject::DepthStencilView,
        RendererObject::TextureView,      RendererObject::SamplerState,
    };
    ASSERT_EQ(rendererReleaseOrder.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(rendererReleaseOrder[i], expected[i]) << "step " << i << ": "
                                                        << rendererObjectName(rendererReleaseOrder[i]);
}

TEST(RendererReleaseOrder, ReleasesEveryObjectOnce) {
    for (std::size_t i = 0; i < rendererReleaseOrder.size(); ++i)
        for (std::size_t j = i + 1; j < rendererReleaseOrder.size(); ++j)
            EXPECT_NE(rendererReleaseOrder[i], rendererReleaseOrder[j]);
}

}  // namespace
}  // namespace gravelkin
