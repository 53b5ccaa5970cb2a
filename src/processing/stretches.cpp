#pragma GCC optimize("O3")
#include "processing/stretches.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <immintrin.h>
#include <vector>

#include "core/state.h"
#include "display/render.h"
#include "processing/filters_support.h"
#include "core/history.h"

// All tone curves are computed in extended precision (long double) and
// truncated towards zero.

int KeptLabelRows(const uint16_t* pixels, int width, int height) {
    if (!pixels || width <= 0 || height <= 0 || int64_t(width) * height < 6) return 0;
    return int(pixels[4]) + int(pixels[5]) == 34 ? 10 : 0;
}

bool BuildNormalStretchTable(int black, int white, ToneTable& table) {
    if (black >= white) return false;
    const int b = 128 * black;
    const int wt = 128 * white;
    const int span = white - black;
    for (int i = 0; i < kStretchTableSize; ++i) {
        if (i < b) {
            table[i] = 0;
        } else if (i < wt) {
            table[i] = uint16_t((i - b) * 255 / span);
        } else {
            table[i] = 32767;
        }
    }
    return true;
}

bool BuildPowerStretchTable(double power, ToneTable& table) {
    if (power == 1.0) return false;
    const long double p = power;
    const long double scale = std::pow(32768.0L, p - 1.0L);
    for (int i = 0; i < kStretchTableSize; ++i) {
        const long double v = std::pow((long double)i, p) / scale;
        table[i] = v >= 32767.0L ? 32767 : uint16_t(int64_t(v));
    }
    return true;
}

bool BuildBackgroundTable(int blackPoint, ToneTable& table) {
    if (blackPoint < 3) return false;
    const int offset = uint16_t(128 * blackPoint - 256);
    const int span = 257 - blackPoint;
    for (int i = 0; i < kStretchTableSize; ++i) {
        if (i < offset) {
            table[i] = 0;
        } else {
            const long v = long(i - offset) * 255 / span;
            table[i] = v >= 32767 ? 32767 : uint16_t(v);
        }
    }
    return true;
}

void BuildNonLinearTable(int power, ToneTable& table) {
    const long double c = power;
    for (int i = 0; i < kStretchTableSize; ++i) {
        const long double d = (long double)i / 32768.0L;
        table[i] = uint16_t(int64_t(c * 32768.0L * d / (d * (c - 1.0L) + 1.0L)));
    }
}

void BuildSineTable(ToneTable& table) {
    for (int i = 0; i < kStretchTableSize; ++i) {
        const long double v = (std::sin((long double)(i - 16384) / 10432.0L) + 1.0L) * 16383.0L;
        table[i] = uint16_t(int64_t(v));
    }
}

void BuildLogTable(ToneTable& table) {
    for (int i = 0; i < kStretchTableSize; ++i) {
        table[i] = uint16_t(int64_t(std::log((long double)(i + 1)) * 3151.0L));
    }
}

void BuildAntilogTable(ToneTable& table) {
    // The base is the double 2.71828, not e.
    const long double base = 2.71828;
    for (int i = 0; i < kStretchTableSize; ++i) {
        const long double v = std::pow(base, (long double)i / 3151.0L) - 1.0L;
        table[i] = v >= 32767.0L ? 32767 : uint16_t(int64_t(v));
    }
}

void BuildInvertTable(ToneTable& table) {
    for (int i = 0; i < kStretchTableSize; ++i) table[i] = uint16_t(32767 - i);
}

namespace {

// pixel = 2 x T[pixel >> 1] over a range, through the expanded 65,536-entry
// table full (16-bit arithmetic, as the rule has it; two spare entries let
// 32-bit gathers read one entry past the last) or the doubled 32,768-entry
// table half (half[i] = 2 x T[i]).
struct Tables {
    const uint16_t* full;
    const uint16_t* half;
};

void MapRangeScalar(uint16_t* p, size_t n, Tables t) {
    for (size_t k = 0; k < n; ++k) p[k] = t.full[p[k]];
}

__attribute__((target("avx2"))) void MapRangeAvx2(uint16_t* p, size_t n, Tables t) {
    const int* base = reinterpret_cast<const int*>(t.full);
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    size_t k = 0;
    for (; k + 16 <= n; k += 16) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + k));
        const __m256i lo = _mm256_cvtepu16_epi32(_mm256_castsi256_si128(v));
        const __m256i hi = _mm256_cvtepu16_epi32(_mm256_extracti128_si256(v, 1));
        const __m256i glo = _mm256_and_si256(_mm256_i32gather_epi32(base, lo, 2), low16);
        const __m256i ghi = _mm256_and_si256(_mm256_i32gather_epi32(base, hi, 2), low16);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(glo, ghi), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + k), packed);
    }
    MapRangeScalar(p + k, n - k, t);
}

