// The shared records: the message table, the camera model table, the image
// geometry with its derived values and FITS sizes, and the start-up content
// of the buffers and the palette.
#include <cstring>

#include "core/camera_models.h"
#include "core/messages.h"
#include "core/state.h"
#include "platform/files.h"
#include "settings/settings_file.h"
#include "support/test_env.h"

namespace {

class StateTest : public VelmoraTest {
protected:
    static void Apply(int code) {
        State().geometry.modelCode = int16_t(code);
        ApplyCameraModel();
    }
};

// ---- Message table --------------------------------------------------------------

struct MessageRow {
    int code;
    const char* text;
};

const MessageRow kMessageTable[] = {
        {1, "Warning!\nNo INI file found, a new one has been created, please check defaults."},
        {2, "Sorry, outside Image area - try again"},
        {3, "Tessel Interface not found.\n\nPort set to default.\n\nIf you have a Tessel Camera make sure all the cables are plugged in and it is switched on. "},
        {4, "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different intensity to previous reading (+/-5%)"},
        {5, "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next brightest."},
        {6, "Unable to create file, check disk space"},
        {7, "Failed to Open Darkframe Tessel File"},
        {8, "Failed to create temp bitmap"},
        {9, "Unable to create temp bitmap file header"},
        {10, "Unable to create temp bitmap file"},
        {11, "Failed to Open Tessel File"},
        {12, "You didn't choose a valid Tessel or suitable FITs File"},
        {13, "Unable to load FITS file"},
        {14, "Unable to load FITS file, File was not saved by this program"},
        {15, "Unable to load FITS file, File was not saved by this program"},
        {16, "Sorry, you didn't choose a Tessel File"},
        {17, "Failed to Save Tessel File"},
        {18, "Unable to create/overwrite Tessel File"},
        {19, "Unable to create/overwrite Prism File"},
        {20, "Unable to load INI file, please delete and try again"},
        {23, "Unable to load INI file, please delete and try again"},
        {27, "Unable to load INI file, please delete and try again"},
        {21, "Unable to save INI file, please check disk space"},
        {24, "Unable to save INI file, please check disk space"},
        {28, "Unable to save INI file, please check disk space"},
        {22, "Sorry, chosen Darkframe is not an Tessel File"},
        {25, "Failed to Open Flatfield Tessel File"},
        {26, "Sorry, chosen Flatfield is not a Tessel File"},
        {29, "Unable to create file, check disk space"},
        {30, "Sorry, Merging only available in standard Geometry. Ensure Image is not stretched to fit window or in Prism geometry."},
        {31, "Sorry, you are already in Merging mode."},
        {32, "Cannot open bitmap file"},
        {33, "Sorry. Cannot Pick Star in ths display mode"},
        {34, "Sorry. No Connection to Telescope"},
        {35, "Sorry, you cannot run Photometry, Row Plot and Merging at the same time"},
        {36, "Sorry, Photometry only available in standard Geometry. Ensure Image is not stretched to fit window or in Tessel geometry."},
        {37, "Sorry, you are already in Photometry mode. Click left Mouse button when on object you wish to measure"},
        {38, "Sorry, Row Plot only available in standard Geometry. Ensure Image is not stretched to fit window or in Tessel geometry."},
        {39, "Cannot access bitmap resource"},
        {40, "Sorry, you must first load an autosaved file to start the sequence, or there are no more files"},
        {51, "AutoGuiding Terminated"},
        {52, "Sorry, Invalid directory"},
        {53, "Sorry, you haven't picked a guide star. Go to Guider dialog and select a star to guide on"},
        {55, "Sorry, No telescope to guide, or no camera found"},
        {59, "Sorry, already guiding with external camera"},
        {65, "Sorry, current image is binned but selected file is not"},
        {66, "Got Here OK"},
        {67, "Even Got Here OK"},
        {68, "Sorry, there is no 4x4 or 3x3 unexpanded binned image to save"},
        {69, "Find centre failed - outside image area"},
};

TEST_F(StateTest, EveryMessageCodeShowsItsTextUnderTheProgramCaption) {
    for (const MessageRow& row : kMessageTable) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(MessageText(row.code), row.text);
        messages.shown.clear();
        ShowMessage(row.code);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
        EXPECT_EQ(messages.shown[0].text, row.text);
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::None);
    }
}

