#include "display/analysis_plots.h"

#include <algorithm>
#include <cstdio>

#include "core/messages.h"
#include "display/display_state.h"
#include "platform/platform.h"

// ---- Histogram ----

HistogramPicture BuildHistogram(const std::array<uint16_t, 257>& counters) {
    HistogramPicture p;
    p.list = "val         count \n";
    int listed = 0;
    for (int i = 0; i < 256; ++i) {
        HistogramBar& bar = p.bars[size_t(i)];
        bar.height = counters[size_t(i)] / 5;
        if (bar.height >= 210) {  // a count of 1,054 (210 after the division) is capped too
            bar.height = 210;
            bar.capped = true;
            if (listed < 15) {
                char line[40];
                std::snprintf(line, sizeof line, "%04d  %9d \n", i, bar.height * 5);
                p.list += line;
                ++listed;
            }
        }
    }
    return p;
}

void DrawHistogram(PlotCanvas& canvas, const HistogramPicture& picture) {
    canvas.MoveTo(5, 5);
    canvas.LineTo(5, 213, kAxisBlue);
    canvas.LineTo(263, 213, kAxisBlue);
    for (int x = 40; x <= 264; x += 32) {
        const int end = (x == 136) ? 224 : (x == 72 || x == 200) ? 220 : 217;
        canvas.Line(x, 213, x, end, kAxisBlue);
    }
    for (int i = 0; i < 256; ++i) {
        const HistogramBar& bar = picture.bars[size_t(i)];
        canvas.Line(i + 8, 210, i + 8, 210 - bar.height, bar.capped ? kRed : kGrey);
    }
    canvas.DrawText(270, 2, 390, 270, picture.list);
}

// ---- Row profile ----

int ProfileImageRow(int profileRow, int displayScale, int height) {
    const int row = displayScale * profileRow;
    return std::clamp(row, 0, std::max(0, height - 1));
}

std::vector<ProfileSample> RowProfile(const Pixel* image, int width, int height, int imageRow) {
    std::vector<ProfileSample> samples;
    if (width <= 0 || height <= 0) return samples;
    const int row = std::clamp(imageRow, 0, height - 1);
    const Pixel* line = image + size_t(row) * size_t(width);
    samples.reserve(kProfileSamples);
    for (int k = 0; k < kProfileSamples; ++k) {
        const int column = int(int64_t(k) * width / kProfileSamples);
        samples.push_back({k, column, line[column]});
    }
    return samples;
}

void DrawRowProfile(PlotCanvas& canvas, const std::vector<ProfileSample>& samples) {
    canvas.FillRect(2, 2, 700, 200, kWhite);
    canvas.MoveTo(4, 198);
    for (const ProfileSample& s : samples) canvas.LineTo(s.k + 5, 198 - s.value / 384, kGrey);
}

// ---- 3-D plot ----

Plot3DLayout Plot3DLayoutFor(int width, int height, bool binnedGeometry) {
    Plot3DLayout l;
    l.rowStep = binnedGeometry ? 4 : 8;
    l.columnStep = binnedGeometry ? 1 : 2;
    l.endLine = std::max(l.firstLine, height / l.rowStep);
    const int lastColumn = width > 0 ? (width - 1) / l.columnStep * l.columnStep : 0;
    l.canvasWidth = std::max(320, 136 + lastColumn / l.columnStep + 9);
    l.canvasHeight = std::max(200, 186 + l.endLine + 8);
    return l;
}

void DrawPlot3DLine(PlotCanvas& canvas, const Pixel* image, int width, const Plot3DLayout& layout, int b,
                    int& previousHeight) {
    const int x0 = 136 - (b - 2);
    const int baseline = 186 + b;
    const Pixel* row = image + size_t(b) * size_t(layout.rowStep) * size_t(width);
    canvas.MoveTo(x0, baseline);
    for (int c = 0; c < width; c += layout.columnStep) {
        const int h = row[c] / 384;
        canvas.LineTo(x0 + c / layout.columnStep, baseline - h, h > previousHeight ? kLightGrey : kGrey);
        previousHeight = h;
    }
}

void DrawPlot3D(PlotCanvas& canvas, const Pixel* image, int width, const Plot3DLayout& layout,
                const std::function<bool(int b)>& afterLine) {
    int previous = 0;
    for (int b = layout.firstLine; b < layout.endLine; ++b) {
        DrawPlot3DLine(canvas, image, width, layout, b, previous);
        if (afterLine && !afterLine(b)) return;
    }
}

// ---- Opening and closing ----

namespace {
AnalysisWindows& Records() {
    static AnalysisWindows records;
    return records;
}
}  // namespace

AnalysisWindows& Analysis() { return Records(); }
void ResetAnalysisWindows() { Records() = AnalysisWindows{}; }

bool OpenHistogram() {
    if (Analysis().histogramOpen) {
        Beep();
        WaitSeconds(1);
        Beep();
        return false;
    }
    Analysis().histogramOpen = true;
    return true;
}

bool OpenRowProfile() {
    PickModes& modes = Picking().modes;
    if (modes.merging || modes.photometry) {
        ShowMessage(35);
        return false;
    }
    if (RefuseInFittedOrCentredDisplay(38)) return false;
    if (Analysis().plot3dOpen || modes.rowProfile) return false;
    Picking().profileRow = 250;
    modes.rowProfile = true;
    return true;
}

bool OpenPlot3D() {
    if (Analysis().plot3dOpen || Picking().modes.rowProfile) return false;
    Analysis().plot3dOpen = true;
    return true;
}

void CloseHistogram() { Analysis().histogramOpen = false; }
void CloseRowProfile() { Picking().modes.rowProfile = false; }
void ClosePlot3D() { Analysis().plot3dOpen = false; }

HelpText HistogramHelp() {
    return {"Velmora - Display Histogram",
            "This shows a histogram of the values in the current main window. The horizontal scale "
            "represents values from black (0) to white (256), whilst the vertical scale shows the number of "
            "pixels with a particular value."};
}

HelpText RowProfileHelp() {
    return {"Velmora - Intensity Profile",
            "Select the row you wish to see an intensity plot of by pressing the left mouse button"};
}

HelpText Plot3DHelp() {
    return {"Velmora_USB - 3-D Plot", "This shows a 3-D Intensity Plot of the values in the current main window."};
}
