// The overlay's radius and memory lines: the radius in effect shows only
// while it is smaller than the one asked for.
#include <gtest/gtest.h>

#include "app/overlay_memory_lines.h"

namespace gravelkin::test {
namespace {

TEST(OverlayMemoryLinesTest, TheRadiusInEffectShowsOnlyWhileTheBudgetBinds) {
    OverlayFigures figures;
    figures.viewRadius = 4000.0f;
    figures.effectiveRadius = 4000.0f;
    EXPECT_EQ(radiusLine(figures), "streaming radius 4000");
    figures.effectiveRadius = 512.4f;
    EXPECT_EQ(radiusLine(figures), "streaming radius 4000, 512 in effect (memory budget)");
}

TEST(OverlayMemoryLinesTest, MemoryAgainstTheBudget) {
    OverlayFigures figures;
    figures.memoryBytes = 768ull * 1024 * 1024 + 512 * 1024;
    figures.memoryBudget = 1024ull * 1024 * 1024;
    EXPECT_EQ(memoryLine(figures), "planet memory 768.5 MiB of a 1024 MiB budget");
}

}  // namespace
}  // namespace gravelkin::test
