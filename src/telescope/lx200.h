// The LX200 / Autostar command set and the guide pulses. Every text command
// goes out with SendSerialCommand on the telescope port index; the lengths
// are the bytes sent. Every wait is on the platform clock.
#pragma once
#include <cstdint>
#include <string>

#include "core/settings_record.h"

// Slew-rate and focus-speed commands.
inline constexpr const char* kRateSlew = "#:RS#";
inline constexpr const char* kRateFind = "#:RM#";
inline constexpr const char* kRateCentre = "#:RC#";
inline constexpr const char* kRateGuide = "#:RG#";
inline constexpr const char* kFocusFast = "#:FF#";
inline constexpr const char* kFocusSlow = "#:FS#";
inline constexpr const char* kFocusIn = "#:F+#";
inline constexpr const char* kFocusOut = "#:F-#";
inline constexpr const char* kFocusQuit = "#:FQ#";
inline constexpr const char* kObjectInfo = "#:LI#";
inline constexpr const char* kSlewToObject = "#:MS#";
inline constexpr const char* kGetRa = "#:GR#";
inline constexpr const char* kGetDec = "#:GD#";

// The guide direction letters (field 18 holds them as +y, -y, +x, -x). The
// swap settings exchange the +x/-x or +y/-y letters.
char PlusXLetter(const Settings& s);   // positive x error, East unless swapped
char MinusXLetter(const Settings& s);  // negative x error, West unless swapped
char PlusYLetter(const Settings& s);   // positive y error, North unless swapped
char MinusYLetter(const Settings& s);  // negative y error, South unless swapped

// "#:M" + d + "#" and "#:Q" + d + "#".
std::string MoveCommand(char direction);
std::string QuitCommand(char direction);

// Slews: the rate command, then the move command (5 bytes each).
void StartMove(const std::string& rateCommand, const std::string& moveCommand);
// "#:Qn#", "#:Qs#", "#:Qe#", "#:Qw#" in this order.
void StopMove();
// The focus speed, then "#:F+#" or "#:F-#".
void StartFocus(const std::string& speedCommand, const std::string& focusCommand);
void StopFocus();

// Catalogue letters: 'm' Messier ("#:LM "), 's' star ("#:LS "), 'c' NGC
// ("#:LC ").
std::string CatalogueCommand(char catalogue, int number);  // 10 bytes
// Go to a catalogue object: the catalogue command, object info, a beep,
// "#:MS#", 500 ms, the slew answer. Returns the slew answer.
std::string GotoCatalogue(char catalogue, int number);
// Clears the scope info, "#:LI#", 200 ms, a 33-byte reply into the scope
// info text.
std::string GetObjectInfo();

// The co-ordinate texts, sent without their closing '#' (12 and 11 bytes):
// "#:Sr HH:MM.0" and "#:Sd sDD*MM".
std::string SetRaText(int hours, int minutes);
std::string SetDecText(int degrees, int minutes);
// Go to co-ordinates: the two texts, "#:LI#", 200 ms later their answers
// (the acknowledgements and the object info), a beep, "#:MS#", 1 ms, the
// slew answer. Returns the slew answer.
std::string GotoCoordinates(int hours, int minutes, int degrees, int decMinutes);

// "#:GR#" and "#:GD#" with their answers (for Autostar each answer is read a
// second time after 10 ms) into the R.A. and Dec texts.
void ReadPosition(bool autostar);

// A guide pulse of the current direction and pulse length (TelescopeLink()):
// "#:RG#", 20 ms after the start the move, the pulse length later the quit,
// then 4 ms. With drive method 'b' the relay pulse instead. A direction
// outside e/w/n/s sends nothing but still waits the tail. False when a
// command did not go out (every running motion was then stopped).
bool PulseGuideSerial();
// The relay pulse: 10 ms after the start the direction's relay bit, the
// pulse length later 0, then 300 ms. False when the camera did not take a
// relay write.
bool PulseGuideRelay();
// Two relay pulses at once (an R.A. and a Dec direction): 10 ms after the
// start both relays close, each opens when its length is up, then 300 ms.
// A zero length or a letter outside e/w/n/s leaves that relay open. Every
// path ends with the relays open; false as above.
bool PulseGuideRelays(char first, uint32_t firstMs, char second, uint32_t secondMs);
// Manual relay moves: 1 ms, then the direction's bit (no time limit); stop
// writes 0.
void StartRelayMove(char direction);
void StopRelayMove();
