// Vertex buffers made and released on other threads: uploaded and freed by
// the thread that owns the context, and all back, with the planet's threads
// stopped, before shutdown releases the first GL object.
#include <chrono>
#include <thread>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "app/shutdown.h"
#include "tests/render/gl_test_support.h"
#include "tests/support/fake_camera_input.h"

namespace gravelkin::test {
namespace {

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
