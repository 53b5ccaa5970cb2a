// The conditional median's row kernel for the baseline instruction set, and
// the choice of kernel.
#pragma GCC optimize("O3")
#define VELMORA_MEDIAN_NS median_baseline
#include "processing/filters_median_body.h"

float MedianPowerValue(int powerTenths) {
    // tenths x 0.1 worked out first, then stored in single precision: the
    // nearest float to 0.9 for nine tenths (0.89999998), not the product of
    // the float 0.1 by 9 (0.90000004), which would raise the threshold by one
    // for ranges such as 10.
    return float(powerTenths * 0.1);
}

MedianPower SplitMedianPower(int powerTenths) {
    const float p = MedianPowerValue(powerTenths);
    // Exact: p lies in [2^-4, 1] and has 24 significant bits, so p x 2^27 is
    // an integer.
    const uint32_t n = uint32_t(double(p) * 134217728.0);
    return {n >> 16, n & 0xFFFF};
}

void MedianRowBaseline(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                       uint16_t* sorted) {
    median_baseline::Row(side, src, dst, width, row, count, power, sorted);
}
