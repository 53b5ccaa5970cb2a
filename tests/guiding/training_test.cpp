#include "guiding/training.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_env.h"

namespace {

// Feeds the machine: every measuring step gets the next position.
void Feed(TrainingMachine& m, const std::vector<StarPosition>& positions, std::vector<TrainingStep>* steps = nullptr) {
    size_t next = 0;
    TrainingStep step;
    while (m.Next(step)) {
        if (steps) steps->push_back(step);
        if (!step.measure) {
            m.Skip();
            continue;
        }
        ASSERT_LT(next, positions.size());
        m.Measured(positions[next++]);
    }
    EXPECT_EQ(next, positions.size());
}

TEST(MainTrainingTest, StepsRatesAndBacklash) {
    MainTraining m(1, /*ra hysteresis*/ 5, /*dec*/ 3, /*settle relays*/ true, StarAt(50, 100));
    std::vector<TrainingStep> steps;
    Feed(m,
         {StarAt(50, 98), StarAt(50, 95), StarAt(50, 97), StarAt(50, 100),    // N, N, S, S
          StarAt(53, 100), StarAt(57, 100), StarAt(55, 100), StarAt(51, 100)},  // E, E, W, W
         &steps);
    ASSERT_EQ(steps.size(), 12u);
    const char relay[] = "nsew";
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(steps[i].drive, TrainingStep::Drive::Relay);
        EXPECT_EQ(steps[i].direction, relay[i]);
        EXPECT_EQ(steps[i].amount, 100);
    }
    const char moves[] = "nnsseeww";
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(steps[4 + i].direction, moves[i]);
        EXPECT_EQ(steps[4 + i].amount, i < 4 ? 997 : 995);
    }
    const MainTrainingResult r = m.Result();
    EXPECT_DOUBLE_EQ(r.raRate, 4);        // (4 + 4) / 2
    EXPECT_DOUBLE_EQ(r.raBacklash, 1.5);  // (1 + 2) / 2
    EXPECT_DOUBLE_EQ(r.decRate, 3);       // |y3 - y4| (not larger than |y1 - y2|)
    EXPECT_DOUBLE_EQ(r.decBacklash, 1);   // |y1 - y3|
    EXPECT_EQ(r.Summary(), "slewx =     4, slewy =     3\nbacklashx =     2, backlashy =     1");
}

TEST(MainTrainingTest, StarThatDoesNotMoveGivesRatesOneBacklashZero) {
    MainTraining m(2, 0, 0, false, StarAt(40, 40));
    Feed(m, std::vector<StarPosition>(8, StarAt(40, 40)));
    const MainTrainingResult r = m.Result();
    EXPECT_EQ(r.storedRaRate, 1);
    EXPECT_EQ(r.storedDecRate, 1);
    EXPECT_EQ(r.storedRaBacklash, 0);
    EXPECT_EQ(r.storedDecBacklash, 0);
}

// Each search starts at the last known position: the Dec moves keep x₀, the
// first R.A. move starts at x₀ and the next ones at the star's last x. At
// 12 px per pulse a search kept at x₀ would leave the star outside a window
// of radius 8.
TEST(MainTrainingTest, RaSearchesFollowTheStar) {
    MainTraining m(1, 0, 0, false, StarAt(30, 60));
    std::vector<TrainingStep> steps;
    Feed(m,
         {StarAt(31, 57), StarAt(31, 54), StarAt(31, 57), StarAt(31, 60),      // N, N, S, S
          StarAt(42, 60), StarAt(54, 60), StarAt(42, 60), StarAt(30, 60)},    // E, E, W, W: 12 px per pulse
         &steps);
    ASSERT_EQ(steps.size(), 8u);
    const int searchX[8] = {30, 30, 30, 30, 30, 42, 54, 42};
    const int searchY[8] = {60, 57, 54, 57, 60, 60, 60, 60};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(steps[i].searchX, searchX[i]) << i;
        EXPECT_EQ(steps[i].searchY, searchY[i]) << i;
    }
    EXPECT_DOUBLE_EQ(m.Result().raRate, 12);
}

