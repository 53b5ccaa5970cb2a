#include "stars/image_stats.h"

#include <algorithm>
#include <cmath>

namespace {

// Ring of pixels for the local background: Chebyshev distance 17..20.
constexpr int kRingInner = 17;
constexpr int kRingOuter = 20;
constexpr int kBorder = kRingOuter + 1;
constexpr double kSigmaToFwhm = 2.3548200450309493;  // 2 sqrt(2 ln 2)

// The value at rank `rank` (0-based) of the sorted values counted in hist.
int ValueAtRank(const std::vector<uint32_t>& hist, size_t rank) {
    size_t seen = 0;
    for (size_t v = 0; v < hist.size(); ++v) {
        seen += hist[v];
        if (seen > rank) return int(v);
    }
    return int(hist.size()) - 1;
}

double Median(std::vector<double>& values) {
    if (values.empty()) return 0;
    const size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + long(mid), values.end());
    double m = values[mid];
    if (values.size() % 2 == 0) m = (m + *std::max_element(values.begin(), values.begin() + long(mid))) / 2;
    return m;
}

struct Background {
    double level = 0;
    double noise = 1;
};

// Median and MAD noise of the ring around (x, y).
Background RingBackground(const Pixel* image, int width, int x, int y, std::vector<double>& scratch) {
    scratch.clear();
    for (int dy = -kRingOuter; dy <= kRingOuter; ++dy)
        for (int dx = -kRingOuter; dx <= kRingOuter; ++dx)
            if (std::max(std::abs(dx), std::abs(dy)) >= kRingInner)
                scratch.push_back(image[size_t(y + dy) * width + (x + dx)]);
    Background b;
    b.level = Median(scratch);
    for (double& v : scratch) v = std::abs(v - b.level);
    b.noise = std::max(1.0, 1.4826 * Median(scratch));
    return b;
}

// Measures the star whose brightest pixel is (px, py); false when it does
// not look like a star.
bool MeasureStar(const Pixel* image, int width, int px, int py, const Background& bg, StarMeasurement& star) {
    auto f = [&](int x, int y) { return double(image[size_t(y) * width + x]) - bg.level; };
    const double amplitude = f(px, py);
    // Centroid of the positive values within 4 pixels, refined twice.
    double cx = px, cy = py;
    for (int pass = 0; pass < 3; ++pass) {
        double sum = 0, sx = 0, sy = 0;
        for (int y = py - 4; y <= py + 4; ++y)
            for (int x = px - 4; x <= px + 4; ++x) {
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) > 16.0) continue;
                const double v = f(x, y);
                if (v <= 0) continue;
                sum += v;
                sx += v * x;
                sy += v * y;
            }
        if (sum <= 0) return false;
        cx = sx / sum;
        cy = sy / sum;
    }
    if (std::abs(cx - px) > 2 || std::abs(cy - py) > 2) return false;
    // Gaussian core: ln v = a - r^2 / (2 s^2) fitted to the pixels above a
    // tenth of the peak within 8 pixels, weighted by v^2.
    double sw = 0, sx = 0, sy = 0, sxx = 0, sxy = 0;
    int used = 0;
    const double floor = std::max(0.1 * amplitude, 3 * bg.noise);
    for (int y = py - 8; y <= py + 8; ++y)
        for (int x = px - 8; x <= px + 8; ++x) {
            const double r2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
            const double v = f(x, y);
            if (r2 > 64.0 || v < floor) continue;
            const double w = v * v, l = std::log(v);
            sw += w;
            sx += w * r2;
            sy += w * l;
            sxx += w * r2 * r2;
            sxy += w * r2 * l;
            ++used;
        }
    const double det = sw * sxx - sx * sx;
    if (used < 5 || det <= 0) return false;
    const double slope = (sw * sxy - sx * sy) / det;
    if (slope >= 0) return false;
    // A pixel integrates the light over its area: its variance adds 1/12
    // per axis to the star's.
    const double variance = -1.0 / (2.0 * slope) - 1.0 / 12.0;
    if (variance <= 0.01) return false;
    star.fwhm = kSigmaToFwhm * std::sqrt(variance);
    if (star.fwhm > 2.0 * kRingInner / 3.0) return false;  // too wide for the background ring
    // Flux and half-flux radius within twice the FWHM (at least 3 pixels).
    const double radius = std::clamp(2.0 * star.fwhm, 3.0, double(kRingOuter));
    const int reach = int(std::ceil(radius));
    double flux = 0, moment = 0;
    for (int y = py - reach; y <= py + reach; ++y)
        for (int x = px - reach; x <= px + reach; ++x) {
            const double r = std::hypot(x - cx, y - cy);
            if (r > radius) continue;
            const double v = f(x, y);
            flux += v;
            moment += v * r;
        }
    if (flux <= 0 || moment <= 0) return false;
    star.x = cx;
    star.y = cy;
    star.amplitude = amplitude;
    star.flux = flux;
    star.hfr = moment / flux;
    return true;
}

}  // namespace

