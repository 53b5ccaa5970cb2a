// Speed of the stretch engine and the spatial filters on the largest frame
// (4904 x 3280), single thread, with OpenCV measured in the same run as the
// yardstick where it is available. Ratios to report: engine / memcpy,
// convolution / cv::filter2D, median / cv::medianBlur, unsharp r7 / r1.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "processing/filters.h"
#include "processing/stretches.h"

#ifdef VELMORA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr int kW = 4904;
constexpr int kH = 3280;

// A sky frame: background with noise, a gradient and a few hundred stars.
const std::vector<uint16_t>& Frame() {
    static const std::vector<uint16_t> frame = [] {
        std::vector<uint16_t> f(size_t(kW) * kH);
        std::mt19937 rng(42);
        std::normal_distribution<double> noise(0, 60);
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const double v = 2000 + 0.2 * x + 0.1 * y + noise(rng);
                f[size_t(y) * kW + x] = uint16_t(std::clamp(v, 0.0, 65535.0));
            }
        std::uniform_int_distribution<int> px(10, kW - 11), py(10, kH - 11);
        for (int s = 0; s < 600; ++s) {
            const int cx = px(rng), cy = py(rng);
            for (int dy = -3; dy <= 3; ++dy)
                for (int dx = -3; dx <= 3; ++dx) {
                    uint16_t& p = f[size_t(cy + dy) * kW + cx + dx];
                    p = uint16_t(std::min(65535, p + 40000 / (1 + dx * dx + dy * dy)));
                }
        }
        return f;
    }();
    return frame;
}

std::vector<uint16_t>& Scratch() {
    static std::vector<uint16_t> out(size_t(kW) * kH);
    return out;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed(int64_t(state.iterations()) * kW * kH * 2);
}

void BM_Memcpy(benchmark::State& state) {
    const auto& src = Frame();
    auto& dst = Scratch();
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * 2);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

void BM_StretchEngine(benchmark::State& state) {
    auto& image = Scratch();
    image = Frame();
    ToneTable table;
    BuildInvertTable(table);
    for (auto _ : state) {
        ApplyStretchTableTo(image.data(), kW, kH, table);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_StretchEngine)->Unit(benchmark::kMillisecond);

// args: radius, kernel, divisor
void BM_Convolve(benchmark::State& state) {
    const int radius = int(state.range(0)), kernel = int(state.range(1)), divisor = int(state.range(2));
    for (auto _ : state) {
        ConvolveInto(Frame().data(), Scratch().data(), kW, kH, radius, kernel, divisor);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_Convolve)
    ->Args({1, kKernelLowpass, 16})
    ->Args({1, kKernelHighPassLowPower, 1})
    ->Args({2, kKernelGaussian, 80})
    ->Args({2, kKernelHighPassHighPower, 1})
    ->Unit(benchmark::kMillisecond);

void BM_Median(benchmark::State& state) {
    const int radius = int(state.range(0));
    for (auto _ : state) {
        ConditionalMedianInto(Frame().data(), Scratch().data(), kW, kH, radius, 6);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_Median)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

void BM_Unsharp(benchmark::State& state) {
    const int radius = int(state.range(0));
    for (auto _ : state) {
        UnsharpInto(Frame().data(), Scratch().data(), kW, kH, radius, 3);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_Unsharp)->Arg(1)->Arg(3)->Arg(7)->Unit(benchmark::kMillisecond);

#ifdef VELMORA_HAVE_OPENCV
cv::Mat FrameMat() { return cv::Mat(kH, kW, CV_16UC1, const_cast<uint16_t*>(Frame().data())); }

void BM_OpenCV_Filter2D(benchmark::State& state) {
    cv::setNumThreads(1);
    const int radius = int(state.range(0)), kernel = int(state.range(1)), divisor = int(state.range(2));
    const int size = 2 * radius + 1;
    cv::Mat k(size, size, CV_32F);
    for (int i = 0; i < size * size; ++i) k.at<float>(i / size, i % size) = float(kFilterKernels[kernel][i]) / divisor;
    const cv::Mat src = FrameMat();
    cv::Mat dst(kH, kW, CV_16UC1, Scratch().data());
    for (auto _ : state) {
        cv::filter2D(src, dst, CV_16U, k);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_OpenCV_Filter2D)
    ->Args({1, kKernelLowpass, 16})
    ->Args({1, kKernelHighPassLowPower, 1})
    ->Args({2, kKernelGaussian, 80})
    ->Args({2, kKernelHighPassHighPower, 1})
    ->Unit(benchmark::kMillisecond);

void BM_OpenCV_MedianBlur(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat src = FrameMat();
    cv::Mat dst(kH, kW, CV_16UC1, Scratch().data());
    for (auto _ : state) {
        cv::medianBlur(src, dst, int(state.range(0)));
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_OpenCV_MedianBlur)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_OpenCV_Copy(benchmark::State& state) {
    cv::setNumThreads(1);
    const cv::Mat src = FrameMat();
    cv::Mat dst(kH, kW, CV_16UC1, Scratch().data());
    for (auto _ : state) {
        src.copyTo(dst);
        benchmark::ClobberMemory();
    }
    SetBytes(state);
}
BENCHMARK(BM_OpenCV_Copy)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
