// The deferred-upload device headless: buffers made and released on other
// threads are stored, and discarded, only by the thread that processes them;
// face meshes are stored as packed, grouped corners, triangle lists as they
// are. A face's triangle list is c0 c1 c2 c0 c2 c3, and drawing the packed
// corners through the shared quad indices gives back that list bit for bit.
// The staging arena the device copies through: blocks that do not overlap,
// slabs handed out again once their blocks come back, a bounded number kept,
// large blocks apart, and blocks taken and given back on many threads at once.
#include "device/host_memory_device.h"
#include "device/staging_arena.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <utility>
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

constexpr std::size_t verticesIn(std::size_t bytes) { return bytes / sizeof(ChunkVertex); }

void fill(const StagingBlock& block, std::size_t count, float value) {
    std::fill_n(&block[0].position[0], count * sizeof(ChunkVertex) / sizeof(float), value);
}

bool holds(const StagingBlock& block, std::size_t count, float value) {
    const float* first = &block[0].position[0];
    return std::all_of(first, first + count * sizeof(ChunkVertex) / sizeof(float),
                       [&](float f) { return f == value; });
}

TEST(StagingArenaTest, BlocksAreAlignedAndKeepWhatIsWrittenToThem) {
    StagingArena arena;
    EXPECT_EQ(arena.take(0), nullptr);
    // Sizes round a slab's end, one too large for a slab, and odd counts.
    const std::size_t counts[] = {1, 1000, verticesIn(StagingArena::largestSlabBlockBytes), 3333,
                                  verticesIn(StagingArena::largestSlabBlockBytes) + 1, 77777, 5, 20000, 20000};
    std::vector<std::pair<StagingBlock, std::size_t>> blocks;
    for (std::size_t count : counts) {
        blocks.emplace_back(arena.take(count), count);
        ASSERT_NE(blocks.back().first, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks.back().first.get()) % 64, 0u);
        fill(blocks.back().first, count, static_cast<float>(blocks.size()));
    }
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        EXPECT_TRUE(holds(blocks[b].first, blocks[b].second, static_cast<float>(b + 1))) << "block " << b;
    }
}

TEST(StagingArenaTest, SlabsAreReusedOnceTheirBlocksComeBackAndOnlyAFewAreKept) {
    if (!stagingBlocksMapped) GTEST_SKIP() << "blocks come from the heap under AddressSanitizer";
    StagingArena arena(2);
    const std::size_t count = verticesIn(200 << 10);
    // Staged and stored in turn, a few frames behind, as the factories and
    // the main thread do: the same slabs serve thousands of blocks.
    std::vector<StagingBlock> inFlight;
    for (int b = 0; b < 2000; ++b) {
        inFlight.push_back(arena.take(count));
        fill(inFlight.back(), count, 1.0f);
        if (inFlight.size() > 30) inFlight.erase(inFlight.begin());
    }
    EXPECT_LE(arena.mappedSlabs(), 4u);

    // A large block has a mapping of its own and leaves the slabs alone.
    const std::size_t before = arena.mappedSlabs();
    StagingBlock large = arena.take(verticesIn(3 * StagingArena::slabBytes));
    fill(large, verticesIn(3 * StagingArena::slabBytes), 2.0f);
    EXPECT_EQ(arena.mappedSlabs(), before);
    large.reset();

    // Many held at once, then all given back: two slabs kept, the current
    // one and the spares still mapped, every other slab unmapped.
    for (int b = 0; b < 200; ++b) inFlight.push_back(arena.take(count));
    EXPECT_GE(arena.mappedSlabs(), 200 * (200u << 10) / StagingArena::slabBytes);
    inFlight.clear();
    EXPECT_EQ(arena.spareSlabs(), 2u);
    EXPECT_EQ(arena.mappedSlabs(), 3u);
}

TEST(StagingArenaTest, ThreadsTakeAndGiveBackBlocksAtOnce) {
    StagingArena arena;
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            std::vector<std::pair<StagingBlock, std::size_t>> held;
            for (int b = 0; b < 300; ++b) {
                const std::size_t count = 100 + static_cast<std::size_t>((b * 7919 + t * 104729) % 6000);
                held.emplace_back(arena.take(count), count);
                fill(held.back().first, count, static_cast<float>(t * 1000 + b));
                if (held.size() > 8) {
                    // Given back out of order, from the middle.
                    const auto& [block, n] = held[3];
                    const int written = static_cast<int>(block[0].position[0]);
                    if (!holds(block, n, static_cast<float>(written)) || written / 1000 != t) ++wrong[t];
                    held.erase(held.begin() + 3);
                }
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
}

}  // namespace
}  // namespace gravelkin::test
