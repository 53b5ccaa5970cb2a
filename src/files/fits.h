// FITS files: the fixed 72-card writer, the positional readers of what this
// program wrote, the numbered quick save and the reset of the FITS details.
// File names are program paths ("c:\AUTOSAVE\IMG1.FIT") or host paths.
#pragma once
#include <cstdint>
#include <string>

#include "core/state.h"

inline constexpr size_t kFitsCardBytes = 80;
inline constexpr int kFitsHeaderCards = 72;
inline constexpr size_t kFitsHeaderBytes = 5760;  // two 2880-byte blocks
inline constexpr size_t kFitsBlockBytes = 2880;
// The longest text a single quoted card carries (the closing quote in column 80).
inline constexpr size_t kFitsCardTextMax = 68;

// Results of the readers.
inline constexpr int kFitsOk = 0;
inline constexpr int kFitsShortRead = 1;   // message 13
inline constexpr int kFitsForeign = 2;     // message 14

// Zero bytes written after D data bytes: 2880 - (D mod 2880), so a data size
// that is already a multiple of 2880 is followed by a whole block.
int64_t FitsFillBytes(int64_t dataBytes);

// The file lengths the reader accepts for a sensor of Ws x Hs pixels.
struct FitsSizes {
    int64_t fullExact, fullPadded, fullOldPadding;
    int64_t binnedExact, binnedPadded, binnedOldPadding;
};
FitsSizes FitsFileSizes(int64_t sensorWidth, int64_t sensorHeight);

// Fills the pixel size of the FITS details from the camera model: the model's
// pixel size, times 3 (binning mode 13), 4 (mode 14) or 2 (otherwise) while
// binned geometry is set.
void ComputeFitsPixelSize();
// The 5760 header bytes for an image of width x height from State().fits and
// the processing history.
std::string BuildFitsHeader(int width, int height, bool eightBit);

// Writes image (width x height) as FITS: 0 = written, 1 = the file could not
// be created or a write came short (the previous file is then kept). A date
// shorter than 10 characters is first filled from the system date; header
// texts are written as printable ASCII without quotes.
int SaveFitsImage(const std::string& fileName, const Pixel* image, int width, int height, bool eightBit);
// SaveFitsImage with the current geometry W x H.
int SaveFits(const std::string& fileName, const Pixel* image, bool eightBit);

// Reads a file of this program's layout in the current geometry: the header
// into the FITS details and processing history, the pixels into buffer.
// 0, 1 (short read) or 2 (not this program's layout). On 1 or 2 neither the
// buffer nor the details are changed.
int LoadFits(const std::string& fileName, Pixel* buffer);
// The same checks and decoding, but the header is only skipped: the details
// are left alone except the unsigned format flag.
int LoadFitsPixels(const std::string& fileName, Pixel* buffer);

// Defaults of the FITS details; origin, UT offset, the eight-bit option and
// the unsigned format flag are kept.
void ResetFitsDetails();

// A broken-down UT time.
struct UtTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// The clock reading (seconds since 1970) broken down as UT. This system's
// clock counts UT seconds whatever the local time zone, so the stamps need no
// offset: the UT offset of the settings (TZ=GMT<offset>, positive = west of
// Greenwich) describes a PC clock kept in local time, and converting such a
// clock by it gives back this same reading. One rule, whatever time zone the
// process has or had.
UtTime PcClockToUt(int64_t seconds);
// "YYYY-MM-DD" (year 2000 + two digits) and "HH:MM:SS".
std::string FitsDateText(const UtTime& t);
std::string FitsTimeText(const UtTime& t);
// A DATE-OBS value FITS accepts: a real calendar date "YYYY-MM-DD",
// optionally followed by "Thh:mm:ss" and a decimal fraction.
bool IsValidFitsDate(const std::string& date);
// Every save: a date that is short or not a valid FITS date (typed, or taken
// from a loaded file) becomes the system date "20YY-MM-DD" (the UT date of
// the clock).
void FillFitsDateFromSystem();

// The autosave counter after one step: 65530 or more gives 1.
uint16_t NextAutosaveCounter(uint16_t counter);
// autosave directory + "\IMG" + counter + ".FIT".
std::string QuickSaveFileName(uint16_t counter);
// The numbered save: mid-exposure UT date and time into the details (the
// clock's time when no exposure was stamped), SaveFits (16-bit) of image
// (current geometry) under the next number; only when that file is saved is
// the counter advanced and the settings saved. Returns the SaveFits result
// when non-zero, else the settings result.
int QuickSaveFits(const Pixel* image);
