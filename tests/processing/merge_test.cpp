#include "processing/merge.h"

#include "core/messages.h"
#include "display/display_state.h"
#include "core/history.h"
#include "processing/label.h"
#include "processing_test_util.h"
#include "support/test_env.h"

namespace {

// The merge of the two buffers written out pixel by pixel.
std::vector<Pixel> MergeReference(const std::vector<Pixel>& first, const std::vector<Pixel>& second, int w, int h,
                                  int dx, int dy, bool average, bool asteroid) {
    std::vector<Pixel> out = first;
    const bool labelled = (first[4] + first[5] == 34) || (second[4] + second[5] == 34);
    const int r0 = labelled ? 10 : 0;
    for (int i = r0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
            const int g = i + dy, k = j + dx;
            if (!(r0 < g && g < h && 0 < k && k < w)) continue;
            const int p = first[size_t(i) * w + j], q = second[size_t(g) * w + k];
            int sum = p + q;
            if (asteroid) {
                if (5 * q < p) sum = 2 * p;
                else if (5 * p < q) sum = 2 * q;
            }
            out[size_t(i) * w + j] = Pixel(average ? sum / 2 : std::min(sum, 65535));
        }
    return out;
}

class MergeBuffersTest : public VelmoraTest {};

TEST_F(MergeBuffersTest, SelfMergeWithAverageReproducesImage) {
    const int w = 40, h = 30;
    auto first = MakeImage(w, h, [](int x, int y) { return Noise(x, y); });
    const auto second = first;
    MergeBuffers(first.data(), second.data(), w, h, 0, 0, {true, false});
    EXPECT_EQ(first, second);
}

TEST_F(MergeBuffersTest, SelfMergeWithoutAverageSaturates) {
    const int w = 20, h = 20;
    auto first = MakeImage(w, h, [](int x, int y) { return x == 10 && y == 10 ? 50000 : 1000; });
    const auto second = first;
    MergeBuffers(first.data(), second.data(), w, h, 0, 0, {});
    EXPECT_EQ(first[10 * w + 10], 65535);
    EXPECT_EQ(first[5 * w + 5], 2000);
    // Row 0 and column 0 keep the first image.
    EXPECT_EQ(first[0 * w + 7], 1000);
    EXPECT_EQ(first[7 * w + 0], 1000);
}

TEST_F(MergeBuffersTest, ShiftedMergeKeepsFirstImageOutsideOverlap) {
    const int w = 30, h = 12;
    const auto a = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 1) / 2; });
    const auto b = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 2) / 2; });
    auto first = a;
    MergeBuffers(first.data(), b.data(), w, h, 5, 0, {});
    for (int y = 1; y < h; ++y)
        for (int x = w - 5; x < w; ++x) EXPECT_EQ(first[size_t(y) * w + x], a[size_t(y) * w + x]);
    EXPECT_EQ(first, MergeReference(a, b, w, h, 5, 0, false, false));
}

TEST_F(MergeBuffersTest, MatchesReferenceForShiftsAndModes) {
    const int w = 23, h = 17;
    const auto a = MakeImage(w, h, [](int x, int y) { return Noise(x, y, 3); });
    const auto b = MakeImage(w, h, [](int x, int y) { return (x * y) % 7 == 0 ? 60000 : Noise(x, y, 4) / 8; });
    for (int dx : {-30, -4, 0, 3, 22, 23})
        for (int dy : {-3, 0, 2, 17})
            for (bool average : {false, true})
                for (bool asteroid : {false, true}) {
                    auto first = a;
                    MergeBuffers(first.data(), b.data(), w, h, dx, dy, {average, asteroid});
                    ASSERT_EQ(first, MergeReference(a, b, w, h, dx, dy, average, asteroid))
                        << dx << " " << dy << " " << average << asteroid;
                }
}

TEST_F(MergeBuffersTest, AsteroidAddDoublesTheBrighterWhenFiveTimesBrighter) {
    const int w = 4, h = 3;
    std::vector<Pixel> first(w * h, 0), second(w * h, 0);
    // Pixels in row 1, columns 1..3.
    first[w + 1] = 1000, second[w + 1] = 199;  // 5q < p: 2p
    first[w + 2] = 100, second[w + 2] = 501;   // 5p < q: 2q
    first[w + 3] = 100, second[w + 3] = 500;   // neither: p + q
    MergeBuffers(first.data(), second.data(), w, h, 0, 0, {false, true});
    EXPECT_EQ(first[w + 1], 2000);
    EXPECT_EQ(first[w + 2], 1002);
    EXPECT_EQ(first[w + 3], 600);
}

