// The conditional median's row kernel, built three times (AVX-512, AVX2 and
// the baseline instruction set) and chosen once by what the processor offers.
#pragma once
#include <cstddef>
#include <cstdint>

// p = tenths x 0.1 in single precision is N / 2^27 for an integer N up to
// 2^27; trunc(range x p) = (range x high + (range x low >> 16)) >> 11 with
// N = high x 2^16 + low, exact in 32-bit arithmetic.
struct MedianPower {
    uint32_t high, low;
};
MedianPower SplitMedianPower(int powerTenths);
// The power as the filter uses it: the single-precision value of tenths x 0.1.
float MedianPowerValue(int powerTenths);

// Length of one scratch row: the width rounded up to 32 values, plus 32.
inline size_t MedianScratchStride(int width) { return (size_t(width) + 63) / 32 * 32; }

// count (1 or 2) rows of the conditional median from row on, window side 3,
// 5 or 7: reads rows row - side/2 .. row + count - 1 + side/2 of src, writes
// columns side/2 .. W - 1 - side/2 of those rows of dst. sorted is scratch of
// 2 x side rows of MedianScratchStride values, 64-byte aligned.
using MedianRowFn = void (*)(int side, const uint16_t* src, uint16_t* dst, int width, int row,
                             int count, MedianPower power, uint16_t* sorted);
void MedianRowAvx512(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                     uint16_t* sorted);
void MedianRowAvx2(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                   uint16_t* sorted);
void MedianRowBaseline(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                       uint16_t* sorted);
