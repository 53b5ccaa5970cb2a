// What the controls of the "Set Program Defaults" dialog do to the settings.
#pragma once
#include <array>
#include <string>

#include "core/settings_record.h"

// Guide star mask radii of the radio buttons 17131..17136.
inline constexpr std::array<int, 6> kMaskRadii{7, 8, 9, 11, 13, 15};
// Smallest guide corrections of 17171..17174, thousandths of a pixel.
inline constexpr std::array<int, 4> kSmallestCorrections{1000, 800, 500, 200};
// Training times of 17106..17109 and 17148..17151, seconds.
inline constexpr std::array<int, 4> kTrainingSeconds{1, 2, 4, 8};

// "Com1" '1', "Com2" '2', "Use PC Port" '3' (which also sets the PC-port
// guiding flag).
void SelectTelescopePort(Settings& s, char port);

// "Swap n/s direction": checked when the first guide letter is 's'.
bool NorthSouthSwapped(const Settings& s);
void ToggleNorthSouth(Settings& s);
// "Swap e/w direction": checked when the third guide letter is 'w'.
bool EastWestSwapped(const Settings& s);
void ToggleEastWest(Settings& s);

// Hysteresis values above 20 become 20.
int LimitHysteresis(int value);
// R.A. backlash (main camera and guider) is kept to 0..30, the range the
// settings file reads back; a larger value would stop the next load there.
int LimitRaBacklash(int value);

// The twelve numbers of "Set slew values", in the order main camera RA/Dec
// pixels per second, RA/Dec backlash, RA/Dec hysteresis, then the same six for
// the guider.
using SlewValues = std::array<int, 12>;
void ApplySlewValues(Settings& s, const SlewValues& values);
SlewValues CurrentSlewValues(const Settings& s);

// "Set Filter Details": a count of 0 or less or above 8 becomes 7; each name is
// cut to 8 characters.
void ApplyFilterDetails(Settings& s, int count, const std::array<std::string, 8>& names);

// The PC COM port edit shows the zero-based port + 1; a shown value of 1..7 is
// stored as value - 1, anything else is ignored.
void ApplyShownPcComPort(Settings& s, int shown);

// A camera model picked by hand: model code and its manual PID.
void SelectManualModel(Settings& s, int modelCode);

// "AO Unit Available": switching it on also selects guiding with the AO unit.
void SetAoAvailable(Settings& s, bool on);

// The other guider type clears guider option 82.
void SelectGuiderType(Settings& s, char type);

// "Set AutoSave Dir": the typed text (up to 78 characters) must name a folder
// that exists or can be created; on success it becomes the stored text and the
// effective autosave folder, else message 52 and nothing changes. Only the
// drive c: exists here; a text without a drive is relative to the current
// folder.
bool ApplyAutosaveDirectory(Settings& s, const std::string& typed);