TEST_F(MergeBuffersTest, LabelStripOfEitherImageIsKept) {
    const int w = 64, h = 20;
    auto a = MakeImage(w, h, [](int, int) { return 100; });
    auto b = MakeImage(w, h, [](int, int) { return 200; });
    DrawLabel(b.data(), w, h, "AB");
    auto first = a;
    MergeBuffers(first.data(), b.data(), w, h, 0, 0, {});
    for (int y = 0; y <= 10; ++y) EXPECT_EQ(first[size_t(y) * w + 5], 100) << y;  // g must exceed 10
    EXPECT_EQ(first[size_t(11) * w + 5], 300);
    EXPECT_EQ(first, MergeReference(a, b, w, h, 0, 0, false, false));
}

// ---- Centroid ---------------------------------------------------------------------

TEST_F(MergeBuffersTest, WindowCentroidFindsStarAndRefusesEdges) {
    const int w = 60, h = 50;
    const auto img = MakeImage(w, h, [](int x, int y) {
        const int d2 = (x - 31) * (x - 31) + (y - 22) * (y - 22);
        return 1000 + (d2 <= 4 ? 40000 / (1 + d2) : 0);
    });
    int x = 28, y = 20;
    ASSERT_TRUE(WindowCentroid(img.data(), w, h, 4, x, y));
    ASSERT_TRUE(WindowCentroid(img.data(), w, h, 4, x, y));
    EXPECT_EQ(x, 31);
    EXPECT_EQ(y, 22);

    // A flat window: centroid (1, 1) inside the window.
    const std::vector<Pixel> flat(size_t(w) * h, 500);
    x = 20, y = 20;
    ASSERT_TRUE(WindowCentroid(flat.data(), w, h, 4, x, y));
    EXPECT_EQ(x, 17);
    EXPECT_EQ(y, 17);

    // Touching the right edge exactly is accepted; one further is refused.
    x = w - 5, y = 20;
    EXPECT_TRUE(WindowCentroid(flat.data(), w, h, 4, x, y));
    x = w - 4, y = 20;
    EXPECT_FALSE(WindowCentroid(flat.data(), w, h, 4, x, y));
    EXPECT_EQ(x, w - 4);
    ASSERT_EQ(MessageTexts().size(), 1u);
    EXPECT_EQ(MessageTexts()[0], "Find centre failed - outside image area");
}

// ---- Merge mode -------------------------------------------------------------------

class MergeModeTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetDisplayState();
        CancelMerge();
        Merge().superimpose = Merge().asteroidAdd = Merge().centre = false;
        UseGeometry(kW, kH);
        first = MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 11) / 2; });
        second = MakeImage(kW, kH, [](int x, int y) { return Noise(x, y, 12) / 2; });
        PutA(first);
    }
    void TearDown() override {
        CancelMerge();
        VelmoraTest::TearDown();
    }
    static constexpr int kW = 48, kH = 36;
    std::vector<Pixel> first, second;
};

TEST_F(MergeModeTest, RefusalsUseTheirMessages) {
    Picking().modes.photometry = true;
    EXPECT_EQ(StartMerge(CurrentMergeDisplay()), 35);
    Picking().modes.photometry = false;
    ViewOptions().centreImage = true;
    EXPECT_EQ(StartMerge(CurrentMergeDisplay()), 30);
    ViewOptions().centreImage = false;
    EXPECT_EQ(StartMerge(CurrentMergeDisplay()), 0);
    EXPECT_TRUE(Picking().modes.merging);
    EXPECT_EQ(StartMerge(CurrentMergeDisplay()), 31);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{MessageText(35), MessageText(30), MessageText(31)}));
}

