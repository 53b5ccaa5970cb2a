// The analysis windows draw into a plain off-screen bitmap: lines with a
// 1-pixel pen, filled rectangles and a small built-in font. The windows show
// it as it is and velmora-cli writes it to a PNG file, so both use the same
// drawing code.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kAxisBlue{0, 0, 255};
inline constexpr Rgb kGrey{128, 128, 128};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kLightGrey{192, 192, 192};

class PlotCanvas {
public:
    PlotCanvas(int width, int height, Rgb fill = kWhite);

    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0xFFRRGGBB per pixel, row after row (a 32-bit RGB image as it is).
    const uint32_t* Bits() const { return bits_.data(); }
    Rgb At(int x, int y) const;
    void Set(int x, int y, Rgb colour);  // pixels outside are dropped

    // The pen position and a line from it to (x, y); the end point itself is
    // not drawn, so a line of n pixels from y = 210 up to 210 - n covers
    // rows 210 .. 211 - n.
    void MoveTo(int x, int y);
    void LineTo(int x, int y, Rgb colour);
    void Line(int x0, int y0, int x1, int y1, Rgb colour) {
        MoveTo(x0, y0);
        LineTo(x1, y1, colour);
    }
    // Fills left <= x < right, top <= y < bottom.
    void FillRect(int left, int top, int right, int bottom, Rgb colour);
    // Text from the top-left of the rectangle, "\n" starting a new line,
    // clipped to the rectangle; characters the font lacks leave a gap.
    void DrawText(int left, int top, int right, int bottom, const std::string& text, Rgb colour = kBlack);

    inline static constexpr int kCharWidth = 6;
    inline static constexpr int kLineHeight = 10;

private:
    int width_, height_;
    std::vector<uint32_t> bits_;
    int penX_ = 0, penY_ = 0;
};

// The canvas as a PNG file (8-bit RGB, no interlace).
std::vector<uint8_t> EncodePng(const PlotCanvas& canvas);
// Writes the PNG through a temporary file; false when it cannot be written.
bool WritePng(const PlotCanvas& canvas, const std::string& hostPath);
