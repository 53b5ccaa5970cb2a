#pragma GCC optimize("O3")
#include "processing/filters.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "core/state.h"
#include "display/render.h"
#include "processing/filters_median.h"
#include "processing/filters_support.h"
#include "core/history.h"
#include "platform/platform.h"

const std::array<std::array<int16_t, 25>, kKernelCount> kFilterKernels = {{
    // 0 lowpass, 3 x 3
    {1, 2, 1, 2, 4, 2, 1, 2, 1},
    // 1 Gaussian, 5 x 5
    {0, 1, 2, 1, 0, 1, 4, 8, 4, 1, 2, 8, 16, 8, 2, 1, 4, 8, 4, 1, 0, 1, 2, 1, 0},
    // 2 high pass, low power, 3 x 3
    {0, -1, 0, -1, 5, -1, 0, -1, 0},
    // 3 high pass, high power, 5 x 5
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 25, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    // 4 smoother/sharper, 5 x 5
    {0, -1, -1, -1, 0, -1, 1, 1, 1, -1, -1, 1, 5, 1, -1, -1, 1, 1, 1, -1, 0, -1, -1, -1, 0},
    // 5 bas relief, 5 x 5
    {0, 0, -1, 0, 0, 0, -1, -1, -1, 0, -1, -1, 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0},
}};

#if defined(__clang__)
// clang cannot clone templates by target; it builds the portable versions.
#define VELMORA_HOT
#else
#define VELMORA_HOT __attribute__((target_clones("avx2", "default")))
#endif

namespace {

// Filter results above 65280 are taken as full scale.
inline uint16_t ClampResult(int32_t s) {
    return s > 65280 ? uint16_t(65535) : s < 0 ? uint16_t(0) : uint16_t(s);
}

// The bar spans the rows of the image, full size or binned alike.
inline int ProgressOfRow(int row, int height) { return int(int64_t(row) * 256 / height); }

void CopyImage(const uint16_t* src, uint16_t* dst, int width, int height) {
    if (src != dst) std::memcpy(dst, src, size_t(width) * size_t(height) * sizeof(uint16_t));
}

// Copies what a filter leaves alone: the rows above firstRow and below
// H - 1 - bottom, and in between the left and right margins. Out-of-range
// parameters that leave nothing to compute copy the whole image.
void CopyOutside(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int firstRow, int left,
                 int right) {
    const int lastRow = height - 1 - radius;
    if (firstRow > lastRow || left + right >= width) {
        CopyImage(src, dst, width, height);
        return;
    }
    std::memcpy(dst, src, size_t(firstRow) * width * sizeof(uint16_t));
    std::memcpy(dst + size_t(lastRow + 1) * width, src + size_t(lastRow + 1) * width,
                size_t(height - 1 - lastRow) * width * sizeof(uint16_t));
    for (int i = firstRow; i <= lastRow; ++i) {
        const size_t row = size_t(i) * width;
        std::memcpy(dst + row, src + row, size_t(left) * sizeof(uint16_t));
        std::memcpy(dst + row + width - right, src + row + width - right, size_t(right) * sizeof(uint16_t));
    }
}

// ---------------------------------------------------------------- convolution

struct Tap {
    ptrdiff_t offset;
    int32_t weight;
};

// One output row: acc[k] = sum of weight x pixel over the taps, then the
// division and the clamp. Templated on the divisor so the common ones become
// multiplications.
template <int Divisor>
VELMORA_HOT void ConvolveRow(const uint16_t* centre, uint16_t* out, int n, const Tap* taps, int tapCount,
                             int divisor, int32_t* acc) {
    for (int k = 0; k < n; ++k) acc[k] = 0;
    for (int t = 0; t < tapCount; ++t) {
        const uint16_t* __restrict q = centre + taps[t].offset;
        const int32_t w = taps[t].weight;
        int32_t* __restrict a = acc;
        if (w == 1) {
            for (int k = 0; k < n; ++k) a[k] += q[k];
        } else if (w == -1) {
            for (int k = 0; k < n; ++k) a[k] -= q[k];
        } else {
            for (int k = 0; k < n; ++k) a[k] += w * int32_t(q[k]);
        }
    }
    const int d = Divisor ? Divisor : divisor;
    for (int k = 0; k < n; ++k) {
        const int32_t s = Divisor == 1 ? acc[k] : acc[k] / d;
        out[k] = s > 65280 ? uint16_t(65535) : s < 0 ? uint16_t(0) : uint16_t(s);
    }
}

// ---------------------------------------------------------------- unsharp

// floor(s / n) for 0 <= s < 2^24 by one multiplication: m = ceil(2^40 / n)
// leaves an error below 2^-16, less than the 1/n gap to the next integer.
struct Divider {
    explicit Divider(uint32_t n) : m((uint64_t(1) << 40) / n + 1) {}
    uint32_t operator()(uint32_t s) const { return uint32_t((uint64_t(s) * m) >> 40); }
    uint64_t m;
};

}  // namespace

void ConvolveInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int kernel,
                  int divisor, const ProgressFn& progress) {
    CopyImage(src, dst, width, height);
    if (radius < 1 || radius > 2 || kernel < 0 || kernel >= kKernelCount || divisor < 1) return;
    if (width < 2 * radius + 1) return;
    const int size = 2 * radius + 1;
    std::vector<Tap> taps;
    for (int dy = -radius; dy <= radius; ++dy) {
        for (int dx = -radius; dx <= radius; ++dx) {
            const int weight = kFilterKernels[kernel][(dy + radius) * size + (dx + radius)];
            if (weight != 0) taps.push_back({ptrdiff_t(dy) * width + dx, weight});
        }
    }
    const int n = width - 2 * radius;
    std::vector<int32_t> acc(static_cast<size_t>(n));
    const int first = radius + KeptLabelRows(src, width, height);
    for (int i = first; i <= height - radius - 1; ++i) {
        if (progress) progress(ProgressOfRow(i, height));
        const uint16_t* centre = src + size_t(i) * width + radius;
        uint16_t* out = dst + size_t(i) * width + radius;
        const int count = int(taps.size());
        switch (divisor) {
            case 1: ConvolveRow<1>(centre, out, n, taps.data(), count, 1, acc.data()); break;
            case 16: ConvolveRow<16>(centre, out, n, taps.data(), count, 16, acc.data()); break;
            case 80: ConvolveRow<80>(centre, out, n, taps.data(), count, 80, acc.data()); break;
            default: ConvolveRow<0>(centre, out, n, taps.data(), count, divisor, acc.data()); break;
        }
    }
}

void UnsharpInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int power,
                 const ProgressFn& progress) {
    CopyImage(src, dst, width, height);
    if (radius < 1 || radius > 7 || power < 1 || power > 7) return;
    // Columns r .. W - 2 - r change.
    if (width - 2 - radius < radius) return;
    const int first = radius + KeptLabelRows(src, width, height);
    const int last = height - radius - 1;
    if (first > last) return;
    const int side = 2 * radius + 1;
    const Divider divide(uint32_t(side * side));
    // Column sums over rows i - r .. i + r, carried down the image.
    std::vector<uint32_t> column(size_t(width), 0);
    for (int y = first - radius; y <= first + radius; ++y) {
        const uint16_t* row = src + size_t(y) * width;
        for (int c = 0; c < width; ++c) column[c] += row[c];
    }
    for (int i = first; i <= last; ++i) {
        if (progress) progress(ProgressOfRow(i, height));
        if (i > first) {
            const uint16_t* add = src + size_t(i + radius) * width;
            const uint16_t* sub = src + size_t(i - radius - 1) * width;
            uint32_t* __restrict col = column.data();
            for (int c = 0; c < width; ++c) col[c] += uint32_t(add[c]) - uint32_t(sub[c]);
        }
        uint32_t box = 0;
        for (int c = 0; c < side; ++c) box += column[c];
        const uint16_t* a = src + size_t(i) * width;
        uint16_t* out = dst + size_t(i) * width;
        for (int j = radius; j <= width - 2 - radius; ++j) {
            const int32_t mean = int32_t(divide(box));
            const int32_t v = a[j];
            out[j] = ClampResult(v + (v - mean) * power);
            box += column[j + radius + 1] - column[j - radius];
        }
    }
}