TEST_F(StateTest, CodesWithoutTextShowAnEmptyBox) {
    for (int code : {0, 41, 42, 49, 54, 56, 60, 64, 70, 100, -1}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(MessageText(code), "");
        messages.shown.clear();
        ShowMessage(code, "ignored: only code 50 shows the caller's text");
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
        EXPECT_EQ(messages.shown[0].text, "");
    }
}

TEST_F(StateTest, CodeFiftyShowsAtMost255CharactersOfTheCallersText) {
    const std::string longText(300, 'x');
    ShowMessage(50, longText);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, std::string(255, 'x'));
    EXPECT_EQ(messages.shown[0].caption, "Velmora_USB");
    ShowMessage(50, "");
    EXPECT_EQ(messages.shown.back().text, "");
    EXPECT_EQ(CheckStatus(-2147483647 - 1), -1);
    EXPECT_EQ(messages.shown.back().text, "ERROR -2147483648 ");
}

// ---- Camera model table ---------------------------------------------------------

struct ModelRow {
    int code;
    int width, height;
    double pixelMm;
    int blocks;
    const char* bitmap;
    const char* hpm;  // nullptr: unchanged
    const char* readout[3];
    const char* manualPid;
    std::vector<const char*> discovered;
    const char* caption;
};

const std::vector<ModelRow>& ExpectedModels() {
    static const std::vector<ModelRow> rows = {
        {1, 1304, 1024, 0.00645, 8, "c:\\Autosave\\Velmora_Alder.bmp", nullptr,
         {" - takes 1 second", " - takes < 1 second", " - takes 1-2 seconds"}, "0505", {"0517"},
         "Velmora_Alder Camera Control"},
        {2, 1392, 1040, 0.00645, 8, "c:\\Autosave\\Velmora_Birch.bmp", "Velmora_Birch_HPM",
         {" - takes 2-3 seconds", " - takes 1-2 seconds", " - takes 4-5 seconds"}, "0119", {"0119", "0509"},
         "Velmora_Birch Camera Control"},
        {4, 2048, 2048, 0.0074, 16, "c:\\Autosave\\Velmora_Fir.bmp", "Velmora_Fir_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 5-6 seconds"}, "0126", {"0126"},
         "Velmora_Fir Camera Control"},
        {5, 3326, 2504, 0.0054, 4, "c:\\Autosave\\Velmora_Hazel.bmp", "Velmora_Hazel_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 5-6 seconds"}, "0128", {"0128"},
         "Velmora_Hazel Camera Control"},
        {6, 4008, 2672, 0.009, 16, "c:\\Autosave\\Velmora_Larch.bmp", "Velmora_Larch_HPM",
         {" - takes 4-5 seconds", " - takes 2-3 seconds", " - takes 8-9 seconds"}, "0135", {"0135"},
         "Velmora_Larch Camera Control"},
        {7, 4904, 3280, 0.0074, 16, "c:\\Autosave\\Velmora_Maple.bmp", "Velmora_Maple_HPM",
         {" - takes 6-7 seconds", " - takes 4-5 seconds", " - takes 10-11 seconds"}, "0136", {"0136"},
         "Velmora_Maple Camera Control"},
        {8, 2456, 2064, 0.00345, 16, "c:\\Autosave\\Velmora_Oak.bmp", "Velmora_Oak_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 6-7 seconds"}, "0125", {"0137"},
         "Velmora_Elm Camera Control"},
        {9, 1940, 1460, 0.00345, 4, "c:\\Autosave\\Velmora_Pine.bmp", "Velmora_Pine_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 6-7 seconds"}, "0174", {"0174"}, ""},
        {10, 2750, 2200, 0.00345, 4, "c:\\Autosave\\Velmora_Rowan.bmp", "Velmora_Rowan_HPM",
         {" - takes 3-4 seconds", " - takes 2-3 seconds", " - takes 6-7 seconds"}, "0194", {"0194"}, ""},
        {11, 3388, 2712, 0.00369, 4, "c:\\Autosave\\Velmora_Spruce.bmp", "Velmora_Spruce_HPM",
         {" - takes 4-5 seconds", " - takes 2-3 seconds", " - takes 8-9 seconds"}, "0198", {}, ""},
        {12, 1392, 1040, 0.00645, 8, "c:\\Autosave\\Velmora_Yew.bmp", "Velmora_Yew_HPM",
         {" - takes 2-3 seconds", " - takes 1-2 seconds", " - takes 4-5 seconds"}, "0189", {}, ""},
    };
    return rows;
}

