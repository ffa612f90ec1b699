// Helpers for the rendering tests: one headless EGL context per test program
// (Mesa's software rasteriser, no display), a small offscreen renderer with
// the real shaders and texture per test, squares built by hand, pixel and
// depth reads.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/egl_headless_context.h"
#include "render/renderer.h"

namespace gravelkin::test {

// 1.6 : 1, like the window, and small enough for a software rasteriser.
inline constexpr int frameWidth = 160, frameHeight = 100;
inline constexpr int centreX = frameWidth / 2, centreY = frameHeight / 2;
inline const Mat4 identityView{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

inline std::string sourcePath(const std::string& relative) { return GRAVELKIN_SOURCE_DIR "/" + relative; }

inline RendererSettings testSettings() {
    return {.width = frameWidth, .height = frameHeight, .offscreen = true, .shaderPath = sourcePath("shaders.hlsl"),
            .texturePath = sourcePath("assets/seamless_rock.jpg")};
}

// A square of half-size `half` centred on (x, y) at view depth z, facing the
// viewer and wound clockwise as the viewer sees it (reversed, it is culled).
inline std::vector<ChunkVertex> square(float x, float y, float z, float half, std::array<float, 3> rgb = {1, 1, 1}) {
    const auto corner = [&](float right, float up) {
        return ChunkVertex{{x + right * half, y + up * half, z}, {rgb[0], rgb[1], rgb[2], 1}, {0.5f, 0.5f}, {0, 1, 0}};
    };
    return {corner(-1, 1), corner(1, 1), corner(1, -1), corner(-1, 1), corner(1, -1), corner(-1, -1)};
}

inline VertexBuffer* upload(GraphicsDevice& device, const std::vector<ChunkVertex>& mesh) {
    return device.createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
}

// Squares made by square() as faces (device/chunk_faces.h): vertices 0, 1, 2
// and 5 of each, the sides alternating between two, so that packing regroups
// them.
struct SquareFaces {
    explicit SquareFaces(const std::vector<ChunkVertex>& squares) {
        for (std::size_t f = 0; f + 6 <= squares.size(); f += 6) {
            for (const std::size_t v : {0, 1, 2, 5}) corners.push_back(squares[f + v]);
            sides.push_back(sides.size() % 2 == 0 ? Direction::Outward : Direction::PlusY);
        }
    }
    ChunkFaces faces() const { return {corners.data(), sides.data(), static_cast<std::uint32_t>(sides.size())}; }

    std::vector<ChunkVertex> corners;
    std::vector<Direction> sides;
};

struct Pixel { int r, g, b, a; };

inline Pixel pixelAt(const RgbaImage& image, int x, int y) {
    const std::uint8_t* p = image.pixels.data() + (static_cast<std::size_t>(y) * image.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

// The clear colour (0.4, 0.6, 0.9) in 8 bits, within a step of rounding.
inline bool isSky(const Pixel& p) {
    return std::abs(p.r - 102) <= 1 && std::abs(p.g - 153) <= 1 && std::abs(p.b - 230) <= 1 && p.a == 255;
}

// Clears, sets the view and draws each mesh as a chunk is drawn, frees the
// buffers and returns the colour target.
inline RgbaImage renderFrame(Renderer& renderer, const std::vector<std::vector<ChunkVertex>>& meshes,
                             const Mat4& view = identityView) {
    renderer.clear();
    renderer.setFrameConstants(view);
    for (const std::vector<ChunkVertex>& mesh : meshes) {
        VertexBuffer* buffer = upload(renderer.device(), mesh);
        if (buffer == nullptr) ADD_FAILURE() << "no vertex buffer for a mesh of " << mesh.size();
        renderer.drawChunk(buffer, static_cast<std::uint32_t>(mesh.size()));  // draws nothing from null
        if (buffer != nullptr) buffer->release();
    }
    renderer.device().processPending();
    return renderer.readColor();
}

// The depth stored under a square drawn alone at view depth z, filling the
// centre; -1 where nothing is drawn.
inline float depthOfSquareAt(Renderer& renderer, float z) {
    const bool drawn = !isSky(pixelAt(renderFrame(renderer, {square(0, 0, z, 0.2f * z)}), centreX, centreY));
    return drawn ? renderer.readDepth(centreX, centreY) : -1.0f;
}

// A red square at view depth nearZ covering the centre, in front of a wider
// green one at farZ that shows 15 pixels to the right.
inline std::vector<std::vector<ChunkVertex>> redBeforeGreen(float nearZ, float farZ) {
    return {square(0, 0, nearZ, 0.1f * nearZ, {1, 0, 0}), square(0, 0, farZ, 0.3f * farZ, {0, 1, 0})};
}

inline void expectRedBeforeGreen(const RgbaImage& image) {
    const Pixel centre = pixelAt(image, centreX, centreY), ring = pixelAt(image, centreX + 15, centreY);
    EXPECT_GT(centre.r, 40);
    EXPECT_EQ(centre.g, 0);
    EXPECT_EQ(ring.r, 0);
    EXPECT_GT(ring.g, 40);
}

inline void switchDepthMode(Renderer& renderer, DepthMode mode) {
    std::string error;
    ASSERT_TRUE(renderer.setDepthMode(mode, error)) << error;
    EXPECT_EQ(renderer.depthMode(), mode);
}

// A fresh offscreen renderer per test. The context lives for the whole test
// program: making one per test costs more than every test here.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override {
        static std::string contextError;
        static const std::unique_ptr<EglHeadlessContext> context = EglHeadlessContext::create(contextError);
        ASSERT_TRUE(context) << "no headless OpenGL 4.5 context: " << contextError;
        std::string error;
        renderer = Renderer::create(testSettings(), error);
        ASSERT_TRUE(renderer) << error;
    }

    std::unique_ptr<Renderer> renderer;
};

}  // namespace gravelkin::test
