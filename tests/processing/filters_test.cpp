// Spatial filters: each operation against a straightforward implementation
// written here from the rules, the edge cases, and the commands on image
// buffer A.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/history.h"
#include "core/state.h"
#include "processing/filters.h"
#include "processing/filters_median.h"
#include "processing/filters_rows.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

using Image = std::vector<uint16_t>;

Image RandomImage(int w, int h, uint32_t seed, int maxValue = 65535) {
    std::mt19937 rng(seed);
    Image image(size_t(w) * h);
    for (auto& p : image) p = uint16_t(rng() % (uint32_t(maxValue) + 1));
    return image;
}

void Label(Image& image) {
    for (int k = 0; k < 6; ++k) image[k] = 17;
}

int FirstRow(const Image& a, int r) { return r + (a.size() >= 6 && a[4] + a[5] == 34 ? 10 : 0); }

// ---- Reference implementations, straight from the rules.

// The weights are the rule's own (kRuleKernels), not the program's table.
Image RefConvolve(const Image& a, int w, int h, int d, int kernel, int divisor) {
    return RuleConvolve(a, w, h, d, kernel, divisor, FirstRow(a, d));
}

Image RefUnsharp(const Image& a, int w, int h, int r, int k) {
    Image b = a;
    const int n = (2 * r + 1) * (2 * r + 1);
    if (w < 2 * r + 2) return b;  // no column the rule changes
    for (int i = FirstRow(a, r); i <= h - r - 1; ++i) {
        // The running box of the rule: start at columns 0..2r, slide right.
        int32_t s = 0;
        for (int y = i - r; y <= i + r; ++y)
            for (int x = 0; x <= 2 * r; ++x) s += a[y * w + x];
        for (int j = r; j <= w - 2 - r; ++j) {
            const int32_t mean = int32_t(double(s) / double(n));
            const int32_t v = a[i * w + j];
            const int32_t e = v + (v - mean) * k;
            b[i * w + j] = e > 65280 ? 65535 : e < 0 ? 0 : uint16_t(e);
            for (int y = i - r; y <= i + r; ++y) s += a[y * w + j + r + 1] - a[y * w + j - r];
        }
    }
    return b;
}

Image RefMedian(const Image& a, int w, int h, int r, int tenths) {
    Image b = a;
    const float p = float(tenths * 0.1);  // tenths x 0.1, then single precision
    const int n = (2 * r + 1) * (2 * r + 1);
    std::vector<uint16_t> work(n);
    for (int i = FirstRow(a, r); i <= h - r - 1; ++i) {
        for (int j = r; j <= w - r - 1; ++j) {
            int m = 0;
            uint16_t minimum = 65000;
            for (int dy = -r; dy <= r; ++dy)
                for (int dx = -r; dx <= r; ++dx) {
                    work[m] = a[(i + dy) * w + j + dx];
                    minimum = std::min(minimum, work[m]);
                    ++m;
                }
            uint16_t maximum = 0, median = 0;
            for (int round = 0; round < n / 2 + 1; ++round) {
                int at = 0;
                uint16_t largest = 0;
                for (int q = 0; q < n; ++q)
                    if (work[q] >= largest) {
                        largest = work[q];
                        at = q;
                    }
                if (round == 0) maximum = largest;
                median = largest;
                work[at] = 0;
            }
            const long double product = (long double)(maximum - minimum) * (long double)p;
            const uint16_t centre = a[i * w + j];
            if (int64_t(product) < std::abs(int(median) - int(centre))) b[i * w + j] = median;
        }
    }
    return b;
}

Image RefGradient(const Image& a, int w, int h) {
    Image b = a;
    const int rows[4] = {10, 10, 450, 450}, cols[4] = {20, 600, 20, 600};
    int level[4];
    for (int p = 0; p < 4; ++p) {
        std::vector<int> bins(4096, 0);
        for (int y = rows[p]; y < rows[p] + 40; ++y)
            for (int x = cols[p]; x < cols[p] + 40; ++x) ++bins[a[y * w + x] >> 4];
        const int from = p < 2 ? 0 : 1;
        int best = from;
        for (int k = from; k < 4096; ++k)
            if (bins[k] > bins[best]) best = k;
        level[p] = best;
    }
    const int q = *std::min_element(level, level + 4);
    const long double g[4] = {(long double)(level[0] - q) * 16, (long double)(level[1] - q) * 16,
                              (long double)(level[2] - q) * 16, (long double)(level[3] - q) * 16};
    const long double W = w, H = h;
    for (int i = (a[4] + a[5] == 34 ? 10 : 0); i < h; ++i)
        for (int j = 0; j < w; ++j) {
            const long double G = ((H - i) * (W - j) * g[0] + (H - i) * j * g[1] + i * (W - j) * g[2] + i * j * g[3]) / (W * H);
            uint16_t& v = b[i * w + j];
            v = v > G ? uint16_t(v - (int64_t)G) : 0;
        }
    return b;
}

