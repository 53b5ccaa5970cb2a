// The guiding assistant's analysis: an unguided trace of the star (time,
// R.A. and Dec offsets in pixels) read for the mount's periodic error, the
// Dec drift, the seeing and the minimum move worth sending. Pure functions;
// the measurement is the unguided run (guiding/unguided_run.h).
#pragma once
#include <string>
#include <vector>

#include "guiding/training.h"

struct AssistantSample {
    double timeS = 0;
    double raPx = 0, decPx = 0;
};

// The recommended minimum move is this many times the seeing: a move below
// it is more likely the air than the mount.
inline constexpr double kMinMovePerSeeing = 1.5;

struct AssistantResult {
    int frames = 0;
    double spanS = 0;
    // Periodic error in R.A.: the fitted sine's amplitude (half its peak to
    // peak) and period. periodKnown is false for a trace shorter than one
    // period or one without a clear sine; the amplitude is then the one of a
    // sine with the trace's slow wander.
    bool periodKnown = false;
    double peAmplitudePx = 0;
    double pePeriodS = 0;
    double raDriftPxPerMin = 0;   // the straight line under the R.A. trace
    double decDriftPxPerMin = 0;  // the fitted slope of the Dec trace
    double seeingPx = 0;          // per-frame jitter, RMS per axis
    double minMovePx = 0;         // kMinMovePerSeeing x seeing
};

// Reads a trace (at least 8 samples, times rising); a shorter one gives a
// result with frames < 8 and every figure 0.
AssistantResult AnalyseTrace(const std::vector<AssistantSample>& trace);

// The polar alignment error (arc minutes) that a Dec drift implies, from
// the image scale (arc seconds per pixel) and the declination of the star.
// The drift method's rule: a pole misaligned by E makes a star drift in Dec
// by up to E times the earth's turn, 2 pi per sidereal day (86164 s); so
// E (arcmin) = drift (arcsec/min) / (60 * 2 pi * 60 / 86164) / cos(dec),
// about 3.81 x drift / cos(dec). 0 when the scale is unknown (0).
double PolarErrorArcmin(double decDriftPxPerMin, double arcsecPerPixel, double decDeg = 0);

// The star's offset from the reference in R.A. and Dec pixels: along the
// trained West and North axes (the axes need not be perpendicular) when
// `trained` holds a calibration, else camera x and y.
void ResolveOnAxes(double dx, double dy, const GuiderTrainingResult* trained, double& ra, double& dec);

// The closing line of `velmora-cli guide-assistant`, in pixels of the
// camera that guides: "pe_amplitude_px=… pe_period_s=… drift_px_per_min=…
// seeing_px=… guider_scale=… min_move_px=…" (period "unknown" when not known).
std::string AssistantLine(const AssistantResult& r, double guiderScale);
// The lines before it: the polar alignment error (only when the scale is
// known) and the recommendation.
std::string AssistantReport(const AssistantResult& r, double arcsecPerPixel);
