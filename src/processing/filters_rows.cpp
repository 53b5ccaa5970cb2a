// The convolution's and the unsharp mask's row kernels for the baseline
// instruction set, and the choice of kernels by processor.
#pragma GCC optimize("O3")
#define VELMORA_ROWS_NS rows_baseline
#include "processing/filters_rows_body.h"

void ConvolveRowBaseline(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row) {
    rows_baseline::ConvolveRow(kernel, divisor, src, dst, width, row);
}

void UnsharpRowBaseline(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row,
                        int32_t* column, bool slide) {
    rows_baseline::UnsharpRow(radius, power, src, dst, width, row, column, slide);
}

const PixelKernels& KernelsFor(PixelIsa isa) {
    static const PixelKernels baseline = {"baseline", ConvolveRowBaseline, UnsharpRowBaseline, MedianRowBaseline};
    static const PixelKernels avx2 = {"AVX2", ConvolveRowAvx2, UnsharpRowAvx2, MedianRowAvx2};
    static const PixelKernels avx512 = {"AVX-512", ConvolveRowAvx512, UnsharpRowAvx512, MedianRowAvx512};
    return isa == PixelIsa::kAvx512 ? avx512 : isa == PixelIsa::kAvx2 ? avx2 : baseline;
}

bool CpuRuns(PixelIsa isa) {
    __builtin_cpu_init();
    switch (isa) {
        case PixelIsa::kAvx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
        case PixelIsa::kAvx2: return __builtin_cpu_supports("avx2");
        default: return true;
    }
}

const PixelKernels& FastestKernels() {
    static const PixelKernels& fastest = KernelsFor(CpuRuns(PixelIsa::kAvx512) ? PixelIsa::kAvx512
                                                    : CpuRuns(PixelIsa::kAvx2) ? PixelIsa::kAvx2
                                                                               : PixelIsa::kBaseline);
    return fastest;
}
