#include <cstring>

#include "core/messages.h"
#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/raw_files.h"
#include "files_fixture.h"
#include "platform/paths.h"

namespace {

class RawFilesTest : public FilesTest {
protected:
    static uint32_t Le32(const Bytes& b, size_t at) {
        return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
    }
    static uint16_t Le16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
};

TEST_F(RawFilesTest, ClassificationByLength) {
    const auto c = [](int64_t length) { return ClassifyLength(length, 1392, 1040); };
    EXPECT_EQ(c(2'895'360).kind, LengthClass::Raw);
    EXPECT_FALSE(c(2'895'360).binned);
    EXPECT_EQ(c(723'840).kind, LengthClass::Raw);
    EXPECT_TRUE(c(723'840).binned);
    // 2,895,360 data bytes (960 past the last whole 2880 block): exact, padded
    // to the block and the old padding (+ 960 + 2880); binned 723,840 (960
    // past a block; Ws*Hs/8 = 180,960, 2400 past a block).
    for (int64_t l : {2'901'120, 2'903'040, 2'904'960}) {
        EXPECT_EQ(c(l).kind, LengthClass::Fits) << l;
        EXPECT_FALSE(c(l).binned) << l;
    }
    for (int64_t l : {729'600, 731'520, 734'880}) {
        EXPECT_EQ(c(l).kind, LengthClass::Fits) << l;
        EXPECT_TRUE(c(l).binned) << l;
    }
    EXPECT_TRUE(c(2'904'960).oldPadding);
    EXPECT_FALSE(c(2'903'040).oldPadding);
    EXPECT_EQ(c(2'903'041).kind, LengthClass::Other);
    EXPECT_EQ(c(2'895'361).kind, LengthClass::Other);
    EXPECT_EQ(c(0).kind, LengthClass::Other);
    // A length that is both a raw size and a FITS size is read as FITS:
    // 64 x 60 gives a raw full file of 7680 bytes = the binned FITS size.
    EXPECT_EQ(ClassifyLength(7680, 64, 60).kind, LengthClass::Fits);
    EXPECT_TRUE(ClassifyLength(7680, 64, 60).binned);
}

// 101 x 7 pixels are 1414 bytes, which 2 x 8 read blocks do not divide:
// every pixel written comes back, the last ones included.
TEST_F(RawFilesTest, ReadersKeepTheLastPixelsOfASizeTheBlocksDoNotDivide) {
    UseGeometry(101, 7, 8);
    ASSERT_EQ(Pixels(), 707u);
    std::vector<Pixel> image(Pixels());
    for (size_t i = 0; i < image.size(); ++i) image[i] = Pixel(1000 + i);
    std::copy(image.begin(), image.end(), State().imageA);
    ASSERT_TRUE(SaveRawFile(Host("odd~")));
    ASSERT_EQ(SaveFits(Host("odd.fit"), State().imageA, false), 0);
    for (const char* name : {"odd~", "odd.fit"}) {
        std::fill(State().imageA, State().imageA + Pixels(), Pixel(0));
        ASSERT_EQ(OpenImageFile(Host(name)), kOpenedImage) << name;
        EXPECT_EQ(State().imageA[705], 1705) << name;
        EXPECT_EQ(State().imageA[706], 1706) << name;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), State().imageA)) << name;
    }
}

TEST_F(RawFilesTest, RawFullFileOpensOnlyWithAMatchingSensor) {
    UseModel(2);
    std::vector<Pixel> image(Pixels());
    FillPattern(image.data(), image.size(), 21);
    Write(Host("img~1"), RawBytes(image.data(), image.size()));
    ASSERT_EQ(Read(Host("img~1")).size(), 2'895'360u);
    EXPECT_EQ(OpenImageFile(Host("img~1")), kOpenedImage);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), State().imageA));
    EXPECT_FALSE(State().geometry.binned);
    EXPECT_TRUE(messages.shown.empty());

    UseModel(4);
    FillPattern(State().imageA, Pixels(), 1);
    const std::vector<Pixel> before(State().imageA, State().imageA + Pixels());
    EXPECT_EQ(OpenImageFile(Host("img~1")), 12);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "You didn't choose a valid Tessel or suitable FITs File");
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), State().imageA));
    EXPECT_EQ(State().geometry.width, 2048);
}

