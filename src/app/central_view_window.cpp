// The main window as other windows see it, and the registry of the central
// view that the display plugs into the main window.
#include <QPointer>
#include <QWidget>

#include "core/main_window.h"

namespace {
QPointer<QWidget>& MainWindowPointer() {
    static QPointer<QWidget> window;
    return window;
}
}  // namespace

QWidget* MainWindowWidget() { return MainWindowPointer().data(); }

// Set by the main window when it is built and cleared when it goes away.
void SetMainWindowWidget(QWidget* window) { MainWindowPointer() = window; }

CentralViewFactory& CentralView() {
    static CentralViewFactory factory;
    return factory;
}

bool RegisterCentralView(CentralViewFactory factory) {
    CentralView() = std::move(factory);
    return true;
}
