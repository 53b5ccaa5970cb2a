// GuidingDisplay: how the training and guiding loops report to whatever shows
// them. The loops are plain C++ and never touch a window; they call these
// methods between frames. The guider dialog and the guiding windows implement
// it in Qt (captions, the "Guiding Info" and "AutoGuider Camera Guiding"
// fields, the ±5 px plot, the RMS readout, the scrolling error graph); the
// command-line twin implements it as a no-op or a log. Every method has an
// empty default, so an implementation overrides only what it shows.
//
// Units: positions in pixels of the frame being guided on (guider pixels, or
// image pixels for the main camera); errors in signed thousandths of a pixel
// as the loop measured them (reference - measured); pulses in milliseconds;
// RMS figures in pixels.
#pragma once
#include <cstdint>
#include <string>

// Running RMS of the guiding errors, per axis and total (sqrt(ra² + dec²)),
// over the last 100 frames and over the whole run. R.A. is the camera's x
// error and Dec its y error (the axes the corrections act on).
struct GuidingRms {
    double ra100 = 0, dec100 = 0, total100 = 0;
    double raRun = 0, decRun = 0, totalRun = 0;
    int frames100 = 0;  // frames in the short window (up to 100)
    int framesRun = 0;  // frames with a measured star, ignored ones included
    int ignored = 0;    // of those, frames whose error was out of range (nothing corrected)
    int lost = 0;       // frames whose star was not found
};

// One guiding frame as the windows show it.
struct GuidingFrameReport {
    uint32_t timeMs = 0;         // platform clock at the measurement
    double starX = 0, starY = 0; // star position + tenths x 0.1
    int16_t errorX = 0, errorY = 0;  // thousandths of a pixel
    int16_t pulseX = 0, pulseY = 0;  // ms of the shown pulse ("%5d"); AO: steps
    char directionX = ' ', directionY = ' ';  // letter of the pulse sent, ' ' when none
    int16_t aoX = 0, aoY = 0;    // AO x / y counters
    std::string bumpLetter;      // the last mount bump letter, empty when older than 2000 ms
    bool measured = true;        // false: the frame was ignored (error out of range)
};

class GuidingDisplay {
public:
    virtual ~GuidingDisplay() = default;
    // Caption of the guiding window ("Guiding Info - Creating Guiding Frame",
    // "Guiding Info - stabilising", "Guiding Info") or of the guider dialog
    // during a training ("Auto Guider Camera Control - Training / ...").
    virtual void Caption(const std::string& text) {}
    // The reference position the loop guides on.
    virtual void Reference(double x, double y) {}
    // A new guider or guiding frame is in the buffer (the window may redraw
    // the picture).
    virtual void FrameTaken() {}
    // A star position measured during a training step.
    virtual void TrainingPosition(int step, double x, double y) {}
    // One guiding frame: fields, plot and graph point.
    virtual void Frame(const GuidingFrameReport& report) {}
    // The running statistics after the frame.
    virtual void Rms(const GuidingRms& rms) {}
    // The loop ended (the window may close or stay with the last numbers).
    virtual void Finished() {}
};

// A display that shows nothing (the default when none is given).
GuidingDisplay& NullGuidingDisplay();