TEST_F(RawFilesTest, RawBinnedFileSwitchesToBinnedGeometry) {
    UseModel(2);
    std::vector<Pixel> image(696 * 520);
    FillPattern(image.data(), image.size(), 4);
    Write(Host("bin~"), RawBytes(image.data(), image.size()));
    EXPECT_EQ(OpenImageFile(Host("bin~")), kOpenedImage);
    EXPECT_TRUE(State().geometry.binned);
    EXPECT_EQ(State().geometry.width, 696);
    EXPECT_EQ(State().geometry.height, 520);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), State().imageA));
    // And a full one switches back.
    Write(Host("full~"), Bytes(2'895'360, 0));
    EXPECT_EQ(OpenImageFile(Host("full~")), kOpenedImage);
    EXPECT_FALSE(State().geometry.binned);
}

TEST_F(RawFilesTest, SaveRawWritesLittleEndianPixelsAndReplacesTheOldFile) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 8);
    Write(Host("old~"), Bytes(10, 1));
    EXPECT_TRUE(SaveRawFile(Host("old~")));
    EXPECT_EQ(Read(Host("old~")), RawBytes(State().imageA, Pixels()));
    EXPECT_FALSE(SaveRawFile(Host("missing/dir/x~")));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Failed to Save Tessel File");
    // Binned geometry writes W x H of the binned image.
    State().geometry.binned = true;
    RecomputeGeometry();
    EXPECT_TRUE(SaveRawFile(Host("binned~")));
    EXPECT_EQ(Read(Host("binned~")).size(), 723'840u);
}

TEST_F(RawFilesTest, FitsFilesOfEveryAcceptedLengthOpen) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 12);
    const std::vector<Pixel> image(State().imageA, State().imageA + Pixels());
    State().fits.object = "Orion";
    ASSERT_EQ(SaveFits(Host("a.fit"), State().imageA, false), 0);
    const Bytes padded = Read(Host("a.fit"));
    Bytes exact(padded.begin(), padded.end() - 1920);
    Bytes old = exact;
    old.resize(exact.size() + 2'895'360 % 2880 + 2880, 0);
    for (const Bytes* b : std::vector<const Bytes*>{&padded, &exact, &old}) {
        Write(Host("b.fit"), *b);
        std::fill(State().imageA, State().imageA + Pixels(), 0);
        State().fits.object = "other";
        EXPECT_EQ(OpenImageFile(Host("b.fit")), kOpenedImage) << b->size();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), State().imageA)) << b->size();
        EXPECT_EQ(State().fits.object, "Orion");
    }
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RawFilesTest, BinnedFitsFileSwitchesToBinnedGeometry) {
    UseModel(2);
    std::vector<Pixel> image(696 * 520);
    FillPattern(image.data(), image.size(), 13);
    ASSERT_EQ(SaveFitsImage(Host("binned.fit"), image.data(), 696, 520, false), 0);
    EXPECT_EQ(OpenImageFile(Host("binned.fit")), kOpenedImage);
    EXPECT_TRUE(State().geometry.binned);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), State().imageA));
}

TEST_F(RawFilesTest, FailedFitsOpenKeepsImageGeometryAndDetails) {
    UseModel(2);
    ASSERT_EQ(SaveFits(Host("ok.fit"), State().imageA, false), 0);
    Bytes file = Read(Host("ok.fit"));
    file[5 * 80 + 11] = 'Z';  // an object the failed load must not leave behind
    const std::string bitpix8 = "BITPIX  =                    8 /";
    std::memcpy(file.data() + 80, bitpix8.data(), bitpix8.size());
    Write(Host("eight.fit"), file);

    FillPattern(State().imageA, Pixels(), 30);
    const std::vector<Pixel> before(State().imageA, State().imageA + Pixels());
    State().fits.object = "current";
    State().history[0] = "kept line";
    EXPECT_EQ(OpenImageFile(Host("eight.fit")), 14);
    EXPECT_EQ(MessageTexts().back(), "Unable to load FITS file, File was not saved by this program");
    EXPECT_EQ(State().fits.object, "current");
    EXPECT_EQ(State().history[0], "kept line");
    EXPECT_TRUE(std::equal(before.begin(), before.end(), State().imageA));

    // A binned-size file that fails puts the full geometry back.
    Bytes small(FitsFileSizes(1392, 1040).binnedPadded, 'x');
    Write(Host("junk.fit"), small);
    EXPECT_EQ(OpenImageFile(Host("junk.fit")), 14);
    EXPECT_FALSE(State().geometry.binned);
    EXPECT_EQ(State().geometry.width, 1392);
}

