#include "display/render.h"

#include <filesystem>

#include <cstring>

#include "core/state.h"
#include "display/display_fixture.h"
#include "platform/files.h"
#include "platform/paths.h"

class RenderTest : public DisplayTest {};

TEST_F(RenderTest, DisplayBytesAreHighBytes) {
    const uint16_t pixels[] = {0, 255, 256, 0x1234, 0xFFFF};
    uint8_t bytes[5];
    FillDisplayBytes(pixels, 5, bytes);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[2], 1);
    EXPECT_EQ(bytes[3], 0x12);
    EXPECT_EQ(bytes[4], 0xFF);
}

TEST_F(RenderTest, AutoContrastCountsRowsFiveToTwentyFourAndLowestTieWins) {
    const int w = 10, h = 40;
    std::vector<uint16_t> img(w * h, 200 << 8);  // outside rows 5..24: ignored
    for (int y = 5; y < 25; ++y)
        for (int x = 0; x < w; ++x) img[y * w + x] = uint16_t((x < 5 ? 30 : 70) << 8);
    std::array<uint16_t, 257> counters{};
    EXPECT_EQ(AutoContrastBlackPoint(img.data(), w, h, counters), 30);  // 100 each: lowest wins
    EXPECT_EQ(counters[30], 100);
    EXPECT_EQ(counters[70], 100);
    EXPECT_EQ(counters[200], 0);
    img[5 * w + 9] = 30 << 8;  // one more for 30... and one less for 70
    img[6 * w + 0] = 70 << 8;
    img[6 * w + 1] = 70 << 8;
    EXPECT_EQ(AutoContrastBlackPoint(img.data(), w, h, counters), 70);
}

TEST_F(RenderTest, AutoContrastCountersWrapAt65536) {
    const int w = 4000, h = 30;  // 20 rows x 4000 = 80000 pixels of one value
    std::vector<uint16_t> img(size_t(w) * h, 9 << 8);
    for (int x = 0; x < 20000; ++x) img[5 * w + x] = 3 << 8;  // 20000 of value 3
    std::array<uint16_t, 257> counters{};
    // 60000 of value 9 fit; 80000 - 20000 = 60000 > 20000 so 9 wins.
    EXPECT_EQ(AutoContrastBlackPoint(img.data(), w, h, counters), 9);
    std::fill(img.begin(), img.end(), uint16_t(9 << 8));
    for (int x = 0; x < 10000; ++x) img[5 * w + x] = 3 << 8;
    // 70000 of value 9 wrap to 4464 < 10000.
    EXPECT_EQ(AutoContrastBlackPoint(img.data(), w, h, counters), 3);
    EXPECT_EQ(counters[9], uint16_t(70000));
}

TEST_F(RenderTest, AutoContrastOnShortImagesStaysInside) {
    std::vector<uint16_t> img(8 * 12, 5 << 8);
    std::array<uint16_t, 257> counters{};
    EXPECT_EQ(AutoContrastBlackPoint(img.data(), 8, 12, counters), 5);
    EXPECT_EQ(counters[5], 8 * 7);  // rows 5..11
    EXPECT_EQ(AutoContrastBlackPoint(img.data(), 8, 3, counters), 0);
    EXPECT_EQ(counters[5], 0);
}

TEST_F(RenderTest, ScanFindsLargestBelow253AndSmallestNonZero) {
    const uint8_t bytes[] = {0, 254, 253, 9, 252, 4, 255};
    uint8_t largest = 7, autoBlack = 7;
    ScanDisplayBytes(bytes, sizeof bytes, largest, autoBlack);
    EXPECT_EQ(largest, 252);
    EXPECT_EQ(autoBlack, 4);
    const uint8_t zeros[] = {0, 0, 0};
    ScanDisplayBytes(zeros, 3, largest, autoBlack);
    EXPECT_EQ(largest, 0);
    EXPECT_EQ(autoBlack, 255);  // no non-zero byte
    const uint8_t top[] = {255, 253, 255};
    ScanDisplayBytes(top, 3, largest, autoBlack);
    EXPECT_EQ(largest, 0);
    EXPECT_EQ(autoBlack, 253);
    const uint8_t onlyWhite[] = {255, 255};
    ScanDisplayBytes(onlyWhite, 2, largest, autoBlack);
    EXPECT_EQ(autoBlack, 255);
}

