// The smooth rule's calibration fit and its correction rule, fed scripted
// positions and errors.
#include "guiding/smooth_calibration.h"
#include "guiding/smooth_rule.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace {

// A mount of the test's own: each axis moves the picture along its vector
// while driven, after the slack (seconds of drive) a reversal takes up.
struct TestMount {
    double x = 100, y = 100;
    double ra[2], dec[2];  // px/s when driven West / North
    double slackS = 0;
    double noisePx = 0;
    int raLast = 0, decLast = 0;
    unsigned seed = 1;
    double Noise() {  // uniform, RMS noisePx
        seed = seed * 1103515245u + 12345u;
        return noisePx * std::sqrt(12.0) * (double((seed >> 8) & 0xFFFF) / 65536.0 - 0.5);
    }
    void Drive(char d, int ms) {
        const bool isRa = d == 'w' || d == 'e';
        const int dir = (d == 'w' || d == 'n') ? 1 : -1;
        int& last = isRa ? raLast : decLast;
        double s = ms * 0.001;
        if (last != 0 && last != dir) s = std::max(0.0, s - slackS);
        last = dir;
        const double* v = isRa ? ra : dec;
        x += dir * v[0] * s;
        y += dir * v[1] * s;
    }
    StarPosition Seen() { return StarAt(x + Noise(), y + Noise()); }
};

