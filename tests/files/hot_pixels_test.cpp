#include <cstring>

#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "files_fixture.h"

namespace {

class HotPixelsTest : public FilesTest {
protected:
    void SetUp() override {
        FilesTest::SetUp();
        UseGeometry(40, 30, 4);
        std::fill(State().imageA, State().imageA + Pixels(), 100);
    }
    static Pixel& At(int x, int y) { return State().imageA[size_t(y) * 40 + size_t(x)]; }
    static uint32_t Index(int x, int y) { return uint32_t(y * 40 + x); }
    static Bytes MapFile(const std::vector<int32_t>& entries, int32_t count) {
        Bytes b(kHotPixelMagic, kHotPixelMagic + 15);
        for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(count) >> (8 * i)));
        for (int32_t e : entries)
            for (int i = 0; i < 4; ++i) b.push_back(uint8_t(uint32_t(e) >> (8 * i)));
        return b;
    }
};

TEST_F(HotPixelsTest, ThresholdOf65535ListsOnlySaturatedPixels) {
    At(10, 10) = 65535;
    At(11, 10) = 65534;
    At(12, 12) = 65535;
    EXPECT_EQ(FileState().hotPixelThreshold, 65535);
    EXPECT_TRUE(FindHotPixels(State().imageA));
    EXPECT_EQ(State().hotPixels.indices, (std::vector<uint32_t>{Index(10, 10), Index(12, 12)}));
    EXPECT_TRUE(State().hotPixels.loaded);
    FileState().hotPixelThreshold = 65534;
    FindHotPixels(State().imageA);
    EXPECT_EQ(State().hotPixels.indices, (std::vector<uint32_t>{Index(10, 10), Index(11, 10), Index(12, 12)}));
}

TEST_F(HotPixelsTest, MarginsAreNeverListed) {
    FileState().hotPixelThreshold = 5000;
    At(4, 10) = 65535;   // column 4: left margin
    At(35, 10) = 65535;  // column W - 5: right margin
    At(34, 10) = 65535;  // column W - 6: listed
    At(5, 10) = 65535;   // column 5: listed
    At(10, 4) = 65535;   // above the first row
    At(10, 26) = 65535;  // row H - 4: in the last four rows
    At(10, 25) = 65535;  // row H - 5: listed
    At(10, 5) = 65535;   // row 5: listed
    FindHotPixels(State().imageA);
    EXPECT_EQ(State().hotPixels.indices,
              (std::vector<uint32_t>{Index(10, 5), Index(5, 10), Index(34, 10), Index(10, 25)}));
}

TEST_F(HotPixelsTest, LabelledImagesAreScannedFromRow15) {
    FileState().hotPixelThreshold = 5000;
    At(4, 0) = 17;
    At(5, 0) = 17;
    At(10, 14) = 60000;
    At(10, 15) = 60000;
    FindHotPixels(State().imageA);
    EXPECT_EQ(State().hotPixels.indices, std::vector<uint32_t>{Index(10, 15)});
    At(5, 0) = 18;  // 35: no label
    FindHotPixels(State().imageA);
    EXPECT_EQ(State().hotPixels.indices, (std::vector<uint32_t>{Index(10, 14), Index(10, 15)}));
}

