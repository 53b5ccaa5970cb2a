#include "core/state.h"

#include <algorithm>
#include <cstring>

#include "core/camera_models.h"
#include "platform/paths.h"

namespace {

struct Buffers {
    std::unique_ptr<Pixel[]> a{new Pixel[kImageCapacity]};
    std::unique_ptr<Pixel[]> b{new Pixel[kImageCapacity]};
    std::unique_ptr<Pixel[]> undo{new Pixel[kImageCapacity]};
    std::unique_ptr<Pixel[]> d{new Pixel[kImageCapacity]};
    std::unique_ptr<Pixel[]> guiderA{new Pixel[kGuiderCapacity]};
    std::unique_ptr<Pixel[]> guiderB{new Pixel[kGuiderCapacity]};
    std::unique_ptr<Pixel[]> rawBinned{new Pixel[kRawBinnedCapacity]};
};

AppState& Instance() {
    static Buffers buffers;
    static AppState state = [] {
        AppState s;
        s.imageA = buffers.a.get();
        s.imageB = buffers.b.get();
        s.undo = buffers.undo.get();
        s.imageD = buffers.d.get();
        s.guiderA = buffers.guiderA.get();
        s.guiderB = buffers.guiderB.get();
        s.rawBinned = buffers.rawBinned.get();
        ResetGreyPalette(s.palette);
        return s;
    }();
    return state;
}

// The data and its fill: the fill is 2880 - (bytes mod 2880), so data that
// already ends on a block boundary is followed by one whole block of fill.
int64_t PaddedFitsData(int64_t bytes) { return bytes + 2880 - bytes % 2880; }

}  // namespace

AppState& State() { return Instance(); }

void ResetGreyPalette(Palette& palette) {
    palette.version = 0x300;
    palette.entries = 256;
    for (int i = 0; i < 256; ++i)
        palette.colours[i] = {uint8_t(i), uint8_t(i), uint8_t(i), 1};
}

void ResetState() {
    AppState& s = Instance();
    s.geometry = ImageGeometry{};
    s.settings = Settings{};
    s.fits = FitsDetails{};
    s.history = {};
    s.hotPixels = HotPixelList{};
    ResetGreyPalette(s.palette);
    s.binHighResDisplay = true;
    s.currentFileName.clear();
    s.darkFileName = "c:\\dark.def";
    s.flatFileName = "c:\\flat.def";
    s.trainingSecondsMain = 1;
    s.trainingSecondsGuider = 1;
    RecomputeGeometry();
    FillStartupImages();
}

void FillStartupImages() {
    AppState& s = Instance();
    const ImageGeometry& g = s.geometry;
    for (int32_t y = 0; y < g.height; ++y) {
        const Pixel value = static_cast<Pixel>(y * 62);
        Pixel* row = s.imageA + size_t(y) * g.width;
        std::fill(row, row + g.width, value);
    }
    const size_t n = size_t(g.width) * g.height;
    std::memcpy(s.imageB, s.imageA, n * sizeof(Pixel));
    std::memcpy(s.undo, s.imageA, n * sizeof(Pixel));
    std::memset(s.imageD, 0, n * sizeof(Pixel));
    for (int y = 0; y < kGuiderHeight; ++y)
        std::fill(s.guiderA + y * kGuiderWidth, s.guiderA + (y + 1) * kGuiderWidth, Pixel(y * 200));
    std::memset(s.guiderB, 0, kGuiderCapacity * sizeof(Pixel));
}