struct MenuKernel {
    int radius, kernel, divisor;
};
const MenuKernel kMenuKernels[] = {{1, 0, 16}, {2, 1, 80}, {1, 2, 1}, {2, 3, 1}, {2, 4, 1}, {2, 5, 1}};

}  // namespace

// ---------------------------------------------------------------- kernels

TEST(FilterKernels, WeightsSumToTheirDivisors) {
    const int sums[] = {16, 80, 1, 1, 1, 1};
    for (const MenuKernel& m : kMenuKernels) {
        int sum = 0;
        const int count = m.radius == 1 ? 9 : 25;
        for (int k = 0; k < count; ++k) sum += kFilterKernels[m.kernel][k];
        EXPECT_EQ(sum, sums[m.kernel]);
        EXPECT_EQ(sum, m.divisor);
    }
    EXPECT_EQ(kFilterKernels[3][12], 25);
    EXPECT_EQ(kFilterKernels[2][4], 5);
}

TEST(FilterKernels, EveryWeightIsTheRulesWeight) {
    for (int kernel = 0; kernel < kKernelCount; ++kernel)
        for (int k = 0; k < 25; ++k)
            EXPECT_EQ(kFilterKernels[kernel][k], kRuleKernels[kernel][k]) << "kernel " << kernel << " weight " << k;
}

// One brighter pixel on a level of 10000 shows the weights in place: the
// output at (4 + dy, 4 + dx) is 10000 + 800 x weight(-dy, -dx) / divisor, the
// kernel turned half round. A transposed or mirrored kernel fails here.
TEST(FilterKernels, ImpulseResponsePlacesEveryWeight) {
    const int w = 9, h = 9;
    for (const MenuKernel& m : kMenuKernels) {
        Image a(w * h, 10000);
        a[4 * w + 4] = 10800;
        Image b(a.size());
        ConvolveInto(a.data(), b.data(), w, h, m.radius, m.kernel, m.divisor);
        const int d = m.radius, size = 2 * d + 1;
        for (int dy = -d; dy <= d; ++dy)
            for (int dx = -d; dx <= d; ++dx) {
                const int weight = kRuleKernels[m.kernel][(d - dy) * size + (d - dx)];
                EXPECT_EQ(b[(4 + dy) * w + 4 + dx], 10000 + 800 * weight / m.divisor)
                    << "kernel " << m.kernel << " at " << dy << "," << dx;
            }
    }
}

TEST(Convolution, MatchesTheRuleOnRandomImages) {
    for (const MenuKernel& m : kMenuKernels) {
        for (int w : {5, 17, 40}) {
            const int h = 23;
            for (bool labelled : {false, true}) {
                Image a = RandomImage(w, h, 100 + w + m.kernel);
                if (labelled) Label(a);
                Image b(a.size(), 1);
                ConvolveInto(a.data(), b.data(), w, h, m.radius, m.kernel, m.divisor);
                ASSERT_EQ(b, RefConvolve(a, w, h, m.radius, m.kernel, m.divisor))
                    << "kernel " << m.kernel << " width " << w << " labelled " << labelled;
            }
        }
    }
    // Another divisor, and negative sums that truncate towards zero.
    Image a = RandomImage(33, 21, 5, 3000);
    Image b(a.size());
    ConvolveInto(a.data(), b.data(), 33, 21, 2, kKernelBasRelief, 7);
    EXPECT_EQ(b, RefConvolve(a, 33, 21, 2, kKernelBasRelief, 7));
}

