// Opening and writing images for the command-line tools, the same way for
// every tool: IN is opened as "&Open..." opens it (classified by length
// against the model's sensor), OUT is written by its extension.
#pragma once
#include <optional>
#include <string>

// Applies --model CODE when given and opens IN. Returns 0 when an image was
// opened, 1 when the program showed a message (or IN is not an image), 2 for
// an unknown model code.
int OpenCliImage(const std::string& in, const std::optional<std::string>& model);
// Writes image buffer A: ".fit"/".fits" FITS, ".tif" TIFF (8-bit unless
// tiff16), ".bmp" the display bitmap, anything else the raw file. False when
// it could not be written (the message has been shown).
bool WriteCliImage(const std::string& out, bool tiff16);