TEST_F(MergeModeTest, FullMergeFlow) {
    int refreshes = 0;
    Merge().changed = [&] { ++refreshes; };
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    EXPECT_FALSE(Merge().mergeImageSelected);
    MergeStoreMark(10, 12);
    EXPECT_EQ(Merge().x1, 10);
    EXPECT_EQ(Merge().y1, 12);
    // "Merge" before the merge image is chosen does nothing.
    EXPECT_FALSE(RunMerge(false, false));
    EXPECT_TRUE(MergeModeActive());

    MergeOpeningSecondImage();  // File/Open: the first image goes to B
    EXPECT_TRUE(Merge().mergeImageSelected);
    PutA(second);               // ... and the file lands in A
    MergeStoreMark(13, 11);
    EXPECT_EQ(Merge().x2, 13);
    EXPECT_EQ(Merge().y2, 11);
    Merge().average = true;
    Merge().asteroidAdd = true;
    std::fill(State().undo, State().undo + kW * kH, Pixel(7));
    ASSERT_TRUE(RunMerge(false, false));
    EXPECT_EQ(GetA(), MergeReference(first, second, kW, kH, 3, -1, true, true));
    EXPECT_FALSE(MergeModeActive());
    EXPECT_FALSE(Picking().modes.merging);
    EXPECT_FALSE(Merge().average);
    EXPECT_FALSE(Merge().asteroidAdd);
    EXPECT_EQ(HistoryCount(), 0);
    EXPECT_EQ(GetUndo(), std::vector<Pixel>(size_t(kW) * kH, 7));
    EXPECT_GE(refreshes, 4);
    Merge().changed = nullptr;
}

TEST_F(MergeModeTest, BinnedDisplayDoublesShiftAndSuperimposeZeroesIt) {
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    MergeStoreMark(5, 5);
    MergeOpeningSecondImage();
    PutA(second);
    MergeStoreMark(7, 6);
    ASSERT_TRUE(RunMerge(true, false));
    EXPECT_EQ(GetA(), MergeReference(first, second, kW, kH, 4, 2, false, false));

    PutA(first);
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    MergeStoreMark(5, 5);
    MergeOpeningSecondImage();
    PutA(second);
    MergeStoreMark(9, 9);
    Merge().superimpose = true;
    ASSERT_TRUE(RunMerge(false, false));
    EXPECT_EQ(GetA(), MergeReference(first, second, kW, kH, 0, 0, false, false));
    EXPECT_FALSE(Merge().superimpose);
}

TEST_F(MergeModeTest, SecondOpenKeepsFirstImage) {
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    MergeOpeningSecondImage();
    PutA(MakeImage(kW, kH, [](int, int) { return 1; }));  // the wrong file
    MergeOpeningSecondImage();
    PutA(second);                                         // the right one
    Merge().superimpose = true;
    ASSERT_TRUE(RunMerge(false, false));
    EXPECT_EQ(GetA(), MergeReference(first, second, kW, kH, 0, 0, false, false));
}

TEST_F(MergeModeTest, MergeImageOfOtherSizeIsRefused) {
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    MergeOpeningSecondImage();
    UseGeometry(kW / 2, kH / 2);
    EXPECT_FALSE(RunMerge(false, false));
    EXPECT_EQ(MessageTexts().size(), 1u);
    EXPECT_TRUE(MergeModeActive());
}

TEST_F(MergeModeTest, CancelLeavesImagesAndClicksOutsideMergeModeAreIgnored) {
    MergeStoreMark(3, 3);  // not merging
    EXPECT_EQ(Merge().x1, 0);
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    MergeOpeningSecondImage();
    PutA(second);
    CancelMerge();
    EXPECT_FALSE(MergeModeActive());
    EXPECT_FALSE(Picking().modes.merging);
    EXPECT_EQ(GetA(), second);
    EXPECT_FALSE(RunMerge(false, false));
}

TEST_F(MergeModeTest, CentroidHookWorksInDisplayedCoordinates) {
    const auto star = MakeImage(kW, kH, [](int x, int y) { return x == 30 && y == 20 ? 50000 : 900; });
    PutA(star);
    int x = 14, y = 9;  // binned display: image (28, 18)
    SetBinnedDisplay(true);
    ASSERT_TRUE(DisplayedCentroid(x, y, 4));
    EXPECT_EQ(x, 15);
    EXPECT_EQ(y, 10);
    SetBinnedDisplay(false);
    x = 28, y = 18;
    ASSERT_TRUE(DisplayedCentroid(x, y, 4));
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 20);
}

TEST_F(MergeModeTest, ViewHooksAreInstalled) {
    ASSERT_TRUE(PickingHooks().mergeMark);
    ASSERT_TRUE(PickingHooks().centroid);
    ASSERT_EQ(StartMerge(MergeDisplay{}), 0);
    PickingHooks().mergeMark(8, 9);
    EXPECT_EQ(Merge().x1, 8);
    EXPECT_EQ(Merge().y1, 9);
}

}  // namespace