TEST_F(StateTest, EveryCameraModelRowAppliedToTheGeometry) {
    ASSERT_EQ(CameraModels().size(), ExpectedModels().size());
    for (const ModelRow& row : ExpectedModels()) {
        SCOPED_TRACE(row.code);
        const CameraModel* model = FindCameraModel(row.code);
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(std::string(model->manualPid), row.manualPid);
        ASSERT_EQ(model->discoveredPids.size(), row.discovered.size());
        for (size_t i = 0; i < row.discovered.size(); ++i) {
            EXPECT_EQ(std::string(model->discoveredPids[i]), row.discovered[i]);
            EXPECT_EQ(ModelForDiscoveredPid(row.discovered[i]), row.code);
        }
        EXPECT_EQ(CameraDialogCaption(row.code), row.caption);

        State().geometry.hotPixelMapName = "previous";
        Apply(row.code);
        const ImageGeometry& g = State().geometry;
        EXPECT_EQ(g.modelCode, row.code);
        EXPECT_EQ(g.sensorWidth, row.width);
        EXPECT_EQ(g.sensorHeight, row.height);
        EXPECT_EQ(g.width, row.width);
        EXPECT_EQ(g.height, row.height);
        EXPECT_DOUBLE_EQ(g.pixelWidthMm, row.pixelMm);
        EXPECT_DOUBLE_EQ(g.pixelHeightMm, row.pixelMm);
        EXPECT_EQ(g.readBlocks, row.blocks);
        EXPECT_EQ(g.bitmapName, row.bitmap);
        const std::string stem = std::string(row.bitmap).substr(0, std::strlen(row.bitmap) - 4);
        EXPECT_EQ(g.focusBitmapName, stem + "f.bmp");
        EXPECT_EQ(g.guiderBitmapName, stem + "g.bmp");
        EXPECT_EQ(g.hotPixelMapName, row.hpm ? row.hpm : "previous");
        for (int i = 0; i < 3; ++i) EXPECT_EQ(g.readoutTexts[i], row.readout[i]) << i;
    }
    // Model 3 has a caption but no row; the PIDs of 11 and 12 and foreign
    // ones are not discovered.
    EXPECT_EQ(FindCameraModel(3), nullptr);
    EXPECT_EQ(CameraDialogCaption(3), "Velmora_Cedar Camera Control");
    for (const char* pid : {"0198", "0189", "0505", "0125", "0920", ""}) EXPECT_EQ(ModelForDiscoveredPid(pid), 0) << pid;
}

// ---- Geometry ----------------------------------------------------------------------

