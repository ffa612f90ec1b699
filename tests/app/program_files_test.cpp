// What the program decides without a window: its command line, where its
// data lies, the names and failures of screenshots, and the scene's order.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/data_folder.h"
#include "app/program_options.h"
#include "app/scene.h"
#include "app/screenshot_file.h"
#include "device/null_graphics_device.h"
#include "tests/support/fake_camera_input.h"

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
    const RgbaImage image{2, 1, {255, 0, 0, 255, 0, 0, 255, 255}};
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

// Guards the Scene's order: the planet's threads read the published camera,
// so it is there while they run, and withdrawn with the scene. That they stop
// and give every buffer back first is the rendering suite's shutdown test.
TEST(SceneTest, ThePlanetRunsOnlyWhileTheCameraIsPublished) {
    FakeCameraInput input;
    NullGraphicsDevice device;
    auto scene = std::make_unique<Scene>(input, device);
    ASSERT_NE(scene->camera, nullptr);
    ASSERT_NE(scene->planet, nullptr);
    EXPECT_EQ(processCamera(), scene->camera.get());
    EXPECT_EQ(input.screenPlacements, (std::vector<std::pair<int, int>>{{256, 256}}));
    scene.reset();
    EXPECT_EQ(processCamera(), nullptr);
}

}  // namespace
}  // namespace gravelkin::test
