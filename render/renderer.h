// Layer render (render/): the OpenGL renderer: the GL device, the HLSL shader
// compiler, the pipeline and chunk drawing, EGL and headless snapshots, with
// the frame constants and image files.
//
// The renderer: the OpenGL pipeline set up once, the per-frame constants,
// clearing, chunk drawing and the orderly release of every object.
//
// Set-up, in order: the light values; the colour and depth-stencil targets
// (the window's default framebuffer, or for headless use a framebuffer object
// with RGBA8 colour and 24/8 depth-stencil); the fixed state (viewport from
// the measured size, depth 0 to 1 through glClipControl, clockwise front
// faces with back faces culled, depth test "less" with writes, no blending,
// stencil, dithering or sRGB conversion); the rock texture (a missing or
// unreadable file is reported and replaced by a plain grey texel) and its
// sampler (linear min/mag/mip, wrap) at unit 0; the 112-byte uniform buffer
// at binding 0; the vertex and fragment shaders, from the entry points
// "VShader" and "PShader" of the HLSL file; the vertex array holding the
// ChunkVertex format (locations 0 to 3 in field order, one binding, stride
// 48). None of it changes afterwards, except what the depth mode sets.
//
// Depth modes (frame_constants.h): Standard is all of the above. In
// ReversedInfinite the renderer draws into its own framebuffer object (RGBA8
// colour, 32-bit float depth with 8-bit stencil, made when first needed,
// kept until release) with the reversed projection, depth cleared to 0 and
// the depth test "greater"; a window frame reaches the window through
// finishFrame's copy, since the window's own depth buffer is 24-bit fixed
// point. The mode may change between frames.
//
// Threads: the main thread, with the GL context current, for everything,
// except that device() may be handed to threads that create and release
// vertex buffers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "camera/vector_math.h"
#include "planet/draw_walk.h"
#include "render/clear_color.h"
#include "render/frame_constants.h"
#include "render/gl_graphics_device.h"
#include "render/image_file.h"
#include "render/release_order.h"

namespace gravelkin {


struct RendererSettings {
    int width = 1440;  // the measured client (or image) size
    int height = 900;
    bool offscreen = false;  // render into a framebuffer object instead of the window
    std::string shaderPath = "shaders.hlsl";
    std::string texturePath = "assets/seamless_rock.jpg";
    // Leave out chunks outside the view frustum, and groups of faces that
    // all face away from the eye (the picture is the same).
    bool cull = true;
    DepthMode depthMode = DepthMode::Standard;
};

inline constexpr std::uint32_t vertexStride = sizeof(ChunkVertex);  // 48
inline constexpr std::uint32_t vertexOffset = 0;

class Renderer final : public ChunkDrawSink {
public:
    // Sets everything up. Null on failure, with one message in `error` (a
    // shader compile failure carries the compiler's text); whatever was made
    // before the failure has been released. Compiler warnings of a successful
    // compile, and a texture that could not be loaded, are written to
    // standard error.
    static std::unique_ptr<Renderer> create(const RendererSettings& settings, std::string& error);

    // Releases whatever release() has not.
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // The device the chunk factories create vertex buffers on.
    GlGraphicsDevice& device() { return device_; }

    // Clears colour to the sky blue, depth to the far end (1 in Standard, 0
    // in ReversedInfinite) and stencil to 0.
    void clear();

    // Switches the target, projection, depth clear and depth test to
    // `mode`, from the next clear on. False, with the reason in `error` and
    // the mode unchanged, when the reversed target cannot be made.
    bool setDepthMode(DepthMode mode, std::string& error);
    DepthMode depthMode() const { return depthMode_; }

    // Between the last drawing of a frame and the window's buffer swap:
    // copies the reversed target's colour to the window. Nothing in Standard
    // mode or offscreen.
    void finishFrame();

