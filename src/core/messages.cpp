#include "core/messages.h"

#include <cstdio>

#include "platform/platform.h"

std::string MessageText(int code) {
    switch (code) {
        case 1: return "Warning!\nNo INI file found, a new one has been created, please check defaults.";
        case 2: return "Sorry, outside Image area - try again";
        case 3:
            return "Tessel Interface not found.\n\nPort set to default.\n\nIf you have a Tessel Camera make "
                   "sure all the cables are plugged in and it is switched on. ";
        case 4:
            return "Sorry. Guide star lost.\n\nStar may have moved more than 10 pixels, or has different "
                   "intensity to previous reading (+/-5%)";
        case 5: return "Sorry. Cannot find suitable guide star\n\nStar must be at least +/-5% of next brightest.";
        case 6: return "Unable to create file, check disk space";
        case 7: return "Failed to Open Darkframe Tessel File";
        case 8: return "Failed to create temp bitmap";
        case 9: return "Unable to create temp bitmap file header";
        case 10: return "Unable to create temp bitmap file";
        case 11: return "Failed to Open Tessel File";
        case 12: return "You didn't choose a valid Tessel or suitable FITs File";
        case 13: return "Unable to load FITS file";
        case 14:
        case 15: return "Unable to load FITS file, File was not saved by this program";
        case 16: return "Sorry, you didn't choose a Tessel File";
        case 17: return "Failed to Save Tessel File";
        case 18: return "Unable to create/overwrite Tessel File";
        case 19: return "Unable to create/overwrite Prism File";
        case 20:
        case 23:
        case 27: return "Unable to load INI file, please delete and try again";
        case 21:
        case 24:
        case 28: return "Unable to save INI file, please check disk space";
        case 22: return "Sorry, chosen Darkframe is not an Tessel File";
        case 25: return "Failed to Open Flatfield Tessel File";
        case 26: return "Sorry, chosen Flatfield is not a Tessel File";
        case 29: return "Unable to create file, check disk space";
        case 30:
            return "Sorry, Merging only available in standard Geometry. Ensure Image is not stretched to fit "
                   "window or in Prism geometry.";
        case 31: return "Sorry, you are already in Merging mode.";
        case 32: return "Cannot open bitmap file";
        case 33: return "Sorry. Cannot Pick Star in ths display mode";
        case 34: return "Sorry. No Connection to Telescope";
        case 35: return "Sorry, you cannot run Photometry, Row Plot and Merging at the same time";
        case 36:
            return "Sorry, Photometry only available in standard Geometry. Ensure Image is not stretched to "
                   "fit window or in Tessel geometry.";
        case 37:
            return "Sorry, you are already in Photometry mode. Click left Mouse button when on object you "
                   "wish to measure";
        case 38:
            return "Sorry, Row Plot only available in standard Geometry. Ensure Image is not stretched to fit "
                   "window or in Tessel geometry.";
        case 39: return "Cannot access bitmap resource";
        case 40:
            return "Sorry, you must first load an autosaved file to start the sequence, or there are no more "
                   "files";
        case 51: return "AutoGuiding Terminated";
        case 52: return "Sorry, Invalid directory";
        case 53: return "Sorry, you haven't picked a guide star. Go to Guider dialog and select a star to guide on";
        case 55: return "Sorry, No telescope to guide, or no camera found";
        case 59: return "Sorry, already guiding with external camera";
        case 65: return "Sorry, current image is binned but selected file is not";
        case 66: return "Got Here OK";
        case 67: return "Even Got Here OK";
        case 68: return "Sorry, there is no 4x4 or 3x3 unexpanded binned image to save";
        case 69: return "Find centre failed - outside image area";
        case 77: return "Part of the guiding file could not be read; the defaults are kept for it.";
        default: return "";
    }
}

int ShowMessage(int code, const std::string& text) {
    const std::string shown = code == 50 ? text.substr(0, 255) : MessageText(code);
    return Sys().messages->Show(kProgramCaption, shown, MessageIcon::None);
}

int CheckStatus(int value) {
    if (value >= 0) return value;
    char text[32];
    std::snprintf(text, sizeof text, "ERROR %d ", value);
    ShowMessage(50, text);
    return -1;
}
