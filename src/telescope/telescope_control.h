// The rules behind the telescope control dialogs (and `velmora-cli scope`):
// the first-use steps, the choice of catalogue object, the co-ordinate check,
// the planets, and the dialogs' texts.
#pragma once
#include <string>

inline constexpr const char* kControlCaption = "Velmora - Control Telescope";
inline constexpr const char* kAutostarControlCaption = "Velmora_Fir - Control Telescope";
inline constexpr const char* kObjectOutOfRange = "Object out of range - try again";
inline constexpr const char* kInvalidCoordinates =
    "Invalid Co-ordinates set.\n\nRange is R.A. 0hr 00min, to 23hr 59mins\n        Dec  -89deg 00min, to +89deg 59mins";
inline constexpr const char* kControlHelp =
    "Enter a Messier or CNGC number and press the GoTo Object button.\n\nIf you enter both numbers the Messier will "
    "be favoured. To use CGNC numbers ensure the Messier number is 0";
inline constexpr const char* kCameraNotFound = "Sorry, Camera not found";

// The steps before the first telescope dialog (or command) of a run: the
// settings file is created if it is missing (message 1), the camera is
// looked for if none is connected ("Sorry, Camera not found" and false), the
// telescope link is prepared and the camera's status is read once.
bool PrepareTelescopeControl();
// Forgets that the steps ran (tests).
void ResetTelescopeControl();

// "GoTo Object": Messier 1..110 wins, else NGC 1..7815; false when neither
// is in range. `catalogue` 'm' or 'c'.
bool ChooseObject(int messier, int ngc, char& catalogue, int& number);
// "Go To ": 0 <= h < 24, 0 <= m < 60, -89 <= d < 90, 0 <= dm < 60.
bool ValidCoordinates(int hours, int minutes, int degrees, int decMinutes);
// The star-catalogue number of a planet button: Mercury 901, Venus 902, Mars
// 904 ... Pluto 909; 0 for other names (case ignored).
int PlanetNumber(const std::string& name);
inline constexpr const char* kPlanetNames[] = {"Mercury", "Venus",  "Mars",    "Jupiter",
                                               "Saturn",  "Uranus", "Neptune", "Pluto"};

// What the dialogs keep between openings: the selected slew-rate and focus
// speed commands and the moving / focusing flags that keep a held arrow from
// resending.
struct TelescopeControlState {
    std::string rate = "#:RS#";
    std::string focusSpeed = "#:FF#";
    bool moving = false;
    bool focusing = false;
};
TelescopeControlState& TelescopeControl();

// A manual move by guide letter, once until it is stopped: with the guide
// socket ('b') the letter's relay (no time limit), with every other drive
// method the selected slew rate and the move command. The stop releases the
// relays or sends the four quit commands once. The move and its stop are
// one user action on the link (TelescopeAction).
void StartManualMove(char letter);
void StopManualMove();
// The scroll-bar arrows of the LX200 and Autostar dialogs. A compass
// direction ('w' left, 'e' right, 'n' up, 's' down) starts the manual move
// of the matching guide letter (so the swap settings apply); the release
// stops it.
void ArrowPressed(char compass);
void ArrowReleased();
// The "Focus" arrows: up = in ("#:F+#"), down = out ("#:F-#").
void FocusArrowPressed(bool in);
void FocusArrowReleased();
// The guide-socket dialog: a relay move of the matching guide letter, no
// time limit; the release writes 0.
void RelayArrowPressed(char compass);
void RelayArrowReleased();
// The guide letter of a compass direction (West = the -x letter, East +x,
// North +y, South -y).
char GuideLetterFor(char compass);

// The rate command of a radio button letter of the rate command's fourth
// character ('S' Slew, 'M' Find, 'C' Centre, others Guide) and back.
const char* RateCommand(char letter);
