// Rendering image buffer A into the display bytes and the display bitmap.
#pragma once
#include <string>

// Rebuilds the display from image buffer A with the current display options,
// rewrites the display bitmap file under the model's bitmap name and asks the
// main window to repaint.
void RedrawImage();
// Renders image buffer A with the current display options and writes the
// 8-bit palette BMP to hostPath; false when it cannot be written.
bool WriteDisplayBitmap(const std::string& hostPath);
