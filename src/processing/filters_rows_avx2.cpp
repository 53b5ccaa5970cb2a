// The convolution's and the unsharp mask's row kernels for processors with
// AVX2 (this file is built with -mavx2).
#define VELMORA_ROWS_NS rows_avx2
#include "processing/filters_rows_body.h"

void ConvolveRowAvx2(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row) {
    rows_avx2::ConvolveRow(kernel, divisor, src, dst, width, row);
}

void UnsharpRowAvx2(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row, int32_t* column,
                    bool slide) {
    rows_avx2::UnsharpRow(radius, power, src, dst, width, row, column, slide);
}
