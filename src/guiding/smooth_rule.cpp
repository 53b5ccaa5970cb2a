#include "guiding/smooth_rule.h"

#include <algorithm>
#include <cmath>

namespace {
// Each frame's weight in the fit decays by this factor per later frame
// (about three worm periods of one-second frames remembered).
constexpr double kForget = 0.997;
constexpr int kLeastSamples = 20;
}  // namespace

PeriodicPredictor::Vec PeriodicPredictor::Basis(double tS) const {
    const double w = 2 * M_PI / periodS_;
    return {1, (tS - firstS_) / periodS_, std::sin(w * tS), std::cos(w * tS), std::sin(2 * w * tS),
            std::cos(2 * w * tS)};
}

void PeriodicPredictor::Observe(double tS, double errorPx) {
    if (periodS_ <= 0) return;
    if (samples_ == 0) firstS_ = tS;
    lastS_ = tS;
    ++samples_;
    const Vec f = Basis(tS);
    const double y = errorPx + applied_;  // where the mount alone would have put the star
    for (int i = 0; i < kTerms; ++i) {
        for (int j = 0; j < kTerms; ++j) normal_[i][j] = normal_[i][j] * kForget + f[i] * f[j];
        rhs_[i] = rhs_[i] * kForget + f[i] * y;
    }
}

bool PeriodicPredictor::Ready() const {
    return periodS_ > 0 && samples_ >= kLeastSamples && lastS_ - firstS_ >= periodS_ / 2;
}

bool PeriodicPredictor::Solve(Vec& coef) const {
    // Gaussian elimination with partial pivoting on a copy, a trace-sized
    // ridge keeping a short record solvable.
    std::array<Vec, kTerms> a = normal_;
    Vec b = rhs_;
    double trace = 0;
    for (int i = 0; i < kTerms; ++i) trace += a[i][i];
    for (int i = 0; i < kTerms; ++i) a[i][i] += 1e-9 * trace;
    for (int c = 0; c < kTerms; ++c) {
        int pivot = c;
        for (int r = c + 1; r < kTerms; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-12) return false;
        std::swap(a[c], a[pivot]);
        std::swap(b[c], b[pivot]);
        for (int r = c + 1; r < kTerms; ++r) {
            const double k = a[r][c] / a[c][c];
            for (int j = c; j < kTerms; ++j) a[r][j] -= k * a[c][j];
            b[r] -= k * b[c];
        }
    }
    for (int c = kTerms - 1; c >= 0; --c) {
        double s = b[c];
        for (int j = c + 1; j < kTerms; ++j) s -= a[c][j] * coef[j];
        coef[c] = s / a[c][c];
    }
    return true;
}

double PeriodicPredictor::Predict(double tS, double dtS) const {
    Vec coef{};
    if (!Ready() || !Solve(coef)) return 0;
    const Vec a = Basis(tS), b = Basis(tS + dtS);
    double motion = 0;
    for (int i = 0; i < kTerms; ++i) motion += coef[i] * (b[i] - a[i]);
    return motion;
}

SmoothRule::SmoothRule(const TrainedCalibration& cal, const SmoothParams& params)
    : cal_(cal), p_(params), predictor_(params.wormPeriodS) {
    // The calibration's last moves were East and South: the gears rest there.
    ra_.lastDir = -1;
    dec_.lastDir = -1;
}

double SmoothRule::Feedback(double errorPx, double aggressiveness, double minMove, double hysteresis,
                            AxisState& s) const {
    double c = (1 - hysteresis) * aggressiveness * errorPx + hysteresis * s.previousPx;
    if (std::fabs(errorPx) < minMove) c = 0;
    s.previousPx = c;
    return c;
}

SmoothAxisPulse SmoothRule::ToPulse(double px, double ratePxS, double backlashPx, double maxMs, char plus,
                                    char minus, AxisState& s, double& appliedPx) const {
    SmoothAxisPulse p;
    appliedPx = 0;
    if (px == 0) return p;
    const int dir = px > 0 ? 1 : -1;
    const double slack = dir != s.lastDir ? backlashPx : 0;
    double ms = (std::fabs(px) + slack) / ratePxS * 1000;
    if (ms > maxMs) {
        ms = maxMs;
        p.clipped = true;
    }
    p.ms = int32_t(std::lround(ms));
    if (p.ms < 1) return SmoothAxisPulse{};
    p.direction = dir > 0 ? plus : minus;
    appliedPx = dir * std::max(0.0, p.ms * 0.001 * ratePxS - slack);
    s.lastDir = dir;
    return p;
}

SmoothPulses SmoothRule::Step(double exPx, double eyPx, double tS) {
    SmoothPulses out;
    double raPx = 0, decPx = 0;
    ResolveError(exPx, eyPx, cal_, raPx, decPx);
    const double dt = haveTime_ ? tS - lastS_ : 0;
    haveTime_ = true;
    lastS_ = tS;
    if (p_.wormPeriodS > 0) {
        predictor_.Observe(tS, raPx);
        if (dt > 0) out.predictedPx = p_.predictorWeight * predictor_.Predict(tS, dt);
    }
    out.raErrorPx = raPx;
    out.decErrorPx = decPx;
    const double raMove =
        Feedback(out.raErrorPx, p_.raAggressiveness, p_.raMinMovePx, p_.raHysteresis, ra_) + out.predictedPx;
    double decMove = Feedback(out.decErrorPx, p_.decAggressiveness, p_.decMinMovePx, p_.decHysteresis, dec_);
    // A Dec reversal waits until the error stayed on the new side long enough.
    if (decMove != 0 && (decMove > 0 ? 1 : -1) != dec_.lastDir) {
        if (++decPending_ < int(std::lround(p_.decReversalFrames))) {
            decMove = 0;
            dec_.previousPx = 0;
            out.decHeld = true;
        } else {
            decPending_ = 0;
        }
    } else {
        decPending_ = 0;
    }
    const double raRate = std::max(0.05, std::hypot(cal_.rx, cal_.ry));
    const double decRate = std::max(0.05, std::hypot(cal_.dx, cal_.dy));
    double raApplied = 0, decApplied = 0;
    out.ra = ToPulse(raMove, raRate, cal_.raBacklash, p_.raMaxPulseMs, 'w', 'e', ra_, raApplied);
    out.dec = ToPulse(decMove, decRate, cal_.decBacklash, p_.decMaxPulseMs, 'n', 's', dec_, decApplied);
    predictor_.Applied(raApplied);
    return out;
}
