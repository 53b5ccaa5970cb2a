// An unguided run: the frames and star measurements of guiding without its
// corrections, for a chosen time, on the guider head or the main camera's
// guiding frame. `guide --unguided` and the guiding assistant both use it.
#pragma once
#include <cstdint>
#include <functional>

#include "stars/centroid.h"
#include "guiding/guide_assistant.h"
#include "guiding/guiding_loops.h"

struct UnguidedFrame {
    uint32_t timeMs = 0;
    StarPosition star;             // where the star was found (frame pixels)
    int16_t errorX = 0, errorY = 0;  // from the reference, thousandths of a pixel
};

struct UnguidedRunOptions {
    bool mainCamera = false;
    int32_t exposureMs = 1000;     // the main camera's exposure (the guider head's is the dialog's)
    uint32_t durationMs = 0;       // from the reference frame on
    bool* cancel = nullptr;        // set (by a Stop button) to end the run
    GuidingStats* stats = nullptr; // every measured frame, and a lost star, counted here
    std::function<void(const StarPosition& reference)> started;
    std::function<void(const UnguidedFrame& frame)> frame;
    std::function<void(double fraction)> progress;  // 0..1 of the duration
};

// Takes the reference frame (on the guider head after one frame to settle)
// at the selected or picked star, then frames until the duration is over,
// following the star with the search window so a drift of pixels stays
// measured. Pumps events between frames; ends early (Stopped) on the cancel
// flag, a loop stop or a pressed key of a main-camera frame. Refused: no
// reference star; StarLost / CameraFailed otherwise.
LoopEnd RunUnguided(const UnguidedRunOptions& options);

// The guiding assistant's measurement: an unguided run whose trace is read
// by AnalyseTrace, on the trained axes when the guider head has a trained
// calibration (else, and always on the main camera, camera x and y).
struct AssistantMeasurement {
    LoopEnd end = LoopEnd::Refused;
    bool onTrainedAxes = false;
    AssistantResult result;
};
AssistantMeasurement MeasureForAssistant(UnguidedRunOptions options);
