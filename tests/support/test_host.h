// A chunk factory's host without a planet: requests in a plain queue served
// in order, published chunks in a plain map, a camera position and radius the
// test sets, the Earth generator and a null device. For one thread only.
#pragma once

#include <deque>
#include <memory>
#include <unordered_map>
#include <vector>

#include <gtest/gtest.h>

#include "camera/camera.h"
#include "factory/factory_host.h"
#include "device/null_graphics_device.h"
#include "terrain/earth/terrain_generator_earth.h"

namespace gravelkin::test {

class TestHost final : public FactoryHost {
public:
    bool stopRequested() const override { return false; }
    bool beginJob(ChunkRequest& out) override {
        if (queue.empty()) return false;
        out = queue.front();
        queue.pop_front();
        ++activeJobs;
        return true;
    }
    void endJob() override { --activeJobs; }
    void finishRequest(const ChunkKey& key, JobEnd end) override {
        finished.push_back(key);
        ends.push_back(end);
    }
    std::shared_ptr<Chunk> findChunk(const ChunkKey& key) const override {
        const auto found = chunks.find(key);
        return found == chunks.end() ? nullptr : found->second;
    }
    bool publish(std::unique_ptr<Chunk> chunk) override {
        const ChunkKey key = chunk->key;
        return chunks.emplace(key, std::move(chunk)).second;
    }
    void reportSkippedChunk(const ChunkKey& key) override { skipped.push_back(key); }
    void reportFailedBuffer(const ChunkKey& key) override { failedBuffers.push_back(key); }
    float viewRadius() const override { return radius; }
    Vec3 cameraPosition() const override { return camera; }
    const TerrainGeneratorBase& generator() const override { return earth; }
    GraphicsDevice& device() const override { return nullDevice; }

    void request(const ChunkKey& key, RequestKind kind) { queue.push_back({key, kind, 0.0f}); }
    void add(std::unique_ptr<Chunk> chunk) { ASSERT_TRUE(publish(std::move(chunk))); }

    std::deque<ChunkRequest> queue;
    std::vector<ChunkKey> finished;
    std::vector<JobEnd> ends;
    std::vector<ChunkKey> skipped;
    std::vector<ChunkKey> failedBuffers;
    int activeJobs = 0;
    std::unordered_map<ChunkKey, std::shared_ptr<Chunk>, ChunkKeyHasher> chunks;
    float radius = 100.0f;
    Vec3 camera = cameraStartPosition;
    TerrainGeneratorEarth earth;
    mutable NullGraphicsDevice nullDevice;
};

}  // namespace gravelkin::test
