// Vertex buffers created and released on other threads, uploaded and freed
// by the thread that owns the context.
#include <atomic>
#include <thread>
#include <vector>

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "tests/render/gl/gl_test_support.h"

namespace gravelkin {
namespace {

using namespace test;

using GlGraphicsDeviceTest = GlTest;

TEST_F(GlGraphicsDeviceTest, BuffersMadeOnOtherThreadsAreUploadedByTheContextThread) {
    GlGraphicsDevice& device = renderer->device();
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f, 0.2f, white);
    constexpr int threads = 4;
    constexpr int perThread = 25;
    std::vector<VertexBuffer*> buffers(threads * perThread, nullptr);
    std::vector<std::thread> makers;
    for (int t = 0; t < threads; ++t) {
        makers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i)
                buffers[t * perThread + i] =
                    device.createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
        });
    }
    for (std::thread& maker : makers) maker.join();
    EXPECT_EQ(device.liveBuffers(), static_cast<std::size_t>(threads * perThread));

    device.processPending();
    std::vector<std::uint32_t> names;
    for (VertexBuffer* buffer : buffers) {
        ASSERT_NE(buffer, nullptr);
        const std::uint32_t name = device.bufferName(buffer);
        EXPECT_TRUE(glIsBuffer(name));
        GLint64 size = 0;
        glGetNamedBufferParameteri64v(name, GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, static_cast<GLint64>(mesh.size() * sizeof(ChunkVertex)));
        names.push_back(name);
    }

    // Released from other threads: queued, and freed by the next pass here.
    std::vector<std::thread> releasers;
    for (int t = 0; t < threads; ++t)
        releasers.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) buffers[t * perThread + i]->release();
        });
    for (std::thread& releaser : releasers) releaser.join();
    EXPECT_EQ(device.liveBuffers(), 0u);
    EXPECT_TRUE(glIsBuffer(names.front()));
    device.processPending();
    for (std::uint32_t name : names) EXPECT_FALSE(glIsBuffer(name));
}

TEST_F(GlGraphicsDeviceTest, ABufferIsUploadedNoLaterThanItsFirstDraw) {
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f, 0.2f, white);
    VertexBuffer* buffer = nullptr;
    std::thread maker([&] {
        buffer = renderer->device().createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
    });
    maker.join();
    // No processPending in between: the draw itself uploads.
    renderer->clear();
    renderer->setFrameConstants(identityView);
    renderer->drawChunk(buffer, static_cast<std::uint32_t>(mesh.size()));
    EXPECT_FALSE(isSky(pixelAt(renderer->readColor(), frameWidth / 2, frameHeight / 2)));
    buffer->release();
    renderer->device().processPending();
}

TEST_F(GlGraphicsDeviceTest, ABufferReleasedBeforeItsUploadIsSimplyFreed) {
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f, 0.2f, white);
    VertexBuffer* buffer =
        renderer->device().createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size()));
    std::thread releaser([&] { buffer->release(); });
    releaser.join();
    renderer->device().processPending();
    EXPECT_EQ(renderer->device().liveBuffers(), 0u);
}

TEST_F(GlGraphicsDeviceTest, AnEmptyArrayMakesNoBuffer) {
    EXPECT_EQ(renderer->device().createVertexBuffer(nullptr, 0), nullptr);
}

TEST_F(GlGraphicsDeviceTest, AfterTheDeviceIsReleasedCreationFails) {
    const std::vector<ChunkVertex> mesh = centredQuad(2.0f, 0.2f, white);
    renderer->release();
    EXPECT_EQ(renderer->device().createVertexBuffer(mesh.data(), static_cast<std::uint32_t>(mesh.size())), nullptr);
}

}  // namespace
}  // namespace gravelkin
