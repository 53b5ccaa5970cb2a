#include "acquisition/readout.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "acquisition/camera_settings.h"

bool CameraTimesExposure(int32_t exposureMs, bool trigger) {
    return exposureMs <= 1000 || (trigger && exposureMs < 6001);
}

bool HostTimesExposure(int32_t exposureMs, bool trigger) { return !CameraTimesExposure(exposureMs, trigger); }

ReadRequestChoice ChooseReadRequest(int32_t exposureMs, bool trigger, bool darkReadValue) {
    ReadRequestChoice r;
    if (CameraTimesExposure(exposureMs, trigger)) {
        r.code = trigger ? 18 : 2;
        r.value = darkReadValue ? 0x8003 : 3;
        r.length = 14;
        r.exposureBytes = uint16_t(exposureMs & 0xFFFF);
        r.writeSize = 22;
    } else {
        r.code = 3;
        r.value = 3;
        r.length = 10;
        r.exposureBytes = 0;
        r.writeSize = 18;
    }
    return r;
}

uint32_t FirstRegisterClearMs(int32_t exposureMs) {
    return exposureMs < 5001 ? uint32_t(exposureMs) + 5 : uint32_t(exposureMs) - 2000;
}

int ProgressSteps(char unit, int value) {
    if (unit == 'm' || (unit == 's' && value >= 13)) return 20;
    if (unit == 's' && value >= 5) return 6;
    return 2;
}

static int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

ReadWindow ModeWindow(int mode, int sensorW, int sensorH, int imageW, int imageH, int subFrameBinning,
                      int subCentreX, int subCentreY) {
    ReadWindow w;
    w.width = sensorW;
    w.height = sensorH;
    switch (mode) {
        case kModeBin2: w.binX = w.binY = 2; break;
        case kModeBin3:
            w.width = sensorW / 3 * 3;
            w.height = sensorH / 3 * 3;
            w.binX = w.binY = 3;
            break;
        case kModeBin4: w.binX = w.binY = 4; break;
        case kModeBin8:
        case kModeBin8x16: w.binX = w.binY = 8; break;
        case kModeSubFrame: {
            if (subFrameBinning == 3) {
                w.width = sensorW / 3;
                w.height = sensorH / 3;
            } else if (subFrameBinning == 4) {
                w.width = sensorW / 4;
                w.height = sensorH / 4;
            } else {
                w.width = std::min(imageW, sensorW);
                w.height = std::min(imageH, sensorH);
            }
            // The window is centred on the sub-frame centre and kept on the
            // sensor, whatever the centre.
            w.x = Clamp(subCentreX - w.width / 2, 0, sensorW - w.width);
            w.y = Clamp(subCentreY - w.height / 2, 0, sensorH - w.height);
            break;
        }
        default: break;
    }
    return w;
}

ReadWindow FocusWindow(int originX, int originY, bool binFocusFrame, int sensorW, int sensorH) {
    ReadWindow w;
    w.binX = w.binY = binFocusFrame ? 2 : 1;
    w.width = w.height = binFocusFrame ? 256 : 128;
    int x = originX, y = originY;
    if (binFocusFrame) {
        x = std::max(0, x - 64);
        y = std::max(0, y - 64);
    }
    w.x = Clamp(x, 0, std::max(0, sensorW - w.width));
    w.y = Clamp(y, 0, std::max(0, sensorH - w.height));
    return w;
}

void ColumnPairCorrection(Pixel* image, int width, int height) {
    if (width <= 16) return;
    int64_t sum[2] = {0, 0};
    for (int y = 0; y < height; ++y) {
        Pixel* row = image + size_t(y) * width;
        for (int x = 0; x < 16; ++x) sum[x & 1] += row[x];
        // The quotient stays in the sum and carries into the next row.
        sum[0] /= 8;
        sum[1] /= 8;
        const int64_t level[2] = {sum[0], sum[1]};
        for (int x = 16; x < width; ++x) {
            const int64_t p = row[x];
            const int64_t m = level[x & 1];
            // The level is taken off and a pedestal of 1000 put on; a result
            // beyond 0..65535 is clamped rather than wrapped.
            const int64_t v = p - m + 1000;
            if (p < 1000 - m)
                row[x] = 0;
            else if (p > 65535 - m)
                row[x] = 65535;
            else
                row[x] = v < 0 ? Pixel(0) : v > 65535 ? Pixel(65535) : Pixel(v);
        }
    }
}

void Expand2x(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH) {
    if (width <= 0 || height <= 0) return;
    const int rows = std::min(srcH, (height + 1) / 2);
    const int cols = std::min(srcW, (width + 1) / 2);
    for (int r = 0; r < rows; ++r) {
        const Pixel* p = src + size_t(r) * srcW;
        Pixel* d = dst + size_t(2 * r) * width;
        for (int k = cols - 1; k >= 1; --k) {
            d[2 * k] = p[k];
            d[2 * k - 1] = Pixel(p[k] / 2 + p[k - 1] / 2);
        }
        if (cols > 0) d[0] = p[0];
        // Columns right of the last received pixel repeat it.
        for (int x = 2 * (cols - 1) + 1; x < width && cols > 0; ++x) d[x] = d[x - 1];
    }
    for (int y = 1; y < height; y += 2) {
        Pixel* d = dst + size_t(y) * width;
        if (y + 1 < 2 * rows) {
            const Pixel* above = d - width;
            const Pixel* below = d + width;
            for (int x = 0; x < width; ++x) d[x] = Pixel(above[x] / 2 + below[x] / 2);
        }
    }
    // Rows below the last received row are copies of it.
    for (int y = 2 * (rows - 1) + 1; y < height && rows > 0; ++y)
        std::memcpy(dst + size_t(y) * width, dst + size_t(y - 1) * width, size_t(width) * sizeof(Pixel));
}

