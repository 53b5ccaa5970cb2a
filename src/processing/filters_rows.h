// The row kernels of the convolution and the unsharp mask, built three times
// (AVX-512, AVX2 and the baseline instruction set, each file with its own
// compiler flags) and chosen once by what the processor offers, together with
// the conditional median's row kernel.
#pragma once
#include <cstddef>
#include <cstdint>

#include "processing/filters.h"
#include "processing/filters_median.h"

// Each convolution kernel as a sum of separable terms: weight(dy, dx) = sum
// over the terms of vertical[dy + r] x horizontal[dx + r]. A row is filtered
// by first combining the 2r + 1 source rows column by column (one combination
// per term), then combining those sums along the row.
struct SeparableTerm {
    int vertical[5], horizontal[5];
};
struct SeparableKernel {
    int radius, terms;
    SeparableTerm term[3];
};
inline constexpr SeparableKernel kSeparableKernels[kKernelCount] = {
    // 0 lowpass: (1 2 1) x (1 2 1).
    {1, 1, {{{1, 2, 1}, {1, 2, 1}}}},
    // 1 Gaussian: with u = (1 0 0 0 1) and v = (0 1 2 1 0), u x v + v x (u + 4v).
    {2, 2, {{{1, 0, 0, 0, 1}, {0, 1, 2, 1, 0}}, {{0, 1, 2, 1, 0}, {1, 4, 8, 4, 1}}}},
    // 2 high pass, low power: 5 x centre less its four neighbours.
    {1, 2, {{{1, 0, 1}, {0, -1, 0}}, {{0, 1, 0}, {-1, 5, -1}}}},
    // 3 high pass, high power: 26 x centre less the 5 x 5 box.
    {2, 2, {{{1, 1, 1, 1, 1}, {-1, -1, -1, -1, -1}}, {{0, 0, 1, 0, 0}, {0, 0, 26, 0, 0}}}},
    // 4 smoother/sharper: outer rows, inner rows, 4 x centre.
    {2, 3,
     {{{1, 0, 0, 0, 1}, {0, -1, -1, -1, 0}},
      {{0, 1, 1, 1, 0}, {-1, 1, 1, 1, -1}},
      {{0, 0, 1, 0, 0}, {0, 0, 4, 0, 0}}}},
    // 5 bas relief: the rows below less the rows above, and the centre row.
    {2, 3,
     {{{-1, 0, 0, 0, 1}, {0, 0, 1, 0, 0}},
      {{0, -1, 0, 1, 0}, {0, 1, 1, 1, 0}},
      {{0, 0, 1, 0, 0}, {-1, -1, 1, 1, 1}}}},
};

constexpr bool SeparableFormsAreTheKernels() {
    for (int k = 0; k < kKernelCount; ++k) {
        const SeparableKernel& s = kSeparableKernels[k];
        const int side = 2 * s.radius + 1;
        for (int dy = 0; dy < side; ++dy)
            for (int dx = 0; dx < side; ++dx) {
                int w = 0;
                for (int t = 0; t < s.terms; ++t) w += s.term[t].vertical[dy] * s.term[t].horizontal[dx];
                if (w != kFilterKernels[k][dy * side + dx]) return false;
            }
    }
    return true;
}
static_assert(SeparableFormsAreTheKernels());

// Row `row` of a convolution with kernel 0..5 at its own radius r: columns
// r .. W - 1 - r of dst from rows row - r .. row + r of src; divisor >= 1.
using ConvolveRowFn = void (*)(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row);
// Row `row` of the unsharp mask (radius 1..7, power 1..7): columns r .. W - 2 - r
// of dst. column[c] holds the sum of column c over rows row - r .. row + r;
// with slide set it holds the sums of the row above and is moved down first.
using UnsharpRowFn = void (*)(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row,
                              int32_t* column, bool slide);

void ConvolveRowAvx512(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row);
void ConvolveRowAvx2(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row);
void ConvolveRowBaseline(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row);
void UnsharpRowAvx512(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row, int32_t* column,
                      bool slide);
void UnsharpRowAvx2(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row, int32_t* column,
                    bool slide);
void UnsharpRowBaseline(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row,
                        int32_t* column, bool slide);

// The kernels of one instruction set.
enum class PixelIsa { kBaseline, kAvx2, kAvx512 };
struct PixelKernels {
    const char* name;
    ConvolveRowFn convolve;
    UnsharpRowFn unsharp;
    MedianRowFn median;
};
const PixelKernels& KernelsFor(PixelIsa isa);
// Whether this processor runs that instruction set.
bool CpuRuns(PixelIsa isa);
// The fastest kernels this processor runs, chosen once.
const PixelKernels& FastestKernels();

// The pure filters of filters.h with the kernels given.
void ConvolveWith(const PixelKernels& kernels, const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                  int kernel, int divisor, const ProgressFn& progress = {});
void UnsharpWith(const PixelKernels& kernels, const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                 int power, const ProgressFn& progress = {});
void ConditionalMedianWith(const PixelKernels& kernels, const uint16_t* src, uint16_t* dst, int width, int height,
                           int radius, int powerTenths, const ProgressFn& progress = {});
