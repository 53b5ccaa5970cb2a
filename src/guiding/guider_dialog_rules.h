// The rules of the "Auto Guider Camera Control" dialog (TGCamDialog) that do
// not need a window: the exposure range and its arrows, the stretch bar, the
// dark frame, the guider bitmap and its numbered autosave copies, the star
// pick, the calibration buttons and the texts of the dialog's fields.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "guiding/guider_state.h"
#include "core/settings_record.h"

using Pixel = uint16_t;

// Control ids of the dialog (template 24).
namespace gcam {
inline constexpr int kHundredths = 811, kTenths = 812, kSeconds = 813;
inline constexpr int kExposureArrows = 810, kExposureValue = 814;
inline constexpr int kStretchBar = 815, kStretchValue = 816;
inline constexpr int kCursorX = 818, kCursorY = 819, kStarX = 820, kStarY = 821;
inline constexpr int kSelectGuideStar = 822, kStart = 823, kStop = 824;
inline constexpr int kPause = 826, kPixelValue = 827, kTrain = 828;
inline constexpr int kUsingText = 832, kUseDefault = 833;
inline constexpr int kDefaultRaRate = 861, kDefaultDecRate = 862, kDefaultRaBacklash = 863,
                     kDefaultDecBacklash = 864, kDefaultAngle = 865;
inline constexpr int kLatestRaRate = 866, kLatestDecRate = 867, kLatestRaBacklash = 868,
                     kLatestDecBacklash = 869, kTheta = 870;
inline constexpr int kChangeDefaults = 871, kSaveLatest = 872, kIgnoreBacklash = 873;
inline constexpr int kGoToMainCamera = 874, kSwapNorthSouth = 875, kSwapEastWest = 876;
inline constexpr int kStartGuiding = 878, kIgnoreRaAngle = 885;
inline constexpr int kMoveUpDown = 911, kMoveLeftRight = 912, kDarkText = 913;
inline constexpr int kApplyDark = 914, kTakeDark = 915, kMedian = 916, kStretchImages = 917;
inline constexpr int kAoRaGain = 925, kAoDecGain = 926;
inline constexpr int kAoSwapUpDown = 931, kAoSwapLeftRight = 932, kAoChangeDefaults = 933,
                     kAoSaveLatest = 934, kAoTrain = 935, kAoMode = 936, kAoUseDefault = 937,
                     kAoUsingText = 938, kGuidingMode = 939, kGuidingModeText = 940,
                     kCentraliseAo = 941, kAoModeText = 942;
inline constexpr int kAoPortSer1 = 943, kAoPortSer2 = 944, kAoPortPc = 945;
inline constexpr int kSwapMountNorthSouth = 946, kSwapMountEastWest = 947;
inline constexpr int kBin2x2 = 2439, kClearCamera = 2440, kAutosaveBmp = 2441;
inline constexpr int kAutosaveDir = 2442, kAutosaveNumber = 2443;
inline constexpr int kHelp = 9, kClose = 2;
// The calibration kept across nights: its age, "Clear Calibration", the focal length.
inline constexpr int kCalibrationAge = 3001, kClearCalibration = 3002, kFocalLength = 3003;
}  // namespace gcam

inline constexpr const char* kGuiderDialogCaption = "Auto Guider Camera Control";
inline constexpr const char* kGuiderHelpCaption = "Velmora_USB - Control Tessel Guider Camera";
extern const char* const kGuiderHelpText;
inline constexpr const char* kExviewBinRefusal = "Sorry, you cannot bin Exview guider";
inline constexpr const char* kGuiderAutosaveFailure =
    "Failed to Autosave Guider file, check disk space and directory name";

// The dialog's own run-time state (not in the settings file). The exposure
// choices, the dark frame flags, the selected star, the training flag and
// the trained sets live in the autoguider's record (Guider()), shared with
// the training and guiding loops; the dark frame itself is guider buffer B.
struct GuiderDialogState {
    int stretch = 5;           // display stretch 5..50
    bool pickArmed = false;
    std::string darkText;      // "%2d" + " hundredth " / " tenth " / " second "
    bool stretchImages = false;  // "Apply Stretch to Guider Images"
    bool pause = false;        // "1 Sec Pause"
    bool autosaveBmp = false;  // "Autosave Images as BMP"
    bool clearCamera = false;  // "Clear camera"
    bool exposing = false;     // the Start loop runs
    bool stopRequested = false;
    int cursorX = 0, cursorY = 0, cursorValue = 0;  // 818, 819, 827
    int black = 0;             // most frequent high byte of the last frame (display black)
    std::vector<std::pair<int, int>> trainingMarks;  // star positions of the last training
};
GuiderDialogState& GuiderDialog();
void ResetGuiderDialog();