TEST_F(RawFilesTest, OpeningAnAutosavedFileRemembersItsNumber) {
    UseModel(2);
    ASSERT_EQ(SaveFits(Host("img17.fit"), State().imageA, false), 0);
    EXPECT_EQ(OpenImageFile(Host("img17.fit")), kOpenedImage);
    EXPECT_EQ(FileState().lastLoadedAutosave, 17);
    EXPECT_EQ(AutosaveNumberOfTitle("IMG123.FIT"), 123);
    EXPECT_EQ(AutosaveNumberOfTitle("ImG5"), 5);
    EXPECT_EQ(AutosaveNumberOfTitle("imgx.fit"), 0);
    EXPECT_EQ(AutosaveNumberOfTitle("pic17.fit"), -1);
    EXPECT_EQ(AutosaveNumberOfTitle("im"), -1);
}

TEST_F(RawFilesTest, MissingFileGivesCode11) {
    EXPECT_EQ(OpenImageFile(Host("nothing.fit")), 11);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Failed to Open Tessel File"});
    EXPECT_EQ(OpenImageFile(home), 11);  // a directory
}

TEST_F(RawFilesTest, TiffHeaderOfAn8BitImageWith8Strips) {
    const Bytes h = BuildTiffHeader(1392, 1040, 8, false);
    ASSERT_EQ(h.size(), 186u + 64u);
    EXPECT_EQ(h[0], 'I');
    EXPECT_EQ(h[1], 'I');
    EXPECT_EQ(Le16(h, 2), 42);
    EXPECT_EQ(Le32(h, 4), 8u);
    EXPECT_EQ(Le16(h, 8), 13);
    // tag, type, count, value
    const uint32_t entries[13][4] = {
        {254, 4, 1, 0},   {256, 3, 1, 1392}, {257, 3, 1, 1040}, {258, 3, 1, 8},   {259, 3, 1, 1},
        {262, 3, 1, 1},   {273, 4, 8, 186},  {277, 3, 1, 1},    {278, 4, 1, 130}, {279, 4, 8, 218},
        {282, 5, 1, 170}, {283, 5, 1, 178},  {296, 3, 1, 3}};
    for (int i = 0; i < 13; ++i) {
        const size_t at = 10 + 12 * size_t(i);
        EXPECT_EQ(Le16(h, at), entries[i][0]) << i;
        EXPECT_EQ(Le16(h, at + 2), entries[i][1]) << i;
        EXPECT_EQ(Le32(h, at + 4), entries[i][2]) << i;
        if (entries[i][1] == 3) {
            EXPECT_EQ(Le16(h, at + 8), entries[i][3]) << i;
            EXPECT_EQ(Le16(h, at + 10), 0) << i;
        } else {
            EXPECT_EQ(Le32(h, at + 8), entries[i][3]) << i;
        }
    }
    EXPECT_EQ(Le32(h, 166), 0u);
    EXPECT_EQ(Le32(h, 170), 510u);
    EXPECT_EQ(Le32(h, 174), 6u);
    EXPECT_EQ(Le32(h, 178), 256u);
    EXPECT_EQ(Le32(h, 182), 4u);
    EXPECT_EQ(Le32(h, 186), 250u);
    EXPECT_EQ(Le32(h, 190), 181'210u);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Le32(h, 186 + 4 * size_t(i)), 250u + 180'960u * uint32_t(i));
        EXPECT_EQ(Le32(h, 218 + 4 * size_t(i)), 180'960u);
    }
}

