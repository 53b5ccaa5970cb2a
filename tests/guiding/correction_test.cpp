#include "guiding/correction.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

TEST(GuideErrorTest, TenthsCountAndLargeOffsetsSaturateInsteadOfWrapping) {
    EXPECT_EQ(GuideError(100, 3, 99, 8), 500);     // 1000 - 500
    EXPECT_EQ(GuideError(100, 0, 101, 2), -1200);
    EXPECT_EQ(GuideError(100, 0, 60, 0), 32767);   // 40 px: would wrap to -25536
    EXPECT_EQ(GuideError(10, 0, 80, 0), -32768);   // -70 px: would wrap to +520
}

TEST(PulseTest, HysteresisThatLeavesNothingSendsNothing) {
    GuiderDefaultCalibration cal;
    cal.raRate = 6;
    cal.raHysteresis = 1;  // 100 ms
    struct Case {
        int16_t ex;
        int32_t length;
        bool send;
    } cases[] = {{600, 0, false}, {540, -10, false}, {700, 16, true}, {-700, 16, true}};
    for (const Case& c : cases) {
        DirectionMemory m{'e', 'n'};
        if (c.ex < 0) m.lastX = 'w';
        const Correction r = GuiderDefaultCorrection(c.ex, 0, cal, m);
        EXPECT_TRUE(r.x.act);
        EXPECT_EQ(r.x.lengthMs, c.length) << c.ex;
        EXPECT_EQ(r.x.Send(), c.send) << c.ex;
    }
}

TEST(PulseTest, BacklashIsAddedOnTheFirstReversalOnly) {
    GuiderDefaultCalibration cal;
    cal.raRate = 6;
    cal.raBacklash = 2;
    DirectionMemory m{'e', 0};
    // Reversal to 'w': |-600 - 2000| / 6 = 433.
    Correction r = GuiderDefaultCorrection(-600, 0, cal, m);
    EXPECT_EQ(r.x.direction, 'w');
    EXPECT_EQ(r.x.lengthMs, 433);
    EXPECT_EQ(m.lastX, 'w');
    r = GuiderDefaultCorrection(-600, 0, cal, m);
    EXPECT_EQ(r.x.lengthMs, 100);
    // And back: (600 + 2000) / 6 = 433 again.
    r = GuiderDefaultCorrection(600, 0, cal, m);
    EXPECT_EQ(r.x.direction, 'e');
    EXPECT_EQ(r.x.lengthMs, 433);
}

// The last directions start as East and North: a first correction East or
// North has no backlash, a first one West or South has it. Backlash 2 px
// (R.A.) and 1 px (Dec), rates 6 px/s, default letters.
TEST(PulseTest, FirstCorrectionCarriesBacklashOnlyWestOrSouth) {
    struct Case {
        int16_t ex, ey;
        char dirX, dirY;
        int32_t msX, msY;
    } cases[] = {
        {600, 600, 'e', 'n', 100, 100},
        {-600, -600, 'w', 's', 433, 266},  // (600 + 2000) / 6, (600 + 1000) / 6
        {600, -600, 'e', 's', 100, 266},
    };
    GuiderDefaultCalibration guider;
    MainCameraCalibration main;
    guider.raRate = guider.decRate = main.raRate = main.decRate = 6;
    guider.raBacklash = main.raBacklash = 2;
    guider.decBacklash = main.decBacklash = 1;
    for (const Case& c : cases) {
        DirectionMemory fresh1, fresh2;
        for (const Correction& r :
             {GuiderDefaultCorrection(c.ex, c.ey, guider, fresh1), MainCameraCorrection(c.ex, c.ey, main, fresh2)}) {
            EXPECT_EQ(r.x.direction, c.dirX) << c.ex;
            EXPECT_EQ(r.y.direction, c.dirY) << c.ey;
            EXPECT_EQ(r.x.lengthMs, c.msX) << c.ex;
            EXPECT_EQ(r.y.lengthMs, c.msY) << c.ey;
        }
    }
}

