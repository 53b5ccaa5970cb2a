// The convolution's and the unsharp mask's row kernels. Included by the
// per-instruction-set files with VELMORA_ROWS_NS defined (a namespace of their
// own, so the copies built for different processors never mix). Nothing here
// may call an inline function of the standard library: its one out-of-line
// copy could come from a file built for a larger instruction set.
//
// Pixels are widened to 32-bit lanes, one register at a time; every sum is
// exact. A division of a sum s (|s| < 2^24) by d is done in single
// precision: s and d are exact there and the rounded quotient never crosses
// an integer, since s / d lies at least 1 / d from the next one and the
// rounding error is below |s / d| x 2^-24 < 1 / d.
#include <cstring>

#include <immintrin.h>

#include "processing/filters_rows.h"

namespace VELMORA_ROWS_NS {

// One vector is one register of the instruction set: the compiler's generic
// lowering of wider vectors goes through memory.
#if defined(__AVX512F__) && defined(__AVX512BW__)
constexpr int kLanes = 16;
#elif defined(__AVX2__)
constexpr int kLanes = 8;
#else
constexpr int kLanes = 4;
#endif
using VI = int32_t __attribute__((vector_size(4 * kLanes)));

// Loads, stores and the final steps for a vector or one value.
template <class T>
struct Lanes;

template <>
struct Lanes<int32_t> {
    static int32_t Widen(const uint16_t* p) { return *p; }
    static int32_t Load(const int32_t* p) { return *p; }
    static void Store(int32_t* p, int32_t v) { *p = v; }
    static int32_t Divide(int32_t s, float d) { return int32_t(float(s) / d); }
    static void StorePixels(uint16_t* p, int32_t s) { *p = s > 65280 ? 65535 : s < 0 ? 0 : uint16_t(s); }
};

// Widening, the final division and the clamp (results above 65280 are taken
// as full scale) in the instruction set's own operations.
template <>
struct Lanes<VI> {
    static VI Load(const int32_t* p) {
        VI v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    static void Store(int32_t* p, VI v) { std::memcpy(p, &v, sizeof v); }
#if defined(__AVX512F__) && defined(__AVX512BW__)
    static VI Widen(const uint16_t* p) {
        return VI(_mm512_cvtepu16_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))));
    }
    static VI Divide(VI s, float d) {
        return VI(_mm512_cvttps_epi32(_mm512_div_ps(_mm512_cvtepi32_ps(__m512i(s)), _mm512_set1_ps(d))));
    }
    static void StorePixels(uint16_t* p, VI s) {
        const __m512i v = __m512i(s);
        const __m512i full = _mm512_mask_mov_epi32(v, _mm512_cmpgt_epi32_mask(v, _mm512_set1_epi32(65280)),
                                                   _mm512_set1_epi32(65535));
        const __m256i narrow = _mm512_cvtusepi32_epi16(_mm512_max_epi32(full, _mm512_setzero_si512()));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), narrow);
    }
#elif defined(__AVX2__)
    static VI Widen(const uint16_t* p) {
        return VI(_mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))));
    }
    static VI Divide(VI s, float d) {
        return VI(_mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(__m256i(s)), _mm256_set1_ps(d))));
    }
    // The saturating pack takes negative sums to 0.
    static void StorePixels(uint16_t* p, VI s) {
        const __m256i v = __m256i(s);
        const __m256i full = _mm256_blendv_epi8(v, _mm256_set1_epi32(65535),
                                                _mm256_cmpgt_epi32(v, _mm256_set1_epi32(65280)));
        const __m128i packed = _mm_packus_epi32(_mm256_castsi256_si128(full), _mm256_extracti128_si256(full, 1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), packed);
    }
