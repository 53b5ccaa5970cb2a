// "&Copy": the displayed picture onto the clipboard.
#pragma once
#include <QImage>

// The display bitmap (the 8-bit palette BMP the display writes on every
// redraw, under the current model's bitmap name); a null image when there
// is none or it cannot be read.
QImage LoadDisplayBitmap();
// Puts the displayed picture on the clipboard: as an image (palette kept)
// and as the BMP file itself. False when there is no display bitmap.
bool CopyDisplayToClipboard();