TEST_F(RawFilesTest, SixteenBitTiffFileIsHeaderThenLittleEndianPixels) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 14);
    ASSERT_EQ(SaveTiff(Host("a.tif"), State().imageA, true), 0);
    const Bytes file = Read(Host("a.tif"));
    const Bytes header = BuildTiffHeader(1392, 1040, 8, true);
    ASSERT_EQ(file.size(), header.size() + 2'895'360u);
    EXPECT_TRUE(std::equal(header.begin(), header.end(), file.begin()));
    EXPECT_EQ(Le16(header, 10 + 12 * 3 + 8), 16);
    EXPECT_EQ(Le32(header, 218), 361'920u);
    const Bytes pixels = RawBytes(State().imageA, Pixels());
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), file.begin() + long(header.size())));

    ASSERT_EQ(SaveTiff(Host("b.tif"), State().imageA, false), 0);
    const Bytes eight = Read(Host("b.tif"));
    ASSERT_EQ(eight.size(), 250u + 1'447'680u);
    for (size_t i = 0; i < Pixels(); i += 997) ASSERT_EQ(eight[250 + i], State().imageA[i] >> 8) << i;
    EXPECT_EQ(SaveTiff(Host("none/x.tif"), State().imageA, false), 1);
}

TEST_F(RawFilesTest, TiffStripsCarryEveryRowWhenTheHeightIsNotAMultiple) {
    // 10 rows in 4 strips: 3, 3, 3 and the remaining 1.
    const Bytes h = BuildTiffHeader(7, 10, 4, false);
    ASSERT_EQ(h.size(), 186u + 32u);
    EXPECT_EQ(Le32(h, 10 + 12 * 8 + 8), 3u);  // RowsPerStrip
    const uint32_t counts[4] = {21, 21, 21, 7};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Le32(h, 186 + 4 * size_t(i)), 218u + 21u * uint32_t(i));
        EXPECT_EQ(Le32(h, 202 + 4 * size_t(i)), counts[i]);
    }
    // 9 rows in 4 strips of 3 rows need only 3 strips.
    const Bytes three = BuildTiffHeader(7, 9, 4, true);
    EXPECT_EQ(three.size(), 186u + 24u);
    EXPECT_EQ(Le32(three, 10 + 12 * 6 + 4), 3u);
}

TEST_F(RawFilesTest, SecondImageLoadsRawAndFitsIntoBufferB) {
    UseModel(2);
    FillPattern(State().imageA, Pixels(), 15);
    const std::vector<Pixel> a(State().imageA, State().imageA + Pixels());
    Write(Host("dark~"), RawBytes(State().imageA, Pixels()));
    ASSERT_EQ(SaveFits(Host("dark.fit"), State().imageA, false), 0);
    State().fits.object = "mine";

    std::fill(State().imageB, State().imageB + Pixels(), 0);
    EXPECT_EQ(LoadSecondImage(Host("dark~")), 0);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), State().imageB));
    std::fill(State().imageB, State().imageB + Pixels(), 0);
    EXPECT_EQ(LoadSecondImage(Host("dark.fit")), 0);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), State().imageB));
    EXPECT_EQ(State().fits.object, "mine");
    Bytes exact = Read(Host("dark.fit"));
    exact.resize(exact.size() - 1920);
    Write(Host("exact.fit"), exact);
    EXPECT_EQ(LoadSecondImage(Host("exact.fit")), 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(std::equal(a.begin(), a.end(), State().imageA));
}

