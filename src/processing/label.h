// "&Label": burns a line of text (and an optional UT date stamp) into rows
// 0..9 of the image with the built-in 8 x 10 font, and marks the image as
// labelled (first six pixels 17).
#pragma once
#include <array>
#include <cstdint>
#include <ctime>
#include <string>

#include "core/state.h"

inline constexpr int kLabelMaxText = 30;
inline constexpr int kLabelCells = 64;
inline constexpr int kGlyphWidth = 8;
inline constexpr int kGlyphRows = 10;

// The glyph of a character: 10 rows of 8 bits, bit 7 the leftmost pixel.
// False (rows all 0) for a character without a glyph.
bool LabelGlyph(char c, std::array<uint8_t, kGlyphRows>& rows);
// The characters that have a glyph: 'A'..'Z', 'a'..'z', '0'..'9', '/', '-',
// ':' and the space.
bool HasLabelGlyph(char c);

// The cell of a character the font lacks (a character of more than one byte
// in the UTF-8 text): drawn black.
inline constexpr char kLabelNoGlyph = '\x7f';
// The text (UTF-8) as one byte per cell: ASCII as it is, every other
// character (or stray byte) kLabelNoGlyph.
std::string LabelCells(const std::string& text);

// "  %02d:%02d:%02d UT %02d-%02d-%d " for a UTC time.
std::string LabelDateStamp(const std::tm& utc);
// The line drawn, one byte per cell: (64 - length - (24 with the date, else
// 0)) / 2 spaces, the text (at most 30 characters, counted as characters, not
// bytes), then the date stamp when autoDate.
std::string BuildLabelLine(const std::string& text, bool autoDate, const std::tm& utc);
// Draws a line into rows 0..9 of a W x H image: the rows are cleared first,
// each character takes an 8-pixel cell from column 0 (cells beyond the image
// width are left out), then the label marker is set.
void DrawLabel(Pixel* image, int width, int height, const std::string& line);
// LabelImage on image buffer A with the computer clock's time (UT). No undo
// copy, no history line.
void LabelImage(bool autoDate, const std::string& text);
// The process-wide Auto Date flag of the label dialog.
bool& LabelAutoDate();