TEST_F(RenderTest, StretchLeavesTopThreeBytesAndSubtractsBlackLevels) {
    const ByteTable t = StretchTable(25);
    uint8_t bytes[] = {253, 254, 255, 0, 4, 10, 20, 100, 252};
    ApplyDisplayStretch(bytes, sizeof bytes, t, 4, 6);
    EXPECT_EQ(bytes[0], 253);
    EXPECT_EQ(bytes[1], 254);
    EXPECT_EQ(bytes[2], 255);
    EXPECT_EQ(bytes[3], t[0]);
    EXPECT_EQ(bytes[4], t[0]);
    EXPECT_EQ(bytes[5], t[0]);   // 10 - 4 - 6 = 0
    EXPECT_EQ(bytes[6], t[10]);  // 20 - 4 - 6
    EXPECT_EQ(bytes[7], t[90]);
    EXPECT_EQ(bytes[8], t[242]);
}

TEST_F(RenderTest, BackgroundEstimateMeansThreeMostPopulated) {
    const int w = 40, h = 40;
    std::vector<uint16_t> img(w * h, 250 << 8);  // border values don't count
    // Inside rows 11..34, columns 5..34: 24 x 30 = 720 pixels.
    for (int y = 11; y <= h - 6; ++y)
        for (int x = 5; x <= w - 6; ++x) {
            const int k = (y * w + x) % 10;
            img[y * w + x] = uint16_t((k < 5 ? 12 : k < 8 ? 30 : k < 9 ? 60 : 90) << 8);
        }
    std::array<uint16_t, 257> counters{};
    EXPECT_EQ(BackgroundEstimate(img.data(), w, h, counters), (12 + 30 + 60) / 3);
    EXPECT_EQ(counters[250], 0);
    // A flat image: a = the value, b and c the first empty indices.
    std::fill(img.begin(), img.end(), uint16_t(7 << 8));
    EXPECT_EQ(BackgroundEstimate(img.data(), w, h, counters), (7 + 0 + 1) / 3);
}

TEST_F(RenderTest, BitmapFileLayoutWithPadding) {
    const int w = 5, h = 3;
    const uint8_t bytes[] = {1, 2, 3, 4, 5, 11, 12, 13, 14, 15, 21, 22, 23, 24, 25};
    const PaletteRgb palette = FalseColourPalette(nullptr);
    std::vector<uint8_t> f;
    BuildBitmapFile(bytes, w, h, false, palette, f);
    ASSERT_EQ(f.size(), 1078u + 8 * 3);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(U32(f, 2), 1078u + 24);
    EXPECT_EQ(U32(f, 6), 0u);
    EXPECT_EQ(U32(f, 10), 1078u);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 5u);
    EXPECT_EQ(U32(f, 22), 3u);
    EXPECT_EQ(U16(f, 26), 1);
    EXPECT_EQ(U16(f, 28), 8);
    EXPECT_EQ(U32(f, 30), 0u);
    EXPECT_EQ(U32(f, 34), 24u);
    for (size_t at = 38; at < 54; ++at) EXPECT_EQ(f[at], 0) << at;
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(f[54 + 4 * i], palette[i][2]);
        EXPECT_EQ(f[55 + 4 * i], palette[i][1]);
        EXPECT_EQ(f[56 + 4 * i], palette[i][0]);
        EXPECT_EQ(f[57 + 4 * i], 0);
    }
    const std::vector<uint8_t> rows(f.begin() + 1078, f.end());
    const std::vector<uint8_t> expected{21, 22, 23, 24, 25, 0, 0, 0, 11, 12, 13, 14, 15, 0, 0, 0,
                                        1,  2,  3,  4,  5,  0, 0, 0};
    EXPECT_EQ(rows, expected);
}

