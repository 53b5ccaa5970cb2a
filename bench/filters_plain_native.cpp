// The yardstick of the convolutions: the rule as a plain loop, kernel and
// divisor fixed at compile time, this file alone built for the processor in
// use (-march=native) so the compiler vectorises it as well as it can. Like
// the program's filter it writes the whole result, edges copied.
#include <cstddef>
#include <cstring>

#include "processing/filters.h"

void PlainConvolveNative(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int kernel,
                         int divisor);

namespace {

template <int R, int K, int D>
void Plain(const uint16_t* src, uint16_t* dst, int w, int h) {
    constexpr int side = 2 * R + 1;
    constexpr std::array<int16_t, 25> k = kFilterKernels[K];
    std::memcpy(dst, src, size_t(R) * w * 2);
    std::memcpy(dst + size_t(h - R) * w, src + size_t(h - R) * w, size_t(R) * w * 2);
    for (int i = R; i < h - R; ++i) {
        const uint16_t* a = src + size_t(i) * w;
        uint16_t* b = dst + size_t(i) * w;
        std::memcpy(b, a, R * 2);
        std::memcpy(b + w - R, a + w - R, R * 2);
        for (int j = R; j < w - R; ++j) {
            int32_t s = 0;
            for (int dy = -R; dy <= R; ++dy)
                for (int dx = -R; dx <= R; ++dx) s += k[(dy + R) * side + dx + R] * a[ptrdiff_t(dy) * w + j + dx];
            s /= D;
            b[j] = s > 65280 ? 65535 : s < 0 ? 0 : uint16_t(s);
        }
    }
}

}  // namespace

void PlainConvolveNative(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int kernel,
                         int divisor) {
    switch (kernel) {
        case kKernelLowpass: return Plain<1, kKernelLowpass, 16>(src, dst, width, height);
        case kKernelGaussian: return Plain<2, kKernelGaussian, 80>(src, dst, width, height);
        case kKernelHighPassLowPower: return Plain<1, kKernelHighPassLowPower, 1>(src, dst, width, height);
        case kKernelHighPassHighPower: return Plain<2, kKernelHighPassHighPower, 1>(src, dst, width, height);
        case kKernelSmootherSharper: return Plain<2, kKernelSmootherSharper, 1>(src, dst, width, height);
        default: return Plain<2, kKernelBasRelief, 1>(src, dst, width, height);
    }
}
