// The hot pixel map: pixels that read high without light, found in a dark
// frame with a threshold, kept in State().hotPixels, saved to and loaded from
// a small binary file, and repaired from their four neighbours.
#pragma once
#include <cstdint>
#include <string>

#include "core/state.h"
#include "platform/files.h"

inline constexpr char kHotPixelMagic[] = "QMonHotPixelMap";  // 15 bytes in the file
inline constexpr size_t kHotPixelMagicBytes = 15;
inline constexpr int kMinHotPixelThreshold = 5000;
inline constexpr int kMaxHotPixelThreshold = 65535;
// The search stops as soon as the list holds more than this many entries.
inline constexpr size_t kHotPixelSearchLimit = 99'000;
inline constexpr const char* kDefaultHotPixelMapName = "QMono_HPM";

// Rebuilds the list from image (W x H of the geometry) with the threshold of
// FileState(): rows from 5 (15 for a labelled image) to H - 5, columns 5 to
// W - 6. Too many pixels: message 50, a partial list and the loaded flag
// cleared (a map loaded before is gone from the list). Returns true after a
// full pass (the flag is then set).
bool FindHotPixels(const Pixel* image);
// p[i] = (p[i+1] + p[i-1] + p[i+W] + p[i-W]) / 4 for each listed index in
// order; indices whose neighbours fall outside the image are skipped.
void ApplyHotPixelMap(Pixel* image);
// The "Apply Hot Pixel Map" command: message when no map is loaded, else the
// undo copy, the repair of image buffer A and a redraw.
void ApplyHotPixelMapCommand();

// autosave directory + "\" + map name + ".HPM".
std::string HotPixelMapFileName();
// The file: magic, count (32-bit LE), the indices (32-bit LE).
Bytes EncodeHotPixelMap();
// Writes the map file; message 50 on failure. True when written.
bool SaveHotPixelMap();
// Loads a map from the bytes of a file opened by OpenImageFile. Files shorter
// than 20 bytes or without the magic give message 12; a count above 100,000,
// a file shorter than its count, or an index outside the current image give
// a message and keep the list. On success message 50 "Hot Pixel Map Loaded".
// Returns true when loaded.
bool LoadHotPixelMap(const uint8_t* data, size_t size);

// "Change" in the map dialog: the new name (at most 39 characters taken).
// Names with * / : ? \ give message 41 and keep the old name; an empty name
// gives "QMono_HPM". True when the name changed. The autosave counter is
// left alone: a new map name has nothing to do with the numbered FITS files.
bool ChangeHotPixelMapName(const std::string& text);

// The scroll bar of the map dialog.
enum class ThresholdScroll { LineUp, LineDown, PageUp, PageDown, Thumb };
// up = larger values. Line steps by 1 (up only below 65535, down only above
// 5000), page steps by 100 (up only below 65435, down only above 5100), the
// thumb sets the position (kept in range).
int ScrollThreshold(int threshold, ThresholdScroll action, int thumbPosition = 0);
