#include "stars/registration.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {
// The frame's value at a position (0 off the frame).
int PixelAt(const Pixel* a, int W, int H, int x, int y) {
    return x >= 0 && y >= 0 && x < W && y < H ? a[size_t(y) * W + x] : 0;
}
}  // namespace

int StarFollower::Add(Pixel* a, Pixel* b, int W, int H, int startX, int startY) {
    const size_t n = size_t(W) * H;
    // A window that does not fit (no star picked, a star at the edge) shows
    // message 69 and leaves the position as it was; the series goes on from
    // there under the brightness band.
    StarPosition p{startX, startY, 0, 0};
    if (!haveReference_) {
        for (size_t i = 0; i < n; ++i) b[i] = Pixel(a[i] / divisor_);
        FindStar(a, W, H, startX, startY, radius_, 3, false, p);
        x_ = p.x;
        y_ = p.y;
        peak_ = PixelAt(a, W, H, p.x, p.y);
        haveReference_ = true;
        if (divisor_ > 1) std::memcpy(a, b, n * sizeof(Pixel));
        return 0;
    }
    p = {x_, y_, 0, 0};
    FindStar(a, W, H, x_, y_, radius_, 3, false, p);
    const double v = PixelAt(a, W, H, p.x, p.y);
    if (v < 0.3 * peak_ || v > 3.0 * peak_) {
        std::memcpy(a, b, n * sizeof(Pixel));
        return 1;
    }
    // The running sum, shifted by the drift, is added onto the new frame
    // (each new frame divided by the averaging divisor when averaging).
    const int dx = x_ - p.x, dy = y_ - p.y;
    for (int i = 0; i < H; ++i) {
        const int sy = i + dy;
        Pixel* row = a + size_t(i) * W;
        for (int j = 0; j < W; ++j) {
            int64_t s = row[j] / divisor_;
            const int sx = j + dx;
            // Row 0 and column 0 are inside the image like any other.
            if (sy >= 0 && sy < H && sx >= 0 && sx < W) s += b[size_t(sy) * W + sx];
            row[j] = s > 65534 ? Pixel(65535) : Pixel(s);
        }
    }
    std::memcpy(b, a, n * sizeof(Pixel));
    x_ = p.x;
    y_ = p.y;
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

int ProfileRegistration::Add(Pixel* a, Pixel* b, int W, int H) {
    const size_t n = size_t(W) * H;
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
                const int64_t s = int64_t(row[j]) + a[size_t(sy) * W + sx] / divisor_;
                row[j] = s >= 65535 ? Pixel(65535) : Pixel(s);
            }
        }
    }
    accX_ += dx;
    accY_ += dy;
    std::memcpy(a, b, n * sizeof(Pixel));
    return 0;
}
