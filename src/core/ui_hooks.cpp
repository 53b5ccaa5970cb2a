#include "core/ui_hooks.h"

MainWindowHooks& WindowHooks() {
    static MainWindowHooks hooks;
    return hooks;
}

static void Call(const std::function<void()>& hook) {
    if (hook) hook();
}

void RepaintMainWindow() { Call(WindowHooks().repaint); }
void UpdateMainWindowCaption() { Call(WindowHooks().updateCaption); }
void UpdateMainWindowToolBar() { Call(WindowHooks().updateToolBar); }
void UpdateMainWindowScroller() { Call(WindowHooks().updateScroller); }
void ShowPointerReadout(const std::string& text) {
    if (WindowHooks().showReadout) WindowHooks().showReadout(text);
}

LayerHooks& UpperLayers() {
    static LayerHooks hooks;
    return hooks;
}

void RedrawImageAbove() { Call(UpperLayers().redrawImage); }
