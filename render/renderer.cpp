#include "render/renderer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <epoxy/gl.h>

#include "render/driver_residency.h"
#include "render/gl_shader.h"
#include "device/quad_packing.h"
#include "render/shader_compiler.h"

namespace gravelkin {

namespace {

constexpr const char* vertexEntryPoint = "VShader";
constexpr const char* fragmentEntryPoint = "PShader";

// What replaces a rock texture that cannot be loaded: one plain grey texel,
// about as bright as the rock on average.
constexpr std::uint8_t fallbackTexel[4] = {150, 150, 150, 255};

bool readTextFile(const std::string& path, std::string& text) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) return false;
    text = contents.str();
    return true;
}

std::string workingDirectory() {
    std::error_code ignored;
    return std::filesystem::current_path(ignored).string();
}

int mipLevels(int width, int height) {
    int levels = 1;
    for (int size = std::max(width, height); size > 1; size /= 2) ++levels;
    return levels;
}

}  // namespace

std::unique_ptr<Renderer> Renderer::create(const RendererSettings& settings, std::string& error) {
    std::unique_ptr<Renderer> renderer(new Renderer(settings));
    if (!renderer->setUp(error)) {
        renderer->release();
        return nullptr;
    }
    return renderer;
}

Renderer::Renderer(const RendererSettings& settings)
    : settings_(settings), constants_(initialFrameConstants()), depthMode_(DepthMode::Standard) {}

Renderer::~Renderer() { release(); }

bool Renderer::setUp(std::string& error) {
    if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 45) {
        const int version = epoxy_gl_version();
        error = "OpenGL 4.5 is required, but the context offers " + std::to_string(version / 10) + "." +
                std::to_string(version % 10);
        return false;
    }
    keepGraphicsDriverResident();
    if (!createTargets(error)) return false;
    setFixedState();
    createTexture();

    glCreateSamplers(1, &sampler_);
    glSamplerParameteri(sampler_, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glSamplerParameteri(sampler_, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glSamplerParameteri(sampler_, GL_TEXTURE_WRAP_R, GL_REPEAT);
    glSamplerParameterf(sampler_, GL_TEXTURE_LOD_BIAS, 0.0f);
    glSamplerParameterf(sampler_, GL_TEXTURE_MIN_LOD, 0.0f);
    glSamplerParameterf(sampler_, GL_TEXTURE_MAX_LOD, 3.402823466e38f);

    // Written whole every frame, so it needs no initial contents.
    glCreateBuffers(1, &uniformBuffer_);
    glNamedBufferStorage(uniformBuffer_, sizeof(FrameConstants), nullptr, GL_DYNAMIC_STORAGE_BIT);

    if (!createShaders(error)) return false;
    createVertexArray();
    if (settings_.depthMode != DepthMode::Standard && !setDepthMode(settings_.depthMode, error)) return false;
    if (glGetError() != GL_NO_ERROR) {
        error = "OpenGL reported an error while the pipeline was being set up";
        return false;
    }
    return true;
}

void Renderer::setFixedState() {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glViewport(0, 0, settings_.width, settings_.height);
    // Set once to match what the shaders and meshes give: the projection
    // writes clip depth 0 to 1, +y in clip space is up on screen (origin at
    // the lower left), and the mesher winds front faces clockwise.
    glClipControl(GL_LOWER_LEFT, GL_ZERO_TO_ONE);
    glDepthRange(0.0, 1.0);
    glFrontFace(GL_CW);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_BLEND);
    // GL extras that would change the pixels the shaders write.
    glDisable(GL_DITHER);
    glDisable(GL_FRAMEBUFFER_SRGB);
    glDisable(GL_MULTISAMPLE);
}

void Renderer::createTexture() {
    RgbaImage image;
    std::string reason;
    if (!loadRgbaImage(settings_.texturePath, image, reason)) {
        std::fprintf(stderr,
                     "gravelkin: cannot load the texture \"%s\" (%s; working directory %s); drawing with a plain "
                     "grey texture instead\n",
                     settings_.texturePath.c_str(), reason.c_str(), workingDirectory().c_str());
        image.width = 1;
        image.height = 1;
        image.pixels.assign(std::begin(fallbackTexel), std::end(fallbackTexel));
        fallbackTexture_ = true;
    }
    glCreateTextures(GL_TEXTURE_2D, 1, &texture_);
    glTextureStorage2D(texture_, mipLevels(image.width, image.height), GL_RGBA8, image.width, image.height);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTextureSubImage2D(texture_, 0, 0, 0, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        image.pixels.data());
    glGenerateTextureMipmap(texture_);
}

