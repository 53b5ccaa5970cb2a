#include "display/palettes.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

int Sum(const ByteTable& t) { return std::accumulate(t.begin(), t.end(), 0); }

}  // namespace

TEST(ContrastCurve, BlackUpToTheBlackPointThenThePowerCurve) {
    const ByteTable c0 = ContrastCurve(0);
    EXPECT_EQ(c0[0], 0);
    EXPECT_EQ(c0[1], 48);  // trunc(255^0.7)
    EXPECT_EQ(c0[2], 59);
    EXPECT_EQ(c0[10], 96);
    EXPECT_EQ(c0[100], 192);
    EXPECT_EQ(c0[254], 254);
    EXPECT_EQ(c0[255], 255);
    EXPECT_EQ(Sum(c0), 50005);

    const ByteTable c100 = ContrastCurve(100);
    for (int i = 0; i <= 100; ++i) EXPECT_EQ(c100[i], 0) << i;
    EXPECT_EQ(c100[101], 48);
    EXPECT_EQ(c100[102], 59);
    EXPECT_EQ(c100[200], 192);
    EXPECT_EQ(c100[255], 219);
    EXPECT_EQ(Sum(ContrastCurve(37)), 40796);
    // m = 255: everything black.
    EXPECT_EQ(Sum(ContrastCurve(255)), 0);
}

TEST(StretchTable, HyperbolicCurveOfThePower) {
    const ByteTable t25 = StretchTable(25);
    EXPECT_EQ(t25[0], 0);
    EXPECT_EQ(t25[1], 22);
    EXPECT_EQ(t25[2], 42);
    EXPECT_EQ(t25[10], 128);
    EXPECT_EQ(t25[128], 245);
    EXPECT_EQ(t25[254], 254);
    EXPECT_EQ(t25[255], 255);
    EXPECT_EQ(Sum(t25), 58647);
    const ByteTable t2 = StretchTable(2);
    EXPECT_EQ(t2[1], 1);
    EXPECT_EQ(t2[128], 170);
    EXPECT_EQ(t2[255], 255);
    EXPECT_EQ(Sum(t2), 39906);
    const ByteTable t50 = StretchTable(50);
    EXPECT_EQ(t50[1], 41);
    EXPECT_EQ(t50[100], 247);
    EXPECT_EQ(Sum(t50), 61048);
    // The focus loop may use power 1: the identity.
    const ByteTable t1 = StretchTable(1);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(t1[i], i);
}

TEST(Palettes, GreyIsTheIdentityOrTheCurve) {
    const PaletteRgb plain = GreyPalette(nullptr);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(plain[i][0], i);
        EXPECT_EQ(plain[i][1], i);
        EXPECT_EQ(plain[i][2], i);
    }
    const ByteTable curve = ContrastCurve(20);
    const PaletteRgb curved = GreyPalette(&curve);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(curved[i][0], curve[i]);
        EXPECT_EQ(curved[i][1], curve[i]);
        EXPECT_EQ(curved[i][2], curve[i]);
    }
    EXPECT_EQ(curved[20][0], 0);
    EXPECT_EQ(curved[21][0], 48);
}

TEST(Palettes, FalseColourRedYellowThenGreyAbove240) {
    const PaletteRgb p = FalseColourPalette(nullptr);
    for (int v = 0; v < 256; ++v) {
        if (v <= 240) {
            EXPECT_EQ(p[v][0], v);
            EXPECT_EQ(p[v][1], v * v / 256);
            EXPECT_EQ(p[v][2], 0);
        } else {
            EXPECT_EQ(p[v][0], v);
            EXPECT_EQ(p[v][1], v);
            EXPECT_EQ(p[v][2], v);
        }
    }
    EXPECT_EQ(p[16][1], 1);
    EXPECT_EQ(p[240][1], 225);
    EXPECT_EQ(p[241][2], 241);
    const ByteTable curve = ContrastCurve(0);
    const PaletteRgb c = FalseColourPalette(&curve);
    EXPECT_EQ(c[1][0], 48);
    EXPECT_EQ(c[1][1], 48 * 48 / 256);
    EXPECT_EQ(c[255][2], 255);
}