void RecomputeGeometry() {
    AppState& s = Instance();
    ImageGeometry& g = s.geometry;
    const CameraModel* model = FindCameraModel(g.modelCode);
    if (g.binned) {
        g.width = g.sensorWidth / 2;
        g.height = g.sensorHeight / 2;
        g.pixelWidthMm = g.pixelHeightMm = g.sensorPixelMm * 2;
        g.focusHalfSize = 32;
        g.binnedPixelSizeMm = g.binningMode == 13   ? g.pixelWidthMm * 1.5
                              : g.binningMode == 14 ? g.pixelWidthMm * 2
                                                    : g.pixelWidthMm;
    } else {
        g.width = g.sensorWidth;
        g.height = g.sensorHeight;
        g.pixelWidthMm = g.pixelHeightMm = g.sensorPixelMm;
        g.focusHalfSize = 64;
        g.unexpandedWidth = g.width;
        g.unexpandedHeight = g.height;
        g.unexpandedBytes = g.width * g.height * 2;
        g.binnedPixelSizeMm = g.pixelWidthMm;
    }
    if (g.focusBinned != g.binned) {
        // Same place on the sensor, in the pixels of the new geometry.
        auto convert = [&](int32_t& v) { v = g.binned ? v / 2 : v * 2; };
        convert(g.focusCentreX);
        convert(g.focusCentreY);
        convert(g.focusOriginX);
        convert(g.focusOriginY);
        g.focusBinned = g.binned;
    }
    g.widthMinus1 = g.width - 1;
    g.heightMinus1 = g.height - 1;
    g.pixels = g.width * g.height;
    g.tenRows = g.width * 10;
    g.twoRows = g.width * 2;
    g.widthF = g.width;
    g.heightF = g.height;
    g.pixelsF = double(g.pixels);
    g.sixteenthBelowLabel = (g.pixels - 10 * g.width) / 16;
    g.pixelsPerBlock = g.readBlocks ? g.pixels / g.readBlocks : g.pixels;
    g.twiceBlocks = 2 * g.readBlocks;

    const int64_t pixels = int64_t(g.width) * g.height;
    g.fitsData16 = PaddedFitsData(pixels * 2);
    g.fitsData8 = PaddedFitsData(pixels / 2);
    g.fitsDataEighth = PaddedFitsData(pixels / 8);
    g.fitsFile16 = g.fitsData16 + 5760;
    g.fitsFile8 = g.fitsData8 + 5760;
    g.fitsFileEighth = g.fitsDataEighth + 5760;

    g.scrollWidth = s.binHighResDisplay ? g.width / 2 : g.width;
    g.scrollHeight = s.binHighResDisplay ? g.height / 2 : g.height;

    if (model) {
        g.bitmapName = model->bitmapName;
        g.focusBitmapName = DerivedBitmapName(g.bitmapName, 'f');
        g.guiderBitmapName = DerivedBitmapName(g.bitmapName, 'g');
        for (int i = 0; i < 3; ++i) g.readoutTexts[i] = model->readoutTexts[i];
    }
}

void ApplyCameraModelGeometry() {
    AppState& s = Instance();
    ImageGeometry& g = s.geometry;
    if (const CameraModel* model = FindCameraModel(g.modelCode)) {
        g.sensorWidth = int16_t(model->sensorWidth);
        g.sensorHeight = int16_t(model->sensorHeight);
        g.sensorPixelMm = model->pixelSizeMm;
        g.readBlocks = int16_t(model->readBlocks);
        if (model->hotPixelMapName) g.hotPixelMapName = model->hotPixelMapName;
    }
    g.subFrameBinning = 2;
    g.subFrameCentreX = g.sensorWidth / 2;
    g.subFrameCentreY = g.sensorHeight / 2;
    // The focus frame in full-geometry pixels; the recomputation halves it
    // for a binned geometry.
    g.focusCentreX = g.subFrameCentreX;
    g.focusCentreY = g.subFrameCentreY;
    g.focusOriginX = g.focusCentreX - 64;
    g.focusOriginY = g.focusCentreY - 64;
    g.focusBinned = false;
    RecomputeGeometry();
}

std::string AutosaveDirectory() {
    const std::string& typed = Instance().settings.autosaveDirText;
    return typed.empty() ? std::string(kDefaultAutosaveDir) : ResolveTypedFolder(typed);
}
