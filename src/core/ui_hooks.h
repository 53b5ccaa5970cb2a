// What logic needs from the main window without including it: set by the
// window when it exists, no-ops otherwise (CLI, tests).
#pragma once
#include <functional>
#include <string>

struct MainWindowHooks {
    std::function<void()> repaint;         // the image changed: repaint the client area
    std::function<void()> updateCaption;   // the current file name changed
    std::function<void()> updateToolBar;   // drive method or view options changed
    std::function<void()> updateScroller;  // the geometry / scroll extent changed
    std::function<void(const std::string&)> showReadout;  // the status bar's pointer readout
};

MainWindowHooks& WindowHooks();
void RepaintMainWindow();
void UpdateMainWindowCaption();
void UpdateMainWindowToolBar();
void UpdateMainWindowScroller();
void ShowPointerReadout(const std::string& text);

// What the file layer needs from the layers above it, installed by them at
// start (a static registrar beside the code that answers); no-ops without
// them, as in a program built without a display.
struct LayerHooks {
    std::function<void()> redrawImage;                              // the display: image buffer A changed
    std::function<bool(const std::string&)> writeDisplayBitmap;     // the display: the BMP of the picture
    std::function<void()> beforeImageOpen;                          // merging: the image on screen becomes the first
    std::function<void()> darkFrameChosen;                          // calibration: a new dark frame file
    std::function<void()> flatFieldChosen;                          // calibration: a new flat field file
};

LayerHooks& UpperLayers();
// Calls the display's redraw (the display bitmap rewritten, the window repainted).
void RedrawImageAbove();
