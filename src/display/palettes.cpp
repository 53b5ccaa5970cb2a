#include "display/palettes.h"

#include <algorithm>
#include <cmath>

ByteTable ContrastCurve(int m) {
    // The exponents are single-precision constants widened to double.
    const double exponent = double(0.3f);
    const double factor = 1.0 / std::pow(255.0, double(-0.7f));
    ByteTable c{};
    for (int i = 0; i < 256; ++i) {
        if (i <= m) {
            c[i] = 0;
            continue;
        }
        const double v = std::pow(double(i - m), exponent) * factor;
        c[i] = uint8_t(std::min(255.0, std::trunc(v)));
    }
    return c;
}

ByteTable StretchTable(double power) {
    ByteTable t{};
    for (int i = 0; i < 256; ++i) {
        const double x = i / 255.0;
        const double v = power * 255.0 * x / (x * (power - 1.0) + 1.0);
        t[i] = uint8_t(std::clamp(std::trunc(v), 0.0, 255.0));
    }
    return t;
}

PaletteRgb GreyPalette(const ByteTable* curve) {
    PaletteRgb p{};
    for (int i = 0; i < 256; ++i) {
        const uint8_t v = curve ? (*curve)[i] : uint8_t(i);
        p[i] = {v, v, v};
    }
    return p;
}

PaletteRgb FalseColourPalette(const ByteTable* curve) {
    PaletteRgb p{};
    for (int i = 0; i < 256; ++i) {
        const int v = curve ? (*curve)[i] : i;
        if (v <= 240)
            p[i] = {uint8_t(v), uint8_t(v * v / 256), 0};
        else
            p[i] = {uint8_t(v), uint8_t(v), uint8_t(v)};
    }
    return p;
}