// "Hundredths" / "Tenths" / "Seconds": maximum 500 / 100 / 10, value 5 / 5 / 1.
// The minimum is 1.
void SetExposureRange(GuiderExposure& e, char range);
int ExposureMaximum(char range);
inline constexpr int kExposureMinimum = 1;
// Scroll bar 810: line-up lowers the value by 1 (not below the minimum),
// line-down raises it by 1 (not above the maximum). Other actions do nothing.
enum class GuiderScroll { LineUp, LineDown, PageUp, PageDown, Thumb, EndScroll };
void ScrollExposure(GuiderExposure& e, GuiderScroll action);
// Scroll bar 815: line -1, line +1, page-up 5, page-down 50, thumb the
// position; the value stays within 5..50.
void ScrollStretch(GuiderDialogState& d, GuiderScroll action, int thumb = 0);
inline constexpr int kStretchMinimum = 5, kStretchMaximum = 50;

// The dark frame's exposure text: "%2d" of the value + " hundredth ",
// " tenth " or " second ".
std::string DarkExposureText(char range, int value);
// Field 913.
std::string DarkFrameText(const GuiderExposure& e, const std::string& darkText);
// "Apply DarkFrame": toggles applying only when a dark was taken.
void ToggleApplyDark(GuiderExposure& e);

// Texts of 832/938, 833/937, 940, 942.
std::string UsingValsText(bool usingTrained);
std::string UseDefaultButtonText(bool usingTrained, bool trainedExist);
std::string GuidingModeText(char mode);
std::string AoModeText(bool relayMode);
// "Use Default": toggles the use-trained flag only when trained values exist.
void ToggleUseTrained(bool& useTrained, bool trainedExist);

// Check marks of the swap boxes (checked when swapped).
bool AoUpDownSwapped(const Settings& s);       // 931: AO up letter is 's'
bool AoLeftRightSwapped(const Settings& s);    // 932: AO left/right letter is 'w'
bool MountNorthSouthSwapped(const Settings& s);  // 946: first bump letter 'S'
bool MountEastWestSwapped(const Settings& s);    // 947: third bump letter 'W'
void SwapAoUpDown(Settings& s);
void SwapAoLeftRight(Settings& s);
void SwapMountNorthSouth(Settings& s);
void SwapMountEastWest(Settings& s);

// "Bin 2x2" (stored as guider option 82, and in the guider exposure): the
// Exview guider refuses with kExviewBinRefusal (false, nothing changes).
bool ToggleGuiderBinning(Settings& s, GuiderExposure& e);
// "Ser 1" / "Ser 2" / "PC ": AO port setting 1 / 0 / 3.
void SelectAoPort(Settings& s, int control);

// "Change Defaults": fields 861-864 as typed (leading integer, 0 when none)
// into the guider default R.A. rate, Dec rate, R.A. backlash, Dec backlash
// and 865 (degrees, as every angle is shown) into the default angle (kept in
// radians). A rate below 1 is stored as 1: a rate of 0 would divide every
// correction by zero.
void ChangeGuiderDefaults(Settings& s, const std::string& raRate, const std::string& decRate,
                          const std::string& raBacklash, const std::string& decBacklash,
                          const std::string& angle);
// The leading integer of a typed field (0 when there is none).
int TypedInteger(const std::string& text);

// Guider bitmap and autosave.
// The horizontal offset of the guider picture in the dialog: the 376-pixel
// guider is drawn centred on the 500-pixel width (offset 62).
int GuiderDisplayOffset(char guiderType);
// The 8-bit picture of the guider frame as shown: byte = pixel >> 8; with the
// stretch on, the most frequent byte becomes black and the rest is amplified
// by stretch / 5 (clamped to 255).
std::vector<uint8_t> GuiderDisplayBytes(const Pixel* frame, int width, int height, bool stretch,
                                        int stretchValue, int black);
