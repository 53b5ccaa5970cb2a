// Rules of the desktop frame around the program: the start size on a small
// screen, the status-bar readout texts, the time left of an exposure, the
// folder a file dialog opens in and where the picture goes on a printed page.
// Plain C++; the windows that use them live in the *_gui / *_dialog files.
#pragma once
#include <cstdint>
#include <string>

struct FrameSize {
    int width = 0;
    int height = 0;
};
// The main window starts at 1330 x 1110, or smaller where the screen's
// available area (less the window frame's decoration) is smaller.
FrameSize StartFrameSize(int availableWidth, int availableHeight, int decorationWidth, int decorationHeight);

// The readout under the mouse: "x 123  y 45  value 6789".
std::string PointerReadoutText(int x, int y, int value);
// Away from the image: "2048 x 2048  (Untitled)" or "2048 x 2048  m42.fit".
std::string ImageSummaryText(int width, int height, const std::string& fileName);

// Whole seconds left until end (rounded up; 0 once the end is reached).
int SecondsLeft(uint32_t nowMs, uint32_t endMs);
// "Time left: 7 s", "Time left: 2 min 05 s"; empty for a negative count.
std::string TimeLeftText(int seconds);

// The folder a file dialog opens in: the folder of the file last used while
// it still exists, else the autosave folder while it exists, else empty (the
// dialog's own choice). Host paths.
std::string DialogStartFolder(const std::string& lastFile, const std::string& autosaveFolder);
// The file last chosen in a file dialog (host path; empty before the first).
std::string& LastUsedFile();

struct PageRect {
    int left = 0, top = 0, width = 0, height = 0;
};
// A printed page: the caption line across the top of the printable area, the
// picture below it scaled to fit the rest with its aspect kept and centred
// across. Sizes in device pixels of the printer.
struct PrintPageLayout {
    PageRect caption;
    PageRect picture;
};
PrintPageLayout LayoutPrintedPage(int pageWidth, int pageHeight, int captionHeight, int imageWidth,
                                  int imageHeight);

// The question when a window is closed while a loop runs (exposure, series,
// focusing, guiding, a long filter).
inline constexpr const char* kCloseMainWindowQuestion =
    "An exposure, a series, focusing or guiding is still running.\n\n"
    "Stop it and close Velmora_USB? Images already saved stay saved.";
inline constexpr const char* kCloseWindowQuestion =
    "An exposure, a series, focusing or guiding is still running.\n\nStop it and close this window?";