TEST_F(StateTest, DerivedValuesOfTheFullAndBinnedGeometry) {
    Apply(5);  // 3326 x 2504, 4 blocks
    ImageGeometry& g = State().geometry;
    EXPECT_EQ(g.widthMinus1, 3325);
    EXPECT_EQ(g.heightMinus1, 2503);
    EXPECT_EQ(g.pixels, 3326 * 2504);
    EXPECT_EQ(g.tenRows, 33260);
    EXPECT_EQ(g.twoRows, 6652);
    EXPECT_DOUBLE_EQ(g.widthF, 3326.0);
    EXPECT_DOUBLE_EQ(g.heightF, 2504.0);
    EXPECT_DOUBLE_EQ(g.pixelsF, 3326.0 * 2504.0);
    EXPECT_EQ(g.sixteenthBelowLabel, (3326 * 2504 - 10 * 3326) / 16);
    EXPECT_EQ(g.pixelsPerBlock, 3326 * 2504 / 4);
    EXPECT_EQ(g.twiceBlocks, 8);
    EXPECT_EQ(g.unexpandedWidth, 3326);
    EXPECT_EQ(g.unexpandedHeight, 2504);
    EXPECT_EQ(g.unexpandedBytes, 3326 * 2504 * 2);
    EXPECT_EQ(g.focusHalfSize, 64);
    EXPECT_DOUBLE_EQ(g.binnedPixelSizeMm, 0.0054);

    g.binned = true;
    RecomputeGeometry();
    EXPECT_EQ(g.width, 1663);
    EXPECT_EQ(g.height, 1252);
    EXPECT_EQ(g.pixels, 1663 * 1252);
    EXPECT_EQ(g.pixelsPerBlock, 1663 * 1252 / 4);
    EXPECT_EQ(g.focusHalfSize, 32);
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0108);
    EXPECT_DOUBLE_EQ(g.binnedPixelSizeMm, 0.0108);
    // Unexpanded 3 x 3 and 4 x 4 reads: 1.5 and 2 times the doubled size.
    g.binningMode = 13;
    RecomputeGeometry();
    EXPECT_NEAR(g.binnedPixelSizeMm, 0.0162, 1e-12);
    g.binningMode = 14;
    RecomputeGeometry();
    EXPECT_NEAR(g.binnedPixelSizeMm, 0.0216, 1e-12);
    // Recomputing again does not double the pixel size a second time.
    RecomputeGeometry();
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0108);
    g.binned = false;
    g.binningMode = 0;
    RecomputeGeometry();
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0054);
    EXPECT_EQ(g.width, 3326);
}

TEST_F(StateTest, ModelThreeDoublesThePixelSizeInBinnedGeometryToo) {
    Apply(4);
    ImageGeometry& g = State().geometry;
    Apply(3);
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0074);
    g.binned = true;
    RecomputeGeometry();
    EXPECT_EQ(g.width, 1024);
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0148);
    EXPECT_DOUBLE_EQ(g.pixelHeightMm, 0.0148);
    g.binned = false;
    RecomputeGeometry();
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0074);

    // Choosing model 3 while the binned geometry of model 7 is held keeps the
    // sensor's own pixel size: binned 14.8 um, not doubled twice.
    Apply(7);
    g.binned = true;
    RecomputeGeometry();
    Apply(3);
    EXPECT_EQ(g.width, 2452);
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0148);
    g.binned = false;
    RecomputeGeometry();
    EXPECT_DOUBLE_EQ(g.pixelWidthMm, 0.0074);
}

TEST_F(StateTest, FitsSizesAddTheFillOfTheLastBlockAndTwoHeaderBlocks) {
    Apply(4);  // 2048 x 2048: 8,388,608 data bytes, 2048 past the last block
    const ImageGeometry& g = State().geometry;
    EXPECT_EQ(g.fitsData16, 8388608 + 832);
    EXPECT_EQ(g.fitsFile16, 8388608 + 832 + 5760);
    EXPECT_EQ(g.fitsData8, 2097152 + 2368);
    EXPECT_EQ(g.fitsFile8, 2097152 + 2368 + 5760);
    EXPECT_EQ(g.fitsDataEighth, 524288 + 2752);
    EXPECT_EQ(g.fitsFileEighth, 524288 + 2752 + 5760);
    for (int64_t size : {g.fitsData16, g.fitsData8, g.fitsDataEighth}) EXPECT_EQ(size % 2880, 0);

    // Data that ends on a block boundary is followed by a whole block.
    ImageGeometry& edit = State().geometry;
    edit.modelCode = 3;
    edit.sensorWidth = 1440;
    edit.sensorHeight = 16;  // 46,080 bytes = 16 blocks; 11,520 = 4; 2,880 = 1
    edit.binned = false;
    RecomputeGeometry();
    EXPECT_EQ(g.fitsData16, 46080 + 2880);
    EXPECT_EQ(g.fitsFile16, 46080 + 2880 + 5760);
    EXPECT_EQ(g.fitsData8, 11520 + 2880);
    EXPECT_EQ(g.fitsDataEighth, 2880 + 2880);
    EXPECT_EQ(g.fitsFileEighth, 2880 + 2880 + 5760);
}

