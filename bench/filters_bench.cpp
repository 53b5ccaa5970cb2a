// Speed of the stretch engine and the spatial filters on the largest frame
// (4904 x 3280), single thread, each beside a yardstick measured in the same
// run: memcpy for the engine, a plain loop built for this processor for each
// convolution, cv::medianBlur for the median and cv::blur of the same box for
// the unsharp mask (OpenCV where it is available). At the end the bench
// prints each filter's ratio to its yardstick, from the median CPU time per
// call over all runs of each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "processing/filters.h"
#include "processing/filters_rows.h"
#include "processing/stretches.h"

#ifdef VELMORA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

void PlainConvolveNative(const uint16_t* src, uint16_t* dst, int width, int height, int radius, int kernel,
                         int divisor);

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

double CpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// CPU time per call of every run of each operation; the ratios are printed
// when the bench ends.
struct Ratio {
    const char* what;
    std::string filter, yardstick;
};
const Ratio kRatios[] = {
    {"convolution 3x3 lowpass / plain native loop", "conv 1/0/16", "plain 1/0/16"},
    {"convolution 3x3 high pass / plain native loop", "conv 1/2/1", "plain 1/2/1"},
    {"convolution 5x5 Gaussian / plain native loop", "conv 2/1/80", "plain 2/1/80"},
    {"convolution 5x5 high pass / plain native loop", "conv 2/3/1", "plain 2/3/1"},
    {"convolution 5x5 smoother/sharper / plain native loop", "conv 2/4/1", "plain 2/4/1"},
    {"convolution 5x5 bas relief / plain native loop", "conv 2/5/1", "plain 2/5/1"},
    {"median r1 / cv::medianBlur 3", "median 1", "medianBlur 3"},
    {"unsharp r1 / cv::blur 3x3", "unsharp 1", "blur 3"},
    {"unsharp r3 / cv::blur 7x7", "unsharp 3", "blur 7"},
    {"unsharp r7 / cv::blur 15x15", "unsharp 7", "blur 15"},
    {"unsharp r7 / cv::blur 7x7", "unsharp 7", "blur 7"},
    {"AVX2: convolution 3x3 lowpass / plain native loop", "conv avx2 1/0/16", "plain 1/0/16"},
    {"AVX2: convolution 3x3 high pass / plain native loop", "conv avx2 1/2/1", "plain 1/2/1"},
    {"AVX2: convolution 5x5 Gaussian / plain native loop", "conv avx2 2/1/80", "plain 2/1/80"},
    {"AVX2: convolution 5x5 high pass / plain native loop", "conv avx2 2/3/1", "plain 2/3/1"},
    {"AVX2: convolution 5x5 smoother/sharper / plain native loop", "conv avx2 2/4/1", "plain 2/4/1"},
    {"AVX2: convolution 5x5 bas relief / plain native loop", "conv avx2 2/5/1", "plain 2/5/1"},
    {"AVX2: median r1 / cv::medianBlur 3", "median avx2 1", "medianBlur 3"},
    {"AVX2: unsharp r7 / cv::blur 15x15", "unsharp avx2 7", "blur 15"},
};

class Timings {
public:
    void Add(const std::string& key, double seconds) { runs_[key].push_back(seconds); }
    ~Timings() {
        bool header = false;
        for (const Ratio& r : kRatios) {
            const double f = Median(r.filter), y = Median(r.yardstick);
            if (f <= 0 || y <= 0) continue;
            if (!header) std::printf("\nRatios (median CPU time per call, same run):\n");
            header = true;
            std::printf("  %-58s %8.2f ms / %8.2f ms = %.2f\n", r.what, f * 1e3, y * 1e3, f / y);
        }
    }

private:
    double Median(const std::string& key) {
        auto it = runs_.find(key);
        if (it == runs_.end() || it->second.empty()) return 0;
        std::vector<double> v = it->second;
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }
    std::map<std::string, std::vector<double>> runs_;
};

Timings& Recorded() {
    static Timings timings;
    return timings;
}

// The clock reading a measurement starts from, the frame and the output
// buffer made first.
double Start() {
    Frame();
    Scratch();
    return CpuSeconds();
}

void Record(benchmark::State& state, const std::string& key, double start) {
    if (state.iterations() > 0) Recorded().Add(key, (CpuSeconds() - start) / double(state.iterations()));
    SetBytes(state);
}

