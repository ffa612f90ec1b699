// The surroundings watch: meshed only once every chunk near the eye is, and
// asked again from scratch when the eye moves.

#include <gtest/gtest.h>

#include <unordered_set>

#include "planet/chunks_within.h"
#include "planet/surroundings_watch.h"

namespace gravelkin::test {
namespace {

TEST(SurroundingsWatchTest, MeshedOnlyWhenEveryNearChunkIsAndAskedAgainAfterAMove) {
    const Vec3 eye{0.0f, 400.0f, 0.0f};
    const std::vector<ChunkKey> near = chunkKeysWithin(eye, 100.0f);
    ASSERT_GT(near.size(), 10u);

    std::unordered_set<ChunkKey, ChunkKeyHasher> meshedKeys(near.begin(), near.end() - 1);
    std::size_t asked = 0;
    const auto meshed = [&](const ChunkKey& key) {
        ++asked;
        return meshedKeys.count(key) > 0;
    };
    SurroundingsWatch watch;
    EXPECT_FALSE(watch.meshed(eye, 100.0f, meshed));
    asked = 0;
    EXPECT_FALSE(watch.meshed(eye, 100.0f, meshed));
    EXPECT_EQ(asked, 1u) << "chunks already seen meshed are not asked again";

    meshedKeys.insert(near.back());
    EXPECT_TRUE(watch.meshed(eye, 100.0f, meshed));

    // A step away brings chunks the set does not hold.
    EXPECT_FALSE(watch.meshed(Vec3{0.0f, 400.0f, 64.0f}, 100.0f, meshed));
    // A smaller radius is a new list too, and all of it is meshed here.
    EXPECT_TRUE(watch.meshed(eye, 50.0f, meshed));
}

}  // namespace
}  // namespace gravelkin::test
