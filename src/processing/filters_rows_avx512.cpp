// The convolution's and the unsharp mask's row kernels for processors with
// AVX-512 (this file is built with -mavx512f -mavx512bw).
#define VELMORA_ROWS_NS rows_avx512
#include "processing/filters_rows_body.h"

void ConvolveRowAvx512(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row) {
    rows_avx512::ConvolveRow(kernel, divisor, src, dst, width, row);
}

void UnsharpRowAvx512(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row, int32_t* column,
                      bool slide) {
    rows_avx512::UnsharpRow(radius, power, src, dst, width, row, column, slide);
}
