// The guiding assistant: the analysis fed synthetic traces, and
// velmora-cli guide-assistant end to end on the simulated clock.
#include "guiding/guide_assistant.h"

#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

struct TraceCase {
    double amplitude, period, raDriftPerMin, decDriftPerMin, noise, spanS, frameS;
    unsigned seed;
    bool periodKnown;
};

// R.A.: a sine plus a line; Dec: a line; both with independent normal noise.
std::vector<AssistantSample> Synthetic(const TraceCase& c) {
    std::mt19937_64 random(c.seed);
    std::normal_distribution<double> noise(0, c.noise);
    std::vector<AssistantSample> trace;
    for (double t = 0; t <= c.spanS; t += c.frameS) {
        AssistantSample s;
        s.timeS = t;
        s.raPx = c.amplitude * std::sin(2 * kPi * t / c.period + 0.7) + c.raDriftPerMin * t / 60 + noise(random);
        s.decPx = c.decDriftPerMin * t / 60 + noise(random);
        trace.push_back(s);
    }
    return trace;
}

TEST(GuideAssistantTest, AnalysisFindsPeriodicErrorDriftAndSeeing) {
    const TraceCase cases[] = {
        {1.6, 240, 0.2, 0.4, 0.15, 720, 1, 1, true},
        {0.8, 480, 0, -1.0, 0.30, 1200, 2, 7, true},
        {3.0, 120, -0.5, 0, 0.05, 600, 1, 42, true},
        {1.6, 600, 0.2, 0.4, 0.15, 300, 1, 3, false},  // half a period: no period
        {0.0, 240, 0, 0.4, 0.20, 600, 1, 5, false},    // no periodic error at all
    };
    for (const TraceCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "amplitude " << c.amplitude << " period " << c.period << " span "
                                        << c.spanS);
        const AssistantResult r = AnalyseTrace(Synthetic(c));
        EXPECT_EQ(r.frames, int(std::lround(c.spanS / c.frameS)) + 1);
        EXPECT_EQ(r.periodKnown, c.periodKnown);
        if (c.periodKnown) {
            EXPECT_NEAR(r.peAmplitudePx, c.amplitude, 0.05 * c.amplitude);
            EXPECT_NEAR(r.pePeriodS, c.period, 0.03 * c.period);
            EXPECT_NEAR(r.raDriftPxPerMin, c.raDriftPerMin, 0.05);
        } else {
            EXPECT_EQ(r.pePeriodS, 0);
        }
        if (c.amplitude == 0) {
            EXPECT_LT(r.peAmplitudePx, 0.1);
        }
        EXPECT_NEAR(r.decDriftPxPerMin, c.decDriftPerMin, 0.03);
        EXPECT_NEAR(r.seeingPx, c.noise, 0.1 * c.noise);
        EXPECT_DOUBLE_EQ(r.minMovePx, 1.5 * r.seeingPx);
    }
    EXPECT_EQ(AnalyseTrace(std::vector<AssistantSample>(5)).seeingPx, 0);  // too few frames
}

