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
using CentralViewFactory = std::function<QWidget*(QWidget* parent)>;
bool RegisterCentralView(CentralViewFactory factory);
CentralViewFactory& CentralView();