TEST_F(RenderTest, BinnedBitmapTakesEverySecondPixelOfEverySecondRow) {
    const int w = 1001, h = 5;
    std::vector<uint8_t> bytes(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) bytes[y * w + x] = uint8_t(y * 50 + (x & 7));
    std::vector<uint8_t> f;
    BuildBitmapFile(bytes.data(), w, h, true, GreyPalette(nullptr), f);
    EXPECT_EQ(U32(f, 18), 500u);
    EXPECT_EQ(U32(f, 22), 2u);
    EXPECT_EQ(U32(f, 34), 1000u);  // 500 is already a multiple of 4
    ASSERT_EQ(f.size(), 1078u + 1000);
    // Bottom row first: displayed row 1 = image row 2.
    for (int x = 0; x < 500; ++x) {
        EXPECT_EQ(f[1078 + x], bytes[2 * w + 2 * x]);
        EXPECT_EQ(f[1078 + 500 + x], bytes[2 * x]);
    }
}

TEST_F(RenderTest, RedrawWritesTheModelBitmapBinnedByDefault) {
    ASSERT_TRUE(BinnedDisplay());
    RedrawImage();
    EXPECT_TRUE(messages.shown.empty());
    const std::string path = MapPath(State().geometry.bitmapName);
    EXPECT_EQ(path, home + "/autosave/Velmora_Fir.bmp");
    auto file = ReadWholeFile(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 1078u + 1024 * 1024);
    EXPECT_EQ(U32(*file, 18), 1024u);
    const DisplayBitmap* b = CurrentDisplayBitmap();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->width, 1024);
    EXPECT_EQ(b->height, 1024);
    EXPECT_EQ(b->file, *file);
    // The start-up ramp: row y = y * 62, displayed row k = image row 2k.
    EXPECT_EQ(b->Row(100)[0], uint8_t((200 * 62) >> 8));
    EXPECT_EQ(DisplayedWidth(), 1024);

    SetBinnedDisplay(false);
    RedrawImage();
    EXPECT_EQ(FileLength(path), int64_t(1078 + 2048 * 2048));
    EXPECT_EQ(CurrentDisplayBitmap()->width, 2048);
    EXPECT_GT(CurrentDisplayBitmap()->serial, b->serial - 1);
}

TEST_F(RenderTest, PixelsBelow256DisplayBlackInGrey) {
    SetImage(64, 64, 255);
    RedrawImage();
    const DisplayBitmap* b = CurrentDisplayBitmap();
    ASSERT_NE(b, nullptr);
    for (int y = 0; y < b->height; ++y)
        for (int x = 0; x < b->width; ++x) ASSERT_EQ(b->Row(y)[x], 0);
    EXPECT_EQ(b->Colour(0)[0], 0);
}

TEST_F(RenderTest, AutoContrastBlackensUpToTheMostFrequentByte) {
    SetImage(64, 64, 40 << 8);
    Px(3, 3) = 200 << 8;
    ViewOptions().autoContrast = true;
    RedrawImage();
    EXPECT_EQ(BlackPoint(), 40);
    const DisplayBitmap* b = CurrentDisplayBitmap();
    for (int i = 0; i <= 40; ++i) EXPECT_EQ(b->Colour(i)[0], 0) << i;
    EXPECT_EQ(b->Colour(41)[0], 48);
    EXPECT_EQ(b->Colour(41)[2], 48);
    EXPECT_EQ(State().palette.colours[41][0], 48);
    EXPECT_EQ(State().palette.colours[41][3], 1);
    // False colour with auto contrast: the curve, then the colour rule.
    ViewOptions().falseColour = true;
    RedrawImage();
    b = CurrentDisplayBitmap();
    EXPECT_EQ(b->Colour(41)[0], 48);
    EXPECT_EQ(b->Colour(41)[1], 48 * 48 / 256);
    EXPECT_EQ(b->Colour(41)[2], 0);
}

