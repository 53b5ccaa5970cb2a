// What the guiding windows show, as plain data and the small rules that turn
// it into field texts and plot positions ("Guiding Info" of main-camera
// guiding and "AutoGuider Camera Guiding" of guider-camera guiding).
#pragma once
#include <cstdint>
#include <deque>
#include <string>

#include "guiding/guiding_display.h"

// One frame of the guider-camera guiding window: the loop's report, the
// running RMS, the reference star and the time since guiding started.
struct GuidingWindowData {
    GuidingFrameReport report;
    GuidingRms rms;
    double refX = 0, refY = 0;  // reference star, guider pixels
    double seconds = 0;
};

// "%1.1f" and "%5d".
std::string OneDecimal(double v);
std::string FiveDigits(int v);
// dx, dy: error x 0.001 as "%1.1f".
std::string ErrorText(int thousandths);

// The +-5 px plot box: 100 x 100, centre = zero error, 10 plot pixels per
// guide pixel. The error's cross sits at (centre x + ex / 100, centre y -
// ey / 100) and is drawn only when |ex| and |ey| are below 4400.
inline constexpr int kPlotSize = 100;
inline constexpr int kPlotCrossHalf = 3;  // a 7-pixel cross
inline constexpr const char* kPlotAxisLabel = "-5          0         +5          Pixels";
bool PlotCross(int ex, int ey, int centreX, int centreY, int& x, int& y);

// The scrolling graph of R.A. and Dec errors against time: the samples of
// the last kGraphSeconds seconds; +-kGraphPixels guide pixels over the
// graph's half height. The user may choose another length and scale
// (kGraphLengths, kGraphScales).
inline constexpr double kGraphSeconds = 120;
inline constexpr double kGraphPixels = 2.5;
inline constexpr double kGraphLengths[] = {30, 60, 120, 300, 600};
inline constexpr double kGraphScales[] = {0.5, 1, 2.5, 5, 10};
struct GraphSample {
    double seconds;
    int ex, ey;
};
class ErrorGraph {
public:
    void Add(double seconds, int ex, int ey);
    void Clear() { samples_.clear(); }
    const std::deque<GraphSample>& Samples() const { return samples_; }
    // The graph's x (0..width) of a time and y (0..height, 0 at the top) of
    // an error in thousandths; y is clamped to the graph. Y is the default
    // scale's, ScaledY the chosen one's.
    double X(double seconds, int width) const;
    static double Y(int thousandths, int height);
    double ScaledY(int thousandths, int height) const;
    // The time shown (s; a longer one fills up from now on) and
    // the error at the graph's top (px).
    void SetLength(double seconds);
    void SetScale(double pixels) { pixels_ = pixels > 0 ? pixels : kGraphPixels; }
    double Length() const { return length_; }
    double Scale() const { return pixels_; }

private:
    std::deque<GraphSample> samples_;
    double length_ = kGraphSeconds, pixels_ = kGraphPixels;
};
// The graph's caption: "R.A. blue, Dec red; +-2.5 px, last 120 s", with the
// scale in arc seconds when it is known ("+-2.5 px = 3.8\"").
std::string GraphCaption(double pixels, double seconds, double scaleArcsec);
// An error in thousandths of a pixel as arc seconds, "%.2f\"" (empty when the
// scale is unknown).
std::string ArcsecText(int thousandths, double scaleArcsec);

// "Guiding Info" of main-camera guiding: x, y (star + tenths x 0.1) and
// dx, dy (error x 0.001), each "%1.1f".
struct GuidingInfoData {
    double x = 0, y = 0;
    int ex = 0, ey = 0;
};
