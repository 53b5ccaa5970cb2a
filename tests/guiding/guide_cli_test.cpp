// velmora-cli train and guide on the simulator and the simulated clock.
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>

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
        // Unguided, 2 minutes of 3 px a minute drift alone are 3.5 px RMS.
        if (c.holds)
            EXPECT_LT(v.at("true_rms_total"), 1.2) << c.head << c.mirror << r.output;
        else
            EXPECT_GT(v.at("true_rms_total"), 3.0) << c.head << c.mirror << r.output;
    }
}

TEST_F(GuideCliTest, BadArgumentsAreRefused) {
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "guide --simulate --guider").status, 2);
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "guide --simulate --minutes -1").status, 2);
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "train --simulate --exposure 5").status, 2);
    EXPECT_EQ(RunVelmoraCli(VELMORA_CLI, home, "train --simulate --sim-angle x").status, 2);
}

}  // namespace