int MedianRangeThreshold(int range, int powerTenths) {
    const MedianPower power = SplitMedianPower(powerTenths);
    const uint32_t r = uint32_t(range);
    return int((r * power.high + ((r * power.low) >> 16)) >> 11);
}

void ConditionalMedianInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                           int powerTenths, const ProgressFn& progress) {
    // Out-of-range parameters change nothing: the whole image is copied (the
    // margins alone would leave the inside of dst unwritten).
    if (radius < 1 || radius > 3 || powerTenths < 1 || powerTenths > 10) return CopyImage(src, dst, width, height);
    CopyOutside(src, dst, width, height, radius, radius + KeptLabelRows(src, width, height), radius, radius);
    if (width < 2 * radius + 1) return;
    const MedianPower power = SplitMedianPower(powerTenths);
    const int side = 2 * radius + 1;
    // Scratch rows start on 64-byte boundaries.
    std::vector<uint16_t> scratch(2 * size_t(side) * MedianScratchStride(width) + 32);
    uint16_t* sorted = scratch.data() + ((64 - reinterpret_cast<uintptr_t>(scratch.data()) % 64) % 64) / 2;
    static const MedianRowFn rowFn = PickMedianRow();
    const int first = radius + KeptLabelRows(src, width, height);
    const int last = height - radius - 1;
    for (int i = first; i <= last; i += 2) {
        const int count = i < last ? 2 : 1;
        for (int k = 0; k < count; ++k)
            if (progress) progress(ProgressOfRow(i + k, height));
        rowFn(side, src, dst, width, i, count, power, sorted);
    }
}

bool RemoveGradientFrom(uint16_t* pixels, int width, int height) {
    if (width < kGradientMinWidth || height < kGradientMinHeight) return false;
    struct Patch {
        int row, column;
        bool skipBinZero;
    };
    const Patch patches[4] = {{10, 20, false}, {10, 600, false}, {450, 20, true}, {450, 600, true}};
    int level[4];
    std::vector<uint32_t> bins(4096);
    for (int p = 0; p < 4; ++p) {
        std::fill(bins.begin(), bins.end(), 0);
        for (int y = patches[p].row; y < patches[p].row + 40; ++y) {
            const uint16_t* row = pixels + size_t(y) * width;
            for (int x = patches[p].column; x < patches[p].column + 40; ++x) ++bins[row[x] >> 4];
        }
        // The most populated bin, first maximum winning; the bottom patches
        // search from bin 1 (level 1 when no bin from 1 up has a count).
        int best = patches[p].skipBinZero ? 1 : 0;
        uint32_t most = bins[best];
        for (int b = best + 1; b < 4096; ++b) {
            if (bins[b] > most) {
                most = bins[b];
                best = b;
            }
        }
        level[p] = best;
    }
    const int q = std::min(std::min(level[0], level[1]), std::min(level[2], level[3]));
    const int64_t gtl = int64_t(level[0] - q) * 16, gtr = int64_t(level[1] - q) * 16;
    const int64_t gbl = int64_t(level[2] - q) * 16, gbr = int64_t(level[3] - q) * 16;
    // G = N / (W H) with N an exact integer: compared and truncated exactly.
    const int64_t w = width, h = height, area = w * h;
    for (int i = KeptLabelRows(pixels, width, height); i < height; ++i) {
        uint16_t* row = pixels + size_t(i) * width;
        const int64_t top = h - i, bottom = i;
        for (int j = 0; j < width; ++j) {
            const int64_t left = w - j, right = j;
            const int64_t numerator = top * left * gtl + top * right * gtr + bottom * left * gbl + bottom * right * gbr;
            const int64_t a = row[j];
            row[j] = a * area > numerator ? uint16_t(a - numerator / area) : uint16_t(0);
        }
    }
    return true;
}