#else
    static VI Widen(const uint16_t* p) {
        const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
        return VI(_mm_unpacklo_epi16(v, _mm_setzero_si128()));
    }
    static VI Divide(VI s, float d) {
        return VI(_mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(__m128i(s)), _mm_set1_ps(d))));
    }
    // Clamped to 0..65535, moved down by 32768 for the signed pack, moved back.
    static void StorePixels(uint16_t* p, VI s) {
        VI v = s > 65280 ? VI{} + 65535 : s < 0 ? VI{} : s;
        v -= 32768;
        const __m128i packed = _mm_xor_si128(_mm_packs_epi32(__m128i(v), __m128i(v)), _mm_set1_epi16(-32768));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(p), packed);
    }
#endif
};

// ---------------------------------------------------------------- convolution

// Columns per block: the column sums of one block stay in the first-level cache.
constexpr int kBlock = 512;

template <int K>
struct Convolution {
    static constexpr SeparableKernel kKernel = kSeparableKernels[K];
    static constexpr int R = kKernel.radius, kSide = 2 * R + 1, kTerms = kKernel.terms;
    static constexpr int kSums = kBlock + 2 * R;

    // The row of a term that takes a single source row as it is (-1: none);
    // such a term is read straight from the source, not from the sums.
    static constexpr int UnitRow(int t) {
        int row = -1;
        for (int y = 0; y < kSide; ++y) {
            if (kKernel.term[t].vertical[y] == 0) continue;
            if (kKernel.term[t].vertical[y] != 1 || row >= 0) return -1;
            row = y;
        }
        return row;
    }

    // The column sums of every term at one column (x into the block's sums).
    template <class T>
    static inline __attribute__((always_inline)) void Vertical(const uint16_t* const* rows, int column,
                                                               int32_t (*sums)[kSums], int x) {
        T p[kSide];
#pragma GCC unroll 5
        for (int y = 0; y < kSide; ++y) p[y] = Lanes<T>::Widen(rows[y] + column);
#pragma GCC unroll 3
        for (int t = 0; t < kTerms; ++t) {
            if (UnitRow(t) >= 0) continue;
            T v = T{};
#pragma GCC unroll 5
            for (int y = 0; y < kSide; ++y)
                if (kKernel.term[t].vertical[y] != 0) v += kKernel.term[t].vertical[y] * p[y];
            Lanes<T>::Store(&sums[t][x], v);
        }
    }

    // The output at the column whose sums start at x (the window's left
    // edge, source column `column`).
    template <class T, bool Divide>
    static inline __attribute__((always_inline)) void Horizontal(const uint16_t* const* rows, int column,
                                                                 const int32_t (*sums)[kSums], int x, uint16_t* out,
                                                                 float divisor) {
        T s = T{};
#pragma GCC unroll 3
        for (int t = 0; t < kTerms; ++t)
#pragma GCC unroll 5
            for (int dx = 0; dx < kSide; ++dx) {
                const int w = kKernel.term[t].horizontal[dx];
                if (w == 0) continue;
                if (UnitRow(t) >= 0) s += w * Lanes<T>::Widen(rows[UnitRow(t)] + column + dx);
                else s += w * Lanes<T>::Load(&sums[t][x + dx]);
            }
        if constexpr (Divide) s = Lanes<T>::Divide(s, divisor);
        Lanes<T>::StorePixels(out, s);
    }

    template <bool Divide>
    static void Row(const uint16_t* src, uint16_t* dst, int width, int row, float divisor) {
        const uint16_t* rows[kSide];
        for (int y = 0; y < kSide; ++y) rows[y] = src + size_t(row - R + y) * width;
        uint16_t* out = dst + size_t(row) * width;
        alignas(64) int32_t sums[kTerms][kSums];
        for (int c0 = R; c0 < width - R; c0 += kBlock) {
            const int n = width - R - c0 < kBlock ? width - R - c0 : kBlock;  // outputs c0 .. c0 + n - 1
            const int m = n + 2 * R;                                            // sums of c0 - R .. c0 + n - 1 + R
            int x = 0;
            for (; x + kLanes <= m; x += kLanes) Vertical<VI>(rows, c0 - R + x, sums, x);
            for (; x < m; ++x) Vertical<int32_t>(rows, c0 - R + x, sums, x);
            x = 0;
            for (; x + kLanes <= n; x += kLanes) Horizontal<VI, Divide>(rows, c0 - R + x, sums, x, out + c0 + x, divisor);
            for (; x < n; ++x) Horizontal<int32_t, Divide>(rows, c0 - R + x, sums, x, out + c0 + x, divisor);
        }
    }
};

