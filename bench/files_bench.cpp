// FITS save and load of a 4904 x 3280 frame (the largest sensor), beside a
// plain memcpy of the frame measured in the same run: the memory-bandwidth
// floor. Files go to a temporary folder; the save includes the flush to disk.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/state.h"
#include "files/fits.h"
#include "files/raw_files.h"
#include "settings/settings_file.h"

namespace {

std::string FilesBenchDir() {
    static const std::string dir = [] {
        char pattern[] = "/tmp/velmora-files-bench-XXXXXX";
        std::string made = mkdtemp(pattern);
        setenv("VELMORA_HOME", made.c_str(), 1);
        return made;
    }();
    return dir;
}

size_t UseMapleFrame() {
    FilesBenchDir();
    AppState& s = State();
    if (s.geometry.modelCode != 7 || s.geometry.binned) {
        s.geometry.modelCode = 7;
        s.geometry.binned = false;
        ApplyCameraModel();
    }
    const size_t n = size_t(s.geometry.width) * s.geometry.height;
    uint32_t seed = 4711;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        s.imageA[i] = uint16_t(seed >> 16);
    }
    return n;
}

void SetFrameBytes(benchmark::State& state, size_t pixels) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(pixels) * 2);
}

void BM_FilesMemcpyFrame(benchmark::State& state) {
    const size_t n = UseMapleFrame();
    for (auto _ : state) {
        std::memcpy(State().imageB, State().imageA, n * sizeof(Pixel));
        benchmark::ClobberMemory();
    }
    SetFrameBytes(state, n);
}
BENCHMARK(BM_FilesMemcpyFrame)->Unit(benchmark::kMillisecond);

void BM_SaveFits(benchmark::State& state) {
    const size_t n = UseMapleFrame();
    const std::string path = FilesBenchDir() + "/save.fit";
    for (auto _ : state) {
        if (SaveFits(path, State().imageA, false) != 0) state.SkipWithError("SaveFits failed");
    }
    SetFrameBytes(state, n);
}
BENCHMARK(BM_SaveFits)->Unit(benchmark::kMillisecond);

void BM_LoadFits(benchmark::State& state) {
    const size_t n = UseMapleFrame();
    const std::string path = FilesBenchDir() + "/load.fit";
    if (SaveFits(path, State().imageA, false) != 0) state.SkipWithError("SaveFits failed");
    for (auto _ : state) {
        if (LoadFits(path, State().imageB) != 0) state.SkipWithError("LoadFits failed");
        benchmark::ClobberMemory();
    }
    SetFrameBytes(state, n);
}
BENCHMARK(BM_LoadFits)->Unit(benchmark::kMillisecond);

void BM_SaveLoadFitsRoundTrip(benchmark::State& state) {
    const size_t n = UseMapleFrame();
    const std::string path = FilesBenchDir() + "/roundtrip.fit";
    for (auto _ : state) {
        if (SaveFits(path, State().imageA, false) != 0 || LoadFits(path, State().imageB) != 0)
            state.SkipWithError("round trip failed");
        benchmark::ClobberMemory();
    }
    if (std::memcmp(State().imageA, State().imageB, n * sizeof(Pixel)) != 0)
        state.SkipWithError("round trip changed the image");
    SetFrameBytes(state, n);
}
BENCHMARK(BM_SaveLoadFitsRoundTrip)->Unit(benchmark::kMillisecond);

void BM_SaveTiff16(benchmark::State& state) {
    const size_t n = UseMapleFrame();
    const std::string path = FilesBenchDir() + "/save.tif";
    for (auto _ : state) {
        if (SaveTiff(path, State().imageA, true) != 0) state.SkipWithError("SaveTiff failed");
    }
    SetFrameBytes(state, n);
}
BENCHMARK(BM_SaveTiff16)->Unit(benchmark::kMillisecond);

}  // namespace
