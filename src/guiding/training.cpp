#include "guiding/training.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr const char* kCaption = "Auto Guider Camera Control - Training / ";

double Pos(const StarPosition& p, bool y) { return y ? p.Y() : p.X(); }

}  // namespace

int16_t StoreRounded(double v) {
    if (!std::isfinite(v)) return v > 0 ? 32767 : -32768;
    return int16_t(std::clamp(std::lround(v), -32768L, 32767L));
}

// ---- Main camera ----------------------------------------------------------

MainTraining::MainTraining(int seconds, int raHysteresis, int decHysteresis, bool settleRelays,
                           const StarPosition& start)
    : t_(seconds < 1 ? 1 : seconds), raHyst_(raHysteresis), decHyst_(decHysteresis),
      relaySteps_(settleRelays ? 4 : 0) {
    pos_.push_back(start);
}

bool MainTraining::Next(TrainingStep& step) const {
    if (Done()) return false;
    step = TrainingStep{};
    if (index_ < relaySteps_) {
        static const char relay[4] = {'n', 's', 'e', 'w'};
        step.caption = "Train Auto-Guiding";
        step.drive = TrainingStep::Drive::Relay;
        step.direction = relay[index_];
        step.amount = 100;
        step.measure = false;
        return true;
    }
    const int move = index_ - relaySteps_;  // 0..7
    static const char dirs[8] = {'n', 'n', 's', 's', 'e', 'e', 'w', 'w'};
    step.caption = "Train Auto-Guiding";
    step.drive = TrainingStep::Drive::Pulse;
    step.direction = dirs[move];
    step.amount = t_ * 1000 - (move < 4 ? decHyst_ : raHyst_);
    // Every search starts at the last known position: the Dec moves keep
    // the first search's x, the first R.A. move starts from x₀ and the others
    // follow the star (at 10 px or more per pulse a search at x₀ would miss
    // it).
    const StarPosition& last = pos_.back();
    step.searchX = move <= 4 ? pos_[0].x : last.x;
    step.searchY = last.y;
    return true;
}

void MainTraining::Measured(const StarPosition& p) {
    if (Done()) return;
    pos_.push_back(p);
    ++index_;
}

bool MainTraining::Done() const { return index_ >= relaySteps_ + 8; }

MainTrainingResult MainTraining::Result() const {
    MainTrainingResult r;
    if (!Done()) return r;
    const double T = t_;
    auto y = [&](int k) { return pos_[size_t(k)].Y(); };                  // y0 .. y4
    auto x = [&](int k) { return k == 0 ? pos_[0].X() : pos_[size_t(4 + k)].X(); };  // x0 .. x4
    r.raRate = (std::fabs(x(1) - x(2)) + std::fabs(x(3) - x(4))) / (2 * T);
    r.raBacklash = (std::fabs(x(0) - x(4)) + std::fabs(x(1) - x(3))) / (2 * T);
    const double d12 = std::fabs(y(1) - y(2)), d34 = std::fabs(y(3) - y(4));
    r.decRate = (d12 > d34 ? d12 : d34) / T;
    const double b13 = std::fabs(y(1) - y(3)), b04 = std::fabs(y(0) - y(4));
    r.decBacklash = (b13 > b04 ? b13 : b04) / T;
    r.storedRaRate = StoreRounded(r.raRate);
    r.storedDecRate = StoreRounded(r.decRate);
    if (r.storedRaRate == 0) r.storedRaRate = 1;
    if (r.storedDecRate == 0) r.storedDecRate = 1;
    r.storedRaBacklash = StoreRounded(r.raBacklash);
    r.storedDecBacklash = StoreRounded(r.decBacklash);
    return r;
}

std::string MainTrainingResult::Summary() const {
    char text[160];
    std::snprintf(text, sizeof text, "slewx = %5d, slewy = %5d\nbacklashx = %5d, backlashy = %5d", storedRaRate,
                  storedDecRate, storedRaBacklash, storedDecBacklash);
    return text;
}

// ---- Guider camera --------------------------------------------------------

GuiderTraining::GuiderTraining(int seconds, const StarPosition& selected, int frameWidth, int frameHeight,
                               int radius)
    : t_(seconds < 1 ? 1 : seconds), width_(frameWidth), height_(frameHeight), radius_(radius) {
    pos_.push_back(selected);
}

bool GuiderTraining::Done() const { return index_ >= 9; }

