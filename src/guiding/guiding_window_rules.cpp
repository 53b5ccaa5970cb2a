#include "guiding/guiding_window_rules.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

std::string OneDecimal(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%1.1f", v);
    return text;
}

std::string FiveDigits(int v) {
    char text[16];
    std::snprintf(text, sizeof text, "%5d", v);
    return text;
}

std::string ErrorText(int thousandths) { return OneDecimal(thousandths * 0.001); }

bool PlotCross(int ex, int ey, int centreX, int centreY, int& x, int& y) {
    if (std::abs(ex) >= 4400 || std::abs(ey) >= 4400) return false;
    x = centreX + ex / 100;
    y = centreY - ey / 100;
    return true;
}

void ErrorGraph::Add(double seconds, int ex, int ey) {
    samples_.push_back({seconds, ex, ey});
    while (!samples_.empty() && samples_.front().seconds < seconds - length_) samples_.pop_front();
}

void ErrorGraph::SetLength(double seconds) {
    length_ = seconds > 0 ? seconds : kGraphSeconds;
    // A shorter graph drops what it no longer shows.
    while (!samples_.empty() && samples_.front().seconds < samples_.back().seconds - length_) samples_.pop_front();
}

double ErrorGraph::X(double seconds, int width) const {
    const double end = samples_.empty() ? 0 : std::max(samples_.back().seconds, length_);
    return (seconds - (end - length_)) / length_ * width;
}

namespace {
double GraphY(int thousandths, int height, double pixels) {
    const double half = height / 2.0;
    const double y = half - thousandths * 0.001 / pixels * half;
    return std::clamp(y, 0.0, double(height));
}
}  // namespace

double ErrorGraph::Y(int thousandths, int height) { return GraphY(thousandths, height, kGraphPixels); }
double ErrorGraph::ScaledY(int thousandths, int height) const { return GraphY(thousandths, height, pixels_); }

std::string GraphCaption(double pixels, double seconds, double scaleArcsec) {
    char text[128];
    if (scaleArcsec > 0)
        std::snprintf(text, sizeof text, "R.A. blue, Dec red; +-%g px = %.1f\", last %g s", pixels,
                      pixels * scaleArcsec, seconds);
    else
        std::snprintf(text, sizeof text, "R.A. blue, Dec red; +-%g px, last %g s", pixels, seconds);
    return text;
}

std::string ArcsecText(int thousandths, double scaleArcsec) {
    if (!(scaleArcsec > 0)) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f\"", thousandths * 0.001 * scaleArcsec);
    return text;
}
