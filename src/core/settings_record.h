// The settings record: every value the settings file stores, in file order.
// Field numbers are the places in the file.
#pragma once
#include <array>
#include <cstdint>
#include <string>

struct Settings {
    int16_t autosaveCounter = 0;          // 1
    int16_t utOffsetHours = 0;            // 2
    char telescopeComPort = '1';          // 3: '1' Com1, '2' Com2 ('3' in memory: PC port)
    int16_t reserved4 = 0;                // 4
    int16_t guideStarMaskRadius = 8;      // 5: 7, 8, 9, 11, 13 or 15
    int16_t reserved6 = 1;                // 6
    char windowBackground = 'l';          // 7: 'l' light grey, 'g' grey, 'r' red
    bool focusDelay = false;              // 8: 1 sec delay when focussing
    int16_t raPixelsPerSecond = 2;        // 9  (main camera)
    int16_t decPixelsPerSecond = 2;       // 10
    int16_t raBacklash = 0;               // 11
    int16_t decBacklash = 0;              // 12
    bool ignoreDriftBelowHysteresis = true;  // 13
    char driveMethod = 'n';               // 14: 'n' none, 'l' LX200, 'a' Autostar, 'b' autoguider socket
    bool cameraOption15 = true;           // 15: read by the exposure sequencing
    int16_t raHysteresis = 0;             // 16
    int16_t decHysteresis = 0;            // 17
    std::array<char, 4> guideLetters{'n', 's', 'e', 'w'};  // 18: +y, -y, +x, -x
    bool autoWeakStretch = false;         // 19
    bool autoStrongStretch = false;       // 20
    bool autoUserStretch = false;         // 21
    int16_t autoUserStretchValue = 4;     // 22
    bool autoHighPassLowPower = false;    // 23
    bool autoUnsharpMask = false;         // 24
    int16_t autoUnsharpDiameter = 3;      // 25
    int16_t autoUnsharpPower = 1;         // 26
    bool autoRemoveBackground = false;    // 27
    char reserved28 = 'n';                // 28: kept as read ('y' or 'n')
    // 29-44: the FITS description lives in FitsDetails (files/fits_details.h).
    bool unsignedFormat = true;           // 45 (cleared after every load)
    bool showInterfaceDetails = true;     // 46
    std::string autosaveDirText;          // 47: as typed, up to 99 characters
    int16_t guiderRaPixelsPerSecond = 6;  // 48
    int16_t guiderDecPixelsPerSecond = 6; // 49
    int16_t guiderRaBacklash = 0;         // 50
    int16_t guiderDecBacklash = 0;        // 51
    int16_t guiderRaHysteresis = 0;       // 52
    int16_t guiderDecHysteresis = 0;      // 53
    bool ignoreBacklash = true;           // 54
    bool filterWheelPresent = false;      // 55
    float guiderAngle = 0;                // 56: stored truncated to a 16-bit integer
    bool guiderOption57 = true;           // 57
    int16_t filterCount = 7;              // 58: 1..8
    std::array<std::string, 8> filterNames{"Blank", "Filter 2", "Filter 3", "Filter 4",
                                           "Filter 5", "Filter 6", "Filter 7", "Filter 8"};  // 59
    bool suppressFileSavingWarning = false;  // 60
    bool doNotExpandBinned = false;       // 61
    bool ignoreCameraVidPid = false;      // 62
    bool autoAdvance = false;             // 63
    std::array<int16_t, 4> guiderCalibration{6, 6, 6, 6};  // 64-67
    bool aoOption = false;                // 68
    int16_t aoPort = 0;                   // 69: above 2 = PC route
    char guidingMode = 'T';               // 70: 'T' mount, 'A' AO unit
    std::array<char, 4> aoLetters{'n', 's', 'e', 'w'};     // 71-74: +y, non-positive y, non-positive x, +x
    bool aoAvailable = false;             // 75
    bool aoHalfRate = true;               // 76
    int16_t pcComPort = 0;                // 77: zero-based
    std::array<char, 4> bumpLetters{'N', 'S', 'T', 'W'};   // 78-81
    bool guiderOption82 = false;          // 82: cleared for the other guider type
    bool guiderOption83 = false;          // 83
    int16_t guiderAutosaveCounter = 0;    // 84
    bool usePcPortForGuiding = false;     // 85
    bool noNorthCorrections = false;      // 86
    bool noSouthCorrections = false;      // 87
    int16_t smallestCorrection = 1000;    // 88: thousandths of a pixel
    bool tiff16 = false;                  // 89
    int16_t manualModel = 4;              // 90
    std::string configuredPid = "0126";   // 91: 4 characters
    bool helpBarAtTop = true;             // 92
    char guiderType = 's';                // 93: 's' standard, other: the 376-wide guider
    bool useUsbFilterWheel = false;       // 94
    bool maximumCooling = false;          // 95
    bool flushBeforeExposure = false;     // 96
};

// The settings file path.
inline constexpr const char* kSettingsPath = "c:\\autosave\\Velmora.ini";
// The autosave folder used when field 47 is empty.
inline constexpr const char* kDefaultAutosaveDir = "c:\\AUTOSAVE";
