// The smooth correction rule: a state machine fed each frame's error (camera
// pixels, reference - measured), the time, and answering one R.A. and one Dec
// pulse. Per axis: a share (the aggressiveness) of the error resolved on the
// trained axes, nothing below the minimum move, a hysteresis that blends in
// the previous correction, and the longest pulse. Dec does not reverse on
// noise: a reversal needs the error on the new side on several frames in a
// row. A backlash the calibration measured clearly (non-zero in the
// calibration) is added to a reversing pulse. In R.A. a predictor learns the
// mount's periodic error while guiding and sends its share ahead of time.
//
// The lock position is the reference as measured: the rule never moves it
// (settling and dithering measure against it).
#pragma once
#include <array>
#include <cstdint>

#include "guiding/correction.h"
#include "guiding/smooth_params.h"

// The periodic error as the guiding sees it: the mount's own motion along
// R.A. (the error plus every correction applied so far) fitted, weighting
// recent frames more, by a line (the drift) plus the worm period's first two
// harmonics. Its slope over the next interval is what the mount is about to
// do.
class PeriodicPredictor {
public:
    explicit PeriodicPredictor(double periodS = 0) : periodS_(periodS) {}
    // The error at tS (pixels along R.A., + West).
    void Observe(double tS, double errorPx);
    // A correction was sent that moves the star `px` along R.A. (+ West).
    void Applied(double px) { applied_ += px; }
    // Enough frames over half a period to trust the fit.
    bool Ready() const;
    // The mount's own motion from tS to tS + dtS (pixels, + needs a West
    // correction); 0 until Ready().
    double Predict(double tS, double dtS) const;

private:
    static constexpr int kTerms = 6;
    using Vec = std::array<double, kTerms>;
    Vec Basis(double tS) const;
    bool Solve(Vec& coef) const;
    double periodS_;
    double applied_ = 0;
    double firstS_ = 0, lastS_ = 0;
    int samples_ = 0;
    std::array<Vec, kTerms> normal_{};
    Vec rhs_{};
};

struct SmoothAxisPulse {
    char direction = 0;   // 'w'/'e' or 'n'/'s'; 0: nothing sent
    int32_t ms = 0;
    bool clipped = false;  // cut to the maximum pulse
    bool Send() const { return direction != 0 && ms > 0; }
};

struct SmoothPulses {
    SmoothAxisPulse ra, dec;
    double raErrorPx = 0, decErrorPx = 0;  // the error along the trained axes
    double predictedPx = 0;                // the predictor's share in R.A.
    bool decHeld = false;                  // a Dec reversal waits for more frames
};

class SmoothRule {
public:
    SmoothRule(const TrainedCalibration& cal, const SmoothParams& params);
    SmoothPulses Step(double exPx, double eyPx, double tS);

private:
    struct AxisState {
        double previousPx = 0;  // the last correction (pixels, signed)
        int lastDir = 0;        // +1 West/North, -1 East/South, 0 none yet
    };
    double Feedback(double errorPx, double aggressiveness, double minMove, double hysteresis, AxisState& s) const;
    SmoothAxisPulse ToPulse(double px, double ratePxS, double backlashPx, double maxMs, char plus, char minus,
                            AxisState& s, double& appliedPx) const;
    TrainedCalibration cal_;
    SmoothParams p_;
    AxisState ra_, dec_;
    int decPending_ = 0;  // frames in a row with the Dec error on the other side
    PeriodicPredictor predictor_;
    bool haveTime_ = false;
    double lastS_ = 0;
};
