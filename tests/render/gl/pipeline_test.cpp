// Set-up and release of the pipeline: shaders, texture, the release order,
// failures at start-up.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "render/gl/shader_compiler.h"
#include "tests/render/gl/gl_test_support.h"

namespace gravelkin {
namespace {

using namespace test;

using PipelineTest = GlTest;

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A file in the temporary folder, removed at the end of the test.
class TemporaryFile {
public:
    TemporaryFile(const std::string& name, const std::string& contents)
        : path_(std::filesystem::temp_directory_path() / name) {
        std::ofstream(path_) << contents;
    }
    ~TemporaryFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    std::string path() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

TEST(ShaderCompiler, TranslatesTheShaderFileWithItsBindingsAndLocations) {
    const std::string source = readFile(sourcePath("shaders.hlsl"));
    ASSERT_FALSE(source.empty());
    const ShaderCompileResult vertex = compileHlslToGlsl(source, "shaders.hlsl", ShaderStage::Vertex, "VShader");
    ASSERT_TRUE(vertex.ok) << vertex.messages;
    EXPECT_NE(vertex.glsl.find("#version 450"), std::string::npos);
    EXPECT_NE(vertex.glsl.find("binding = 0"), std::string::npos) << vertex.glsl;
    for (const char* location : {"location = 0", "location = 1", "location = 2", "location = 3"})
        EXPECT_NE(vertex.glsl.find(location), std::string::npos) << location << "\n" << vertex.glsl;

    const ShaderCompileResult pixel = compileHlslToGlsl(source, "shaders.hlsl", ShaderStage::Pixel, "PShader");
    ASSERT_TRUE(pixel.ok) << pixel.messages;
    EXPECT_NE(pixel.glsl.find("sampler2D"), std::string::npos) << pixel.glsl;
    EXPECT_NE(pixel.glsl.find("binding = 0"), std::string::npos) << pixel.glsl;
}

TEST(ShaderCompiler, ABrokenShaderFailsWithTheCompilersMessage) {
    const ShaderCompileResult result =
        compileHlslToGlsl("float4 VShader(float3 p : POSITION) : SV_POSITION { return p.xyzw +; }", "broken.hlsl",
                          ShaderStage::Vertex, "VShader");
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.messages.find("broken.hlsl"), std::string::npos) << result.messages;
    EXPECT_NE(result.messages.find("ERROR"), std::string::npos) << result.messages;
}

TEST(ShaderCompiler, AMissingEntryPointFails) {
    const std::string source = readFile(sourcePath("shaders.hlsl"));
    const ShaderCompileResult result = compileHlslToGlsl(source, "shaders.hlsl", ShaderStage::Pixel, "NoSuchEntry");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.messages.empty());
}

TEST_F(PipelineTest, LoadsTheRockTexture) {
    EXPECT_FALSE(renderer->usingFallbackTexture());
    GLint width = 0;
    glGetTextureLevelParameteriv(renderer->textureName(), 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_GT(width, 1);
}

TEST_F(PipelineTest, ReleasesEveryObjectInTheStatedOrder) {
    const std::uint32_t program = renderer->programName();
    const std::uint32_t vertexArray = renderer->vertexArrayName();
    const std::uint32_t constantBuffer = renderer->constantBufferName();
    const std::uint32_t texture = renderer->textureName();
    const std::uint32_t sampler = renderer->samplerName();
    ASSERT_TRUE(glIsProgram(program));
    ASSERT_TRUE(glIsVertexArray(vertexArray));
    ASSERT_TRUE(glIsBuffer(constantBuffer));
    ASSERT_TRUE(glIsTexture(texture));
    ASSERT_TRUE(glIsSampler(sampler));

    std::vector<RendererObject> released;
    renderer->release([&](RendererObject object) { released.push_back(object); });
    EXPECT_TRUE(std::equal(released.begin(), released.end(), rendererReleaseOrder.begin(),
                           rendererReleaseOrder.end()));
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_FALSE(glIsVertexArray(vertexArray));
    EXPECT_FALSE(glIsBuffer(constantBuffer));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsSampler(sampler));

    // A second release does nothing.
    released.clear();
    renderer->release([&](RendererObject object) { released.push_back(object); });
    EXPECT_TRUE(released.empty());
}

TEST_F(PipelineTest, AMissingTextureIsReplacedByAPlainOneAndRenderingGoesOn) {
    RendererSettings settings = testSettings();
    settings.texturePath = "/nonexistent/seamless_rock.jpg";
    std::string error;
    testing::internal::CaptureStderr();
    std::unique_ptr<Renderer> fallback = Renderer::create(settings, error);
    const std::string printed = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(fallback) << error;
    EXPECT_TRUE(fallback->usingFallbackTexture());
    EXPECT_NE(printed.find("/nonexistent/seamless_rock.jpg"), std::string::npos) << printed;
    fallback->clear();
    fallback->setFrameConstants(identityView);
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f, 0.2f, white);
    VertexBuffer* buffer = fallback->device().createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
    fallback->drawChunk(buffer, static_cast<std::uint32_t>(mesh.size()));
    buffer->release();
    const Pixel centre = pixelAt(fallback->readColor(), frameWidth / 2, frameHeight / 2);
    EXPECT_FALSE(isSky(centre));
    // Plain grey, lit: the three channels agree.
    EXPECT_EQ(centre.r, centre.g);
    EXPECT_EQ(centre.g, centre.b);
    fallback->release();
}

TEST_F(PipelineTest, AnUnreadableTextureIsReplacedToo) {
    TemporaryFile notAnImage("gravelkin-not-an-image.jpg", "this is not a JPEG");
    RendererSettings settings = testSettings();
    settings.texturePath = notAnImage.path();
    std::string error;
    testing::internal::CaptureStderr();
    std::unique_ptr<Renderer> fallback = Renderer::create(settings, error);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(fallback) << error;
    EXPECT_TRUE(fallback->usingFallbackTexture());
}

TEST_F(PipelineTest, AMissingShaderFileFailsStartUpWithAClearMessage) {
    RendererSettings settings = testSettings();
    settings.shaderPath = "/nonexistent/shaders.hlsl";
    std::string error;
    EXPECT_EQ(Renderer::create(settings, error), nullptr);
    EXPECT_NE(error.find("/nonexistent/shaders.hlsl"), std::string::npos) << error;
}

TEST_F(PipelineTest, ABrokenShaderFailsStartUpWithTheCompilersText) {
    std::string source = readFile(sourcePath("shaders.hlsl"));
    source += "\nfloat4 Broken( { return undefinedThing; }\n";
    TemporaryFile broken("gravelkin-broken-shaders.hlsl", source);
    RendererSettings settings = testSettings();
    settings.shaderPath = broken.path();
    std::string error;
    EXPECT_EQ(Renderer::create(settings, error), nullptr);
    EXPECT_NE(error.find("does not compile"), std::string::npos) << error;
    EXPECT_NE(error.find("ERROR"), std::string::npos) << error;
}

}  // namespace
}  // namespace gravelkin