// An ideal mount: West moves the picture along w, North along n (px/s).
std::vector<StarPosition> GuiderRun(double x0, double y0, double wx, double wy, double nx, double ny, double T,
                                    double eastLoss = 0) {
    std::vector<StarPosition> out;
    double x = x0, y = y0;
    auto move = [&](double s, double vx, double vy) {
        x += s * vx;
        y += s * vy;
        out.push_back(StarAt(x, y));
    };
    move(0.1 * T, wx, wy);
    move(T, wx, wy);
    move(T, wx, wy);
    move(T, -wx, -wy);
    x += eastLoss;  // the East move fell short by this much
    out.back() = StarAt(x, y);
    move(T, wx, wy);
    move(0.2 * T, nx, ny);
    move(T, nx, ny);
    move(T, -nx, -ny);
    return out;
}

TEST(GuiderTrainingTest, ThirtyDegreesThreePixelsPerSecond) {
    const double t = 30 * M_PI / 180;
    GuiderTraining m(1, StarAt(100, 100), 500, 290, 8);
    Feed(m, GuiderRun(100, 100, 3 * std::cos(t), 3 * std::sin(t), 3 * std::sin(t), -3 * std::cos(t), 1));
    const GuiderTrainingResult r = m.Result();
    EXPECT_NEAR(r.rx, 2.598, 0.1);
    EXPECT_NEAR(r.ry, 1.5, 0.1);
    EXPECT_NEAR(r.raRate, 3, 0.1);
    EXPECT_NEAR(r.decRate, 3, 0.1);
    EXPECT_NEAR(r.theta * 180 / M_PI, 30, 3);
    // Truncating the components first would store floor(sqrt(2² + 1²)) = 2.
    EXPECT_EQ(r.storedRaRate, 3);
    EXPECT_EQ(r.storedDecRate, 3);
    EXPECT_EQ(r.quadrant, 1);
    EXPECT_EQ(r.storedRaBacklash, 0);
}

// A star that did not move along an axis measured no vector: the training
// fails (and the correction never divides by a zero vector).
TEST(GuiderTrainingTest, AVectorOfLessThanHalfAPixelIsAFailedTraining) {
    struct Case {
        double wx, wy, nx, ny;
        bool moved;
    } cases[] = {
        {3, 0, 0, 0, false},     // Dec did not move the star
        {0.2, 0, 0, -3, false},  // R.A. 0.4 px over its two pulses
        {0.3, 0, 0, -3, true},   // 0.6 px
    };
    for (const Case& c : cases) {
        GuiderTraining m(1, StarAt(100, 100), 500, 290, 8);
        Feed(m, GuiderRun(100, 100, c.wx, c.wy, c.nx, c.ny, 1));
        EXPECT_EQ(m.Result().moved, c.moved) << c.wx << " " << c.nx << " " << c.ny;
    }
}

TEST(GuiderTrainingTest, BacklashOfExactlyOneIsKeptBelowOneDropped) {
    for (double loss : {1.0, 0.9}) {
        GuiderTraining m(1, StarAt(100, 100), 500, 290, 8);
        Feed(m, GuiderRun(100, 100, 3, 0, 0, -3, 1, loss));
        const GuiderTrainingResult r = m.Result();
        EXPECT_NEAR(r.bx, loss, 1e-9);
        EXPECT_EQ(r.raBacklash, loss == 1.0 ? 1.0 : 0.0) << loss;
    }
}