// Neighbouring pixels of a sky image lie close together: when all 32 pixels
// of a vector fall within 256 entries of the table around the first one,
// those 256 entries are looked up by four two-register permutes; otherwise
// the vector goes through the table one pixel at a time.
__attribute__((target("avx512f,avx512bw"))) void MapRangeAvx512(uint16_t* p, size_t n, Tables t) {
    const __m512i window = _mm512_set1_epi16(256);
    const __m512i bit6 = _mm512_set1_epi16(64), bit7 = _mm512_set1_epi16(128);
    size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        const __m512i v = _mm512_loadu_si512(p + k);
        const int first = std::clamp(int(p[k] >> 1) - 128, 0, kStretchTableSize - 256);
        const __m512i idx = _mm512_sub_epi16(_mm512_srli_epi16(v, 1), _mm512_set1_epi16(short(first)));
        if (_mm512_cmpge_epu16_mask(idx, window) != 0) {
            MapRangeScalar(p + k, 32, t);
            continue;
        }
        const uint16_t* w = t.half + first;
        const __m512i r0 = _mm512_permutex2var_epi16(_mm512_loadu_si512(w), idx, _mm512_loadu_si512(w + 32));
        const __m512i r1 = _mm512_permutex2var_epi16(_mm512_loadu_si512(w + 64), idx, _mm512_loadu_si512(w + 96));
        const __m512i r2 = _mm512_permutex2var_epi16(_mm512_loadu_si512(w + 128), idx, _mm512_loadu_si512(w + 160));
        const __m512i r3 = _mm512_permutex2var_epi16(_mm512_loadu_si512(w + 192), idx, _mm512_loadu_si512(w + 224));
        const __mmask32 b6 = _mm512_test_epi16_mask(idx, bit6);
        const __mmask32 b7 = _mm512_test_epi16_mask(idx, bit7);
        const __m512i low = _mm512_mask_blend_epi16(b6, r0, r1);
        const __m512i high = _mm512_mask_blend_epi16(b6, r2, r3);
        _mm512_storeu_si512(p + k, _mm512_mask_blend_epi16(b7, low, high));
    }
    MapRangeScalar(p + k, n - k, t);
}

using MapRangeFn = void (*)(uint16_t*, size_t, Tables);

MapRangeFn PickMapRange() {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw")) return MapRangeAvx512;
    if (__builtin_cpu_supports("avx2")) return MapRangeAvx2;
    return MapRangeScalar;
}

MapRangeFn& MapRangeInUse() {
    static MapRangeFn map = PickMapRange();
    return map;
}

void MapRange(uint16_t* p, size_t n, Tables t) { MapRangeInUse()(p, n, t); }

}  // namespace

bool UseStretchKernel(StretchKernel kernel) {
    __builtin_cpu_init();
    switch (kernel) {
        case StretchKernel::Best: MapRangeInUse() = PickMapRange(); return true;
        case StretchKernel::Scalar: MapRangeInUse() = MapRangeScalar; return true;
        case StretchKernel::Avx2:
            if (!__builtin_cpu_supports("avx2")) return false;
            MapRangeInUse() = MapRangeAvx2;
            return true;
        case StretchKernel::Avx512:
            if (!__builtin_cpu_supports("avx512bw")) return false;
            MapRangeInUse() = MapRangeAvx512;
            return true;
    }
    return false;
}

namespace {

}  // namespace

