#include "acquisition/auto_merge.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/messages.h"
#include "app/state.h"
#include "display/display_state.h"

bool WindowCentroid(const Pixel* image, int width, int height, int& x, int& y, int h) {
    if (x - h < 0 || y - h < 0 || x + h + 1 > width || y + h + 1 > height) {
        ShowMessage(69);
        return false;
    }
    const int n = 2 * h + 1;
    std::vector<int64_t> window(size_t(n) * n);
    std::vector<uint16_t> histogram(4096, 0);
    int largest = 0;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const int v = image[size_t(y - h + r) * width + (x - h + c)];
            window[size_t(r) * n + c] = v;
            ++histogram[v / 16];
            largest = std::max(largest, v);
        }
    int bin = 0;
    for (int i = 1; i < 4096; ++i)
        if (histogram[i] > histogram[bin]) bin = i;
    const int64_t background = int64_t(std::floor(bin * 16.64));
    int64_t sum = 0;
    for (int64_t& v : window) {
        v = v > background ? v - background : 0;
        if (largest < 17000) v = v >= 16384 ? 65535 : 4 * v;
        sum += v;
    }
    const int64_t mean = sum / (int64_t(n) * n);
    int64_t w = 1, py = 1, px = 1;
    for (int r = 0; r < n; ++r)
        for (int c = 0; c < n; ++c) {
            const int64_t d = window[size_t(r) * n + c] - mean;
            if (d >= 1) {
                w += d;
                py += d * r;
                px += d * c;
            }
        }
    const double cx = double(px) / double(w), cy = double(py) / double(w);
    x = (x - h) + int(std::floor(cx + 0.5));
    y = (y - h) + int(std::floor(cy + 0.5));
    return true;
}

namespace {

int SearchRadius() {
    const int r = State().settings.guideStarMaskRadius;
    return r > 0 ? r : 8;
}

// Three passes, each re-centred on the last. A failed pass (message 69)
// leaves the position as it was, so the passes after it could only fail the
// same way: they are not run.
bool Centroid3(const Pixel* image, int width, int height, int& x, int& y) {
    for (int pass = 0; pass < 3; ++pass)
        if (!WindowCentroid(image, width, height, x, y, SearchRadius())) return false;
    return true;
}

// The frame's value at a position (0 off the image).
int PixelAt(const Pixel* image, int width, int height, int x, int y) {
    return x >= 0 && y >= 0 && x < width && y < height ? image[size_t(y) * width + x] : 0;
}

}  // namespace

int AutoMerge::AddFrame() { return profiles_ ? AddByProfiles() : AddOnStar(); }

int AutoMerge::AddOnStar() {
    AppState& s = State();
    const int W = s.geometry.width, H = s.geometry.height;
    const size_t n = size_t(W) * H;
    Pixel* a = s.imageA;
    Pixel* b = s.imageB;
    if (!haveReference_) {
        for (size_t i = 0; i < n; ++i) b[i] = Pixel(a[i] / divisor_);
        // A window that does not fit (no star picked, or picked at the edge)
        // keeps the picked position: the series goes on, following whatever
        // the centroid finds there.
        int x = Picking().guideStarX, y = Picking().guideStarY;
        Centroid3(a, W, H, x, y);
        x_ = x;
        y_ = y;
        peak_ = PixelAt(a, W, H, x, y);
        haveReference_ = true;
        if (divisor_ > 1) std::memcpy(a, b, n * sizeof(Pixel));
        return 0;
    }
    int x = x_, y = y_;
    Centroid3(a, W, H, x, y);
    const double v = PixelAt(a, W, H, x, y);
    if (v < 0.3 * peak_ || v > 3.0 * peak_) {
        std::memcpy(a, b, n * sizeof(Pixel));
        return 1;
    }
    // The running sum, shifted by the drift, is added onto the new frame
    // (each new frame divided by the averaging divisor when averaging).
    const int dx = x_ - x, dy = y_ - y;
    for (int i = 0; i < H; ++i) {
        const int sy = i + dy;
        Pixel* row = a + size_t(i) * W;
        for (int j = 0; j < W; ++j) {
            int64_t sum = row[j] / divisor_;
            const int sx = j + dx;
            // Row 0 and column 0 are inside the image like any other.
            if (sy >= 0 && sy < H && sx >= 0 && sx < W) sum += b[size_t(sy) * W + sx];
            row[j] = sum > 65534 ? Pixel(65535) : Pixel(sum);
        }
    }
    std::memcpy(b, a, n * sizeof(Pixel));
    x_ = x;
    y_ = y;
    return 0;
}

