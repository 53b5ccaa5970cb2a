#include "stars/centroid.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
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
    out.holdsStar = WindowHoldsStar(window.data(), n);
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
// The median of the values and the RMS distance from it of the half below
// it (the values are taken by copy).
template <typename T>
double LowerHalfNoise(std::vector<T> values, T& median) {
    const size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(half), values.end());
    median = values[half];
    double squares = 0;
    for (size_t i = 0; i < half; ++i) squares += double(median - values[i]) * double(median - values[i]);
    return half > 0 ? std::sqrt(squares / double(half)) : 0;
}
}  // namespace

bool WindowHoldsStar(const int32_t* window, int n) {
    if (n < 3) return false;
    const std::vector<int32_t> pixels(window, window + size_t(n) * n);
    const int m = n - 2;
    std::vector<int64_t> patches;
    patches.reserve(size_t(m) * m);
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < m; ++c) {
            int64_t sum = 0;
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) sum += window[size_t(r + i) * n + c + j];
            patches.push_back(sum);
        }
    const int64_t brightest = *std::max_element(patches.begin(), patches.end());
    // A patch's noise: three times the pixels' noise, or the patches' own
    // spread where neighbours are alike (a median-filtered frame), and at
    // least three of the sky's smallest steps (256 for 8-bit guider pixels).
    int32_t pixelMedian = 0;
    int64_t median = 0;
    const double pixelNoise = LowerHalfNoise(pixels, pixelMedian);
    const int32_t lowest = *std::min_element(pixels.begin(), pixels.end());
    int32_t step = 0;
    for (int32_t v : pixels)
        if (v <= pixelMedian) step = std::gcd(step, v - lowest);
    const double noise = std::max({3 * pixelNoise, LowerHalfNoise(patches, median), 3.0 * std::max(step, 1)});
    return double(brightest - median) > kStarNoiseFactor * noise;
}

bool MeasureStarWindow(const Pixel* image, int width, int height, int x, int y, int h, WindowMeasure& out) {
    WindowMeasure m;
    if (!MeasureWindow(image, width, height, x, y, h, m)) return false;
    if (!m.holdsStar) {
        ShowMessage(69);
        return false;
    }
    out = m;
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

namespace {
bool Passes(bool needStar, const Pixel* image, int width, int height, int x, int y, int h, int passes,
            bool withTenths, StarPosition& out) {
    StarPosition p{x, y, 0, 0};
    for (int pass = 0; pass < passes; ++pass) {
        WindowMeasure m;
        if (!(needStar ? MeasureStarWindow : MeasureWindow)(image, width, height, p.x, p.y, h, m)) return false;
        p = withTenths ? TruncatedWithTenths(m) : Rounded(m);
    }
    out = p;
    return true;
}
}  // namespace

bool FindStar(const Pixel* image, int width, int height, int x, int y, int h, int passes, bool withTenths,
              StarPosition& out) {
    return Passes(false, image, width, height, x, y, h, passes, withTenths, out);
}

bool FindStarOnSky(const Pixel* image, int width, int height, int x, int y, int h, int passes, bool withTenths,
                   StarPosition& out) {
    return Passes(true, image, width, height, x, y, h, passes, withTenths, out);
}
