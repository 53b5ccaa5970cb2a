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
#include "processing/filters_rows.h"
#include "processing/filters_support.h"
#include "core/history.h"
#include "platform/platform.h"



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

// A kernel at another radius than its own (a 5 x 5 kernel's first 9 weights
// as 3 x 3, a 3 x 3 kernel padded with zeros to 5 x 5): the rule as it stands.
void ConvolveOtherRadius(const uint16_t* src, uint16_t* dst, int width, int radius, int kernel, int divisor,
                         int row) {
    const int side = 2 * radius + 1;
    for (int j = radius; j <= width - 1 - radius; ++j) {
        int32_t s = 0;
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                s += kFilterKernels[kernel][(dy + radius) * side + dx + radius] *
                     int32_t(src[size_t(row + dy) * width + j + dx]);
        dst[size_t(row) * width + j] = ClampResult(s / divisor);
    }
}

}  // namespace

void ConvolveWith(const PixelKernels& kernels, const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                  int kernel, int divisor, const ProgressFn& progress) {
    if (radius < 1 || radius > 2 || kernel < 0 || kernel >= kKernelCount || divisor < 1)
        return CopyImage(src, dst, width, height);
    const int first = radius + KeptLabelRows(src, width, height);
    CopyOutside(src, dst, width, height, radius, first, radius, radius);
    if (width < 2 * radius + 1) return;
    const bool ownRadius = kSeparableKernels[kernel].radius == radius;
    for (int i = first; i <= height - radius - 1; ++i) {
        if (progress) progress(ProgressOfRow(i, height));
        if (ownRadius) kernels.convolve(kernel, divisor, src, dst, width, i);
        else ConvolveOtherRadius(src, dst, width, radius, kernel, divisor, i);
    }
}

void ConvolveInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int kernel,
                  int divisor, const ProgressFn& progress) {
    ConvolveWith(FastestKernels(), src, dst, width, height, radius, kernel, divisor, progress);
}

void UnsharpWith(const PixelKernels& kernels, const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                 int power, const ProgressFn& progress) {
    if (radius < 1 || radius > 7 || power < 1 || power > 7) return CopyImage(src, dst, width, height);
    // Columns r .. W - 2 - r change.
    const int first = radius + KeptLabelRows(src, width, height);
    const int last = height - radius - 1;
    CopyOutside(src, dst, width, height, radius, first, radius, radius + 1);
    if (width - 2 - radius < radius || first > last) return;
    // Column sums over rows i - r .. i + r, carried down the image.
    std::vector<int32_t> column(size_t(width), 0);
    for (int y = first - radius; y <= first + radius; ++y) {
        const uint16_t* row = src + size_t(y) * width;
        for (int c = 0; c < width; ++c) column[c] += row[c];
    }
    for (int i = first; i <= last; ++i) {
        if (progress) progress(ProgressOfRow(i, height));
        kernels.unsharp(radius, power, src, dst, width, i, column.data(), i > first);
    }
}

void UnsharpInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int power,
                 const ProgressFn& progress) {
    UnsharpWith(FastestKernels(), src, dst, width, height, radius, power, progress);
}

int MedianRangeThreshold(int range, int powerTenths) {
    const MedianPower power = SplitMedianPower(powerTenths);
    const uint32_t r = uint32_t(range);
    return int((r * power.high + ((r * power.low) >> 16)) >> 11);
}

void ConditionalMedianWith(const PixelKernels& kernels, const uint16_t* src, uint16_t* dst, int width, int height,
                           int radius, int powerTenths, const ProgressFn& progress) {
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
    const int first = radius + KeptLabelRows(src, width, height);
    const int last = height - radius - 1;
    for (int i = first; i <= last; i += 2) {
        const int count = i < last ? 2 : 1;
        for (int k = 0; k < count; ++k)
            if (progress) progress(ProgressOfRow(i + k, height));
        kernels.median(side, src, dst, width, i, count, power, sorted);
    }
}

void ConditionalMedianInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                           int powerTenths, const ProgressFn& progress) {
    ConditionalMedianWith(FastestKernels(), src, dst, width, height, radius, powerTenths, progress);
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
