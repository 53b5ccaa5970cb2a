// The conditional median's row kernel for processors with AVX-512 (BW).
#include <algorithm>
#include <cstring>
#include <immintrin.h>
#if defined(__clang__)
// clang ignores GCC target pragmas: give every function of this file the
// instruction set by attribute instead.
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw"))), apply_to = function)
#else
#pragma GCC optimize("O3")
#pragma GCC target("avx512f,avx512bw")
#endif
#define VELMORA_MEDIAN_NS median_avx512
#define VELMORA_MEDIAN_AVX512 1
#include "processing/filters_median_body.h"

void MedianRowAvx512(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                     uint16_t* sorted) {
    median_avx512::Row(side, src, dst, width, row, count, power, sorted);
}

#if defined(__clang__)
#pragma clang attribute pop
#endif
