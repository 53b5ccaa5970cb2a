// The process-wide records every subsystem shares: image buffers, geometry,
// settings, FITS details, processing history and the hot pixel list. They are
// allocated once and live until exit; tests reset them with ResetState().
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/fits_details.h"
#include "core/settings_record.h"

using Pixel = uint16_t;

inline constexpr size_t kImageCapacity = 16'100'000;   // largest sensor 4904 x 3280 fits
inline constexpr int kGuiderWidth = 500;
inline constexpr int kGuiderHeight = 290;
inline constexpr size_t kGuiderCapacity = 145'080;
inline constexpr size_t kRawBinnedCapacity = (4904 / 3) * (3280 / 3);
inline constexpr int kHistoryEntries = 15;
inline constexpr size_t kHistoryEntryLength = 39;
inline constexpr size_t kMaxHotPixels = 100'000;

struct ImageGeometry {
    int16_t modelCode = 4;
    int16_t sensorWidth = 2048;
    int16_t sensorHeight = 2048;
    double pixelWidthMm = 0.0074;
    double pixelHeightMm = 0.0074;
    // The sensor's own pixel size from the last model row applied; the pixel
    // width and height above are this, doubled in binned geometry. Model 3
    // has no row and keeps it, so its binned geometry doubles it too.
    double sensorPixelMm = 0.0074;
    int16_t readBlocks = 16;
    bool binned = false;          // 2 x 2-binned display geometry
    int16_t binningMode = 0;      // 13 = 3 x 3 read, 14 = 4 x 4 read
    int32_t width = 2048;         // W
    int32_t height = 2048;        // H
    // Derived values.
    int32_t widthMinus1 = 2047, heightMinus1 = 2047;
    int32_t pixels = 2048 * 2048;
    int32_t tenRows = 20480, twoRows = 4096;
    double widthF = 2048, heightF = 2048, pixelsF = 2048.0 * 2048;
    int32_t sixteenthBelowLabel = (2048 * 2048 - 10 * 2048) / 16;  // (W*H - 10*W)/16
    int32_t pixelsPerBlock = 2048 * 2048 / 16;
    int32_t twiceBlocks = 32;
    // Unexpanded binned reads (modes 13, 14): W x H otherwise.
    int32_t unexpandedWidth = 2048, unexpandedHeight = 2048;
    int32_t unexpandedBytes = 2048 * 2048 * 2;
    double binnedPixelSizeMm = 0.0074;
    // Focus frame and user sub-frame. The focus frame (centre, origin) is in
    // image pixels of the current geometry, halved in binned geometry;
    // focusBinned says which geometry the values were set in, and a
    // recomputation that changes `binned` converts them, so the frame stays on
    // the same part of the sensor. The sub-frame centre is in sensor pixels.
    int32_t focusCentreX = 1024, focusCentreY = 1024;
    int32_t focusOriginX = 960, focusOriginY = 960;
    int32_t focusHalfSize = 64;
    bool focusBinned = false;
    int32_t subFrameCentreX = 1024, subFrameCentreY = 1024;
    int32_t subFrameBinning = 2;
    // FITS sizes: data bytes D followed by 2880 - (D mod 2880) fill bytes
    // (a whole block when D is a multiple of 2880), and the whole file (data
    // + fill + two header blocks).
    int64_t fitsData16 = 0, fitsData8 = 0, fitsDataEighth = 0;
    int64_t fitsFile16 = 0, fitsFile8 = 0, fitsFileEighth = 0;
    // Scroll extent of the main window.
    int32_t scrollWidth = 2048, scrollHeight = 2048;
    // Per-model names.
    std::string bitmapName = "c:\\Autosave\\Velmora_Fir.bmp";
    std::string focusBitmapName = "c:\\Autosave\\Velmora_Firf.bmp";
    std::string guiderBitmapName = "c:\\Autosave\\Velmora_Firg.bmp";
    std::string hotPixelMapName = "QMono_HPM";
    std::array<std::string, 3> readoutTexts{" - takes 3-4 seconds", " - takes 2-3 seconds",
                                            " - takes 5-6 seconds"};
};

struct HotPixelList {
    std::vector<uint32_t> indices;  // linear pixel indices, at most kMaxHotPixels
    bool loaded = false;
};

struct Palette {
    uint16_t version = 0x300;
    uint16_t entries = 256;
    std::array<std::array<uint8_t, 4>, 256> colours{};  // r, g, b, flags
};

struct AppState {
    // Full-size image buffers: A the current image, B the second image, the
    // undo copy and the spare D. Each holds kImageCapacity pixels.
    Pixel* imageA = nullptr;
    Pixel* imageB = nullptr;
    Pixel* undo = nullptr;
    Pixel* imageD = nullptr;
    // Guider buffers (500 x 290) and the raw binned read.
    Pixel* guiderA = nullptr;
    Pixel* guiderB = nullptr;
    Pixel* rawBinned = nullptr;

    ImageGeometry geometry;
    Settings settings;
    FitsDetails fits;
    std::array<std::string, kHistoryEntries> history;
    HotPixelList hotPixels;
    Palette palette;
    bool binHighResDisplay = true;      // command 305 (starts on): scroll extent halved
    std::string currentFileName;        // shown in the caption; empty = "(Untitled)"
    // The files chosen with "Select Dark Frame..." and "Select Flatfield File..."
    // (program paths); "c:\dark.def" and "c:\flat.def" until one is chosen.
    std::string darkFileName = "c:\\dark.def";
    std::string flatFileName = "c:\\flat.def";
    // Training times in seconds (main camera, autoguider); not in the file.
    int trainingSecondsMain = 1;
    int trainingSecondsGuider = 1;
};

AppState& State();
// Puts every record back to its start-up content (settings defaults, model 4
// geometry, the start-up ramps) without reallocating the buffers.
void ResetState();

// The start-up content of the buffers for the geometry in force.
void FillStartupImages();
// The grey palette: entry i = (i, i, i), flags 1.
void ResetGreyPalette(Palette& palette);

// Geometry recomputation: run after a model is applied, a binned read and a
// file load.
void RecomputeGeometry();
// Copies the current model's row into the geometry (model 3 and unknown codes
// keep the geometry), resets the sub-frame and focus frame to the sensor
// centre (the focus frame in image pixels of the geometry in force) and
// recomputes. ApplyCameraModel (settings_file.h) also saves the settings file;
// command-line runs write the settings only when a command changes them.
void ApplyCameraModelGeometry();
// The autosave directory in force: "c:\AUTOSAVE" when field 47 is empty, a
// text with a drive as typed, any other text as the host folder it names
// (ResolveTypedFolder). MapPath(AutosaveDirectory(), true) is its host folder.
std::string AutosaveDirectory();
