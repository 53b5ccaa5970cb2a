// The simulator's frame rendering: a full 2048 x 2048 frame (model 4), a 2 x 2
// binned frame and a guider frame, each with a 60-star field and noise.
#include <benchmark/benchmark.h>

#include <vector>

#include "devices/sim/sky_renderer.h"

namespace {

void RenderFrame(benchmark::State& state, int width, int height, int bin) {
    SkyField field = MakeStarField(width, height, 60, 6, 1);
    RenderRequest r;
    r.sensorWidth = width;
    r.sensorHeight = height;
    r.width = width;
    r.height = height;
    r.xBin = r.yBin = bin;
    r.exposureMs = 5000;
    std::vector<uint16_t> out;
    for (auto _ : state) {
        ++r.seed;
        RenderSky(field, r, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(out.size()));
}

void BM_SimFullFrame(benchmark::State& state) { RenderFrame(state, 2048, 2048, 1); }
void BM_SimBinned2x2(benchmark::State& state) { RenderFrame(state, 2048, 2048, 2); }
void BM_SimGuiderFrame(benchmark::State& state) { RenderFrame(state, 500, 290, 1); }

BENCHMARK(BM_SimFullFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimBinned2x2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SimGuiderFrame)->Unit(benchmark::kMillisecond);

}  // namespace
