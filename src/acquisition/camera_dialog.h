// "Velmora Control Interface" (TCamDialog): sets up and starts every exposure
// of the main camera, runs the focus mode, shows the cooler and steps the
// filter wheel.
#pragma once
#include <QDialog>
#include <functional>
#include <vector>

#include "acquisition/camera_interface.h"
#include "core/bound_controls.h"

class QBoxLayout;
class QLabel;
class QLineEdit;
class QScrollBar;

class TCamDialog : public QDialog {
    Q_OBJECT
public:
    explicit TCamDialog(QWidget* parent = nullptr);
    // Takes over typed values, then redraws every control from the settings
    // (with the cooler request when the cooler is supported).
    void Refresh();
    // A scroll action on bar 104, 111, 119, 128 or 737.
    void Scroll(int id, ScrollAction action, int thumb = 0);

private:
    void Build();
    // A bar at the end of into: its actions go to Scroll(id), and a redraw
    // puts it at value() within minimum()..maximum().
    QScrollBar* ScrollBar(QBoxLayout* into, int id, Qt::Orientation orientation, std::function<int()> minimum,
                          std::function<int()> maximum, std::function<int()> value);
    void Redraw();
    void OnButton(int id);
    void ShowFocusFrame();
    BoundControls controls_;
    bool arrowsChanged_ = false;
    QLineEdit* exposureEdit_ = nullptr;
    QLineEdit* countEdit_ = nullptr;
    QLabel* focusView_ = nullptr;
};

// Command 12.
void RunCameraInterface();
