// One full redraw (display bytes, palette, the bitmap file) of a
// 4904 x 3280 frame, beside a plain memcpy of the frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/state.h"
#include "display/display_state.h"
#include "display/render.h"
#include "settings/settings_file.h"

namespace {

void UseMapleFrame() {
    static const std::string home = [] {
        char pattern[] = "/tmp/velmora-bench-XXXXXX";
        std::string dir = mkdtemp(pattern);
        setenv("VELMORA_HOME", dir.c_str(), 1);
        return dir;
    }();
    AppState& s = State();
    s.geometry.modelCode = 7;
    s.geometry.binned = false;
    ApplyCameraModel();
    uint32_t seed = 12345;
    const size_t n = size_t(s.geometry.width) * s.geometry.height;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        s.imageA[i] = uint16_t(2000 + (seed >> 20));
    }
}

void BM_MemcpyFrame(benchmark::State& state) {
    UseMapleFrame();
    const size_t n = size_t(State().geometry.width) * State().geometry.height;
    for (auto _ : state) {
        std::memcpy(State().imageB, State().imageA, n * sizeof(uint16_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n * 2));
}

void RedrawWith(benchmark::State& state, bool binned, bool stretch, bool autoContrast) {
    UseMapleFrame();
    SetBinnedDisplay(binned);
    ViewOptions().stretchDisplay = stretch;
    ViewOptions().autoContrast = autoContrast;
    const size_t n = size_t(State().geometry.width) * State().geometry.height;
    for (auto _ : state) {
        RedrawImage();
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(n * 2));
    ViewOptions().stretchDisplay = false;
    ViewOptions().autoContrast = false;
}

void BM_RedrawFull(benchmark::State& state) { RedrawWith(state, false, false, false); }
void BM_RedrawBinned(benchmark::State& state) { RedrawWith(state, true, false, false); }
void BM_RedrawFullStretchAutoContrast(benchmark::State& state) { RedrawWith(state, false, true, true); }

void BM_BackgroundEstimate(benchmark::State& state) {
    UseMapleFrame();
    const ImageGeometry& g = State().geometry;
    for (auto _ : state) benchmark::DoNotOptimize(BackgroundEstimate(State().imageA, g.width, g.height, HistogramCounters()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(size_t(g.width) * g.height * 2));
}

}  // namespace

BENCHMARK(BM_MemcpyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFull)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawBinned)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawFullStretchAutoContrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BackgroundEstimate)->Unit(benchmark::kMillisecond);
