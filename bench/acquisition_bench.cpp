// Read-out assembly of a full Maple frame (4904 x 3280) in modes 1, 3, 4 and
// 8 against a plain memcpy of the frame, and the deadline of a host-timed 2 s
// exposure on the real clock while the event pump keeps running.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

#include "acquisition/camera_settings.h"
#include "acquisition/exposure_sequence.h"
#include "acquisition/readout.h"
#include "platform/platform.h"

namespace {

constexpr int kSensorW = 4904, kSensorH = 3280;

struct Frame {
    std::vector<uint8_t> bytes;
    std::vector<Pixel> image, scratch, raw;
    Frame() : bytes(size_t(kSensorW) * kSensorH * 2), image(size_t(kSensorW) * kSensorH),
              scratch(size_t(kSensorW) * kSensorH), raw(size_t(kSensorW / 3) * (kSensorH / 3)) {
        uint32_t x = 12345;
        for (auto& b : bytes) {
            x = x * 1664525u + 1013904223u;
            b = uint8_t(x >> 24);
        }
    }
};

Frame& SharedFrame() {
    static Frame frame;
    return frame;
}

void Assemble(benchmark::State& state, int mode) {
    Frame& f = SharedFrame();
    const bool binned = mode != kModeHighRes;
    const int W = binned ? kSensorW / 2 : kSensorW, H = binned ? kSensorH / 2 : kSensorH;
    const ReadWindow w = ModeWindow(mode, kSensorW, kSensorH, W, H, 2, 0, 0);
    for (auto _ : state) {
        AssembleReadout(mode, f.bytes.data(), w, f.image.data(), W, H, f.scratch.data(), f.raw.data(), false, 7);
        benchmark::DoNotOptimize(f.image.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(w.ReplyPixels()) * 2);
    state.counters["reply_pixels"] = double(w.ReplyPixels());
    state.counters["image_pixels"] = double(W) * H;
}

void BM_Memcpy_FullFrame(benchmark::State& state) {
    Frame& f = SharedFrame();
    for (auto _ : state) {
        std::memcpy(f.image.data(), f.bytes.data(), f.bytes.size());
        benchmark::DoNotOptimize(f.image.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(f.bytes.size()));
}
BENCHMARK(BM_Memcpy_FullFrame)->Unit(benchmark::kMillisecond);

void BM_Assemble_Mode1_HighRes(benchmark::State& state) { Assemble(state, kModeHighRes); }
void BM_Assemble_Mode3_Bilinear(benchmark::State& state) { Assemble(state, kModeBin3); }
void BM_Assemble_Mode4_Expand2x(benchmark::State& state) { Assemble(state, kModeBin4); }
void BM_Assemble_Mode8_Expand4x(benchmark::State& state) { Assemble(state, kModeBin8); }
BENCHMARK(BM_Assemble_Mode1_HighRes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Assemble_Mode3_Bilinear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Assemble_Mode4_Expand2x)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Assemble_Mode8_Expand4x)->Unit(benchmark::kMillisecond);

// An event pump that notes the longest gap between two pumps: the window
// stays responsive when that gap stays small.
class GapPump : public EventPump {
public:
    void Pump() override {
        const auto now = std::chrono::steady_clock::now();
        if (pumps_++) maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - last_).count());
        last_ = now;
    }
    bool TakeInterrupt() override { return false; }
    double maxGapMs = 0;

private:
    std::chrono::steady_clock::time_point last_;
    long pumps_ = 0;
};

void BM_HostTimedExposure_2s_Deadline(benchmark::State& state) {
    GapPump pump;
    Platform platform = Sys();
    platform.events = &pump;
    const Platform previous = InstallPlatform(platform);
    double worstLateMs = 0, worstEarlyMs = 0;
    for (auto _ : state) {
        ExposureWait wait;
        wait.exposureMs = 2000;
        wait.steps = ProgressSteps('s', 2);
        wait.withProgress = true;
        const auto begin = std::chrono::steady_clock::now();
        wait.startMs = NowMs();
        WaitForExposure(wait);
        const double elapsed =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
        worstLateMs = std::max(worstLateMs, elapsed - 2000.0);
        worstEarlyMs = std::max(worstEarlyMs, 2000.0 - elapsed);
    }
    InstallPlatform(previous);
    state.counters["late_ms_worst"] = worstLateMs;
    state.counters["early_ms_worst"] = worstEarlyMs;
    state.counters["pump_gap_ms_max"] = pump.maxGapMs;
}
BENCHMARK(BM_HostTimedExposure_2s_Deadline)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