TEST(SmoothCalibrationTest, FitsRatesAngleSkewAndBacklash) {
    struct Case {
        const char* name;
        double rate, angleDeg, decAngleDeg;  // Dec axis at angle + decAngleDeg
        double slackS, noisePx;
        double wantBacklashPx;               // 0: none kept
        bool suspect;
    };
    const Case cases[] = {
        {"plain", 3, 0, 90, 0, 0, 0, false},
        {"rotated", 2, 30, 90, 0, 0.05, 0, false},
        {"mirrored", 3, -150, -90, 0, 0.05, 0, false},
        {"backlash", 3, 45, 90, 0.6, 0.05, 1.8, false},
        {"backlash in the noise", 3, 45, 90, 0.05, 0.1, 0, false},
        {"noisy", 3, 0, 90, 0, 1.5, -1, true},
        {"skewed", 3, 0, 75, 0, 0.05, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestMount m;
        const double a = c.angleDeg * M_PI / 180, b = (c.angleDeg + c.decAngleDeg) * M_PI / 180;
        m.ra[0] = c.rate * std::cos(a);
        m.ra[1] = c.rate * std::sin(a);
        m.dec[0] = c.rate * std::cos(b);
        m.dec[1] = c.rate * std::sin(b);
        m.slackS = c.slackS;
        m.noisePx = c.noisePx;
        SmoothCalibration cal(m.Seen(), 500, 290, 8);
        TrainingStep step;
        int steps = 0;
        while (cal.Next(step)) {
            ASSERT_EQ(step.drive, TrainingStep::Drive::Pulse);
            m.Drive(step.direction, step.amount);
            cal.Measured(m.Seen());
            ASSERT_LT(++steps, 100);
        }
        // Probes of 0.5 s until 2 px, then steps of about 3 px.
        const SmoothCalibrationFit f = cal.Result();
        ASSERT_TRUE(f.set.moved);
        EXPECT_EQ(f.quality.suspect, c.suspect);
        EXPECT_TRUE(f.quality.fitted);
        if (c.noisePx > 1) continue;
        EXPECT_NEAR(cal.StepMs(), 3000 / c.rate, 3000 / c.rate * 0.25);
        EXPECT_NEAR(f.set.rx, m.ra[0], 0.03 * c.rate);
        EXPECT_NEAR(f.set.ry, m.ra[1], 0.03 * c.rate);
        EXPECT_NEAR(f.set.dx, m.dec[0], 0.03 * c.rate);
        EXPECT_NEAR(f.set.dy, m.dec[1], 0.03 * c.rate);
        EXPECT_NEAR(f.set.theta * 180 / M_PI, c.angleDeg, 0.5);
        EXPECT_NEAR(f.quality.orthogonalityDeg, std::fabs(90 - std::fabs(c.decAngleDeg)), 0.5);
        EXPECT_LT(f.quality.raSpreadPx, 0.1 + 2 * c.noisePx);
        EXPECT_NEAR(f.set.raBacklash, c.wantBacklashPx, 0.25);
        EXPECT_NEAR(f.set.decBacklash, c.wantBacklashPx, 0.25);
    }
}

TEST(SmoothCalibrationTest, AStarThatNeverMovesFitsNothing) {
    SmoothCalibration cal(StarAt(100, 100), 500, 290, 8);
    TrainingStep step;
    int steps = 0;
    while (cal.Next(step)) {
        cal.Measured(StarAt(100, 100));
        ++steps;
    }
    EXPECT_EQ(steps, SmoothCalibration::kMaxProbes);
    EXPECT_FALSE(cal.Moved());
    EXPECT_FALSE(cal.Result().set.moved);
}

// Scripted errors, 2 px/s on both axes, camera x along R.A., y along Dec:
// the error in pixels is the correction in pixels, 500 ms a pixel.
TEST(SmoothRuleTest, ScriptedErrorsGivePulses) {
    struct Frame {
        double ex, ey;
        char raDir;
        int raMs;
        char decDir;
        int decMs;
        bool clipped = false;
    };
    struct Case {
        const char* name;
        SmoothParams p;
        double decBacklashPx;
        std::vector<Frame> frames;
    };
    auto params = [](double aggr, double minMove, double hyst, double maxMs, double reversal) {
        SmoothParams p;
        p.raAggressiveness = p.decAggressiveness = aggr;
        p.raMinMovePx = p.decMinMovePx = minMove;
        p.raHysteresis = p.decHysteresis = hyst;
        p.raMaxPulseMs = p.decMaxPulseMs = maxMs;
        p.decReversalFrames = reversal;
        return p;
    };
    const Case cases[] = {
        {"min move", params(1, 0.2, 0, 5000, 1), 0,
         {{0.1, -0.15, 0, 0, 0, 0}, {0.5, -0.3, 'w', 250, 's', 150}, {-0.19, 0, 0, 0, 0, 0}}},
        {"aggressiveness", params(0.5, 0, 0, 5000, 1), 0, {{1, -2, 'w', 250, 's', 500}, {-1, 0, 'e', 250, 0, 0}}},
        {"hysteresis", params(1, 0, 0.5, 5000, 1), 0,
         {{1, 0, 'w', 250, 0, 0}, {1, 0, 'w', 375, 0, 0}, {0, 0, 'w', 188, 0, 0}}},
        {"max pulse", params(1, 0, 0, 300, 1), 0, {{2, -0.4, 'w', 300, 's', 200, true}, {0.5, 0, 'w', 250, 0, 0}}},
        // The gears rest South after the calibration: North is a reversal.
        {"dec reversal", params(1, 0, 0, 5000, 2), 0,
         {{0, 1, 0, 0, 0, 0},
          {0, 1, 0, 0, 'n', 500},
          {0, -1, 0, 0, 0, 0},
          {0, 1, 0, 0, 'n', 500},
          {0, -1, 0, 0, 0, 0},
          {0, -1, 0, 0, 's', 500}}},
        {"dec backlash", params(1, 0, 0, 5000, 1), 1,
         {{0, 1, 0, 0, 'n', 1000}, {0, 1, 0, 0, 'n', 500}, {0, -0.5, 0, 0, 's', 750}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrainedCalibration cal;
        cal.rx = 2;
        cal.ry = 0;
        cal.dx = 0;
        cal.dy = 2;
        cal.decBacklash = c.decBacklashPx;
        SmoothRule rule(cal, c.p);
        double t = 0;
        for (const Frame& f : c.frames) {
            const SmoothPulses out = rule.Step(f.ex, f.ey, t += 1.5);
            EXPECT_EQ(out.ra.Send() ? out.ra.direction : 0, f.raDir) << t;
            EXPECT_EQ(out.ra.Send() ? out.ra.ms : 0, f.raMs) << t;
            EXPECT_EQ(out.dec.Send() ? out.dec.direction : 0, f.decDir) << t;
            EXPECT_EQ(out.dec.Send() ? out.dec.ms : 0, f.decMs) << t;
            EXPECT_EQ(out.ra.clipped || out.dec.clipped, f.clipped) << t;
        }
    }
}

TEST(SmoothRuleTest, PredictorLearnsASine) {
    // The mount alone: 2 px over 240 s in R.A.; nothing corrected.
    PeriodicPredictor p(240);
    auto pe = [](double t) { return 2 * std::sin(2 * M_PI * t / 240) + 0.01 * t; };
    EXPECT_EQ(p.Predict(0, 1.5), 0);
    double t = 0;
    for (; t < 480; t += 1.5) p.Observe(t, pe(t));
    ASSERT_TRUE(p.Ready());
    for (double at : {480.0, 540.0, 600.0})
        EXPECT_NEAR(p.Predict(at, 1.5), pe(at + 1.5) - pe(at), 0.005) << at;
}

TEST(SmoothRuleTest, PredictionLowersTheErrorOfAPeriodicMount) {
    // A closed loop of the test's own: the mount's periodic error moves the
    // star, every correction moves it back by the pulse at 2 px/s.
    auto run = [](double wormS) {
        SmoothParams p;
        p.wormPeriodS = wormS;
        p.predictorWeight = 1;
        TrainedCalibration cal;
        cal.rx = 2;
        cal.dy = 2;
        cal.ry = cal.dx = 0;
        SmoothRule rule(cal, p);
        double star = 0, sum2 = 0;
        int n = 0;
        for (double t = 0; t < 1200; t += 1.5) {
            // The first frame is the reference.
            const SmoothPulses out = rule.Step(-star, 0, t);
            if (out.ra.Send()) star += (out.ra.direction == 'w' ? 2 : -2) * out.ra.ms * 0.001;
            star += 4 * (std::sin(2 * M_PI * (t + 1.5) / 200) - std::sin(2 * M_PI * t / 200));
            if (t > 600) {
                sum2 += star * star;
                ++n;
            }
        }
        return std::sqrt(sum2 / n);
    };
    const double without = run(0), with = run(200);
    EXPECT_GT(without, 0.15);
    EXPECT_LT(with, without / 2);
}

}  // namespace