TEST(Convolution, FlatImagesAreUnchanged) {
    for (uint16_t v : {uint16_t(0), uint16_t(1234), uint16_t(65280), uint16_t(65535)}) {
        Image a(30 * 20, v);
        for (const MenuKernel& m : kMenuKernels) {
            Image b(a.size());
            ConvolveInto(a.data(), b.data(), 30, 20, m.radius, m.kernel, m.divisor);
            ASSERT_EQ(b, a) << v << " kernel " << m.kernel;
        }
    }
    // Above 65280 every result becomes full scale.
    Image a(30 * 20, 65281);
    Image b(a.size());
    ConvolveInto(a.data(), b.data(), 30, 20, 1, kKernelLowpass, 16);
    EXPECT_EQ(b[10 * 30 + 10], 65535);
    EXPECT_EQ(b[0], 65281);  // the edge keeps its value
}

TEST(Convolution, GaussianOfOneBrightPixel) {
    Image a(9 * 9, 0);
    a[4 * 9 + 4] = 65535;
    Image b(a.size());
    ConvolveInto(a.data(), b.data(), 9, 9, 2, kKernelGaussian, 80);
    EXPECT_EQ(b[4 * 9 + 4], 13107);       // 65535 x 16 / 80
    EXPECT_EQ(b[4 * 9 + 5], 6553);        // 65535 x 8 / 80
    EXPECT_EQ(b[3 * 9 + 3], 3276);        // 65535 x 4 / 80
    EXPECT_EQ(b[2 * 9 + 2], 0);
}

TEST(Convolution, HighPassClampsBelowZero) {
    Image a(7 * 7, 1000);
    a[3 * 7 + 3] = 0;
    Image b(a.size());
    ConvolveInto(a.data(), b.data(), 7, 7, 1, kKernelHighPassLowPower, 1);
    EXPECT_EQ(b[3 * 7 + 3], 0);      // -4000
    EXPECT_EQ(b[3 * 7 + 4], 2000);   // 5000 - 3000
    EXPECT_EQ(b[2 * 7 + 2], 1000);
}

