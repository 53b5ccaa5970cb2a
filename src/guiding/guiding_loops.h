// The training and guiding loops: they take frames (guider camera or the
// main camera's 128 x 128 guiding frame), find the star, feed the state
// machines and correction functions, send pulses through a GuideOutput and
// report through a GuidingDisplay. Every wait goes through the platform
// clock and the loops pump events between frames, so the same code runs in
// the program and, on a simulated clock, in tests and velmora-cli.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "stars/centroid.h"
#include "guiding/guide_output.h"
#include "guiding/guiding_display.h"
#include "guiding/guiding_stats.h"

// What a loop reports to and sends through; all optional.
struct GuidingContext {
    GuidingDisplay* display = nullptr;   // null: shows nothing
    GuideOutput* output = nullptr;       // null: DefaultGuideOutput()
    GuidingLog* log = nullptr;           // null: no log
    GuidingStats* stats = nullptr;       // null: the loop keeps its own
    // Called after every guiding frame (the simulator's true offset is
    // sampled here by the command-line runs).
    std::function<void()> afterFrame;
    // Ends the loop when the clock reaches it (0: no limit).
    uint32_t endMs = 0;
    // Guiding mode letter ('T' mount, 'A' AO unit); 0: the setting.
    char mode = 0;
    // Set by StartGuiderGuiding once guiding got past its refusals.
    bool started = false;
    // Asked before every training step: true ends the training (Stopped),
    // the mount still (the guiding server's stop_capture).
    std::function<bool()> stopRequested;
    // A smooth calibration the fit marks suspect is adopted without asking
    // (the command line's --accept-suspect); otherwise the user is asked.
    bool acceptSuspect = false;
};

// How a loop ended.
enum class LoopEnd {
    Refused,       // could not start (its message shown)
    Done,          // training finished and stored / guiding reached endMs
    Stopped,       // "Stop Guiding" (main camera: a key or a mouse-button press)
    StarLost,      // a star search failed (message 69)
    Failed,        // a training whose star did not move (kTrainingFailedText shown)
    CameraFailed,  // a frame could not be read, or a pulse sent (the device stopped answering)
};

// Lets the program handle its pending events between guider frames. No key
// or mouse press ends guider guiding or the guider "Start" loop, so the
// presses are taken and dropped (the next loop must not see them); true when
// the main window asks every loop to stop (it is closing).
bool PumpGuiderEvents();

// Takes one guider frame into the first guider buffer with the dialog's
// exposure, dark and median choices; false when the read failed.
bool TakeGuiderFrame();

// Placing the guiding frame of the main camera around a picked star.
struct GuidingFramePlacement {
    int originX = 0, originY = 0;  // frame origin in the image
    int starX = 0, starY = 0;      // star inside the frame
    int xOffset = 0, yOffset = 0;
    int guideX = 0, guideY = 0;    // the position used for guiding
};
// f: the focus half size; imageWidth/Height: S per axis; k: 2 with the binned display.
GuidingFramePlacement PlaceGuidingFrame(int x, int y, int f, int imageWidth, int imageHeight, int k);
// The placement's message (code 50).
std::string PlacementMessage(const GuidingFramePlacement& p);

// Trainings. They store results and save the settings only when every step
// succeeded.
LoopEnd RunMainTraining(GuidingContext context, int32_t exposureMs);
LoopEnd RunGuiderTraining(GuidingContext context);
LoopEnd RunAoTraining(GuidingContext context);

// The smooth rule guides a run on the guider head or the main camera: the
// rule is chosen and the calibration in use was trained for it on that
// camera.
bool SmoothRuleApplies(bool onMain);
// The smooth calibration's summary line ("fit_rate_ra=... suspect=0|1").
std::string SmoothFitLine();

// Guider-camera guiding ("Start Guiding"): runs until the stop flag, "Stop
// Guiding" (Guider().guiding cleared) or endMs; a key or mouse press does not
// end it.
LoopEnd RunGuiderGuiding(GuidingContext context);
// Main-camera guiding ("Start Auto-Guiding") on 128 x 128 guiding frames.
LoopEnd RunMainGuiding(GuidingContext context, int32_t exposureMs);

// The pieces of guider guiding, for guiding inside a main-camera exposure
// ("Autoguide Photo"): start (reference and stabilising), one cycle, finish.
bool StartGuiderGuiding(GuidingContext& context);
// One cycle: take a frame, correct, report. False when guiding must end.
bool GuiderGuidingCycle(GuidingContext& context);
// Ends guiding; guiding that ran in mode 'A' leaves the AO unit recentred.
void FinishGuiderGuiding(GuidingContext& context);

// The main camera's guiding frame for a run without corrections (the
// command line's unguided run): placed on the picked star as guiding places
// it (the star's place in the frame returned), the star found in it from
// (x, y), the frames given back.
StarPosition PlaceMainGuidingFrame();
bool FindMainGuidingStar(int x, int y, StarPosition& out);
void EndMainGuidingFrames();

// The last guiding run's statistics (the loop's own when none was given).
GuidingRms LastGuidingRms();

// Connects the guiding hooks of the exposure sequence to these loops.
void InstallGuidingHooks();
