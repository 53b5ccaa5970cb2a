#include "devices/sim/sky_renderer.h"

#include <algorithm>
#include <cmath>

#include "devices/sim/sim_random.h"

namespace {

// Fraction of a 1-D Gaussian of width sigma centred at c inside [a, b).
double GaussFraction(double a, double b, double c, double sigma) {
    const double k = 1.0 / (std::sqrt(2.0) * sigma);
    return 0.5 * (std::erf((b - c) * k) - std::erf((a - c) * k));
}

// Adds the light of one star (electrons) into the binned electron image.
void AddStar(std::vector<double>& e, const RenderRequest& r, int outW, int outH, double cx, double cy,
             double electrons, double sigma) {
    if (electrons <= 0) return;
    const double reach = 5 * sigma + 1;
    // Binned columns and rows the star touches.
    const int i0 = std::max(0, int(std::floor((cx - reach - r.xOffset) / r.xBin)));
    const int i1 = std::min(outW - 1, int(std::floor((cx + reach - r.xOffset) / r.xBin)));
    const int j0 = std::max(0, int(std::floor((cy - reach - r.yOffset) / r.yBin)));
    const int j1 = std::min(outH - 1, int(std::floor((cy + reach - r.yOffset) / r.yBin)));
    if (i0 > i1 || j0 > j1) return;
    std::vector<double> fx(size_t(i1 - i0 + 1));
    for (int i = i0; i <= i1; ++i) {
        const double a = r.xOffset + double(i) * r.xBin;
        fx[size_t(i - i0)] = GaussFraction(a, a + r.xBin, cx, sigma);
    }
    for (int j = j0; j <= j1; ++j) {
        const double a = r.yOffset + double(j) * r.yBin;
        const double fy = GaussFraction(a, a + r.yBin, cy, sigma) * electrons;
        if (fy <= 0) continue;
        double* row = e.data() + size_t(j) * size_t(outW);
        for (int i = i0; i <= i1; ++i) row[i] += fy * fx[size_t(i - i0)];
    }
}

void RenderElectrons(const SkyField& field, const RenderRequest& r, std::vector<double>& e, int& outW, int& outH) {
    const int xb = std::max(1, r.xBin), yb = std::max(1, r.yBin);
    outW = r.width / xb;
    outH = r.height / yb;
    const double seconds = std::max(0.0, r.exposureMs) / 1000.0;
    const double lightSeconds = r.lightMs < 0 ? seconds : r.lightMs / 1000.0;
    const double dark = field.darkAt0C * std::pow(2.0, r.temperatureC / field.darkDoublingC);
    const double background = (field.skyPerSecond * lightSeconds + dark * seconds) * xb * yb;
    e.assign(size_t(std::max(0, outW)) * size_t(std::max(0, outH)), background);
    if (outW <= 0 || outH <= 0) return;
    RenderRequest rr = r;
    rr.xBin = xb;
    rr.yBin = yb;
    std::vector<std::pair<double, double>> path = r.path;
    if (path.empty()) path.push_back({r.shiftX, r.shiftY});
    const double share = 1.0 / double(path.size());
    for (const SimStar& star : field.stars)
        for (const auto& [dx, dy] : path)
            AddStar(e, rr, outW, outH, star.x + dx, star.y + dy, star.flux * lightSeconds * share, field.psfSigma);
    // Hot pixels sit on the sensor and do not move with the sky.
    for (uint32_t index : field.hotPixels) {
        if (r.sensorWidth <= 0) break;
        const int x = int(index % uint32_t(r.sensorWidth)) - r.xOffset;
        const int y = int(index / uint32_t(r.sensorWidth)) - r.yOffset;
        if (x < 0 || y < 0) continue;
        const int i = x / xb, j = y / yb;
        if (i >= outW || j >= outH) continue;
        e[size_t(j) * size_t(outW) + size_t(i)] += field.hotPixelPerSecond * seconds;
    }
}

}  // namespace

SkyField MakeStarField(int sensorWidth, int sensorHeight, int count, int hotPixels, uint64_t seed) {
    SkyField field;
    SimRandom rng(seed);
    const double margin = 8;
    for (int i = 0; i < count; ++i) {
        SimStar s;
        s.x = margin + rng.Uniform() * std::max(1.0, sensorWidth - 2 * margin);
        s.y = margin + rng.Uniform() * std::max(1.0, sensorHeight - 2 * margin);
        // Many faint stars, few bright ones: a power law in flux.
        s.flux = std::min(400000.0, 800.0 * std::pow(std::max(1e-6, rng.Uniform()), -1.5));
        field.stars.push_back(s);
    }
    for (int i = 0; i < hotPixels; ++i)
        field.hotPixels.push_back(uint32_t(rng.Next() % uint64_t(std::max(1, sensorWidth * sensorHeight))));
    return field;
}