bool Renderer::createShaders(std::string& error) {
    std::string source;
    if (!readTextFile(settings_.shaderPath, source)) {
        error = "cannot read the shader file \"" + settings_.shaderPath + "\" (working directory " +
                workingDirectory() + "); run Gravelkin from the folder that holds shaders.hlsl and assets/";
        return false;
    }
    struct Stage {
        ShaderStage stage;
        const char* entryPoint;
        std::uint32_t* name;
    };
    const Stage stages[] = {{ShaderStage::Vertex, vertexEntryPoint, &vertexShader_},
                            {ShaderStage::Fragment, fragmentEntryPoint, &fragmentShader_}};
    for (const Stage& stage : stages) {
        const ShaderCompileResult compiled =
            compileHlslToGlsl(source, settings_.shaderPath, stage.stage, stage.entryPoint);
        if (!compiled.ok) {
            error = "the shader \"" + settings_.shaderPath + "\" does not compile (entry point " +
                    stage.entryPoint + "):\n" + compiled.messages;
            return false;
        }
        // Warnings alone do not stop the start; they are shown all the same.
        if (!compiled.messages.empty())
            std::fprintf(stderr, "gravelkin: %s (%s):\n%s", settings_.shaderPath.c_str(), stage.entryPoint,
                         compiled.messages.c_str());
        std::string log;
        *stage.name = compileGlShader(stage.stage, compiled.glsl, log);
        if (*stage.name == 0) {
            error = "the OpenGL driver rejected the " + std::string(stage.entryPoint) +
                    " shader translated from \"" + settings_.shaderPath + "\":\n" + log + "\n" + compiled.glsl;
            return false;
        }
    }
    std::string log;
    program_ = linkGlProgram(vertexShader_, fragmentShader_, log);
    if (program_ == 0) {
        error = "the OpenGL driver cannot link VShader with PShader from \"" + settings_.shaderPath + "\":\n" + log;
        return false;
    }
    glUseProgram(program_);
    return true;
}

void Renderer::createVertexArray() {
    // The ChunkVertex format, one attribute per field in field order, all fed
    // from binding 0; each chunk's buffer is then bound there with one call.
    glCreateVertexArrays(1, &vertexArray_);
    struct Attribute {
        GLint components;
        GLuint offset;
    };
    const Attribute attributes[] = {{3, offsetof(ChunkVertex, position)},
                                    {4, offsetof(ChunkVertex, color)},
                                    {2, offsetof(ChunkVertex, texcoord)},
                                    {3, offsetof(ChunkVertex, normal)}};
    for (GLuint location = 0; location < 4; ++location) {
        glEnableVertexArrayAttrib(vertexArray_, location);
        glVertexArrayAttribFormat(vertexArray_, location, attributes[location].components, GL_FLOAT, GL_FALSE,
                                  attributes[location].offset);
        glVertexArrayAttribBinding(vertexArray_, location, 0);
    }
    glBindVertexArray(vertexArray_);
}

void Renderer::clear() {
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    glClearDepth(depthMode_ == DepthMode::ReversedInfinite ? 0.0 : 1.0);
    glClearStencil(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

void Renderer::setFrameConstants(const Mat4& view) {
    setView(constants_, view, depthMode_);
    view_ = view;
    glNamedBufferSubData(uniformBuffer_, 0, sizeof(FrameConstants), &constants_);
    glBindBufferBase(GL_UNIFORM_BUFFER, 0, uniformBuffer_);
    glBindSampler(0, sampler_);
    glBindTextureUnit(0, texture_);
}

DrawWalkCounts Renderer::drawChunksOf(const ChunkDrawSource& source) {
    device_.processPending();
    const Frustum frustum = viewFrustum(constants_);
    const Vec3 eye = eyeOfView(view_);
    faces_ = {};
    const GroupCulling culling{eye, frustum};
    groupCulling_ = settings_.cull ? &culling : nullptr;
    const DrawWalkCounts counts = source.drawChunks(*this, settings_.cull ? &frustum : nullptr, &eye);
    groupCulling_ = nullptr;
    return counts;
}

void Renderer::drawChunk(VertexBuffer* buffer, std::uint32_t vertexCount) {
    const GLuint name = device_.bufferName(buffer);
    // A buffer that could not be stored has nothing to draw from; core GL
    // would only raise an error for the draw.
    if (name == 0) return;
    glVertexArrayVertexBuffer(vertexArray_, 0, name, vertexOffset, vertexStride);
    if (!device_.holdsPackedQuads(buffer)) {
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertexCount));
        faces_.drawn += vertexCount / 6;
        return;
    }
    reserveQuadIndices(vertexCount / 6);
    if (groupCulling_ == nullptr) {
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(vertexCount), GL_UNSIGNED_INT, nullptr);
        faces_.drawn += vertexCount / 6;
        return;
    }
    const std::vector<FaceGroup>& groups = device_.faceGroups(buffer);
    QuadRun quadRuns[maxFaceGroups];
    const auto runs = static_cast<GLsizei>(
        runsToDraw(groups, groupCulling_->eye, groupCulling_->frustum, quadRuns, faces_));
    GLsizei counts[maxFaceGroups];
    const void* offsets[maxFaceGroups];
    for (GLsizei r = 0; r < runs; ++r) {
        counts[r] = static_cast<GLsizei>(quadRuns[r].quads * 6);
        offsets[r] = reinterpret_cast<const void*>(std::uintptr_t{quadRuns[r].firstQuad} * 6 * sizeof(std::uint32_t));
    }
    if (runs > 0) glMultiDrawElements(GL_TRIANGLES, counts, GL_UNSIGNED_INT, offsets, runs);
}

