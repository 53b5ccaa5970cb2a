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
// The lock position: the reference is one frame, so it carries that frame's
// seeing, and guiding would hold the star off by as much. Over the first
// frames the rule fits a line through where the mount alone would have put
// the star (the error plus the corrections sent so far) and takes its value
// at the reference frame as the reference's own error, which it subtracts
// from then on. The first Step() is the reference frame itself.
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
    double raErrorPx = 0, decErrorPx = 0;  // the error along the trained axes (lock refined)
    double predictedPx = 0;                // the predictor's share in R.A.
    bool decHeld = false;                  // a Dec reversal waits for more frames
};

class SmoothRule {
public:
    // Frames after the reference that refine the lock position.
    static constexpr int kLockFrames = 10;
    // The refinement moves the lock by at most this much (pixels per axis).
    static constexpr double kMostLockShiftPx = 1;
    SmoothRule(const TrainedCalibration& cal, const SmoothParams& params);
    SmoothPulses Step(double exPx, double eyPx, double tS);
    // The reference's error found (pixels along R.A. and Dec); 0 until
    // kLockFrames frames are in.
    double LockRaPx() const { return lockRa_; }
    double LockDecPx() const { return lockDec_; }

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
    double firstS_ = 0, lastS_ = 0;
    // The lock refinement: sums of the line fits and the corrections sent.
    int lockN_ = 0;
    double st_ = 0, stt_ = 0, sRa_ = 0, stRa_ = 0, sDec_ = 0, stDec_ = 0;
    double appliedRa_ = 0, appliedDec_ = 0;
    double lockRa_ = 0, lockDec_ = 0;
    void RefineLock(double tS, double raPx, double decPx);
};
