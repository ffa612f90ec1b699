// The deferred-upload device headless: buffers made and released on other
// threads are stored, and discarded, only by the thread that processes them;
// face meshes are stored as packed, grouped corners, triangle lists as they
// are. A face's triangle list is c0 c1 c2 c0 c2 c3, and drawing the packed
// corners through the shared quad indices gives back that list bit for bit.
#include "device/host_memory_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "device/chunk_faces.h"
#include "device/quad_packing.h"

namespace gravelkin::test {
namespace {

bool sameBits(const ChunkVertex& a, const ChunkVertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Two faces whose every corner differs from every other in some bit: the
// second has a -0 and a NaN where the first has 0 and a number.
struct TwoFaces {
    TwoFaces() {
        for (int c = 0; c < 8; ++c) {
            ChunkVertex& v = corners[c];
            v = ChunkVertex{{c * 1.5f, 2.0f - c, 0.25f * c}, {0.1f, 0.2f, 0.3f, 1.0f}, {c % 2 * 1.0f, c / 2 % 2 * 1.0f},
                            {0.0f, 1.0f, 0.0f}};
        }
        corners[5].texcoord[1] = -0.0f;
        corners[6].normal[0] = std::nanf("");
    }
    ChunkFaces faces() const { return {corners, sides, 2}; }

    ChunkVertex corners[8];
    Direction sides[2] = {Direction::PlusX, Direction::Inward};
};

TEST(QuadPackingTest, TheTriangleListRepeatsCornersZeroAndTwoAndQuadIndicesGiveItBack) {
    const TwoFaces two;
    const std::vector<ChunkVertex> list = triangleList(two.faces());
    const std::vector<std::uint32_t> indices = quadIndices(2);
    ASSERT_EQ(list.size(), 12u);
    ASSERT_EQ(indices.size(), 12u);
    const std::uint32_t corner[12] = {0, 1, 2, 0, 2, 3, 4, 5, 6, 4, 6, 7};
    for (std::size_t k = 0; k < list.size(); ++k) {
        EXPECT_TRUE(sameBits(list[k], two.corners[corner[k]])) << k;
        EXPECT_EQ(indices[k], corner[k]) << k;
    }
    EXPECT_TRUE(triangleList(ChunkFaces{}).empty());
}

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
