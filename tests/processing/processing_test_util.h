// Small images and files for the calibration, merge, label and history tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/state.h"
#include "platform/files.h"

// Sets a W x H full-resolution geometry (the sensor of that size).
inline void UseGeometry(int width, int height) {
    ImageGeometry& g = State().geometry;
    g.sensorWidth = int16_t(width);
    g.sensorHeight = int16_t(height);
    g.binned = false;
    RecomputeGeometry();
}

inline std::vector<Pixel> MakeImage(int width, int height, const std::function<int(int x, int y)>& value) {
    std::vector<Pixel> image(size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image[size_t(y) * width + x] = Pixel(value(x, y));
    return image;
}

inline void PutA(const std::vector<Pixel>& image) {
    std::copy(image.begin(), image.end(), State().imageA);
}

inline std::vector<Pixel> GetA() {
    const AppState& s = State();
    return std::vector<Pixel>(s.imageA, s.imageA + s.geometry.pixels);
}

inline std::vector<Pixel> GetUndo() {
    const AppState& s = State();
    return std::vector<Pixel>(s.undo, s.undo + s.geometry.pixels);
}

// A native raw file: the pixels little-endian, no header.
inline bool WriteRaw(const std::string& hostPath, const std::vector<Pixel>& pixels) {
    Bytes bytes(pixels.size() * 2);
    for (size_t i = 0; i < pixels.size(); ++i) {
        bytes[2 * i] = uint8_t(pixels[i] & 0xFF);
        bytes[2 * i + 1] = uint8_t(pixels[i] >> 8);
    }
    return ReplaceFile(hostPath, bytes);
}

inline std::vector<Pixel> ReadRaw(const std::string& hostPath) {
    std::vector<Pixel> pixels;
    if (auto bytes = ReadWholeFile(hostPath)) {
        pixels.resize(bytes->size() / 2);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = Pixel((*bytes)[2 * i] | ((*bytes)[2 * i + 1] << 8));
    }
    return pixels;
}

// A pseudo-random pixel pattern (fixed seed) covering the whole 16-bit range.
inline int Noise(int x, int y, int seed = 1) {
    uint32_t h = uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u ^ uint32_t(seed) * 83492791u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return int(h & 0xFFFF);
}

// The six convolution kernels as the filter rules give them, row by row (a
// 3 x 3 kernel in its first 9 weights), written out here independently of the
// program's table.
inline constexpr int kRuleKernels[6][25] = {
    {1, 2, 1, 2, 4, 2, 1, 2, 1},                                                          // lowpass
    {0, 1, 2, 1, 0, 1, 4, 8, 4, 1, 2, 8, 16, 8, 2, 1, 4, 8, 4, 1, 0, 1, 2, 1, 0},      // Gaussian
    {0, -1, 0, -1, 5, -1, 0, -1, 0},                                                      // high pass low power
    {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 25, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1},
    {0, -1, -1, -1, 0, -1, 1, 1, 1, -1, -1, 1, 5, 1, -1, -1, 1, 1, 1, -1, 0, -1, -1, -1, 0},  // smoother/sharper
    {0, 0, -1, 0, 0, 0, -1, -1, -1, 0, -1, -1, 1, 1, 1, 0, 1, 1, 1, 0, 0, 0, 1, 0, 0},       // bas relief
};

// The convolution rule with those kernels: s = sum of weight x pixel over the
// window (weights row-major), s / divisor truncated, above 65280 -> 65535,
// below 0 -> 0; rows from firstRow, pixels nearer the edge than d kept.
inline std::vector<Pixel> RuleConvolve(const std::vector<Pixel>& a, int w, int h, int d, int kernel, int divisor,
                                       int firstRow) {
    std::vector<Pixel> b = a;
    for (int i = firstRow; i <= h - d - 1; ++i) {
        for (int j = d; j <= w - d - 1; ++j) {
            int32_t s = 0;
            int k = 0;
            for (int dy = -d; dy <= d; ++dy)
                for (int dx = -d; dx <= d; ++dx) s += kRuleKernels[kernel][k++] * a[size_t(i + dy) * w + j + dx];
            s = s / divisor;
            b[size_t(i) * w + j] = s > 65280 ? 65535 : s < 0 ? 0 : Pixel(s);
        }
    }
    return b;
}
