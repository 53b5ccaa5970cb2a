// The desktop frame around the windows: the screen area they must fit in,
// dialogs that scroll when the screen is too small for them, and the loop
// guard through which closing a window stops a running loop.
#pragma once
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <string>

#include "platform/platform.h"

class QDialog;
class QWidget;

// The available area of the screen a widget is on (the primary screen when
// it has none yet), or the area a test has set.
QRect AvailableScreenArea(const QWidget* widget);
// A test's fake screen; a null rectangle goes back to the real one.
void SetScreenAreaOverride(const QRect& area);

// A dialog larger than the available screen area gets its contents put into
// a scroll area and is cut down to the screen; its row of action buttons
// stays below the scroll area, always in view. True when it was changed.
bool FitDialogToScreen(QDialog* dialog);

// The top-left corner nearest to place at which a window of this size
// (frame included) lies inside the area; a window larger than the area keeps
// its top-left corner inside it.
QPoint PlaceInside(const QRect& area, QPoint place, QSize frame);

// Where each dialog and tool window was last put: one "NAME X Y" line per
// window in a small text file of our own beside the settings file.
std::string WindowPlacesPath();  // host path
bool SavedWindowPlace(const std::string& name, QPoint& place);
void SaveWindowPlace(const std::string& name, QPoint place);
// The name a window is remembered by: its object name, else its class;
// empty for a plain dialog of no class of its own.
std::string WindowName(const QWidget* window);

// Watches every window being shown and hidden: a dialog is fitted to the
// screen and put where it was last, and its place is kept when it goes.
class DialogScreenFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// Stands in front of the installed event pump while the main window lives.
// Long loops reach it through PollInterrupt: it knows when a loop is
// dispatching window messages, and after RequestStop every interrupt poll
// answers yes, so each loop stops at its next cancel point as a key press
// would stop it.
class LoopGuard : public EventPump {
public:
    LoopGuard();
    ~LoopGuard() override;
    LoopGuard(const LoopGuard&) = delete;
    LoopGuard& operator=(const LoopGuard&) = delete;

    void Pump() override;
    bool TakeInterrupt() override;
    // True while a loop dispatches window messages (so an event being handled
    // now arrived in the middle of a loop).
    bool InsideLoop() const { return depth_ > 0; }
    void RequestStop() { stop_ = true; }
    // The guard in force (nullptr without a main window).
    static LoopGuard* Current();
    // Counts as inside a loop for its lifetime: for the few places that let
    // the window system paint in the middle of a loop without pumping.
    class Scope {
    public:
        Scope();
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        LoopGuard* guard_;
    };
    void ClearStop() { stop_ = false; }
    bool StopRequested() const { return stop_; }

private:
    EventPump* inner_ = nullptr;
    int depth_ = 0;
    bool stop_ = false;
};
