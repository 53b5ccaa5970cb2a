// The simulator's sky: a star field rendered onto a window of the sensor.
// Pure: the same field, window, exposure, temperature, offset and seed give
// the same pixels. No protocol, no time.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

struct SimStar {
    double x = 0;       // sensor position in unbinned pixels at zero pointing offset
    double y = 0;
    double flux = 0;    // electrons per second, whole star
    bool operator==(const SimStar&) const = default;
};

struct SkyField {
    std::vector<SimStar> stars;
    double psfSigma = 1.6;           // Gaussian width, unbinned pixels
    double skyPerSecond = 20;        // sky background, electrons per pixel per second
    double bias = 1000;              // ADU
    double readNoise = 8;            // electrons rms
    double gain = 1.0;               // electrons per ADU
    double darkAt0C = 2.0;           // dark current, electrons per pixel per second at 0 degC
    double darkDoublingC = 6.0;      // dark current doubles every this many degrees
    std::vector<uint32_t> hotPixels; // sensor indices (y * sensorWidth + x)
    double hotPixelPerSecond = 5000; // electrons per second in a hot pixel
    bool noise = true;               // photon and read noise on/off
};

// A field of `count` stars scattered over a sensor with a realistic spread of
// brightness (many faint, few bright), plus `hotPixels` hot pixels. Seeded.
SkyField MakeStarField(int sensorWidth, int sensorHeight, int count, int hotPixels, uint64_t seed);

// What to render: the window on the sensor (unbinned), binning, exposure,
// temperature, pointing offset (the stars move by it, rotated already), and
// the frame's noise seed.
struct RenderRequest {
    int sensorWidth = 0;
    int sensorHeight = 0;
    int xOffset = 0, yOffset = 0, width = 0, height = 0;
    int xBin = 1, yBin = 1;
    double exposureMs = 0;
    double temperatureC = 0;
    double shiftX = 0, shiftY = 0;
    // When not empty: the offsets the stars pass through during the
    // exposure (equal shares of the light each), instead of shiftX/shiftY.
    std::vector<std::pair<double, double>> path;
    // Milliseconds of light on the sensor (a closed shutter: 0); below 0 means
    // the whole exposure.
    double lightMs = -1;
    uint64_t seed = 1;
};

// Output size in pixels: (width / xBin) * (height / yBin).
size_t RenderedPixels(const RenderRequest& request);
// Renders 16-bit ADU values, clamped to 0..65535, row after row.
void RenderSky(const SkyField& field, const RenderRequest& request, std::vector<uint16_t>& out);
// The same for an 8-bit sensor (the guider head): bias, gain and noise of the
// field in 8-bit ADU, clamped to 0..255.
void RenderSky8(const SkyField& field, const RenderRequest& request, std::vector<uint8_t>& out);
// The guider head's sky: its own sky level, noise, gain and PSF; one bright
// star near full scale in 1 s, four typical guide stars (SNR 25-45 in 1 s in
// a 7 x 7 box) and seven faint ones, at least 24 pixels apart. Seeded.
SkyField MakeGuiderField(int sensorWidth, int sensorHeight, uint64_t seed);
// The flux (electrons per second) that gives a star the signal-to-noise ratio
// `snr` in a 7 x 7 box in `seconds` on this field (at 15 degC).
double GuideStarFlux(const SkyField& field, double snr, double seconds);
// The expected (noise-free) electrons a star deposits in a pixel box
// [x0, x1) x [y0, y1) — for tests.
double StarElectronsInBox(const SkyField& field, const SimStar& star, double shiftX, double shiftY,
                          double x0, double y0, double x1, double y1, double seconds);
