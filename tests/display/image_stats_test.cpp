#include "stars/image_stats.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

// Light of a Gaussian star of width sigma centred at c falling on [a, b).
double Share(double a, double b, double c, double sigma) {
    const double k = 1.0 / (sigma * std::sqrt(2.0));
    return 0.5 * (std::erf((b - c) * k) - std::erf((a - c) * k));
}

struct Field {
    int width = 400, height = 300;
    double sigma = 1.5;
    double sky = 1000, noise = 10;
    int stars = 0;
    std::vector<Pixel> pixels;
};

// A grid of stars (fractional positions, fluxes from 20,000 to 200,000),
// sky with Gaussian noise, and a few hot pixels that are no stars.
Field MakeField(double sigma, unsigned seed) {
    Field f;
    f.sigma = sigma;
    std::vector<double> light(size_t(f.width) * f.height, f.sky);
    for (int gy = 0; gy < 5; ++gy)
        for (int gx = 0; gx < 6; ++gx) {
            const double cx = 40 + 60 * gx + 0.3 * gx, cy = 40 + 50 * gy + 0.17 * gy;
            const double flux = 20000.0 + 6000.0 * (gx + 6 * gy);
            for (int y = int(cy) - 12; y <= int(cy) + 12; ++y)
                for (int x = int(cx) - 12; x <= int(cx) + 12; ++x)
                    light[size_t(y) * f.width + x] += flux * Share(x, x + 1, cx, sigma) * Share(y, y + 1, cy, sigma);
            ++f.stars;
        }
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0, f.noise);
    f.pixels.resize(light.size());
    for (size_t i = 0; i < light.size(); ++i)
        f.pixels[i] = Pixel(std::clamp(std::lround(light[i] + noise(random)), 0L, 65535L));
    for (int i = 0; i < 6; ++i) f.pixels[size_t(65 + 50 * (i % 5)) * f.width + 70 + 60 * i] = 30000;
    return f;
}

}  // namespace

TEST(ImageStatsTest, BasicFiguresOfFixedValues) {
    const Pixel odd[] = {4, 100, 1, 3, 2};
    ImageStatistics s = ComputeImageStatistics(odd, 5);
    EXPECT_EQ(s.min, 1);
    EXPECT_EQ(s.max, 100);
    EXPECT_DOUBLE_EQ(s.mean, 22.0);
    EXPECT_DOUBLE_EQ(s.median, 3.0);
    EXPECT_NEAR(s.stddev, std::sqrt(1522.0), 1e-9);  // (441 + 400 + 361 + 324 + 6084) / 5
    const Pixel even[] = {10, 1, 3, 2};
    s = ComputeImageStatistics(even, 4);
    EXPECT_DOUBLE_EQ(s.median, 2.5);
    const Pixel ends[] = {65535, 0};
    s = ComputeImageStatistics(ends, 2);
    EXPECT_EQ(s.min, 0);
    EXPECT_EQ(s.max, 65535);
    EXPECT_DOUBLE_EQ(s.median, 32767.5);
}

TEST(ImageStatsTest, StarFieldCountFwhmAndHfr) {
    // FWHM = 2 sqrt(2 ln 2) sigma; the flux-weighted mean radius of a
    // Gaussian is sigma sqrt(pi / 2).
    for (double sigma : {1.2, 1.5, 2.5}) {
        const Field f = MakeField(sigma, 7);
        const StarStatistics s = FindStars(f.pixels.data(), f.width, f.height);
        EXPECT_EQ(s.count, f.stars) << sigma;
        ASSERT_TRUE(s.haveFigures);
        const double fwhm = 2.0 * std::sqrt(2.0 * std::log(2.0)) * sigma;
        const double hfr = sigma * std::sqrt(std::acos(-1.0) / 2.0);
        EXPECT_NEAR(s.fwhm, fwhm, 0.1 * fwhm) << sigma;
        EXPECT_NEAR(s.hfr, hfr, 0.1 * hfr) << sigma;
        for (const StarMeasurement& star : s.stars) EXPECT_FALSE(star.saturated);
    }
}

TEST(ImageStatsTest, HotPixelsNoiseAndSmallImagesFindNoStars) {
    Field f = MakeField(1.5, 3);
    std::fill(f.pixels.begin(), f.pixels.end(), Pixel(1000));
    std::mt19937 random(5);
    std::normal_distribution<double> noise(0, 10);
    for (Pixel& p : f.pixels) p = Pixel(std::lround(1000 + noise(random)));
    for (int i = 0; i < 20; ++i) f.pixels[size_t(30 + 11 * i) * f.width + 30 + 17 * i] = 60000;
    StarStatistics s = FindStars(f.pixels.data(), f.width, f.height);
    EXPECT_EQ(s.count, 0);
    EXPECT_FALSE(s.haveFigures);
    const std::vector<Pixel> tiny(30 * 30, 500);
    EXPECT_EQ(FindStars(tiny.data(), 30, 30).count, 0);
}

TEST(ImageStatsTest, SaturatedStarsCountButDoNotSetTheMedians) {
    Field f = MakeField(1.5, 11);
    // One very bright star clipped at full scale.
    for (int y = 140; y <= 160; ++y)
        for (int x = 190; x <= 210; ++x)
            f.pixels[size_t(y) * f.width + x] = Pixel(std::min(65535.0, 1000 + 4e6 * Share(x, x + 1, 200.5, 1.5) *
                                                                                   Share(y, y + 1, 150.5, 1.5)));
    const StarStatistics s = FindStars(f.pixels.data(), f.width, f.height);
    EXPECT_EQ(s.count, f.stars + 1);
    int saturated = 0;
    for (const StarMeasurement& star : s.stars) saturated += star.saturated;
    EXPECT_EQ(saturated, 1);
    EXPECT_NEAR(s.fwhm, 3.532, 0.35);
}
