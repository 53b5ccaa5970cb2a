// velmora-cli train and guide on the simulator and the simulated clock.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "guiding/guiding_stats.h"
#include "platform/paths.h"
#include "core/settings_record.h"
#include "support/test_env.h"

namespace {

// "key=value" words of the output.
std::map<std::string, double> Values(const std::string& text) {
    std::map<std::string, double> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        const size_t eq = word.find('=');
        if (eq != std::string::npos && eq > 0) out[word.substr(0, eq)] = std::atof(word.c_str() + eq + 1);
    }
    return out;
}

const char* kSky = " --sim-rate 3 --sim-guider-scale 1 --sim-guider-angle 0 --sim-seeing 0.15 --seed 7";

class GuideCliTest : public VelmoraTest {};

TEST_F(GuideCliTest, TrainPrintsTheSummaryAndTheTrainedLineAndSavesSettings) {
    const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string("train --simulate --guider --sim-angle 30") + kSky);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("slew RA = "), std::string::npos);
    EXPECT_NE(r.output.find("Theta = "), std::string::npos);
    auto v = Values(r.output);
    ASSERT_TRUE(v.count("rate_ra") && v.count("angle_deg") && v.count("backlash_dec")) << r.output;
    EXPECT_NEAR(v["rate_ra"], 3, 0.3);
    EXPECT_NEAR(v["rate_dec"], 3, 0.3);
    EXPECT_NEAR(v["angle_deg"], -150, 4);  // West moves the picture -x, turned by 30 degrees
    EXPECT_NEAR(v["true_angle_deg"], -150, 1e-9);
    EXPECT_TRUE(FileExists(MapPath(kSettingsPath))) << r.output;
}

TEST_F(GuideCliTest, GuidedStaysPutWhereUnguidedDrifts) {
    const std::string drift = " --sim-drift 3";  // 3 px in the minute
    const CliResult guided =
        RunVelmoraCli(VELMORA_CLI, home, std::string("guide --simulate --guider --minutes 1 --train") + kSky + drift);
    ASSERT_EQ(guided.status, 0) << guided.output;
    auto g = Values(guided.output);
    ASSERT_TRUE(g.count("frames") && g.count("true_rms_total")) << guided.output;
    EXPECT_GT(g["frames"], 20);
    EXPECT_LT(g["true_rms_total"], 0.6);
    const CliResult unguided =
        RunVelmoraCli(VELMORA_CLI, home, std::string("guide --simulate --guider --minutes 1 --unguided") + kSky + drift);
    ASSERT_EQ(unguided.status, 0) << unguided.output;
    auto u = Values(unguided.output);
    EXPECT_GT(u["true_rms_total"], 1.0);
    EXPECT_GT(u["rms_total"], 1.0);
}

// With the default letters and the untrained calibration, every head holds
// a drifting star on the simulator; a mirror drives it away until the
// matching swap letters are set.
TEST_F(GuideCliTest, DefaultLettersHoldTheStarOnEveryHeadAndSwapsUndoAMirror) {
    struct Case {
        const char* head;
        const char* mirror;
        const char* letters;  // guideLetters: +y, -y, +x, -x
        bool holds;
    } cases[] = {
        {"--main", "", "nsew", true},
        {"--ao", "", "nsew", true},
        {"--guider", "", "nsew", true},
        {"--main", " --sim-mirror both", "nsew", false},
        {"--main", " --sim-mirror both", "snwe", true},
    };
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, "settings set ignoreDriftBelowHysteresis no").status, 0);
    for (const Case& c : cases) {
        ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, std::string("settings set guideLetters ") + c.letters).status, 0);
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string("guide --simulate --minutes 2 ") + c.head +
                                                                 " --sim-drift 3 --sim-pe 2:480 --sim-seeing 0.3 --seed 5" +
                                                                 c.mirror);
        const auto v = Values(r.output);
        ASSERT_TRUE(v.count("true_rms_total")) << c.head << c.mirror << r.output;
        // Unguided, 2 minutes of 3 px a minute drift alone are 3.5 px RMS; a
        // mirrored run pushes the star out of its window within a few frames.
        if (c.holds)
            EXPECT_LT(v.at("true_rms_total"), 1.2) << c.head << c.mirror << r.output;
        else
            EXPECT_GT(v.at("true_rms_total"), 2.0) << c.head << c.mirror << r.output;
    }
}

// Guided on the guider head, the reported RMS is the star's true offset in
// the frames measured: a seeing draw in the reference frame is where the
// loop holds the star, not an error it fails to see.
TEST_F(GuideCliTest, GuidedOnTheGuiderHeadReportsTheTrueOffset) {
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, "settings set ignoreDriftBelowHysteresis no").status, 0);
    for (const char* head : {"--guider", "--ao"}) {
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string("guide --simulate --minutes 2 ") + head +
                                                                 " --sim-drift 3 --sim-pe 2:480 --sim-seeing 0.3 --seed 5");
        ASSERT_EQ(r.status, 0) << head << "\n" << r.output;
        auto v = Values(r.output);
        ASSERT_GT(v["true_rms_total"], 0.1) << head << "\n" << r.output;
        EXPECT_NEAR(v["rms_total"] / v["true_rms_total"], 1.0, 0.15) << head << "\n" << r.output;
    }
}