namespace {

struct Profiles {
    std::array<int64_t, 100> rows{}, cols{};
};

int BackgroundBin(const Pixel* a, size_t n) {
    std::array<uint32_t, 256> histogram{};
    for (size_t i = 0; i < n; ++i) ++histogram[a[i] >> 8];
    int m = 0;
    for (int i = 1; i < 256; ++i)
        if (histogram[i] > histogram[m]) m = i;
    return m;
}

Profiles BoxProfiles(const Pixel* a, int W, int offset, int64_t level) {
    Profiles p;
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 100; ++c) {
            const int64_t v = (int64_t(a[size_t(offset + 100 + r) * W + 200 + c]) - level) * 16;
            if (v > 0) {
                p.rows[r] += v;
                p.cols[c] += v;
            }
        }
    return p;
}

// The shift (-10..10) whose 80-entry window of the new profile matches the
// reference best; mismatches[j] keeps every mismatch.
int BestShift(const std::array<int64_t, 100>& ref, const std::array<int64_t, 100>& now,
              std::array<int64_t, 21>& mismatches) {
    int64_t best = 10'000'000;
    int shift = 0;
    for (int j = 0; j <= 20; ++j) {
        int64_t m = 0;
        for (int k = 0; k < 80; ++k) m += std::llabs(ref[k + 10] - now[k + j]);
        mismatches[j] = m;
        if (m < best) {
            best = m;
            shift = j - 10;
        }
    }
    return shift;
}

}  // namespace

int AutoMerge::AddByProfiles() {
    AppState& s = State();
    const int W = s.geometry.width, H = s.geometry.height;
    const size_t n = size_t(W) * H;
    Pixel* a = s.imageA;
    Pixel* b = s.imageB;
    // The profile box lies at rows o + 100 .. o + 199 (o up to 30) and
    // columns 200 .. 299.
    if (W < 300 || H < 230) return 2;
    const int m = BackgroundBin(a, n);
    const int64_t level = int64_t(m) * 256 + 1024;
    int64_t brightness = 0;
    for (size_t i = 0; i < std::min<size_t>(10000, n); ++i) brightness += a[i];
    brightness = int64_t(brightness * 0.0001);
    if (!haveReference_) {
        for (size_t i = 0; i < n; ++i) b[i] = Pixel(a[i] / divisor_);
        refBrightness_ = brightness;
        bool found = false;
        for (int o = 0; o <= 30 && !found; o += 10) {
            int brightest = 0;
            for (int r = 0; r < 100; ++r)
                for (int c = 0; c < 100; ++c)
                    brightest = std::max<int>(brightest, a[size_t(o + 100 + r) * W + 200 + c]);
            if (brightest >= m * 400) {
                boxOffset_ = o;
                found = true;
            }
        }
        if (!found) return 2;
        const Profiles p = BoxProfiles(a, W, boxOffset_, level);
        refRows_ = p.rows;
        refCols_ = p.cols;
        accX_ = accY_ = 0;
        haveReference_ = true;
        if (divisor_ > 1) std::memcpy(a, b, n * sizeof(Pixel));
        return 0;
    }
    const Profiles p = BoxProfiles(a, W, boxOffset_, level);
    std::array<int64_t, 21> rowMismatch{}, colMismatch{};
    const int dy = BestShift(refRows_, p.rows, rowMismatch);
    const int dx = BestShift(refCols_, p.cols, colMismatch);
    if (colMismatch[9] + colMismatch[10] + colMismatch[11] < 5000) {
        std::memcpy(a, b, n * sizeof(Pixel));
        return 1;
    }
    refRows_ = p.rows;
    refCols_ = p.cols;
    for (int i = 0; i < H; ++i) {
        const int sy = i + dy + accY_;
        Pixel* row = b + size_t(i) * W;
        for (int j = 0; j < W; ++j) {
            const int sx = j + dx + accX_;
            if (sy > 0 && sy < H && sx > 0 && sx < W) {
                const int64_t sum = int64_t(row[j]) + a[size_t(sy) * W + sx] / divisor_;
                row[j] = sum >= 65535 ? Pixel(65535) : Pixel(sum);
            }
        }
    }
    accX_ += dx;
    accY_ += dy;
    std::memcpy(a, b, n * sizeof(Pixel));
    return 0;
}
