// Rendering image buffer A into the display bytes and the display bitmap.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "display/palettes.h"

// Rebuilds the display from image buffer A with the current display options,
// rewrites the display bitmap file under the model's bitmap name and asks the
// main window to repaint.
void RedrawImage();
// Renders image buffer A with the current display options and writes the
// 8-bit palette BMP to hostPath; false when it cannot be written.
bool WriteDisplayBitmap(const std::string& hostPath);

// The pieces of the pipeline, each usable on its own.

inline constexpr size_t kBitmapHeaderBytes = 1078;  // 14 + 40 + 256 * 4

// byte i = pixel i >> 8.
void FillDisplayBytes(const uint16_t* pixels, size_t count, uint8_t* bytes);
// The auto-contrast histogram: counts the high bytes of rows 5..24 and
// returns the index of the largest counter (lowest index on ties).
int AutoContrastBlackPoint(const uint16_t* pixels, int width, int height,
                           std::array<uint16_t, 257>& counters);
// Largest display byte below 253 and smallest non-zero byte (255 if none).
void ScanDisplayBytes(const uint8_t* bytes, size_t count, uint8_t& largest, uint8_t& autoBlack);
// Bytes below 253 become T[max(0, max(0, b - autoBlack) - userBlack)].
void ApplyDisplayStretch(uint8_t* bytes, size_t count, const ByteTable& table, int autoBlack,
                         int userBlack);
// The background estimate over rows 11..H-6, columns 5..W-6: the mean of
// the three most populated high bytes.
int BackgroundEstimate(const uint16_t* pixels, int width, int height,
                       std::array<uint16_t, 257>& counters);
// The BMP file: header, palette, then the rows bottom-up, each padded to a
// multiple of 4. With binned the picture is width/2 x height/2 made of every
// second byte of every second row.
void BuildBitmapFile(const uint8_t* bytes, int width, int height, bool binned, const PaletteRgb& palette,
                     std::vector<uint8_t>& file);
// Row length in the file for a picture width.
inline int BitmapStride(int width) { return (width + 3) & ~3; }

// What one run of the pipeline made.
struct RenderedBitmap {
    int width = 0, height = 0;
    PaletteRgb palette{};
    std::vector<uint8_t> file;
};
// Steps 2-5 of the pipeline plus the file image (no file written, no window
// touched); updates the black point, the automatic black level and the
// histogram counters as a redraw does.
void RenderDisplay(RenderedBitmap& out);
// The display bitmap name in force: the model's focus-frame name for
// 128 x 128 frames, else its image bitmap name (a program path).
std::string DisplayBitmapName();