void Renderer::reserveQuadIndices(std::uint32_t quads) {
    if (quads <= quadCapacity_) return;
    // Doubling keeps the rebuilds to a handful over a run.
    quadCapacity_ = std::max({quads, quadCapacity_ * 2, 4096u});
    const std::vector<std::uint32_t> indices = quadIndices(quadCapacity_);
    if (quadIndexBuffer_ != 0) glDeleteBuffers(1, &quadIndexBuffer_);
    glCreateBuffers(1, &quadIndexBuffer_);
    glNamedBufferStorage(quadIndexBuffer_, static_cast<GLsizeiptr>(indices.size() * sizeof(std::uint32_t)),
                         indices.data(), 0);
    glVertexArrayElementBuffer(vertexArray_, quadIndexBuffer_);
}

void Renderer::release(const std::function<void(RendererObject)>& released) {
    if (released_) return;
    released_ = true;
    for (RendererObject object : rendererReleaseOrder) {
        releaseObject(object);
        if (released) released(object);
    }
}

void Renderer::releaseObject(RendererObject object) {
    switch (object) {
        case RendererObject::VertexShader:
            if (vertexShader_ != 0) {
                if (program_ != 0) glDetachShader(program_, vertexShader_);
                glDeleteShader(vertexShader_);
            }
            vertexShader_ = 0;
            break;
        case RendererObject::FragmentShader:
            // The program is the linked pair; it goes with its second half.
            if (fragmentShader_ != 0) {
                if (program_ != 0) glDetachShader(program_, fragmentShader_);
                glDeleteShader(fragmentShader_);
            }
            if (program_ != 0) glDeleteProgram(program_);
            fragmentShader_ = 0;
            program_ = 0;
            break;
        case RendererObject::VertexArray:
            if (vertexArray_ != 0) glDeleteVertexArrays(1, &vertexArray_);
            vertexArray_ = 0;
            break;
        case RendererObject::Bindings:
            // Unbind everything the frames bound, so no binding outlives the
            // objects released after this point.
            glUseProgram(0);
            glBindVertexArray(0);
            glBindBufferBase(GL_UNIFORM_BUFFER, 0, 0);
            glBindSampler(0, 0);
            glBindTextureUnit(0, 0);
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            break;
        case RendererObject::VertexBuffers:
            device_.releaseAll();
            break;
        case RendererObject::ColorTarget:
            // The window's own framebuffer (name 0) goes with the window.
            if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
            if (colorTarget_ != 0) glDeleteRenderbuffers(1, &colorTarget_);
            if (reversedFramebuffer_ != 0) glDeleteFramebuffers(1, &reversedFramebuffer_);
            if (reversedColorTarget_ != 0) glDeleteRenderbuffers(1, &reversedColorTarget_);
            framebuffer_ = 0;
            colorTarget_ = 0;
            reversedFramebuffer_ = 0;
            reversedColorTarget_ = 0;
            break;
        case RendererObject::UniformBuffer:
            if (uniformBuffer_ != 0) glDeleteBuffers(1, &uniformBuffer_);
            if (quadIndexBuffer_ != 0) glDeleteBuffers(1, &quadIndexBuffer_);
            uniformBuffer_ = 0;
            quadIndexBuffer_ = 0;
            quadCapacity_ = 0;
            break;
        case RendererObject::DepthStencilTarget:
            if (depthTarget_ != 0) glDeleteRenderbuffers(1, &depthTarget_);
            if (reversedDepthTarget_ != 0) glDeleteRenderbuffers(1, &reversedDepthTarget_);
            depthTarget_ = 0;
            reversedDepthTarget_ = 0;
            break;
        case RendererObject::Texture:
            if (texture_ != 0) glDeleteTextures(1, &texture_);
            texture_ = 0;
            break;
        case RendererObject::Sampler:
            if (sampler_ != 0) glDeleteSamplers(1, &sampler_);
            sampler_ = 0;
            break;
    }
}

}  // namespace gravelkin