void ApplyStretchTableTo(uint16_t* pixels, int width, int height, const ToneTable& table,
                         const ProgressFn& progress) {
    if (!pixels || width <= 0 || height <= 0) return;
    static thread_local std::vector<uint16_t> full(65536 + 2), half(kStretchTableSize);
    for (int v = 0; v < 65536; ++v) full[v] = uint16_t(2 * table[v >> 1]);
    for (int i = 0; i < kStretchTableSize; ++i) half[i] = uint16_t(2 * table[i]);
    const Tables tables{full.data(), half.data()};

    const size_t w = size_t(width);
    const size_t total = w * size_t(height);
    const size_t strip = std::min(total, 10 * w);
    if (KeptLabelRows(pixels, width, height) == 0) MapRange(pixels, strip, tables);
    // The rest in 16 equal blocks; the last block also takes the few pixels
    // that do not divide evenly, so no pixel is left out.
    const size_t rest = total - strip;
    const size_t block = rest / 16;
    uint16_t* p = pixels + strip;
    for (int b = 0; b < 16; ++b) {
        if (progress) progress(16 * b);
        const size_t n = b == 15 ? rest - 15 * block : block;
        MapRange(p, n, tables);
        p += n;
    }
}

int AutoContrastBlackPoint(const uint16_t* pixels, int width, int height) {
    // The display's auto-contrast histogram, on counters of its own.
    std::array<uint16_t, 257> counters{};
    return AutoContrastBlackPoint(pixels, width, height, counters);
}

void ApplyStretchTable(const ToneTable& table, bool redraw) {
    AppState& s = State();
    {
        FilterProgressWindow window("CONTRAST STRETCH");
        SaveUndo();
        ApplyStretchTableTo(s.imageA, s.geometry.width, s.geometry.height, table, window.Callback());
    }
    if (redraw) RedrawImage();
}

static std::string Format(const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string NormalStretchHistory(int black, int white) {
    // The levels as stored: x 128 for the table, / 64 for the history.
    return "Normal Stretch : max " + std::to_string(128 * white / 64) + " , min : " +
           std::to_string(128 * black / 64);
}

std::string PowerStretchHistory(double power) { return "Power Stretch :  " + Format("%1.1f", power); }

std::string BackgroundHistory(int blackPoint) {
    const int offset = uint16_t(128 * blackPoint - 256);
    return "Background Removed : min " + std::to_string(offset / 64);
}

std::string NonLinearHistory(int power) { return "Non-Linear Stretch : power " + std::to_string(power); }

bool NormalStretch(int black, int white) {
    if (black < 0 || black > 255 || white < 1 || white > 300)
        return RefuseParameter("Sorry, the black level must be 0 to 255 and the white level 1 to 300");
    ToneTable table;
    if (!BuildNormalStretchTable(black, white, table)) return false;
    ApplyStretchTable(table, true);
    AddHistory(NormalStretchHistory(black, white));
    return true;
}

bool PowerStretch(double power) {
    if (!(power >= 0.1 - 1e-9 && power <= 3.0 + 1e-9))
        return RefuseParameter("Sorry, the power must be 0.1 to 3.0");
    ToneTable table;
    if (!BuildPowerStretchTable(power, table)) return false;
    ApplyStretchTable(table, true);
    AddHistory(PowerStretchHistory(power));
    return true;
}

bool RemoveBackground(int blackPoint, bool redraw) {
    if (blackPoint < 0 || blackPoint > 255) return RefuseParameter("Sorry, the black point must be 0 to 255");
    ToneTable table;
    if (!BuildBackgroundTable(blackPoint, table)) return false;
    ApplyStretchTable(table, redraw);
    AddHistory(BackgroundHistory(blackPoint));
    return true;
}

bool NonLinearStretch(int power, bool redraw) {
    if (power < 2 || power > 50) return RefuseParameter("Sorry, the power must be 2 to 50");
    ToneTable table;
    BuildNonLinearTable(power, table);
    AddHistory(NonLinearHistory(power));
    ApplyStretchTable(table, redraw);
    return true;
}

static void FixedStretch(void (*build)(ToneTable&), const char* history) {
    ToneTable table;
    build(table);
    ApplyStretchTable(table, true);
    AddHistory(history);
}

void SineStretch() { FixedStretch(BuildSineTable, "Sine Stretch"); }
void LogStretch() { FixedStretch(BuildLogTable, "Log Stretch"); }
void AntilogStretch() { FixedStretch(BuildAntilogTable, "Antilog Stretch"); }
void InvertStretch() { FixedStretch(BuildInvertTable, "Invert Image to Negative"); }