template <int K>
inline void ConvolveKernelRow(int divisor, const uint16_t* src, uint16_t* dst, int width, int row) {
    if (divisor == 1) Convolution<K>::template Row<false>(src, dst, width, row, 1.0f);
    else Convolution<K>::template Row<true>(src, dst, width, row, float(divisor));
}

inline void ConvolveRow(int kernel, int divisor, const uint16_t* src, uint16_t* dst, int width, int row) {
    switch (kernel) {
        case 0: ConvolveKernelRow<0>(divisor, src, dst, width, row); break;
        case 1: ConvolveKernelRow<1>(divisor, src, dst, width, row); break;
        case 2: ConvolveKernelRow<2>(divisor, src, dst, width, row); break;
        case 3: ConvolveKernelRow<3>(divisor, src, dst, width, row); break;
        case 4: ConvolveKernelRow<4>(divisor, src, dst, width, row); break;
        default: ConvolveKernelRow<5>(divisor, src, dst, width, row); break;
    }
}

// ---------------------------------------------------------------- unsharp

// The box sum is the sum of the 2r + 1 column sums around the pixel; its mean
// truncated, e = a + (a - mean) x k, clamped, all in one go along the row.
template <int R>
struct Unsharp {
    template <class T>
    static inline __attribute__((always_inline)) void Pixel(const int32_t* column, const uint16_t* a, uint16_t* out,
                                                            int j, int power) {
        constexpr float kCount = float((2 * R + 1) * (2 * R + 1));
        T box = Lanes<T>::Load(column + j - R);
#pragma GCC unroll 14
        for (int x = 1; x <= 2 * R; ++x) box += Lanes<T>::Load(column + j - R + x);
        const T mean = Lanes<T>::Divide(box, kCount);
        const T v = Lanes<T>::Widen(a + j);
        Lanes<T>::StorePixels(out + j, v + (v - mean) * power);
    }

    static void Row(int power, const uint16_t* src, uint16_t* dst, int width, int row, int32_t* column, bool slide) {
        if (slide) {
            const uint16_t* add = src + size_t(row + R) * width;
            const uint16_t* sub = src + size_t(row - R - 1) * width;
            int32_t* __restrict c = column;
            for (int x = 0; x < width; ++x) c[x] += int32_t(add[x]) - int32_t(sub[x]);
        }
        const uint16_t* a = src + size_t(row) * width;
        uint16_t* out = dst + size_t(row) * width;
        const int last = width - 2 - R;
        int j = R;
        for (; j + kLanes - 1 <= last; j += kLanes) Pixel<VI>(column, a, out, j, power);
        for (; j <= last; ++j) Pixel<int32_t>(column, a, out, j, power);
    }
};

inline void UnsharpRow(int radius, int power, const uint16_t* src, uint16_t* dst, int width, int row,
                       int32_t* column, bool slide) {
    switch (radius) {
        case 1: Unsharp<1>::Row(power, src, dst, width, row, column, slide); break;
        case 2: Unsharp<2>::Row(power, src, dst, width, row, column, slide); break;
        case 3: Unsharp<3>::Row(power, src, dst, width, row, column, slide); break;
        case 4: Unsharp<4>::Row(power, src, dst, width, row, column, slide); break;
        case 5: Unsharp<5>::Row(power, src, dst, width, row, column, slide); break;
        case 6: Unsharp<6>::Row(power, src, dst, width, row, column, slide); break;
        default: Unsharp<7>::Row(power, src, dst, width, row, column, slide); break;
    }
}

}  // namespace VELMORA_ROWS_NS
