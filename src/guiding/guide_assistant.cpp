#include "guiding/guide_assistant.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMinFrames = 8;

// A least-squares fit of y against up to four columns (1, t, and for a
// period also sin and cos of 2 pi t / period); t is taken from the middle of
// the trace so the columns stay well conditioned.
struct Fit {
    std::array<double, 4> c{};  // offset, slope (px/s), sine, cosine
    double rss = 0;             // sum of the squared residuals
    bool ok = false;
};

double Column(int k, double t, double w) {
    switch (k) {
        case 0: return 1;
        case 1: return t;
        case 2: return std::sin(w * t);
        default: return std::cos(w * t);
    }
}

// period 0: the straight line alone.
Fit FitTrace(const std::vector<AssistantSample>& s, double t0, double period, double AssistantSample::*value) {
    const int n = period > 0 ? 4 : 2;
    const double w = period > 0 ? 2 * kPi / period : 0;
    double a[4][5] = {};
    for (const AssistantSample& p : s) {
        const double t = p.timeS - t0;
        double x[4];
        for (int k = 0; k < n; ++k) x[k] = Column(k, t, w);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) a[i][j] += x[i] * x[j];
            a[i][n] += x[i] * (p.*value);
        }
    }
    // Gaussian elimination with partial pivoting on the normal equations.
    Fit f;
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int r = col + 1; r < n; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (std::fabs(a[pivot][col]) < 1e-12) return f;
        for (int k = 0; k <= n; ++k) std::swap(a[col][k], a[pivot][k]);
        for (int r = 0; r < n; ++r) {
            if (r == col) continue;
            const double m = a[r][col] / a[col][col];
            for (int k = col; k <= n; ++k) a[r][k] -= m * a[col][k];
        }
    }
    for (int k = 0; k < n; ++k) f.c[k] = a[k][n] / a[k][k];
    for (const AssistantSample& p : s) {
        const double t = p.timeS - t0;
        double model = 0;
        for (int k = 0; k < n; ++k) model += f.c[k] * Column(k, t, w);
        f.rss += (p.*value - model) * (p.*value - model);
    }
    f.ok = true;
    return f;
}

double Model(const Fit& f, double t, double period) {
    double m = f.c[0] + f.c[1] * t;
    if (period > 0) m += f.c[2] * std::sin(2 * kPi * t / period) + f.c[3] * std::cos(2 * kPi * t / period);
    return m;
}

// The per-frame jitter of residuals: successive differences of independent
// draws of RMS sigma have RMS sigma * sqrt(2).
double DifferenceSquares(const std::vector<double>& r, int& count) {
    double sum = 0;
    for (size_t i = 1; i < r.size(); ++i) sum += (r[i] - r[i - 1]) * (r[i] - r[i - 1]);
    count += int(r.size()) - 1;
    return sum;
}

}  // namespace

AssistantResult AnalyseTrace(const std::vector<AssistantSample>& s) {
    AssistantResult r;
    r.frames = int(s.size());
    if (r.frames < kMinFrames) return r;
    const double first = s.front().timeS, last = s.back().timeS;
    const double span = last - first;
    r.spanS = span;
    if (!(span > 0)) return r;
    const double t0 = 0.5 * (first + last);
    const double frameS = span / (r.frames - 1);

    const Fit decLine = FitTrace(s, t0, 0, &AssistantSample::decPx);
    const Fit raLine = FitTrace(s, t0, 0, &AssistantSample::raPx);
    r.decDriftPxPerMin = decLine.c[1] * 60;
    r.raDriftPxPerMin = raLine.c[1] * 60;

    // The periodic error: line + sine fitted for candidate periods from a
    // few frames up to twice the trace, the best one refined by a golden
    // section search between its neighbours. A best period longer than the
    // trace is no period seen.
    const double pMin = std::max(20.0, 10 * frameS), pMax = 2 * span;
    double bestP = 0, bestRss = raLine.rss;
    Fit best = raLine;
    if (pMax > pMin) {
        constexpr int kCandidates = 300;
        const double ratio = std::pow(pMax / pMin, 1.0 / (kCandidates - 1));
        int bestK = -1;
        for (int k = 0; k < kCandidates; ++k) {
            const double p = pMin * std::pow(ratio, k);
            const Fit f = FitTrace(s, t0, p, &AssistantSample::raPx);
            if (f.ok && f.rss < bestRss) {
                bestRss = f.rss;
                bestK = k;
            }
        }
        if (bestK >= 0) {
            double lo = pMin * std::pow(ratio, bestK - 1), hi = pMin * std::pow(ratio, bestK + 1);
            const double g = (std::sqrt(5.0) - 1) / 2;
            auto rss = [&](double p) { return FitTrace(s, t0, p, &AssistantSample::raPx).rss; };
            double a = hi - g * (hi - lo), b = lo + g * (hi - lo), ra = rss(a), rb = rss(b);
            for (int i = 0; i < 40; ++i) {
                if (ra < rb) {
                    hi = b;
                    b = a;
                    rb = ra;
                    a = hi - g * (hi - lo);
                    ra = rss(a);
                } else {
                    lo = a;
                    a = b;
                    ra = rb;
                    b = lo + g * (hi - lo);
                    rb = rss(b);
                }
            }
            bestP = 0.5 * (lo + hi);
            best = FitTrace(s, t0, bestP, &AssistantSample::raPx);
        }
    }
    const double amplitude = bestP > 0 ? std::hypot(best.c[2], best.c[3]) : 0;
    // A sine counts when its amplitude stands clear of the noise: five times
    // the amplitude's standard error, sigma * sqrt(2 / n).
    const double sigma = std::sqrt(best.rss / std::max(1, r.frames - 4));
    r.periodKnown = bestP > 0 && bestP <= span && amplitude > 5 * sigma * std::sqrt(2.0 / r.frames);
    if (r.periodKnown) {
        r.pePeriodS = bestP;
        r.peAmplitudePx = amplitude;
        r.raDriftPxPerMin = best.c[1] * 60;
    }

    // The seeing: the residuals after the slow terms, frame to frame.
    const double modelP = r.periodKnown ? bestP : 0;
    const Fit& raModel = r.periodKnown ? best : raLine;
    std::vector<double> ra, dec;
    for (const AssistantSample& p : s) {
        ra.push_back(p.raPx - Model(raModel, p.timeS - t0, modelP));
        dec.push_back(p.decPx - Model(decLine, p.timeS - t0, 0));
    }
    int count = 0;
    const double squares = DifferenceSquares(ra, count) + DifferenceSquares(dec, count);
    r.seeingPx = std::sqrt(squares / count / 2);
    r.minMovePx = kMinMovePerSeeing * r.seeingPx;

    if (!r.periodKnown) {
        // No period: the amplitude of a sine with the wander left under the
        // line once the seeing is taken off (a sine of amplitude A has
        // variance A^2 / 2).
        const double variance = raLine.rss / r.frames - r.seeingPx * r.seeingPx;
        r.peAmplitudePx = std::sqrt(2 * std::max(0.0, variance));
    }
    return r;
}

