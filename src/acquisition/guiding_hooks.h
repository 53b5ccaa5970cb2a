// Where guiding joins the exposure sequence. The guiding code fills these in;
// unset hooks mean "no guiding": an autoguided exposure then runs unguided.
#pragma once
#include <cstdint>
#include <functional>

struct ExposureGuidingHooks {
    // True while the guider camera's guiding loop runs (the camera dialog
    // refuses its guiding actions with message 59).
    std::function<bool()> guidingActive;
    // True when a guide star has been picked in the guider camera's frame.
    std::function<bool()> guideStarPicked;
    // Opens the guiding window and starts guiding for a host-timed exposure;
    // false when guiding cannot start (no read follows then).
    std::function<bool()> startGuiding;
    // One guiding step inside the exposure wait; it may move the end of the
    // exposure to now by setting endMs.
    std::function<void(uint32_t& endMs)> guidingStep;
    // Closes the guiding window after an exposure; aoStep: run the AO step
    // routine once (AO guide method).
    std::function<void(bool aoStep)> stopGuiding;
    // Guiding on the main camera's own images: active flag and the
    // correction step run on each finished image.
    std::function<bool()> mainImageGuidingActive;
    std::function<void()> mainImageCorrection;
    // At the end of a sequence the guide-star positions found become the new
    // guide references.
    std::function<void()> adoptGuideReferences;
    // Connecting for the camera interface resets the guide error sums.
    std::function<void()> resetGuideErrorSums;
    // The camera control dialog closed (the AO unit is recentred in
    // guiding mode 'A').
    std::function<void()> cameraDialogClosed;
    // "Go to Autoguider " / "Autoguide Photo" asked for the guider command
    // (27) after the dialog.
    std::function<void()> openAutoguider;
};

ExposureGuidingHooks& GuidingHooks();
