#include "processing/calibration.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "core/messages.h"
#include "core/ui_hooks.h"
#include "display/render.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "core/history.h"
#include "files/raw_files.h"

__attribute__((optimize("O3"))) void SubtractDark(Pixel* __restrict a, const Pixel* __restrict dark, size_t n) {
    // Written as a select so the compiler turns it into a saturating subtract.
    for (size_t i = 0; i < n; ++i) {
        const Pixel p = a[i], d = dark[i];
        a[i] = Pixel(d < p ? p - d : 0);
    }
}

namespace {

FlatWindow FitWindow(int width, int height, FlatWindow w) {
    // Shrink the far edges onto the image; for a very small image the near
    // edges follow so the window never leaves it.
    w.lastRow = std::min(w.lastRow, height - 1);
    w.lastColumn = std::min(w.lastColumn, width - 1);
    w.firstRow = std::max(0, std::min(w.firstRow, w.lastRow));
    w.firstColumn = std::max(0, std::min(w.firstColumn, w.lastColumn));
    return w;
}

constexpr FlatWindow kMenuWindow{10, 19, 5, 504};
constexpr FlatWindow kAutoWindow{10, 59, 5, 604};

}  // namespace

FlatWindow MenuFlatWindow(int width, int height) { return FitWindow(width, height, kMenuWindow); }
FlatWindow AutoFlatWindow(int width, int height) { return FitWindow(width, height, kAutoWindow); }

double FlatMean(const Pixel* flat, int width, const FlatWindow& w) {
    const long count = w.Count();
    if (count <= 0 || w.lastRow < 0 || w.lastColumn < 0) return 0.0;
    int64_t sum = 0;
    for (int r = w.firstRow; r <= w.lastRow; ++r) {
        const Pixel* row = flat + size_t(r) * width;
        for (int c = w.firstColumn; c <= w.lastColumn; ++c) sum += row[c];
    }
    double factor;
    if (count == 5000)
        factor = 0.0002;
    else if (count == 30000)
        factor = 0.000033333333333333335;
    else
        factor = 1.0 / double(count);
    return double(sum) * factor;
}

// The row rule, exactly as written: v = a / f * mean in double precision.
static inline Pixel FlatPixel(Pixel a, Pixel f, double mean) {
    const double av = a, fv = f;
    double v;
    if (f != 0) v = av / fv * mean;
    else if (a == 0) v = mean;
    else v = av;
    return v >= 65535.0 ? Pixel(65535) : Pixel(int32_t(v));
}

// The same rule with the three cases folded into selects so the compiler
// vectorises it (a zero flat pixel gives an infinite or NaN quotient that the
// selects never let through; no-trapping-math lets the division be done for
// every lane).
__attribute__((optimize("O3", "no-trapping-math"), target_clones("avx2", "default"))) static void FlatRowPlain(
    Pixel* __restrict a, const Pixel* __restrict f, int first, int end, double mean) {
    for (int j = first; j < end; ++j) {
        const double av = a[j];
        const double fv = f[j];
        const double q = av / fv * mean;
        const double v = fv != 0.0 ? q : (av == 0.0 ? mean : av);
        a[j] = v >= 65535.0 ? Pixel(65535) : Pixel(int32_t(v));
    }
}