double PolarErrorArcmin(double decDriftPxPerMin, double arcsecPerPixel, double decDeg) {
    if (!(arcsecPerPixel > 0)) return 0;
    const double cosDec = std::cos(decDeg * kPi / 180);
    if (cosDec < 0.05) return 0;
    const double turnPerMin = 2 * kPi * 60 / 86164.0905;  // radians per minute
    const double driftArcsecPerMin = std::fabs(decDriftPxPerMin) * arcsecPerPixel;
    return driftArcsecPerMin / 60 / turnPerMin / cosDec;
}

void ResolveOnAxes(double dx, double dy, const GuiderTrainingResult* t, double& ra, double& dec) {
    ra = dx;
    dec = dy;
    if (!t) return;
    const double wn = std::hypot(t->rx, t->ry), nn = std::hypot(t->dx, t->dy);
    if (!(wn > 0) || !(nn > 0)) return;
    const double ux = t->rx / wn, uy = t->ry / wn, vx = t->dx / nn, vy = t->dy / nn;
    const double det = ux * vy - uy * vx;
    // Axes closer than about 6 degrees are no calibration to resolve on.
    if (std::fabs(det) < 0.1) return;
    ra = (dx * vy - dy * vx) / det;
    dec = (ux * dy - uy * dx) / det;
}

std::string AssistantLine(const AssistantResult& r, double guiderScale) {
    char period[32] = "unknown";
    if (r.periodKnown) std::snprintf(period, sizeof period, "%.1f", r.pePeriodS);
    char line[256];
    std::snprintf(line, sizeof line,
                  "pe_amplitude_px=%.3f pe_period_s=%s drift_px_per_min=%.3f seeing_px=%.3f guider_scale=%.3f "
                  "min_move_px=%.3f",
                  r.peAmplitudePx, period, r.decDriftPxPerMin, r.seeingPx, guiderScale, r.minMovePx);
    return line;
}

std::string AssistantReport(const AssistantResult& r, double arcsecPerPixel) {
    char text[512];
    std::string out;
    if (r.periodKnown)
        std::snprintf(text, sizeof text, "periodic error: %.2f px over %.0f s\n", r.peAmplitudePx, r.pePeriodS);
    else
        std::snprintf(text, sizeof text, "periodic error: %.2f px, period unknown (trace of %.0f s)\n",
                      r.peAmplitudePx, r.spanS);
    out += text;
    std::snprintf(text, sizeof text, "Dec drift: %.3f px/min; seeing: %.3f px\n", r.decDriftPxPerMin, r.seeingPx);
    out += text;
    if (arcsecPerPixel > 0) {
        std::snprintf(text, sizeof text,
                      "polar alignment error: %.1f arcmin (Dec drift %.2f arcsec/min, at Dec 0)\n",
                      PolarErrorArcmin(r.decDriftPxPerMin, arcsecPerPixel), r.decDriftPxPerMin * arcsecPerPixel);
        out += text;
    }
    std::snprintf(text, sizeof text, "recommended minimum move: %.2f px (%.1f x the seeing)\n", r.minMovePx,
                  kMinMovePerSeeing);
    out += text;
    return out;
}
