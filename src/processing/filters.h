// Spatial filters on image buffer A: six fixed convolution kernels, the unsharp
// mask, the conditional median and the gradient (sky background) remover.
// Pixels closer to the edge than the filter radius keep their values; a
// labelled image keeps its first 10 rows.
//
// The *Into functions are pure: they read src (W x H) and write the whole
// result into dst (dst != src). The commands below work on image buffer A:
// undo copy, progress window, result built in image buffer B, copied back,
// redraw, one history line.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "processing/stretches.h"

inline constexpr int kKernelLowpass = 0;
inline constexpr int kKernelGaussian = 1;
inline constexpr int kKernelHighPassLowPower = 2;
inline constexpr int kKernelHighPassHighPower = 3;
inline constexpr int kKernelSmootherSharper = 4;
inline constexpr int kKernelBasRelief = 5;
inline constexpr int kKernelCount = 6;

// Kernel weights row by row; a radius-1 kernel uses the first 9 as 3 x 3.
inline constexpr std::array<std::array<int16_t, 25>, kKernelCount> kFilterKernels = {{
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

// ---- Pure operations. progress (optional) gets the bar position (0..256,
// row x 256 / H) at the start of each row.
// radius 1 or 2, kernel 0..5, divisor >= 1.
void ConvolveInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int kernel,
                  int divisor, const ProgressFn& progress = {});
// radius 1..7, power 1..7.
void UnsharpInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int power,
                 const ProgressFn& progress = {});
// radius 1..3, power in tenths 1..10 (used as the single-precision tenths x 0.1).
void ConditionalMedianInto(const uint16_t* src, uint16_t* dst, int width, int height, int radius,
                           int powerTenths, const ProgressFn& progress = {});
// trunc(range x p) for the single-precision p = tenths x 0.1, exactly: the
// median replaces a pixel when this is below |median - pixel|.
int MedianRangeThreshold(int range, int powerTenths);
// In place; false (nothing changed) for images smaller than 640 x 490.
bool RemoveGradientFrom(uint16_t* pixels, int width, int height);
inline constexpr int kGradientMinWidth = 640;
inline constexpr int kGradientMinHeight = 490;

// ---- Commands on image buffer A.
// The shared convolution: adds no history line (the callers below do).
void Convolve(int radius, int kernel, int divisor, bool redraw = true);
// The menu convolutions, each with its history line.
void LowpassFilter();                        // radius 1, kernel 0, divisor 16
void GaussianFilter();                       // radius 2, kernel 1, divisor 80
void HighPassLowPower(bool redraw = true);   // radius 1, kernel 2, divisor 1
void HighPassHighPower();                    // radius 2, kernel 3, divisor 1
void SmootherSharper();                      // radius 2, kernel 4, divisor 1
void BasRelief();                            // radius 2, kernel 5, divisor 1
// Unsharp mask, radius 1..7, power 1..7; false (message shown) when out of range.
bool Unsharp(int radius, int power, bool redraw = true);
// Conditional median, radius 1..3, power in tenths 1..10; false (message
// shown) when out of range.
bool ConditionalMedian(int radius, int powerTenths);
// Gradient remover; false (message shown, image untouched) when the image is
// smaller than 640 x 490.
bool RemoveGradient();

// History lines.
std::string UnsharpHistory(int radius, int power);
std::string MedianHistory(int radius, int powerTenths);