TEST_F(HotPixelsTest, TooManyPixelsStopsAt99001) {
    UseGeometry(1000, 200, 4);
    std::fill(State().imageA, State().imageA + Pixels(), 60000);
    FileState().hotPixelThreshold = 5000;
    EXPECT_FALSE(FindHotPixels(State().imageA));
    EXPECT_EQ(State().hotPixels.indices.size(), 99'001u);
    EXPECT_FALSE(State().hotPixels.loaded);
    EXPECT_EQ(MessageTexts(),
              std::vector<std::string>{"Too many hot pixels found - ensure you have a darkframe loaded."});

    // A map loaded before is replaced by the partial list: it can no longer
    // be applied, so the image is not repaired from a failed search.
    State().hotPixels.indices = {2005};
    State().hotPixels.loaded = true;
    EXPECT_FALSE(FindHotPixels(State().imageA));
    EXPECT_FALSE(State().hotPixels.loaded);
    messages.shown.clear();
    State().imageA[1005] = 1;
    ApplyHotPixelMapCommand();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, you haven't loaded a hot pixel map"});
    EXPECT_EQ(State().imageA[1005], 1);
}

TEST_F(HotPixelsTest, RepairUsesNeighboursInListOrder) {
    // Two horizontally adjacent hot pixels.
    At(10, 10) = 1000;
    At(11, 10) = 2000;
    At(9, 10) = 100;
    At(10, 9) = 200;
    At(10, 11) = 300;
    At(12, 10) = 400;
    At(11, 9) = 500;
    At(11, 11) = 600;
    State().hotPixels.indices = {Index(10, 10), Index(11, 10)};
    ApplyHotPixelMap(State().imageA);
    const int first = (2000 + 100 + 300 + 200) / 4;  // from the unrepaired second
    EXPECT_EQ(At(10, 10), first);
    EXPECT_EQ(At(11, 10), (400 + first + 600 + 500) / 4);  // from the repaired first
}

TEST_F(HotPixelsTest, RepairSumsWithoutOverflowAndSkipsIndicesAtTheEdge) {
    At(10, 10) = 0;
    At(9, 10) = At(11, 10) = At(10, 9) = At(10, 11) = 65535;
    State().hotPixels.indices = {Index(10, 10), 3, uint32_t(Pixels() - 2), 5'000'000};
    const Pixel corner = At(3, 0);
    ApplyHotPixelMap(State().imageA);
    EXPECT_EQ(At(10, 10), 65535);
    EXPECT_EQ(At(3, 0), corner);
}

TEST_F(HotPixelsTest, ApplyCommandNeedsAMapAndTakesTheUndoCopy) {
    ApplyHotPixelMapCommand();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Sorry, you haven't loaded a hot pixel map"});
    At(10, 10) = 50000;
    State().hotPixels.indices = {Index(10, 10)};
    State().hotPixels.loaded = true;
    ApplyHotPixelMapCommand();
    EXPECT_EQ(At(10, 10), 100);
    EXPECT_EQ(State().undo[Index(10, 10)], 50000);
}

TEST_F(HotPixelsTest, SavedFileLayout) {
    State().hotPixels.indices = {0x01020304, 7};
    EXPECT_EQ(HotPixelMapFileName(), "c:\\AUTOSAVE\\QMono_HPM.HPM");
    ASSERT_TRUE(SaveHotPixelMap());
    const Bytes file = Read(home + "/autosave/QMono_HPM.HPM");
    const Bytes expected = {'Q', 'M', 'o', 'n', 'H', 'o', 't', 'P', 'i', 'x', 'e', 'l', 'M', 'a', 'p',
                            2, 0, 0, 0, 4, 3, 2, 1, 7, 0, 0, 0};
    EXPECT_EQ(file, expected);
    // The model's map name goes with the model.
    UseModel(4);
    EXPECT_EQ(HotPixelMapFileName(), "c:\\AUTOSAVE\\Velmora_Fir_HPM.HPM");
}

TEST_F(HotPixelsTest, SaveFailureShowsTheMessage) {
    State().settings.autosaveDirText = "c:\\blocked";
    Write(home + "/blocked", Bytes(1, 0));  // a file where the folder should be
    EXPECT_FALSE(SaveHotPixelMap());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed to create Hot Pixel Map file"});
}

TEST_F(HotPixelsTest, LoadingChecksLengthCountAndRange) {
    const Bytes one = MapFile({int(Index(10, 10))}, 1);
    ASSERT_EQ(one.size(), 23u);
    EXPECT_TRUE(LoadHotPixelMap(one.data(), one.size()));
    EXPECT_EQ(State().hotPixels.indices, std::vector<uint32_t>{Index(10, 10)});
    EXPECT_TRUE(State().hotPixels.loaded);
    EXPECT_EQ(MessageTexts().back(), "Hot Pixel Map Loaded");

    const Bytes empty = MapFile({}, 0);
    EXPECT_FALSE(LoadHotPixelMap(empty.data(), 19));
    EXPECT_EQ(MessageTexts().back(), "You didn't choose a valid Tessel or suitable FITs File");

    const std::vector<uint32_t> kept = State().hotPixels.indices;
    const std::vector<std::pair<Bytes, std::string>> refused = {
        {MapFile({1, 2}, 100'001), "Sorry, the Hot Pixel Map file lists more than 100000 pixels"},
        {MapFile({1, 2}, -1), "Sorry, the Hot Pixel Map file lists more than 100000 pixels"},
        {MapFile({1, 2}, 3), "Sorry, the Hot Pixel Map file is shorter than its pixel count"},
        {MapFile({1, int32_t(Pixels())}, 2), "Sorry, the Hot Pixel Map does not fit the current image size"},
        {MapFile({-5}, 1), "Sorry, the Hot Pixel Map does not fit the current image size"},
    };
    for (const auto& [bytes, text] : refused) {
        EXPECT_FALSE(LoadHotPixelMap(bytes.data(), bytes.size())) << text;
        EXPECT_EQ(MessageTexts().back(), text);
        EXPECT_EQ(State().hotPixels.indices, kept);
    }
}

TEST_F(HotPixelsTest, SavedMapLoadsBackThroughOpen) {
    At(20, 20) = 65535;
    FindHotPixels(State().imageA);
    ASSERT_TRUE(SaveHotPixelMap());
    State().hotPixels = HotPixelList{};
    EXPECT_EQ(OpenImageFile(home + "/autosave/QMono_HPM.HPM"), kOpenedHotPixelMap);
    EXPECT_EQ(State().hotPixels.indices, std::vector<uint32_t>{Index(20, 20)});
}

TEST_F(HotPixelsTest, ChangingTheMapName) {
    EXPECT_FALSE(ChangeHotPixelMapName("QMono_HPM"));
    EXPECT_TRUE(ChangeHotPixelMapName("Darks_Minus10"));
    EXPECT_EQ(State().geometry.hotPixelMapName, "Darks_Minus10");
    for (const char* bad : {"a*b", "a/b", "c:x", "what?", "a\\b"}) {
        EXPECT_FALSE(ChangeHotPixelMapName(bad)) << bad;
        EXPECT_EQ(State().geometry.hotPixelMapName, "Darks_Minus10");
    }
    EXPECT_EQ(messages.shown.size(), 5u);
    EXPECT_TRUE(ChangeHotPixelMapName(""));
    EXPECT_EQ(State().geometry.hotPixelMapName, "QMono_HPM");
    EXPECT_TRUE(ChangeHotPixelMapName(std::string(50, 'n')));
    EXPECT_EQ(State().geometry.hotPixelMapName, std::string(39, 'n'));
    // The autosave numbering is left alone.
    State().settings.autosaveCounter = 12;
    EXPECT_TRUE(ChangeHotPixelMapName("x"));
    EXPECT_EQ(State().settings.autosaveCounter, 12);
}

TEST_F(HotPixelsTest, ThresholdScrollSteps) {
    using T = ThresholdScroll;
    EXPECT_EQ(ScrollThreshold(65535, T::LineUp), 65535);
    EXPECT_EQ(ScrollThreshold(65534, T::LineUp), 65535);
    EXPECT_EQ(ScrollThreshold(5000, T::LineDown), 5000);
    EXPECT_EQ(ScrollThreshold(5001, T::LineDown), 5000);
    EXPECT_EQ(ScrollThreshold(65434, T::PageUp), 65534);
    EXPECT_EQ(ScrollThreshold(65435, T::PageUp), 65435);
    EXPECT_EQ(ScrollThreshold(5100, T::PageDown), 5100);
    EXPECT_EQ(ScrollThreshold(5101, T::PageDown), 5001);
    EXPECT_EQ(ScrollThreshold(9000, T::Thumb, 12345), 12345);
    EXPECT_EQ(ScrollThreshold(9000, T::Thumb, 100), 5000);
}

}  // namespace