size_t RenderedPixels(const RenderRequest& r) {
    const int xb = std::max(1, r.xBin), yb = std::max(1, r.yBin);
    return size_t(std::max(0, r.width / xb)) * size_t(std::max(0, r.height / yb));
}

void RenderSky(const SkyField& field, const RenderRequest& r, std::vector<uint16_t>& out) {
    std::vector<double> e;
    int w = 0, h = 0;
    RenderElectrons(field, r, e, w, h);
    out.resize(e.size());
    SimRandom rng(r.seed);
    const double gain = field.gain > 0 ? field.gain : 1.0;
    for (size_t k = 0; k < e.size(); ++k) {
        double electrons = e[k];
        if (field.noise) electrons = rng.Poisson(electrons) + rng.Normal() * field.readNoise;
        const double adu = field.bias + electrons / gain;
        out[k] = uint16_t(std::clamp(std::floor(adu + 0.5), 0.0, 65535.0));
    }
}

void RenderSky8(const SkyField& field, const RenderRequest& r, std::vector<uint8_t>& out) {
    std::vector<double> e;
    int w = 0, h = 0;
    RenderElectrons(field, r, e, w, h);
    out.resize(e.size());
    SimRandom rng(r.seed);
    const double gain = field.gain > 0 ? field.gain : 1.0;
    for (size_t k = 0; k < e.size(); ++k) {
        double electrons = e[k];
        if (field.noise) electrons = rng.Poisson(electrons) + rng.Normal() * field.readNoise;
        const double adu = field.bias + electrons / gain;
        out[k] = uint8_t(std::clamp(std::floor(adu + 0.5), 0.0, 255.0));
    }
}

double GuideStarFlux(const SkyField& field, double snr, double seconds) {
    const double fraction = std::pow(std::erf(3.5 / (std::sqrt(2.0) * field.psfSigma)), 2);
    const double dark = field.darkAt0C * std::pow(2.0, 15.0 / field.darkDoublingC);
    const double perPixel =
        (field.skyPerSecond + dark) * seconds + field.readNoise * field.readNoise + field.gain * field.gain / 12.0;
    // signal^2 = snr^2 (signal + 49 perPixel), solved for the signal.
    const double s2 = snr * snr;
    const double signal = (s2 + std::sqrt(s2 * s2 + 4 * s2 * 49 * perPixel)) / 2;
    return signal / fraction / seconds;
}

SkyField MakeGuiderField(int sensorWidth, int sensorHeight, uint64_t seed) {
    SkyField field;
    field.psfSigma = 1.3;
    field.skyPerSecond = 300;
    field.bias = 12;
    field.readNoise = 30;
    field.gain = 40;
    field.darkAt0C = 5;
    field.hotPixelPerSecond = 4000;
    SimRandom rng(seed);
    // Stars well apart, so that each can be measured on its own.
    auto place = [&](SimStar& s) {
        const double margin = 20;
        for (int attempt = 0; attempt < 100; ++attempt) {
            s.x = margin + rng.Uniform() * std::max(1.0, sensorWidth - 2 * margin);
            s.y = margin + rng.Uniform() * std::max(1.0, sensorHeight - 2 * margin);
            bool apart = true;
            for (const SimStar& o : field.stars) apart = apart && std::hypot(o.x - s.x, o.y - s.y) >= 24;
            if (apart) break;
        }
    };
    // The brightest star: its peak pixel at 88-92 % of full scale in 1 s when
    // it sits on a pixel centre.
    const double centre = std::pow(std::erf(0.5 / (std::sqrt(2.0) * field.psfSigma)), 2);
    SimStar bright;
    place(bright);
    bright.flux = (0.88 + 0.04 * rng.Uniform()) * (255 - field.bias) * field.gain / centre;
    field.stars.push_back(bright);
    // Typical guide stars (SNR 25-45 in 1 s), then faint ones (SNR 3-15).
    for (int i = 0; i < 11; ++i) {
        SimStar s;
        place(s);
        const double snr = i < 4 ? 25 + 20 * rng.Uniform() : 3 + 12 * rng.Uniform();
        s.flux = GuideStarFlux(field, snr, 1.0);
        field.stars.push_back(s);
    }
    for (int i = 0; i < 2; ++i)
        field.hotPixels.push_back(uint32_t(rng.Next() % uint64_t(std::max(1, sensorWidth * sensorHeight))));
    return field;
}

double StarElectronsInBox(const SkyField& field, const SimStar& star, double shiftX, double shiftY, double x0,
                          double y0, double x1, double y1, double seconds) {
    return star.flux * seconds * GaussFraction(x0, x1, star.x + shiftX, field.psfSigma) *
           GaussFraction(y0, y1, star.y + shiftY, field.psfSigma);
}