bool GuiderTraining::Next(TrainingStep& step) const {
    if (Done()) return false;
    step = TrainingStep{};
    const int T = t_;
    struct Row {
        const char* caption;
        char dir;
        int ms;
    };
    static const Row rows[9] = {
        {"slewing West", 'w', 100},          {"slewing West again", 'w', 1000},
        {"slewing West third time", 'w', 1000}, {"slewing East", 'e', 1000},
        {"slewing West to stabilise", 'w', 1000}, {"pausing for 1/2 second", 0, 0},
        {"slewing North", 'n', 200},         {"slewing North again", 'n', 1000},
        {"slewing South", 's', 1000},
    };
    const Row& row = rows[index_];
    step.caption = std::string(kCaption) + row.caption;
    if (row.dir == 0) {
        step.measure = false;
        step.settleMs = 500;
        return true;
    }
    step.drive = TrainingStep::Drive::Pulse;
    step.direction = row.dir;
    step.amount = row.ms * T;
    step.settleMs = 200;
    // Positions so far: pos_[k] is the star after the k-th measured step.
    // Predictions extrapolate the measured moves in full precision: from
    // whole pixels a one-pixel truncation would be multiplied by 9.
    const StarPosition& p0 = pos_[0];
    auto at = [&](size_t k) { return pos_[std::min(k, pos_.size() - 1)]; };
    const int f = pos_.size() > 1 ? int(std::lround(9 * (at(1).X() - p0.X()))) + 1 : 1;
    const int g = pos_.size() > 1 ? int(std::lround(9 * (at(1).Y() - p0.Y()))) + 1 : 1;
    int sx = 0, sy = 0;
    switch (index_) {
        case 0: sx = p0.x; sy = p0.y; break;
        case 1: sx = at(1).x + f; sy = at(1).y + g; break;
        case 2: sx = at(2).x + f; sy = at(2).y + g; break;
        case 3:
            sx = at(3).x;
            sy = at(3).y;
            step.secondOffsetX = -f;
            step.secondOffsetY = -g;
            break;
        case 4: sx = at(4).x + f; sy = at(4).y + g; break;
        case 6: sx = at(5).x; sy = at(5).y; break;
        case 7:
            sx = at(6).x + int(std::lround(5 * (at(6).X() - at(5).X()))) + 1;
            sy = at(6).y + int(std::lround(5 * (at(6).Y() - at(5).Y()))) + 1;
            break;
        case 8: sx = at(7).x; sy = at(7).y; break;
    }
    // A predicted start is only a guess: keep its window inside the frame.
    step.searchX = std::clamp(sx, radius_, std::max(radius_, width_ - radius_ - 1));
    step.searchY = std::clamp(sy, radius_, std::max(radius_, height_ - radius_ - 1));
    return true;
}

void GuiderTraining::Measured(const StarPosition& p) {
    if (Done()) return;
    pos_.push_back(p);
    ++index_;
}

GuiderTrainingResult GuiderTraining::Result() const {
    GuiderTrainingResult r;
    r.positions = pos_;
    if (!Done() || pos_.size() < 9) return r;
    const double T = t_;
    auto X = [&](int k) { return pos_[size_t(k)].X(); };
    auto Y = [&](int k) { return pos_[size_t(k)].Y(); };
    // Rates from the full pulses after the first, short one that takes up
    // the gear's slack: steps 2 and 3 (2T seconds West), step 8 (T seconds
    // North).
    r.rx = (X(3) - X(1)) / (2 * T);
    r.ry = (Y(3) - Y(1)) / (2 * T);
    r.dx = (X(7) - X(6)) / T;
    r.dy = (Y(7) - Y(6)) / T;
    r.theta = std::atan2(r.ry, r.rx);
    r.moved = std::hypot(X(3) - X(1), Y(3) - Y(1)) >= kLeastTrainingMove &&
              std::hypot(X(7) - X(6), Y(7) - Y(6)) >= kLeastTrainingMove;
    r.quadrant = (r.ry < 0 && r.rx < 0) ? 3 : ((r.ry < 0) != (r.rx < 0) ? 2 : 1);
    r.raRate = std::max(1.0, std::hypot(r.rx, r.ry));
    r.decRate = std::max(1.0, std::hypot(r.dx, r.dy));
    r.bx = std::fabs(X(3) - (X(4) + r.rx * T));
    r.by = std::fabs(Y(3) - (Y(4) + r.ry * T));
    r.bdx = std::fabs(X(7) - (X(8) + r.dx * T));
    r.bdy = std::fabs(Y(7) - (Y(8) + r.dy * T));
    r.raBacklash = std::hypot(r.bx, r.by);
    r.decBacklash = std::hypot(r.bdx, r.bdy);
    // Positions come in tenths: a magnitude of 1 computed as 0.99999... is 1.
    if (r.raBacklash < 1 - 1e-9) r.raBacklash = 0;
    if (r.decBacklash < 1 - 1e-9) r.decBacklash = 0;
    r.storedRaRate = std::max<int16_t>(1, StoreRounded(r.raRate));
    r.storedDecRate = std::max<int16_t>(1, StoreRounded(r.decRate));
    r.storedRaBacklash = StoreRounded(r.raBacklash);
    r.storedDecBacklash = StoreRounded(r.decBacklash);
    return r;
}

