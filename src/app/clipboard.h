// "&Copy": the displayed picture onto the clipboard.
#pragma once
#include <QImage>
#include <cstdint>
#include <vector>

// The BMP file (header, palette, pixels) of the picture the display last
// drew; nullptr before the first redraw.
const std::vector<uint8_t>* ShownDisplayBitmapFile();

// The display bitmap: the 8-bit palette picture the display last drew (or,
// without one, the BMP file it writes under the current model's bitmap
// name); a null image when there is none.
QImage LoadDisplayBitmap();
// Puts the displayed picture on the clipboard: as an image (palette kept)
// and as the BMP file itself. False when there is no display bitmap.
bool CopyDisplayToClipboard();
