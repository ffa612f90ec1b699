// Set-up and release of the pipeline: shaders, texture, the release order,
// failures at start-up.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "render/gl/shader_compiler.h"
#include "tests/render/gl/gl_test_support.h"

namespace gravelkin::testing {
namespace {

using PipelineTest = GlTest;

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A file in the temporary folder, removed at the end of the test.
struct TemporaryFile {
    TemporaryFile(const std::string& name, const std::string& contents)
        : path((std::filesystem::temp_directory_path() / name).string()) {
        std::ofstream(path) << contents;
    }
    ~TemporaryFile() {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    std::string path;
};

// Every renderer start compiles both entry points of the real file; what is
// left is an entry point the file does not have.
TEST(ShaderCompiler, AMissingEntryPointFails) {
    const ShaderCompileResult missing = compileHlslToGlsl(readFile(sourcePath("shaders.hlsl")), "shaders.hlsl",
                                                          ShaderStage::Fragment, "NoSuchEntry");
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.messages.empty());
}

TEST_F(PipelineTest, LoadsTheRockTextureAndReleasesEveryObjectInOrderOnce) {
    EXPECT_FALSE(renderer->usingFallbackTexture());
    GLint width = 0;
    glGetTextureLevelParameteriv(renderer->textureName(), 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_GT(width, 1);

    const std::uint32_t program = renderer->programName();
    const std::uint32_t vertexArray = renderer->vertexArrayName();
    const std::uint32_t uniformBuffer = renderer->uniformBufferName();
    const std::uint32_t texture = renderer->textureName();
    const std::uint32_t sampler = renderer->samplerName();
    ASSERT_TRUE(glIsProgram(program) && glIsVertexArray(vertexArray) && glIsBuffer(uniformBuffer) &&
                glIsTexture(texture) && glIsSampler(sampler));

    std::vector<RendererObject> released;
    const auto record = [&](RendererObject object) { released.push_back(object); };
    renderer->release(record);
    EXPECT_TRUE(std::equal(released.begin(), released.end(), rendererReleaseOrder.begin(), rendererReleaseOrder.end()));
    EXPECT_FALSE(glIsProgram(program));
    EXPECT_FALSE(glIsVertexArray(vertexArray));
    EXPECT_FALSE(glIsBuffer(uniformBuffer));
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_FALSE(glIsSampler(sampler));

    released.clear();
    renderer->release(record);  // a second release does nothing
    EXPECT_TRUE(released.empty());
}

TEST_F(PipelineTest, AMissingOrUnreadableTextureIsReplacedByPlainGreyAndRenderingGoesOn) {
    const TemporaryFile notAnImage("gravelkin-not-an-image.jpg", "this is not a JPEG");
    for (const std::string& path : {std::string("/nonexistent/seamless_rock.jpg"), notAnImage.path}) {
        RendererSettings settings = testSettings();
        settings.texturePath = path;
        std::string error;
        ::testing::internal::CaptureStderr();
        std::unique_ptr<Renderer> fallback = Renderer::create(settings, error);
        const std::string printed = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(fallback) << error;
        EXPECT_TRUE(fallback->usingFallbackTexture());
        EXPECT_NE(printed.find(path), std::string::npos) << printed;

        fallback->clear();
        fallback->setFrameConstants(identityView);
        const std::vector<ChunkVertex> mesh = centredQuad(2.0f);
        VertexBuffer* buffer = upload(fallback->device(), mesh);
        fallback->drawChunk(buffer, static_cast<std::uint32_t>(mesh.size()));
        buffer->release();
        const Pixel centre = pixelAt(fallback->readColor(), centreX, centreY);
        EXPECT_FALSE(isSky(centre));
        EXPECT_EQ(centre.r, centre.g);  // plain grey, lit: the three channels agree
        EXPECT_EQ(centre.g, centre.b);
    }
}

TEST_F(PipelineTest, AMissingOrBrokenShaderFileFailsStartUpWithAClearMessage) {
    const TemporaryFile broken("gravelkin-broken-shaders.hlsl",
                               readFile(sourcePath("shaders.hlsl")) + "\nfloat4 Broken( { return undefinedThing; }\n");
    const struct {
        std::string path;
        std::vector<std::string> said;
    } cases[] = {{"/nonexistent/shaders.hlsl", {"/nonexistent/shaders.hlsl"}}, {broken.path, {"does not compile", "ERROR"}}};
    for (const auto& c : cases) {
        RendererSettings settings = testSettings();
        settings.shaderPath = c.path;
        std::string error;
        EXPECT_EQ(Renderer::create(settings, error), nullptr) << c.path;
        for (const std::string& words : c.said) EXPECT_NE(error.find(words), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace gravelkin::testing