TEST(GuiderTrainingTest, StepTableCaptionsPulsesAndSearchStarts) {
    GuiderTraining m(2, StarAt(100, 100), 500, 290, 8);
    std::vector<TrainingStep> steps;
    // West 20 px/s: step 1 moves 4 px (0.1 x 2 s), so f = 9 x 4 + 1 = 37.
    Feed(m, GuiderRun(100, 100, 20, 0, 0, -2, 2), &steps);
    ASSERT_EQ(steps.size(), 9u);
    const char* captions[] = {"slewing West", "slewing West again", "slewing West third time", "slewing East",
                              "slewing West to stabilise", "pausing for 1/2 second", "slewing North",
                              "slewing North again", "slewing South"};
    const int ms[] = {200, 2000, 2000, 2000, 2000, 0, 400, 2000, 2000};
    const char dirs[] = {'w', 'w', 'w', 'e', 'w', 0, 'n', 'n', 's'};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(steps[i].caption, std::string("Auto Guider Camera Control - Training / ") + captions[i]);
        EXPECT_EQ(steps[i].amount, ms[i]) << i;
        EXPECT_EQ(steps[i].direction, dirs[i]) << i;
        EXPECT_EQ(steps[i].settleMs, i == 5 ? 500 : 200) << i;
    }
    EXPECT_FALSE(steps[5].measure);
    EXPECT_EQ(steps[0].searchX, 100);
    EXPECT_EQ(steps[1].searchX, 104 + 37);  // x1 + f
    EXPECT_EQ(steps[1].searchY, 100 + 1);   // y1 + g
    EXPECT_EQ(steps[3].searchX, 184);       // x3, then the result - f
    EXPECT_EQ(steps[3].secondOffsetX, -37);
    // Step 8: y6 + 5 (y6 - y5) + 1 in full precision, y moving -0.8 px:
    // 99 + 5 x (-0.8) + 1 = 96 (from whole pixels it would be 99 - 5 + 1).
    EXPECT_EQ(steps[7].searchY, 96);
}

TEST(GuiderTrainingTest, PredictedStartsStayInsideTheFrame) {
    GuiderTraining m(1, StarAt(480, 100), 500, 290, 8);
    TrainingStep step;
    ASSERT_TRUE(m.Next(step));
    m.Measured(StarAt(485, 100));  // f = 46: 485 + 46 would leave the frame
    ASSERT_TRUE(m.Next(step));
    EXPECT_EQ(step.searchX, 500 - 8 - 1);
}

TEST(AoTrainingTest, GainsFromTheFourMoves) {
    const char letters[4] = {'n', 's', 'e', 'w'};
    AoTraining m(StarAt(100, 100), letters);
    std::vector<TrainingStep> steps;
    Feed(m, {StarAt(104, 100), StarAt(100, 100), StarAt(100, 95), StarAt(100, 100)}, &steps);
    ASSERT_EQ(steps.size(), 4u);
    const char dirs[] = "wens";
    const int waits[] = {250, 250, 250, 50};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(steps[i].direction, dirs[i]);
        EXPECT_EQ(steps[i].amount, 25);
        EXPECT_EQ(steps[i].settleMs, waits[i]);
        EXPECT_EQ(steps[i].searchX, 100);
    }
    const AoTrainingResult r = m.Result();
    EXPECT_TRUE(r.moved);
    EXPECT_DOUBLE_EQ(r.raGain, 25.0 / 4);
    EXPECT_EQ(r.storedRaGain, 6);
    EXPECT_EQ(r.storedDecGain, 5);
}

// A unit that did not move the star (or moved it less than half a pixel)
// measured no gain: a failed training, not a gain of 32767.
TEST(AoTrainingTest, NoMotionIsAFailedTraining) {
    const char letters[4] = {'n', 's', 'e', 'w'};
    struct Case {
        std::vector<StarPosition> seen;
        bool moved;
    } cases[] = {
        {{StarAt(104, 100), StarAt(100, 100), StarAt(100, 100), StarAt(100, 100)}, false},   // Dec did not move
        {{StarAt(100.4, 100), StarAt(100, 100), StarAt(100, 95), StarAt(100, 100)}, false},  // R.A. 0.4 px
        {{StarAt(100.5, 100), StarAt(100, 100), StarAt(100, 95), StarAt(100, 100)}, true},
    };
    for (const Case& c : cases) {
        AoTraining m(StarAt(100, 100), letters);
        Feed(m, c.seen);
        EXPECT_EQ(m.Result().moved, c.moved) << c.seen[0].X() << " " << c.seen[2].Y();
    }
}

}  // namespace