TEST(GuideAssistantTest, AxesPolarRuleAndTheClosingLine) {
    // West and North pulse vectors (px/s); the offset 2 W + 1 N (unit vectors).
    struct Axes {
        double wDeg, nDeg;
    } axes[] = {{30, 120}, {0, 80}, {-150, -60}};
    for (const Axes& a : axes) {
        GuiderTrainingResult t;
        const double w = a.wDeg * kPi / 180, n = a.nDeg * kPi / 180;
        t.rx = 3 * std::cos(w), t.ry = 3 * std::sin(w), t.dx = 2 * std::cos(n), t.dy = 2 * std::sin(n);
        double ra = 0, dec = 0;
        ResolveOnAxes(2 * std::cos(w) + std::cos(n), 2 * std::sin(w) + std::sin(n), &t, ra, dec);
        EXPECT_NEAR(ra, 2, 1e-9) << a.wDeg;
        EXPECT_NEAR(dec, 1, 1e-9) << a.wDeg;
    }
    double ra = 0, dec = 0;
    ResolveOnAxes(0.5, -0.25, nullptr, ra, dec);
    EXPECT_EQ(ra, 0.5);
    EXPECT_EQ(dec, -0.25);

    // 1 arcsec/min of drift at Dec 0 is 3.81 arcmin of polar error, twice
    // that at Dec 60; no scale, no figure.
    EXPECT_NEAR(PolarErrorArcmin(0.5, 2.0), 3.81, 0.01);
    EXPECT_NEAR(PolarErrorArcmin(-0.5, 2.0, 60), 7.62, 0.02);
    EXPECT_EQ(PolarErrorArcmin(0.5, 0), 0);

    AssistantResult r;
    r.periodKnown = true;
    r.peAmplitudePx = 1.5904;
    r.pePeriodS = 240.26;
    r.decDriftPxPerMin = -0.3987;
    r.seeingPx = 0.1526;
    r.minMovePx = 0.2289;
    EXPECT_EQ(AssistantLine(r, 0.8),
              "pe_amplitude_px=1.590 pe_period_s=240.3 drift_px_per_min=-0.399 seeing_px=0.153 guider_scale=0.800 "
              "min_move_px=0.229");
    r.periodKnown = false;
    EXPECT_NE(AssistantLine(r, 1).find(" pe_period_s=unknown "), std::string::npos);
    EXPECT_EQ(AssistantReport(r, 0).find("polar"), std::string::npos);
    EXPECT_NE(AssistantReport(r, 2.0).find("polar alignment error: 3.0 arcmin"), std::string::npos);
}

std::map<std::string, std::string> Words(const std::string& line) {
    std::map<std::string, std::string> out;
    std::istringstream in(line);
    std::string word;
    while (in >> word)
        if (const size_t eq = word.find('='); eq != std::string::npos) out[word.substr(0, eq)] = word.substr(eq + 1);
    return out;
}

class GuideAssistantCliTest : public VelmoraTest {};

// Trained first on a turned, scaled guider head: the truth line is the
// guider's, the trace is read on the trained axes and the figures come out
// in guider pixels (periodic error 2 px x 0.5, drift 1 px/min x 0.5).
TEST_F(GuideAssistantCliTest, UnguidedRunEndsWithTheAssistantLine) {
    const CliResult r = RunVelmoraCli(
        VELMORA_CLI, home,
        "guide-assistant --simulate --guider --train --minutes 5 --focal-length 800 --sim-rate 3 --sim-pe 2:120 "
        "--sim-drift 1 --sim-seeing 0.2 --sim-guider-scale 0.5 --sim-guider-angle 30 --seed 3");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("true_rate=1.500 true_angle_deg=-150.00"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("axes: trained R.A./Dec"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\npolar alignment error: "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("\nrecommended minimum move: "), std::string::npos) << r.output;
    std::string last = r.output.substr(0, r.output.size() - 1);
    last = last.substr(last.rfind('\n') + 1);
    auto v = Words(last);
    ASSERT_EQ(v.size(), 6u) << last;
    ASSERT_EQ(last.rfind("pe_amplitude_px=", 0), 0u) << last;
    EXPECT_NEAR(std::stod(v["pe_amplitude_px"]), 1.0, 0.2);
    EXPECT_NEAR(std::stod(v["pe_period_s"]), 120, 24);
    EXPECT_NEAR(std::fabs(std::stod(v["drift_px_per_min"])), 0.5, 0.1);
    EXPECT_NEAR(std::stod(v["seeing_px"]), 0.2, 0.07);
    EXPECT_EQ(v["guider_scale"], "0.500");
    EXPECT_NEAR(std::stod(v["min_move_px"]), 1.5 * std::stod(v["seeing_px"]), 0.002);

    const CliResult m = RunVelmoraCli(VELMORA_CLI, home, "guide-assistant --simulate --main --minutes 1 --seed 3");
    ASSERT_EQ(m.status, 0) << m.output;
    EXPECT_NE(m.output.find("axes: camera x/y"), std::string::npos) << m.output;
    EXPECT_NE(m.output.find(" guider_scale=1.000 "), std::string::npos) << m.output;
    EXPECT_NE(RunVelmoraCli(VELMORA_CLI, home, "guide-assistant --simulate --ao --minutes 1").status, 0);
}

}  // namespace
