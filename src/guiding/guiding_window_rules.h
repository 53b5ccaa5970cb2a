// What the guiding windows show, as plain data and the small rules that turn
// it into field texts and plot positions ("Guiding Info" of main-camera
// guiding and "AutoGuider Camera Guiding" of guider-camera guiding).
#pragma once
#include <cstdint>
#include <deque>
#include <string>

// Running RMS of the guiding errors, in pixels: over the last 100 frames and
// over the whole run.
struct GuidingRms {
    double ra100 = 0, dec100 = 0, total100 = 0;
    double raRun = 0, decRun = 0, totalRun = 0;
    int frames = 0;
};

// One frame of the guider-camera guiding window.
struct GuidingWindowData {
    double starX = 0, starY = 0;  // star position + tenths x 0.1
    int ex = 0, ey = 0;           // guiding error, thousandths of a pixel
    int pulseX = 0, pulseY = 0;   // displayed pulse lengths (or AO steps)
    int aoX = 0, aoY = 0;         // AO counters
    std::string bumpLetter;       // last mount-bump letter
    uint32_t bumpMs = 0;          // clock time of that bump
    bool bumped = false;          // a bump happened in this run
    int refX = 0, refY = 0;       // reference star, guider pixels
    GuidingRms rms;
    double seconds = 0;           // time since guiding started
};

// "%1.1f" and "%5d".
std::string OneDecimal(double v);
std::string FiveDigits(int v);
// dx, dy: error x 0.001 as "%1.1f".
std::string ErrorText(int thousandths);
// The bump letter, shown only while less than 2000 ms have passed since the
// bump; otherwise empty.
std::string BumpText(const GuidingWindowData& d, uint32_t nowMs);

// The +-5 px plot box: 100 x 100, centre = zero error, 10 plot pixels per
// guide pixel. The error's cross sits at (centre x + ex / 100, centre y -
// ey / 100) and is drawn only when |ex| and |ey| are below 4400.
inline constexpr int kPlotSize = 100;
inline constexpr int kPlotCrossHalf = 3;  // a 7-pixel cross
inline constexpr const char* kPlotAxisLabel = "-5          0         +5          Pixels";
bool PlotCross(int ex, int ey, int centreX, int centreY, int& x, int& y);

// The scrolling graph of R.A. and Dec errors against time: the samples of
// the last kGraphSeconds seconds; +-kGraphPixels guide pixels over the
// graph's half height.
inline constexpr double kGraphSeconds = 120;
inline constexpr double kGraphPixels = 2.5;
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
    // an error in thousandths; y is clamped to the graph.
    double X(double seconds, int width) const;
    static double Y(int thousandths, int height);

private:
    std::deque<GraphSample> samples_;
};

// "Guiding Info" of main-camera guiding: x, y (star + tenths x 0.1) and
// dx, dy (error x 0.001), each "%1.1f".
struct GuidingInfoData {
    double x = 0, y = 0;
    int ex = 0, ey = 0;
};
