// Figures of a whole image: minimum, maximum, mean, median and standard
// deviation, and the stars in it with their median FWHM and half-flux radius
// (the numbers focusing and judging a frame go by).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

using Pixel = uint16_t;

struct ImageStatistics {
    int min = 0, max = 0;
    double mean = 0;
    double median = 0;  // the middle value (the mean of the two middle ones for an even count)
    double stddev = 0;  // population standard deviation
};
ImageStatistics ComputeImageStatistics(const Pixel* pixels, size_t count);

struct StarMeasurement {
    double x = 0, y = 0;   // centroid, image pixels
    double amplitude = 0;  // peak above the local background
    double flux = 0;       // sum above the local background
    double fwhm = 0;       // pixels
    double hfr = 0;        // flux-weighted mean distance from the centroid, pixels
    double noise = 1;      // the noise of the local background
    bool saturated = false;
};

struct StarStatistics {
    int count = 0;
    bool haveFigures = false;  // false when no star could be measured
    double fwhm = 0;           // median over the unsaturated stars (all stars when every one is saturated)
    double hfr = 0;
    std::vector<StarMeasurement> stars;
};
// Stars: local maxima more than five noise levels above the local background
// (the median of a ring around them), with at least two lit neighbours (a
// lone hot pixel is no star), at least 6 pixels from a brighter star. The
// FWHM comes from a Gaussian fitted to the core (pixel size allowed for),
// the half-flux radius from the flux within twice the FWHM.
StarStatistics FindStars(const Pixel* image, int width, int height);
