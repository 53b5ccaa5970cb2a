// The native raw (Tessel) file, the TIFF export, the classification of opened
// files by their length, and the loaders of the current and the second image.
#pragma once
#include <cstdint>
#include <string>

#include "core/state.h"
#include "platform/files.h"

// What a file length means for a sensor of Ws x Hs pixels.
struct LengthClass {
    enum Kind { Raw, Fits, Other } kind = Other;
    bool binned = false;      // the binned geometry goes with it
    bool oldPadding = false;  // a FITS size of the old padding rule
};
// FITS sizes win over raw sizes when a length matches both.
LengthClass ClassifyLength(int64_t length, int64_t sensorWidth, int64_t sensorHeight);

// The autosave number of a file title beginning with "IMG" (any case): the
// characters after it up to the first "." read as a decimal number. -1 when
// the title does not begin with "IMG".
int AutosaveNumberOfTitle(const std::string& title);

// Results of OpenImageFile besides the message codes it shows (11, 12, 13,
// 14, and 50 for a refused hot pixel map).
inline constexpr int kOpenedImage = 0;
inline constexpr int kOpenedHotPixelMap = 1;
// Loads a file by its length: a raw or FITS image into image buffer A (the
// binned geometry set as the length says), or a hot pixel map. Redraws after
// a load; a failure shows its message and leaves the image, the geometry and
// the FITS details as they were.
int OpenImageFile(const std::string& fileName);

// Writes image buffer A (W x H, 16-bit little-endian); messages 17 (cannot
// create) and 18 (short write). True when written.
bool SaveRawFile(const std::string& fileName);

// The TIFF header of an image: 13 directory entries, resolutions, strip
// offsets and byte counts (186 + 8 x strips bytes). The image is cut into
// `strips` strips of H / strips rows; when H is not a multiple, every strip
// holds ceil(H / strips) rows and the last one the remainder.
Bytes BuildTiffHeader(int width, int height, int strips, bool sixteenBit);
// The current image W x H as TIFF, in the model's read block count of strips.
// 0 = written, 1 = failed (the previous file is kept).
int SaveTiff(const std::string& fileName, const Pixel* image, bool sixteenBit);

// Loads the second operand of the dark, flat and merge commands into image
// buffer B. Returns 0, or 1 after showing message 11, 13, 14, 16 or 65.
int LoadSecondImage(const std::string& fileName);
