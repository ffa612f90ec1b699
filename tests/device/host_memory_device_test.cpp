// The deferred-upload device headless: buffers made and released on other
// threads are stored, and discarded, only by the thread that processes them.
#include "device/host_memory_device.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace gravelkin::test {
namespace {

// A unit square's two triangles, c0 c1 c2 and c0 c2 c3, in the z = 0 plane.
std::vector<ChunkVertex> squareFace(float x) {
    const float corners[4][2] = {{x, 0}, {x + 1, 0}, {x + 1, 1}, {x, 1}};
    std::vector<ChunkVertex> list;
    for (const int c : {0, 1, 2, 0, 2, 3}) {
        ChunkVertex v{};
        v.position[0] = corners[c][0];
        v.position[1] = corners[c][1];
        list.push_back(v);
    }
    return list;
}

TEST(HostMemoryDeviceTest, StoresAndDiscardsBuffersOnlyWhenPendingWorkIsProcessed) {
    HostMemoryDevice device;
    EXPECT_EQ(device.createVertexBuffer(nullptr, 0), nullptr);
    const std::vector<ChunkVertex> face = squareFace(0);
    std::vector<VertexBuffer*> buffers(40, nullptr);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            for (std::size_t i = t; i < buffers.size(); i += 4) {
                // Half a face is no quad list: it stays a triangle list.
                const std::uint32_t count = i % 2 == 0 ? 6 : 3;
                buffers[i] = device.createVertexBuffer(face.data(), count);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(device.liveBuffers(), buffers.size());
    EXPECT_EQ(device.storedBytes(), 0u);

    // Asked for before the pending work is processed, a buffer is stored at once.
    ASSERT_NE(device.stored(buffers[0]), nullptr);
    EXPECT_NE(device.stored(buffers[0])->name, 0u);
    EXPECT_EQ(device.storedBytes(), 4 * sizeof(ChunkVertex));
    device.processPending();
    EXPECT_EQ(device.storedBytes(), 20 * (4 + 3) * sizeof(ChunkVertex));
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        EXPECT_EQ(device.holdsPackedQuads(buffers[i]), i % 2 == 0);
        EXPECT_EQ(device.faceGroups(buffers[i]).size(), i % 2 == 0 ? 1u : 0u);
        EXPECT_EQ(device.stored(buffers[i])->mesh.vertices, nullptr) << "the staged copy is freed once stored";
    }

    for (VertexBuffer* buffer : buffers) buffer->release();
    EXPECT_EQ(device.liveBuffers(), 0u);
    EXPECT_EQ(device.storedBytes(), 20 * (4 + 3) * sizeof(ChunkVertex)) << "discarded only when processed";
    device.processPending();
    EXPECT_EQ(device.storedBytes(), 0u);
}

TEST(HostMemoryDeviceTest, ReleaseAllFreesWhatIsLeftAndRefusesNewBuffers) {
    HostMemoryDevice device;
    const std::vector<ChunkVertex> face = squareFace(2);
    VertexBuffer* kept = device.createVertexBuffer(face.data(), 6);
    VertexBuffer* released = device.createVertexBuffer(face.data(), 6);
    device.processPending();
    released->release();
    ::testing::internal::CaptureStderr();
    device.releaseAll();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("1 vertex buffers were still in use"), std::string::npos);
    EXPECT_EQ(device.storedBytes(), 0u);
    EXPECT_TRUE(device.stored(kept)->failed);
    EXPECT_EQ(device.createVertexBuffer(face.data(), 6), nullptr);
    kept->release();  // late: freed when the device goes
}

}  // namespace
}  // namespace gravelkin::test
