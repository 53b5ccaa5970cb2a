#include "stars/centroid.h"

#include <array>
#include <cmath>
#include <vector>

#include "core/messages.h"

bool MeasureWindow(const Pixel* image, int width, int height, int x, int y, int h, WindowMeasure& out) {
    if (h < 0 || x - h < 0 || y - h < 0 || x + h + 1 > width || y + h + 1 > height) {
        ShowMessage(69);
        return false;
    }
    const int n = 2 * h + 1;
    std::vector<int32_t> window(size_t(n) * n);
    std::array<uint16_t, 4096> histogram{};
    int32_t largest = 0;
    for (int r = 0; r < n; ++r) {
        const Pixel* row = image + size_t(y - h + r) * width + (x - h);
        for (int c = 0; c < n; ++c) {
            const int32_t v = row[c];
            window[size_t(r) * n + c] = v;
            ++histogram[v / 16];
            if (v > largest) largest = v;
        }
    }
    int bin = 0;
    for (int i = 1; i < 4096; ++i)
        if (histogram[i] > histogram[bin]) bin = i;
    const int32_t background = int32_t(std::floor(bin * 16.64));
    const bool faint = largest < 17000;
    int64_t sum = 0;
    for (int32_t& v : window) {
        v = v > background ? v - background : 0;
        if (faint) v = v >= 0x4000 ? 65535 : 4 * v;
        sum += v;
    }
    const int64_t mean = sum / (int64_t(n) * n);
    int64_t w = 1, py = 1, px = 1;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const int64_t d = window[size_t(r) * n + c] - mean;
            if (d >= 1) {
                w += d;
                py += d * r;
                px += d * c;
            }
        }
    out.peak = largest;
    out.background = background;
    out.left = x - h;
    out.top = y - h;
    out.cx = double(px) / double(w);
    out.cy = double(py) / double(w);
    return true;
}

namespace {
int Tenths(double c) { return int(std::floor(10 * c)) - 10 * int(std::floor(c)); }
}  // namespace

StarPosition TruncatedWithTenths(const WindowMeasure& m) {
    StarPosition p;
    p.x = m.left + int(std::floor(m.cx));
    p.y = m.top + int(std::floor(m.cy));
    p.tenthsX = Tenths(m.cx);
    p.tenthsY = Tenths(m.cy);
    return p;
}

StarPosition Rounded(const WindowMeasure& m) {
    StarPosition p;
    p.x = m.left + int(std::floor(m.cx + 0.5));
    p.y = m.top + int(std::floor(m.cy + 0.5));
    return p;
}

bool WindowCentroid(const Pixel* image, int width, int height, int& x, int& y, int h) {
    WindowMeasure m;
    if (!MeasureWindow(image, width, height, x, y, h, m)) return false;
    const StarPosition p = Rounded(m);
    x = p.x;
    y = p.y;
    return true;
}

bool CentroidWithTenths(const Pixel* image, int width, int height, int x, int y, int h, StarPosition& out) {
    WindowMeasure m;
    if (!MeasureWindow(image, width, height, x, y, h, m)) return false;
    out = TruncatedWithTenths(m);
    return true;
}

bool FindStar(const Pixel* image, int width, int height, int x, int y, int h, int passes, bool withTenths,
              StarPosition& out) {
    StarPosition p{x, y, 0, 0};
    for (int pass = 0; pass < passes; ++pass) {
        WindowMeasure m;
        if (!MeasureWindow(image, width, height, p.x, p.y, h, m)) return false;
        p = withTenths ? TruncatedWithTenths(m) : Rounded(m);
    }
    out = p;
    return true;
}