TEST(PulseTest, GuiderThresholdsAndRange) {
    GuiderDefaultCalibration cal;
    struct Case {
        bool ignoreDrift;
        int threshold;
        int16_t e;
        bool act;
    } cases[] = {
        {true, 500, 500, false}, {true, 500, 501, true}, {true, 500, -501, true},
        {false, 500, 30, false}, {false, 500, 31, true}, {true, 200, 201, true},
    };
    for (const Case& c : cases) {
        cal.ignoreDrift = c.ignoreDrift;
        cal.driftThreshold = c.threshold;
        DirectionMemory m;
        const Correction r = GuiderDefaultCorrection(c.e, c.e, cal, m);
        EXPECT_EQ(r.x.act, c.act) << c.e;
        EXPECT_EQ(r.y.act, c.act) << c.e;
    }
    DirectionMemory m;
    EXPECT_TRUE(GuiderDefaultCorrection(8001, 0, cal, m).ignored);
    EXPECT_FALSE(GuiderDefaultCorrection(8000, -8000, cal, m).ignored);
}

TEST(PulseTest, NorthOffSkipsNorthButStillCorrectsRa) {
    GuiderDefaultCalibration cal;
    cal.noNorth = true;
    DirectionMemory m;
    Correction r = GuiderDefaultCorrection(900, 900, cal, m);  // +y letter 'n'
    EXPECT_TRUE(r.x.Send());
    EXPECT_FALSE(r.y.act);
    r = GuiderDefaultCorrection(900, -900, cal, m);  // 's' still goes
    EXPECT_EQ(r.y.direction, 's');
    EXPECT_TRUE(r.y.Send());
    cal.noNorth = false;
    cal.noSouth = true;
    r = GuiderDefaultCorrection(0, -900, cal, m);
    EXPECT_FALSE(r.y.act);
}

TEST(PulseTest, MainCameraThresholds) {
    MainCameraCalibration cal;
    struct Case {
        bool ignoreDrift;
        int16_t ex, ey;
        bool actX, actY;
    } cases[] = {
        {true, 1000, 3000, false, false}, {true, 1001, 3000, true, false},
        {false, 50, 30, false, false},    {false, 51, 31, true, true},
    };
    for (const Case& c : cases) {
        cal.ignoreDrift = c.ignoreDrift;
        DirectionMemory m;
        const Correction r = MainCameraCorrection(c.ex, c.ey, cal, m);
        EXPECT_EQ(r.x.act, c.actX) << c.ex;
        EXPECT_EQ(r.y.act, c.actY) << c.ey;
    }
    DirectionMemory m;
    EXPECT_TRUE(MainCameraCorrection(5001, 0, cal, m).ignored);
    // 2 px/s: 1001 / 2 = 500 ms, East for a positive x error.
    cal.ignoreDrift = false;
    const Correction r = MainCameraCorrection(1001, -61, cal, m);
    EXPECT_EQ(r.x.direction, 'e');
    EXPECT_EQ(r.x.lengthMs, 500);
    EXPECT_EQ(r.y.direction, 's');
    EXPECT_EQ(r.y.lengthMs, 30);
}

TEST(PulseTest, AoActsAboveThirtyWithTheGain) {
    const std::array<char, 4> letters{'n', 's', 'e', 'w'};
    AoCorrection a = AoCorrectionFor(30, -30, 6, 6, letters);
    EXPECT_FALSE(a.actX);
    EXPECT_FALSE(a.actY);
    a = AoCorrectionFor(31, -31, 40, 6, letters);
    EXPECT_TRUE(a.actX);
    EXPECT_EQ(a.letterX, 'w');
    EXPECT_EQ(a.stepsX, 1);  // 31 x 40 / 1000
    EXPECT_EQ(a.letterY, 's');
    EXPECT_EQ(a.stepsY, 0);  // acts, but no step to send
    a = AoCorrectionFor(-2000, 2000, 6, 7, letters);
    EXPECT_EQ(a.letterX, 'e');
    EXPECT_EQ(a.stepsX, 12);
    EXPECT_EQ(a.letterY, 'n');
    EXPECT_EQ(a.stepsY, 14);
    EXPECT_TRUE(AoCorrectionFor(-8001, 0, 6, 6, letters).ignored);
}

