// The shared command-line words: every view option read with its values, and
// every kind of bad value refused with a message naming the option and the
// problem.
#include "cli/view_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gravelkin::test {
namespace {

// Reads `words` as view options (the program's name is added in front).
ViewOptions parse(std::vector<const char*> words) {
    words.insert(words.begin(), "tool");
    Arguments args(static_cast<int>(words.size()), words.data());
    ViewOptions view;
    while (!args.done()) {
        const std::string_view option = args.option();
        if (!takeViewOption(option, args, view)) throw unknownOption(option);
    }
    return view;
}

TEST(ViewOptionsTest, DefaultsAreTheProgramsStartAndEveryOptionIsRead) {
    const ViewOptions defaults = parse({});
    EXPECT_EQ(defaults.position, cameraStartPosition);
    EXPECT_EQ(defaults.yawDegrees, 0.0f);
    EXPECT_EQ(defaults.pitchDegrees, 0.0f);
    EXPECT_EQ(defaults.viewRadius, Planet::defaultViewRadius);
    EXPECT_EQ(defaults.seed, defaultTerrainSeed);
    EXPECT_FALSE(defaults.farTerrain);

    const ViewOptions view = parse({"--seed", "-7", "--position", "1.5", "-2", "3e2", "--yaw", "-400", "--pitch",
                                    "90", "--view-radius", "4000", "--seed", "2147483647"});
    EXPECT_EQ(view.position, (Vec3{1.5f, -2.0f, 300.0f}));
    EXPECT_EQ(view.yawDegrees, -400.0f);
    EXPECT_EQ(view.pitchDegrees, 90.0f);
    EXPECT_EQ(view.viewRadius, 4000.0f);
    EXPECT_EQ(view.seed, 2147483647);  // the last of a repeated option counts
    EXPECT_FALSE(view.farTerrain);

    // A flag: the word after it is the next option, not its value.
    const ViewOptions far = parse({"--far-terrain", "--seed", "5"});
    EXPECT_TRUE(far.farTerrain);
    EXPECT_EQ(far.seed, 5);

    EXPECT_EQ(defaults.memoryBudgetBytes, 0u) << "0: the planet's own default";
    EXPECT_EQ(parse({"--memory-budget", "1024"}).memoryBudgetBytes, 1024ull << 20);
    EXPECT_EQ(parse({"--memory-budget", "64"}).memoryBudgetBytes, 64ull << 20);
}

TEST(ViewOptionsTest, BadWordsAreRefusedWithTheOptionAndTheReason) {
    const struct {
        std::vector<const char*> words;
        const char* message;
    } cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--yaw"}, "--yaw: a value is missing"},
        {{"--position", "1", "2"}, "--position: a value is missing"},
        {{"--yaw", "--pitch", "3"}, "--yaw: a value is missing"},
        {{"--pitch", "steep"}, "--pitch: 'steep' is not a number"},
        {{"--yaw", "12deg"}, "--yaw: '12deg' is not a number"},
        {{"--yaw", ""}, "--yaw: '' is not a number"},
        {{"--yaw", "nan"}, "--yaw: 'nan' is not a finite number within the float range"},
        {{"--position", "0", "inf", "0"}, "--position: 'inf' is not a finite number within the float range"},
        {{"--position", "0", "1e39", "0"}, "--position: '1e39' is not a finite number within the float range"},
        {{"--pitch", "90.5"}, "--pitch: must be from -90 to 90 (got 90.5)"},
        {{"--view-radius", "0"}, "--view-radius: must be above 0 and at most 4000 (got 0)"},
        {{"--view-radius", "1e6"}, "--view-radius: must be above 0 and at most 4000 (got 1e+06)"},
        {{"--seed", "1.5"}, "--seed: '1.5' is not a whole number from -2147483648 to 2147483647"},
        {{"--seed", "2147483648"}, "--seed: '2147483648' is not a whole number from -2147483648 to 2147483647"},
        {{"--seed", "99999999999999999999"},
         "--seed: '99999999999999999999' is not a whole number from -2147483648 to 2147483647"},
        {{"--memory-budget", "63"}, "--memory-budget: must be from 64 to 1048576 MiB (got 63)"},
        {{"--memory-budget", "-1"}, "--memory-budget: must be from 64 to 1048576 MiB (got -1)"},
        {{"--memory-budget", "1048577"}, "--memory-budget: must be from 64 to 1048576 MiB (got 1048577)"},
        {{"--memory-budget", "1.5"}, "--memory-budget: '1.5' is not a whole number from -2147483648 to 2147483647"},
        {{"--memory-budget"}, "--memory-budget: a value is missing"},
    };
    for (const auto& c : cases) {
        try {
            parse(c.words);
            ADD_FAILURE() << "accepted: " << c.message;
        } catch (const UsageError& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

// A tool that sets the pose itself shows only the planet's options (a part of
// the view options' help) and refuses exactly the ones that place the camera.
TEST(ViewOptionsTest, HelpNamesEveryOptionWithItsDefaultAndPlanetOptionsLeaveThePoseOut) {
    const std::string help = viewOptionsHelp(), planetHelp = planetOptionsHelp();
    for (const char* line : {"--position X Y Z   camera position (default 0 400 0)", "--yaw DEG",
                             "--pitch DEG        elevation from -90 to 90", "at most 4000 (default 500)",
                             "--seed N           terrain seed, a whole number (default 1337",
                             "--far-terrain      also draw coarser terrain beyond the streaming radius",
                             "--memory-budget MIB  what the planet may hold in memory, 64 to 1048576 MiB"}) {
        EXPECT_NE(help.find(line), std::string::npos) << line;
    }
    EXPECT_NE(help.find(planetHelp), std::string::npos);
    for (const char* pose : {"--position", "--yaw", "--pitch"}) {
        EXPECT_TRUE(isPoseOption(pose)) << pose;
        EXPECT_EQ(planetHelp.find(pose), std::string::npos) << pose;
    }
    for (const char* planet : {"--view-radius", "--seed", "--far-terrain"}) {
        EXPECT_FALSE(isPoseOption(planet)) << planet;
        EXPECT_NE(planetHelp.find(planet), std::string::npos) << planet;
    }
}

}  // namespace
}  // namespace gravelkin::test