TEST_F(GuideCliTest, ALostStarPrintsTheCountsAndExitsNonZero) {
    // 300 px a minute: the main camera's star leaves its window at once.
    const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string("guide --simulate --main --minutes 3") + kSky +
                                                             " --sim-drift 300");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("Sorry. Guide star lost."), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("guiding ended early"), std::string::npos) << r.output;
    auto v = Values(r.output);
    ASSERT_TRUE(v.count("ignored") && v.count("lost")) << r.output;
    EXPECT_EQ(v["lost"], 1);
}

TEST_F(GuideCliTest, UnguidedRunsOnEveryHead) {
    // Positions with tenths: whole pixels would be up to half a pixel off.
    ASSERT_EQ(RunVelmoraCli(VELMORA_CLI, home, "settings set ignoreDriftBelowHysteresis no").status, 0);
    for (const char* head : {"--main", "--guider", "--ao"}) {
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, std::string("guide --simulate --unguided --minutes 1 ") +
                                                                 head + kSky + " --sim-drift 3");
        ASSERT_EQ(r.status, 0) << head << "\n" << r.output;
        auto v = Values(r.output);
        EXPECT_GT(v["frames"], 20) << head;
        EXPECT_GT(v["true_rms_total"], 1.0) << head;
        // The measured figure follows the star's true offset.
        EXPECT_NEAR(v["rms_total"], v["true_rms_total"], 0.3) << head;
    }
}

TEST_F(GuideCliTest, CaptureCommandsTakeTheSimOptions) {
    struct Case {
        std::string args;
        int status;
    };
    const Case cases[] = {
        {"capture --simulate --mode 1 --exposure 100 --out " + home + "/out --sim-seeing 0.5 --seed 3", 0},
        {"guider-capture --simulate --count 1 --sim-drift 2 --sim-guider-scale 1", 0},
        {"capture --simulate --mode 1 --exposure 100 --sim-seeing x", 2},
        {"guider-capture --simulate --count 1 --sim-rate 0", 2},
    };
    for (const Case& c : cases) {
        const CliResult r = RunVelmoraCli(VELMORA_CLI, home, c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    }
}

// Commands that show a message exit non-zero: a display bitmap that cannot be
// written (the autosave folder is a regular file), a settings file that
// cannot be written (the data folder lies under a regular file; tests run as
// root, where a read-only folder is still writable).
TEST_F(GuideCliTest, AMessageMeansANonZeroExit) {
    const CliResult made = RunVelmoraCli(VELMORA_CLI, home, "capture --simulate --mode 1 --exposure 100 --out " + home + "/in");
    ASSERT_EQ(made.status, 0) << made.output;
    const std::string image = home + "/in/IMG1.FIT";
    ASSERT_TRUE(FileExists(image));
    std::filesystem::remove_all(home + "/autosave");
    { std::ofstream(home + "/autosave") << "x"; }
    struct Case {
        std::string home, args, message;
    };
    const Case cases[] = {
        {home, "convert " + image + " " + home + "/in/copy.fit", "Failed to create temp bitmap"},
        {home, "stats " + image, "Failed to create temp bitmap"},
        {home + "/autosave/data", "camera-info --simulate", "Unable to save INI file"},
        {home + "/autosave/data", "settings set driveMethod l", "cannot be written"},
    };
    for (const Case& c : cases) {
        const CliResult r = RunVelmoraCli(VELMORA_CLI, c.home, c.args);
        EXPECT_EQ(r.status, 1) << c.args << "\n" << r.output;
        EXPECT_NE(r.output.find(c.message), std::string::npos) << c.args << "\n" << r.output;
    }
}

// A run killed at any moment, SIGKILL included, leaves a log of whole lines.
TEST_F(GuideCliTest, AKilledRunLeavesOnlyWholeLinesInTheLog) {
    std::random_device device;
    const unsigned seed = device();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMs(300, 4000);
    size_t frameLines = 0;
    for (int run = 0; run < 6; ++run) {
        const std::string log = home + "/killed" + std::to_string(run) + ".csv";
        const int delay = delayMs(random);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("VELMORA_HOME", home.c_str(), 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execl(VELMORA_CLI, VELMORA_CLI, "guide", "--simulate", "--guider", "--minutes", "600", "--log",
                  log.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        usleep(useconds_t(delay) * 1000);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the run ended before the kill (seed " << seed << ")";
        if (!FileExists(log)) continue;  // killed before the log was opened
        std::ifstream in(log, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_FALSE(text.empty()) << "seed " << seed;
        EXPECT_EQ(text.back(), '\n') << "half a line after " << delay << " ms (seed " << seed << ")";
        std::istringstream lines(text);
        std::string line;
        std::getline(lines, line);
        EXPECT_EQ(line, kGuidingLogHeader);
        while (std::getline(lines, line)) {
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), 11) << line << " (seed " << seed << ")";
            ++frameLines;
        }
    }
    // The kills fell while frames were being logged, not only before.
    EXPECT_GT(frameLines, 0u) << "seed " << seed;
}

TEST_F(GuideCliTest, BadArgumentsAreRefused) {
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "guide --simulate --guider").status, 2);
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "guide --simulate --minutes -1").status, 2);
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "train --simulate --exposure 5").status, 2);
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "train --simulate --sim-angle x").status, 2);
}

}  // namespace