void Expand4x(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH) {
    if (width <= 0 || height <= 0) return;
    const int rows = std::min(srcH, (height + 3) / 4);
    const int cols = std::min(srcW, (width + 3) / 4);
    for (int r = 0; r < rows; ++r) {
        const Pixel* p = src + size_t(r) * srcW;
        Pixel* d = dst + size_t(4 * r) * width;
        if (cols > 0) d[0] = p[0];
        for (int j = 1; j < cols; ++j) {
            const int b = p[j], a = p[j - 1];
            d[4 * j] = Pixel(b);
            d[4 * j - 1] = Pixel(a / 3 + 2 * b / 3);
            d[4 * j - 2] = Pixel(b / 3 + 2 * a / 3);
            d[4 * j - 3] = Pixel(a);
        }
        for (int x = 4 * (cols - 1) + 1; x < width && cols > 0; ++x) d[x] = d[x - 1];
    }
    for (int i = 0; i + 1 < rows; ++i) {
        const Pixel* above = dst + size_t(4 * i) * width;
        const Pixel* below = dst + size_t(4 * i + 4) * width;
        Pixel* r1 = dst + size_t(4 * i + 1) * width;
        Pixel* r2 = dst + size_t(4 * i + 2) * width;
        Pixel* r3 = dst + size_t(4 * i + 3) * width;
        for (int x = 0; x < width; ++x) {
            const int a = above[x], b = below[x];
            r1[x] = Pixel(b / 3 + 2 * a / 3);
            r2[x] = Pixel(a / 2 + b / 2);
            r3[x] = Pixel(a / 3 + 2 * b / 3);
        }
    }
    for (int y = 4 * (rows - 1) + 1; y < height && rows > 0; ++y)
        std::memcpy(dst + size_t(y) * width, dst + size_t(y - 1) * width, size_t(width) * sizeof(Pixel));
}

void Bilinear3x3(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH) {
    if (width <= 0 || height <= 0 || srcW <= 0 || srcH <= 0) return;
    // Source positions x * srcW / width (multiplied first, so positions that
    // fall on a source pixel are exact); the column terms are the same for
    // every row.
    std::vector<int> x0s(static_cast<size_t>(width)), x1s(static_cast<size_t>(width));
    std::vector<double> fxs(static_cast<size_t>(width));
    for (int x = 0; x < width; ++x) {
        const double sx = double(x) * srcW / width;
        const int x0 = std::min(int(sx), srcW - 1);
        x0s[size_t(x)] = x0;
        x1s[size_t(x)] = std::min(x0 + 1, srcW - 1);
        fxs[size_t(x)] = sx - x0;
    }
    for (int y = 0; y < height; ++y) {
        const double sy = double(y) * srcH / height;
        const int y0 = std::min(int(sy), srcH - 1);
        const int y1 = std::min(y0 + 1, srcH - 1);
        const double fy = sy - y0;
        const Pixel* r0 = src + size_t(y0) * srcW;
        const Pixel* r1 = src + size_t(y1) * srcW;
        Pixel* d = dst + size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            const int x0 = x0s[size_t(x)], x1 = x1s[size_t(x)];
            const double fx = fxs[size_t(x)];
            const double top = r0[x0] * (1 - fx) + r0[x1] * fx;
            const double bottom = r1[x0] * (1 - fx) + r1[x1] * fx;
            const double v = top * (1 - fy) + bottom * fy;
            d[x] = v >= 65535.0 ? Pixel(65535) : Pixel(v);
        }
    }
}

void CentreInFrame(Pixel* dst, int width, int height, const Pixel* src, int srcW, int srcH) {
    const int w = std::min(srcW, width), h = std::min(srcH, height);
    const int left = (width - w) / 2, top = (height - h) / 2;
    std::fill(dst, dst + size_t(width) * height, Pixel(0));
    for (int y = 0; y < h; ++y)
        std::memcpy(dst + size_t(y + top) * width + left, src + size_t(y) * srcW, size_t(w) * sizeof(Pixel));
}

void BytesToPixels(Pixel* dst, const uint8_t* bytes, size_t bytesAvailable, size_t count) {
    const size_t n = std::min(count, bytesAvailable / 2);
    if constexpr (std::endian::native == std::endian::little) {
        // The camera sends little-endian pixels: on such a host a copy.
        std::memcpy(dst, bytes, n * sizeof(Pixel));
    } else {
        for (size_t i = 0; i < n; ++i) dst[i] = Pixel(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
}

std::string LeftSuffix(int remaining) {
    return remaining >= 2 ? " (Left - " + std::to_string(remaining) + ")" : std::string();
}

std::string ReadoutCaption(int mode, int32_t exposureMs, bool trigger, int remaining,
                           const std::string readoutTexts[3]) {
    std::string caption = (trigger && exposureMs < 6000) ? "WAIT ON TRIGGER AND READ CAMERA" : "READING Tessel CAMERA";
    if (remaining >= 2) return caption + LeftSuffix(remaining);
    if (mode == kModeBin2 || mode == kModeSubFrame) return caption + readoutTexts[0];
    if (mode == kModeHighRes) return caption + readoutTexts[2];
    return caption + readoutTexts[1];
}