#if defined(__x86_64__)
// GCC 12 warns about its own intrinsic headers (undefined vectors) here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
// Eight pixels per step where the processor has AVX-512: the same IEEE
// division and product per lane, so the results are the plain rule's bit for
// bit.
__attribute__((target("avx512f,avx512vl"))) static void FlatRowAvx512(Pixel* a, const Pixel* f, int first, int end,
                                                                    double mean) {
    const __m512d vmean = _mm512_set1_pd(mean);
    const __m512d zero = _mm512_setzero_pd();
    const __m512d top = _mm512_set1_pd(65535.0);
    int j = first;
    for (; j + 8 <= end; j += 8) {
        const __m512d av = _mm512_cvtepi32_pd(
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a + j))));
        const __m512d fv = _mm512_cvtepi32_pd(
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(f + j))));
        const __mmask8 fZero = _mm512_cmp_pd_mask(fv, zero, _CMP_EQ_OQ);
        const __mmask8 aZero = _mm512_cmp_pd_mask(av, zero, _CMP_EQ_OQ);
        __m512d v = _mm512_mul_pd(_mm512_div_pd(av, fv), vmean);
        // f = 0: the mean when a = 0, else a as it is.
        v = _mm512_mask_mov_pd(v, fZero, _mm512_mask_mov_pd(av, aZero, vmean));
        const __m256i out = _mm512_cvttpd_epi32(_mm512_min_pd(v, top));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(a + j), _mm256_cvtusepi32_epi16(out));
    }
    for (; j < end; ++j) a[j] = FlatPixel(a[j], f[j], mean);
}
#pragma GCC diagnostic pop

static bool HaveAvx512() {
    static const bool have = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    return have;
}
#endif

static void FlatRow(Pixel* a, const Pixel* f, int first, int end, double mean) {
#if defined(__x86_64__)
    if (HaveAvx512()) return FlatRowAvx512(a, f, first, end, mean);
#endif
    FlatRowPlain(a, f, first, end, mean);
}

void ApplyFlat(Pixel* a, const Pixel* flat, int width, int firstRow, int lastRow, double mean) {
    for (int i = firstRow; i <= lastRow; ++i) {
        const size_t offset = size_t(i) * width;
        FlatRow(a + offset, flat + offset, 3, width, mean);
    }
}

bool SubtractDarkFile(const std::string& fileName, bool redraw) {
    if (LoadSecondImage(fileName) != 0) return false;
    AppState& s = State();
    Sys().system->SetBusyCursor(true);
    SaveUndo();
    // A label strip (and its marker) stays as it is, as with every other
    // processing step.
    const size_t skip = LabelStripPresent(s.imageA) ? size_t(s.geometry.tenRows) : 0;
    const size_t pixels = size_t(s.geometry.pixels);
    ProgressSink& progress = *Sys().progress;
    progress.Open("DARK FRAME PROGRESS");
    constexpr size_t kSteps = 16;
    const size_t step = (pixels + kSteps - 1) / kSteps;
    bool cancelled = false;
    for (size_t start = skip; start < pixels; start += step) {
        progress.SetPosition(int(start * 256 / pixels));
        if (PollInterrupt()) {
            cancelled = true;
            break;
        }
        SubtractDark(s.imageA + start, s.imageB + start, std::min(step, pixels - start));
    }
    if (!cancelled) progress.SetPosition(256);
    progress.Close();
    if (cancelled) {
        std::memcpy(s.imageA, s.undo, pixels * sizeof(Pixel));
    } else {
        AddHistory("Dark Frame Subtracted");
        if (redraw) RedrawImage();
    }
    Sys().system->SetBusyCursor(false);
    return !cancelled;
}

bool ApplyFlatFile(const std::string& fileName, bool redraw) {
    if (LoadSecondImage(fileName) != 0) return false;
    AppState& s = State();
    const int width = s.geometry.width, height = s.geometry.height;
    const double mean = FlatMean(s.imageB, width, MenuFlatWindow(width, height));
    Sys().system->SetBusyCursor(true);
    SaveUndo();
    ProgressSink& progress = *Sys().progress;
    progress.Open("FLAT FIELD PROGRESS");
    const int firstRow = LabelStripPresent(s.imageA) ? 11 : 7;
    constexpr int kRowsPerStep = 32;
    bool cancelled = false;
    for (int row = firstRow; row < height; row += kRowsPerStep) {
        progress.SetPosition(int(int64_t(row) * 256 / height));
        if (PollInterrupt()) {
            cancelled = true;
            break;
        }
        ApplyFlat(s.imageA, s.imageB, width, row, std::min(row + kRowsPerStep, height) - 1, mean);
    }
    if (!cancelled) progress.SetPosition(256);
    progress.Close();
    if (cancelled) {
        std::memcpy(s.imageA, s.undo, size_t(s.geometry.pixels) * sizeof(Pixel));
    } else {
        AddHistory("Flat Field Applied");
        if (redraw) RedrawImage();
    }
    Sys().system->SetBusyCursor(false);
    return !cancelled;
}

