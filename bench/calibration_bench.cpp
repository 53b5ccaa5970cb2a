// Dark subtraction and flat field on the largest sensor (4904 x 3280), with a
// plain memcpy of the frame as the memory-bandwidth yardstick. Single thread.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "processing/calibration.h"

namespace {

constexpr int kWidth = 4904, kHeight = 3280;
constexpr size_t kPixels = size_t(kWidth) * kHeight;

struct Frames {
    std::vector<Pixel> image, second, work;
    Frames() : image(kPixels), second(kPixels), work(kPixels) {
        uint32_t h = 12345;
        for (size_t i = 0; i < kPixels; ++i) {
            h = h * 1664525u + 1013904223u;
            image[i] = Pixel(h >> 16);
            second[i] = Pixel(20000 + ((h >> 8) & 0x1FFF));
        }
    }
};

Frames& Data() {
    static Frames frames;
    return frames;
}

void BM_CalibrationMemcpy(benchmark::State& state) {
    Frames& f = Data();
    for (auto _ : state) {
        std::memcpy(f.work.data(), f.image.data(), kPixels * sizeof(Pixel));
        benchmark::DoNotOptimize(f.work.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPixels * sizeof(Pixel)));
}
BENCHMARK(BM_CalibrationMemcpy)->Unit(benchmark::kMillisecond);

void BM_DarkSubtraction(benchmark::State& state) {
    Frames& f = Data();
    for (auto _ : state) {
        SubtractDark(f.work.data(), f.second.data(), kPixels);
        benchmark::DoNotOptimize(f.work.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPixels * sizeof(Pixel)));
}
BENCHMARK(BM_DarkSubtraction)->Unit(benchmark::kMillisecond);

void BM_FlatField(benchmark::State& state) {
    Frames& f = Data();
    const double mean = FlatMean(f.second.data(), kWidth, MenuFlatWindow(kWidth, kHeight));
    for (auto _ : state) {
        ApplyFlat(f.work.data(), f.second.data(), kWidth, 7, kHeight - 1, mean);
        benchmark::DoNotOptimize(f.work.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kPixels * sizeof(Pixel)));
}
BENCHMARK(BM_FlatField)->Unit(benchmark::kMillisecond);

}  // namespace