// A mount seen through a camera turned by `deg`: West moves the picture
// along (cos, sin), North along (sin, -cos), at 3 px/s. For a star pushed in
// each of eight directions, the trained correction must bring it back: the
// residual after applying the pulses (with the model written here, not the
// code's) is below 0.01 px.
TEST(TrainedCorrectionTest, DrivesTheStarBackAtAnyCameraAngle) {
    for (double deg : {0.0, 30.0, 90.0, 200.0}) {
        const double t = deg * M_PI / 180, rate = 3;
        TrainedCalibration cal;
        cal.rx = rate * std::cos(t);
        cal.ry = rate * std::sin(t);
        cal.dx = rate * std::sin(t);
        cal.dy = -rate * std::cos(t);
        for (int k = 0; k < 8; ++k) {
            const double a = k * M_PI / 4;
            const double offX = 1.5 * std::cos(a), offY = 1.5 * std::sin(a);  // star displaced by
            const int16_t ex = int16_t(std::lround(-offX * 1000)), ey = int16_t(std::lround(-offY * 1000));
            DirectionMemory m{'w', 'n'};
            const Correction c = TrainedCorrection(ex, ey, cal, m);
            double x = offX, y = offY;
            auto apply = [&](const AxisPulse& p) {
                if (!p.Send()) return;
                const double s = p.lengthMs / 1000.0 * rate;
                switch (p.direction) {
                    case 'w': x += s * std::cos(t); y += s * std::sin(t); break;
                    case 'e': x -= s * std::cos(t); y -= s * std::sin(t); break;
                    case 'n': x += s * std::sin(t); y -= s * std::cos(t); break;
                    case 's': x -= s * std::sin(t); y += s * std::cos(t); break;
                }
            };
            apply(c.x);
            apply(c.y);
            EXPECT_NEAR(x, 0, 0.01) << deg << " deg, direction " << k;
            EXPECT_NEAR(y, 0, 0.01) << deg << " deg, direction " << k;
        }
    }
}

// The trained correction divides by each vector's magnitude, at least 1
// px/s: a Dec vector of 0 no longer asks for 2,000,000 ms, and a 0.5 px/s
// vector pulses as if it were 1 px/s.
TEST(TrainedCorrectionTest, RatesBelowOnePixelPerSecondCountAsOne) {
    struct Case {
        double rx, ry, dx, dy;
        int16_t ex, ey;
        char dirX, dirY;
        int32_t msX, msY;
    } cases[] = {
        {3, 0, 0, 0, 0, 2000, 'e', 'n', 0, 2000},
        {0.5, 0, 0, -3, 1000, 0, 'w', 'n', 1000, 0},
    };
    for (const Case& c : cases) {
        TrainedCalibration cal;
        cal.rx = c.rx;
        cal.ry = c.ry;
        cal.dx = c.dx;
        cal.dy = c.dy;
        DirectionMemory m;
        const Correction r = TrainedCorrection(c.ex, c.ey, cal, m);
        EXPECT_EQ(r.x.lengthMs, c.msX) << c.rx << " " << c.dy;
        EXPECT_EQ(r.y.lengthMs, c.msY) << c.rx << " " << c.dy;
        if (r.x.Send()) EXPECT_EQ(r.x.direction, c.dirX);
        if (r.y.Send()) EXPECT_EQ(r.y.direction, c.dirY);
    }
}

TEST(TrainedCorrectionTest, MirroredPictureAndBacklash) {
    // Dec runs along +y here (a mirrored picture): North moves the star down.
    TrainedCalibration cal;
    cal.rx = 2;
    cal.ry = 0;
    cal.dx = 0;
    cal.dy = 4;
    cal.decBacklash = 1;
    DirectionMemory m{'w', 'n'};
    Correction c = TrainedCorrection(0, 2000, cal, m);  // star must move +y: North
    EXPECT_EQ(c.y.direction, 'n');
    EXPECT_EQ(c.y.lengthMs, 500);
    c = TrainedCorrection(0, -2000, cal, m);  // reversal: + 1 px backlash
    EXPECT_EQ(c.y.direction, 's');
    EXPECT_EQ(c.y.lengthMs, 750);
}

}  // namespace