// ---------------------------------------------------------------------------
// Automatic calibration: each file is read once into a work buffer of its own.

namespace {

struct WorkFrame {
    std::vector<Pixel> pixels;
    std::string path;
    int width = 0, height = 0;
    bool loaded = false;
};

WorkFrame& DarkFrame() {
    static WorkFrame frame;
    return frame;
}
WorkFrame& FlatFrame() {
    static WorkFrame frame;
    return frame;
}

int LoadWorkFrame(WorkFrame& frame, const std::string& path, bool reload) {
    const ImageGeometry& g = State().geometry;
    if (frame.loaded && !reload && frame.path == path && frame.width == g.width && frame.height == g.height)
        return kAutoOk;
    frame.loaded = false;
    const std::string host = MapPath(path);
    const int64_t length = FileLength(host);
    if (length < 0) return kAutoCannotOpen;
    const size_t pixels = size_t(g.width) * size_t(g.height);
    if (length != int64_t(pixels * 2)) return kAutoWrongSize;
    const std::optional<Bytes> bytes = ReadWholeFile(host);
    if (!bytes || bytes->size() != pixels * 2) return kAutoCannotOpen;
    frame.pixels.resize(pixels);
    const uint8_t* p = bytes->data();
    for (size_t i = 0; i < pixels; ++i) frame.pixels[i] = Pixel(p[2 * i] | (p[2 * i + 1] << 8));
    frame.path = path;
    frame.width = g.width;
    frame.height = g.height;
    frame.loaded = true;
    return kAutoOk;
}

}  // namespace

int AutoDark(const std::string& path, bool reload) {
    WorkFrame& frame = DarkFrame();
    const int code = LoadWorkFrame(frame, path, reload);
    if (code != kAutoOk) return code;
    AppState& s = State();
    SubtractDark(s.imageA, frame.pixels.data(), frame.pixels.size());
    return kAutoOk;
}

int AutoFlat(const std::string& path, bool reload) {
    WorkFrame& frame = FlatFrame();
    const int code = LoadWorkFrame(frame, path, reload);
    if (code != kAutoOk) return code;
    AppState& s = State();
    const int width = s.geometry.width, height = s.geometry.height;
    const double mean = FlatMean(frame.pixels.data(), width, AutoFlatWindow(width, height));
    ApplyFlat(s.imageA, frame.pixels.data(), width, 2, height - 2, mean);
    return kAutoOk;
}

void ForgetAutoDark() { DarkFrame() = WorkFrame{}; }
void ForgetAutoFlat() { FlatFrame() = WorkFrame{}; }
bool AutoDarkLoaded() { return DarkFrame().loaded; }
bool AutoFlatLoaded() { return FlatFrame().loaded; }

void ShowAutoDarkResult(int code) {
    if (code == kAutoCannotOpen) ShowMessage(7);
    else if (code == kAutoWrongSize) ShowMessage(22);
}

void ShowAutoFlatResult(int code) {
    if (code == kAutoCannotOpen) ShowMessage(25);
    else if (code == kAutoWrongSize) ShowMessage(26);
}

void RecordAutoCalibration(bool darkApplied, bool flatApplied) {
    ClearHistory();
    if (darkApplied) AddHistory("Dark Frame Subtracted");
    if (flatApplied) AddHistory("Flatfield Applied");
}

// A dark frame or flat field chosen from the File menu is read afresh.
static const bool kInstalledInFileLayer = [] {
    UpperLayers().darkFrameChosen = ForgetAutoDark;
    UpperLayers().flatFieldChosen = ForgetAutoFlat;
    return true;
}();
