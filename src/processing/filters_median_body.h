// The conditional median's row kernel. Included by the per-instruction-set
// files with VELMORA_MEDIAN_NS (a namespace of their own, so the copies
// built for different processors never mix) and VELMORA_MEDIAN_AVX512 or
// VELMORA_MEDIAN_AVX2 for those instruction sets.
//
// The window's median and maximum are the (n/2 + 1)-th and first values of a
// descending selection; any exact selection gives the same two numbers. Rows
// are done one register of pixels at a time (32, 16 or 8): each window column is sorted once per row
// (shared by the 2r + 1 windows that contain it), then a comparator network
// merges the sorted columns far enough to give minimum, median and maximum.
#include <algorithm>
#include <cstring>

#include "processing/filters_median.h"

#include <immintrin.h>

namespace VELMORA_MEDIAN_NS {

// One vector is one register: the compiler's generic lowering of wider
// vectors goes through memory.
#if defined(VELMORA_MEDIAN_AVX512)
constexpr int kLanes = 32;
#elif defined(VELMORA_MEDIAN_AVX2)
constexpr int kLanes = 16;
#else
constexpr int kLanes = 8;
#endif
using VM = uint16_t __attribute__((vector_size(2 * kLanes)));

#define MIN(a, b) ((a) < (b) ? (a) : (b))
#define MAX(a, b) ((a) < (b) ? (b) : (a))
#include "processing/filters_median_sorted_networks.h"

template <int S, class V>
inline __attribute__((always_inline)) void WindowMinMedianMax(V* w, V& lo, V& med, V& hi) {
    if constexpr (S == 3) {
        // Sorted columns c: w[3c] <= w[3c + 1] <= w[3c + 2]. The median of
        // nine is the median of (largest minimum, median of the medians,
        // smallest maximum).
        lo = MIN(MIN(w[0], w[3]), w[6]);
        hi = MAX(MAX(w[2], w[5]), w[8]);
        const V a = MAX(MAX(w[0], w[3]), w[6]);
        const V c = MIN(MIN(w[2], w[5]), w[8]);
        const V b = MAX(MIN(w[1], w[4]), MIN(MAX(w[1], w[4]), w[7]));
        med = MAX(MIN(a, b), MIN(MAX(a, b), c));
    } else if constexpr (S == 5) {
        VELMORA_MEDIAN_SORTED_5(w, lo, med, hi);
    } else {
        VELMORA_MEDIAN_SORTED_7(w, lo, med, hi);
    }
}

template <int S, class V>
inline __attribute__((always_inline)) void SortColumn(V* w, V* o) {
    if constexpr (S == 3) {
        VELMORA_SORT_COLUMN_3(w, o);
    } else if constexpr (S == 5) {
        VELMORA_SORT_COLUMN_5(w, o);
    } else {
        VELMORA_SORT_COLUMN_7(w, o);
    }
}

inline uint16_t ConditionalPick(uint16_t lo, uint16_t med, uint16_t hi, uint16_t a, MedianPower power) {
    lo = std::min<uint16_t>(lo, 65000);  // the window minimum starts at 65000
    const uint32_t range = uint32_t(hi - lo);
    const uint32_t threshold = (range * power.high + ((range * power.low) >> 16)) >> 11;
    const uint32_t diff = med > a ? med - a : a - med;
    return threshold < diff ? med : a;
}

// trunc(range x p) in 16-bit lanes: range x high (27 bits) as its low and
// high halves; the carry of adding mulhi(range, low) goes into the high half.
#if defined(VELMORA_MEDIAN_AVX512)
#define VELMORA_MULLO(a, b) VM(_mm512_mullo_epi16(__m512i(a), __m512i(b)))
#define VELMORA_MULHI(a, b) VM(_mm512_mulhi_epu16(__m512i(a), __m512i(b)))
#elif defined(VELMORA_MEDIAN_AVX2)
#define VELMORA_MULLO(a, b) VM(_mm256_mullo_epi16(__m256i(a), __m256i(b)))
#define VELMORA_MULHI(a, b) VM(_mm256_mulhi_epu16(__m256i(a), __m256i(b)))
#else
#define VELMORA_MULLO(a, b) VM(_mm_mullo_epi16(__m128i(a), __m128i(b)))
#define VELMORA_MULHI(a, b) VM(_mm_mulhi_epu16(__m128i(a), __m128i(b)))
#endif
inline __attribute__((always_inline)) VM RangeThreshold(VM range, MedianPower power) {
    const VM high = VM{} + uint16_t(power.high);
    const VM low = VM{} + uint16_t(power.low);
    const VM lowHalf = VELMORA_MULLO(range, high);
    const VM highHalf = VELMORA_MULHI(range, high);
    const VM sum = lowHalf + VELMORA_MULHI(range, low);
    const VM carry = (VM)(sum < lowHalf);  // all ones where the low half wrapped
    return VM((highHalf - carry) << 5) | VM(sum >> 11);
}
#undef VELMORA_MULLO
#undef VELMORA_MULHI

// The conditional pick on one vector: the median where it lies further from
// the pixel than the window's range times the power, else the pixel.
inline __attribute__((always_inline)) void PickVector(VM lo, VM med, VM hi, const uint16_t* centre, uint16_t* out,
                                                      MedianPower power) {
    VM a;
    std::memcpy(&a, centre, sizeof(VM));
    lo = MIN(lo, VM{} + uint16_t(65000));
    const VM threshold = RangeThreshold(VM(hi - lo), power);
    const VM diff = MAX(med, a) - MIN(med, a);
    const VM result = threshold < diff ? med : a;
    std::memcpy(out, &result, sizeof(VM));
}

// Merges the S sorted columns of each window of one row: centre is the
// source row, out the output row; sorted[k * stride + c] is the k-th smallest
// of column c.
template <int S>
inline __attribute__((always_inline)) void MergeRow(const uint16_t* centre, uint16_t* out, int width,
                                                    MedianPower power, const uint16_t* sorted, size_t stride) {
    constexpr int r = S / 2;
    int j = r;
    for (; j + kLanes <= width - r; j += kLanes) {
        VM w[S * S];
        for (int col = 0; col < S; ++col)
            for (int k = 0; k < S; ++k) std::memcpy(&w[col * S + k], sorted + k * stride + j + col - r, sizeof(VM));
        VM lo, med, hi;
        WindowMinMedianMax<S>(w, lo, med, hi);
        PickVector(lo, med, hi, centre + j, out + j, power);
    }
    for (; j <= width - 1 - r; ++j) {
        uint16_t w[S * S];
        for (int col = 0; col < S; ++col)
            for (int k = 0; k < S; ++k) w[col * S + k] = sorted[k * stride + j + col - r];
        uint16_t lo, med, hi;
        WindowMinMedianMax<S>(w, lo, med, hi);
        out[j] = ConditionalPick(lo, med, hi, centre[j], power);
    }
}


template <int S>
void MedianRow(const uint16_t* src, uint16_t* dst, int width, int row, MedianPower power, uint16_t* sorted) {
    constexpr int r = S / 2;
    const size_t stride = MedianScratchStride(width);
    const uint16_t* rows[S];
    for (int k = 0; k < S; ++k) rows[k] = src + size_t(row - r + k) * width;
    // 1. Sort every column of the band.
    int c = 0;
    // The row entering the band next time and this row of the output are
    // fetched ahead.
    // (Prefetches never fault, so the row past the last one is harmless.)
    const uint16_t* next = rows[S - 1] + width;
    uint16_t* outRow = dst + size_t(row) * width;
    for (; c + kLanes <= width; c += kLanes) {
        __builtin_prefetch(next + c + 256, 0, 3);
        __builtin_prefetch(outRow + c + 256, 1, 3);
        VM w[S], o[S];
        for (int k = 0; k < S; ++k) std::memcpy(&w[k], rows[k] + c, sizeof(VM));
        SortColumn<S>(w, o);
        for (int k = 0; k < S; ++k) std::memcpy(sorted + k * stride + c, &o[k], sizeof(VM));
    }
    for (; c < width; ++c) {
        uint16_t w[S], o[S];
        for (int k = 0; k < S; ++k) w[k] = rows[k][c];
        SortColumn<S>(w, o);
        for (int k = 0; k < S; ++k) sorted[k * stride + c] = o[k];
    }
    MergeRow<S>(rows[r], dst + size_t(row) * width, width, power, sorted, stride);
}

// Radius 1 without the scratch rows, one or two output rows at a time: the
// window's three columns are sorted in registers (two rows share their
// middle pair, sorted once, and the row above or below goes into it) and
// folded into the window's minimum, maximum, largest column minimum,
// smallest column maximum and the three column medians as they come.
template <class V>
struct Window3 {
    V lo, hi, a, c, m[3];
    inline __attribute__((always_inline)) void Add(int col, V mn, V md, V mx) {
        if (col == 0) {
            lo = a = mn;
            hi = c = mx;
        } else {
            lo = MIN(lo, mn);
            a = MAX(a, mn);
            hi = MAX(hi, mx);
            c = MIN(c, mx);
        }
        m[col] = md;
    }
    // The median of nine is the median of (largest minimum, median of the
    // medians, smallest maximum).
    inline __attribute__((always_inline)) V Median() const {
        const V b = MAX(MIN(m[0], m[1]), MIN(MAX(m[0], m[1]), m[2]));
        return MAX(MIN(a, b), MIN(MAX(a, b), c));
    }
};

// Column col of the window of an output row: the middle pair (l <= h) and
// the row x above or below it, sorted, folded into the window.
template <class V>
inline __attribute__((always_inline)) void AddColumn(Window3<V>& w, int col, V l, V h, V x) {
    w.Add(col, MIN(x, l), MAX(l, MIN(x, h)), MAX(x, h));
}

// Count output rows from row on: the middle pairs of rows row .. row + Count - 1
// are sorted first, then each output row adds the row above or below.
template <int Count>
void MedianRows3(const uint16_t* src, uint16_t* dst, int width, int row, MedianPower power) {
    const uint16_t* in[Count + 2];
    for (int k = 0; k < Count + 2; ++k) in[k] = src + size_t(row - 1 + k) * width;
    // The pair is rows row, row + 1 for two output rows, rows row - 1, row for one.
    const uint16_t* pair0 = in[Count == 2 ? 1 : 0];
    const uint16_t* pair1 = in[Count == 2 ? 2 : 1];
    const uint16_t* extra[2] = {Count == 2 ? in[0] : in[2], in[Count + 1]};
    uint16_t* out = dst + size_t(row) * width;
    int j = 1;
    for (; j + kLanes <= width - 1; j += kLanes) {
        VM l[3], h[3];
#pragma GCC unroll 3
        for (int col = 0; col < 3; ++col) {
            VM a, b;
            std::memcpy(&a, pair0 + j - 1 + col, sizeof(VM));
            std::memcpy(&b, pair1 + j - 1 + col, sizeof(VM));
            l[col] = MIN(a, b);
            h[col] = MAX(a, b);
        }
#pragma GCC unroll 2
        for (int o = 0; o < Count; ++o) {
            Window3<VM> w;
#pragma GCC unroll 3
            for (int col = 0; col < 3; ++col) {
                VM x;
                std::memcpy(&x, extra[o] + j - 1 + col, sizeof(VM));
                AddColumn(w, col, l[col], h[col], x);
            }
            PickVector(w.lo, w.Median(), w.hi, in[o + 1] + j, out + size_t(o) * width + j, power);
        }
    }
    for (; j <= width - 2; ++j) {
        for (int o = 0; o < Count; ++o) {
            Window3<uint16_t> w;
            for (int col = 0; col < 3; ++col) {
                const uint16_t a = pair0[j - 1 + col], b = pair1[j - 1 + col];
                AddColumn<uint16_t>(w, col, MIN(a, b), MAX(a, b), extra[o][j - 1 + col]);
            }
            out[size_t(o) * width + j] = ConditionalPick(w.lo, w.Median(), w.hi, in[o + 1][j], power);
        }
    }
}

#undef MIN
#undef MAX

inline void Row(int side, const uint16_t* src, uint16_t* dst, int width, int row, int count, MedianPower power,
                uint16_t* sorted) {
    if (side == 3) {
        if (count == 2) MedianRows3<2>(src, dst, width, row, power);
        else MedianRows3<1>(src, dst, width, row, power);
        return;
    }
    if (count == 2) {
        Row(side, src, dst, width, row, 1, power, sorted);
        ++row;
    }
    switch (side) {
        case 5: MedianRow<5>(src, dst, width, row, power, sorted); break;
        default: MedianRow<7>(src, dst, width, row, power, sorted); break;
    }
}

}  // namespace VELMORA_MEDIAN_NS
