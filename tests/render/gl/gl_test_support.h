// Helpers for the rendering tests: one headless EGL context per test program
// (Mesa's software rasteriser, no display), a small offscreen renderer with
// the real shaders, quads built by hand and pixel reads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/gl/egl_headless_context.h"
#include "render/gl/renderer.h"

namespace gravelkin::testing {

// 1.6 : 1, like the window, and small enough for a software rasteriser.
inline constexpr int frameWidth = 160;
inline constexpr int frameHeight = 100;
inline constexpr int centreX = frameWidth / 2;
inline constexpr int centreY = frameHeight / 2;

inline std::string sourcePath(const std::string& relative) { return std::string(GRAVELKIN_SOURCE_DIR) + "/" + relative; }

inline RendererSettings testSettings() {
    RendererSettings settings;
    settings.width = frameWidth;
    settings.height = frameHeight;
    settings.offscreen = true;
    settings.shaderPath = sourcePath("shaders.hlsl");
    settings.texturePath = sourcePath("assets/seamless_rock.jpg");
    return settings;
}

inline const Mat4 identityView{{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

inline constexpr float white[3] = {1.0f, 1.0f, 1.0f};
inline constexpr float red[3] = {1.0f, 0.0f, 0.0f};
inline constexpr float green[3] = {0.0f, 1.0f, 0.0f};

// A square facing the viewer at view depth z, from (x0, y0) to (x1, y1),
// wound clockwise as the viewer sees it unless `clockwise` is false.
inline std::vector<ChunkVertex> quad(float z, float x0, float y0, float x1, float y1, const float (&color)[3],
                                     bool clockwise = true) {
    const auto corner = [&](float x, float y) {
        return ChunkVertex{{x, y, z}, {color[0], color[1], color[2], 1.0f}, {0.5f, 0.5f}, {0.0f, 1.0f, 0.0f}};
    };
    const ChunkVertex topLeft = corner(x0, y1), topRight = corner(x1, y1);
    const ChunkVertex bottomRight = corner(x1, y0), bottomLeft = corner(x0, y0);
    if (clockwise) return {topLeft, topRight, bottomRight, topLeft, bottomRight, bottomLeft};
    return {topLeft, bottomRight, topRight, topLeft, bottomLeft, bottomRight};
}

// A square of half-size `half` times the depth around the view axis, so it
// covers the same part of the frame at any depth.
inline std::vector<ChunkVertex> centredQuad(float z, float half = 0.2f, const float (&color)[3] = white,
                                            bool clockwise = true) {
    return quad(z, -half * z, -half * z, half * z, half * z, color, clockwise);
}

inline VertexBuffer* upload(GraphicsDevice& device, const std::vector<ChunkVertex>& mesh) {
    return device.createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
}

struct Pixel {
    int r, g, b, a;
};

inline Pixel pixelAt(const RgbaImage& image, int x, int y) {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + x) * 4;
    return {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2], image.pixels[i + 3]};
}

// The clear colour (0.4, 0.6, 0.9) in 8 bits, within a step of rounding.
inline bool isSky(const Pixel& p) {
    auto near = [](int value, int expected) { return value >= expected - 1 && value <= expected + 1; };
    return near(p.r, 102) && near(p.g, 153) && near(p.b, 230) && p.a == 255;
}

// A fresh offscreen renderer per test. The context lives for the whole test
// program: making one per test costs more than every test here.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!context) context = EglHeadlessContext::create(contextError);
    }

    void SetUp() override {
        ASSERT_TRUE(context) << "no headless OpenGL 4.5 context: " << contextError;
        std::string error;
        renderer = Renderer::create(testSettings(), error);
        ASSERT_TRUE(renderer) << error;
    }

    inline static std::unique_ptr<EglHeadlessContext> context;
    inline static std::string contextError;

    // Clears, sets the view and draws each vertex array as one chunk would be
    // drawn, releasing the buffers afterwards; returns the colour target.
    RgbaImage renderFrame(const Mat4& view, const std::vector<std::vector<ChunkVertex>>& meshes) {
        renderer->clear();
        renderer->setFrameConstants(view);
        std::vector<VertexBuffer*> buffers;
        for (const auto& mesh : meshes) {
            VertexBuffer* buffer = upload(renderer->device(), mesh);
            if (buffer == nullptr) {
                ADD_FAILURE() << "no vertex buffer for a mesh of " << mesh.size();
                continue;
            }
            renderer->drawChunk(buffer, static_cast<std::uint32_t>(mesh.size()));
            buffers.push_back(buffer);
        }
        for (VertexBuffer* buffer : buffers) buffer->release();
        renderer->device().processPending();
        return renderer->readColor();
    }

    std::unique_ptr<Renderer> renderer;
};

}  // namespace gravelkin::testing