TEST_F(RawFilesTest, SecondImageRefusals) {
    UseModel(2);
    std::fill(State().imageB, State().imageB + Pixels(), 77);
    ASSERT_EQ(SaveFits(Host("f.fit"), State().imageA, false), 0);
    Bytes old = Read(Host("f.fit"));
    old.resize(old.size() - 1920 + 2'895'360 % 2880 + 2880, 0);
    Write(Host("old.fit"), old);
    EXPECT_EQ(LoadSecondImage(Host("old.fit")), 1);
    EXPECT_EQ(MessageTexts().back(), "Sorry, you didn't choose a Tessel File");
    Write(Host("other"), Bytes(1000, 0));
    EXPECT_EQ(LoadSecondImage(Host("other")), 1);
    EXPECT_EQ(MessageTexts().back(), "Sorry, you didn't choose a Tessel File");
    EXPECT_EQ(LoadSecondImage(Host("absent")), 1);
    EXPECT_EQ(MessageTexts().back(), "Failed to Open Tessel File");

    std::vector<Pixel> small(696 * 520, 9);
    ASSERT_EQ(SaveFitsImage(Host("binned.fit"), small.data(), 696, 520, false), 0);
    EXPECT_EQ(LoadSecondImage(Host("binned.fit")), 1);
    EXPECT_EQ(MessageTexts().back(), "Sorry, current image is binned but selected file is not");
    // The other way round is refused as well instead of reading a quarter.
    State().geometry.binned = true;
    RecomputeGeometry();
    EXPECT_EQ(LoadSecondImage(Host("f.fit")), 1);
    EXPECT_EQ(LoadSecondImage(Host("binned.fit")), 0);
    EXPECT_EQ(State().imageB[0], 9);
    State().geometry.binned = false;
    RecomputeGeometry();

    Bytes bad = Read(Host("f.fit"));
    bad[80 + 29] = '2';
    Write(Host("bad.fit"), bad);
    std::fill(State().imageB, State().imageB + Pixels(), 77);
    EXPECT_EQ(LoadSecondImage(Host("bad.fit")), 1);
    EXPECT_EQ(MessageTexts().back(), "Unable to load FITS file, File was not saved by this program");
    EXPECT_EQ(State().imageB[0], 77);
}

TEST_F(RawFilesTest, HotPixelMapOpensThroughOpenImageFile) {
    UseModel(2);
    Bytes map = {'Q', 'M', 'o', 'n', 'H', 'o', 't', 'P', 'i', 'x', 'e', 'l', 'M', 'a', 'p', 1, 0, 0, 0, 0x39, 0x30, 0, 0};
    Write(Host("cam.HPM"), map);
    FillPattern(State().imageA, Pixels(), 2);
    const std::vector<Pixel> before(State().imageA, State().imageA + Pixels());
    EXPECT_EQ(OpenImageFile(Host("cam.HPM")), kOpenedHotPixelMap);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Hot Pixel Map Loaded"});
    EXPECT_EQ(State().hotPixels.indices, std::vector<uint32_t>{12345});
    EXPECT_TRUE(State().hotPixels.loaded);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), State().imageA));

    // 19 bytes with count 0: too short.
    Write(Host("short.HPM"), Bytes(map.begin(), map.begin() + 19));
    EXPECT_EQ(OpenImageFile(Host("short.HPM")), 12);
    // Other first bytes.
    map[0] = 'X';
    Write(Host("foreign.HPM"), map);
    EXPECT_EQ(OpenImageFile(Host("foreign.HPM")), 12);
}

}  // namespace

namespace {

class ReplaceTest : public RawFilesTest {};

// A failed write leaves the previous file as it was (a directory stands where
// the temporary file would go).
TEST_F(ReplaceTest, FailedWritesKeepThePreviousFiles) {
    UseModel(2);
    const std::string block = ".tmp" + std::to_string(getpid());
    const std::string map = "autosave/Velmora_Birch_HPM.HPM";
    ASSERT_EQ(MapPath(HotPixelMapFileName()), Host(map));
    for (const std::string name : {"keep~1", "keep.tif", map.c_str()}) {
        Write(Host(name), Bytes(7, 3));
        std::filesystem::create_directory(Host(name) + block);
    }
    EXPECT_FALSE(SaveRawFile(Host("keep~1")));
    EXPECT_EQ(MessageTexts().back(), "Failed to Save Tessel File");
    EXPECT_EQ(SaveTiff(Host("keep.tif"), State().imageA, true), 1);
    State().hotPixels.indices = {1};
    EXPECT_FALSE(SaveHotPixelMap());
    for (const std::string name : {"keep~1", "keep.tif", map.c_str()})
        EXPECT_EQ(Read(Host(name)), Bytes(7, 3)) << name;
}

}  // namespace
