// The display's lookup tables: the contrast curve, the display stretch table
// and the grey and false-colour palettes.
#pragma once
#include <array>
#include <cstdint>

using ByteTable = std::array<uint8_t, 256>;
using PaletteRgb = std::array<std::array<uint8_t, 3>, 256>;  // red, green, blue

// C[i] = 0 for i <= m; above m, min(255, trunc((i - m)^0.3 * 255^0.7)).
ByteTable ContrastCurve(int m);
// T[i] = trunc(P * 255 * x / (x * (P - 1) + 1)) with x = i / 255.
ByteTable StretchTable(double power);
// Entry i = (v, v, v) with v = curve[i] (or i without a curve).
PaletteRgb GreyPalette(const ByteTable* curve);
// v <= 240: (v, v * v / 256, 0); v >= 241: (v, v, v).
PaletteRgb FalseColourPalette(const ByteTable* curve);
