// The deferred-upload device headless: buffers made and released on other
// threads are stored, and discarded, only by the thread that processes them;
// face meshes are stored as packed, grouped corners, triangle lists as they
// are.
#include "device/host_memory_device.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace gravelkin::test {
namespace {

// A unit square in the z = 0 plane as one face, c0 c1 c2 c3.
struct SquareFace {
    ChunkFaces faces() const { return {corners, &side, 1}; }

    ChunkVertex corners[4] = {{{0, 0, 0}, {}, {}, {0, 0, 1}}, {{1, 0, 0}, {}, {}, {0, 0, 1}},
                              {{1, 1, 0}, {}, {}, {0, 0, 1}}, {{0, 1, 0}, {}, {}, {0, 0, 1}}};
    Direction side = Direction::Outward;
};

TEST(HostMemoryDeviceTest, StoresAndDiscardsBuffersOnlyWhenPendingWorkIsProcessed) {
    HostMemoryDevice device;
    EXPECT_EQ(device.createVertexBuffer(nullptr, 0), nullptr);
    EXPECT_EQ(device.createFaceBuffer(ChunkFaces{}), nullptr);
    const SquareFace face;
    const std::vector<ChunkVertex> list = triangleList(face.faces());
    const auto listLength = static_cast<std::uint32_t>(list.size());
    std::vector<VertexBuffer*> buffers(40, nullptr);
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&, t] {
            for (std::size_t i = t; i < buffers.size(); i += 4) {
                // The same face, as a face mesh and as its triangle list.
                buffers[i] = i % 2 == 0 ? device.createFaceBuffer(face.faces())
                                        : device.createVertexBuffer(list.data(), listLength);
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
    EXPECT_EQ(device.storedBytes(), 20 * (4 + 6) * sizeof(ChunkVertex));
    for (std::size_t i = 0; i < buffers.size(); ++i) {
        EXPECT_EQ(device.holdsPackedQuads(buffers[i]), i % 2 == 0);
        EXPECT_EQ(device.faceGroups(buffers[i]).size(), i % 2 == 0 ? 1u : 0u);
        EXPECT_EQ(device.stored(buffers[i])->mesh.vertices, nullptr) << "the staged copy is freed once stored";
    }

    for (VertexBuffer* buffer : buffers) buffer->release();
    EXPECT_EQ(device.liveBuffers(), 0u);
    EXPECT_EQ(device.storedBytes(), 20 * (4 + 6) * sizeof(ChunkVertex)) << "discarded only when processed";
    device.processPending();
    EXPECT_EQ(device.storedBytes(), 0u);
}

TEST(HostMemoryDeviceTest, ReleaseAllFreesWhatIsLeftAndRefusesNewBuffers) {
    HostMemoryDevice device;
    const SquareFace face;
    VertexBuffer* kept = device.createFaceBuffer(face.faces());
    VertexBuffer* released = device.createFaceBuffer(face.faces());
    device.processPending();
    released->release();
    ::testing::internal::CaptureStderr();
    device.releaseAll();
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("1 vertex buffers were still in use"), std::string::npos);
    EXPECT_EQ(device.storedBytes(), 0u);
    EXPECT_TRUE(device.stored(kept)->failed);
    EXPECT_EQ(device.createFaceBuffer(face.faces()), nullptr);
    EXPECT_EQ(device.createVertexBuffer(face.corners, 3), nullptr);
    kept->release();  // late: freed when the device goes
}

}  // namespace
}  // namespace gravelkin::test
