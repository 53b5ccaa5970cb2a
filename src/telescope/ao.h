// The AO unit's command set: tip-tilt steps ("G"), mount moves through the
// unit ("M") and centring ("K"), or, in AO relay mode, bit patterns on the
// camera's relay outputs. The commands are 7 characters: 'G' or 'M', a
// letter, five digits ("GN00001", "MN00100").
#pragma once
#include <cstdint>
#include <string>

// "G"/"M" + letter + "%.5d" (the number kept within 0..99999).
std::string AoText(char kind, char letter, int value);
// The AO letter of a direction: n 'N', s 'S', e 'T', w 'W'; 0 for others.
char AoLetter(char direction);
// The relay pattern of an AO step: the direction's bit cleared, the others
// set (e 0x07, n 0x0B, s 0x0D, w 0x0E); 0 for other letters.
uint8_t AoRelayPattern(char direction);

// The guider rates (pixels per second) that set the length of a mount bump:
// 400 / rate ms, halved with the half-rate setting.
struct AoBumpRates {
    int ra = 6;
    int dec = 6;
};
// The rates of the settings record (guider R.A. and Dec pixels per second).
AoBumpRates DefaultBumpRates();

// One AO correction of `steps` in `direction`. Relay mode: 10 ms, the
// pattern for `steps` ms, 0x0F, 300 ms. Serial mode: "G" + letter + steps,
// the AO counters follow, then a mount bump when a counter is beyond +-50
// and the last bump is more than 700 ms ago. False when the step's command
// or relay pattern did not go out.
bool AoStep(int steps, char direction, const AoBumpRates& rates);
inline bool AoStep(int steps, char direction) { return AoStep(steps, direction, DefaultBumpRates()); }
// A manual mount move through the AO unit: as AoStep but "M" + letter +
// steps and no bump.
void AoMountMove(int steps, char direction);
// Sends the AO back by its counters ("G" S/N of |y|, then "G" W/T of |x|,
// 300 ms after each), which then become 0; relay mode writes 0.
void AoRecentre();
// "Centralise AO": relay mode 0x0F, 100 ms, 0; serial mode "K". Both
// counters become 0.
void CentreAo();