TEST_F(StateTest, ScrollExtentFollowsTheBinnedDisplay) {
    Apply(2);
    AppState& s = State();
    EXPECT_TRUE(s.binHighResDisplay);  // starts on
    EXPECT_EQ(s.geometry.scrollWidth, 696);
    EXPECT_EQ(s.geometry.scrollHeight, 520);
    s.binHighResDisplay = false;
    RecomputeGeometry();
    EXPECT_EQ(s.geometry.scrollWidth, 1392);
    EXPECT_EQ(s.geometry.scrollHeight, 1040);
}

TEST_F(StateTest, ApplyingAModelCentresTheSubFrameAndFocusFrame) {
    AppState& s = State();
    s.geometry.subFrameBinning = 4;
    s.geometry.subFrameCentreX = 7;
    s.geometry.binned = true;
    Apply(9);  // 1940 x 1460
    EXPECT_EQ(s.geometry.subFrameBinning, 2);
    EXPECT_EQ(s.geometry.subFrameCentreX, 970);
    EXPECT_EQ(s.geometry.subFrameCentreY, 730);
    // The focus frame is in image pixels of the binned geometry: the centre
    // of the 970 x 730 image less the half size 32 (sensor 906, 666).
    EXPECT_EQ(s.geometry.focusOriginX, 970 / 2 - 32);
    EXPECT_EQ(s.geometry.focusOriginY, 730 / 2 - 32);
    // The binned flag stays; the image is the halved sensor.
    EXPECT_EQ(s.geometry.width, 970);
    EXPECT_EQ(s.geometry.height, 730);
    EXPECT_EQ(s.geometry.focusHalfSize, 32);
}

TEST_F(StateTest, ApplyingAModelReportsASettingsFileThatCannotBeWritten) {
    const std::string blocked = home + "/blocked";
    ASSERT_TRUE(ReplaceFile(blocked, Bytes{1}));
    setenv("VELMORA_HOME", blocked.c_str(), 1);  // a file, not a folder
    Apply(2);
    setenv("VELMORA_HOME", home.c_str(), 1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Unable to save INI file, please check disk space");
    // The geometry of the model is in force all the same.
    EXPECT_EQ(State().geometry.width, 1392);
    EXPECT_EQ(State().geometry.height, 1040);
    // Written without a word when the folder can be written.
    messages.shown.clear();
    Apply(4);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(FileLength(HomePath("autosave/Velmora.ini")), int64_t(kSettingsFileSize));
}

// ---- Start-up content ---------------------------------------------------------------

TEST_F(StateTest, StartUpBuffersAndPalette) {
    ResetState();
    const AppState& s = State();
    const ImageGeometry& g = s.geometry;
    ASSERT_EQ(g.width, 2048);
    for (int y : {0, 1, 100, 1056, 1057, 2047}) {
        const Pixel ramp = Pixel(y * 62);
        for (int x : {0, 1, 2047}) {
            const size_t i = size_t(y) * 2048 + x;
            EXPECT_EQ(s.imageA[i], ramp) << y;
            EXPECT_EQ(s.imageB[i], ramp) << y;
            EXPECT_EQ(s.undo[i], ramp) << y;
            EXPECT_EQ(s.imageD[i], 0) << y;
        }
    }
    // Row 1057 * 62 = 65534; row 1058 wraps past 16 bits.
    EXPECT_EQ(s.imageA[1058 * 2048], Pixel(1058 * 62 - 65536));
    for (int y : {0, 1, 288, 289})
        for (int x : {0, 499}) {
            EXPECT_EQ(s.guiderA[y * 500 + x], Pixel(y * 200));
            EXPECT_EQ(s.guiderB[y * 500 + x], 0);
        }
    EXPECT_EQ(s.palette.version, 0x300);
    EXPECT_EQ(s.palette.entries, 256);
    for (int i : {0, 1, 128, 255})
        EXPECT_EQ(s.palette.colours[i], (std::array<uint8_t, 4>{uint8_t(i), uint8_t(i), uint8_t(i), 1}));
    EXPECT_GE(kRawBinnedCapacity, size_t(4904 / 3) * (3280 / 3));
    EXPECT_GE(kImageCapacity, size_t(4904) * 3280);
    EXPECT_EQ(kImageCapacity, 16'100'000u);
}

}  // namespace
