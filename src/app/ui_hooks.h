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