    // viewProjection = view x the depth mode's projection; uploads the whole
    // record and binds it, the sampler and the texture.
    void setFrameConstants(const Mat4& view);
    const FrameConstants& frameConstants() const { return constants_; }

    // Carries out pending uploads and releases of vertex buffers, then draws
    // the chunks `source` walks (the Planet's draw list); when the settings
    // ask for culling, those within viewFrustum(frameConstants()), and of
    // each only the face groups that do not all face away from the eye.
    DrawWalkCounts drawChunksOf(const ChunkDrawSource& source);
    // The faces of the last drawChunksOf.
    FaceCounts lastFaceCounts() const { return faces_; }

    // One bind and one draw of a chunk's buffer (ChunkDrawSink); during a
    // culling drawChunksOf, one draw per run of face groups left in.
    void drawChunk(VertexBuffer* buffer, std::uint32_t vertexCount) override;

    // Releases every object, in rendererReleaseOrder; `released` (optional)
    // hears each step as it is carried out. Idempotent. Every vertex buffer
    // must have been released before (the Planet destroyed).
    void release(const std::function<void(RendererObject)>& released = {});

    // The colour target the depth mode renders into, top row first. Finishes
    // rendering first.
    RgbaImage readColor() const;
    // The depth value (0 to 1) at a pixel of that target, x from the left, y
    // from the top.
    float readDepth(int x, int y) const;

    int width() const { return settings_.width; }
    int height() const { return settings_.height; }

    // GL names, for tests.
    std::uint32_t programName() const { return program_; }
    std::uint32_t vertexArrayName() const { return vertexArray_; }
    std::uint32_t uniformBufferName() const { return uniformBuffer_; }
    std::uint32_t textureName() const { return texture_; }
    std::uint32_t samplerName() const { return sampler_; }
    std::uint32_t reversedFramebufferName() const { return reversedFramebuffer_; }
    bool usingFallbackTexture() const { return fallbackTexture_; }

private:
    explicit Renderer(const RendererSettings& settings);
    bool setUp(std::string& error);
    bool createTargets(std::string& error);
    bool createReversedTarget(std::string& error);
    // Binds the depth mode's target and sets its depth test.
    void applyDepthMode();
    std::uint32_t renderedFramebuffer() const;
    void setFixedState();
    void createTexture();
    bool createShaders(std::string& error);
    void createVertexArray();
    // Makes the quad index buffer, bound to the vertex array, long enough for
    // `quads` packed faces.
    void reserveQuadIndices(std::uint32_t quads);
    void releaseObject(RendererObject object);

    RendererSettings settings_;
    GlGraphicsDevice device_;
    FrameConstants constants_;
    Mat4 view_{};  // the last view set: the draw walk's eye
    // Set while drawChunksOf culls face groups.
    struct GroupCulling {
        Vec3 eye;
        Frustum frustum;
    };
    const GroupCulling* groupCulling_ = nullptr;
    FaceCounts faces_;
    bool released_ = false;
    bool fallbackTexture_ = false;
    DepthMode depthMode_;

    std::uint32_t framebuffer_ = 0;  // 0: the window's
    std::uint32_t colorTarget_ = 0;
    std::uint32_t depthTarget_ = 0;
    std::uint32_t reversedFramebuffer_ = 0;  // the ReversedInfinite target, made on first need
    std::uint32_t reversedColorTarget_ = 0;
    std::uint32_t reversedDepthTarget_ = 0;
    std::uint32_t texture_ = 0;
    std::uint32_t sampler_ = 0;
    std::uint32_t uniformBuffer_ = 0;
    std::uint32_t vertexShader_ = 0;
    std::uint32_t fragmentShader_ = 0;
    std::uint32_t program_ = 0;
    std::uint32_t vertexArray_ = 0;
    std::uint32_t quadIndexBuffer_ = 0;
    std::uint32_t quadCapacity_ = 0;  // packed faces the index buffer covers
};

}  // namespace gravelkin
