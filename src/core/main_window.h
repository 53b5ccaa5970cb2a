// The main window as other windows see it: the parent for dialogs and the
// place where the display's central view is plugged in.
#pragma once
#include <functional>

class QWidget;

// The main window (nullptr before it exists, and in tests without one).
QWidget* MainWindowWidget();

// The central view of the main window: the display registers a factory with
// a static registrar; without one the window shows a plain grey rendering of
// image buffer A.
//
// The window calls the view's invokable no-argument methods (Q_INVOKABLE or
// slots) when it is told that the image changed ("refreshImage", the
// repaint hook of ui_hooks.h) or that the geometry or scroll extent changed
// ("adjustScroller"); a view without them just gets update(). A right-button
// click the view leaves unhandled opens the window's pop-up menu.
using CentralViewFactory = std::function<QWidget*(QWidget* parent)>;
bool RegisterCentralView(CentralViewFactory factory);
CentralViewFactory& CentralView();
