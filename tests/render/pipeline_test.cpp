// Set-up and release of the pipeline: the texture, the release of every
// object, and what a user sees of a missing or bad shader or texture file.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "tests/render/gl_test_support.h"

namespace gravelkin::test {
namespace {

using PipelineTest = GlTest;

const std::string shaderSource = (std::ostringstream() << std::ifstream(sourcePath("shaders.hlsl")).rdbuf()).str();

// A file in the temporary folder, removed at the end of the test.
struct TemporaryFile {
    TemporaryFile(const char* name, const std::string& text) : path(std::filesystem::temp_directory_path() / name) {
        std::ofstream(path) << text;
    }
    ~TemporaryFile() { std::remove(path.c_str()); }
    std::string path;
};

TEST_F(PipelineTest, ReleaseFreesEveryObjectOnce) {
    const GLuint program = renderer->programName(), vertexArray = renderer->vertexArrayName(),
                 uniformBuffer = renderer->uniformBufferName(), texture = renderer->textureName(),
                 sampler = renderer->samplerName();
    const auto alive = [&] {
        return std::array<GLboolean, 5>{glIsProgram(program), glIsVertexArray(vertexArray), glIsBuffer(uniformBuffer),
                                        glIsTexture(texture), glIsSampler(sampler)};
    };
    EXPECT_EQ(alive(), (std::array<GLboolean, 5>{1, 1, 1, 1, 1}));
    renderer->release();
    EXPECT_EQ(alive(), (std::array<GLboolean, 5>{}));
    renderer->release([](RendererObject) { ADD_FAILURE() << "a second release released something"; });
}

// The rock texture shows in what is drawn; a missing or unreadable one is
// reported and replaced by plain grey, and rendering goes on.
TEST_F(PipelineTest, TheRockTextureOrPlainGreyInItsPlace) {
    const TemporaryFile notAnImage("gravelkin-not-an-image.jpg", "this is not a JPEG");
    const std::string rock = testSettings().texturePath;
    for (const std::string& path : {rock, std::string("/nonexistent/seamless_rock.jpg"), notAnImage.path}) {
        RendererSettings settings = testSettings();
        settings.texturePath = path;
        std::string error;
        ::testing::internal::CaptureStderr();
        std::unique_ptr<Renderer> started = Renderer::create(settings, error);
        const std::string printed = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(started) << error;
        EXPECT_EQ(started->usingFallbackTexture(), path != rock) << path;
        EXPECT_EQ(printed.find(path) != std::string::npos, path != rock) << printed;
        const Pixel centre = pixelAt(renderFrame(*started, {square(0, 0, 2, 0.4f)}), centreX, centreY);
        EXPECT_FALSE(isSky(centre));
        // Plain grey, lit, keeps the three channels equal; the rock there is warmer.
        EXPECT_EQ(centre.r == centre.g && centre.g == centre.b, path != rock)
            << path << ": " << centre.r << ", " << centre.g << ", " << centre.b;
    }
}

TEST_F(PipelineTest, AMissingOrBrokenShaderFileFailsStartUpWithAClearMessage) {
    const TemporaryFile broken("gravelkin-broken-shaders.hlsl",
                               shaderSource + "\nfloat4 Broken( { return undefinedThing; }\n");
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"/nonexistent/shaders.hlsl", {"/nonexistent/shaders.hlsl"}}, {broken.path, {"does not compile", "ERROR"}}};
    for (const auto& [path, said] : cases) {
        RendererSettings settings = testSettings();
        settings.shaderPath = path;
        std::string error;
        EXPECT_EQ(Renderer::create(settings, error), nullptr) << path;
        for (const std::string& words : said) EXPECT_NE(error.find(words), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace gravelkin::test