TEST_F(RenderTest, StretchDisplayUsesBackgroundBlackPointAndStretchesBytes) {
    SetImage(64, 64, 10 << 8);
    Px(0, 2) = 20 << 8;  // binned display shows even columns of even rows
    Px(2, 2) = 254 << 8;
    BlackPoint() = 5;  // as left by the last paint's background estimate
    ViewOptions().stretchDisplay = true;
    ViewOptions().stretchPower = 25;
    ViewOptions().stretchBlackLevel = 2;
    RedrawImage();
    EXPECT_EQ(ViewOptions().autoBlackLevel, 10);
    EXPECT_EQ(ViewOptions().largestDisplayByte, 20);
    const ByteTable t = StretchTable(25);
    const DisplayBitmap* b = CurrentDisplayBitmap();
    EXPECT_EQ(b->Row(0)[0], t[0]);           // 10 - 10 - 2 < 0
    EXPECT_EQ(b->Row(1)[0], t[20 - 10 - 2]);
    EXPECT_EQ(b->Row(1)[1], 254);            // passes unchanged
    // Grey palette through the curve of m = 5.
    EXPECT_EQ(b->Colour(5)[0], 0);
    EXPECT_EQ(b->Colour(6)[0], 48);
    // False colour without auto contrast: no curve.
    ViewOptions().falseColour = true;
    RedrawImage();
    EXPECT_EQ(CurrentDisplayBitmap()->Colour(6)[0], 6);
}

TEST_F(RenderTest, FocusLoopFramesAre128x128WithTheFocusName) {
    SetImage(2048, 2048, 0);
    for (int i = 0; i < 128 * 128; ++i) State().imageA[i] = uint16_t((i % 128 + 1) << 8);
    ViewOptions().focusLoopRunning = true;
    ViewOptions().focusStretch = 1;  // identity table
    RedrawImage();
    const std::string path = MapPath(State().geometry.focusBitmapName);
    EXPECT_EQ(path, home + "/autosave/Velmora_Firf.bmp");
    auto file = ReadWholeFile(path);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 17462u);
    EXPECT_EQ(U32(*file, 2), 17462u);
    EXPECT_EQ(U32(*file, 18), 128u);
    EXPECT_EQ(U32(*file, 22), 128u);
    EXPECT_EQ(U32(*file, 34), 16384u);
    // Focus loop: the smallest non-zero byte (1) is the black level; no user
    // black level; power 1 leaves d.
    EXPECT_EQ(ViewOptions().autoBlackLevel, 1);
    EXPECT_EQ(CurrentDisplayBitmap()->Row(0)[5], 5);
    EXPECT_EQ(CurrentDisplayBitmap()->Row(127)[127], 127);
    // The image bitmap name was not rewritten.
    EXPECT_FALSE(FileExists(MapPath(State().geometry.bitmapName)));

    ViewOptions().focusLoopRunning = false;
    ViewOptions().guidingSmallFrames = true;
    RemoveFile(path);
    RedrawImage();
    EXPECT_EQ(FileLength(path), 17462);
}

TEST_F(RenderTest, UnwritableBitmapKeepsThePreviousBitmap) {
    RedrawImage();
    const DisplayBitmap* before = CurrentDisplayBitmap();
    ASSERT_NE(before, nullptr);
    const uint64_t serial = before->serial;
    // The autosave folder becomes a file: nothing can be created inside it.
    const std::string folder = home + "/autosave";
    std::filesystem::remove_all(folder);
    ASSERT_TRUE(ReplaceFile(folder, Bytes{1}));
    RedrawImage();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Failed to create temp bitmap");
    EXPECT_EQ(CurrentDisplayBitmap()->serial, serial);
}

TEST_F(RenderTest, WriteDisplayBitmapWritesTheSameFile) {
    const std::string path = home + "/copy.bmp";
    ASSERT_TRUE(WriteDisplayBitmap(path));
    RedrawImage();
    EXPECT_EQ(*ReadWholeFile(path), *ReadWholeFile(MapPath(State().geometry.bitmapName)));
    EXPECT_FALSE(WriteDisplayBitmap(home + "/no/such/folder/x.bmp"));
    EXPECT_TRUE(messages.shown.empty());
}