// ---------------------------------------------------------------- commands

namespace {

// Undo copy, the result built in image buffer B from an unchanged A, copied
// back into A, the progress window open throughout.
template <class Operation>
void RunFilter(const char* caption, Operation operation) {
    AppState& s = State();
    const int w = s.geometry.width, h = s.geometry.height;
    FilterProgressWindow window(caption);
    SaveUndo();
    operation(s.imageA, s.imageB, w, h, window.Callback());
    CopyImage(s.imageB, s.imageA, w, h);
}

}  // namespace

void Convolve(int radius, int kernel, int divisor, bool redraw) {
    RunFilter("FILTER PROGRESS", [&](const uint16_t* a, uint16_t* b, int w, int h, const ProgressFn& p) {
        ConvolveInto(a, b, w, h, radius, kernel, divisor, p);
    });
    if (redraw) RedrawImage();
}

static void MenuConvolution(int radius, int kernel, int divisor, const char* history, bool redraw = true) {
    Convolve(radius, kernel, divisor, redraw);
    AddHistory(history);
}

void LowpassFilter() { MenuConvolution(1, kKernelLowpass, 16, "Lowpass Smoother Filter"); }
void GaussianFilter() { MenuConvolution(2, kKernelGaussian, 80, "Gaussian Filter"); }
void HighPassLowPower(bool redraw) {
    MenuConvolution(1, kKernelHighPassLowPower, 1, "High Pass Low Power Filter", redraw);
}
void HighPassHighPower() { MenuConvolution(2, kKernelHighPassHighPower, 1, "High Pass High Power Filter"); }
void SmootherSharper() { MenuConvolution(2, kKernelSmootherSharper, 1, "Smoother/Sharper Filter"); }
void BasRelief() { MenuConvolution(2, kKernelBasRelief, 1, "Bas Relief Filter"); }

std::string UnsharpHistory(int radius, int power) {
    return "Unsharp Mask : rad " + std::to_string(radius) + " ,power " + std::to_string(power);
}

std::string MedianHistory(int radius, int powerTenths) {
    char text[32];
    std::snprintf(text, sizeof text, "%1.1f", double(MedianPowerValue(powerTenths)));
    return "Median Filter : rad " + std::to_string(radius) + " ,power " + text;
}

bool Unsharp(int radius, int power, bool redraw) {
    if (radius < 1 || radius > 7 || power < 1 || power > 7)
        return RefuseParameter("Sorry, the unsharp mask radius and power must be 1 to 7");
    RunFilter("UNSHARP MASK PROGRESS", [&](const uint16_t* a, uint16_t* b, int w, int h, const ProgressFn& p) {
        UnsharpInto(a, b, w, h, radius, power, p);
    });
    if (redraw) RedrawImage();
    AddHistory(UnsharpHistory(radius, power));
    return true;
}

bool ConditionalMedian(int radius, int powerTenths) {
    if (radius < 1 || radius > 3 || powerTenths < 1 || powerTenths > 10)
        return RefuseParameter("Sorry, the median filter radius must be 1 to 3 and the power 0.1 to 1.0");
    RunFilter("MEDIAN FILTER PROGRESS",
              [&](const uint16_t* a, uint16_t* b, int w, int h, const ProgressFn& p) {
                  ConditionalMedianInto(a, b, w, h, radius, powerTenths, p);
              });
    RedrawImage();
    AddHistory(MedianHistory(radius, powerTenths));
    return true;
}

bool RemoveGradient() {
    AppState& s = State();
    const int w = s.geometry.width, h = s.geometry.height;
    if (w < kGradientMinWidth || h < kGradientMinHeight) {
        return RefuseParameter("Sorry, the Gradient Filter needs an image of at least 640 x 490 pixels");
    }
    Sys().system->SetBusyCursor(true);
    SaveUndo();
    RemoveGradientFrom(s.imageA, w, h);
    AddHistory("Gradient Filter");
    RedrawImage();
    Sys().system->SetBusyCursor(false);
    return true;
}
