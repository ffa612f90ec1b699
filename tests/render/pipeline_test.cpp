// Set-up and release: what a user sees of a missing or bad shader or texture
// file, the release of every object, vertex buffers made and released on
// other threads, and the order of shutdown.
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "app/shutdown.h"
#include "tests/render/gl_test_support.h"
#include "tests/support/fake_camera_input.h"

namespace gravelkin::test {
namespace {

using PipelineTest = GlTest;

// A file in the temporary folder, removed at the end of the test.
struct TemporaryFile {
    TemporaryFile(const char* name, const std::string& text) : path(std::filesystem::temp_directory_path() / name) {
        std::ofstream(path) << text;
    }
    ~TemporaryFile() { std::remove(path.c_str()); }
    std::string path;
};

// The reversed target is made only when first needed, and kept for the next
// switch once made.
TEST_F(PipelineTest, ReleaseFreesEveryObjectOnce) {
    EXPECT_EQ(renderer->reversedFramebufferName(), 0u);
    switchDepthMode(*renderer, DepthMode::ReversedInfinite);
    switchDepthMode(*renderer, DepthMode::Standard);
    const GLuint program = renderer->programName(), vertexArray = renderer->vertexArrayName(),
                 uniformBuffer = renderer->uniformBufferName(), texture = renderer->textureName(),
                 sampler = renderer->samplerName(), framebuffer = renderer->reversedFramebufferName();
    const auto alive = [&] {
        return std::array<GLboolean, 6>{glIsProgram(program), glIsVertexArray(vertexArray), glIsBuffer(uniformBuffer),
                                        glIsTexture(texture), glIsSampler(sampler), glIsFramebuffer(framebuffer)};
    };
    EXPECT_EQ(alive(), (std::array<GLboolean, 6>{1, 1, 1, 1, 1, 1}));
    renderer->release();
    EXPECT_EQ(alive(), (std::array<GLboolean, 6>{}));
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
    const std::string shaders = (std::ostringstream() << std::ifstream(sourcePath("shaders.hlsl")).rdbuf()).str();
    const TemporaryFile broken("gravelkin-broken-shaders.hlsl", shaders + "\nfloat4 Broken( { return nothing; }\n");
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

// Vertex buffers made and released on other threads are uploaded and freed
// by the thread that owns the context, and all are back, with the planet's
// threads stopped, before shutdown releases the first GL object.
using BufferLifetimeTest = GlTest;

TEST_F(BufferLifetimeTest, BuffersMadeOnOtherThreadsAreUploadedAndFreedByTheContextThread) {
    GlGraphicsDevice& device = renderer->device();
    EXPECT_EQ(device.createVertexBuffer(nullptr, 0), nullptr);
    const std::vector<ChunkVertex> mesh = square(0, 0, 2, 0.4f);
    const SquareFaces faces(mesh);
    // Even buffers hold the square as a face, odd ones as a triangle list.
    const auto make = [&](std::size_t i) {
        return i % 2 == 0 ? device.createFaceBuffer(faces.faces()) : upload(device, mesh);
    };
    std::vector<VertexBuffer*> buffers(100, nullptr);
    const auto onFourThreads = [&](auto work) {
        std::vector<std::thread> workers;
        for (int t = 0; t < 4; ++t)
            workers.emplace_back([&, t] { for (std::size_t i = t; i < buffers.size(); i += 4) work(i); });
        for (std::thread& worker : workers) worker.join();
    };
    // Each thread also makes buffers that it releases before any upload.
    onFourThreads([&](std::size_t i) {
        if (VertexBuffer* unused = make(i)) unused->release();
        buffers[i] = make(i);
    });
    EXPECT_EQ(device.liveBuffers(), buffers.size());

    // No pass over the pending buffers yet: the draw itself uploads.
    renderer->clear();
    renderer->setFrameConstants(identityView);
    renderer->drawChunk(buffers[0], static_cast<std::uint32_t>(mesh.size()));
    EXPECT_FALSE(isSky(pixelAt(renderer->readColor(), centreX, centreY)));

    device.processPending();
    std::vector<std::uint32_t> names;
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        ASSERT_NE(buffers[i], nullptr);
        names.push_back(device.bufferName(buffers[i]));
        GLint64 size = 0;  // stays 0 unless the name is a buffer
        glGetNamedBufferParameteri64v(names.back(), GL_BUFFER_SIZE, &size);
        // The face's four corners (quad_packing.h), or the list's six vertices.
        EXPECT_EQ(size, static_cast<GLint64>((i % 2 == 0 ? 4 : 6) * sizeof(ChunkVertex)));
    }

    // Released on other threads: queued, and freed by the next pass here.
    onFourThreads([&](std::size_t i) { buffers[i]->release(); });
    EXPECT_EQ(device.liveBuffers(), 0u);
    EXPECT_TRUE(glIsBuffer(names.front()));
    device.processPending();
    for (std::uint32_t name : names) EXPECT_FALSE(glIsBuffer(name));

    renderer->release();
    EXPECT_EQ(upload(device, mesh), nullptr);
}

TEST_F(BufferLifetimeTest, ThePlanetStopsBeforeAnyGlObjectIsReleasedAndThenEveryObjectGoesInOrder) {
    FakeCameraInput input;
    auto scene = std::make_unique<Scene>(input, renderer->device());
    // Stream, drawing frames as the program does, until a few chunks have
    // meshes or 20 s have passed.
    for (int frame = 0; frame < 2000 && renderer->device().liveBuffers() < 3; ++frame) {
        renderer->clear();
        renderer->setFrameConstants(scene->camera->viewMatrix());
        renderer->drawChunksOf(*scene->planet);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_GT(renderer->device().liveBuffers(), 0u) << "the planet made no mesh in 20 s";

    std::vector<RendererObject> released;
    shutDownScene(scene, *renderer, [&](RendererObject object) {
        if (released.empty()) {
            EXPECT_TRUE(scene == nullptr && processCamera() == nullptr) << "the scene is not gone";
            EXPECT_EQ(renderer->device().liveBuffers(), 0u);
        }
        released.push_back(object);
    });
    EXPECT_EQ(released, std::vector(rendererReleaseOrder.begin(), rendererReleaseOrder.end()));
}

}  // namespace
}  // namespace gravelkin::test
