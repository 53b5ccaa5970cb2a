// The FITS description of the current image: header texts and numbers shared
// by the FITS writer and reader, the settings file and the FITS details dialog.
#pragma once
#include <cstdint>
#include <string>

struct FitsDetails {
    std::string object;
    std::string observer;
    std::string date;         // YYYY-MM-DD
    std::string time;         // HH:MM:SS
    std::string origin;
    std::string telescope;
    std::string instrument = "Korvane CCD";
    std::string comment;      // up to 254 characters, 4 cards of 68
    std::string history;      // up to 254 characters, 4 cards of 68
    double focalLength = 0;   // inches
    double aperture = 0;      // square inches
    double exposure = 0;      // seconds
    std::string filter = "None";
    double pixelWidthMm = 0;
    double pixelHeightMm = 0;
    bool eightBit = false;
    // Whole seconds since 1970 at the start and end of the exposure.
    int64_t exposureStart = 0;
    int64_t exposureEnd = 0;
};
