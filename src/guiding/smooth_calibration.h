// The smooth rule's calibration: several small steps along each axis and
// back, a straight line fitted through the measured positions against the
// drive time. Steps: short West probes until the star has moved a little
// (they take up the R.A. slack and give a first rate, from which the step
// length is chosen so that each step moves the star a few pixels), then k
// steps West, k East, one North step that takes up the Dec slack, k North
// and k South. The way out gives the rate; the way back gives it again
// (drift and periodic error enter both legs with opposite signs and cancel
// in the mean) and the backlash: how long the star lags before it moves
// back.
#pragma once
#include <vector>

#include "guiding/guider_state.h"
#include "guiding/training.h"

// One axis' two legs: out (West or North) and back, each starting with the
// position before its first step; every step drives `stepS` seconds.
struct SmoothAxisLegs {
    std::vector<StarPosition> out, back;  // back.front() is out.back()
    double stepS = 1;
};

struct SmoothAxisFit {
    double vx = 0, vy = 0;     // rate vector, pixels per second of drive (West / North)
    double spreadPx = 0;       // RMS distance of the points from the fitted lines
    double lagS = 0;           // the return leg's lag (s of drive before the star moves back)
    double backlashPx = 0;     // lag x rate, 0 unless clearly above the fit's noise
    bool ok = false;           // enough points moved the star
};
SmoothAxisFit FitSmoothAxis(const SmoothAxisLegs& legs);

struct SmoothCalibrationFit {
    GuiderTrainingResult set;  // the classic training's fields
    GuiderState::Quality quality;
};
// The calibration from both axes' legs. Suspect: a spread over a third of a
// step's move (at least 0.5 px), or axes more than kSmoothMaxSkewDeg from
// perpendicular.
inline constexpr double kSmoothMaxSkewDeg = 10;
SmoothCalibrationFit FitSmoothCalibration(const SmoothAxisLegs& ra, const SmoothAxisLegs& dec);

// The backlash of an axis counts only above this many times the fit's spread
// (and above 0.3 px).
inline constexpr double kBacklashNoiseFactor = 2.5;

class SmoothCalibration : public TrainingMachine {
public:
    static constexpr int kSteps = 6;          // steps per leg
    static constexpr int kProbeMs = 500;      // one probe pulse
    static constexpr int kMaxProbes = 8;
    static constexpr double kProbeMovePx = 2;  // probes until the star moved this far
    static constexpr double kStepMovePx = 3;   // what one step should move the star
    SmoothCalibration(const StarPosition& start, int frameWidth, int frameHeight, int radius);
    bool Next(TrainingStep& step) const override;
    void Measured(const StarPosition& p) override;
    void Skip() override { Measured(last_); }
    bool Done() const override { return phase_ == Phase::Done; }
    // The step length chosen after the probes (ms).
    int StepMs() const { return stepMs_; }
    // False when the probes never moved the star (nothing to fit).
    bool Moved() const { return probeMoved_; }
    SmoothCalibrationFit Result() const;

private:
    enum class Phase { Probe, West, East, NorthClear, North, South, Done };
    Phase phase_ = Phase::Probe;
    int count_ = 0;  // steps done in the phase
    int stepMs_ = 1000;
    bool probeMoved_ = false;
    int width_, height_, radius_;
    StarPosition start_, last_;
    SmoothAxisLegs ra_, dec_;
};