TEST(Convolution, ProgressFollowsTheRows) {
    Image a = RandomImage(20, 30, 1);
    Image b(a.size());
    std::vector<int> positions;
    ConvolveInto(a.data(), b.data(), 20, 30, 2, kKernelGaussian, 80, [&](int p) { positions.push_back(p); });
    ASSERT_EQ(positions.size(), 26u);  // rows 2..27, the bar spanning the 30 rows
    EXPECT_EQ(positions.front(), 2 * 256 / 30);
    EXPECT_EQ(positions.back(), 27 * 256 / 30);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

// ---------------------------------------------------------------- unsharp

TEST(UnsharpMask, MatchesTheRunningBoxOfTheRule) {
    for (int r = 1; r <= 7; ++r) {
        for (int k : {1, 3, 7}) {
            for (bool labelled : {false, true}) {
                const int w = 2 * r + 2 + 13 + r, h = 2 * r + 1 + 12 + r;
                Image a = RandomImage(w, h, 200 + r * 10 + k, r % 2 ? 65535 : 9000);
                if (labelled) Label(a);
                Image b(a.size());
                UnsharpInto(a.data(), b.data(), w, h, r, k);
                ASSERT_EQ(b, RefUnsharp(a, w, h, r, k)) << "r " << r << " k " << k << " labelled " << labelled;
            }
        }
    }
}

TEST(UnsharpMask, LeavesTheEdgeColumnsAlone) {
    const int w = 30, h = 20, r = 3;
    Image a = RandomImage(w, h, 77);
    Image b(a.size());
    UnsharpInto(a.data(), b.data(), w, h, r, 2);
    int changed = 0;
    for (int i = 0; i < h; ++i) {
        for (int j = 0; j < w; ++j) {
            const bool edge = j < r || j > w - 2 - r || i < r || i > h - r - 1;
            if (edge) ASSERT_EQ(b[i * w + j], a[i * w + j]) << i << "," << j;
            else changed += b[i * w + j] != a[i * w + j];
        }
    }
    EXPECT_GT(changed, 100);
}

TEST(UnsharpMask, FlatAndFullScale) {
    Image a(25 * 25, 5000);
    Image b(a.size());
    UnsharpInto(a.data(), b.data(), 25, 25, 5, 7);
    EXPECT_EQ(b, a);
    a.assign(a.size(), 65300);
    UnsharpInto(a.data(), b.data(), 25, 25, 5, 7);
    EXPECT_EQ(b[12 * 25 + 12], 65535);
    // A bright point is raised by k times its excess over the mean and clamped.
    a.assign(a.size(), 1000);
    a[12 * 25 + 12] = 1900;
    UnsharpInto(a.data(), b.data(), 25, 25, 1, 2);
    EXPECT_EQ(b[12 * 25 + 12], 1900 + (1900 - 1100) * 2);  // mean of 9 = 1100
    EXPECT_EQ(b[12 * 25 + 13], 0 + 1000 + (1000 - 1100) * 2);
}

// ---------------------------------------------------------------- median

TEST(ConditionalMedian, MatchesTheSelectionOfTheRule) {
    for (int r = 1; r <= 3; ++r) {
        for (int tenths : {1, 2, 5, 6, 9, 10}) {
            for (int w : {2 * r + 1, 2 * r + 9, 2 * r + 16, 2 * r + 37}) {
                const int h = 2 * r + 14;
                // Few distinct values: many ties; high values: the 65000 start.
                for (int variant = 0; variant < 3; ++variant) {
                    Image a = RandomImage(w, h, 300 + r * 100 + tenths * 7 + w + variant);
                    if (variant == 1)
                        for (auto& p : a) p = uint16_t(p % 5 * 300);
                    if (variant == 2)
                        for (auto& p : a) p = uint16_t(64900 + p % 636);
                    if (w == 2 * r + 16 && variant == 0) Label(a);
                    Image b(a.size());
                    ConditionalMedianInto(a.data(), b.data(), w, h, r, tenths);
                    ASSERT_EQ(b, RefMedian(a, w, h, r, tenths))
                        << "r " << r << " p " << tenths << " w " << w << " variant " << variant;
                }
            }
        }
    }
}

TEST(ConditionalMedian, PowerOneNeverReplacesAndLowPowerRemovesHotPixels) {
    const int w = 40, h = 30;
    Image a = RandomImage(w, h, 9, 2000);
    Image b(a.size());
    ConditionalMedianInto(a.data(), b.data(), w, h, 2, 10);
    EXPECT_EQ(b, a);
    Image sky(size_t(w) * h, 1000);
    for (size_t k = 0; k < sky.size(); ++k) sky[k] = uint16_t(1000 + k % 7);
    sky[15 * w + 20] = 60000;
    ConditionalMedianInto(sky.data(), b.data(), w, h, 1, 1);
    EXPECT_LT(b[15 * w + 20], 1010);
}

TEST(ConditionalMedian, SinglePrecisionPowerDecidesTheBoundary) {
    // Window range 10 with p = 0.3: the single-precision 0.3 is slightly above
    // 0.3, so trunc(10 x p) = 3 and a distance of 3 is not replaced, 4 is.
    const int w = 3, h = 3;
    Image a = {100, 100, 100, 100, 103, 100, 100, 100, 110};
    Image b(a.size());
    ConditionalMedianInto(a.data(), b.data(), w, h, 1, 3);
    EXPECT_EQ(b[4], 103);
    a[4] = 104;
    ConditionalMedianInto(a.data(), b.data(), w, h, 1, 3);
    EXPECT_EQ(b[4], 100);
}

// ---------------------------------------------------------------- gradient

TEST(GradientRemover, MatchesTheRule) {
    const int w = 700, h = 520;
    Image a(size_t(w) * h);
    std::mt19937 rng(4);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) a[i * w + j] = uint16_t(2000 + 3 * i + 2 * j + rng() % 40);
    Image b = a;
    ASSERT_TRUE(RemoveGradientFrom(b.data(), w, h));
    EXPECT_EQ(b, RefGradient(a, w, h));
    EXPECT_NE(b, a);
    Label(a);
    b = a;
    ASSERT_TRUE(RemoveGradientFrom(b.data(), w, h));
    EXPECT_EQ(b, RefGradient(a, w, h));
    for (int k = 0; k < 10 * w; ++k) ASSERT_EQ(b[k], a[k]);
}

