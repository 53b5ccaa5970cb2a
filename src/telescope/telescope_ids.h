// Control ids of the telescope dialogs: the LX200 dialog (template 18), the
// Autostar dialog (template 26) and the guide-socket dialog (template 19).
#pragma once

namespace scope {

inline constexpr int kIdHelp = 9;
inline constexpr int kIdFinished = 2;

// The LX200 and Autostar dialogs share their layout; each id pair is
// {LX200, Autostar}.
struct ScopeIds {
    int messier, ngc, gotoObject, gotoCoordinates;
    int raHours, raMinutes, decDegrees, decMinutes;
    int rateSlew, rateFind, rateCentre, rateGuide;
    int focusFast, focusSlow;
    int horizontal, vertical, focus;
    int scopeInfo, slewAnswer;
    int ra, dec;  // Autostar only (0: none)
};
inline constexpr ScopeIds kLx200Ids{101, 102, 103, 116, 112, 113, 114, 115, 120, 121, 122, 123,
                                    125, 126, 118, 119, 124, 117, 217, 0,   0};
inline constexpr ScopeIds kAutostarIds{2601, 2602, 2603, 2604, 2612, 2613, 2614, 2615, 2605, 2606, 2607,
                                       2608, 2609, 2610, 2618, 2619, 2624, 2617, 2629, 2627, 2628};
// The planet buttons of the LX200 dialog, Mercury .. Pluto.
inline constexpr int kIdFirstPlanet = 104;

// The guide-socket dialog.
inline constexpr int kIdRelayHorizontal = 101;
inline constexpr int kIdRelayVertical = 102;

}  // namespace scope
