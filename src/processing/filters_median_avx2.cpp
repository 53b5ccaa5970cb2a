// The conditional median's row kernel for processors with AVX2.
#include <algorithm>
#include <cstring>
#if defined(__clang__)
// clang ignores GCC target pragmas: give every function of this file the
// instruction set by attribute instead.
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC optimize("O3")
#pragma GCC target("avx2")
#endif
#define VELMORA_MEDIAN_NS median_avx2
#define VELMORA_MEDIAN_AVX2 1
#include "processing/filters_median_body.h"

void MedianRowAvx2(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                   uint16_t* sorted) {
    median_avx2::Row(side, src, dst, width, row, count, power, sorted);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