TEST(GradientRemover, EqualPatchesChangeNothing) {
    const int w = 640, h = 490;
    Image a = RandomImage(w, h, 8, 65535);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j)
            if ((i >= 10 && i < 50) || (i >= 450 && i < 490)) a[i * w + j] = 3000;
    Image b = a;
    ASSERT_TRUE(RemoveGradientFrom(b.data(), w, h));
    EXPECT_EQ(b, a);
}

TEST(GradientRemover, BottomPatchesIgnoreBinZero) {
    const int w = 640, h = 490;
    Image a(size_t(w) * h, 1600);   // level 100 everywhere
    for (int i = 450; i < 490; ++i)
        for (int j = 0; j < w; ++j) a[i * w + j] = (j % 3) ? 5 : 1600 + 16;  // bottom: bin 0 most, then 101
    Image b = a;
    ASSERT_TRUE(RemoveGradientFrom(b.data(), w, h));
    EXPECT_EQ(b, RefGradient(a, w, h));
    // Bottom levels 101, top 100: the bottom rows lose up to 16.
    EXPECT_EQ(b[0], 1600);
    EXPECT_LT(b[(h - 1) * w + 300], 1600 + 16);
}

TEST(GradientRemover, SmallImagesAreRefused) {
    Image a = RandomImage(639, 600, 1);
    Image b = a;
    EXPECT_FALSE(RemoveGradientFrom(b.data(), 639, 600));
    EXPECT_EQ(b, a);
    a = RandomImage(800, 489, 1);
    b = a;
    EXPECT_FALSE(RemoveGradientFrom(b.data(), 800, 489));
    EXPECT_EQ(b, a);
}

// ---------------------------------------------------------------- commands

namespace {

class FilterCommandTest : public VelmoraTest {
protected:
    void SetSize(int w, int h) {
        ImageGeometry& g = State().geometry;
        g.binned = false;
        g.sensorWidth = int16_t(w);
        g.sensorHeight = int16_t(h);
        RecomputeGeometry();
        ASSERT_EQ(g.width, w);
        ASSERT_EQ(g.height, h);
    }
    void Load(const Image& image) { std::copy(image.begin(), image.end(), State().imageA); }
    Image A() const {
        const auto& g = State().geometry;
        return Image(State().imageA, State().imageA + size_t(g.width) * g.height);
    }
    Image Undo() const {
        const auto& g = State().geometry;
        return Image(State().undo, State().undo + size_t(g.width) * g.height);
    }
};

}  // namespace

TEST_F(FilterCommandTest, MenuConvolutionsWithTheirHistoryLines) {
    SetSize(48, 36);
    const Image image = RandomImage(48, 36, 21);
    struct Case {
        void (*run)();
        MenuKernel k;
        const char* history;
    };
    const Case cases[] = {
        {LowpassFilter, {1, 0, 16}, "Lowpass Smoother Filter"},
        {GaussianFilter, {2, 1, 80}, "Gaussian Filter"},
        {[] { HighPassLowPower(); }, {1, 2, 1}, "High Pass Low Power Filter"},
        {HighPassHighPower, {2, 3, 1}, "High Pass High Power Filter"},
        {SmootherSharper, {2, 4, 1}, "Smoother/Sharper Filter"},
        {BasRelief, {2, 5, 1}, "Bas Relief Filter"},
    };
    for (const Case& c : cases) {
        Load(image);
        ClearHistory();
        progress.captions.clear();
        c.run();
        EXPECT_EQ(A(), RefConvolve(image, 48, 36, c.k.radius, c.k.kernel, c.k.divisor)) << c.history;
        EXPECT_EQ(Undo(), image);
        EXPECT_EQ(HistoryCount(), 1);
        EXPECT_EQ(State().history[0], c.history);
        ASSERT_EQ(progress.captions.size(), 2u);
        EXPECT_EQ(progress.captions[1], "FILTER PROGRESS");
        EXPECT_FALSE(progress.open);
    }
    EXPECT_FALSE(system.busyCursor);
}

