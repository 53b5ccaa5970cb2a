#include "app/ui_hooks.h"

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
