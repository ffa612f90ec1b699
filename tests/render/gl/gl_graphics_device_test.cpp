// Vertex buffers created and released on other threads, uploaded and freed
// by the thread that owns the context.
#include <thread>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "tests/render/gl/gl_test_support.h"

namespace gravelkin::testing {
namespace {

using GlGraphicsDeviceTest = GlTest;

TEST_F(GlGraphicsDeviceTest, BuffersMadeOnOtherThreadsAreUploadedAndFreedByTheContextThread) {
    GlGraphicsDevice& device = renderer->device();
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f);
    constexpr int threads = 4;
    constexpr int perThread = 25;
    std::vector<VertexBuffer*> buffers(threads * perThread, nullptr);
    const auto onEveryThread = [&](auto work) {
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t)
            workers.emplace_back([&, t] {
                for (int i = 0; i < perThread; ++i) work(buffers[t * perThread + i]);
            });
        for (std::thread& worker : workers) worker.join();
    };
    onEveryThread([&](VertexBuffer*& buffer) { buffer = upload(device, mesh); });
    EXPECT_EQ(device.liveBuffers(), static_cast<std::size_t>(threads * perThread));

    device.processPending();
    std::vector<std::uint32_t> names;
    for (VertexBuffer* buffer : buffers) {
        ASSERT_NE(buffer, nullptr);
        names.push_back(device.bufferName(buffer));
        EXPECT_TRUE(glIsBuffer(names.back()));
        GLint64 size = 0;
        glGetNamedBufferParameteri64v(names.back(), GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, static_cast<GLint64>(mesh.size() * sizeof(ChunkVertex)));
    }

    // Released on other threads: queued, and freed by the next pass here.
    onEveryThread([](VertexBuffer*& buffer) { buffer->release(); });
    EXPECT_EQ(device.liveBuffers(), 0u);
    EXPECT_TRUE(glIsBuffer(names.front()));
    device.processPending();
    for (std::uint32_t name : names) EXPECT_FALSE(glIsBuffer(name));
}

TEST_F(GlGraphicsDeviceTest, ABufferIsUploadedNoLaterThanItsFirstDrawOrFreedIfReleasedFirst) {
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f);
    VertexBuffer* drawn = nullptr;
    VertexBuffer* neverDrawn = nullptr;
    std::thread maker([&] {
        drawn = upload(renderer->device(), mesh);
        neverDrawn = upload(renderer->device(), mesh);
        neverDrawn->release();
    });
    maker.join();
    // No processPending in between: the draw itself uploads.
    renderer->clear();
    renderer->setFrameConstants(identityView);
    renderer->drawChunk(drawn, static_cast<std::uint32_t>(mesh.size()));
    EXPECT_FALSE(isSky(pixelAt(renderer->readColor(), centreX, centreY)));
    drawn->release();
    renderer->device().processPending();
    EXPECT_EQ(renderer->device().liveBuffers(), 0u);
}

TEST_F(GlGraphicsDeviceTest, NoBufferForAnEmptyArrayOrAfterTheDeviceIsReleased) {
    EXPECT_EQ(renderer->device().createVertexBuffer(nullptr, 0), nullptr);
    renderer->release();
    EXPECT_EQ(upload(renderer->device(), centredQuad(2.0f)), nullptr);
}

}  // namespace
}  // namespace gravelkin::testing
