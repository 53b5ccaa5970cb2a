// The display's own numbers: the tool-bar bitmaps that show a toggle's state
// and the controls of the "Stretch Display" dialog. The View menu and tool-bar
// command numbers themselves are in app/command_ids.h (namespace cmd).
#pragma once

namespace display_cmd {

// Tool-bar bitmaps that show the state of a toggle.
inline constexpr int kBinnedOffBitmap = 1904;
inline constexpr int kBinnedOnBitmap = 1905;
inline constexpr int kStretchOffBitmap = 1002;  // button sends 1901
inline constexpr int kStretchOnBitmap = 1003;   // button sends 1902
inline constexpr int kMaxPaletteStretchBitmap = 1908;

// "Stretch Display" dialog (template 21).
inline constexpr int kStretchDialogTemplate = 21;
inline constexpr int kStretchActivate = 21002;
inline constexpr int kStretchBlackScroll = 21003;
inline constexpr int kStretchBlackEdit = 21004;
inline constexpr int kStretchPowerScroll = 21005;
inline constexpr int kStretchPowerEdit = 21006;

}  // namespace display_cmd
