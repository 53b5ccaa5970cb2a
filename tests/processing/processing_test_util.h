// Small images and files for the calibration, merge, label and history tests.
#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/state.h"
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
