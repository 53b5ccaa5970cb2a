// The histogram, the row profile and the 3-D intensity plot: what each
// window draws (with fixed pixel positions inside the window), the rules
// that open and close them, and the values behind every drawing, so that
// velmora-cli can print and render them without a window.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "display/plot_canvas.h"

using Pixel = uint16_t;

// ---- Histogram ("Histogram of Current Image") ----

inline constexpr int kHistogramCanvasWidth = 400;
inline constexpr int kHistogramCanvasHeight = 280;

struct HistogramBar {
    int height = 0;       // count / 5, at most 210
    bool capped = false;  // drawn red
};
struct HistogramPicture {
    std::array<HistogramBar, 256> bars{};
    std::string list;  // "val         count \n" and the first 15 capped values
};
HistogramPicture BuildHistogram(const std::array<uint16_t, 257>& counters);
// Axes, ticks, bars and the list.
void DrawHistogram(PlotCanvas& canvas, const HistogramPicture& picture);

// ---- Row profile ("INTENSITY PROFILE OF ONE ROW") ----

inline constexpr int kProfileCanvasWidth = 704;
inline constexpr int kProfileCanvasHeight = 204;
inline constexpr int kProfileSamples = 512;

struct ProfileSample {
    int k = 0;       // 0..511, drawn at x = k + 5
    int column = 0;  // image column
    int value = 0;   // pixel value
};
// The image row drawn for the profile row (an image row), kept inside the
// image.
int ProfileImageRow(int profileRow, int height);
// 512 samples of an image row spread evenly over its width: sample k reads
// column k * W / 512 (every 4th column of a 2048-wide image, every 2nd of a
// 1024-wide binned one; narrower images repeat columns).
std::vector<ProfileSample> RowProfile(const Pixel* image, int width, int height, int imageRow);
// The white field (2, 2)-(700, 200) and the grey trace from (4, 198); full
// scale (65535) is 170 pixels above the baseline 198.
void DrawRowProfile(PlotCanvas& canvas, const std::vector<ProfileSample>& samples);

// ---- 3-D intensity plot ("3-D Intensity Plot") ----

// Line b = 2, 3, ... reads image row b * rowStep; full geometry steps 8 rows
// and takes every second column (drawn at half the column), binned geometry
// steps 4 rows and takes every column, so the rows stay inside the image.
struct Plot3DLayout {
    int rowStep = 8;
    int columnStep = 2;
    int firstLine = 2;
    int endLine = 2;  // lines b < endLine
    int canvasWidth = 0, canvasHeight = 0;
};
Plot3DLayout Plot3DLayoutFor(int width, int height, bool binnedGeometry);
// Draws line b; previousHeight carries the last point's height (v / 384)
// from line to line (the first segment of a line compares with it).
void DrawPlot3DLine(PlotCanvas& canvas, const Pixel* image, int width, const Plot3DLayout& layout, int b,
                    int& previousHeight);
// The whole landscape, calling afterLine(b) after each line.
void DrawPlot3D(PlotCanvas& canvas, const Pixel* image, int width, const Plot3DLayout& layout,
                const std::function<bool(int b)>& afterLine = {});

// ---- Opening and closing ----

struct AnalysisWindows {
    bool histogramOpen = false;
    bool plot3dOpen = false;
    // The row profile's open flag is the row profile picking mode
    // (Picking().modes.rowProfile) and its row Picking().profileRow.
};
AnalysisWindows& Analysis();
void ResetAnalysisWindows();

// Each returns true when the window may open (and marks it open); a refusal
// has already been shown: for the histogram a beep, a pause of up to one
// second and a second beep; for the row profile message 35 or 38 or nothing;
// for the 3-D plot nothing.
bool OpenHistogram();
bool OpenRowProfile();
bool OpenPlot3D();
void CloseHistogram();
void CloseRowProfile();
void ClosePlot3D();

// The help boxes (caption, text).
struct HelpText {
    const char* caption;
    const char* text;
};
HelpText HistogramHelp();
HelpText RowProfileHelp();
HelpText Plot3DHelp();
