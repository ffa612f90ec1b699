// The manager's table of visited keys: exact centres, held marks, and a
// bounded size that never forgets a held key.

#include <gtest/gtest.h>

#include <cstdint>

#include "geometry/level_table.h"
#include "planet/known_chunk_keys.h"
#include "tests/support/comparisons.h"

namespace gravelkin::test {
namespace {

// Distinct keys, spread over shells, faces and cells.
ChunkKey keyNumber(std::uint32_t n) {
    return ChunkKey{n % 16, 12 + n / 1536, (n / 16) % 16, static_cast<std::uint8_t>((n / 256) % 6)};
}

TEST(KnownChunkKeysTest, CentresAreExactlyTheComputedOnesAndStayPut) {
    KnownChunkKeys known;
    for (std::uint32_t n = 0; n < 20000; ++n) {  // several growths of the table
        const ChunkKey key = keyNumber(n);
        ASSERT_TRUE(sameBits(known(key).centre, chunkCentre(key))) << n;
        ASSERT_FALSE(known(key).held);
    }
    EXPECT_EQ(known.size(), 20000u);
    for (std::uint32_t n = 0; n < 20000; n += 97) {
        EXPECT_TRUE(sameBits(known(keyNumber(n)).centre, chunkCentre(keyNumber(n))));
    }
    EXPECT_EQ(known.size(), 20000u);  // looking up again adds nothing
}

TEST(KnownChunkKeysTest, HeldMarksFollowHoldAndRelease) {
    KnownChunkKeys known;
    const ChunkKey a{1, 12, 2, 3}, b{4, 13, 5, 0};
    known.setHeld(a, chunkCentre(a));
    EXPECT_TRUE(known(a).held);
    EXPECT_FALSE(known(b).held);
    known.setHeld(b, chunkCentre(b));
    known.setReleased(a);
    EXPECT_FALSE(known(a).held);
    EXPECT_TRUE(known(b).held);
    known.setReleased(ChunkKey{9, 9, 9, 1});  // never seen: nothing happens
    EXPECT_EQ(known.size(), 2u);
    known.setHeld(a, chunkCentre(a));  // held again after an erase
    EXPECT_TRUE(known(a).held);
    EXPECT_TRUE(sameBits(known(a).centre, chunkCentre(a)));
}

// Open space where the budget binds: the manager holds about as many chunks
// as the capacity, and each pass walks thousands more keys. The first pass
// crosses the capacity and may forget once; from then on every key walked
// stays known. A camera travelling far visits many more keys than the
// capacity: the table stays bounded, and no held key is forgotten.
TEST(KnownChunkKeysTest, StaysBoundedLeavesRoomForTheKeysAWalkVisitsAndNeverForgetsAHeldKey) {
    KnownChunkKeys known;
    const auto heldCount = static_cast<std::uint32_t>(KnownChunkKeys::capacity) - 16;
    for (std::uint32_t n = 0; n < heldCount; ++n) known.setHeld(keyNumber(n), chunkCentre(keyNumber(n)));
    constexpr std::uint32_t walked = 8000;
    for (int pass = 0; pass < 3; ++pass) {
        for (std::uint32_t n = heldCount; n < heldCount + walked; ++n) known(keyNumber(n));
        if (pass > 0) {
            EXPECT_EQ(known.size(), std::size_t{heldCount} + walked) << "pass " << pass;
        }
    }
    const std::uint32_t visited = 3 * static_cast<std::uint32_t>(KnownChunkKeys::capacity);
    for (std::uint32_t n = heldCount + walked; n < heldCount + walked + visited; ++n) {
        known(keyNumber(n));
        ASSERT_LE(known.size(), 2 * KnownChunkKeys::capacity);
    }
    const std::size_t before = known.size();
    for (std::uint32_t n = 0; n < heldCount; ++n) ASSERT_TRUE(known(keyNumber(n)).held) << n;
    EXPECT_EQ(known.size(), before) << "a held key had been forgotten";
}

}  // namespace
}  // namespace gravelkin::test