ImageStatistics ComputeImageStatistics(const Pixel* pixels, size_t count) {
    ImageStatistics s;
    if (count == 0) return s;
    std::vector<uint32_t> hist(65536, 0);
    double sum = 0;
    for (size_t i = 0; i < count; ++i) {
        ++hist[pixels[i]];
        sum += pixels[i];
    }
    s.mean = sum / double(count);
    double squares = 0;
    for (size_t i = 0; i < count; ++i) {
        const double d = pixels[i] - s.mean;
        squares += d * d;
    }
    s.stddev = std::sqrt(squares / double(count));
    s.min = ValueAtRank(hist, 0);
    s.max = ValueAtRank(hist, count - 1);
    s.median = count % 2 ? ValueAtRank(hist, count / 2)
                         : (ValueAtRank(hist, count / 2 - 1) + ValueAtRank(hist, count / 2)) / 2.0;
    return s;
}

StarStatistics FindStars(const Pixel* image, int width, int height) {
    StarStatistics result;
    if (width < 2 * kBorder + 1 || height < 2 * kBorder + 1) return result;
    // Global background and noise (median and MAD) set the first threshold.
    std::vector<uint32_t> hist(65536, 0);
    const size_t count = size_t(width) * height;
    for (size_t i = 0; i < count; ++i) ++hist[image[i]];
    const int median = ValueAtRank(hist, count / 2);
    std::vector<uint32_t> deviations(65536, 0);
    for (int v = 0; v < 65536; ++v) deviations[size_t(std::abs(v - median))] += hist[size_t(v)];
    const double noise = std::max(1.0, 1.4826 * ValueAtRank(deviations, count / 2));
    const double threshold = median + 5 * noise;

    struct Candidate {
        int x, y, value;
    };
    std::vector<Candidate> candidates;
    for (int y = kBorder; y < height - kBorder; ++y) {
        const Pixel* row = image + size_t(y) * width;
        for (int x = kBorder; x < width - kBorder; ++x) {
            const int v = row[x];
            if (v <= threshold) continue;
            const Pixel* up = row - width;
            const Pixel* down = row + width;
            // Strictly above the neighbours before it, at least the ones
            // after it: a flat top counts once.
            if (v > up[x - 1] && v > up[x] && v > up[x + 1] && v > row[x - 1] && v >= row[x + 1] &&
                v >= down[x - 1] && v >= down[x] && v >= down[x + 1])
                candidates.push_back({x, y, v});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.value > b.value; });

    std::vector<double> scratch;
    for (const Candidate& c : candidates) {
        bool nearBrighter = false;
        for (const StarMeasurement& s : result.stars)
            if (std::abs(s.x - c.x) < 6 && std::abs(s.y - c.y) < 6) nearBrighter = true;
        if (nearBrighter) continue;
        const Background bg = RingBackground(image, width, c.x, c.y, scratch);
        const double amplitude = c.value - bg.level;
        if (amplitude <= 5 * bg.noise) continue;
        // A star lights its neighbours; a hot pixel or a cosmic-ray hit does not.
        const double lit = std::max(3 * bg.noise, 0.1 * amplitude);
        int litNeighbours = 0;
        const int neighbours[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
        for (const auto& n : neighbours)
            if (image[size_t(c.y + n[1]) * width + (c.x + n[0])] - bg.level > lit) ++litNeighbours;
        if (litNeighbours < 2) continue;
        StarMeasurement star;
        if (!MeasureStar(image, width, c.x, c.y, bg, star)) continue;
        star.saturated = c.value >= 65000;
        star.noise = bg.noise;
        result.stars.push_back(star);
    }
    result.count = int(result.stars.size());
    std::vector<double> fwhm, hfr;
    for (const StarMeasurement& s : result.stars)
        if (!s.saturated) {
            fwhm.push_back(s.fwhm);
            hfr.push_back(s.hfr);
        }
    if (fwhm.empty())
        for (const StarMeasurement& s : result.stars) {
            fwhm.push_back(s.fwhm);
            hfr.push_back(s.hfr);
        }
    if (!fwhm.empty()) {
        result.haveFigures = true;
        result.fwhm = Median(fwhm);
        result.hfr = Median(hfr);
    }
    return result;
}
