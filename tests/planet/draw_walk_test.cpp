#include "planet/draw_walk.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "device/null_graphics_device.h"

namespace gravelkin::test {
namespace {

using Draw = std::pair<VertexBuffer*, std::uint32_t>;

class RecordingSink final : public ChunkDrawSink {
public:
    void drawChunk(VertexBuffer* buffer, std::uint32_t vertexCount) override { draws.emplace_back(buffer, vertexCount); }
    std::vector<Draw> draws;
};

class ChunkDrawWalkTest : public ::testing::Test {
protected:
    // A chunk in the map with a mesh of `count` vertices (0: none).
    std::shared_ptr<Chunk> addChunk(const ChunkKey& key, std::uint32_t count) {
        auto chunk = std::make_shared<Chunk>(key);
        if (count > 0) mesh(*chunk, count);
        chunks.insert({key, chunk});
        return chunk;
    }

    void mesh(Chunk& chunk, std::uint32_t count) {
        const std::vector<ChunkVertex> vertices(count, ChunkVertex{});
        chunk.vertexBuffer = device.createVertexBuffer(vertices.data(), count);
        chunk.vertexCount.store(count, std::memory_order_release);
    }

    NullGraphicsDevice device;
    std::mutex mutex;
    std::unique_ptr<std::vector<ChunkKey>> drawList = std::make_unique<std::vector<ChunkKey>>();
    ChunkMap chunks;
    RecordingSink sink;
};

const ChunkKey keyA{1, 12, 2, 0};
const ChunkKey keyB{3, 12, 4, 1};
const ChunkKey keyC{5, 12, 6, 2};

// The list is the decision: listed, present and meshed chunks are drawn in
// list order (twice if listed twice); absent keys and chunks without a mesh
// are skipped until a later walk finds them meshed.
TEST_F(ChunkDrawWalkTest, DrawsListedMeshedChunksInListOrder) {
    drawListedChunks(mutex, drawList, chunks, sink);
    EXPECT_TRUE(sink.draws.empty());
    ASSERT_TRUE(mutex.try_lock());  // left free
    mutex.unlock();

    auto a = addChunk(keyA, 36);
    auto b = addChunk(keyB, 0);
    *drawList = {keyA, keyC, keyB, keyA};
    drawListedChunks(mutex, drawList, chunks, sink);
    EXPECT_EQ(sink.draws, (std::vector<Draw>{{a->vertexBuffer, 36u}, {a->vertexBuffer, 36u}}));

    mesh(*b, 9);
    sink.draws.clear();
    drawListedChunks(mutex, drawList, chunks, sink);
    EXPECT_EQ(sink.draws, (std::vector<Draw>{{a->vertexBuffer, 36u}, {b->vertexBuffer, 9u}, {a->vertexBuffer, 36u}}));
}

// Given a frustum, a meshed chunk whose bounds lie wholly outside it is
// culled and counted, one reaching inside is drawn; an unmeshed one is
// neither. The identity's clip volume is -1 to 1 in x and y, 0 to 1 in z.
TEST_F(ChunkDrawWalkTest, CullsMeshedChunksWhoseBoundsLieOutsideTheFrustum) {
    auto a = addChunk(keyA, 6), b = addChunk(keyB, 6), c = addChunk(keyC, 0);
    a->bounds = Box3{{0.9f, -3, 0.5f}, {5, 3, 0.6f}};  // crosses the right side
    b->bounds = Box3{{1.6f, -3, 0.5f}, {5, 3, 0.6f}};  // beyond it by more than the margin
    c->bounds = Box3{{-0.1f, -0.1f, 0.1f}, {0.1f, 0.1f, 0.2f}};
    *drawList = {keyA, keyB, keyC};
    const Frustum frustum = frustumFromViewProjection({{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}}, 0.5f);
    const DrawWalkCounts culled = drawListedChunks(mutex, drawList, chunks, sink, &frustum);
    EXPECT_EQ(sink.draws, (std::vector<Draw>{{a->vertexBuffer, 6u}}));
    EXPECT_EQ(culled.drawn, 1u);
    EXPECT_EQ(culled.culled, 1u);
    const DrawWalkCounts whole = drawListedChunks(mutex, drawList, chunks, sink);
    EXPECT_EQ(whole.drawn, 2u);
    EXPECT_EQ(whole.culled, 0u);
}

// An append made while the mutex is held elsewhere is seen once the walk
// gets the mutex, never half-way.
TEST_F(ChunkDrawWalkTest, ReadsTheListOnlyUnderTheMutex) {
    addChunk(keyA, 3);
    addChunk(keyB, 3);
    *drawList = {keyA};
    std::unique_lock<std::mutex> held(mutex);
    std::atomic<bool> walked{false};
    std::thread walker([&] {
        drawListedChunks(mutex, drawList, chunks, sink);
        walked.store(true);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(walked.load());
    drawList->push_back(keyB);
    held.unlock();
    walker.join();
    EXPECT_EQ(sink.draws.size(), 2u);
}

TEST_F(ChunkDrawWalkTest, GivenAnEyeDrawsNearestFirstWhateverTheListOrder) {
    // Meshed with distinct counts to tell them apart; the last two are
    // equally far from the eye, so the key decides.
    const ChunkKey keys[] = {{1, 12, 0, 0}, {2, 12, 0, 0}, {3, 12, 0, 0}};
    const float xs[] = {10.0f, -20.0f, 20.0f};
    for (int k = 0; k < 3; ++k) {
        auto chunk = addChunk(keys[k], static_cast<std::uint32_t>(3 * (k + 1)));
        chunk->bounds = Box3{{xs[k] - 1.0f, -1.0f, -1.0f}, {xs[k] + 1.0f, 1.0f, 1.0f}};
    }
    const Vec3 eye{0.0f, 0.0f, 0.0f};
    for (const std::vector<ChunkKey>& list : {std::vector<ChunkKey>{keys[0], keys[1], keys[2]},
                                              std::vector<ChunkKey>{keys[2], keys[1], keys[0]},
                                              std::vector<ChunkKey>{keys[1], keys[2], keys[0]}}) {
        *drawList = list;
        sink.draws.clear();
        EXPECT_EQ(drawListedChunks(mutex, drawList, chunks, sink, nullptr, &eye).drawn, 3u);
        std::vector<std::uint32_t> order;
        for (const auto& draw : sink.draws) order.push_back(draw.second);
        EXPECT_EQ(order, (std::vector<std::uint32_t>{3, 6, 9}));
    }
}

// An entry erased on another thread while its chunk is being drawn: the
// chunk outlives its draw, in list order (the erase waits for the walk's
// accessor) and nearest first (the walk holds its own reference).
TEST_F(ChunkDrawWalkTest, AnErasedChunkOutlivesItsDraw) {
    const Vec3 eye{0.0f, 0.0f, 0.0f};
    for (const Vec3* sortEye : {static_cast<const Vec3*>(nullptr), &eye}) {
        std::weak_ptr<Chunk> weak = addChunk(keyA, 3);
        *drawList = {keyA};
        struct ErasingSink final : ChunkDrawSink {
            ChunkMap* map = nullptr;
            std::weak_ptr<Chunk>* watched = nullptr;
            std::thread eraser;
            std::atomic<bool> erased{false};
            bool aliveDuringDraw = false;
            void drawChunk(VertexBuffer*, std::uint32_t) override {
                eraser = std::thread([this] {
                    map->erase(keyA);
                    erased.store(true);
                });
                for (int ms = 0; ms < 20 && !erased.load(); ++ms) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                aliveDuringDraw = !watched->expired();
            }
        } erasing;
        erasing.map = &chunks;
        erasing.watched = &weak;
        drawListedChunks(mutex, drawList, chunks, erasing, nullptr, sortEye);
        if (erasing.eraser.joinable()) erasing.eraser.join();
        EXPECT_TRUE(erasing.aliveDuringDraw) << (sortEye ? "nearest first" : "in list order");
        EXPECT_TRUE(weak.expired());
    }
}

}  // namespace
}  // namespace gravelkin::test