int WholeDegrees(double radians) { return StoreRounded(radians * 180 / M_PI); }
double DegreesToRadians(double degrees) { return degrees * M_PI / 180; }

int GuiderTrainingResult::ThetaDegrees() const { return WholeDegrees(theta); }

std::string GuiderTrainingResult::Summary() const {
    char text[400];
    std::snprintf(text, sizeof text,
                  "slew RA = %5d,%5d, %5d\nslew Dec = %5d, %5d, %5d\nbacklash RA = %5d, %5d, %5d\n"
                  "backlash Dec = %5d, %5d, %5d\nTheta = %5d",
                  StoreRounded(rx), StoreRounded(ry), storedRaRate, StoreRounded(dx), StoreRounded(dy), storedDecRate,
                  StoreRounded(bx), StoreRounded(by), storedRaBacklash, StoreRounded(bdx), StoreRounded(bdy),
                  storedDecBacklash, ThetaDegrees());
    return text;
}

// ---- AO -------------------------------------------------------------------

AoTraining::AoTraining(const StarPosition& selected, const char aoLetters[4]) {
    for (int i = 0; i < 4; ++i) letters_[i] = aoLetters[i];
    pos_.push_back(selected);
}

bool AoTraining::Done() const { return index_ >= 4; }

bool AoTraining::Next(TrainingStep& step) const {
    if (Done()) return false;
    step = TrainingStep{};
    // Settings order: +y, non-positive y, non-positive x, +x.
    struct Row {
        const char* caption;
        int letter;
        int wait;
    };
    static const Row rows[4] = {
        {"slewing West", 3, 250}, {"slewing East", 2, 250}, {"slewing North", 0, 250}, {"slewing South", 1, 50}};
    const Row& row = rows[index_];
    step.caption = std::string(kCaption) + row.caption;
    step.drive = TrainingStep::Drive::Ao;
    step.direction = letters_[row.letter];
    step.amount = kSteps;
    step.settleMs = row.wait;
    step.searchX = pos_[0].x;
    step.searchY = pos_[0].y;
    return true;
}

void AoTraining::Measured(const StarPosition& p) {
    if (Done()) return;
    pos_.push_back(p);
    ++index_;
}

AoTrainingResult AoTraining::Result() const {
    AoTrainingResult r;
    r.positions = pos_;
    if (!Done()) return r;
    auto X = [&](int k) { return pos_[size_t(k)].X(); };
    auto Y = [&](int k) { return pos_[size_t(k)].Y(); };
    const double a = (2 * X(1) - X(0) - X(2)) / 2, b = (2 * Y(1) - Y(0) - Y(2)) / 2;
    const double c = (2 * X(3) - X(2) - X(4)) / 2, d = (2 * Y(3) - Y(2) - Y(4)) / 2;
    const double ra = std::hypot(a, b), dec = std::hypot(c, d);
    // A unit that did not move the star measured no gain: the training fails.
    r.moved = ra >= kLeastTrainingMove && dec >= kLeastTrainingMove;
    if (!r.moved) return r;
    r.raGain = kSteps / ra;
    r.decGain = kSteps / dec;
    r.storedRaGain = std::max<int16_t>(1, StoreRounded(r.raGain));
    r.storedDecGain = std::max<int16_t>(1, StoreRounded(r.decGain));
    return r;
}

std::string AoTrainingResult::Summary() const {
    char text[400];
    int n = std::snprintf(text, sizeof text, "slew RA = %5d,%5d, %5d\nslew Dec = %5d, %5d, %5d\n", storedRaGain, 0,
                          storedRaGain, storedDecGain, 0, storedDecGain);
    for (size_t i = 0; i < positions.size() && i < 5 && n > 0 && n < int(sizeof text); ++i)
        n += std::snprintf(text + n, sizeof text - size_t(n), "pos %d = %5d, %5d\n", int(i + 1), positions[i].x,
                           positions[i].y);
    return text;
}
