// The camera control settings of the main camera (set by the camera control
// dialog and read by the exposure sequence) and the acquisition session state.
// Both are process-wide and live until exit.
#pragma once
#include <cstdint>
#include <string>

// Exposure modes.
inline constexpr int kModeHighRes = 1;
inline constexpr int kModeBin2 = 2;
inline constexpr int kModeBin3 = 3;
inline constexpr int kModeBin4 = 4;
inline constexpr int kModeSubFrame = 5;
inline constexpr int kModeBin8 = 8;
inline constexpr int kModeBin8x16 = 16;

struct CameraSettings {
    char exposureUnit = 's';        // 'q' thousandths, 'h', 't', 's', 'm'
    int exposureValue = 1;          // scroll value of the dialog
    int exposureMaximum = 300;      // scroll maximum of the unit
    int exposureMode = kModeHighRes;
    int exposureCount = 1;          // "No of Exposures", 1..999
    bool continuous = false;
    bool averaging = false;         // "Average Multiple Exposures"
    bool delayBefore = false;       // 10-second count-down
    int delayBetween = 0;           // 0..20
    char delayUnit = 's';           // 's' seconds, 'm' minutes
    bool autoSave = false;
    bool autoDark = false;
    bool autoFlat = false;
    bool autoProcess = false;
    bool autochange = false;
    bool altSlew = false;           // "Alternative Slew Method"
    int stretch = 25;               // focus display stretch, 1..50
    bool binFocusFrame = false;
    int coolerSetPoint = 0;         // degrees C, -40..35
    bool coolerOn = false;
    bool darkFrame = false;         // model 5 only: keep the shutter closed
    bool trigger = false;           // "Wait for External Trigger"
    bool autoguidePhoto = false;    // guide while exposing
    bool testSeries = false;        // linearity series
    bool keepHistory = false;       // keep the processing history across exposures
    // Focus loop readings.
    int maxValue = 0;
    int fwhm = 0;
};

struct AcqSession {
    double exposureSecondsTotal = 0;  // for the image header
    bool focusing = false;            // focus loop running (display uses 128 x 128)
    bool monitoring = false;
    bool stopFocus = false;           // "Stop" pressed
    bool needRedraw = false;          // the dialog changed the display
    bool autoguiderRequested = false; // "Go to Autoguider " / autoguide photo
    int coolerTemperature = 0;        // last reading, degrees C
    bool coolerReadingValid = false;
};

CameraSettings& Cam();
AcqSession& Session();
// Back to the start-up values (tests).
void ResetAcquisition();

// Exposure unit factor in milliseconds: q 1, h 10, t 100, s 1000, m 60000; any
// other unit counts as 1000.
int32_t UnitFactorMs(char unit);
// E = unit factor x value.
int32_t ExposureMs(char unit, int value);
int32_t CurrentExposureMs();
// Picking a unit sets the scroll maximum and the value: q 500/5, h 500/5,
// t 100/5, s 300/1, m 90/1.
void PickExposureUnit(CameraSettings& cam, char unit);
int UnitMaximum(char unit);
// The camera's longest exposure (90 minutes), and the largest value that can
// be typed for it in a unit.
inline constexpr int32_t kLongestExposureMs = 90 * 60000;
int TypedExposureMaximum(char unit);
// The minimum of the exposure arrows (a program setting).
int ExposureMinimum();