TEST_F(FilterCommandTest, ConvolveAddsNoHistoryLine) {
    SetSize(20, 20);
    Load(RandomImage(20, 20, 2));
    ClearHistory();
    Convolve(1, kKernelHighPassLowPower, 1, false);
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(FilterCommandTest, UnsharpMedianAndTheirLines) {
    SetSize(50, 40);
    const Image image = RandomImage(50, 40, 22);
    Load(image);
    ClearHistory();
    ASSERT_TRUE(Unsharp(3, 1));
    EXPECT_EQ(A(), RefUnsharp(image, 50, 40, 3, 1));
    EXPECT_EQ(State().history[0], "Unsharp Mask : rad 3 ,power 1");
    EXPECT_EQ(progress.captions.back(), "UNSHARP MASK PROGRESS");
    Load(image);
    progress.positions.clear();
    ASSERT_TRUE(ConditionalMedian(1, 6));
    EXPECT_EQ(A(), RefMedian(image, 50, 40, 1, 6));
    EXPECT_EQ(Undo(), image);
    EXPECT_EQ(State().history[1], "Median Filter : rad 1 ,power 0.6");
    EXPECT_EQ(progress.captions.back(), "MEDIAN FILTER PROGRESS");
    EXPECT_EQ(MedianHistory(3, 10), "Median Filter : rad 3 ,power 1.0");
    EXPECT_EQ(MedianHistory(2, 1), "Median Filter : rad 2 ,power 0.1");
    EXPECT_EQ(UnsharpHistory(7, 7), "Unsharp Mask : rad 7 ,power 7");
    // Progress moves: rows 1..38 of 40 on the 0..256 bar.
    EXPECT_EQ(progress.positions.front(), 1 * 256 / 40);
    EXPECT_EQ(progress.positions.back(), 38 * 256 / 40);
}

TEST_F(FilterCommandTest, OutOfRangeParametersAreRefused) {
    SetSize(30, 30);
    const Image image = RandomImage(30, 30, 23);
    Load(image);
    std::fill(State().undo, State().undo + 900, 7);
    ClearHistory();
    EXPECT_FALSE(Unsharp(0, 1));
    EXPECT_FALSE(Unsharp(8, 1));
    EXPECT_FALSE(Unsharp(3, 0));
    EXPECT_FALSE(Unsharp(3, 8));
    EXPECT_FALSE(ConditionalMedian(4, 5));
    EXPECT_FALSE(ConditionalMedian(1, 0));
    EXPECT_FALSE(ConditionalMedian(1, 11));
    EXPECT_EQ(messages.shown.size(), 7u);
    EXPECT_EQ(A(), image);
    EXPECT_EQ(Undo(), Image(900, 7));
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(FilterCommandTest, GradientOnASmallImageIsRefusedWithAMessage) {
    SetSize(600, 400);
    const Image image = RandomImage(600, 400, 24);
    Load(image);
    std::fill(State().undo, State().undo + 600 * 400, 7);
    ClearHistory();
    EXPECT_FALSE(RemoveGradient());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Sorry, the Gradient Filter needs an image of at least 640 x 490 pixels");
    EXPECT_EQ(A(), image);
    EXPECT_EQ(Undo(), Image(600 * 400, 7));
    EXPECT_EQ(HistoryCount(), 0);
}

TEST_F(FilterCommandTest, GradientCommand) {
    SetSize(640, 490);
    Image image(640 * 490);
    for (int i = 0; i < 490; ++i)
        for (int j = 0; j < 640; ++j) image[i * 640 + j] = uint16_t(1000 + 5 * i + 3 * j);
    Load(image);
    ClearHistory();
    ASSERT_TRUE(RemoveGradient());
    EXPECT_EQ(A(), RefGradient(image, 640, 490));
    EXPECT_EQ(Undo(), image);
    EXPECT_EQ(State().history[0], "Gradient Filter");
    EXPECT_TRUE(progress.captions.empty());  // no progress window
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FilterCommandTest, LabelledImageKeepsItsStripThroughEveryFilter) {
    SetSize(700, 500);
    Image image = RandomImage(700, 500, 25);
    Label(image);
    Load(image);
    LowpassFilter();
    GaussianFilter();
    HighPassLowPower();
    HighPassHighPower();
    SmootherSharper();
    BasRelief();
    Unsharp(7, 7);
    ConditionalMedian(3, 1);
    RemoveGradient();
    const Image a = A();
    for (int k = 0; k < 10 * 700; ++k) ASSERT_EQ(a[k], image[k]) << k;
}

TEST(ConditionalMedian, RangeThresholdIsTheExactProduct) {
    for (int tenths = 1; tenths <= 10; ++tenths) {
        const float p = float(tenths * 0.1);
        for (int range = 0; range <= 65535; ++range) {
            const long double exact = (long double)range * (long double)p;
            ASSERT_EQ(MedianRangeThreshold(range, tenths), int64_t(exact)) << tenths << " " << range;
        }
    }
    EXPECT_EQ(MedianRangeThreshold(65535, 10), 65535);
    EXPECT_EQ(MedianRangeThreshold(10, 3), 3);
}

TEST(ConditionalMedian, NineTenthsIsTheSinglePrecisionPointNine) {
    // The nearest float to 0.9 lies just below it: 10 x p truncates to 8.
    EXPECT_EQ(MedianPowerValue(9), 0.9f);
    EXPECT_LT(double(MedianPowerValue(9)), 0.9);
    EXPECT_EQ(MedianRangeThreshold(10, 9), 8);
    EXPECT_EQ(MedianRangeThreshold(20, 9), 17);
    // A 3 x 3 window of 0 and 10 with a centre of 9 off a median of 0: the
    // range 10 gives the threshold 8 < 9, so the centre becomes the median.
    const int w = 3, h = 3;
    Image a = {0, 0, 10, 0, 9, 0, 10, 0, 0};
    Image b(a.size());
    ConditionalMedianInto(a.data(), b.data(), w, h, 1, 9);
    EXPECT_EQ(b[4], 0);
    EXPECT_EQ(MedianHistory(1, 9), "Median Filter : rad 1 ,power 0.9");
}

TEST(ConditionalMedian, OutOfRangeParametersCopyTheWholeImage) {
    const int w = 20, h = 16;
    const Image a = RandomImage(w, h, 77);
    const std::pair<int, int> choices[] = {{0, 5}, {4, 5}, {2, 0}, {2, 11}};
    for (const auto& [r, tenths] : choices) {
        Image b(a.size(), 12345);
        ConditionalMedianInto(a.data(), b.data(), w, h, r, tenths);
        EXPECT_EQ(b, a) << r << " " << tenths;
    }
}

TEST(ConditionalMedian, EveryInstructionSetKernelGivesTheSameRows) {
    __builtin_cpu_init();
    struct Kernel {
        const char* name;
        MedianRowFn row;
        bool available;
    };
    const Kernel kernels[] = {{"baseline", MedianRowBaseline, true},
                              {"avx2", MedianRowAvx2, bool(__builtin_cpu_supports("avx2"))},
                              {"avx512", MedianRowAvx512, bool(__builtin_cpu_supports("avx512bw"))}};
    for (const Kernel& k : kernels) {
        if (!k.available) continue;
        for (int r = 1; r <= 3; ++r) {
            for (int tenths : {1, 6, 10}) {
                const int side = 2 * r + 1, w = 2 * r + 75, h = 2 * r + 9;
                Image a = RandomImage(w, h, 900 + r * 10 + tenths, tenths == 6 ? 2000 : 65535);
                Image b = a;
                std::vector<uint16_t> scratch(2 * side * MedianScratchStride(w) + 32);
                uint16_t* sorted = scratch.data() + ((64 - reinterpret_cast<uintptr_t>(scratch.data()) % 64) % 64) / 2;
                for (int i = r; i <= h - r - 1; i += 2)
                    k.row(side, a.data(), b.data(), w, i, i < h - r - 1 ? 2 : 1, SplitMedianPower(tenths), sorted);
                ASSERT_EQ(b, RefMedian(a, w, h, r, tenths)) << k.name << " r " << r << " p " << tenths;
            }
        }
    }
}

// ---------------------------------------------------------------- row kernels

// Every instruction set's row kernels against the rules, on frames with odd
// widths, tiny frames, frames wider than one 512-column block, saturated
// values and labelled frames. A kernel the processor cannot run is skipped.
namespace {

struct Frame {
    int w, h;
    Image pixels;
};

std::vector<Frame> KernelFrames() {
    const std::pair<int, int> sizes[] = {{1, 1}, {2, 3}, {3, 3}, {5, 7}, {17, 27}, {38, 27}, {71, 29}, {533, 25}};
    const uint16_t saturated[] = {0, 1, 65279, 65280, 65281, 65534, 65535};
    std::vector<Frame> frames;
    uint32_t seed = 7000;
    for (const auto& [w, h] : sizes) {
        frames.push_back({w, h, RandomImage(w, h, ++seed)});
        Image s = RandomImage(w, h, ++seed);
        for (auto& p : s) p = saturated[p % 7];
        frames.push_back({w, h, s});
        if (size_t(w) * h >= 6) {
            Image l = RandomImage(w, h, ++seed, 4000);
            Label(l);
            frames.push_back({w, h, l});
        }
    }
    return frames;
}

class RowKernels : public ::testing::TestWithParam<PixelIsa> {
protected:
    void SetUp() override {
        if (!CpuRuns(GetParam())) GTEST_SKIP() << "this processor has no " << KernelsFor(GetParam()).name;
    }
    const PixelKernels& Kernels() const { return KernelsFor(GetParam()); }
};

TEST_P(RowKernels, ConvolutionsMatchTheRule) {
    // The menu kernels, another divisor, and a kernel at a radius not its own.
    std::vector<MenuKernel> cases(std::begin(kMenuKernels), std::end(kMenuKernels));
    cases.push_back({2, kKernelBasRelief, 7});
    cases.push_back({1, kKernelHighPassHighPower, 1});
    for (const Frame& f : KernelFrames()) {
        for (const MenuKernel& m : cases) {
            Image b(f.pixels.size(), 1);
            ConvolveWith(Kernels(), f.pixels.data(), b.data(), f.w, f.h, m.radius, m.kernel, m.divisor);
            ASSERT_EQ(b, RefConvolve(f.pixels, f.w, f.h, m.radius, m.kernel, m.divisor))
                << Kernels().name << " kernel " << m.kernel << " r " << m.radius << " d " << m.divisor << " on "
                << f.w << " x " << f.h << " first pixel " << f.pixels[0];
        }
    }
}

TEST_P(RowKernels, UnsharpMasksMatchTheRule) {
    for (const Frame& f : KernelFrames()) {
        for (int r = 1; r <= 7; ++r) {
            for (int k : {1, 4, 7}) {
                Image b(f.pixels.size(), 1);
                UnsharpWith(Kernels(), f.pixels.data(), b.data(), f.w, f.h, r, k);
                ASSERT_EQ(b, RefUnsharp(f.pixels, f.w, f.h, r, k))
                    << Kernels().name << " r " << r << " k " << k << " on " << f.w << " x " << f.h;
            }
        }
    }
}

TEST_P(RowKernels, MediansMatchTheRule) {
    for (const Frame& f : KernelFrames()) {
        for (int r = 1; r <= 3; ++r) {
            for (int tenths : {1, 6, 10}) {
                Image b(f.pixels.size(), 1);
                ConditionalMedianWith(Kernels(), f.pixels.data(), b.data(), f.w, f.h, r, tenths);
                ASSERT_EQ(b, RefMedian(f.pixels, f.w, f.h, r, tenths))
                    << Kernels().name << " r " << r << " p " << tenths << " on " << f.w << " x " << f.h;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Filters, RowKernels,
                         ::testing::Values(PixelIsa::kBaseline, PixelIsa::kAvx2, PixelIsa::kAvx512),
                         [](const ::testing::TestParamInfo<PixelIsa>& info) {
                             return std::string(info.param == PixelIsa::kAvx512 ? "Avx512"
                                                : info.param == PixelIsa::kAvx2 ? "Avx2"
                                                                                : "Baseline");
                         });

}  // namespace

TEST(RowKernels, TheFilterRunsTheLargestInstructionSetOfTheProcessor) {
    const PixelIsa expected = CpuRuns(PixelIsa::kAvx512) ? PixelIsa::kAvx512
                              : CpuRuns(PixelIsa::kAvx2) ? PixelIsa::kAvx2
                                                         : PixelIsa::kBaseline;
    EXPECT_EQ(&FastestKernels(), &KernelsFor(expected));
    EXPECT_TRUE(CpuRuns(PixelIsa::kBaseline));
    EXPECT_STREQ(KernelsFor(PixelIsa::kAvx512).name, "AVX-512");
    EXPECT_EQ(KernelsFor(PixelIsa::kAvx2).median, MedianRowAvx2);
}
