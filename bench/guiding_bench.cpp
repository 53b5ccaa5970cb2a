// The guide-star centroid: its precision on a simulated star of SNR about 30
// (100 frames at random sub-pixel positions: RMS of measured minus true
// position about the mean offset, and the mean offset itself), and its speed
// on a 17 x 17 window beside a plain copy of the same window.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "devices/sim/sky_renderer.h"
#include "stars/centroid.h"

namespace {

constexpr int kW = 64, kH = 64;

// flux F (electrons) with an aperture of radius 3 (28 pixels) of sky 20 e and
// read noise 8 e: SNR = F / sqrt(F + 28 x (20 + 64)) = 30 at F = 1973.
constexpr double kFluxSnr30 = 1973;

SkyField Field(double flux) {
    SkyField f;
    f.stars = {{32, 32, flux}};
    f.psfSigma = 1.6;
    f.skyPerSecond = 20;
    f.readNoise = 8;
    f.bias = 1000;
    f.darkAt0C = 0;
    return f;
}

void Precision(benchmark::State& state, double flux, bool tenths) {
    const SkyField field = Field(flux);
    double rms = 0, meanX = 0, meanY = 0;
    for (auto _ : state) {
        std::mt19937 rng(42);
        std::uniform_real_distribution<double> shift(-0.5, 0.5);
        std::vector<double> dx, dy;
        std::vector<uint16_t> img;
        for (int k = 0; k < 100; ++k) {
            RenderRequest r;
            r.sensorWidth = kW;
            r.sensorHeight = kH;
            r.width = kW;
            r.height = kH;
            r.exposureMs = 1000;
            r.shiftX = shift(rng);
            r.shiftY = shift(rng);
            r.seed = uint64_t(k + 1);
            RenderSky(field, r, img);
            StarPosition p;
            if (!FindStar(img.data(), kW, kH, 32, 32, 8, 3, tenths, p)) continue;
            WindowMeasure m;
            MeasureWindow(img.data(), kW, kH, p.x, p.y, 8, m);
            const double x = tenths ? p.X() : m.left + m.cx, y = tenths ? p.Y() : m.top + m.cy;
            dx.push_back(x - (32 + r.shiftX));
            dy.push_back(y - (32 + r.shiftY));
        }
        meanX = meanY = 0;
        for (size_t i = 0; i < dx.size(); ++i) {
            meanX += dx[i];
            meanY += dy[i];
        }
        meanX /= double(dx.size());
        meanY /= double(dy.size());
        double s = 0;
        for (size_t i = 0; i < dx.size(); ++i)
            s += (dx[i] - meanX) * (dx[i] - meanX) + (dy[i] - meanY) * (dy[i] - meanY);
        rms = std::sqrt(s / double(dx.size()));  // total (x and y together)
    }
    state.counters["rms_total_px"] = rms;
    state.counters["rms_per_axis_px"] = rms / std::sqrt(2.0);
    state.counters["mean_dx_px"] = meanX;
    state.counters["mean_dy_px"] = meanY;
}

// The precision of the fractional centroid and of the tenths the guider uses.
void BM_CentroidPrecision_Snr30(benchmark::State& state) { Precision(state, kFluxSnr30, false); }
void BM_CentroidPrecision_Snr30_Tenths(benchmark::State& state) { Precision(state, kFluxSnr30, true); }
void BM_CentroidPrecision_Snr100_Tenths(benchmark::State& state) { Precision(state, 12000, true); }

std::vector<uint16_t>& StarImage() {
    static std::vector<uint16_t> img = [] {
        std::vector<uint16_t> out;
        RenderRequest r;
        r.sensorWidth = r.width = kW;
        r.sensorHeight = r.height = kH;
        r.exposureMs = 1000;
        RenderSky(Field(50000), r, out);
        return out;
    }();
    return img;
}

void BM_Centroid_17x17(benchmark::State& state) {
    std::vector<uint16_t>& img = StarImage();
    for (auto _ : state) {
        WindowMeasure m;
        MeasureWindow(img.data(), kW, kH, 32, 32, 8, m);
        benchmark::DoNotOptimize(m);
    }
}

// Yardstick: copying the same 17 rows of 17 pixels.
void BM_CopyWindow_17x17(benchmark::State& state) {
    std::vector<uint16_t>& img = StarImage();
    uint16_t window[17 * 17];
    for (auto _ : state) {
        for (int r = 0; r < 17; ++r) std::memcpy(window + r * 17, img.data() + size_t(24 + r) * kW + 24, 34);
        benchmark::DoNotOptimize(window);
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_CentroidPrecision_Snr30)->Iterations(1);
BENCHMARK(BM_CentroidPrecision_Snr30_Tenths)->Iterations(1);
BENCHMARK(BM_CentroidPrecision_Snr100_Tenths)->Iterations(1);
BENCHMARK(BM_Centroid_17x17);
BENCHMARK(BM_CopyWindow_17x17);

}  // namespace
