// The exposure sequence of the main camera: connect, the dialog's "Take
// Photo", the timed exposure with its progress window, the read-out in every
// mode, calibration, auto-merging, continuous mode, autosave and history.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/readout.h"
#include "devices/camera_protocol.h"

// Connects when needed (discovery, filter wheel, firmware); shows "Sorry, No
// camera found on USB" and returns false when there is no camera. Resets the
// number of exposures to 1. afterSettingsLoad runs once the settings file has
// been read on the way to connecting.
bool ConnectCamera(const std::function<void()>& afterSettingsLoad = {});

struct SequenceOptions {
    // Continuous mode repeats the whole series until stopped (the program);
    // the command line stops after maxFrames frames.
    int maxFrames = 0;
    // No 2-second look at each continuous-mode frame (the command line).
    bool headless = false;
    // Told the program path of every autosaved file.
    std::function<void(const std::string&)> onSaved;
};

struct SequenceResult {
    int framesRead = 0;
    int filesSaved = 0;
    bool cancelled = false;       // a key or mouse-button press ended it early
    bool readFailed = false;      // the camera stopped answering
    bool starLost = false;        // auto-merging lost the star (message 4 or 5)
    std::vector<std::string> savedFiles;
};

// Runs the sequence with the settings of Cam() (the dialog closed with "Take
// Photo").
SequenceResult RunExposureSequence(const SequenceOptions& options = {});

// The steps of one exposure, shared by the sequence and the INDI driver.
// Start: ClearPixels 8, ClearPixels 0, Echo; model 5 closes its shutter for a
// host-timed exposure (triggered ones of 6001 ms or more included).
void BeginExposure(int model, int32_t exposureMs, bool trigger);
// Model 5 opens its shutter for the host wait (not for a dark frame) and
// closes it after the wait, with or without the trigger.
void OpenShutterForHostWait(int model, bool darkFrame);
void CloseShutterAfterHostWait(int model, bool trigger);
// Model 5 closes its shutter before a camera-timed read (E <= 1000 ms).
void CloseShutterForCameraTimedRead(int model, int32_t exposureMs);
// The camera-timed high-resolution read of model 5 carries 0x8003 when the
// dark-frame option is on.
bool DarkReadValue(int mode, int model, bool darkFrame);
// The frame-read parameters of a window for an exposure of E ms.
FrameRequest ExposureFrame(const ReadWindow& w, int32_t exposureMs);

// The read routine of an exposure mode: the request for E ms, the read, the
// assembly into image buffer A at the current geometry, the filter advance.
// False when the transfer failed (A then holds what arrived).
bool ReadModeFrame(int mode, int32_t exposureMs);

// What an assembly left in the geometry.
struct AssemblyInfo {
    int binningMode = 0;          // 13, 14 or 0
    int rawWidth = 0, rawHeight = 0;  // the unexpanded picture (modes 13, 14)
};
// Assembles a reply of `window` into image (width x height). scratch has room
// for the reply; rawBinned receives the unexpanded picture (may be null).
// model: the camera model (column-pair correction of model 1).
AssemblyInfo AssembleReadout(int mode, const uint8_t* bytes, const ReadWindow& window, Pixel* image, int width,
                             int height, Pixel* scratch, Pixel* rawBinned, bool unexpanded, int model);

// The exposure wait of a host-timed exposure (E >= 1001 ms): register clears,
// progress, guiding steps and the cancel rule. Exposed for tests.
struct ExposureWait {
    uint32_t startMs = 0;
    int32_t exposureMs = 0;
    int steps = 2;                // progress granularity S
    bool withProgress = true;     // units seconds and minutes
    bool guiding = false;
};
// Returns true when a key or mouse-button press arrived during the wait.
bool WaitForExposure(const ExposureWait& wait);

// The test series file.
inline constexpr const char* kTestDataPath = "c:\\testdata.csv";
