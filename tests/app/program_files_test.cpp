// What the program decides without a window: its command line, where its
// data lies, the overlay's figures and the names and failures of screenshots.
#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "app/data_folder.h"
#include "app/overlay_figures.h"
#include "app/program_options.h"
#include "app/screenshot_file.h"
#include "device/null_graphics_device.h"
#include "tests/support/test_planet.h"

namespace gravelkin::test {
namespace {

namespace fs = std::filesystem;

ProgramOptions parse(std::vector<const char*> words) {
    words.insert(words.begin(), "gravelkin");
    return parseProgramOptions(static_cast<int>(words.size()), words.data());
}

TEST(ProgramOptionsTest, DefaultsAreTodaysRunAndTheUsageNamesEveryOptionAndStatus) {
    const ProgramOptions none = parse({});
    EXPECT_FALSE(none.overlay || none.help || none.version);
    EXPECT_EQ(none.view.position, cameraStartPosition);
    EXPECT_EQ(none.view.seed, defaultTerrainSeed);
    const ProgramOptions some = parse({"--overlay", "--seed", "9", "--help", "--version"});
    EXPECT_TRUE(some.overlay && some.help && some.version);
    EXPECT_EQ(some.view.seed, 9);
    EXPECT_THROW(parse({"--overlay", "yes"}), UsageError);
    const std::string usage = programUsage();
    for (const char* part : {"--position", "--yaw", "--pitch", "--view-radius", "--seed", "--overlay", "--help",
                             "--version", "F3", "F12", "64 bad command line", "2 no display"}) {
        EXPECT_NE(usage.find(part), std::string::npos) << part;
    }
}

// A temporary folder, removed with everything in it.
struct TemporaryFolder {
    fs::path path = fs::temp_directory_path() / ("gravelkin-app-test-" + std::to_string(::getpid()));
    TemporaryFolder() { fs::create_directories(path); }
    ~TemporaryFolder() { fs::remove_all(path); }
};

TEST(DataFolderTest, TheWorkingFolderComesFirstThenTheInstalledDataAndTheMessageNamesBoth) {
    TemporaryFolder temp;
    const fs::path work = temp.path / "work", bin = temp.path / "prefix/bin", data = temp.path / "prefix/share/gk";
    for (const fs::path& folder : {work, bin, data}) fs::create_directories(folder);
    DataFolderSearch search = findDataFolder(work, bin, "../share/gk");
    EXPECT_FALSE(search.found);
    EXPECT_EQ(search.lookedInText(), work.string() + " and " + data.string());

    std::ofstream(data / "shaders.hlsl") << "//";
    EXPECT_EQ(findDataFolder(work, bin, "../share/gk").found, data);
    std::ofstream(work / "shaders.hlsl") << "//";
    EXPECT_EQ(findDataFolder(work, bin, "../share/gk").found, work);
    EXPECT_EQ(findDataFolder(work, "", "../share/gk").lookedIn.size(), 1u);
}

TEST(ScreenshotTest, NamesCarryTheLocalTimeAndACounterAndFailuresSayWhy) {
    TemporaryFolder temp;
    RgbaImage image;
    image.width = 2;
    image.height = 1;
    image.pixels = {255, 0, 0, 255, 0, 0, 255, 255};
    std::tm moment{};
    moment.tm_year = 2024 - 1900, moment.tm_mon = 5, moment.tm_mday = 7, moment.tm_hour = 8, moment.tm_min = 9;
    moment.tm_sec = 10, moment.tm_isdst = -1;
    const std::time_t when = std::mktime(&moment);
    std::vector<std::string> written;
    for (int i = 0; i < 3; ++i) {
        std::string message;
        ASSERT_TRUE(saveScreenshot(image, temp.path, when, message)) << message;
        written.push_back(fs::path(message).filename().string());
    }
    EXPECT_EQ(written, (std::vector<std::string>{"gravelkin-20240607-080910.png", "gravelkin-20240607-080910-2.png",
                                                 "gravelkin-20240607-080910-3.png"}));

    std::ofstream(temp.path / "blocked") << "a file where the folder should be";
    std::string message;
    EXPECT_FALSE(saveScreenshot(image, temp.path / "blocked", when, message));
    EXPECT_NE(message.find("cannot create the folder"), std::string::npos) << message;
    fs::create_directories(temp.path / "readonly/screenshots");
    fs::permissions(temp.path / "readonly/screenshots", fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {  // root writes anyway
        EXPECT_FALSE(saveScreenshot(image, temp.path / "readonly", when, message));
        EXPECT_NE(message.find("Permission denied"), std::string::npos) << message;
    }
}

TEST(OverlayFigureRecorderTest, KeepsTheLastSecondsOfFramesAndReadsThePlanetAndTheProcess) {
    OverlayFigureRecorder statistics;
    for (int i = 0; i < 400; ++i) statistics.recordFrame(0.02f);  // 8 s of frames
    NullGraphicsDevice device;
    Planet planet(device, 40.0f, ChunkPipeline::Fast, [] { return Vec3{0.0f, 0.0f, -400.0f}; });
    waitForPasses(planet, 2);
    planet.stop();  // the counters hold still for the comparison below
    const OverlayFigures& figures = statistics.update(planet, Vec3{3.0f, 4.0f, 0.0f});
    EXPECT_NEAR(static_cast<float>(figures.frameMilliseconds.size()) * 0.02f, OverlayFigureRecorder::historySeconds, 0.03f);
    EXPECT_FLOAT_EQ(figures.frameMilliseconds.back(), 20.0f);
    EXPECT_NEAR(figures.framesPerSecond, 50.0f, 0.5f);
    EXPECT_FLOAT_EQ(figures.distanceFromCentre, 5.0f);
    EXPECT_EQ(figures.viewRadius, 40.0f);
    EXPECT_GT(figures.residentKiB, 1000);
    const StreamingStats stats = planet.stats();
    ASSERT_GT(stats.passes, 0u);
    for (const StreamingCounterEntry& counted : streamingCounterTable) {
        EXPECT_EQ(figures.streaming.*counted.stat, stats.*counted.stat) << counted.name;
    }
    for (int i = 0; i < 100'000; ++i) statistics.recordFrame(1e-5f);
    EXPECT_EQ(statistics.update(planet, Vec3{}).frameMilliseconds.size(), OverlayFigureRecorder::maxFrames);
}

}  // namespace
}  // namespace gravelkin::test