// Writes the guider bitmap file (the model's guider bitmap name): 0 written,
// 1 the file could not be written (message 8).
int WriteGuiderBitmap(const GuiderDialogState& d);
// The display black level of the frame in guider buffer A (its most frequent
// high byte among 1..255).
int GuiderBlackLevel();
// Messages 8, 9, 10 for bitmap results 1, 2, 3.
void ReportBitmapResult(int result);
// The next guider autosave number: 1 after -1 (and after 65534, so the
// 16-bit counter never gives a negative name), else one more.
int16_t NextGuiderAutosaveCounter(int16_t counter);
// autosave directory + "\" + "IMG" + counter + ".BMP" (counter read as an
// unsigned 16-bit number).
std::string GuiderAutosaveName(const std::string& directory, int16_t counter);
// Step 2 of the exposure cycle: next counter, directory created if missing,
// the bitmap copied (an existing copy replaced). On failure message 50 with
// kGuiderAutosaveFailure and the counter is left as it was; otherwise the
// settings file is saved (message 28 when that fails). True when copied.
bool AutosaveGuiderBitmap();

// "Take DarkFrame": a frame without the dark applied; its bitmap result 1, 2
// or 3 shows message 8, 9 or 10 and the dark is not kept; otherwise the frame
// becomes the guider dark (guider buffer B) with its exposure text.
bool TakeGuiderDark(GuiderDialogState& d);
// The two frames the "Start" loop reads and throws away first (they clear
// the sensor).
void DiscardGuiderFrames();
// "Start": two frames discarded, then until a left-button press or "Stop"
// (either sets stopRequested; the dialog notes the press): a frame, refresh, the bitmap, refresh, the autosave copy, the
// bitmap message, a beep and the 1 s pause. maxFrames > 0 ends the run after
// that many frames (the command line). Returns the frames taken.
int RunGuiderExposures(GuiderDialogState& d, const std::function<void()>& refresh, int maxFrames = 0);

// The star pick. The frame is drawn at (offset + 10, 45); with search radius
// h and guider width w a click is usable when
// offset + h + 10 <= cx <= offset + w - h + 10 and h + 45 <= cy <= 335 - h.
bool PickInsideFrame(int cx, int cy, int offset, int h, int width);
// Finds the star at guider (x, y), moving (x, y) onto it; false when the
// search failed (its message already shown).
using GuiderStarFinder = std::function<bool(int& x, int& y)>;
// One pass of the guider-camera centroid on guider buffer A; a window of
// blank sky is a failed search (message 69).
bool FindGuiderStarOnce(int& x, int& y);
// Left button up while pick mode is armed: message 2 outside the frame;
// otherwise three passes of the finder, each re-centred on the last result
// (moveCursor gets the click point of each result), then the star is
// selected, "x position = %5d\ny position = %5d" is shown and pick mode ends.
// A failed search ends the pick without a selection. True when selected
// (Guider().starSelected, starX, starY).
bool PickGuideStar(GuiderDialogState& d, int cx, int cy, int offset, int h, int width,
                   const GuiderStarFinder& find, const std::function<void(int, int)>& moveCursor = {});
// Mouse move over the frame: cursor position and pixel value / 256 (fields
// 818, 819, 827); false when the point is not on the picture.
bool TrackCursor(GuiderDialogState& d, int cx, int cy, int offset, int width, const Pixel* frame);

// Saves the settings after a persistent change (message 28 when it fails).
void SaveGuiderSettings();

// "Save Latest": the trained magnitudes and Theta become the defaults (only
// when a training completed).
void SaveLatestGuider(Settings& s, const GuiderState& g);
// The AO gains in use are guider calibration values 1 and 2 (fields 64, 65).
int16_t& AoRaGain(Settings& s);
int16_t& AoDecGain(Settings& s);
// AO "Change Defaults": fields 925, 926 as typed become the gains in use
// (at least 1). AO "Save Latest": the trained gains (when trained).
void ChangeAoGains(Settings& s, const std::string& ra, const std::string& dec);
void SaveLatestAo(Settings& s, const GuiderState& g);

// "Move Telescope" bars 912 (left/right) and 911 (up/down). In mode 'T' an
// arrow starts a move West, East, North or South (the -x, +x, +y, -y guide
// direction letters) unless one runs; end-scroll stops it. In mode 'A' each
// arrow is an AO mount move of 100 steps in that direction's AO letter.
struct ManualMove {
    enum Kind { None, Start, Stop, AoMove } kind = None;
    char letter = 0;
};
ManualMove ManualMoveFor(const Settings& s, int bar, GuiderScroll action, bool moving);
inline constexpr int kManualAoSteps = 100;