std::string Key(const char* name, benchmark::State& state, int args) {
    std::string key = name;
    for (int k = 0; k < args; ++k) key += (k ? "/" : " ") + std::to_string(state.range(k));
    return key;
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

// The six menu convolutions: radius, kernel, divisor.
void Convolutions(benchmark::internal::Benchmark* b) {
    b->Args({1, kKernelLowpass, 16})
        ->Args({1, kKernelHighPassLowPower, 1})
        ->Args({2, kKernelGaussian, 80})
        ->Args({2, kKernelHighPassHighPower, 1})
        ->Args({2, kKernelSmootherSharper, 1})
        ->Args({2, kKernelBasRelief, 1})
        ->Unit(benchmark::kMillisecond);
}

// args: radius, kernel, divisor
void Convolve(benchmark::State& state, const PixelKernels& kernels, const char* key) {
    const int radius = int(state.range(0)), kernel = int(state.range(1)), divisor = int(state.range(2));
    const double start = Start();
    for (auto _ : state) {
        ConvolveWith(kernels, Frame().data(), Scratch().data(), kW, kH, radius, kernel, divisor);
        benchmark::ClobberMemory();
    }
    Record(state, Key(key, state, 3), start);
}

void Median(benchmark::State& state, const PixelKernels& kernels, const char* key) {
    const double start = Start();
    for (auto _ : state) {
        ConditionalMedianWith(kernels, Frame().data(), Scratch().data(), kW, kH, int(state.range(0)), 6);
        benchmark::ClobberMemory();
    }
    Record(state, Key(key, state, 1), start);
}

void Unsharp(benchmark::State& state, const PixelKernels& kernels, const char* key) {
    const double start = Start();
    for (auto _ : state) {
        UnsharpWith(kernels, Frame().data(), Scratch().data(), kW, kH, int(state.range(0)), 3);
        benchmark::ClobberMemory();
    }
    Record(state, Key(key, state, 1), start);
}

// The kernels the program uses on this processor.
void BM_Convolve(benchmark::State& state) { Convolve(state, FastestKernels(), "conv"); }
BENCHMARK(BM_Convolve)->Apply(Convolutions);
void BM_Median(benchmark::State& state) { Median(state, FastestKernels(), "median"); }
BENCHMARK(BM_Median)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);
void BM_Unsharp(benchmark::State& state) { Unsharp(state, FastestKernels(), "unsharp"); }
BENCHMARK(BM_Unsharp)->Arg(1)->Arg(3)->Arg(7)->Unit(benchmark::kMillisecond);

// The AVX2 kernels, on a processor that has AVX-512 too: what an AVX2-only
// processor runs (the yardsticks stay those of this processor).
void BM_ConvolveAvx2(benchmark::State& state) {
    if (!CpuRuns(PixelIsa::kAvx2)) return state.SkipWithError("no AVX2");
    Convolve(state, KernelsFor(PixelIsa::kAvx2), "conv avx2");
}
BENCHMARK(BM_ConvolveAvx2)->Apply(Convolutions);
void BM_MedianAvx2(benchmark::State& state) {
    if (!CpuRuns(PixelIsa::kAvx2)) return state.SkipWithError("no AVX2");
    Median(state, KernelsFor(PixelIsa::kAvx2), "median avx2");
}
BENCHMARK(BM_MedianAvx2)->Arg(1)->Unit(benchmark::kMillisecond);
void BM_UnsharpAvx2(benchmark::State& state) {
    if (!CpuRuns(PixelIsa::kAvx2)) return state.SkipWithError("no AVX2");
    Unsharp(state, KernelsFor(PixelIsa::kAvx2), "unsharp avx2");
}
BENCHMARK(BM_UnsharpAvx2)->Arg(7)->Unit(benchmark::kMillisecond);

void BM_PlainNativeConvolve(benchmark::State& state) {
    const int radius = int(state.range(0)), kernel = int(state.range(1)), divisor = int(state.range(2));
    const double start = Start();
    for (auto _ : state) {
        PlainConvolveNative(Frame().data(), Scratch().data(), kW, kH, radius, kernel, divisor);
        benchmark::ClobberMemory();
    }
    Record(state, Key("plain", state, 3), start);
}
BENCHMARK(BM_PlainNativeConvolve)->Apply(Convolutions);

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
    const double start = Start();
    for (auto _ : state) {
        cv::medianBlur(src, dst, int(state.range(0)));
        benchmark::ClobberMemory();
    }
    Record(state, Key("medianBlur", state, 1), start);
}
BENCHMARK(BM_OpenCV_MedianBlur)->Arg(3)->Arg(5)->Unit(benchmark::kMillisecond);

// The unsharp mask's box: 2r + 1 on a side.
void BM_OpenCV_Blur(benchmark::State& state) {
    cv::setNumThreads(1);
    const int size = int(state.range(0));
    const cv::Mat src = FrameMat();
    cv::Mat dst(kH, kW, CV_16UC1, Scratch().data());
    const double start = Start();
    for (auto _ : state) {
        cv::blur(src, dst, cv::Size(size, size));
        benchmark::ClobberMemory();
    }
    Record(state, Key("blur", state, 1), start);
}
BENCHMARK(BM_OpenCV_Blur)->Arg(3)->Arg(7)->Arg(15)->Unit(benchmark::kMillisecond);

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
